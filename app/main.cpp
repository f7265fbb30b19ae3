#include "app/Form3.h"
#include "app/cli/CliOptions.h"
#include "app/cli/CliRun.h"
#include "app/run/Startup.h"
#include "core/AppPaths.h"
#include "core/InstanceLock.h"
#include "core/Settings.h"
#include "dialogs/QtPrompts.h"
#include "store/Maintenance.h"
#include "store/ResultStore.h"

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstring>

namespace {

using namespace lis;

// Prompts for the maintenance switches: the message goes to standard output.
class ConsolePrompts final : public Prompts
{
public:
    void message(const QString &, const QString &text, MessageIcon) override
    {
        std::printf("%s\n", text.toLocal8Bit().constData());
    }
    bool ask(const QString &, const QString &) override { return false; }
    QString browseForFolder(const QString &, const QString &, bool) override { return {}; }
};

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

int runMaintenance(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const AppPaths paths = AppPaths::ofRunningProgram();
    ConsolePrompts prompts;
    if (hasArgument(argc, argv, "--create-table"))
        CreateTableImageRank(paths.maintenanceDatabase(), prompts);
    if (hasArgument(argc, argv, "--drop-table"))
        DelTable(paths.maintenanceDatabase(), prompts);
    return 0;
}

int runWindow(int argc, char **argv)
{
    QApplication app(argc, argv);
    const AppPaths paths = AppPaths::ofRunningProgram();
    QtPrompts prompts;
    QDir().mkpath(paths.workFolder());
    InstanceLock lock(paths.lockFile());
    if (!lock.isLocked()) {
        prompts.message(productCaption,
            QStringLiteral("Lumetra Image Search is already running. Use the open "
                           "window, or close it before starting the program again."),
            MessageIcon::Warning);
        return 1;
    }
    const StartupResult started = startUp(paths);
    if (!started.error.isEmpty()) {
        prompts.message(productCaption, started.error, MessageIcon::Warning);
        return 1;
    }
    Settings settings;
    Form3 form({ paths, settings, *started.store, prompts });
    prompts.setParent(&form);
    form.show();
    return app.exec();
}

int runCommandLineSearch(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    installInterruptHandler();
    const Settings settings;
    return runCommandLine(QCoreApplication::arguments(), AppPaths::ofRunningProgram(), settings);
}

} // namespace

int main(int argc, char **argv)
{
    if (hasArgument(argc, argv, "--create-table") || hasArgument(argc, argv, "--drop-table"))
        return runMaintenance(argc, argv);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (isCommandLineRun(arguments))
        return runCommandLineSearch(argc, argv);
    if (!canShowWindows(argc, argv)) {
        std::fprintf(stderr,
            "lumetra-image-search: no display to open a window on. Run it on a "
            "desktop, or search from the command line:\n"
            "  lumetra-image-search --search KEYWORD --location FOLDER\n");
        return 1;
    }
    return runWindow(argc, argv);
}
