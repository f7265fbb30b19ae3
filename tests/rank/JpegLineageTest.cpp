#include "rank/JpegLineage.h"

#include "rank/WorkingBitmap.h"
#include "tests/support/ImageEdits.h"
#include "tests/support/TempAppFolder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTransform>
#include <gtest/gtest.h>

using namespace lis;
using namespace lis::test;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray encoded(const QImage &image, const char *format, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

} // namespace

// Real photos as their camera-side JPEGs (coded once, at about quality 75), and copies of their
// decoded pixels coded again at finer or about the same steps, or turned; whatever cannot tell
// says so.
TEST(JpegLineage, TellsACopyCodedAgainFromTheCodedOnce)
{
    const QString folder = sharedTestData() + QStringLiteral("/iqa/biq2021-train-more/images");
    const QStringList photos
        = QDir(folder).entryList({ QStringLiteral("*.jpg") }, QDir::Files, QDir::Name).mid(0, 4);
    LIS_NEED_SHARED_DATA(photos.size() == 4, folder.toStdString());
    for (const QString &name : photos) {
        const QByteArray original = fileBytes(QDir(folder).filePath(name));
        const QImage pixels = QImage::fromData(original);
        ASSERT_FALSE(pixels.isNull()) << name.toStdString();
        QImage grey(pixels.size(), QImage::Format_RGB32);
        grey.fill(Qt::gray);
        const std::pair<const char *, std::pair<QByteArray, JpegLineage>> cases[] = {
            { "the photo", { original, JpegLineage::CodedOnce } },
            { "its first rows only",
                { original.left(original.size() / 3), JpegLineage::CodedOnce } },
            { "coded again at 90", { jpegBytes(pixels, 90), JpegLineage::Recoded } },
            { "coded again at 97", { jpegBytes(pixels, 97), JpegLineage::Recoded } },
            { "coded again at 80", { jpegBytes(pixels, 80), JpegLineage::Recoded } },
            { "turned and coded again",
                { jpegBytes(pixels.transformed(QTransform().rotate(90)), 92),
                    JpegLineage::Recoded } },
            { "a PNG of it", { encoded(pixels, "png"), JpegLineage::Unknown } },
            { "its headers alone", { original.left(600), JpegLineage::Unknown } },
            { "progressive", { encoded(pixels, "jpeg", true), JpegLineage::Unknown } },
            { "flat grey", { jpegBytes(grey, 90), JpegLineage::Unknown } },
            { "a 6 x 6 copy", { jpegBytes(pixels.scaled(6, 6), 95), JpegLineage::Unknown } },
        };
        for (const auto &[what, c] : cases)
            EXPECT_EQ(jpegLineage(c.first), c.second) << what << " of " << name.toStdString();
    }
    EXPECT_EQ(jpegLineage(QByteArray("\xFF\xD8\xFF\xC0 not a frame", 16)), JpegLineage::Unknown);
    EXPECT_EQ(jpegLineage(QByteArray()), JpegLineage::Unknown);
}

// The ranking pass reads the lineage of a JPEG source while it prepares its working bitmap.
TEST(JpegLineage, ComesWithTheWorkingBitmap)
{
    const QString folder = sharedTestData() + QStringLiteral("/iqa/biq2021-train-more/images");
    const QStringList photos
        = QDir(folder).entryList({ QStringLiteral("*.jpg") }, QDir::Files, QDir::Name).mid(0, 1);
    LIS_NEED_SHARED_DATA(!photos.isEmpty(), folder.toStdString());
    const QString photo = QDir(folder).filePath(photos.front());
    TempAppFolder app;
    const QString copy = app.filePath(QStringLiteral("copy.jpg"));
    QFile out(copy);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(jpegBytes(QImage(photo), 95));
    out.close();
    EXPECT_EQ(prepareBitmap(photo).lineage, JpegLineage::CodedOnce);
    EXPECT_EQ(prepareBitmap(copy).lineage, JpegLineage::Recoded);
}
