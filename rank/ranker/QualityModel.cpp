#include "QualityModel.h"

#include <algorithm>
#include <cmath>

namespace lis::ranker {
namespace {

double clamp100(double v)
{
    return std::clamp(v, 0.0, 100.0);
}

double sharpnessScore(const QualityFeatures &f)
{
    // Laplacian energy spans decades between a blurred and a crisp photo: judge its logarithm.
    return clamp100(25.0 * std::log10(1.0 + f.detail));
}

double noiseScore(const QualityFeatures &f)
{
    return clamp100(100.0 * (1.0 - f.noiseSigma / 12.0));
}

double exposureScore(const QualityFeatures &f)
{
    const double blown = std::max(0.0, f.clipHigh - 0.005);
    const double crushed = std::max(0.0, f.clipLow - 0.01);
    const double offMid
        = std::max(0.0, std::abs(std::log2(std::max(f.meanLuma, 1.0) / 110.0)) - 0.5);
    return clamp100(100.0 - 300.0 * blown - 300.0 * crushed - 40.0 * offMid);
}

double contrastScore(const QualityFeatures &f)
{
    return clamp100(f.lumaSpread / 2.0);
}

double compressionScore(const SourceInfo &s)
{
    if (!s.jpegQuality)
        return 100.0;
    return clamp100(100.0 - 1.2 * std::max(0.0, 95.0 - *s.jpegQuality));
}

} // namespace

QualityScores scoreQuality(const QualityFeatures &f, const SourceInfo &source)
{
    QualityScores s;
    s.sharpness = sharpnessScore(f);
    s.noise = noiseScore(f);
    s.exposure = exposureScore(f);
    s.contrast = contrastScore(f);
    s.compression = compressionScore(source);
    s.overall = clamp100(0.55 * s.sharpness + 0.1 * s.contrast - 0.5 * (100 - s.noise)
        - 0.6 * (100 - s.exposure) - 0.4 * (100 - s.compression) + 30.0);
    s.rank = 1 + static_cast<int32_t>(std::lround(s.overall * 1000.0));
    return s;
}

} // namespace lis::ranker
