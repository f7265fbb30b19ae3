#include "report/ReportModel.h"

#include "app/run/Startup.h"
#include "report/FormatSize.h"
#include "report/Picture.h"
#include "store/ResultStore.h"
#include "tests/support/TempAppFolder.h"
#include "tests/support/TestImages.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace lis;
using namespace Qt::StringLiterals;
using lis::test::makeScene;
using lis::test::saveImage;
using lis::test::TempAppFolder;

namespace {

std::uint32_t crc32(const QByteArray &bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= std::uint8_t(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG that declares its size in a valid header but carries no pixel data at all.
QByteArray pngHeaderOnly(std::uint32_t width, std::uint32_t height)
{
    QByteArray ihdr("IHDR");
    char dims[8];
    qToBigEndian(width, dims);
    qToBigEndian(height, dims + 4);
    ihdr.append(dims, 8);
    ihdr.append("\x08\x02\x00\x00\x00", 5); // 8-bit RGB
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    const auto chunk = [&png](const QByteArray &typeAndData) {
        char word[4];
        qToBigEndian(std::uint32_t(typeAndData.size() - 4), word);
        png.append(word, 4);
        png.append(typeAndData);
        qToBigEndian(crc32(typeAndData), word);
        png.append(word, 4);
    };
    chunk(ihdr);
    chunk(QByteArray("IDAT"));
    chunk(QByteArray("IEND"));
    return png;
}

QStringList cells(const ReportRow &row)
{
    return { QString::number(row.position), row.name, row.size, row.type, row.width, row.height };
}

class ReportModelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        started = startUp(app.paths());
        ASSERT_TRUE(started.error.isEmpty()) << started.error.toStdString();
    }
    QString image(const QString &name, int width, int height, const char *format)
    {
        const QString path = app.filePath(QStringLiteral("pics/") + name);
        EXPECT_TRUE(saveImage(makeScene(width, height), path, format));
        return path;
    }
    ResultStore &store() { return *started.store; }

    TempAppFolder app;
    StartupResult started;
};

} // namespace

TEST(ReportCells, NameAndTypeComeFromThePath)
{
    struct Case
    {
        const char *path;
        const char *name;
        const char *type;
    };
    for (const Case &c : { Case { "/pics/holiday.2019.jpg", "holiday.2019", "JPEG" },
             Case { "/pics/a.JPG", "a", "JPG" }, Case { "/pics/b.jpeg", "b", "JPEG" },
             Case { "/pics/c.png", "c", "PNG" }, Case { "/pics/Tiff.Tif", "Tiff", "TIF" },
             Case { "/pics.d/noextension", "noextension", "" },
             Case { "relative.gif", "relative", "GIF" } }) {
        const QString path = QString::fromUtf8(c.path);
        EXPECT_EQ(reportName(path), QString::fromUtf8(c.name)) << c.path;
        EXPECT_EQ(reportType(path), QString::fromUtf8(c.type)) << c.path;
    }
}

TEST_F(ReportModelTest, RowsInRankOrderWithSizesFromTheFiles)
{
    const QString low = image(QStringLiteral("low.png"), 120, 80, "PNG");
    const QString high = image(QStringLiteral("high.bmp"), 64, 32, "BMP");
    const QString middle = image(QStringLiteral("middle.jpg"), 400, 300, "JPG");
    ASSERT_TRUE(store().AddImageRank(low, 3));
    ASSERT_TRUE(store().AddImageRank(high, 12));
    ASSERT_TRUE(store().AddImageRank(middle, 7));

    const Report report = ShowReport(store(), RunHooks {});
    EXPECT_FALSE(report.stopped);
    EXPECT_EQ(report.List1, QStringList({ high, middle, low }));
    ASSERT_EQ(report.rows.size(), 3u);
    // A 64 by 32 BMP of 24-bit pixels is 54 + 64 * 32 * 3 = 6198 bytes.
    EXPECT_EQ(cells(report.rows[0]),
        QStringList({ u"1"_s, u"high"_s, u"6.05 KB"_s, u"BMP"_s, u"64"_s, u"32"_s }));
    EXPECT_EQ(report.rows[0].rank, u"12");
    EXPECT_EQ(report.rows[0].path, high);
    EXPECT_EQ(cells(report.rows[1]).mid(3), QStringList({ u"JPEG"_s, u"400"_s, u"300"_s }));
    EXPECT_EQ(report.rows[1].size, FormatSize(QFileInfo(middle).size()));
    EXPECT_EQ(cells(report.rows[2]).mid(3), QStringList({ u"PNG"_s, u"120"_s, u"80"_s }));
    EXPECT_EQ(report.rows[2].position, 3);
}

TEST_F(ReportModelTest, EmptyTableGivesEmptyReport)
{
    const Report report = ShowReport(store(), RunHooks {});
    EXPECT_TRUE(report.rows.empty());
    EXPECT_TRUE(report.List1.isEmpty());
    EXPECT_FALSE(report.stopped);
}

// A file gone since the run, or one that is not an image, keeps its row and its place in the
// result list but shows no values it cannot know, and never the neighbour's.
TEST_F(ReportModelTest, VanishedAndUndecodableFilesShowEmptyCells)
{
    const QString first = image(QStringLiteral("first.png"), 50, 40, "PNG");
    const QString gone = image(QStringLiteral("gone.jpg"), 300, 200, "JPG");
    const QString broken = app.filePath(QStringLiteral("pics/broken.png"));
    ASSERT_TRUE(lis::test::writeFile(broken, QByteArray(3000, 'x')));
    // A picture in a format the program does not rank, under a ranked format's name: its
    // header is not read by the reader of its content.
    const QString other = image(QStringLiteral("other.png"), 30, 20, "PPM");
    ASSERT_TRUE(store().AddImageRank(first, 30));
    ASSERT_TRUE(store().AddImageRank(gone, 20));
    ASSERT_TRUE(store().AddImageRank(broken, 10));
    ASSERT_TRUE(store().AddImageRank(other, 5));
    ASSERT_TRUE(QFile::remove(gone));

    const Report report = ShowReport(store(), RunHooks {});
    ASSERT_EQ(report.rows.size(), 4u);
    EXPECT_EQ(report.List1, QStringList({ first, gone, broken, other }));
    EXPECT_EQ(cells(report.rows[1]),
        QStringList({ u"2"_s, u"gone"_s, QString(), u"JPEG"_s, QString(), QString() }));
    EXPECT_EQ(cells(report.rows[2]),
        QStringList({ u"3"_s, u"broken"_s, u"2.93 KB"_s, u"PNG"_s, QString(), QString() }));
    EXPECT_EQ(cells(report.rows[3]),
        QStringList({ u"4"_s, u"other"_s, FormatSize(std::uint64_t(QFileInfo(other).size())),
            u"PNG"_s, QString(), QString() }));
    EXPECT_TRUE(LoadPictureFile(other).isNull());
}

TEST_F(ReportModelTest, PixelSizeComesFromTheHeaderAlone)
{
    // Decoding this file would need 30 GB; its header is all the report reads.
    const QString huge = app.filePath(QStringLiteral("pics/huge.png"));
    ASSERT_TRUE(lis::test::writeFile(huge, pngHeaderOnly(100000, 100000)));
    const std::optional<QSize> size = readImageSize(huge);
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(*size, QSize(100000, 100000));
    // Loading it is refused cleanly instead of allocating for the declared size.
    EXPECT_TRUE(LoadPictureFile(huge).isNull());
    EXPECT_FALSE(readImageSize(app.filePath(QStringLiteral("pics"))).has_value());
    EXPECT_FALSE(readImageSize(QString()).has_value());
}

TEST_F(ReportModelTest, CancelStopsBeforeTheNextRowAndKeepsTheRowsSoFar)
{
    for (int i = 1; i <= 4; ++i)
        ASSERT_TRUE(store().AddImageRank(QStringLiteral("/nowhere/%1.jpg").arg(i), i));
    int checks = 0;
    int cleanups = 0;
    RunHooks hooks;
    hooks.cancelRequested = [&] { return ++checks > 2; };
    hooks.cancelCleanup = [&] { ++cleanups; };

    const Report report = ShowReport(store(), hooks);
    EXPECT_TRUE(report.stopped);
    EXPECT_EQ(cleanups, 1);
    EXPECT_EQ(report.List1, QStringList({ u"/nowhere/4.jpg"_s, u"/nowhere/3.jpg"_s }));
    ASSERT_EQ(report.rows.size(), 2u);

    // A flag already set when the report starts stops it before the first row.
    hooks.cancelRequested = [] { return true; };
    const Report none = ShowReport(store(), hooks);
    EXPECT_TRUE(none.stopped);
    EXPECT_TRUE(none.rows.empty());
    EXPECT_EQ(cleanups, 2);
}

// A camera held upright writes a landscape frame and an orientation tag; the report measures
// (and the loader shows) the photo as it was taken.
TEST_F(ReportModelTest, PortraitPhotoIsMeasuredUpright)
{
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(makeScene(40, 20).save(&buffer, "JPG"));
    }
    // APP1 "Exif" with one entry: Orientation (0x0112) = 6, turn 90 degrees clockwise.
    static const char exif[] = "\xFF\xE1\x00\x22"
                               "Exif\0\0"
                               "MM\x00\x2A\x00\x00\x00\x08"
                               "\x00\x01"
                               "\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00"
                               "\x00\x00\x00\x00";
    jpeg.insert(2, QByteArray(exif, sizeof exif - 1));
    const QString path = app.filePath(QStringLiteral("pics/portrait.jpg"));
    ASSERT_TRUE(lis::test::writeFile(path, jpeg));

    EXPECT_EQ(readImageSize(path), QSize(20, 40));
    const LoadedPicture loaded = LoadPictureFile(path);
    EXPECT_EQ(loaded.size, QSize(20, 40));
    EXPECT_EQ(loaded.picture.size(), QSize(20, 40));
}
