#include "rank/ImageDecode.h"

#include "tests/rank/RankTestSupport.h"
#include "tests/support/TestImages.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <gtest/gtest.h>

using namespace lis;

namespace {

QByteArray encode(const QImage &image, const char *format, int quality = 95)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

// A JPEG with an EXIF block naming the given orientation, inserted right after SOI.
QByteArray withExifOrientation(const QByteArray &jpeg, quint16 orientation)
{
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    tiff += QByteArray("\x01\0", 2); // one entry
    tiff += QByteArray("\x12\x01\x03\0\x01\0\0\0", 8); // Orientation, SHORT, count 1
    tiff += char(orientation & 0xFF);
    tiff += char(orientation >> 8);
    tiff += QByteArray("\0\0\0\0\0\0", 6); // value padding, no next IFD
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const int length = int(payload.size()) + 2;
    QByteArray segment("\xFF\xE1", 2);
    segment += char(length >> 8);
    segment += char(length & 0xFF);
    return jpeg.left(2) + segment + payload + jpeg.mid(2);
}

// How far a picture strays from flat mid-grey: near 0 for a clean average of a fine pattern.
double meanDeviationFromGrey(const QImage &image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += std::abs(qGray(image.pixel(x, y)) - 127.5);
    return sum / (double(image.width()) * image.height());
}

QImage checkerboard(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return image;
}

} // namespace

TEST(ImageDecode, FitIntoKeepsAspectAndRounds)
{
    EXPECT_EQ(fitInto({ 640, 480 }, 500), QSize(500, 375));
    EXPECT_EQ(fitInto({ 2000, 1500 }, 500), QSize(500, 375));
    EXPECT_EQ(fitInto({ 600, 1200 }, 500), QSize(250, 500));
    EXPECT_EQ(fitInto({ 501, 100 }, 500), QSize(500, 100));
    EXPECT_EQ(fitInto({ 100000, 1 }, 500), QSize(500, 1)); // never a zero-height picture
}

TEST(ImageDecode, Bmp24RoundTripsThroughQt)
{
    const QImage scene = test::makeScene(37, 23); // odd width: rows need padding
    const QByteArray bmp = encodeBmp24(scene);
    QImage back;
    ASSERT_TRUE(back.loadFromData(bmp, "BMP"));
    EXPECT_EQ(back.size(), scene.size());
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), scene);
}

// A one-pixel checkerboard averages to grey; a point-sampling downscale would keep it black,
// white or striped.
TEST(ImageDecode, DownscaleAveragesAreasWithoutAliasing)
{
    const QImage board = checkerboard(2000, 1000);
    for (const char *format : { "PNG", "JPG" }) {
        SCOPED_TRACE(format);
        const DecodedImage decoded = decodeFitted(encode(board, format, 100), 500);
        ASSERT_EQ(decoded.problem, ImageProblem::None);
        EXPECT_EQ(decoded.image.size(), QSize(500, 250));
        EXPECT_LT(meanDeviationFromGrey(decoded.image), 12.0);
    }
}

TEST(ImageDecode, ExifOrientationMakesPhotosUpright)
{
    // Stored sideways: left half red, right half blue. Orientation 6 turns it clockwise, so
    // red ends up on top and the upright width (600) decides the fitting.
    QImage stored(800, 600, QImage::Format_RGB32);
    stored.fill(Qt::blue);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 400; ++x)
            stored.setPixel(x, y, qRgb(255, 0, 0));
    const QByteArray jpeg = withExifOrientation(encode(stored, "JPG"), 6);
    const DecodedImage decoded = decodeFitted(jpeg, 500);
    ASSERT_EQ(decoded.problem, ImageProblem::None);
    EXPECT_EQ(decoded.image.size(), QSize(375, 500));
    EXPECT_GT(qRed(decoded.image.pixel(187, 50)), 200);
    EXPECT_GT(qBlue(decoded.image.pixel(187, 450)), 200);

    // Stored 450 wide, but 600 wide once turned (orientation 8): the upright width decides.
    const QByteArray narrowStored
        = withExifOrientation(encode(test::makeScene(450, 600), "JPG"), 8);
    const DecodedImage turned = decodeFitted(narrowStored, 500);
    ASSERT_EQ(turned.problem, ImageProblem::None);
    EXPECT_EQ(turned.image.size(), QSize(500, 375));
}

TEST(ImageDecode, DamagedAndForeignDataIsRefused)
{
    const QByteArray jpeg = encode(test::makeScene(1200, 900), "JPG", 90);
    struct Case
    {
        const char *name;
        QByteArray data;
        ImageProblem expected;
    };
    QByteArray scrambled = jpeg;
    for (qsizetype i = scrambled.size() / 3; i < scrambled.size() / 3 + 400; ++i)
        scrambled[i] = char(0xA5);
    const Case cases[] = {
        { "truncated JPEG", jpeg.left(jpeg.size() / 2), ImageProblem::Damaged },
        { "JPEG with overwritten scan data", scrambled, ImageProblem::Damaged },
        { "JPEG header only", jpeg.left(20), ImageProblem::Damaged },
        { "empty", QByteArray(), ImageProblem::Damaged },
        { "garbage", QByteArray(5000, 'x'), ImageProblem::Unsupported },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const DecodedImage decoded = decodeFitted(c.data, 500);
        EXPECT_EQ(decoded.problem, c.expected);
        EXPECT_TRUE(decoded.image.isNull());
    }
    // The intact stream decodes, at the reduced size.
    EXPECT_EQ(decodeFitted(jpeg, 500).image.size(), QSize(500, 375));
}

TEST(ImageDecode, AbsurdDimensionsAreRefusedBeforeDecoding)
{
    // Headers claiming 100000 x 100000 pixels, with no pixel data behind them.
    EXPECT_EQ(
        decodeFitted(test::pngHeaderClaiming(100000, 100000), 500).problem, ImageProblem::TooLarge);
    QByteArray bmp = encodeBmp24(QImage(2, 2, QImage::Format_RGB32));
    const qint32 huge = 100000;
    std::memcpy(bmp.data() + 18, &huge, 4);
    std::memcpy(bmp.data() + 22, &huge, 4);
    const ImageProblem bmpProblem = decodeFitted(bmp, 500).problem;
    EXPECT_TRUE(bmpProblem == ImageProblem::TooLarge || bmpProblem == ImageProblem::Damaged);
}
