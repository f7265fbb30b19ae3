// Nothing of the user's is ever changed: every source file keeps its bytes, size, mode and time
// through runs, cancelled runs and copies aimed at the user's own folders, and the program writes
// nowhere but its application folder and the chosen output folder.
#include "app/cli/CliRun.h"
#include "copy/CopyRun.h"
#include "tests/reliability/ReliabilitySupport.h"
#include "tests/support/CommandLineCapture.h"
#include "tests/support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using namespace lis;
using namespace lis::test;

namespace {

class UserFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tree.isValid());
        // Two results share a name in different folders; one original is read-only.
        put(QStringLiteral("hz_a.jpg"), smallPicture("JPG", 1, 640, 480));
        put(QStringLiteral("hz_b.png"), smallPicture("PNG", 2));
        put(QStringLiteral("hz_ro.png"), smallPicture("PNG", 3));
        put(QStringLiteral("sub/hz_a.jpg"), smallPicture("JPG", 4, 320, 240));
        put(QStringLiteral("sub/hz_c.bmp"), smallPicture("BMP", 5));
        put(QStringLiteral("sub/hz_bad.jpg"), QByteArrayLiteral("\xff\xd8\xff not really"));
        ASSERT_EQ(::chmod(raw(tree.filePath(QStringLiteral("hz_ro.png"))).constData(), 0444), 0);
        before = fingerprint(raw(tree.path()));
        ASSERT_EQ(before.size(), size_t(7)); // six files and the subfolder
    }

    void put(const QString &relative, const QByteArray &bytes)
    {
        ASSERT_TRUE(writeFile(tree.filePath(relative), bytes)) << qPrintable(relative);
    }

    // Entries changed or removed in the source tree; additions are listed apart.
    QStringList changedOrRemoved(const TreePrint &after) const
    {
        QStringList lines = differences(before, after);
        lines.removeIf([](const QString &line) { return line.startsWith(u"added: "); });
        return lines;
    }

    PipelineResult search(RunHooks hooks = {})
    {
        HangWatchdog watchdog;
        return pipeline.run(tree.path(), QStringLiteral("hz_"), std::move(hooks), &watchdog);
    }

    // Whether a file is byte for byte one of the items (copies keep the source's bytes).
    static bool isWholeCopyOfOneOf(const QString &copy, const QList<CopyItem> &items)
    {
        const QByteArray bytes = readFile(copy);
        return std::any_of(items.cbegin(), items.cend(),
            [&](const CopyItem &item) { return readFile(item.path) == bytes; });
    }

    static QList<CopyItem> allOf(const QStringList &paths)
    {
        QList<CopyItem> items;
        for (const QString &path : paths)
            items.append({ path, true });
        return items;
    }

    QTemporaryDir tree;
    Pipeline pipeline;
    TreePrint before;
};

} // namespace

TEST_F(UserFilesTest, RunAndCancelledRunLeaveSourcesAlone)
{
    const PipelineResult run = search();
    ASSERT_EQ(run.report.rows.size(), size_t(6));
    EXPECT_EQ(differences(before, fingerprint(raw(tree.path()))), QStringList());

    int yields = 0;
    RunHooks cancelling;
    cancelling.yield = [&] { yields += pipeline.copies.folder().isEmpty() ? 0 : 1; };
    cancelling.cancelRequested = [&] { return yields > 6; };
    pipeline.copies = {};
    const PipelineResult cancelled = search(cancelling);
    EXPECT_TRUE(cancelled.ranked.cancelled);
    EXPECT_LT(cancelled.ranked.files.size(), size_t(6));
    EXPECT_EQ(differences(before, fingerprint(raw(tree.path()))), QStringList());
}

// Copies aimed at the folders the results came from: a result never lands on itself or on
// another original, and a result that does not clash is simply added.
TEST_F(UserFilesTest, CopyIntoTheResultsOwnFoldersChangesNoOriginal)
{
    const PipelineResult run = search();
    const QList<CopyItem> items = allOf(run.report.List1);

    for (const QString &folder : { tree.path(), tree.filePath(QStringLiteral("sub")),
             tree.path() + QStringLiteral("/sub/") }) {
        SCOPED_TRACE(folder.toStdString());
        const CopyRunResult copied = copyItems(items, folder, {});
        EXPECT_FALSE(copied.cancelled);
        EXPECT_EQ(changedOrRemoved(fingerprint(raw(tree.path()))), QStringList());
        for (const CopyResult &result : copied.results)
            EXPECT_NE(result.status, CopyStatus::Failed) << qPrintable(result.error);
        // Every original sitting in that folder was left as it is.
        EXPECT_GE(
            copied.count(CopyStatus::SameFile) + copied.count(CopyStatus::ProtectedOriginal), 2);
    }
    // The only additions are whole copies of results that had no namesake there.
    const QStringList added = differences(before, fingerprint(raw(tree.path())));
    for (const QString &line : added)
        EXPECT_TRUE(line.startsWith(u"added: ")) << qPrintable(line);
    EXPECT_EQ(readFile(tree.filePath(QStringLiteral("hz_c.bmp"))),
        readFile(tree.filePath(QStringLiteral("sub/hz_c.bmp"))));
}

// An output folder holding read-only files of the results' names keeps them; a copy cancelled
// half-way leaves only whole copies and no scratch files.
TEST_F(UserFilesTest, ReadOnlyTargetsAndCancelledCopies)
{
    const PipelineResult run = search();
    const QList<CopyItem> items = allOf(run.report.List1);

    QTemporaryDir output;
    ASSERT_TRUE(writeFile(output.filePath(QStringLiteral("hz_b.png")), "the user's own b"));
    ASSERT_TRUE(writeFile(output.filePath(QStringLiteral("hz_ro.png")), "the user's own ro"));
    for (const QString &name : { QStringLiteral("hz_b.png"), QStringLiteral("hz_ro.png") })
        ASSERT_EQ(::chmod(raw(output.filePath(name)).constData(), 0444), 0);
    const TreePrint outputBefore = fingerprint(raw(output.path()));
    const CopyRunResult copied = copyItems(items, output.path(), {});
    EXPECT_EQ(copied.count(CopyStatus::ReadOnlyTarget), 2);
    const TreePrint outputAfter = fingerprint(raw(output.path()));
    for (const QString &line : differences(outputBefore, outputAfter))
        EXPECT_TRUE(line.startsWith(u"added: ")) << qPrintable(line);
    EXPECT_EQ(differences(before, fingerprint(raw(tree.path()))), QStringList());

    QTemporaryDir halfway;
    int asked = 0;
    RunHooks cancelling;
    cancelling.cancelRequested = [&] { return ++asked > 3; };
    const CopyRunResult cancelled = copyItems(items, halfway.path(), cancelling);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(cancelled.results.size(), 3);
    const QStringList left
        = QDir(halfway.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_LE(left.size(), 3) << qPrintable(left.join(u", "));
    for (const QString &name : left)
        EXPECT_TRUE(isWholeCopyOfOneOf(halfway.filePath(name), items)) << qPrintable(name);
    EXPECT_EQ(differences(before, fingerprint(raw(tree.path()))), QStringList());
}

// Copies that may not replace anything, as the command line makes them without --overwrite:
// the output folder's older files keep every byte, and a second run over the same results adds
// no file, as every result is already there.
TEST_F(UserFilesTest, CopiesThatKeepExistingFilesChangeNothingOldAndRerunsAddNothing)
{
    const PipelineResult run = search();
    const QList<CopyItem> items = allOf(run.report.List1);
    ASSERT_EQ(items.size(), 6);
    QTemporaryDir output;
    ASSERT_TRUE(writeFile(output.filePath(QStringLiteral("hz_a.jpg")), "the user's older hz_a"));
    ASSERT_TRUE(writeFile(output.filePath(QStringLiteral("hz_b.png")),
        readFile(tree.filePath(QStringLiteral("hz_b.png")))));
    ASSERT_TRUE(writeFile(output.filePath(QStringLiteral("notes.txt")), "the user's notes"));
    const TreePrint outputBefore = fingerprint(raw(output.path()));
    const CopyPolicy keep { ExistingFiles::Keep };

    const CopyRunResult first = copyItems(items, output.path(), {}, {}, keep);
    EXPECT_EQ(first.failures(), 0);
    EXPECT_EQ(first.count(CopyStatus::AlreadyThere), 1); // hz_b.png
    EXPECT_EQ(first.count(CopyStatus::Replaced), 0);
    const TreePrint afterFirst = fingerprint(raw(output.path()));
    const QStringList added = differences(outputBefore, afterFirst);
    EXPECT_EQ(added.size(), 5) << qPrintable(added.join(u'\n'));
    for (const QString &line : added)
        EXPECT_TRUE(line.startsWith(u"added: ")) << qPrintable(line);
    for (const auto &[name, print] : afterFirst)
        EXPECT_TRUE(outputBefore.contains(name)
            || isWholeCopyOfOneOf(output.filePath(QString::fromUtf8(name)), items))
            << name.constData();

    const CopyRunResult second = copyItems(items, output.path(), {}, {}, keep);
    EXPECT_EQ(second.count(CopyStatus::AlreadyThere), items.size());
    EXPECT_EQ(differences(afterFirst, fingerprint(raw(output.path()))), QStringList());
    EXPECT_EQ(differences(before, fingerprint(raw(tree.path()))), QStringList());
}

// The command line with a copy: sources, the user's settings and a watched home stay as they
// were; only the working folder and the output folder change.
TEST_F(UserFilesTest, CommandLineWritesOnlyItsOwnFolders)
{
    QTemporaryDir home;
    QTemporaryDir output;
    TempAppFolder app(TempAppFolder::Ranker::With);
    Settings saved(app.filePath(QStringLiteral("user.ini")));
    saved.save(QStringLiteral("AllImage"), QStringLiteral("filetypes"), QStringLiteral("5"));
    saved.sync();
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", raw(home.path()));
    qputenv("XDG_CONFIG_HOME", raw(home.filePath(QStringLiteral(".config"))));

    TreePrint appBefore = fingerprint(raw(app.path()));
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    const int status
        = runCommandLine({ QStringLiteral("lis"), QStringLiteral("--search"), QStringLiteral("hz_"),
                             QStringLiteral("--location"), tree.path(), QStringLiteral("--copy-to"),
                             output.path(), QStringLiteral("--top"), QStringLiteral("3") },
            app.paths(), saved, { out, err });
    std::fclose(out);
    std::fclose(err);
    qputenv("HOME", oldHome);
    if (oldConfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig);

    EXPECT_EQ(status, 0);
    EXPECT_EQ(differences(before, fingerprint(raw(tree.path()))), QStringList());
    EXPECT_TRUE(fingerprint(raw(home.path())).empty()) << "the program wrote into the home folder";
    const QStringList copies = QDir(output.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_GE(copies.size(), 2);
    EXPECT_LE(copies.size(), 3);
    QList<CopyItem> sources;
    for (const auto &[relative, print] : before)
        sources.append({ tree.filePath(QString::fromUtf8(relative)), true });
    for (const QString &name : copies)
        EXPECT_TRUE(isWholeCopyOfOneOf(output.filePath(name), sources)) << qPrintable(name);
    // In the application folder only the working folder may change.
    TreePrint appAfter = fingerprint(raw(app.path()));
    std::erase_if(appBefore, [](const auto &e) { return e.first.startsWith("LIS"); });
    std::erase_if(appAfter, [](const auto &e) { return e.first.startsWith("LIS"); });
    EXPECT_EQ(differences(appBefore, appAfter), QStringList());
}

// A disk that fills up during a copy, with more or less room left: every copy either arrives
// whole or is reported as failed for want of space, no scratch file stays behind, and the files
// that were already there (one of them under a result's name) keep every byte.
TEST_F(UserFilesTest, FullDiskLeavesEveryCopyWholeOrAbsent)
{
    QList<CopyItem> items;
    for (int i = 0; i < 6; ++i) {
        const QString name = QStringLiteral("disk/hz_small%1.jpg").arg(i);
        put(name, QByteArray(9000 + i, char('a' + i)));
        items.append({ tree.filePath(name), true });
    }
    put(QStringLiteral("disk/hz_big.jpg"), QByteArray(600 * 1024, 'B'));
    items.append({ tree.filePath(QStringLiteral("disk/hz_big.jpg")), true });
    const TreePrint sourcesBefore = fingerprint(raw(tree.path()));

    for (const qint64 room : { qint64(0), qint64(6 * 1024), qint64(40 * 1024) }) {
        SCOPED_TRACE(room);
        SmallDisk disk(2 << 20);
        if (!disk.isMounted())
            GTEST_SKIP() << "a private tmpfs needs root";
        const QString output = disk.filePath(QStringLiteral("out"));
        ASSERT_TRUE(writeFile(output + QStringLiteral("/hz_big.jpg"), QByteArray(20000, 'w')));
        ASSERT_TRUE(writeFile(output + QStringLiteral("/hz_small2.jpg"), QByteArray(5000, 'w')));
        ASSERT_TRUE(writeFile(output + QStringLiteral("/notes.txt"), "the user's notes"));
        const TreePrint outputBefore = fingerprint(raw(output));
        ASSERT_TRUE(disk.fillUntil(room));

        const CopyRunResult run = copyItems(items, output, {});
        ASSERT_EQ(run.results.size(), items.size());
        QSet<QString> copied;
        for (qsizetype i = 0; i < items.size(); ++i) {
            const CopyResult &result = run.results[i];
            if (result.status == CopyStatus::Copied || result.status == CopyStatus::Replaced) {
                EXPECT_EQ(readFile(result.destination), readFile(items[i].path))
                    << "counted as copied: " << qPrintable(result.destination);
                copied.insert(QFileInfo(result.destination).fileName());
            } else {
                EXPECT_EQ(result.status, CopyStatus::Failed) << qPrintable(result.destination);
                EXPECT_EQ(result.problem, CopyProblem::NoSpace) << qPrintable(result.error);
            }
        }
        EXPECT_EQ(run.results.last().status, CopyStatus::Failed); // 600 KB never fit
        // Each entry is a whole copy counted as one, or exactly what was there before.
        const TreePrint outputAfter = fingerprint(raw(output));
        for (const auto &[name, print] : outputAfter) {
            if (copied.contains(QString::fromUtf8(name)))
                continue;
            const auto old = outputBefore.find(name);
            EXPECT_TRUE(old != outputBefore.end() && old->second == print) << name.constData();
        }
        EXPECT_EQ(outputAfter.size(),
            outputBefore.size() + copied.size()
                - (copied.contains(QStringLiteral("hz_small2.jpg")) ? 1 : 0));
    }
    EXPECT_EQ(differences(sourcesBefore, fingerprint(raw(tree.path()))), QStringList());
}

// Links the user keeps in the output folder (to a file elsewhere, to nothing, to a folder) are
// never written through and never replaced: each copy comes in beside its link.
TEST_F(UserFilesTest, LinksInTheOutputFolderAreNeverWrittenThrough)
{
    QTemporaryDir elsewhere;
    ASSERT_TRUE(writeFile(elsewhere.filePath(QStringLiteral("kept.jpg")), "kept elsewhere"));
    ASSERT_TRUE(QDir().mkpath(elsewhere.filePath(QStringLiteral("folder"))));
    QTemporaryDir output;
    const QStringList names { QStringLiteral("hz_a.jpg"), QStringLiteral("hz_b.png"),
        QStringLiteral("hz_c.bmp") };
    const QStringList targets { elsewhere.filePath(QStringLiteral("kept.jpg")),
        elsewhere.filePath(QStringLiteral("gone.png")),
        elsewhere.filePath(QStringLiteral("folder")) };
    for (qsizetype i = 0; i < names.size(); ++i)
        ASSERT_TRUE(QFile::link(targets[i], output.filePath(names[i])));
    const TreePrint elsewhereBefore = fingerprint(raw(elsewhere.path()));
    const TreePrint outputBefore = fingerprint(raw(output.path()));

    const QList<CopyItem> items = allOf({ tree.filePath(QStringLiteral("hz_a.jpg")),
        tree.filePath(QStringLiteral("hz_b.png")), tree.filePath(QStringLiteral("sub/hz_c.bmp")) });
    const CopyRunResult run = copyItems(items, output.path(), {});

    EXPECT_EQ(differences(elsewhereBefore, fingerprint(raw(elsewhere.path()))), QStringList());
    ASSERT_EQ(run.results.size(), 3);
    for (qsizetype i = 0; i < items.size(); ++i) {
        const CopyResult &result = run.results[i];
        EXPECT_EQ(result.status, CopyStatus::Copied) << qPrintable(result.error);
        EXPECT_EQ(QFileInfo(result.destination).fileName(),
            QFileInfo(names[i]).completeBaseName() + QStringLiteral(" (2).")
                + QFileInfo(names[i]).suffix());
        EXPECT_EQ(readFile(result.destination), readFile(items[i].path));
    }
    const QStringList changes = differences(outputBefore, fingerprint(raw(output.path())));
    EXPECT_EQ(changes.size(), 3) << qPrintable(changes.join(u'\n'));
    for (const QString &line : changes)
        EXPECT_TRUE(line.startsWith(u"added: ")) << qPrintable(line);
    EXPECT_EQ(differences(before, fingerprint(raw(tree.path()))), QStringList());
}

// A source that turns into a FIFO (swapped back and forth while copies run) is refused at once
// instead of waiting for a writer that never comes; every copy that went ahead is whole.
TEST_F(UserFilesTest, SourceSwappedForAFifoNeverBlocks)
{
    const QString source = tree.filePath(QStringLiteral("swap/hz_swap.jpg"));
    const QByteArray bytes = smallPicture("JPG", 9);
    put(QStringLiteral("swap/hz_swap.jpg"), bytes);
    const QByteArray spare = raw(tree.filePath(QStringLiteral("swap/spare")));
    ASSERT_EQ(::mkfifo(spare.constData(), 0600), 0);
    QTemporaryDir output;

    std::atomic<bool> stop { false };
    std::thread swapper([&] {
        const QByteArray path = raw(source);
        while (!stop.load())
            ::renameat2(AT_FDCWD, path.constData(), AT_FDCWD, spare.constData(), RENAME_EXCHANGE);
    });
    HangWatchdog watchdog(std::chrono::seconds(20));
    const FileCopier copier;
    int copies = 0;
    int refused = 0;
    // Until both outcomes were seen often (the swapper may be descheduled for a while).
    for (int i = 0; i < 3000 && (copies < 30 || refused < 30); ++i) {
        watchdog.step(QStringLiteral("copy %1 of a source swapped for a FIFO").arg(i));
        const CopyResult result = copier.copy(source, output.path());
        if (result.status == CopyStatus::Copied || result.status == CopyStatus::Replaced) {
            ++copies;
            EXPECT_EQ(readFile(result.destination), bytes);
        } else {
            ++refused;
            EXPECT_EQ(result.status, CopyStatus::SourceMissing) << qPrintable(result.error);
        }
    }
    stop.store(true);
    swapper.join();
    const QStringList left
        = QDir(output.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_EQ(left, copies > 0 ? QStringList { QStringLiteral("hz_swap.jpg") } : QStringList());
}

// The command line copying onto a full disk: nothing is copied, so the run ends with status 1
// and says why; the output folder stays empty.
TEST_F(UserFilesTest, CommandLineCopyThatFailsExitsOne)
{
    SmallDisk disk(1 << 20);
    if (!disk.isMounted())
        GTEST_SKIP() << "a private tmpfs needs root";
    const QString output = disk.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(output));
    ASSERT_TRUE(disk.fillUntil(0));
    TempAppFolder app(TempAppFolder::Ranker::With);
    const Settings saved(app.filePath(QStringLiteral("user.ini")));

    const CommandLineOutcome outcome = runCommandLineCaptured(
        { QStringLiteral("--search"), QStringLiteral("hz_"), QStringLiteral("--location"),
            tree.path(), QStringLiteral("--copy-to"), output },
        app.paths(), saved);
    EXPECT_EQ(outcome.status, 1) << qPrintable(outcome.err);
    EXPECT_TRUE(outcome.err.contains(u"no space", Qt::CaseInsensitive)) << qPrintable(outcome.err);
    EXPECT_TRUE(outcome.err.contains(u"failed 3 (no space left: 3)")) << qPrintable(outcome.err);
    EXPECT_TRUE(fingerprint(raw(output)).empty());
    EXPECT_EQ(differences(before, fingerprint(raw(tree.path()))), QStringList());
}

// Copies into the program's own working folder would be deleted by the clean-up at the end of
// the run: the command line refuses them, under any spelling, before it starts.
TEST_F(UserFilesTest, CommandLineRefusesCopiesIntoItsWorkingFolder)
{
    TempAppFolder app(TempAppFolder::Ranker::With);
    const Settings saved(app.filePath(QStringLiteral("user.ini")));
    QTemporaryDir links;
    const QString linkToWork = links.filePath(QStringLiteral("work"));
    ASSERT_TRUE(QFile::link(app.paths().workFolder(), linkToWork));
    const TreePrint appBefore = fingerprint(raw(app.path()));

    for (const QString &folder : { app.paths().resultsFolder(), app.paths().workFolder(),
             app.paths().workFolder() + QStringLiteral("//"),
             app.path() + QStringLiteral("/./LIS/SR/../SR/"),
             app.paths().resultsFolder() + QStringLiteral("/.."), linkToWork,
             linkToWork + QStringLiteral("/SR") }) {
        SCOPED_TRACE(folder.toStdString());
        const CommandLineOutcome outcome = runCommandLineCaptured(
            { QStringLiteral("--search"), QStringLiteral("hz_"), QStringLiteral("--location"),
                tree.path(), QStringLiteral("--copy-to"), folder },
            app.paths(), saved);
        EXPECT_EQ(outcome.status, 2) << qPrintable(outcome.err);
        EXPECT_TRUE(outcome.err.contains(u"working folder")) << qPrintable(outcome.err);
        EXPECT_TRUE(outcome.out.isEmpty());
        EXPECT_EQ(differences(appBefore, fingerprint(raw(app.path()))), QStringList());
    }
    EXPECT_EQ(differences(before, fingerprint(raw(tree.path()))), QStringList());
}
