#include "core/UserFile.h"

#include "core/FileNames.h"
#include "core/TreeRemoval.h"
#include "tests/support/TempAppFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <climits>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lis {
namespace {

using test::writeFile;

TEST(UserFileTest, OnlyRegularFilesOpenAndNothingBlocks)
{
    QTemporaryDir dir;
    const QString photo = dir.filePath(QStringLiteral("a.jpg"));
    ASSERT_TRUE(writeFile(photo, "JPEGDATA"));
    const QString fifo = dir.filePath(QStringLiteral("fifo.jpg"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString link = dir.filePath(QStringLiteral("link.jpg"));
    ASSERT_TRUE(QFile::link(photo, link));
    const QString dangling = dir.filePath(QStringLiteral("dangling.jpg"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("gone")), dangling));

    const UserFile file = UserFile::open(photo);
    ASSERT_TRUE(file.isOpen());
    EXPECT_EQ(file.size(), 8);
    EXPECT_EQ(file.readAll(1024), QByteArray("JPEGDATA"));
    EXPECT_EQ(file.readAll(7), std::nullopt) << "larger than the limit";
    EXPECT_EQ(file.read(4, 100), QByteArray("DATA"));
    const auto device = file.device();
    ASSERT_TRUE(device);
    EXPECT_EQ(device->readAll(), QByteArray("JPEGDATA"));

    EXPECT_EQ(UserFile::open(link).readAll(1024), QByteArray("JPEGDATA"));
    EXPECT_EQ(UserFile::open(fifo).status(), UserFile::Status::NotRegular);
    EXPECT_EQ(UserFile::open(dir.path()).status(), UserFile::Status::NotRegular);
    EXPECT_EQ(UserFile::open(dangling).status(), UserFile::Status::Missing);
    EXPECT_EQ(
        UserFile::open(dir.filePath(QStringLiteral("none"))).status(), UserFile::Status::Missing);
}

TEST(UserFileTest, AFileThatChangedSizeSinceItWasOpenedIsNotReadWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("grow.png"));
    ASSERT_TRUE(writeFile(path, "12345"));
    const UserFile file = UserFile::open(path);
    ASSERT_TRUE(file.isOpen());
    QFile more(path);
    ASSERT_TRUE(more.open(QIODevice::Append));
    more.write("678");
    more.close();
    EXPECT_EQ(file.readAll(1024), std::nullopt);
}

TEST(UserFileTest, NamesThatAreNotUtf8AndPathsPastTheLimitOpen)
{
    QTemporaryDir dir;
    const QByteArray base = QFile::encodeName(dir.path());
    const QByteArray rawName = base + "/caf\xE9.jpg";
    {
        const int fd = ::open(rawName.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "raw", 3), 3);
        ::close(fd);
    }
    EXPECT_EQ(UserFile::open(pathFromBytes(rawName)).readAll(100), QByteArray("raw"));

    // A chain of folders whose full path is longer than the system accepts in one call, made
    // one level at a time relative to the level above.
    QByteArray deep = base;
    const QByteArray component(200, 'd');
    UniqueFd level(::open(base.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    while (deep.size() < PATH_MAX + 300) {
        ASSERT_EQ(::mkdirat(level.get(), component.constData(), 0700), 0);
        level = UniqueFd(::openat(level.get(), component.constData(), O_PATH | O_DIRECTORY));
        ASSERT_TRUE(level.isValid());
        deep += '/' + component;
    }
    const QString longFile = pathFromBytes(deep) + QStringLiteral("/far.jpg");
    {
        UniqueFd out = openPath(longFile, O_WRONLY | O_CREAT | O_EXCL, 0600);
        ASSERT_TRUE(out.isValid());
        ASSERT_EQ(::write(out.get(), "deep", 4), 4);
    }
    EXPECT_EQ(UserFile::open(longFile).readAll(100), QByteArray("deep"));
    const auto info = statPath(longFile, false);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->st_size, 4);
    EXPECT_TRUE(removeTree(pathFromBytes(base + '/' + component)));
}

} // namespace
} // namespace lis
