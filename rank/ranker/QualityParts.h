#pragma once

#include "QualityFeatures.h"

#include <array>

namespace lis::ranker {

// How much of each kind of defect one bitmap shows, each 0 for none and growing without bound
// with the defect, in natural-log units: the measures behind the parts a user sees (ShownParts),
// and the terms the rank charges beyond what the fitted model already sees.
struct Defects
{
    double softness = 0; // noise-free detail at half size short of a crisp photo's
    double noise = 0; // grain in the flattest tiles, luma and colour together
    double darkness = 0; // mean luma below a well-lit photo's
    double blownHighlights = 0; // shares of pixels and channel values at their ceiling
    double flatness = 0; // global contrast below a full tonal range's
    double blocking = 0; // steps locked to the JPEG block grid, against the detail
    double coding = 0; // the quantisation step of a JPEG coding at the source's resolution
};

inline constexpr int kDefectKinds = 7;
inline constexpr int kCodingDefect = 6; // its place in asArray
// Sharpness is read at half size, where the reduction to the working bitmap has settled, with the
// grain it leaves taken out. A crisp photo's sharpest tiles hold about this energy there (the
// 99th percentile of the scored photos).
inline constexpr double kCrispEnergy = 8000.0;
// A full tonal range's standard deviation of luma.
inline constexpr double kFullContrast = 60.0;

double noiseFreeHalfDetail(const QualityFeatures &f);
std::array<double, kDefectKinds> asArray(const Defects &d);

Defects measureDefects(const QualityFeatures &f);

} // namespace lis::ranker
