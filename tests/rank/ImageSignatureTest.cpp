#include "rank/ImageSignature.h"

#include "rank/WorkingBitmap.h"
#include "tests/support/ExifWriter.h"
#include "tests/support/ImageEdits.h"
#include "tests/support/TempAppFolder.h"
#include "tests/support/TestImages.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTransform>
#include <bit>
#include <gtest/gtest.h>

using namespace lis;
using namespace lis::test;

namespace {

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

// The signature is made from the working bitmap, which is upright: a photo stored on its side
// with an EXIF orientation looks like the same photo stored upright, and its capture time is read
// from the same header.
TEST(ImageSignature, ComesFromTheUprightWorkingBitmapWithTheCaptureTime)
{
    TempAppFolder app;
    const QImage scene = makeScene(800, 600, 3);
    const QString upright = app.filePath(QStringLiteral("upright.jpg"));
    const QString turned = app.filePath(QStringLiteral("turned.jpg"));
    const QString other = app.filePath(QStringLiteral("other.jpg"));
    ASSERT_TRUE(writeBytes(upright, jpegBytes(scene)));
    // Stored a quarter turn anticlockwise; orientation 6 asks for a clockwise turn to show it.
    const QImage onItsSide = scene.transformed(QTransform().rotate(-90));
    ASSERT_TRUE(
        writeBytes(turned, withExif(jpegBytes(onItsSide), { 6, "2020:05:04 03:02:01", "75" })));
    ASSERT_TRUE(writeBytes(other, jpegBytes(makeScene(800, 600, 3).mirrored(true, false))));

    const PreparedBitmap a = prepareBitmap(upright);
    const PreparedBitmap b = prepareBitmap(turned);
    const PreparedBitmap c = prepareBitmap(other);
    ASSERT_TRUE(a.signature && b.signature && c.signature);
    EXPECT_EQ(b.size, a.size);
    EXPECT_LE(hashDistance(a.signature->hash, b.signature->hash), 2);
    EXPECT_LT(layoutDistance(*a.signature, *b.signature), 2.0);
    EXPECT_GT(hashDistance(a.signature->hash, c.signature->hash), 16);
    EXPECT_EQ(a.captureTime, std::nullopt);
    EXPECT_EQ(b.captureTime, 1588561321750);
    // What the ranking pass keeps is the working bitmap's own signature.
    EXPECT_EQ(a.signature, signatureOf(QImage::fromData(a.bitmap)));
}

TEST(ImageSignature, HashHasHalfItsBitsSetAndTinyPicturesWork)
{
    const std::optional<ImageSignature> large = signatureOf(makeScene(500, 375, 2));
    ASSERT_TRUE(large);
    EXPECT_EQ(large->hash & 1, 0u); // the DC term's bit
    // The median splits the 63 other terms.
    EXPECT_NEAR(std::popcount(large->hash), 31, 1);
    const std::optional<ImageSignature> tiny = signatureOf(makeScene(5, 3, 2));
    ASSERT_TRUE(tiny);
    EXPECT_EQ(signatureOf(QImage()), std::nullopt);
    // A flat picture: every layout cell the same colour, every chroma term neutral.
    QImage grey(64, 64, QImage::Format_RGB32);
    grey.fill(qRgb(100, 100, 100));
    const std::optional<ImageSignature> flat = signatureOf(grey);
    ASSERT_TRUE(flat);
    for (int cell = 0; cell < ImageSignature::kLayoutCells; ++cell) {
        EXPECT_EQ(flat->layout[size_t(cell * 3)], 100);
        EXPECT_EQ(flat->layout[size_t(cell * 3 + 1)], 128);
        EXPECT_EQ(flat->layout[size_t(cell * 3 + 2)], 128);
    }
}
