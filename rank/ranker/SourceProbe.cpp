#include "SourceProbe.h"

#include "JpegHeader.h"

#include <fstream>
#include <vector>

namespace lis::ranker {
namespace {

// Camera files put EXIF, thumbnails and colour profiles before the tables; a first small read
// settles almost every file, a second larger one the rest.
constexpr std::size_t kFirstRead = 64 * 1024;
constexpr std::size_t kLastRead = 2 * 1024 * 1024;

std::vector<uint8_t> readHead(std::ifstream &in, std::size_t limit)
{
    std::vector<uint8_t> bytes(limit);
    in.clear();
    in.seekg(0);
    in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(limit));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return bytes;
}

} // namespace

SourceInfo probeSource(const std::string &path)
{
    SourceInfo info;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return info;
    for (const std::size_t limit : { kFirstRead, kLastRead }) {
        const std::vector<uint8_t> head = readHead(in, limit);
        if (head.size() < 2 || head[0] != 0xFF || head[1] != 0xD8)
            return info; // not a JPEG: nothing to learn from the header
        if (const auto header = parseJpegHeader(head.data(), head.size())) {
            info.jpegQuality = estimateJpegQuality(*header);
            return info;
        }
        if (head.size() < limit)
            return info; // the whole file was read and holds no usable header
    }
    return info;
}

} // namespace lis::ranker
