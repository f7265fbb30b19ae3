#pragma once

#include "QualityFeatures.h"
#include "SourceProbe.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace lis::ranker {

// The measurements of one working bitmap file, from its bytes and what its source told: the
// whole of a judgement before the model weighs it, shared by the library and the fitting tool so
// both see exactly the same terms. Nothing when the bytes are not an image. `readCoding` reads
// the coding of a bitmap that is its own source (the source's was read with it, or not).
std::optional<QualityFeatures> measureBitmapFile(
    const std::vector<uint8_t> &bytes, const SourceInfo &source, bool readCoding = true);

} // namespace lis::ranker
