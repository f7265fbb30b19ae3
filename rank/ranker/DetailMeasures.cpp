#include "DetailMeasures.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace lis::ranker {
namespace {

// The centre box: tiles whose centre lies within this share of each side from the middle.
constexpr double kCentralHalfShare = 0.3;
// Tiles this close to black or white have their noise clipped away.
constexpr double kDarkestNoiseTile = 8;
constexpr double kBrightestNoiseTile = 247;

// Whether a tile belongs to the middle of the frame, where subjects usually sit: its centre
// lies in the central 60 % of both sides.
bool isCentral(const cv::Rect &t, cv::Size size)
{
    const double cx = t.x + t.width / 2.0;
    const double cy = t.y + t.height / 2.0;
    return std::abs(cx - size.width / 2.0) < kCentralHalfShare * size.width
        && std::abs(cy - size.height / 2.0) < kCentralHalfShare * size.height;
}

} // namespace

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    const auto k = static_cast<std::size_t>(std::clamp(p, 0.0, 1.0) * (values.size() - 1) + 0.5);
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(k), values.end());
    return values[k];
}

std::vector<cv::Rect> tiles(cv::Size size, int edge)
{
    std::vector<cv::Rect> out;
    const int nx = std::max(1, size.width / edge);
    const int ny = std::max(1, size.height / edge);
    for (int ty = 0; ty < ny; ++ty) {
        const int y0 = ty * size.height / ny;
        const int y1 = (ty + 1) * size.height / ny;
        for (int tx = 0; tx < nx; ++tx) {
            const int x0 = tx * size.width / nx;
            const int x1 = (tx + 1) * size.width / nx;
            out.emplace_back(x0, y0, x1 - x0, y1 - y0);
        }
    }
    return out;
}

std::vector<double> tileNoise(const cv::Mat &channel8, int edge, cv::Mat &residual)
{
    const cv::Mat kernel = (cv::Mat_<float>(3, 3) << 1, -2, 1, -2, 4, -2, 1, -2, 1);
    cv::filter2D(channel8, residual, CV_16S, kernel, cv::Point(-1, -1), 0, cv::BORDER_REFLECT);
    // One pass for every tile's sum of levels and of absolute residuals, row by row.
    const std::vector<cv::Rect> all = tiles(channel8.size(), edge);
    std::vector<double> levelSums(all.size(), 0.0);
    std::vector<double> residualSums(all.size(), 0.0);
    for (std::size_t t = 0; t < all.size(); ++t) {
        const cv::Rect &r = all[t];
        int levels = 0;
        int residuals = 0;
        for (int y = r.y; y < r.y + r.height; ++y) {
            const uint8_t *v = channel8.ptr<uint8_t>(y) + r.x;
            const int16_t *e = residual.ptr<int16_t>(y) + r.x;
            for (int x = 0; x < r.width; ++x) {
                levels += v[x];
                residuals += std::abs(e[x]);
            }
        }
        levelSums[t] = levels;
        residualSums[t] = residuals;
    }
    std::vector<double> sigmas;
    for (std::size_t t = 0; t < all.size(); ++t) {
        const double area = static_cast<double>(all[t].area());
        const double mean = levelSums[t] / area;
        if (mean < kDarkestNoiseTile || mean > kBrightestNoiseTile)
            continue;
        // sigma = sqrt(pi/2) / 6 * mean |residual|.
        sigmas.push_back(std::sqrt(CV_PI / 2) / 6.0 * residualSums[t] / area);
    }
    return sigmas;
}

TileDetail tileDetail(const cv::Mat &luma8, int edge, cv::Mat &lap)
{
    cv::Laplacian(luma8, lap, CV_16S, 1, 1, 0, cv::BORDER_REFLECT);
    TileDetail out;
    double centralSum = 0;
    int centralTiles = 0;
    double sum = 0;
    for (const cv::Rect &t : tiles(luma8.size(), edge)) {
        const double energy = cv::norm(lap(t), cv::NORM_L2SQR) / static_cast<double>(t.area());
        out.energy.push_back(energy);
        sum += energy;
        if (isCentral(t, luma8.size())) {
            centralSum += energy;
            ++centralTiles;
        }
    }
    out.mean = sum / static_cast<double>(out.energy.size());
    out.central = centralTiles > 0 ? centralSum / centralTiles : out.mean;
    return out;
}

double localContrast(const cv::Mat &luma8, int window, int step, cv::Mat &sum, cv::Mat &squares)
{
    const int w = std::min({ window, luma8.cols, luma8.rows });
    cv::integral(luma8, sum, squares, CV_32S, CV_64F);
    const double n = static_cast<double>(w) * w;
    double total = 0;
    int windows = 0;
    for (int y = 0; y + w <= luma8.rows; y += step) {
        const int *s0 = sum.ptr<int>(y);
        const int *s1 = sum.ptr<int>(y + w);
        const double *q0 = squares.ptr<double>(y);
        const double *q1 = squares.ptr<double>(y + w);
        for (int x = 0; x + w <= luma8.cols; x += step) {
            const double mean = (s1[x + w] - s1[x] - s0[x + w] + s0[x]) / n;
            const double meanSq = (q1[x + w] - q1[x] - q0[x + w] + q0[x]) / n;
            total += std::sqrt(std::max(0.0, meanSq - mean * mean));
            ++windows;
        }
    }
    return windows > 0 ? total / windows : 0.0;
}

} // namespace lis::ranker
