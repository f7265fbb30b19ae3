#include "rank/CaptureTime.h"

#include "tests/support/ExifWriter.h"

#include <gtest/gtest.h>

using namespace lis;
using namespace lis::test;

namespace {

// 2026-12-08 12:00:00 on the camera's clock.
constexpr std::int64_t kNow = 1796731200000;

std::optional<std::int64_t> timeOf(const QByteArray &bytes)
{
    const ByteRangeReader read = [&](qint64 offset, qint64 count) -> std::optional<QByteArray> {
        if (offset < 0 || count < 0)
            ADD_FAILURE() << "read outside the data";
        return bytes.mid(offset, count);
    };
    return readCaptureTime(read, bytes.size(), kNow);
}

QByteArray jpegWith(const ExifFields &fields)
{
    // SOI, an APP0, then what the writer puts first; the scan data does not matter here.
    const QByteArray bare = QByteArray("\xFF\xD8\xFF\xE0\x00\x04JF\xFF\xDA\x00\x02", 12);
    return withExif(bare, fields);
}

struct TimeCase
{
    const char *what;
    QByteArray dateTime;
    QByteArray subSeconds;
    std::optional<std::int64_t> expected;
};

} // namespace

TEST(CaptureTime, ReadsTheCamerasTimeOrNothingThatMakesNoSense)
{
    const TimeCase cases[] = {
        { "plain", "2021:06:01 10:20:30", "", 1622542830000 },
        { "fraction", "2021:06:01 10:20:30", "25", 1622542830250 },
        { "long fraction", "2021:06:01 10:20:30", "123456", 1622542830123 },
        { "fraction not digits", "2021:06:01 10:20:30", "ab", 1622542830000 },
        { "leap day", "2024:02:29 00:00:00", "", 1709164800000 },
        { "no such day", "2023:02:29 00:00:00", "", std::nullopt },
        { "month 13", "2021:13:01 10:20:30", "", std::nullopt },
        { "hour 24", "2021:06:01 24:00:00", "", std::nullopt },
        { "unset clock", "0000:00:00 00:00:00", "", std::nullopt },
        { "blank", "                   ", "", std::nullopt },
        { "before 1990", "1989:12:31 23:59:59", "", std::nullopt },
        { "first of 1990", "1990:01:01 00:00:00", "", 631152000000 },
        { "in the future", "2027:01:01 00:00:00", "", std::nullopt },
        { "dashes", "2021-06-01 10:20:30", "", std::nullopt },
        { "cut short", "2021:06:01 10:20", "", std::nullopt },
    };
    for (const TimeCase &c : cases) {
        SCOPED_TRACE(c.what);
        for (const bool big : { false, true }) {
            const ExifFields fields { 1, c.dateTime, c.subSeconds, big };
            EXPECT_EQ(timeOf(jpegWith(fields)), c.expected);
            // A TIFF file holds the same structure at its start.
            EXPECT_EQ(timeOf(exifTiff(fields)), c.expected);
        }
    }
}

TEST(CaptureTime, DamagedOrMissingHeadersGiveNothing)
{
    const QByteArray good = jpegWith({ 6, "2021:06:01 10:20:30", "5" });
    ASSERT_EQ(timeOf(good), 1622542830500);
    EXPECT_EQ(timeOf(jpegWith({ 6, {}, {} })), std::nullopt); // orientation only
    EXPECT_EQ(timeOf(QByteArray()), std::nullopt);
    EXPECT_EQ(timeOf(QByteArray("\x89PNG\r\n\x1a\n", 8)), std::nullopt);
    // Every cut of the header ends in nothing or the whole answer, never in a wrong time.
    for (qsizetype length = 0; length < good.size(); ++length) {
        const std::optional<std::int64_t> got = timeOf(good.left(length));
        EXPECT_TRUE(!got || *got == 1622542830500) << length;
    }
    // The Exif IFD pointing outside the segment.
    QByteArray wild = good;
    const qsizetype pointer = wild.indexOf(QByteArray("\x69\x87\x04\x00", 4));
    ASSERT_GT(pointer, 0);
    wild[pointer + 8] = char(0xF0);
    wild[pointer + 9] = char(0xFF);
    EXPECT_EQ(timeOf(wild), std::nullopt);
}
