#include "core/TreeRemoval.h"

#include "core/UserFile.h"
#include "tests/support/TempAppFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>

namespace lis {
namespace {

using test::writeFile;

TEST(TreeRemovalTest, EmptiesAFolderWithoutFollowingAnyLinkOut)
{
    QTemporaryDir dir;
    const QString outside = dir.filePath(QStringLiteral("outside"));
    ASSERT_TRUE(writeFile(outside + QStringLiteral("/keep/deep.jpg"), "keep"));
    ASSERT_TRUE(writeFile(outside + QStringLiteral("/file.jpg"), "keep"));
    const QString folder = dir.filePath(QStringLiteral("SR"));
    ASSERT_TRUE(writeFile(folder + QStringLiteral("/a.jpg"), "copy"));
    ASSERT_TRUE(writeFile(folder + QStringLiteral("/sub/locked/b.jpg"), "copy"));
    ASSERT_TRUE(QFile::link(outside, folder + QStringLiteral("/to-folder")));
    ASSERT_TRUE(
        QFile::link(outside + QStringLiteral("/file.jpg"), folder + QStringLiteral("/to-file")));
    ASSERT_TRUE(QFile::link(outside, folder + QStringLiteral("/sub/to-folder")));
    QFile::setPermissions(folder + QStringLiteral("/a.jpg"), QFileDevice::ReadOwner);
    QFile::setPermissions(
        folder + QStringLiteral("/sub/locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);

    const UniqueFd fd = openPath(folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    ASSERT_TRUE(fd.isValid());
    EXPECT_TRUE(removeFolderContents(fd.get()));
    EXPECT_TRUE(QDir(folder).isEmpty(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    EXPECT_EQ(test::readFile(outside + QStringLiteral("/keep/deep.jpg")), "keep");
    EXPECT_EQ(test::readFile(outside + QStringLiteral("/file.jpg")), "keep");

    // The folder itself given as a link: the link goes, what it points at stays.
    const QString linkedFolder = dir.filePath(QStringLiteral("linked"));
    ASSERT_TRUE(QFile::link(outside, linkedFolder));
    EXPECT_TRUE(removeTree(linkedFolder));
    EXPECT_FALSE(QFileInfo(linkedFolder).isSymLink());
    EXPECT_EQ(test::readFile(outside + QStringLiteral("/keep/deep.jpg")), "keep");

    EXPECT_TRUE(removeTree(folder));
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_TRUE(removeTree(folder)) << "a tree that is not there counts as removed";
}

} // namespace
} // namespace lis
