#pragma once

#include "ModelTerms.h"
#include "QualityParts.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace lis::ranker {

// The fitted judgement, as data: written by rank/ranker/fit/refit into model/FittedModelData.cpp
// and evaluated here with plain arithmetic. Every term is first held to the range it spanned in
// fitting (so no input is judged by extrapolation) and standardised; a support-vector regressor
// with a Gaussian kernel and a sum of regression trees each predict the opinion score from the
// standardised terms, and a share of each makes the estimate. Each defect then costs its
// weight times how far it lies beyond its threshold: the part of graded damage that people's
// scores of real photos cannot teach, as fitted on graded damage of some of those photos.
struct TreeNode
{
    int32_t term; // -1 for a leaf
    double threshold; // standardised term at or below this goes left
    int32_t left;
    int32_t right;
    float value; // a leaf's contribution
};

struct FittedModelData
{
    std::span<const std::string_view> termNames;
    std::span<const double> low; // each term is held to [low, high]
    std::span<const double> high;
    std::span<const double> mean; // then standardised: (term - mean) / scale
    std::span<const double> scale;
    double kernelGamma; // exp(-gamma |x - v|^2)
    double svrIntercept;
    std::span<const float> svrCoefficients; // one per support vector
    std::span<const float> supportVectors; // row after row of kModelTerms values
    double treeBaseline;
    std::span<const int32_t> treeRoots; // index of each tree's first node
    std::span<const TreeNode> treeNodes;
    double svrShare; // estimate = share * regressor + (1 - share) * trees
    std::array<double, kDefectKinds> defectWeight;
    std::array<double, kDefectKinds> defectThreshold;
};

extern const FittedModelData kFittedModel;

// Rows the fitting tool judged, with the estimate it gave them: the library must agree.
struct FittedCheck
{
    ModelTerms terms;
    std::array<double, kDefectKinds> defects;
    double score;
};
extern const std::span<const FittedCheck> kFittedChecks;

// The estimate of one bitmap's opinion score (0..1 on the scored photos' scale, less when its
// defects go beyond theirs), from its terms and defects.
double fittedScore(const FittedModelData &model, const ModelTerms &terms,
    const std::array<double, kDefectKinds> &defects);

// Whether the model was fitted on the terms this library computes, name for name.
bool matchesTerms(const FittedModelData &model);

} // namespace lis::ranker
