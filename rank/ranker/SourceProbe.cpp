#include "SourceProbe.h"

#include "FileBytes.h"
#include "JpegHeader.h"

namespace lis::ranker {
namespace {

// Camera files put EXIF, thumbnails and colour profiles before the tables; a first small read
// settles almost every file, a second larger one the rest.
constexpr std::size_t kFirstRead = 64 * 1024;
constexpr std::size_t kLastRead = 2 * 1024 * 1024;

} // namespace

SourceInfo probeSource(const std::string &path)
{
    SourceInfo info;
    for (const std::size_t limit : { kFirstRead, kLastRead }) {
        bool complete = false;
        const std::vector<uint8_t> head = readFileHead(path, limit, &complete);
        if (head.size() < 2 || head[0] != 0xFF || head[1] != 0xD8)
            return info; // missing, or not a JPEG: nothing to learn from the header
        if (const auto header = parseJpegHeader(head.data(), head.size())) {
            info.jpegQuality = estimateJpegQuality(*header);
            return info;
        }
        if (complete)
            return info; // the whole file was read and holds no usable header
    }
    return info;
}

} // namespace lis::ranker
