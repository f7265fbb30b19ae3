#include "ImageHeader.h"

#include "JpegHeader.h"

#include <cstring>

namespace lis::ranker {
namespace {

constexpr int kTiffWidthTag = 256;
constexpr int kTiffLengthTag = 257;
constexpr int kTiffShort = 3;
constexpr int kTiffLong = 4;
constexpr std::size_t kTiffEntryBytes = 12;

uint32_t read16(const uint8_t *p, bool littleEndian)
{
    return littleEndian ? p[0] | p[1] << 8 : p[0] << 8 | p[1];
}

uint32_t read32(const uint8_t *p, bool littleEndian)
{
    return littleEndian ? p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24
                        : static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

std::optional<StoredSize> positive(int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX)
        return std::nullopt;
    return StoredSize { static_cast<int>(width), static_cast<int>(height) };
}

std::optional<StoredSize> pngSize(const uint8_t *d, std::size_t size)
{
    // Signature, then the IHDR chunk: length, type, width, height (big-endian).
    if (size < 24 || std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) != 0
        || std::memcmp(d + 12, "IHDR", 4) != 0)
        return std::nullopt;
    return positive(read32(d + 16, false), read32(d + 20, false));
}

std::optional<StoredSize> gifSize(const uint8_t *d, std::size_t size)
{
    if (size < 10 || (std::memcmp(d, "GIF87a", 6) != 0 && std::memcmp(d, "GIF89a", 6) != 0))
        return std::nullopt;
    return positive(read16(d + 6, true), read16(d + 8, true));
}

std::optional<StoredSize> bmpSize(const uint8_t *d, std::size_t size)
{
    if (size < 26 || d[0] != 'B' || d[1] != 'M')
        return std::nullopt;
    const uint32_t header = read32(d + 14, true);
    if (header == 12)
        return positive(read16(d + 18, true), read16(d + 20, true));
    if (header < 40)
        return std::nullopt;
    int32_t width = 0;
    int32_t height = 0;
    const uint32_t w = read32(d + 18, true);
    const uint32_t h = read32(d + 22, true);
    std::memcpy(&width, &w, 4);
    std::memcpy(&height, &h, 4);
    // A negative height stores the rows top-down.
    return positive(width, height < 0 ? -static_cast<int64_t>(height) : height);
}

} // namespace

std::optional<TiffDirectory> tiffDirectory(const uint8_t *d, std::size_t size)
{
    if (!d || size < 8)
        return std::nullopt;
    const bool little = d[0] == 'I' && d[1] == 'I';
    const bool big = d[0] == 'M' && d[1] == 'M';
    if ((!little && !big) || read16(d + 2, little) != 42)
        return std::nullopt;
    return TiffDirectory { read32(d + 4, little), little };
}

std::optional<StoredSize> tiffDirectorySize(const uint8_t *dir, std::size_t size, bool little)
{
    if (!dir || size < 2)
        return std::nullopt;
    const std::size_t entries = read16(dir, little);
    int64_t width = 0;
    int64_t height = 0;
    for (std::size_t i = 0; i < entries && 2 + (i + 1) * kTiffEntryBytes <= size; ++i) {
        const uint8_t *e = dir + 2 + i * kTiffEntryBytes;
        const uint32_t tag = read16(e, little);
        const uint32_t type = read16(e + 2, little);
        if (tag != kTiffWidthTag && tag != kTiffLengthTag)
            continue;
        int64_t value = 0;
        if (type == kTiffShort)
            value = read16(e + 8, little);
        else if (type == kTiffLong)
            value = read32(e + 8, little);
        (tag == kTiffWidthTag ? width : height) = value;
    }
    return positive(width, height);
}

std::optional<BmpPixels> bmpPixels(const uint8_t *d, std::size_t size)
{
    constexpr std::size_t kThroughCompression = 34;
    if (size < kThroughCompression || d[0] != 'B' || d[1] != 'M' || read32(d + 14, true) < 40)
        return std::nullopt;
    const uint32_t bits = read16(d + 28, true);
    if (read16(d + 26, true) != 1 || (bits != 24 && bits != 32) || read32(d + 30, true) != 0)
        return std::nullopt;
    return BmpPixels { read32(d + 10, true), static_cast<int>(bits),
        static_cast<int32_t>(read32(d + 22, true)) < 0 };
}

std::optional<StoredSize> storedSize(const uint8_t *data, std::size_t size)
{
    if (!data)
        return std::nullopt;
    if (const auto jpeg = parseJpegHeader(data, size))
        return positive(jpeg->width, jpeg->height);
    if (auto png = pngSize(data, size))
        return png;
    if (auto gif = gifSize(data, size))
        return gif;
    if (auto bmp = bmpSize(data, size))
        return bmp;
    if (const auto tiff = tiffDirectory(data, size); tiff && tiff->offset < size)
        return tiffDirectorySize(data + tiff->offset, size - tiff->offset, tiff->littleEndian);
    return std::nullopt;
}

} // namespace lis::ranker
