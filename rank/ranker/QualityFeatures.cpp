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

// Intermediate images of one judgement, kept per thread: working bitmaps come in the same size
// one after another, so their memory is reused instead of mapped afresh for every bitmap.
struct Scratch
{
    cv::Mat bgr, ycrcb;
    std::array<cv::Mat, 3> planes;
    cv::Mat half, quarter;
    std::array<cv::Mat, 3> laplacian; // one per scale
    std::array<cv::Mat, 3> residual; // luma, chroma, half-size luma
    cv::Mat sum, squares;
};

Scratch &scratch()
{
    thread_local Scratch s;
    return s;
}

Planes toPlanes(const cv::Mat &image, Scratch &s)
{
    if (image.channels() == 1) {
        s.planes[1].create(image.size(), CV_8U);
        s.planes[1].setTo(128);
        return { image, s.planes[1], s.planes[1] };
    }
    const cv::Mat *bgr = &image;
    if (image.channels() == 4) {
        cv::cvtColor(image, s.bgr, cv::COLOR_BGRA2BGR);
        bgr = &s.bgr;
    }
    cv::cvtColor(*bgr, s.ycrcb, cv::COLOR_BGR2YCrCb);
    cv::split(s.ycrcb, s.planes.data());
    return { s.planes[0], s.planes[1], s.planes[2] };
}

void measureTones(const cv::Mat &luma8, QualityFeatures &f)
{
    // Four interleaved counts keep neighbouring pixels of one level from waiting on each other.
    std::array<std::array<int, 256>, 4> counts {};
    for (int y = 0; y < luma8.rows; ++y) {
        const uint8_t *row = luma8.ptr<uint8_t>(y);
        for (int x = 0; x < luma8.cols; ++x)
            ++counts[x & 3][row[x]];
    }
    std::array<int, 256> histogram {};
    for (int v = 0; v < 256; ++v)
        histogram[v] = counts[0][v] + counts[1][v] + counts[2][v] + counts[3][v];
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
    f.blackShare = histogram[0] / total;
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
        int rowPixels = 0;
        int rowValues = 0;
        if (channels == 3) { // the working bitmap's case, written so it runs in vector lanes
            for (int x = 0; x < image.cols; ++x) {
                const int b = p[3 * x] == 255;
                const int g = p[3 * x + 1] == 255;
                const int r = p[3 * x + 2] == 255;
                rowPixels += b | g | r;
                rowValues += b + g + r;
            }
        } else {
            for (int x = 0; x < image.cols; ++x) {
                int blown = 0;
                for (int c = 0; c < colour; ++c)
                    blown += p[channels * x + c] == 255;
                rowPixels += blown > 0;
                rowValues += blown;
            }
        }
        pixels += static_cast<std::size_t>(rowPixels);
        values += static_cast<std::size_t>(rowValues);
    }
    const double total = static_cast<double>(image.total());
    f.saturatedShare = static_cast<double>(pixels) / total;
    f.saturatedChannels = static_cast<double>(values) / (total * colour);
}

// Colourfulness after Hasler and Suesstrunk, on the two chroma channels: their spread, plus a
// third of how far their means lie from grey.
void measureColour(const Planes &planes, Scratch &s, QualityFeatures &f)
{
    cv::Scalar crMean, crSd, cbMean, cbSd;
    cv::meanStdDev(planes.cr, crMean, crSd);
    cv::meanStdDev(planes.cb, cbMean, cbSd);
    const double crShift = crMean[0] - 128.0;
    const double cbShift = cbMean[0] - 128.0;
    f.colourfulness = std::hypot(crSd[0], cbSd[0]) + 0.3 * std::hypot(crShift, cbShift);
    f.chromaNoise = percentile(tileNoise(planes.cr, kNoiseTile, s.residual[1]), kFlatTiles);
}

const cv::Mat &halved(const cv::Mat &channel, cv::Mat &out)
{
    cv::resize(channel, out, cv::Size(std::max(1, channel.cols / 2), std::max(1, channel.rows / 2)),
        0, 0, cv::INTER_AREA);
    return out;
}

// Sharpest-tile energy of one scale; the tiles shrink with the scale.
double sharpestTiles(const cv::Mat &luma8, int edge, cv::Mat &scratch)
{
    if (luma8.cols < kMinSide || luma8.rows < kMinSide)
        return 0;
    return percentile(tileDetail(luma8, std::max(kMinSide, edge), scratch).energy, kSharpTiles);
}

void measureDetail(const cv::Mat &luma8, Scratch &s, QualityFeatures &f)
{
    const TileDetail full = tileDetail(luma8, kTile, s.laplacian[0]);
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

void measureScales(const cv::Mat &luma8, Scratch &s, QualityFeatures &f)
{
    const cv::Mat &half = halved(luma8, s.half);
    f.halfDetail = sharpestTiles(half, kTile / 2, s.laplacian[1]);
    f.quarterDetail = sharpestTiles(halved(half, s.quarter), kTile / 4, s.laplacian[2]);
    if (half.cols >= kMinSide && half.rows >= kMinSide)
        f.halfNoise = percentile(tileNoise(half, kNoiseTile / 2, s.residual[2]), kFlatTiles);
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
    Scratch &s = scratch();
    const Planes planes = toPlanes(image, s);
    measureTones(planes.luma, f);
    measureSaturation(image, f);
    measureColour(planes, s, f);
    const std::vector<double> noise = tileNoise(planes.luma, kNoiseTile, s.residual[0]);
    f.noiseSigma = percentile(noise, kFlatTiles);
    f.medianNoise = percentile(noise, 0.5);
    measureDetail(planes.luma, s, f);
    measureScales(planes.luma, s, f);
    f.localContrast = localContrast(planes.luma, kContrastWindow, kContrastStep, s.sum, s.squares);
    measureGrid(planes, sourceScale, f);
    f.naturalScene = measureNaturalScene(planes.luma);
    return f;
}

} // namespace lis::ranker
