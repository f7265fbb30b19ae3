#pragma once

#include <opencv2/core.hpp>

namespace lis::ranker {

// Raw measurements of one working bitmap, before they are weighed into scores.
struct QualityFeatures
{
    int width = 0;
    int height = 0;
    double meanLuma = 0; // 0..255
    double lumaSpread = 0; // 5th to 95th percentile of luma, 0..255
    double saturatedShare = 0; // share of pixels with a colour channel at its ceiling
    double saturatedChannels = 0; // share of all colour channel values at their ceiling
    double detail = 0; // Laplacian energy of the sharpest tiles, noise removed
    double noiseSigma = 0; // estimated noise standard deviation, 0..255 scale
    double meanDetail = 0; // mean Laplacian energy of all tiles
    double centralDetail = 0; // mean Laplacian energy of the tiles in the middle of the frame
    double localContrast = 0; // mean luma standard deviation in 33-px windows, 0..255 scale
    double lumaSd = 0; // standard deviation of luma (global RMS contrast), 0..255 scale
    double lumaSkew = 0; // skewness of luma: above 0 when a bright tail rises from dark tones
};

// Measures an 8-bit image with 1, 3 or 4 channels. Images too small to judge give all zeros
// apart from their size.
QualityFeatures measureQuality(const cv::Mat &image);

} // namespace lis::ranker
