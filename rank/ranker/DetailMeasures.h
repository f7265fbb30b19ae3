#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace lis::ranker {

// The measures of fine structure behind the quality terms, each on an 8-bit luma (or chroma)
// channel of at least 8 x 8 pixels. `scratch` images hold intermediate results: a caller that
// passes the same ones bitmap after bitmap lets their memory be reused.

// The p-th share (0..1) of the values, by nearest rank; 0 for none.
double percentile(std::vector<double> values, double p);

// Tiles covering the image; the last row and column absorb the remainder so no tile is a sliver.
std::vector<cv::Rect> tiles(cv::Size size, int edge);

// Per-tile noise standard deviation from the residual of a kernel that cancels planes and gentle
// curves (Immerkaer's estimator), on tiles of the given edge whose mean lies away from black and
// white (clipped tiles carry no measurable noise).
std::vector<double> tileNoise(const cv::Mat &channel8, int edge, cv::Mat &scratch);

// Per-tile mean energy of the 4-neighbour Laplacian.
struct TileDetail
{
    std::vector<double> energy;
    double central = 0; // mean energy of the tiles in the middle of the frame
    double mean = 0; // mean energy of all tiles
};
TileDetail tileDetail(const cv::Mat &luma8, int edge, cv::Mat &scratch);

// Mean standard deviation of luma in windows of the given edge across the frame.
double localContrast(
    const cv::Mat &luma8, int window, int step, cv::Mat &sumScratch, cv::Mat &squareScratch);

} // namespace lis::ranker
