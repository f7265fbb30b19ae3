#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace lis::ranker {

// What a JPEG stream's header says, read up to its first scan. Plain data with no decoder
// behind it, so it can be parsed from a few kilobytes of any file, however damaged.
struct JpegHeader
{
    int width = 0;
    int height = 0;
    int components = 0;
    bool progressive = false;
    std::array<std::array<uint16_t, 64>, 4> tables {}; // quantisation tables, in stream order
    std::array<bool, 4> hasTable {};
    int componentTable[4] = { -1, -1, -1, -1 }; // table used by component 0..3
};

// Parses the markers of a JPEG stream up to its first scan. Nothing when the bytes do not begin
// a JPEG stream or end before a frame header and a quantisation table were seen.
std::optional<JpegHeader> parseJpegHeader(const uint8_t *data, std::size_t size);

// The quality (1..100, the common 0-100 encoder scale) whose standard tables come closest to
// the stream's luma and chroma tables. Nothing when the header carries no usable table.
std::optional<double> estimateJpegQuality(const JpegHeader &header);

} // namespace lis::ranker
