// Nothing of the user's is ever changed: every source file keeps its bytes, size, mode and time
// through runs, cancelled runs and copies aimed at the user's own folders, and the program writes
// nowhere but its application folder and the chosen output folder.
#include "app/cli/CliRun.h"
#include "copy/CopyRun.h"
#include "tests/reliability/ReliabilitySupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

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
