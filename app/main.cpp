#include "app/Form3.h"
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
    return hasArgument(argc, argv, "-platform");
}

void printTo(std::FILE *stream, const QString &text)
{
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
}

// The maintenance switches print their message on standard output, and what went wrong on
// standard error with exit status 1.
int runMaintenance(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const AppPaths paths = AppPaths::ofRunningProgram();
    int status = 0;
    const auto tell = [&status](const MaintenanceResult &result) {
        if (!result.message.isEmpty())
            printTo(stdout, result.message);
        if (!result.succeeded()) {
            printTo(stderr, QStringLiteral("lumetra-image-search: error: ") + result.failure);
            status = 1;
        }
    };
    if (hasArgument(argc, argv, "--create-table"))
        tell(CreateTableImageRank(paths.maintenanceDatabase()));
    if (hasArgument(argc, argv, "--drop-table"))
        tell(DelTable(paths.maintenanceDatabase()));
    return status;
}

void warnAboutIgnoredSettings(const Settings &settings)
{
    if (!settings.ignoredReason().isEmpty())
        printTo(stderr,
            QStringLiteral("lumetra-image-search: warning: the settings are neither read nor "
                           "saved, because %1.")
                .arg(settings.ignoredReason()));
}

int runWindow(int argc, char **argv)
{
    QApplication app(argc, argv);
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
    if (hasArgument(argc, argv, "--create-table") || hasArgument(argc, argv, "--drop-table"))
        return runMaintenance(argc, argv);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(pathFromBytes(argv[i])); // a folder named in any bytes stays itself
    if (isCommandLineRun(arguments))
        return runCommandLineSearch(argc, argv, arguments);
    if (!canShowWindows(argc, argv)) {
        std::fprintf(stderr,
            "lumetra-image-search: no display to open a window on. Run it on a "
            "desktop, or search from the command line:\n"
            "  lumetra-image-search --search KEYWORD --location FOLDER\n");
        return 1;
    }
    return runWindow(argc, argv);
}
