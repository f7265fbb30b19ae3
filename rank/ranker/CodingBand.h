#pragma once

#include "ImageHeader.h"

#include <cstdint>
#include <opencv2/core.hpp>
#include <optional>
#include <string>
#include <vector>

namespace lis::ranker {

// Where a picture's coding is read: a stretch of at most 1,024 columns about its middle and
// enough rows for some 3,000 blocks, about its middle too unless that lies deep in a large
// picture (the rows above it must still be decoded, a JPEG's entropy-decoded, a PNG's inflated).
// Its corner is on every coding's block grid (16-pixel steps, for subsampled colour). Empty for a
// picture too small.
cv::Rect codingBand(cv::Size picture);

// The coding step of a source file (CodingSteps), read from the band of its own pixels, decoded
// as stored (no EXIF turn, which would move the grid), in 8-bit BGR. Only what the band needs is
// read and decoded: a JPEG's band alone, a PNG's rows down to it (an interlaced PNG's whole), an
// uncompressed BMP's rows where they lie, a stripped RGB TIFF's strips that hold it. Any other
// picture is decoded whole, up to a size. A JPEG over a megapixel gives the step its own luma
// table gives the same frequencies instead: what its pixels show unless it was coded before, and
// no decoding. `head` is the start of the file, which tells its format. Nothing when the file
// cannot be read there, is not of the stated size, or is too large.
std::optional<double> sourceCodingStep(
    const std::string &path, StoredSize stored, const std::vector<uint8_t> &head);

} // namespace lis::ranker
