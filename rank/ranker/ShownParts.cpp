#include "ShownParts.h"

#include <algorithm>
#include <cmath>

namespace lis::ranker {
namespace {

// Exposure shows what the tones lost: highlights blown at the ceiling, pixels gone to black, and
// the highlights a dim photo lacks. A photo's mean says little by itself, and neither do its
// darkest tones: brightening a dim photo lifts its near-black shadows and takes up its headroom
// below white, which must not read as a better exposure, while black itself stays black and
// blown highlights only grow. So headroom costs little while the brightest hundredth is well
// above the knee, and much once it sinks below it; and a few specular glints at white are no
// fault, so darkening a good photo does not read as mending it.
constexpr double kHeadroomWeight = 0.003;
constexpr double kDimWeight = 4.0;
constexpr double kDimKnee = 60.0; // luma of the brightest hundredth below which a photo is dim
constexpr double kGlints = 0.005; // blown highlights (see measureDefects) that cost nothing
// The defect that halves a part.
constexpr double kNoiseHalving = 2.0 * 0.6931; // grain of about 2.5 levels
// Exposure: a sixth of the pixels blown white, or the brightest hundredth at 53.
constexpr double kExposureHalving = 0.5;
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
    const double brightest = std::max(f.lumaHigh, 1.0);
    const double headroom = kHeadroomWeight * std::log(255.0 / brightest)
        + kDimWeight * std::max(0.0, std::log(kDimKnee / brightest));
    const double blown = std::max(0.0, d.blownHighlights - kGlints);
    p.exposure = shown(blown + f.blackShare + headroom, kExposureHalving);
    p.contrast = std::clamp(100.0 * f.lumaSd / kFullContrast, 0.0, 100.0);
    p.compression = shown(d.blocking, kBlockingHalving);
    return p;
}

} // namespace lis::ranker
