#pragma once

#include "QualityFeatures.h"
#include "SourceProbe.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace lis::ranker {

// The measurements of one working bitmap file, from its bytes and what its source told: the
// whole of a judgement before the model weighs it, shared by the library and the fitting tool so
// both see exactly the same terms. Nothing when the bytes are not an image.
std::optional<QualityFeatures> measureBitmapFile(
    const std::vector<uint8_t> &bytes, const SourceInfo &source);

} // namespace lis::ranker
