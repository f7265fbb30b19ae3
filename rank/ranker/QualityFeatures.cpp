#include "QualityFeatures.h"

#include "DetailMeasures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace lis::ranker {
namespace {

constexpr int kMinSide = 8;
// Tile edge for the local measures: about an eighth of a 500-px working bitmap, so a subject
// that fills a sixth of the frame still owns whole tiles. The half and quarter sizes use half
// and a quarter of it, so every scale sees the same parts of the frame.
constexpr int kTile = 64;
constexpr int kNoiseTile = kTile / 2;
// The share of tiles whose detail decides sharpness: the sharpest tenth, so a sharp subject on
// a thrown-out background counts as sharp.
constexpr double kSharpTiles = 0.9;
// The flattest tenth of the noise tiles holds the least texture.
constexpr double kFlatTiles = 0.1;
// Local contrast: the window edge (a fifteenth of a working bitmap: the scale of objects, not
// of texture) and the step between sampled windows.
constexpr int kContrastWindow = 33;
constexpr int kContrastStep = 4;
// Luma at or below this counts as crushed black.
constexpr int kCrushedLuma = 4;
// JPEG codes luma in 8-px blocks and subsampled colour in 16-px ones.
constexpr double kLumaBlock = 8.0;
constexpr double kChromaBlock = 16.0;

struct Planes
{
    cv::Mat luma;
    cv::Mat cr;
    cv::Mat cb;
};

Planes toPlanes(const cv::Mat &image)
{
    Planes planes;
    if (image.channels() == 1) {
        planes.luma = image;
        planes.cr = cv::Mat(image.size(), CV_8U, cv::Scalar(128));
        planes.cb = planes.cr;
        return planes;
    }
    cv::Mat bgr = image;
    if (image.channels() == 4)
        cv::cvtColor(image, bgr, cv::COLOR_BGRA2BGR);
    cv::Mat ycrcb;
    cv::cvtColor(bgr, ycrcb, cv::COLOR_BGR2YCrCb);
    std::array<cv::Mat, 3> split;
    cv::split(ycrcb, split.data());
    planes.luma = split[0];
    planes.cr = split[1];
    planes.cb = split[2];
    return planes;
}

void measureTones(const cv::Mat &luma8, QualityFeatures &f)
{
    std::array<int, 256> histogram {};
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
    double entropy = 0;
    double crushed = 0;
    for (int v = 0; v < 256; ++v) {
        const double d = v - f.meanLuma;
        m2 += d * d * histogram[v];
        m3 += d * d * d * histogram[v];
        if (histogram[v] > 0) {
            const double p = histogram[v] / total;
            entropy -= p * std::log2(p);
        }
        if (v <= kCrushedLuma)
            crushed += histogram[v];
    }
    f.lumaSd = std::sqrt(m2 / total);
    f.lumaSkew = f.lumaSd > 1.0 ? (m3 / total) / (f.lumaSd * f.lumaSd * f.lumaSd) : 0.0;
    f.lumaEntropy = entropy;
    f.crushedShare = crushed / total;
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
    f.lumaLow = at(0.01);
    f.lumaHigh = at(0.99);
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

// Colourfulness after Hasler and Suesstrunk, on the two chroma channels: their spread, plus a
// third of how far their means lie from grey.
void measureColour(const Planes &planes, QualityFeatures &f)
{
    cv::Scalar crMean, crSd, cbMean, cbSd;
    cv::meanStdDev(planes.cr, crMean, crSd);
    cv::meanStdDev(planes.cb, cbMean, cbSd);
    const double crShift = crMean[0] - 128.0;
    const double cbShift = cbMean[0] - 128.0;
    f.colourfulness = std::hypot(crSd[0], cbSd[0]) + 0.3 * std::hypot(crShift, cbShift);
    f.chromaNoise = percentile(tileNoise(planes.cr, kNoiseTile), kFlatTiles);
}

cv::Mat halved(const cv::Mat &channel)
{
    cv::Mat out;
    cv::resize(channel, out, cv::Size(std::max(1, channel.cols / 2), std::max(1, channel.rows / 2)),
        0, 0, cv::INTER_AREA);
    return out;
}

// Sharpest-tile energy of one scale; the tiles shrink with the scale.
double sharpestTiles(const cv::Mat &luma8, int edge)
{
    if (luma8.cols < kMinSide || luma8.rows < kMinSide)
        return 0;
    return percentile(tileDetail(luma8, std::max(kMinSide, edge)).energy, kSharpTiles);
}

void measureDetail(const cv::Mat &luma8, QualityFeatures &f)
{
    const TileDetail full = tileDetail(luma8, kTile);
    // The 4-neighbour Laplacian turns white noise of variance s^2 into energy 20 s^2.
    const double noiseEnergy = 20.0 * f.noiseSigma * f.noiseSigma;
    f.detail = std::max(0.0, percentile(full.energy, kSharpTiles) - noiseEnergy);
    f.medianDetail = percentile(full.energy, 0.5);
    double sum = 0;
    double sumSquares = 0;
    for (const double e : full.energy) {
        const double l = std::log1p(e);
        sum += l;
        sumSquares += l * l;
    }
    const auto n = static_cast<double>(full.energy.size());
    f.detailSpread = std::sqrt(std::max(0.0, sumSquares / n - (sum / n) * (sum / n)));
    // Kept raw: grain, blur and exposure change the centre and the whole frame alike, so their
    // ratio follows where the detail lies and not how much damage there is.
    f.meanDetail = full.mean;
    f.centralDetail = full.central;
}

void measureScales(const cv::Mat &luma8, QualityFeatures &f)
{
    const cv::Mat half = halved(luma8);
    f.halfDetail = sharpestTiles(half, kTile / 2);
    f.quarterDetail = sharpestTiles(halved(half), kTile / 4);
    if (half.cols >= kMinSide && half.rows >= kMinSide)
        f.halfNoise = percentile(tileNoise(half, kNoiseTile / 2), kFlatTiles);
}

void measureGrid(const Planes &planes, double sourceScale, QualityFeatures &f)
{
    const double scale = sourceScale > 0 ? sourceScale : 1.0;
    f.lumaGrid = measureGridSteps(planes.luma, kLumaBlock * scale);
    const GridSteps cr = measureGridSteps(planes.cr, kChromaBlock * scale);
    const GridSteps cb = measureGridSteps(planes.cb, kChromaBlock * scale);
    f.chromaGrid.amplitude = (cr.amplitude + cb.amplitude) / 2.0;
    f.chromaGrid.relative = (cr.relative + cb.relative) / 2.0;
}

} // namespace

QualityFeatures measureQuality(const cv::Mat &image, double sourceScale)
{
    QualityFeatures f;
    f.width = image.cols;
    f.height = image.rows;
    if (image.empty() || image.depth() != CV_8U || image.cols < kMinSide || image.rows < kMinSide)
        return f;
    const Planes planes = toPlanes(image);
    measureTones(planes.luma, f);
    measureSaturation(image, f);
    measureColour(planes, f);
    const std::vector<double> noise = tileNoise(planes.luma, kNoiseTile);
    f.noiseSigma = percentile(noise, kFlatTiles);
    f.medianNoise = percentile(noise, 0.5);
    measureDetail(planes.luma, f);
    measureScales(planes.luma, f);
    f.localContrast = localContrast(planes.luma, kContrastWindow, kContrastStep);
    measureGrid(planes, sourceScale, f);
    f.naturalScene = measureNaturalScene(planes.luma);
    return f;
}

} // namespace lis::ranker
