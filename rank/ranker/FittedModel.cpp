#include "FittedModel.h"

#include <algorithm>
#include <cmath>

namespace lis::ranker {
namespace {

std::array<double, kModelTerms> standardised(const FittedModelData &m, const ModelTerms &terms)
{
    std::array<double, kModelTerms> x {};
    for (int i = 0; i < kModelTerms; ++i) {
        const double held = std::clamp(terms[i], m.low[i], m.high[i]);
        x[i] = (held - m.mean[i]) / m.scale[i];
    }
    return x;
}

double regressor(const FittedModelData &m, const std::array<double, kModelTerms> &x)
{
    std::array<float, kModelTerms> point {};
    std::copy(x.begin(), x.end(), point.begin());
    double sum = m.svrIntercept;
    const float *vector = m.supportVectors.data();
    for (const float coefficient : m.svrCoefficients) {
        float distance = 0;
        for (int i = 0; i < kModelTerms; ++i) {
            const float d = point[i] - vector[i];
            distance += d * d;
        }
        sum += coefficient * std::exp(-m.kernelGamma * distance);
        vector += kModelTerms;
    }
    return sum;
}

double trees(const FittedModelData &m, const std::array<double, kModelTerms> &x)
{
    double sum = m.treeBaseline;
    for (const int32_t root : m.treeRoots) {
        const TreeNode *node = &m.treeNodes[root];
        while (node->term >= 0)
            node = &m.treeNodes[x[node->term] <= node->threshold ? node->left : node->right];
        sum += node->value;
    }
    return sum;
}

} // namespace

double fittedScore(
    const FittedModelData &m, const ModelTerms &terms, const std::array<double, kDefectKinds> &d)
{
    const std::array<double, kModelTerms> x = standardised(m, terms);
    double score = m.svrShare * regressor(m, x) + (1.0 - m.svrShare) * trees(m, x);
    for (int k = 0; k < kDefectKinds; ++k)
        score -= m.defectWeight[k] * std::max(0.0, d[k] - m.defectThreshold[k]);
    return score;
}

bool matchesTerms(const FittedModelData &m)
{
    return std::equal(m.termNames.begin(), m.termNames.end(), modelTermNames().begin(),
               modelTermNames().end())
        && m.low.size() == kModelTerms && m.high.size() == kModelTerms
        && m.mean.size() == kModelTerms && m.scale.size() == kModelTerms
        && m.supportVectors.size() == m.svrCoefficients.size() * kModelTerms;
}

} // namespace lis::ranker
