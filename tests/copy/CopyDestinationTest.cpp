#include "copy/CopyDestination.h"

#include "copy/CopyRun.h"
#include "core/FileNames.h"
#include "core/TreeRemoval.h"
#include "core/UserFile.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempAppFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

using namespace lis;
using lis::test::readFile;
using lis::test::SmallDisk;
using lis::test::writeFile;

namespace {

class CopyDestinationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir().mkpath(at(QStringLiteral("out"))));
        ASSERT_TRUE(QDir().mkpath(work()));
        ASSERT_TRUE(writeFile(at(QStringLiteral("photo.jpg")), "a file, not a folder"));
    }
    // QTemporaryDir cannot name folders that are not UTF-8 to remove them.
    void TearDown() override { removeTree(dir.path()); }
    QString at(const QString &relative) const { return dir.filePath(relative); }
    QString work() const { return at(QStringLiteral("app/LIS")); }

    QTemporaryDir dir;
};

struct Case
{
    QString folder;
    OutputFolderProblem problem;
    bool missing;
    QString at; // the entry that decides, for the message
};

void expectCases(const std::vector<Case> &cases, const QString &work)
{
    for (const Case &c : cases) {
        SCOPED_TRACE(displayPath(c.folder).toStdString());
        const OutputFolderCheck check = checkOutputFolder(c.folder, work);
        EXPECT_EQ(check.problem, c.problem);
        EXPECT_EQ(check.missing, c.missing);
        EXPECT_EQ(check.at, c.at);
        EXPECT_FALSE(statPath(c.folder, true) && c.missing) << "the check made the folder";
    }
}

// A folder that is not there yet is fine when it can be made; what can never take copies is
// refused with the entry that stands in the way.
TEST_F(CopyDestinationTest, FolderToBeMadeOrRefusedWithTheReason)
{
    const QString out = at(QStringLiteral("out"));
    const QString photo = at(QStringLiteral("photo.jpg"));
    const QString nowhere = at(QStringLiteral("link-to-nowhere"));
    ASSERT_TRUE(QFile::link(at(QStringLiteral("gone")), nowhere));
    const QString raw = pathFromBytes(pathToBytes(out) + "/d\xe9j\xe0/vu");
    expectCases(
        {
            { out, OutputFolderProblem::None, false, out },
            { out + QStringLiteral("//"), OutputFolderProblem::None, false, out },
            { out + QStringLiteral("/a/b/c"), OutputFolderProblem::None, true, out },
            { raw, OutputFolderProblem::None, true, out },
            { photo, OutputFolderProblem::NotAFolder, false, photo },
            { photo + QStringLiteral("/sub/deeper"), OutputFolderProblem::PassesThroughFile, false,
                photo },
            { nowhere + QStringLiteral("/sub"), OutputFolderProblem::PassesThroughFile, false,
                nowhere },
            { work() + QStringLiteral("/SR/new"), OutputFolderProblem::InsideWorkFolder, true,
                work() },
        },
        work());

    SmallDisk disk(1 << 20);
    if (!disk.isMounted())
        GTEST_SKIP() << "a private tmpfs needs root";
    const QString kept = disk.filePath(QStringLiteral("kept"));
    ASSERT_TRUE(QDir().mkpath(kept));
    ASSERT_EQ(::mount(nullptr, pathToBytes(disk.path()).constData(), nullptr,
                  MS_REMOUNT | MS_RDONLY, nullptr),
        0);
    expectCases(
        {
            { kept, OutputFolderProblem::NotWritable, false, kept },
            { kept + QStringLiteral("/new/deeper"), OutputFolderProblem::CannotBeCreated, true,
                kept },
            { disk.filePath(QStringLiteral("new")), OutputFolderProblem::CannotBeCreated, true,
                disk.path() },
        },
        work());
}

// The copy makes every missing level just before its first copy, under names of any bytes; a
// run that copies nothing makes nothing, and a folder that cannot be made fails each item.
TEST_F(CopyDestinationTest, CopyMakesTheMissingFolderBeforeTheFirstCopy)
{
    const QString source = at(QStringLiteral("photo.jpg"));
    const QString folder
        = pathFromBytes(pathToBytes(at(QStringLiteral("out"))) + "/d\xe9j\xe0/vu/2024");
    ASSERT_EQ(checkOutputFolder(folder, work()).problem, OutputFolderProblem::None);
    CopyPolicy policy { ExistingFiles::Keep, true };

    CopyRunResult run = copyItems({ { source, false } }, folder, {}, {}, policy);
    EXPECT_EQ(run.count(CopyStatus::NotSelected), 1);
    EXPECT_FALSE(
        statPath(pathFromBytes(pathToBytes(at(QStringLiteral("out"))) + "/d\xe9j\xe0"), false));

    run = copyItems({ { source, true } }, folder, {}, {}, policy);
    ASSERT_EQ(run.results.size(), 1);
    EXPECT_EQ(run.results[0].status, CopyStatus::Copied) << qPrintable(run.results[0].error);
    EXPECT_EQ(pathToBytes(run.results[0].destination),
        pathToBytes(at(QStringLiteral("out"))) + "/d\xe9j\xe0/vu/2024/photo.jpg");
    EXPECT_EQ(run.failures(), 0);

    // Something came in the way after the check: each chosen item says so, nothing is made.
    const QString blocked = at(QStringLiteral("out/later/new"));
    ASSERT_EQ(checkOutputFolder(blocked, work()).problem, OutputFolderProblem::None);
    ASSERT_TRUE(writeFile(at(QStringLiteral("out/later")), "a file"));
    run = copyItems({ { source, true }, { source, true } }, blocked, {}, {}, policy);
    ASSERT_EQ(run.results.size(), 2);
    for (const CopyResult &result : run.results) {
        EXPECT_EQ(result.status, CopyStatus::Failed);
        EXPECT_EQ(result.problem, CopyProblem::NoFolder);
    }
    EXPECT_EQ(readFile(at(QStringLiteral("out/later"))), QByteArray("a file"));
}

} // namespace
