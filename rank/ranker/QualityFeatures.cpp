#include "QualityFeatures.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace lis::ranker {
namespace {

constexpr int kMinSide = 8;
// Tile edge for the local measures: about an eighth of a 500-px working bitmap, so a subject
// that fills a sixth of the frame still owns whole tiles. (32 and 128 px did no better on
// scored photos.)
constexpr int kTile = 64;
// The share of tiles whose detail decides sharpness: the sharpest tenth, so a sharp subject on
// a thrown-out background counts as sharp.
constexpr double kSharpTiles = 0.9;
// The flattest tenth of the noise tiles holds the least texture.
constexpr double kFlatTiles = 0.1;
// The centre box: tiles whose centre lies within this share of each side from the middle.
constexpr double kCentralHalfShare = 0.3;
// Local contrast: the window edge (a fifteenth of a working bitmap: the scale of objects, not
// of texture) and the step between sampled windows.
constexpr int kContrastWindow = 33;
constexpr int kContrastStep = 4;

cv::Mat toLuma(const cv::Mat &image)
{
    cv::Mat grey;
    switch (image.channels()) {
    case 1:
        grey = image;
        break;
    case 4:
        cv::cvtColor(image, grey, cv::COLOR_BGRA2GRAY);
        break;
    default:
        cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
        break;
    }
    return grey;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    const auto k = static_cast<std::size_t>(std::clamp(p, 0.0, 1.0) * (values.size() - 1) + 0.5);
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(k), values.end());
    return values[k];
}

// Tiles covering the image; the last row and column absorb the remainder so no tile is a sliver.
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

void measureTones(const cv::Mat &luma8, QualityFeatures &f)
{
    int histogram[256] = {};
    for (int y = 0; y < luma8.rows; ++y) {
        const uint8_t *row = luma8.ptr<uint8_t>(y);
        for (int x = 0; x < luma8.cols; ++x)
            ++histogram[row[x]];
    }
    const double total = static_cast<double>(luma8.total());
    double sum = 0;
    for (int v = 0; v < 256; ++v)
        sum += static_cast<double>(v) * histogram[v];
    f.meanLuma = sum / total;
    double m2 = 0;
    double m3 = 0;
    for (int v = 0; v < 256; ++v) {
        const double d = v - f.meanLuma;
        m2 += d * d * histogram[v];
        m3 += d * d * d * histogram[v];
    }
    f.lumaSd = std::sqrt(m2 / total);
    f.lumaSkew = f.lumaSd > 1.0 ? (m3 / total) / (f.lumaSd * f.lumaSd * f.lumaSd) : 0.0;
    auto at = [&](double share) {
        double seen = 0;
        for (int v = 0; v < 256; ++v) {
            seen += histogram[v];
            if (seen >= share * total)
                return v;
        }
        return 255;
    };
    f.lumaSpread = at(0.95) - at(0.05);
}

// Blown highlights pile up at the ceiling of a channel; a white wall that is merely bright
// does not, so only the ceiling itself counts. Both the pixels with any channel blown and the
// blown channel values are counted: the first saturates once one channel is blown everywhere
// (a blue sky pushed up), the second still grows as the other channels follow.
void measureSaturation(const cv::Mat &image, QualityFeatures &f)
{
    const int channels = image.channels();
    const int colour = std::min(channels, 3);
    std::size_t pixels = 0;
    std::size_t values = 0;
    for (int y = 0; y < image.rows; ++y) {
        const uint8_t *p = image.ptr<uint8_t>(y);
        for (int x = 0; x < image.cols; ++x, p += channels) {
            int blown = 0;
            for (int c = 0; c < colour; ++c)
                blown += p[c] == 255;
            pixels += blown > 0;
            values += static_cast<std::size_t>(blown);
        }
    }
    const double total = static_cast<double>(image.total());
    f.saturatedShare = static_cast<double>(pixels) / total;
    f.saturatedChannels = static_cast<double>(values) / (total * colour);
}

// Noise from the flattest tiles: the residual of a kernel that cancels planes and gentle
// curves, so only pixel-to-pixel jitter remains. Fine texture is local; noise is everywhere, so
// a low percentile over tiles sees noise and not texture. Tiles near black or white carry no
// measurable noise and are left out.
double measureNoise(const cv::Mat &luma8)
{
    const cv::Mat kernel = (cv::Mat_<float>(3, 3) << 1, -2, 1, -2, 4, -2, 1, -2, 1);
    cv::Mat residual;
    cv::filter2D(luma8, residual, CV_16S, kernel, cv::Point(-1, -1), 0, cv::BORDER_REFLECT);
    std::vector<double> sigmas;
    for (const cv::Rect &t : tiles(luma8.size(), kTile / 2)) {
        const double mean = cv::mean(luma8(t))[0];
        if (mean < 8 || mean > 247)
            continue;
        // Immerkaer's estimator: sigma = sqrt(pi/2) / 6 * mean |residual|.
        const double meanAbs = cv::norm(residual(t), cv::NORM_L1) / static_cast<double>(t.area());
        sigmas.push_back(std::sqrt(CV_PI / 2) / 6.0 * meanAbs);
    }
    return percentile(sigmas, kFlatTiles);
}

// Whether a tile belongs to the middle of the frame, where subjects usually sit: its centre
// lies in the central 60 % of both sides.
bool isCentral(const cv::Rect &t, cv::Size size)
{
    const double cx = t.x + t.width / 2.0;
    const double cy = t.y + t.height / 2.0;
    return std::abs(cx - size.width / 2.0) < kCentralHalfShare * size.width
        && std::abs(cy - size.height / 2.0) < kCentralHalfShare * size.height;
}

void measureDetail(const cv::Mat &luma8, QualityFeatures &f)
{
    cv::Mat lap;
    cv::Laplacian(luma8, lap, CV_16S, 1, 1, 0, cv::BORDER_REFLECT);
    std::vector<double> perTile;
    double allSum = 0;
    double centralSum = 0;
    int centralTiles = 0;
    for (const cv::Rect &t : tiles(luma8.size(), kTile)) {
        const double energy = cv::norm(lap(t), cv::NORM_L2SQR) / static_cast<double>(t.area());
        perTile.push_back(energy);
        allSum += energy;
        if (isCentral(t, luma8.size())) {
            centralSum += energy;
            ++centralTiles;
        }
    }
    // The 4-neighbour Laplacian turns white noise of variance s^2 into energy 20 s^2.
    const double noiseEnergy = 20.0 * f.noiseSigma * f.noiseSigma;
    f.detail = std::max(0.0, percentile(perTile, kSharpTiles) - noiseEnergy);
    // Kept raw: grain, blur and exposure change the centre and the whole frame alike, so their
    // ratio follows where the detail lies and not how much damage there is.
    f.meanDetail = allSum / static_cast<double>(perTile.size());
    f.centralDetail = centralTiles > 0 ? centralSum / centralTiles : f.meanDetail;
}

// Mean standard deviation of luma in windows across the frame, from one integral image.
double measureLocalContrast(const cv::Mat &luma8)
{
    const int w = std::min({ kContrastWindow, luma8.cols, luma8.rows });
    cv::Mat sum;
    cv::Mat squares;
    cv::integral(luma8, sum, squares, CV_32S, CV_64F);
    const double n = static_cast<double>(w) * w;
    double total = 0;
    int windows = 0;
    for (int y = 0; y + w <= luma8.rows; y += kContrastStep) {
        const int *s0 = sum.ptr<int>(y);
        const int *s1 = sum.ptr<int>(y + w);
        const double *q0 = squares.ptr<double>(y);
        const double *q1 = squares.ptr<double>(y + w);
        for (int x = 0; x + w <= luma8.cols; x += kContrastStep) {
            const double mean = (s1[x + w] - s1[x] - s0[x + w] + s0[x]) / n;
            const double meanSq = (q1[x + w] - q1[x] - q0[x + w] + q0[x]) / n;
            total += std::sqrt(std::max(0.0, meanSq - mean * mean));
            ++windows;
        }
    }
    return windows > 0 ? total / windows : 0.0;
}

} // namespace

QualityFeatures measureQuality(const cv::Mat &image)
{
    QualityFeatures f;
    f.width = image.cols;
    f.height = image.rows;
    if (image.empty() || image.depth() != CV_8U || image.cols < kMinSide || image.rows < kMinSide)
        return f;
    const cv::Mat luma = toLuma(image);
    measureTones(luma, f);
    measureSaturation(image, f);
    f.noiseSigma = measureNoise(luma);
    measureDetail(luma, f);
    f.localContrast = measureLocalContrast(luma);
    return f;
}

} // namespace lis::ranker
