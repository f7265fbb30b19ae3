#include "report/Gallery.h"

#include "rank/ResultsCopies.h"
#include "tests/support/TempAppFolder.h"
#include "tests/support/TestImages.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lis;
using lis::test::saveImage;

namespace {

QImage solid(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Results under two folders, each with its copy in the results folder written as the run does.
class GalleryTest : public ::testing::Test
{
protected:
    void SetUp() override { copies.reset(dir.filePath(QStringLiteral("LIS/SR"))); }

    QString addResult(const QString &relativePath, QColor colour, QSize copySize = { 500, 375 })
    {
        const QString path = dir.filePath(relativePath);
        EXPECT_TRUE(saveImage(solid({ 40, 30 }, Qt::black), path, "PNG"));
        EXPECT_TRUE(saveImage(solid(copySize, colour), copies.assign(path), "PNG"));
        return path;
    }

    QTemporaryDir dir;
    ResultsCopies copies;
};

} // namespace

TEST(Gallery, ThumbnailBoxInPixels)
{
    EXPECT_EQ(thumbnailSize(), QSize(161, 89));
    EXPECT_EQ(twipsToPixels(2415), 161);
    EXPECT_EQ(twipsToPixels(1335), 89);
    EXPECT_EQ(twipsToPixels(1335, 10), 134); // 133.5 goes to the even 134
    EXPECT_EQ(twipsToPixels(1245, 10), 124);
}

// Two results with the same file name each show their own picture, found through the map.
TEST_F(GalleryTest, ThumbnailsComeFromEachResultsOwnCopy)
{
    const QString first = addResult(QStringLiteral("a/cat.png"), Qt::red);
    const QString second = addResult(QStringLiteral("b/cat.png"), Qt::blue);
    ASSERT_NE(copies.copyFor(first), copies.copyFor(second));

    const QImage one = loadThumbnail(copies, first);
    const QImage two = loadThumbnail(copies, second);
    ASSERT_EQ(one.size(), QSize(161, 89));
    ASSERT_EQ(two.size(), QSize(161, 89));
    // A 500 by 375 copy is drawn 119 by 89 at (21, 0), white beside it.
    EXPECT_EQ(one.pixel(80, 44), qRgb(255, 0, 0));
    EXPECT_EQ(two.pixel(80, 44), qRgb(0, 0, 255));
    EXPECT_EQ(one.pixel(20, 44), qRgb(255, 255, 255));
    EXPECT_EQ(one.pixel(21, 44), qRgb(255, 0, 0));
    EXPECT_EQ(one.pixel(140, 44), qRgb(255, 255, 255));
}

TEST_F(GalleryTest, NoCopyMeansAnEmptyBox)
{
    const QString kept = addResult(QStringLiteral("a/kept.png"), Qt::red);
    const QString deleted = addResult(QStringLiteral("a/deleted.png"), Qt::red);
    ASSERT_TRUE(QFile::remove(copies.copyFor(deleted)));
    EXPECT_FALSE(loadThumbnail(copies, kept).isNull());
    EXPECT_TRUE(loadThumbnail(copies, deleted).isNull());
    EXPECT_TRUE(loadThumbnail(copies, dir.filePath(QStringLiteral("never/ranked.png"))).isNull());
}

// Nothing loads: the clipboard keeps what it held and the window is not to be opened.
TEST_F(GalleryTest, PreviewLeavesTheClipboardAloneWhenNothingLoads)
{
    const QString resultGone = addResult(QStringLiteral("a/gone.png"), Qt::red);
    const QString copyGone = addResult(QStringLiteral("a/nocopy.png"), Qt::red);
    const QString fine = addResult(QStringLiteral("a/fine.png"), Qt::red);
    ASSERT_TRUE(QFile::remove(resultGone)); // its copy is still there
    ASSERT_TRUE(QFile::remove(copies.copyFor(copyGone)));
    const QStringList list1 { resultGone, copyGone, fine };

    QClipboard *clipboard = QGuiApplication::clipboard();
    const QImage sentinel = solid({ 3, 3 }, Qt::green);
    clipboard->setImage(sentinel);
    for (int position : { 1, 2, 0, 4, -1 }) {
        EXPECT_FALSE(putPreviewOnClipboard(list1, position, copies)) << position;
        EXPECT_EQ(clipboard->image().size(), sentinel.size()) << position;
    }
    EXPECT_TRUE(previewPicture(list1, 1, copies).isNull());
    EXPECT_FALSE(previewPicture(list1, 3, copies).isNull());
}
