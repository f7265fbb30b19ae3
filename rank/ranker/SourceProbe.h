#pragma once

#include "ImageHeader.h"

#include <opencv2/core.hpp>
#include <optional>
#include <string>

namespace lis::ranker {

// What the original file told us before it was reduced to the working bitmap.
struct SourceInfo
{
    std::optional<StoredSize> stored; // the pixel size its header states
    std::optional<double> codingStep; // what its own pixels show of a JPEG coding (CodingSteps)
};

// Reads the head of the original file (and, for a TIFF, its first directory) for its size,
// then, when `readCoding`, the band of its pixels that shows its coding. Any failure gives an
// empty SourceInfo, or one with no coding step.
SourceInfo probeSource(const std::string &path, bool readCoding = true);

// The working bitmap's width over the source's, when a bitmap of `bitmap` pixels is what the
// program makes of that source: turned upright (either way round) and, when wider than 500
// pixels, fitted into 500 x 500. Nothing when the sizes do not match: the source is unknown,
// changed or gone since the bitmap was made, and the bitmap must speak for itself.
std::optional<double> reductionScale(const SourceInfo &source, cv::Size bitmap);

} // namespace lis::ranker
