#include "QualityModel.h"

#include "FittedModel.h"
#include "ModelTerms.h"
#include "ShownParts.h"

#include <algorithm>
#include <cmath>

namespace lis::ranker {
namespace {

// The squeeze of the estimate into 0..100: the scored photos' estimates lie between about 0.1
// and 0.9 and map to about 5..95; damage far beyond them still ranks in order, near 0.
constexpr double kOverallMid = 0.5;
constexpr double kOverallScale = 0.13;
constexpr double kRankPerPercent = 2.0e7; // 100 % stays below 2^31
constexpr int kMinSide = 8;

} // namespace

QualityScores scoreQuality(const QualityFeatures &f)
{
    QualityScores s;
    if (f.width < kMinSide || f.height < kMinSide) {
        s.rank = 1; // too small to show anything: judged, and judged worst
        return s;
    }
    const Defects defects = measureDefects(f);
    const QualityParts parts = showParts(f, defects);
    s.sharpness = parts.sharpness;
    s.noise = parts.noise;
    s.exposure = parts.exposure;
    s.contrast = parts.contrast;
    s.compression = parts.compression;
    s.estimate = fittedScore(kFittedModel, modelTerms(f), asArray(defects));
    s.overall = 100.0 / (1.0 + std::exp(-(s.estimate - kOverallMid) / kOverallScale));
    s.rank = 1 + static_cast<int32_t>(std::lround(s.overall * kRankPerPercent));
    return s;
}

bool chargesCoding()
{
    return kFittedModel.defectWeight[kCodingDefect] > 0;
}

} // namespace lis::ranker
