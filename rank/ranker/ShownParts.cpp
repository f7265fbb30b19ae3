#include "ShownParts.h"

#include <algorithm>
#include <cmath>

namespace lis::ranker {
namespace {

// Exposure shows what the tones lost: highlights blown at the ceiling, shadows crushed at the
// floor, and headroom left unused below white (its brightest hundredth far from white). A
// photo's mean says little by itself: brightening a dim photo that has no highlights to lose
// only takes up its headroom, while one whose highlights already touch white starts to blow.
constexpr double kHeadroomWeight = 0.3;
// The defect that halves a part.
constexpr double kNoiseHalving = 2.0 * 0.6931; // grain of about 2.5 levels
constexpr double kExposureHalving = 0.6931 * kHeadroomWeight; // the brightest at half white
constexpr double kBlockingHalving = 1.0; // luma steps locked to the grid at half the mean step

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
    const double headroom = kHeadroomWeight * std::log(255.0 / std::max(f.lumaHigh, 1.0));
    p.exposure = shown(d.blownHighlights + f.crushedShare + headroom, kExposureHalving);
    p.contrast = std::clamp(100.0 * f.lumaSd / kFullContrast, 0.0, 100.0);
    p.compression = shown(d.blocking, kBlockingHalving);
    return p;
}

} // namespace lis::ranker
