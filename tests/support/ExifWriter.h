// Writes the few EXIF fields the program reads (orientation, capture time) into JPEG bytes, for
// tests and benchmarks that need photos as cameras leave them. Header-only, Qt Core only.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace lis::test {

struct ExifFields
{
    std::optional<int> orientation; // 1..8
    QByteArray dateTimeOriginal; // "YYYY:MM:DD HH:MM:SS", written as ASCII with its NUL
    QByteArray subSecTimeOriginal; // "123"
    bool bigEndian = false; // "MM" rather than "II"
};

namespace exif_detail {

inline void put16(QByteArray &out, bool big, std::uint16_t value)
{
    out += char(big ? value >> 8 : value & 0xFF);
    out += char(big ? value & 0xFF : value >> 8);
}

inline void put32(QByteArray &out, bool big, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        const int shift = big ? (3 - i) * 8 : i * 8;
        out += char((value >> shift) & 0xFF);
    }
}

} // namespace exif_detail

// The TIFF structure of an APP1 "Exif" segment: IFD0 (orientation, the Exif IFD's offset), the
// Exif IFD (DateTimeOriginal, SubSecTimeOriginal), then the strings.
inline QByteArray exifTiff(const ExifFields &fields)
{
    using namespace exif_detail;
    const bool big = fields.bigEndian;
    const bool withExif
        = !fields.dateTimeOriginal.isEmpty() || !fields.subSecTimeOriginal.isEmpty();
    const int ifd0Entries = (fields.orientation ? 1 : 0) + (withExif ? 1 : 0);
    const std::uint32_t ifd0 = 8;
    const std::uint32_t exifIfd = ifd0 + 2 + 12 * ifd0Entries + 4;
    const int exifEntries = (fields.dateTimeOriginal.isEmpty() ? 0 : 1)
        + (fields.subSecTimeOriginal.isEmpty() ? 0 : 1);
    std::uint32_t strings = exifIfd + 2 + 12 * exifEntries + 4;

    QByteArray tiff = big ? QByteArray("MM") : QByteArray("II");
    put16(tiff, big, 42);
    put32(tiff, big, ifd0);
    put16(tiff, big, std::uint16_t(ifd0Entries));
    if (fields.orientation) {
        put16(tiff, big, 0x0112);
        put16(tiff, big, 3); // SHORT
        put32(tiff, big, 1);
        put16(tiff, big, std::uint16_t(*fields.orientation));
        put16(tiff, big, 0);
    }
    if (withExif) {
        put16(tiff, big, 0x8769);
        put16(tiff, big, 4); // LONG
        put32(tiff, big, 1);
        put32(tiff, big, exifIfd);
    }
    put32(tiff, big, 0);
    QByteArray tail;
    const auto ascii = [&](std::uint16_t tag, const QByteArray &text) {
        const QByteArray value = text + '\0';
        put16(tiff, big, tag);
        put16(tiff, big, 2); // ASCII
        put32(tiff, big, std::uint32_t(value.size()));
        if (value.size() <= 4) {
            tiff += value.leftJustified(4, '\0');
        } else {
            put32(tiff, big, strings + std::uint32_t(tail.size()));
            tail += value;
        }
    };
    if (withExif) {
        put16(tiff, big, std::uint16_t(exifEntries));
        if (!fields.dateTimeOriginal.isEmpty())
            ascii(0x9003, fields.dateTimeOriginal);
        if (!fields.subSecTimeOriginal.isEmpty())
            ascii(0x9291, fields.subSecTimeOriginal);
        put32(tiff, big, 0);
    }
    return tiff + tail;
}

// The JPEG with an APP1 Exif segment right after its SOI marker.
inline QByteArray withExif(const QByteArray &jpeg, const ExifFields &fields)
{
    const QByteArray payload = QByteArray("Exif\0\0", 6) + exifTiff(fields);
    QByteArray segment("\xFF\xE1", 2);
    exif_detail::put16(segment, true, std::uint16_t(payload.size() + 2));
    return jpeg.left(2) + segment + payload + jpeg.mid(2);
}

} // namespace lis::test
