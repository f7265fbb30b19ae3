#pragma once

#include "QualityFeatures.h"

#include <cstdint>

namespace lis::ranker {

// The judgement of one image. The parts run from 0 (worst) to 100 (best) for display; the
// rank orders images by the fitted estimate behind the overall score.
struct QualityScores
{
    double sharpness = 0;
    double noise = 0;
    double exposure = 0;
    double contrast = 0;
    double compression = 0;
    double estimate = 0; // the fitted model's estimate of the opinion score (0..1 on real photos)
    double overall = 0; // the estimate squeezed into 0..100
    int32_t rank = 0; // at least 1, higher is better
};

// Weighs the measurements into scores and a rank of at least 1.
QualityScores scoreQuality(const QualityFeatures &features);

// Whether the fitted model charges the coding a source's pixels show: reading it costs a
// decoding of part of the source, for nothing when it is not charged.
bool chargesCoding();

} // namespace lis::ranker
