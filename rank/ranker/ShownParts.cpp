#include "ShownParts.h"

#include <algorithm>
#include <cmath>

namespace lis::ranker {
namespace {

// The defect that halves a part.
constexpr double kNoiseHalving = 2.0 * 0.6931; // grain of about 2.5 levels
constexpr double kExposureHalving = 0.6931; // a mean luma of half a well-lit photo's
constexpr double kBlockingHalving = 1.0; // luma steps locked to the grid at half the mean step
// Exposure also costs a little for every step darker, however bright the photo: darkening a
// bright photo that has a few blown pixels must not show as better exposed.
constexpr double kDimmingWeight = 0.1;

double shown(double defect, double halving)
{
    return std::clamp(100.0 * std::exp2(-defect / halving), 0.0, 100.0);
}

} // namespace

QualityParts showParts(const QualityFeatures &f, const Defects &d)
{
    QualityParts p;
    p.sharpness = std::clamp(
        100.0 * std::log1p(noiseFreeHalfDetail(f)) / std::log1p(kCrispEnergy), 0.0, 100.0);
    p.noise = shown(d.noise, kNoiseHalving);
    const double dimming = kDimmingWeight * std::log(255.0 / std::max(f.meanLuma, 1.0));
    p.exposure = shown(d.darkness + d.blownHighlights + dimming, kExposureHalving);
    p.contrast = std::clamp(100.0 * f.lumaSd / kFullContrast, 0.0, 100.0);
    p.compression = shown(d.blocking, kBlockingHalving);
    return p;
}

} // namespace lis::ranker
