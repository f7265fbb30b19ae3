#pragma once

#include <array>
#include <opencv2/core.hpp>

namespace lis::ranker {

// Natural-scene statistics of luma (the spatial features of Mittal, Moorthy and Bovik's BRISQUE):
// undamaged photos, once each pixel is normalised by its neighbourhood's mean and spread, follow
// a near-Gaussian law and their neighbours a known joint law; blur, noise and blocking bend both
// in their own way. Per scale: the shape and variance of the normalised values (2), then for the
// products with the horizontal, vertical and two diagonal neighbours the shape, mean and left
// and right variances of an asymmetric fit (4 x 4). Two scales: the bitmap and its half.
inline constexpr int kNaturalSceneTerms = 36;
using NaturalSceneTerms = std::array<double, kNaturalSceneTerms>;

// `luma8` is an 8-bit single-channel image of at least 8 x 8 pixels.
NaturalSceneTerms measureNaturalScene(const cv::Mat &luma8);

// The shape parameter of a symmetric generalised Gaussian with the given ratio of variance to
// squared mean absolute value (2 for a Laplacian law, shape 1; pi/2 for a Gaussian, shape 2).
double generalisedGaussianShape(double varianceOverSquaredMeanAbs);

} // namespace lis::ranker
