#include "NaturalScene.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace lis::ranker {
namespace {

// The shapes searched, as in the published method: 0.2 to 10 in steps of 0.001.
constexpr double kShapeMin = 0.2;
constexpr double kShapeStep = 0.001;
constexpr int kShapeCount = 9801;
// The neighbourhood of the local normalisation: a 7 x 7 Gaussian window of sigma 7/6; the 1
// added to the local spread keeps flat regions (spread 0) finite.
constexpr int kWindow = 7;
constexpr double kWindowSigma = 7.0 / 6.0;
constexpr float kSpreadFloor = 1.0F;

double shapeAt(int index)
{
    return kShapeMin + kShapeStep * index;
}

// Gamma(1/s) Gamma(3/s) / Gamma(2/s)^2 for every searched shape s: it falls as s grows.
const std::vector<double> &shapeRatios()
{
    static const std::vector<double> ratios = [] {
        std::vector<double> r(kShapeCount);
        for (int i = 0; i < kShapeCount; ++i) {
            const double s = shapeAt(i);
            r[i] = std::exp(
                std::lgamma(1.0 / s) + std::lgamma(3.0 / s) - 2.0 * std::lgamma(2.0 / s));
        }
        return r;
    }();
    return ratios;
}

double gammaRatio(double a, double b, double shape)
{
    return std::exp(std::lgamma(a / shape) - std::lgamma(b / shape));
}

// Scratch images of one scale, kept per thread: they are the same size call after call, so
// their memory is reused rather than mapped afresh for every bitmap.
struct Workspace
{
    cv::Mat luma, squares, mean, meanOfSquares, values;
};

Workspace &workspace(int scale)
{
    thread_local Workspace spaces[2];
    return spaces[scale];
}

// Each value less its neighbourhood's mean, over the neighbourhood's spread.
const cv::Mat &normalised(Workspace &w)
{
    const cv::Size window(kWindow, kWindow);
    cv::multiply(w.luma, w.luma, w.squares);
    cv::GaussianBlur(w.luma, w.mean, window, kWindowSigma, kWindowSigma, cv::BORDER_REPLICATE);
    cv::GaussianBlur(
        w.squares, w.meanOfSquares, window, kWindowSigma, kWindowSigma, cv::BORDER_REPLICATE);
    w.values.create(w.luma.size(), CV_32F);
    for (int y = 0; y < w.luma.rows; ++y) {
        const float *v = w.luma.ptr<float>(y);
        const float *m = w.mean.ptr<float>(y);
        const float *q = w.meanOfSquares.ptr<float>(y);
        float *o = w.values.ptr<float>(y);
        for (int x = 0; x < w.luma.cols; ++x)
            o[x] = (v[x] - m[x]) / (std::sqrt(std::abs(q[x] - m[x] * m[x])) + kSpreadFloor);
    }
    return w.values;
}

// Shape and variance of the normalised values themselves.
void fitSymmetric(const cv::Mat &values, double *out)
{
    double sumSquares = 0;
    double sumAbs = 0;
    for (int y = 0; y < values.rows; ++y) {
        const float *v = values.ptr<float>(y);
        float rowSquares = 0;
        float rowAbs = 0;
        for (int x = 0; x < values.cols; ++x) {
            rowSquares += v[x] * v[x];
            rowAbs += std::abs(v[x]);
        }
        sumSquares += rowSquares;
        sumAbs += rowAbs;
    }
    const double n = static_cast<double>(values.total());
    const double variance = sumSquares / n;
    const double meanAbs = sumAbs / n;
    out[0] = generalisedGaussianShape(meanAbs > 0 ? variance / (meanAbs * meanAbs) : HUGE_VAL);
    out[1] = variance;
}

struct SidedSums
{
    double leftSquares = 0;
    double squares = 0;
    double leftCount = 0;
    double abs = 0;
    double count = 0;
};

// Products of each value with its neighbour (dx, dy), over every pair inside the frame. Written
// without branches so the compiler keeps several products in flight.
SidedSums neighbourProducts(const cv::Mat &values, int dx, int dy)
{
    SidedSums s;
    const int y0 = std::max(0, -dy);
    const int y1 = values.rows - std::max(0, dy);
    const int x1 = values.cols - dx;
    for (int y = y0; y < y1; ++y) {
        const float *a = values.ptr<float>(y);
        const float *b = values.ptr<float>(y + dy) + dx;
        float leftSquares = 0;
        float squares = 0;
        float left = 0;
        float abs = 0;
        for (int x = 0; x < x1; ++x) {
            const float p = a[x] * b[x];
            const float negative = std::min(p, 0.0F);
            leftSquares += negative * negative;
            squares += p * p;
            left += p < 0 ? 1.0F : 0.0F;
            abs += std::abs(p);
        }
        s.leftSquares += leftSquares;
        s.squares += squares;
        s.leftCount += left;
        s.abs += abs;
        s.count += x1;
    }
    return s;
}

// Shape, mean and left and right variances of an asymmetric generalised Gaussian fitted to the
// products with one neighbour.
void fitAsymmetric(const cv::Mat &values, int dx, int dy, double *out)
{
    const SidedSums s = neighbourProducts(values, dx, dy);
    const double rightCount = s.count - s.leftCount;
    const double leftSd = s.leftCount > 0 ? std::sqrt(s.leftSquares / s.leftCount) : 0.0;
    const double rightSd
        = rightCount > 0 ? std::sqrt(std::max(0.0, s.squares - s.leftSquares) / rightCount) : 0.0;
    const double meanSquare = s.count > 0 ? s.squares / s.count : 0.0;
    const double meanAbs = s.count > 0 ? s.abs / s.count : 0.0;
    double shape = generalisedGaussianShape(HUGE_VAL);
    if (meanSquare > 0) {
        const double rhat = meanAbs * meanAbs / meanSquare;
        // The correction for unequal sides tends to 1 when one side is empty.
        double correction = 1.0;
        if (leftSd > 0 && rightSd > 0) {
            const double g = leftSd / rightSd;
            correction = (g * g * g + 1) * (g + 1) / ((g * g + 1) * (g * g + 1));
        }
        shape = generalisedGaussianShape(1.0 / (rhat * correction));
    }
    out[0] = shape;
    out[1] = (rightSd - leftSd) * gammaRatio(2, 1, shape) * std::sqrt(gammaRatio(1, 3, shape));
    out[2] = leftSd * leftSd;
    out[3] = rightSd * rightSd;
}

void measureScale(Workspace &w, double *out)
{
    const cv::Mat &values = normalised(w);
    fitSymmetric(values, out);
    // Horizontal, vertical, main diagonal and anti-diagonal neighbours.
    constexpr int kOffsets[4][2] = { { 1, 0 }, { 0, 1 }, { 1, 1 }, { 1, -1 } };
    for (int k = 0; k < 4; ++k)
        fitAsymmetric(values, kOffsets[k][0], kOffsets[k][1], out + 2 + 4 * k);
}

} // namespace

double generalisedGaussianShape(double ratio)
{
    const std::vector<double> &r = shapeRatios();
    if (!(ratio < r.front()))
        return shapeAt(0);
    if (ratio <= r.back())
        return shapeAt(kShapeCount - 1);
    // The ratios fall with the shape: the first one at or below `ratio`, or the one before it.
    const auto it = std::lower_bound(r.begin(), r.end(), ratio, std::greater<>());
    auto index = static_cast<int>(it - r.begin());
    if (index > 0 && std::abs(r[index - 1] - ratio) < std::abs(r[index] - ratio))
        --index;
    return shapeAt(index);
}

NaturalSceneTerms measureNaturalScene(const cv::Mat &luma8)
{
    NaturalSceneTerms terms {};
    Workspace &full = workspace(0);
    luma8.convertTo(full.luma, CV_32F);
    measureScale(full, terms.data());
    Workspace &half = workspace(1);
    cv::resize(full.luma, half.luma,
        cv::Size(std::max(1, luma8.cols / 2), std::max(1, luma8.rows / 2)), 0, 0, cv::INTER_AREA);
    measureScale(half, terms.data() + kNaturalSceneTerms / 2);
    return terms;
}

} // namespace lis::ranker
