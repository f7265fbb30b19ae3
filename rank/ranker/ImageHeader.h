#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace lis::ranker {

// The pixel size a file stores, as its header states it (before any EXIF turn).
struct StoredSize
{
    int width = 0;
    int height = 0;
};

// The stored size of a JPEG, PNG, GIF, BMP or TIFF from the first bytes of the file. For a TIFF
// whose first directory lies past `size`, nothing: see tiffDirectory.
std::optional<StoredSize> storedSize(const uint8_t *data, std::size_t size);

// Where an uncompressed 24- or 32-bit BMP keeps its pixels; nothing for any other kind of BMP
// (or bytes that do not begin one).
struct BmpPixels
{
    std::uint32_t offset = 0; // of the first stored row
    int bitsPerPixel = 0;
    bool topDown = false; // rows stored from the top (a negative height)
};
std::optional<BmpPixels> bmpPixels(const uint8_t *data, std::size_t size);

// Where a TIFF file's first directory starts, and the byte order to read it in; nothing when
// the bytes do not begin a TIFF file.
struct TiffDirectory
{
    std::uint64_t offset = 0;
    bool littleEndian = true;
};
std::optional<TiffDirectory> tiffDirectory(const uint8_t *data, std::size_t size);

// The image width and length of a TIFF directory, given the bytes from its start.
std::optional<StoredSize> tiffDirectorySize(
    const uint8_t *dir, std::size_t size, bool littleEndian);

} // namespace lis::ranker
