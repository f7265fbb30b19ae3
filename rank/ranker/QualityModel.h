#pragma once

#include "QualityFeatures.h"

#include <cstdint>
#include <optional>

namespace lis::ranker {

// The judgement of one image. The parts run from 0 (worst) to 100 (best) for display; the
// rank orders images by the unbounded quality log-score behind them.
struct QualityScores
{
    double sharpness = 0;
    double noise = 0;
    double exposure = 0;
    double contrast = 0;
    double compression = 0;
    double logScore = 0; // natural-log units of Laplacian detail, less every penalty
    double overall = 0; // logScore squeezed into 0..100
    int32_t rank = 0; // at least 1, higher is better
};

// Weighs the measurements into scores and a rank of at least 1.
QualityScores scoreQuality(const QualityFeatures &features);

} // namespace lis::ranker
