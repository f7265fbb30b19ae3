#pragma once

#include "QualityFeatures.h"

#include <array>
#include <string_view>

namespace lis::ranker {

// The inputs of the fitted model: the measurements turned into terms on which a change means
// about as much anywhere along the scale (logs of energies and noise levels, square roots of
// small shares). The fitting tool reads these same values through this same function.
inline constexpr int kModelTerms = 26 + kNaturalSceneTerms;
using ModelTerms = std::array<double, kModelTerms>;

ModelTerms modelTerms(const QualityFeatures &f);

// Stable short names, in the order of the terms: the columns of the fitting tool's table and
// the key the generated model is checked against.
const std::array<std::string_view, kModelTerms> &modelTermNames();

} // namespace lis::ranker
