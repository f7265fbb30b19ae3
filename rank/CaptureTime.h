// When a photo was taken, as its camera wrote it: DateTimeOriginal (0x9003) and
// SubSecTimeOriginal (0x9291) of the Exif IFD, found through IFD0 of the TIFF structure in a
// JPEG's APP1 "Exif" segment or at the start of a TIFF file. Only the few segment and IFD
// headers on the way are read, each read bounded, and nothing is decoded. Header-only, so the
// fuzz target and the benchmarks see exactly what the preparation step uses.
#pragma once

#include "rank/JpegFrame.h" // ByteRangeReader

#include <QByteArray>
#include <QByteArrayView>
#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

namespace lis {

namespace capture_time {

// A photo is not from before this (1990-01-01, ms since 1970 on the camera's clock).
inline constexpr std::int64_t kEarliestMs = 631152000000;
// Camera clocks run in local time, up to 14 hours ahead of UTC; a time later than now by more
// than a day is a wrong clock.
inline constexpr std::int64_t kFutureSlackMs = std::int64_t(24) * 3600 * 1000;
// The most JPEG segments walked before the Exif segment must have appeared (it comes first or
// second in every camera's files).
inline constexpr int kMaxSegments = 16;
// The most entries an IFD may claim; real ones have a few dozen.
inline constexpr int kMaxIfdEntries = 512;

// Days since 1970-01-01 of a proleptic Gregorian date.
constexpr std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

constexpr bool isLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

inline std::optional<int> digits(QByteArrayView text, qsizetype at, qsizetype count)
{
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

struct Reader
{
    const ByteRangeReader &read;
    std::int64_t base; // where the TIFF structure starts
    std::int64_t limit; // its length
    bool big = false;

    std::optional<QByteArray> bytes(std::int64_t offset, std::int64_t count) const
    {
        if (offset < 0 || count < 0 || offset > limit || count > limit - offset)
            return std::nullopt;
        std::optional<QByteArray> got = read(base + offset, count);
        if (!got || got->size() != count)
            return std::nullopt;
        return got;
    }
    std::uint32_t number(const QByteArray &b, qsizetype at, int width) const
    {
        std::uint32_t value = 0;
        for (int i = 0; i < width; ++i) {
            const auto byte = std::uint8_t(b[at + (big ? i : width - 1 - i)]);
            value = value << 8 | byte;
        }
        return value;
    }
};

struct AsciiTags
{
    std::optional<std::uint32_t> exifIfd;
    QByteArray dateTimeOriginal;
    QByteArray subSecTimeOriginal;
};

// The entries of one IFD that matter here.
inline AsciiTags readIfd(const Reader &r, std::uint32_t offset)
{
    AsciiTags tags;
    const std::optional<QByteArray> head = r.bytes(offset, 2);
    if (!head)
        return tags;
    const std::uint32_t count = r.number(*head, 0, 2);
    if (count == 0 || count > std::uint32_t(kMaxIfdEntries))
        return tags;
    const std::optional<QByteArray> entries = r.bytes(std::int64_t(offset) + 2, count * 12);
    if (!entries)
        return tags;
    for (std::uint32_t i = 0; i < count; ++i) {
        const qsizetype at = qsizetype(i) * 12;
        const std::uint32_t tag = r.number(*entries, at, 2);
        const std::uint32_t type = r.number(*entries, at + 2, 2);
        const std::uint32_t n = r.number(*entries, at + 4, 4);
        if (tag == 0x8769 && (type == 4 || type == 13) && n == 1) {
            tags.exifIfd = r.number(*entries, at + 8, 4);
            continue;
        }
        if ((tag != 0x9003 && tag != 0x9291) || type != 2 || n == 0 || n > 64)
            continue;
        QByteArray value = n <= 4
            ? entries->mid(at + 8, n)
            : r.bytes(r.number(*entries, at + 8, 4), n).value_or(QByteArray());
        if (const qsizetype nul = value.indexOf('\0'); nul >= 0)
            value.truncate(nul);
        (tag == 0x9003 ? tags.dateTimeOriginal : tags.subSecTimeOriginal) = value;
    }
    return tags;
}

// DateTimeOriginal and SubSecTimeOriginal of a TIFF structure, or empty texts.
inline AsciiTags readTiffTimes(const ByteRangeReader &read, std::int64_t base, std::int64_t length)
{
    Reader r { read, base, length };
    const std::optional<QByteArray> header = r.bytes(0, 8);
    if (!header)
        return {};
    if (header->startsWith("MM"))
        r.big = true;
    else if (!header->startsWith("II"))
        return {};
    if (r.number(*header, 2, 2) != 42)
        return {};
    const AsciiTags ifd0 = readIfd(r, r.number(*header, 4, 4));
    if (!ifd0.exifIfd)
        return {};
    return readIfd(r, *ifd0.exifIfd);
}

// Where the TIFF structure of a JPEG's Exif segment is, and how long: nothing when the markers
// before the first scan hold none.
inline std::optional<std::pair<std::int64_t, std::int64_t>> findExifInJpeg(
    const ByteRangeReader &read)
{
    const std::optional<QByteArray> soi = read(0, 2);
    if (!soi || !soi->startsWith("\xFF\xD8"))
        return std::nullopt;
    std::int64_t at = 2;
    for (int segment = 0; segment < kMaxSegments; ++segment) {
        const std::optional<QByteArray> head = read(at, 10);
        if (!head || head->size() < 4 || std::uint8_t(head->at(0)) != 0xFF)
            return std::nullopt;
        const auto marker = std::uint8_t(head->at(1));
        if (marker == 0xFF) { // a fill byte before the marker
            ++at;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA || (marker >= 0xD0 && marker <= 0xD8))
            return std::nullopt; // the image data begins: no Exif segment before it
        const std::int64_t length
            = std::int64_t(std::uint8_t(head->at(2))) << 8 | std::uint8_t(head->at(3));
        if (length < 2)
            return std::nullopt;
        if (marker == 0xE1 && length >= 16 && head->size() >= 10
            && head->mid(4, 6) == QByteArrayView("Exif\0\0", 6))
            return std::pair { at + 10, length - 8 };
        at += 2 + length;
    }
    return std::nullopt;
}

} // namespace capture_time

// Milliseconds since 1970-01-01 on the camera's own clock (no time zone is known) of an EXIF
// "YYYY:MM:DD HH:MM:SS" text, with the fraction of a second from SubSecTimeOriginal when it is
// digits. Nothing for text that is not such a time, a date that does not exist, a time before
// 1990, or one later than `nowMs` by more than a day: a wrong clock tells nothing.
inline std::optional<std::int64_t> parseExifDateTime(
    QByteArrayView text, QByteArrayView subSeconds, std::int64_t nowMs)
{
    using namespace capture_time;
    text = text.trimmed();
    if (text.size() != 19 || text[4] != ':' || text[7] != ':' || text[10] != ' ' || text[13] != ':'
        || text[16] != ':')
        return std::nullopt;
    const auto year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
    const auto hour = digits(text, 11, 2), minute = digits(text, 14, 2),
               second = digits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second)
        return std::nullopt;
    constexpr int monthDays[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    if (*month < 1 || *month > 12 || *day < 1 || *hour > 23 || *minute > 59 || *second > 60)
        return std::nullopt;
    if (*day > monthDays[*month - 1] + (*month == 2 && isLeap(*year) ? 1 : 0))
        return std::nullopt;
    std::int64_t ms = daysFromCivil(*year, unsigned(*month), unsigned(*day)) * 86400000
        + (std::int64_t(*hour) * 3600 + *minute * 60 + *second) * 1000;
    // "5" is half a second, "05" a twentieth; anything but digits is no fraction at all.
    subSeconds = subSeconds.trimmed();
    if (!subSeconds.isEmpty() && digits(subSeconds, 0, subSeconds.size())) {
        int fraction = *digits(subSeconds, 0, std::min<qsizetype>(subSeconds.size(), 3));
        for (qsizetype i = subSeconds.size(); i < 3; ++i)
            fraction *= 10;
        ms += fraction;
    }
    if (ms < kEarliestMs || ms > nowMs + kFutureSlackMs)
        return std::nullopt;
    return ms;
}

// The capture time of a JPEG or TIFF file read through `read` (`size` bytes long), or nothing
// when it has none that makes sense.
inline std::optional<std::int64_t> readCaptureTime(
    const ByteRangeReader &read, std::int64_t size, std::int64_t nowMs)
{
    using namespace capture_time;
    AsciiTags tags;
    if (const auto exif = findExifInJpeg(read)) {
        // The segment is at most 64 KiB: read once, then parsed in memory.
        const std::optional<QByteArray> segment = read(exif->first, exif->second);
        if (!segment || segment->size() != exif->second)
            return std::nullopt;
        const ByteRangeReader inSegment = [&](qint64 offset, qint64 count) {
            return std::optional<QByteArray>(segment->mid(offset, count));
        };
        tags = readTiffTimes(inSegment, 0, exif->second);
    } else {
        tags = readTiffTimes(read, 0, size);
    }
    if (tags.dateTimeOriginal.isEmpty())
        return std::nullopt;
    return parseExifDateTime(tags.dateTimeOriginal, tags.subSecTimeOriginal, nowMs);
}

} // namespace lis
