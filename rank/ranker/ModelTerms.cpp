#include "ModelTerms.h"

#include <cmath>

namespace lis::ranker {
namespace {

// Noise levels below a tenth of a level are all the same clean.
constexpr double kNoiseFloor = 0.1;

double logNoise(double sigma)
{
    return std::log(kNoiseFloor + sigma);
}

const std::array<std::string_view, kModelTerms> kNames = {
    "detail",
    "median_detail",
    "detail_spread",
    "central_lean",
    "half_detail",
    "quarter_detail",
    "local_contrast",
    "mean_luma",
    "luma_sd",
    "luma_skew",
    "luma_spread",
    "luma_low",
    "luma_high",
    "luma_entropy",
    "crushed",
    "saturated_pixels",
    "saturated_values",
    "colourfulness",
    "noise",
    "median_noise",
    "half_noise",
    "chroma_noise",
    "luma_grid_relative",
    "luma_grid",
    "chroma_grid_relative",
    "chroma_grid",
    "nss1_shape",
    "nss1_variance",
    "nss1_h_shape",
    "nss1_h_mean",
    "nss1_h_left",
    "nss1_h_right",
    "nss1_v_shape",
    "nss1_v_mean",
    "nss1_v_left",
    "nss1_v_right",
    "nss1_d_shape",
    "nss1_d_mean",
    "nss1_d_left",
    "nss1_d_right",
    "nss1_a_shape",
    "nss1_a_mean",
    "nss1_a_left",
    "nss1_a_right",
    "nss2_shape",
    "nss2_variance",
    "nss2_h_shape",
    "nss2_h_mean",
    "nss2_h_left",
    "nss2_h_right",
    "nss2_v_shape",
    "nss2_v_mean",
    "nss2_v_left",
    "nss2_v_right",
    "nss2_d_shape",
    "nss2_d_mean",
    "nss2_d_left",
    "nss2_d_right",
    "nss2_a_shape",
    "nss2_a_mean",
    "nss2_a_left",
    "nss2_a_right",
};

} // namespace

ModelTerms modelTerms(const QualityFeatures &f)
{
    ModelTerms t {};
    int i = 0;
    t[i++] = std::log1p(f.detail);
    t[i++] = std::log1p(f.medianDetail);
    t[i++] = f.detailSpread;
    t[i++] = std::log1p(f.centralDetail) - std::log1p(f.meanDetail);
    t[i++] = std::log1p(f.halfDetail);
    t[i++] = std::log1p(f.quarterDetail);
    t[i++] = std::log1p(f.localContrast);
    t[i++] = f.meanLuma;
    t[i++] = f.lumaSd;
    t[i++] = f.lumaSkew;
    t[i++] = f.lumaSpread;
    t[i++] = f.lumaLow;
    t[i++] = f.lumaHigh;
    t[i++] = f.lumaEntropy;
    t[i++] = std::sqrt(f.crushedShare);
    t[i++] = std::sqrt(f.saturatedShare);
    t[i++] = std::sqrt(f.saturatedChannels);
    t[i++] = f.colourfulness;
    t[i++] = logNoise(f.noiseSigma);
    t[i++] = logNoise(f.medianNoise);
    t[i++] = logNoise(f.halfNoise);
    t[i++] = logNoise(f.chromaNoise);
    t[i++] = f.lumaGrid.relative;
    t[i++] = f.lumaGrid.amplitude;
    t[i++] = f.chromaGrid.relative;
    t[i++] = f.chromaGrid.amplitude;
    for (const double v : f.naturalScene)
        t[i++] = v;
    return t;
}

const std::array<std::string_view, kModelTerms> &modelTermNames()
{
    return kNames;
}

} // namespace lis::ranker
