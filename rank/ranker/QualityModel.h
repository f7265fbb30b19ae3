#pragma once

#include "QualityFeatures.h"

#include <cstdint>
#include <optional>

namespace lis::ranker {

// What the original file told us before it was reduced to the working bitmap.
struct SourceInfo
{
    std::optional<double> jpegQuality; // 1..100 when the source is a JPEG with readable tables
};

struct QualityScores
{
    double sharpness = 0;
    double noise = 0;
    double exposure = 0;
    double contrast = 0;
    double compression = 0;
    double overall = 0; // 0..100
    int32_t rank = 0;
};

// Weighs the measurements into scores from 0 to 100 and a rank of at least 1.
QualityScores scoreQuality(const QualityFeatures &features, const SourceInfo &source);

} // namespace lis::ranker
