#include "app/Form3.h"
#include "app/WindowLook.h"
#include "app/cli/CliOptions.h"
#include "app/cli/CliRun.h"
#include "app/run/Session.h"
#include "core/AppPaths.h"
#include "core/FileNames.h"
#include "core/Settings.h"
#include "dialogs/QtPrompts.h"
#include "store/Maintenance.h"
#include "store/ResultStore.h"

#include <QApplication>
#include <QLineEdit>
#include <cstdio>
#include <cstring>

namespace {

using namespace lis;

bool hasArgument(int argc, char **argv, const char *name)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return true;
    }
    return false;
}

// Without a display Qt would abort in its platform plugin; say what to do instead.
bool canShowWindows(int argc, char **argv)
{
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    return hasArgument(argc, argv, "-platform") || hasArgument(argc, argv, "--platform");
}

void printTo(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = pathToBytes(text + u'\n');
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

// The maintenance switches print their message on standard output, and what went wrong on
// standard error with exit status 1.
int runMaintenance(int argc, char **argv, const MaintenanceRequest &request)
{
    QCoreApplication app(argc, argv);
    const AppPaths paths = AppPaths::ofRunningProgram();
    int status = 0;
    const auto tell = [&status](const MaintenanceResult &result) {
        if (!result.message.isEmpty())
            printTo(stdout, result.message);
        if (!result.succeeded()) {
            printTo(stderr, programName + QStringLiteral(": error: ") + result.failure);
            status = 1;
        }
    };
    // An installed copy's maintenance database is read-only; each user works on a copy.
    const QString database = writableMaintenanceDatabase(paths);
    if (request.createTable)
        tell(CreateTableImageRank(database));
    if (request.dropTable)
        tell(DelTable(database));
    return status;
}

void warnAboutIgnoredSettings(const Settings &settings)
{
    if (!settings.ignoredReason().isEmpty())
        printTo(stderr,
            programName
                + QStringLiteral(": warning: the settings are neither read nor saved, because %1.")
                      .arg(settings.ignoredReason()));
}

int runWindow(int argc, char **argv, const QString &folder)
{
    QApplication app(argc, argv);
    applyWindowLook(app);
    const AppPaths paths = AppPaths::ofRunningProgram();
    QtPrompts prompts;
    SessionOpening opening = openSession(paths);
    if (opening.code == SessionOpening::Code::AlreadyRunning) {
        prompts.message(productCaption,
            QStringLiteral("Lumetra Image Search is already running. Use the open "
                           "window, or close it before starting the program again."),
            MessageIcon::Warning);
        return 1;
    }
    if (opening.code != SessionOpening::Code::Opened) {
        prompts.message(productCaption, opening.message, MessageIcon::Warning);
        return 1;
    }
    Settings settings;
    warnAboutIgnoredSettings(settings);
    Form3 form({ paths, settings, *opening.session.store, prompts });
    prompts.setParent(&form);
    if (!folder.isEmpty())
        form.vkTextBox1->setText(folder);
    form.show();
    return app.exec();
}

int runCommandLineSearch(int argc, char **argv, const QStringList &arguments)
{
    QCoreApplication app(argc, argv);
    installInterruptHandler();
    const Settings settings;
    warnAboutIgnoredSettings(settings);
    return runCommandLine(arguments, AppPaths::ofRunningProgram(), settings);
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(pathFromBytes(argv[i])); // a folder named in any bytes stays itself
    // Every argument is read before anything opens, so no option can open the window by accident.
    const ProgramRequest request = parseProgramArguments(arguments);
    if (const auto *text = std::get_if<TextRequest>(&request)) {
        const QByteArray bytes = text->text.toUtf8();
        return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout)
                    == size_t(bytes.size())
                && std::fflush(stdout) == 0
            ? 0
            : 1;
    }
    if (const auto *error = std::get_if<CliUsageError>(&request)) {
        printTo(stderr, programName + QStringLiteral(": error: ") + error->message);
        printTo(stderr, QStringLiteral("Try '%1 --help' for more.").arg(programName));
        return CliBadInput;
    }
    if (const auto *maintenance = std::get_if<MaintenanceRequest>(&request))
        return runMaintenance(argc, argv, *maintenance);
    if (std::holds_alternative<CliOptions>(request))
        return runCommandLineSearch(argc, argv, arguments);
    if (!canShowWindows(argc, argv)) {
        std::fprintf(stderr,
            "lumetra-image-search: no display to open a window on. Run it on a "
            "desktop, or search from the command line:\n"
            "  lumetra-image-search --search KEYWORD --location FOLDER\n");
        return 1;
    }
    return runWindow(argc, argv, std::get<WindowRequest>(request).folder);
}
