#pragma once

#include "Blockiness.h"
#include "NaturalScene.h"

#include <opencv2/core.hpp>
#include <optional>

namespace lis::ranker {

// Raw measurements of one working bitmap, before they are weighed into scores. Energies are
// mean squared 4-neighbour Laplacian values per pixel, levels are on the 0..255 scale.
struct QualityFeatures
{
    int width = 0;
    int height = 0;

    // Tones and exposure.
    double meanLuma = 0;
    double lumaSpread = 0; // 5th to 95th percentile of luma
    double lumaSd = 0; // standard deviation of luma (global RMS contrast)
    double lumaSkew = 0; // skewness of luma: above 0 when a bright tail rises from dark tones
    double lumaLow = 0; // 1st percentile of luma
    double lumaHigh = 0; // 99th percentile of luma
    double lumaEntropy = 0; // of the 256-level luma histogram, in bits
    double crushedShare = 0; // share of pixels at the bottom of the luma range
    double blackShare = 0; // share of pixels at luma 0
    double saturatedShare = 0; // share of pixels with a colour channel at its ceiling
    double saturatedChannels = 0; // share of all colour channel values at their ceiling

    // Colour.
    double colourfulness = 0; // spread of the two chroma channels plus a share of their mean
    double chromaNoise = 0; // noise estimate of the flattest chroma tiles

    // Detail, at the bitmap's scale and at half and a quarter of it.
    double detail = 0; // energy of the sharpest tiles, noise removed
    double medianDetail = 0; // energy of the median tile
    double detailSpread = 0; // standard deviation over tiles of the log energy
    double meanDetail = 0; // mean energy of all tiles
    double centralDetail = 0; // mean energy of the tiles in the middle of the frame
    double halfDetail = 0; // energy of the sharpest tiles of the half-size bitmap
    double quarterDetail = 0; // the same at a quarter size
    double localContrast = 0; // mean luma standard deviation in 33-px windows

    // Noise.
    double noiseSigma = 0; // noise standard deviation of the flattest tiles
    double medianNoise = 0; // the same estimator on the median tile: noise and fine texture
    double halfNoise = 0; // flattest tiles of the half-size bitmap: noise halves, texture stays

    // Compression: steps locked to the block grid of the source's JPEG coding, if any.
    GridSteps lumaGrid; // 8-px blocks, scaled to the bitmap
    GridSteps chromaGrid; // 16-px colour blocks, scaled to the bitmap
    // The quantisation step of a JPEG coding that the source's own pixels show (CodingSteps),
    // or the bitmap's when it is its own source; nothing when they cannot tell.
    std::optional<double> codingStep;

    NaturalSceneTerms naturalScene {};
};

// Measures an 8-bit image with 1, 3 or 4 channels. `sourceScale` is the bitmap's width over the
// width of the file it was reduced from (1 when it was not reduced or that is unknown); it
// places the block grid. Images too small to judge give all zeros apart from their size.
QualityFeatures measureQuality(const cv::Mat &image, double sourceScale = 1.0);

} // namespace lis::ranker
