#include "report/Picture.h"

#include "tests/support/TempAppFolder.h"
#include "tests/support/TestImages.h"

#include <QDirIterator>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace lis;
using lis::test::saveImage;

namespace {

struct FitCase
{
    QSize image;
    QSize box;
    QRect drawn;
};

class FitArithmetic : public ::testing::TestWithParam<FitCase>
{
};

QImage solid(QSize size, QColor colour, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(size, format);
    image.fill(colour);
    return image;
}

} // namespace

TEST_P(FitArithmetic, DrawnRectangle)
{
    const FitCase &c = GetParam();
    EXPECT_EQ(fittedRect(c.image, c.box), c.drawn);
}

INSTANTIATE_TEST_SUITE_P(Picture, FitArithmetic,
    ::testing::Values(FitCase { { 400, 300 }, { 161, 89 }, { 21, 0, 119, 89 } },
        FitCase { { 300, 400 }, { 161, 89 }, { 47, 0, 67, 89 } },
        // 36.5 goes to the even 36.
        FitCase { { 1000, 100 }, { 161, 89 }, { 0, 36, 161, 16 } },
        FitCase { { 161, 89 }, { 161, 89 }, { 0, 0, 161, 89 } },
        FitCase { { 322, 178 }, { 161, 89 }, { 0, 0, 161, 89 } },
        // 8.9 rounds to 9; (161 - 9) / 2 = 76.
        FitCase { { 100, 1000 }, { 161, 89 }, { 76, 0, 9, 89 } },
        // A one-pixel image grows to fill the box's height.
        FitCase { { 1, 1 }, { 161, 89 }, { 36, 0, 89, 89 } },
        FitCase { { 0, 300 }, { 161, 89 }, {} }, FitCase { { 400, 300 }, { 0, 89 }, {} }));

TEST(Picture, FittedResizeCentresAndLeavesWhiteBands)
{
    const QImage picture
        = ResizePicture(solid({ 400, 300 }, Qt::red), { 161, 89 }, Qt::white, true);
    ASSERT_EQ(picture.size(), QSize(161, 89));
    // Drawn 119 by 89 at (21, 0): columns 0-20 and 140-160 stay white.
    EXPECT_EQ(picture.pixel(20, 44), qRgb(255, 255, 255));
    EXPECT_EQ(picture.pixel(21, 44), qRgb(255, 0, 0));
    EXPECT_EQ(picture.pixel(139, 0), qRgb(255, 0, 0));
    EXPECT_EQ(picture.pixel(140, 88), qRgb(255, 255, 255));

    const QImage wide = ResizePicture(solid({ 1000, 100 }, Qt::blue), { 161, 89 }, Qt::white, true);
    EXPECT_EQ(wide.pixel(80, 35), qRgb(255, 255, 255));
    EXPECT_EQ(wide.pixel(80, 36), qRgb(0, 0, 255));
    EXPECT_EQ(wide.pixel(80, 51), qRgb(0, 0, 255));
    EXPECT_EQ(wide.pixel(80, 52), qRgb(255, 255, 255));
}

TEST(Picture, UnfittedResizeStretchesOverTheWholeCanvas)
{
    const QImage picture
        = ResizePicture(solid({ 400, 300 }, Qt::green), { 161, 89 }, Qt::white, false);
    ASSERT_EQ(picture.size(), QSize(161, 89));
    EXPECT_EQ(picture.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(picture.pixel(160, 88), qRgb(0, 255, 0));
}

TEST(Picture, ResizingNoPictureGivesNoPicture)
{
    EXPECT_TRUE(ResizePicture(QImage(), { 161, 89 }, Qt::white, true).isNull());
    EXPECT_TRUE(ResizePicture(solid({ 4, 4 }, Qt::red), { 0, 89 }, Qt::white, true).isNull());
}

TEST(Picture, LoadsAtOwnSizeWithWhiteBehindTransparency)
{
    QTemporaryDir dir;
    QImage image = solid({ 400, 300 }, Qt::transparent, QImage::Format_ARGB32);
    QPainter(&image).fillRect(0, 0, 200, 300, Qt::red);
    for (const char *format : { "PNG", "TIFF" }) {
        const QString path = dir.filePath(QStringLiteral("t.") + QString::fromLatin1(format));
        ASSERT_TRUE(saveImage(image, path, format)) << format;
        const LoadedPicture loaded = LoadPictureFile(path);
        ASSERT_FALSE(loaded.isNull()) << format;
        EXPECT_EQ(loaded.size, QSize(400, 300)) << format;
        EXPECT_EQ(loaded.picture.size(), QSize(400, 300)) << format;
        EXPECT_FALSE(loaded.picture.hasAlphaChannel()) << format;
        EXPECT_EQ(loaded.picture.pixel(100, 150), qRgb(255, 0, 0)) << format;
        EXPECT_EQ(loaded.picture.pixel(300, 150), qRgb(255, 255, 255)) << format;
    }
}

TEST(Picture, GifTransparentIndexShowsWhite)
{
    // A 2 by 1 GIF: red, then the transparent palette index.
    static const unsigned char gif[]
        = { 'G', 'I', 'F', '8', '9', 'a', 2, 0, 1, 0, 0x80, 0, 0, // screen, 2-entry palette
              0xFF, 0, 0, 0, 0, 0, // red, black
              0x21, 0xF9, 4, 1, 0, 0, 1, 0, // index 1 is transparent
              0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0, // image descriptor
              2, 2, 0x44, 0x05, 0, // LZW: clear, 0, 1, end
              0x3B };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.gif"));
    ASSERT_TRUE(
        lis::test::writeFile(path, QByteArray(reinterpret_cast<const char *>(gif), sizeof gif)));
    const LoadedPicture loaded = LoadPictureFile(path);
    ASSERT_FALSE(loaded.isNull());
    EXPECT_EQ(loaded.size, QSize(2, 1));
    EXPECT_EQ(loaded.picture.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(loaded.picture.pixel(1, 0), qRgb(255, 255, 255));
}

TEST(Picture, FilesThatCannotBeDecodedGiveNoPicture)
{
    QTemporaryDir dir;
    const QString garbage = dir.filePath(QStringLiteral("garbage.jpg"));
    ASSERT_TRUE(lis::test::writeFile(garbage, QByteArray("not an image at all", 19)));
    const QString empty = dir.filePath(QStringLiteral("empty.png"));
    ASSERT_TRUE(lis::test::writeFile(empty, {}));
    const QString fifo = dir.filePath(QStringLiteral("pipe.png"));
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);

    for (const QString &path : { QString(), dir.filePath(QStringLiteral("missing.png")), garbage,
             empty, dir.path(), fifo }) {
        const LoadedPicture loaded = LoadPictureFile(path);
        EXPECT_TRUE(loaded.isNull()) << path.toStdString();
        EXPECT_FALSE(loaded.size.isValid()) << path.toStdString();
    }
}

// Every public sample, good or deliberately broken, loads or is refused cleanly; a loaded
// picture is opaque and as large as the size reported with it (or reduced when huge).
TEST(Picture, PublicSamplesLoadOrAreRefusedCleanly)
{
    const QString data = lis::test::sharedTestData();
    LIS_NEED_SHARED_DATA(!data.isEmpty(), "testdata");
    int loadedCount = 0;
    QDirIterator it(data + QStringLiteral("/images"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const LoadedPicture loaded = LoadPictureFile(path);
        if (loaded.isNull())
            continue;
        ++loadedCount;
        EXPECT_FALSE(loaded.picture.hasAlphaChannel()) << path.toStdString();
        EXPECT_TRUE(loaded.size.isValid()) << path.toStdString();
        EXPECT_LE(qint64(loaded.picture.width()) * loaded.picture.height(), maxDecodedPixels);
    }
    EXPECT_GT(loadedCount, 100);
}
