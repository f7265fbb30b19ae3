#include "BitmapJudgement.h"

#include "CodingBand.h"
#include "CodingSteps.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace lis::ranker {
namespace {

// Bitmaps far larger than the pipeline makes are reduced first, so any input is judged near the
// scale the model was fitted at, in bounded time.
constexpr int kWorkingEdge = 500;

} // namespace

std::optional<QualityFeatures> measureBitmapFile(
    const std::vector<uint8_t> &bytes, const SourceInfo &source, bool readCoding)
{
    if (bytes.empty())
        return std::nullopt;
    // Decoded afresh every time: decoding into a kept image would leave the last bitmap's pixels
    // in place when this file cannot be decoded.
    cv::Mat image = cv::imdecode(bytes, cv::IMREAD_COLOR);
    if (image.empty())
        return std::nullopt;
    const cv::Size stored = image.size();
    const std::optional<double> sourceScale = reductionScale(source, stored);
    // A JPEG coding shows at the source's own resolution; a bitmap no source is known for is
    // its own source.
    std::optional<double> coding = source.codingStep;
    if (!sourceScale)
        coding = readCoding ? codingStep(image(codingBand(stored))) : std::nullopt;
    if (image.cols > 2 * kWorkingEdge || image.rows > 8 * kWorkingEdge) {
        const double factor = std::min(static_cast<double>(kWorkingEdge) / image.cols,
            static_cast<double>(kWorkingEdge) / image.rows);
        // A sliver keeps at least one pixel across.
        const cv::Size size(std::max(1, static_cast<int>(std::lround(image.cols * factor))),
            std::max(1, static_cast<int>(std::lround(image.rows * factor))));
        cv::Mat reduced;
        cv::resize(image, reduced, size, 0, 0, cv::INTER_AREA);
        image = reduced;
    }
    // The source only tells how far the bitmap was reduced, which places the block grid of a
    // JPEG's coding on it; on top comes any reduction made here.
    const double ownReduction = static_cast<double>(image.cols) / stored.width;
    QualityFeatures features = measureQuality(image, sourceScale.value_or(1.0) * ownReduction);
    features.codingStep = coding;
    return features;
}

} // namespace lis::ranker
