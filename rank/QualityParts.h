#pragma once

#include "rank/ranker/include/lumetra_image_rank.h"

#include <algorithm>
#include <cmath>

namespace lis {

// The parts of a judgement as people read them: whole numbers from 0 to 100, higher is better.
struct QualityParts
{
    int sharpness = 0;
    int noise = 0;
    int exposure = 0;
    int contrast = 0;
    int compression = 0;
    bool operator==(const QualityParts &) const = default;
};

inline int qualityPercent(double value)
{
    return int(std::lround(std::clamp(value, 0.0, 100.0)));
}

inline QualityParts qualityParts(const ImageRankScores &scores)
{
    return { qualityPercent(scores.sharpness), qualityPercent(scores.noise),
        qualityPercent(scores.exposure), qualityPercent(scores.contrast),
        qualityPercent(scores.compression) };
}

} // namespace lis
