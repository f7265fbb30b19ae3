#include "rank/ImageDecode.h"

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

// A BMP has no transparency: see-through parts become white, not the hidden colour values.
TEST(ImageDecode, TransparencyIsShownOverWhite)
{
    QImage image(40, 20, QImage::Format_ARGB32);
    image.fill(qRgba(0, 0, 0, 0));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            image.setPixel(x, y, qRgba(200, 0, 0, 255));
    const DecodedImage decoded = decodeFitted(encode(image, "PNG"), 500);
    ASSERT_EQ(decoded.problem, ImageProblem::None);
    EXPECT_EQ(decoded.image.pixel(5, 5), qRgb(200, 0, 0));
    EXPECT_EQ(decoded.image.pixel(35, 5), qRgb(255, 255, 255));
}

// A JPEG and its decoded pixels saved losslessly make the same working picture, or all but: the
// ranking must not tell a photo from its PNG re-save. A reduced decode that does most of the
// reducing itself comes out sharper than the area average the other formats get.
TEST(ImageDecode, AJpegAndItsPixelsInAnotherFormatFitAlike)
{
    for (const QSize size : { QSize(1100, 800), QSize(2400, 1600) }) {
        SCOPED_TRACE(size.width());
        QImage detail(size, QImage::Format_RGB32);
        std::uint32_t state = 12345;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                state = state * 1664525u + 1013904223u;
                const int grain = int(state >> 26); // 0..63
                detail.setPixel(x, y,
                    qRgb((x / 7 % 2) * 150 + grain, (y / 5 % 2) * 150 + grain,
                        ((x + y) / 11 % 2) * 150 + grain));
            }
        }
        const QByteArray jpeg = encode(detail, "JPG", 90);
        QImage pixels;
        ASSERT_TRUE(pixels.loadFromData(jpeg, "JPG"));
        const DecodedImage fromJpeg = decodeFitted(jpeg, 500);
        const DecodedImage fromPng = decodeFitted(encode(pixels, "PNG"), 500);
        ASSERT_EQ(fromJpeg.problem, ImageProblem::None);
        ASSERT_EQ(fromPng.image.size(), fromJpeg.image.size());
        double difference = 0;
        for (int y = 0; y < fromPng.image.height(); ++y)
            for (int x = 0; x < fromPng.image.width(); ++x)
                difference += std::abs(
                    qGray(fromJpeg.image.pixel(x, y)) - qGray(fromPng.image.pixel(x, y)));
        // Grain at the pixel's own scale is the worst case: a mean of 9.6 grey levels apart when
        // the reduced decode did the reducing, 3 when it leaves twice the size, 0 for a full one.
        EXPECT_LT(difference / (500.0 * fromPng.image.height()), size.width() < 2000 ? 0.5 : 4.0);
    }
}
