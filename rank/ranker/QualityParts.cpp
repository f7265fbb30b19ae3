#include "QualityParts.h"

#include "CodingSteps.h"

#include <algorithm>
#include <cmath>

namespace lis::ranker {
namespace {

// The Laplacian turns white noise of variance s^2 into energy 20 s^2.
constexpr double kWhiteNoiseEnergy = 20.0;
// Grain starts to cost at about one and a half levels.
constexpr double kVisibleGrain = 1.5;
// A well-lit photo's mean luma; each halving below it costs the same.
constexpr double kWellLit = 100.0;
// Blown channel values weigh twice the blown pixels: they go on growing once a pixel has one
// channel blown.
constexpr double kBlownValueWeight = 2.0;
// Luma grid steps weigh four times the colour ones: luma is where blocks show, and colour is so
// smooth that its steps stand out against it even in a mildly compressed photo.
constexpr double kLumaBlockWeight = 2.0;
constexpr double kChromaBlockWeight = 0.5;
} // namespace

double noiseFreeHalfDetail(const QualityFeatures &f)
{
    return std::max(0.0, f.halfDetail - kWhiteNoiseEnergy * f.halfNoise * f.halfNoise);
}

std::array<double, kDefectKinds> asArray(const Defects &d)
{
    return { d.softness, d.noise, d.darkness, d.blownHighlights, d.flatness, d.blocking, d.coding };
}

Defects measureDefects(const QualityFeatures &f)
{
    Defects d;
    d.softness = std::max(0.0, std::log1p(kCrispEnergy) - std::log1p(noiseFreeHalfDetail(f)));
    const double grain = std::hypot(f.noiseSigma, f.chromaNoise) / kVisibleGrain;
    d.noise = std::log1p(grain * grain);
    d.darkness = std::max(0.0, std::log(kWellLit / std::max(f.meanLuma, 1.0)));
    d.blownHighlights = f.saturatedShare + kBlownValueWeight * f.saturatedChannels;
    d.flatness = std::max(0.0, std::log(kFullContrast / std::max(f.lumaSd, 1.0)));
    d.blocking = kChromaBlockWeight * std::max(0.0, f.chromaGrid.relative)
        + kLumaBlockWeight * std::max(0.0, f.lumaGrid.relative);
    d.coding = codingDefect(f.codingStep);
    return d;
}

} // namespace lis::ranker
