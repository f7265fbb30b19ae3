#include "SourceProbe.h"

#include "CodingBand.h"
#include "FileBytes.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

namespace lis::ranker {
namespace {

// Camera files put EXIF, thumbnails and colour profiles before the JPEG frame header; a first
// small read settles almost every file, a second larger one the rest.
constexpr std::size_t kFirstRead = 64 * 1024;
constexpr std::size_t kLastRead = 2 * 1024 * 1024;
// A TIFF directory holds a 2-byte count and 12 bytes per entry; real files have a few dozen.
constexpr std::size_t kTiffDirectoryRead = 2 + 12 * 512;
// The program fits bitmaps wider than this into a square of this side.
constexpr int kProgramBox = 500;
// The program rounds each side to the nearest pixel; allow one either way.
constexpr int kSideTolerance = 1;

std::vector<uint8_t> readAt(const std::string &utf8Path, std::uint64_t offset, std::size_t count)
{
    const std::filesystem::path path(
        std::u8string(reinterpret_cast<const char8_t *>(utf8Path.data()), utf8Path.size()));
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return {};
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    if (!in)
        return {};
    std::vector<uint8_t> bytes(count);
    in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return bytes;
}

std::optional<StoredSize> tiffSizePastHead(
    const std::string &path, const std::vector<uint8_t> &head)
{
    const auto tiff = tiffDirectory(head.data(), head.size());
    if (!tiff || tiff->offset < head.size())
        return std::nullopt;
    const std::vector<uint8_t> dir = readAt(path, tiff->offset, kTiffDirectoryRead);
    return tiffDirectorySize(dir.data(), dir.size(), tiff->littleEndian);
}

cv::Size programBitmapSize(int width, int height)
{
    if (width <= kProgramBox)
        return { width, height };
    const double factor = std::min(
        static_cast<double>(kProgramBox) / width, static_cast<double>(kProgramBox) / height);
    return { std::max(1, static_cast<int>(std::lround(width * factor))),
        std::max(1, static_cast<int>(std::lround(height * factor))) };
}

bool near(cv::Size a, cv::Size b)
{
    return std::abs(a.width - b.width) <= kSideTolerance
        && std::abs(a.height - b.height) <= kSideTolerance;
}

} // namespace

SourceInfo probeSource(const std::string &path, bool readCoding)
{
    SourceInfo info;
    std::vector<uint8_t> head;
    for (const std::size_t limit : { kFirstRead, kLastRead }) {
        bool complete = false;
        head = readFileHead(path, limit, &complete);
        if (head.empty())
            return info;
        info.stored = storedSize(head.data(), head.size());
        if (!info.stored)
            info.stored = tiffSizePastHead(path, head);
        const bool jpeg = head.size() >= 2 && head[0] == 0xFF && head[1] == 0xD8;
        // Only a JPEG's frame header can lie further in than the first read.
        if (info.stored || !jpeg || complete)
            break;
    }
    if (info.stored && readCoding)
        info.codingStep = sourceCodingStep(path, *info.stored, head);
    return info;
}

std::optional<double> reductionScale(const SourceInfo &source, cv::Size bitmap)
{
    if (!source.stored || bitmap.width <= 0 || bitmap.height <= 0)
        return std::nullopt;
    const int w = source.stored->width;
    const int h = source.stored->height;
    // Upright as stored, or turned a quarter by its EXIF orientation.
    if (near(programBitmapSize(w, h), bitmap))
        return static_cast<double>(bitmap.width) / w;
    if (near(programBitmapSize(h, w), bitmap))
        return static_cast<double>(bitmap.width) / h;
    return std::nullopt;
}

} // namespace lis::ranker
