// Fuzz target for the ranking library's JPEG header reader, the one parser it owns: any bytes
// must parse or be refused without reading out of bounds, and any parsed header must yield a
// quality estimate in range or none.
#include "rank/ranker/JpegHeader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Real headers fit well inside 2 MiB, the most the library ever reads.
    if (size > (std::size_t { 2 } << 20))
        return 0;
    const auto header = lis::ranker::parseJpegHeader(data, size);
    if (!header)
        return 0;
    if (header->width <= 0 || header->height <= 0)
        std::abort();
    if (const auto quality = lis::ranker::estimateJpegQuality(*header)) {
        if (!(*quality >= 1.0 && *quality <= 100.0))
            std::abort();
    }
    return 0;
}
