// The program's working folder is its own: whatever stands there (links to the user's files, a
// FIFO, what a dead process left) never leads a write, a removal or a mode change anywhere else,
// and never blocks a start.
#include "app/cli/CliRun.h"
#include "app/run/SearchRun.h"
#include "app/run/Session.h"
#include "core/InstanceLock.h"
#include "core/Settings.h"
#include "tests/reliability/ReliabilitySupport.h"
#include "tests/support/CommandLineCapture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lis;
using namespace lis::test;

namespace {

class WorkFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(photos.isValid() && user.isValid());
        ASSERT_TRUE(writeFile(photos.filePath(QStringLiteral("hz_a.png")), smallPicture("PNG", 1)));
        ASSERT_TRUE(writeFile(photos.filePath(QStringLiteral("hz_b.jpg")), smallPicture("JPG", 2)));
        // The user's own files, which links in the working folder will point at.
        ASSERT_TRUE(writeFile(user.filePath(QStringLiteral("SR/kept.jpg")), "kept"));
        ASSERT_TRUE(writeFile(user.filePath(QStringLiteral("SR/deep/kept.png")), "deep"));
        ASSERT_TRUE(writeFile(user.filePath(QStringLiteral("photo.jpg")), "photo"));
        ASSERT_TRUE(writeFile(user.filePath(QStringLiteral("notes.db")), "notes"));
        ASSERT_EQ(::chmod(raw(user.filePath(QStringLiteral("notes.db"))).constData(), 0400), 0);
        saved = std::make_unique<Settings>(photos.filePath(QStringLiteral("user.ini")));
        before = fingerprint(raw(user.path()));
    }

    CommandLineOutcome search(const TempAppFolder &app)
    {
        HangWatchdog watchdog;
        watchdog.step(QStringLiteral("command-line search"));
        return runCommandLineCaptured(
            { QStringLiteral("--search"), QStringLiteral("hz_"), QStringLiteral("--location"),
                photos.path(), QStringLiteral("--type"), QStringLiteral("all") },
            app.paths(), *saved);
    }

    struct QuietObserver final : RunObserver
    {
        void phaseStarted(Phase, qsizetype) override { }
        void progressed(Phase, qsizetype) override { }
        void keepAlive() override { }
        bool cancelRequested() override { return false; }
        void cancelNoticed() override { }
    };
    // The window's way in: its session on the shared working files, then one run.
    struct WindowRun
    {
        SessionOpening::Code code;
        qsizetype results = 0;
    };
    WindowRun windowSearch(const TempAppFolder &app)
    {
        HangWatchdog watchdog;
        watchdog.step(QStringLiteral("window search"));
        SessionOpening opening = openSession(app.paths());
        if (opening.code != SessionOpening::Code::Opened)
            return { opening.code };
        SearchRun search(app.paths(), *opening.session.store);
        QuietObserver observer;
        const RunOutcome outcome = search.run(
            { QStringLiteral("hz_"), { photos.path() }, fixedWalkOptions({ 3, 3, 5 }), {} },
            observer);
        return { opening.code, outcome.results ? outcome.results->List1.size() : -1 };
    }

    void plantLink(const QString &at, const QString &target)
    {
        QFile::remove(at);
        QDir(at).removeRecursively();
        ASSERT_EQ(::symlink(raw(target).constData(), raw(at).constData()), 0) << qPrintable(at);
    }

    QTemporaryDir photos;
    QTemporaryDir user;
    std::unique_ptr<Settings> saved;
    TreePrint before;
};

TEST_F(WorkFolderTest, LinksWhereWorkingFilesBelongAreNeverFollowed)
{
    struct Plant
    {
        const char *what;
        QString (AppPaths::*at)() const;
        QString target; // relative to the user's folder
    };
    const Plant plants[] = {
        { "results folder", &AppPaths::resultsFolder, QStringLiteral("SR") },
        { "working bitmap", &AppPaths::workingBitmap, QStringLiteral("photo.jpg") },
        { "scratch bitmap", &AppPaths::scratchBitmap, QStringLiteral("photo.jpg") },
        { "working database", &AppPaths::workingDatabase, QStringLiteral("notes.db") },
        { "lock", &AppPaths::lockFile, QStringLiteral("photo.jpg") },
        { "working folder", &AppPaths::workFolder, QString() },
    };
    for (const Plant &plant : plants) {
        SCOPED_TRACE(plant.what);
        TempAppFolder app(TempAppFolder::Ranker::With);
        const QString at = (app.paths().*plant.at)();
        plantLink(at, user.filePath(plant.target));
        // The command line works beside the window's files and never follows them either.
        const CommandLineOutcome outcome = search(app);
        EXPECT_EQ(outcome.status, 0) << qPrintable(outcome.err);
        EXPECT_EQ(outcome.out.count(u"hz_"), 4) << qPrintable(outcome.out); // name and path
        EXPECT_EQ(differences(before, fingerprint(raw(user.path()))), QStringList());
        // The window's session replaces the link by its own file or folder.
        const WindowRun window = windowSearch(app);
        EXPECT_EQ(window.code, SessionOpening::Code::Opened);
        EXPECT_EQ(window.results, 2);
        EXPECT_EQ(differences(before, fingerprint(raw(user.path()))), QStringList());
        EXPECT_FALSE(QFileInfo(at).isSymLink());
    }
}

TEST_F(WorkFolderTest, WhatADeadProcessLeftNeverBlocksAStart)
{
    struct Leftover
    {
        const char *what;
        std::function<bool(const QString &)> make;
    };
    const Leftover leftovers[] = {
        { "empty lock", [](const QString &p) { return writeFile(p, {}); } },
        { "garbage", [](const QString &p) { return writeFile(p, QByteArray(300, '\xff')); } },
        { "another host's lock",
            [](const QString &p) { return writeFile(p, "1\nelsewhere\nlumetra-image-search\n"); } },
        { "a FIFO", [](const QString &p) { return ::mkfifo(raw(p).constData(), 0600) == 0; } },
        { "a folder", [](const QString &p) { return QDir().mkpath(p + QStringLiteral("/x")); } },
    };
    for (const Leftover &leftover : leftovers) {
        SCOPED_TRACE(leftover.what);
        TempAppFolder app(TempAppFolder::Ranker::With);
        ASSERT_TRUE(QDir().mkpath(app.paths().workFolder()));
        ASSERT_TRUE(leftover.make(app.paths().lockFile()));
        const WindowRun window = windowSearch(app);
        EXPECT_EQ(window.code, SessionOpening::Code::Opened);
        EXPECT_EQ(window.results, 2);
    }

    // A live holder is the one thing that refuses the window's start; the command line runs
    // beside it in a folder of its own.
    TempAppFolder app(TempAppFolder::Ranker::With);
    ASSERT_TRUE(QDir().mkpath(app.paths().workFolder()));
    const InstanceLock held(app.paths().lockFile());
    ASSERT_TRUE(held.isLocked());
    EXPECT_EQ(windowSearch(app).code, SessionOpening::Code::AlreadyRunning);
    // A command-line run killed on the spot leaves its own folder; the next run removes it,
    // while a live run's folder stays.
    const QString runs = privateRunsFolder(app.paths());
    const QString killed = runs + QStringLiteral("/run-killed");
    const QString live = runs + QStringLiteral("/run-live");
    ASSERT_TRUE(writeFile(killed + QStringLiteral("/.lock"), "4242\n"));
    ASSERT_TRUE(writeFile(killed + QStringLiteral("/SR/a.jpg"), "copy"));
    ASSERT_TRUE(writeFile(live + QStringLiteral("/SR/b.jpg"), "copy"));
    const InstanceLock liveRun(live + QStringLiteral("/.lock"));
    ASSERT_TRUE(liveRun.isLocked());
    const CommandLineOutcome beside = search(app);
    EXPECT_EQ(beside.status, 0) << qPrintable(beside.err);
    EXPECT_FALSE(QFileInfo::exists(killed));
    EXPECT_EQ(readFile(live + QStringLiteral("/SR/b.jpg")), "copy");
}

// Command-line runs are processes of their own; two at once, beside an open window, each find
// every file and leave nothing behind.
TEST_F(WorkFolderTest, CommandLineRunsGoSideBySide)
{
    TempAppFolder app(TempAppFolder::Ranker::With);
    const QString program = app.filePath(QStringLiteral("lumetra-image-search"));
    ASSERT_TRUE(QFile::copy(builtAppFolder() + QStringLiteral("/lumetra-image-search"), program));
    ASSERT_TRUE(QDir().mkpath(app.paths().workFolder()));
    const InstanceLock window(app.paths().lockFile());
    ASSERT_TRUE(window.isLocked());
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int i = 0; i < 2; ++i) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(
            QStringLiteral("XDG_CONFIG_HOME"), photos.filePath(QStringLiteral("config")));
        process->setProcessEnvironment(environment);
        process->start(program,
            { QStringLiteral("--search"), QStringLiteral("hz_"), QStringLiteral("--location"),
                photos.path(), QStringLiteral("--type"), QStringLiteral("all"),
                QStringLiteral("--format"), QStringLiteral("csv") });
        runs.push_back(std::move(process));
    }
    for (const auto &process : runs) {
        ASSERT_TRUE(process->waitForFinished(60000));
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
        EXPECT_EQ(process->readAllStandardOutput().count("hz_"), 4); // name and path of two
    }
    EXPECT_TRUE(QDir(privateRunsFolder(app.paths()))
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
}

// Ctrl+C and SIGTERM stop a run in the middle of its ranking within a file: no report, the
// signal's exit status, the run's working files gone and the pictures as they were.
TEST_F(WorkFolderTest, SignalsStopARunWithinOneFile)
{
    TempAppFolder app(TempAppFolder::Ranker::With);
    const QString program = app.filePath(QStringLiteral("lumetra-image-search"));
    ASSERT_TRUE(QFile::copy(builtAppFolder() + QStringLiteral("/lumetra-image-search"), program));
    QTemporaryDir many;
    // Pictures large enough that ranking them all outlasts the wait for the phase to begin, on
    // any machine.
    const QByteArray picture = smallPicture("JPG", 1, 1600, 1200);
    const int count = kLightRun ? 300 : 1000;
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(writeFile(many.filePath(QStringLiteral("hz_%1.jpg").arg(i)), picture));
    const TreePrint pictures = fingerprint(raw(many.path()));
    for (const auto &[signal, status] : { std::pair { SIGINT, 130 }, std::pair { SIGTERM, 143 } }) {
        SCOPED_TRACE(signal);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(
            QStringLiteral("XDG_CONFIG_HOME"), many.filePath(QStringLiteral("config")));
        process.setProcessEnvironment(environment);
        process.start(program,
            { QStringLiteral("--search"), QStringLiteral("hz_"), QStringLiteral("--location"),
                many.path(), QStringLiteral("--type"), QStringLiteral("all"),
                QStringLiteral("--progress=plain"), QStringLiteral("--format"),
                QStringLiteral("csv") });
        ASSERT_TRUE(process.waitForStarted(10000));
        QByteArray progress;
        while (!progress.contains("Ranking...") && process.state() == QProcess::Running) {
            process.waitForReadyRead(100);
            progress += process.readAllStandardError();
        }
        ASSERT_EQ(process.state(), QProcess::Running) << "the run ended before it could be stopped";
        ::kill(pid_t(process.processId()), signal);
        ASSERT_TRUE(process.waitForFinished(20000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), status);
        EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
        EXPECT_TRUE(QDir(privateRunsFolder(app.paths()))
                        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                        .isEmpty());
    }
    EXPECT_EQ(differences(pictures, fingerprint(raw(many.path()))), QStringList());
}

TEST_F(WorkFolderTest, SettingsThatAreNotAPlainFileAreIgnoredWithoutBlocking)
{
    for (const bool lockFile : { false, true }) {
        SCOPED_TRACE(lockFile ? "its lock file" : "the settings file");
        QTemporaryDir config;
        const QString file = config.filePath(QStringLiteral("settings.conf"));
        ASSERT_EQ(
            ::mkfifo(raw(lockFile ? file + QStringLiteral(".lock") : file).constData(), 0600), 0);
        HangWatchdog watchdog;
        watchdog.step(QStringLiteral("opening settings on a FIFO"));
        Settings settings(file);
        EXPECT_FALSE(settings.ignoredReason().isEmpty());
        settings.save(QStringLiteral("Search"), QStringLiteral("path"), QStringLiteral("/x"));
        settings.sync();
        EXPECT_EQ(settings.get(QStringLiteral("Search"), QStringLiteral("path")), u"/x");
        struct stat info
        {
        };
        ASSERT_EQ(::lstat(raw(file).constData(), &info) == 0, !lockFile);
        if (!lockFile) {
            EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "the FIFO was replaced";
        }
    }
}

} // namespace
