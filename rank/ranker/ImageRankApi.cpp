// The exported C entry points: argument decoding, the hand-over of source information from
// ImageRankSource to the next ranking call, and the guard that keeps every failure inside.
#include "FileBytes.h"
#include "QualityFeatures.h"
#include "QualityModel.h"
#include "SourceProbe.h"
#include "lumetra_image_rank.h"

#include <cstring>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <optional>
#include <string>
#include <vector>

namespace lis::ranker {
namespace {

// Longest path the length prefix may claim; anything longer is a damaged argument.
constexpr uint32_t kMaxPathBytes = 64 * 1024;
// Bitmaps larger than the pipeline makes are reduced first, so any input is judged at the
// scale the measures were chosen for, in bounded time.
constexpr int kWorkingEdge = 500;
// Larger files are refused (rank 0) rather than decoded: a 9000 x 9000 24-bit bitmap is far
// beyond any working bitmap, and the file plus its decoded copy would take half a gigabyte.
constexpr std::size_t kMaxFileBytes = std::size_t { 256 } << 20;

// Per thread, so a source named in one thread pairs with the next ranking call of that thread.
thread_local std::optional<SourceInfo> t_pendingSource;

std::optional<std::string> lengthPrefixedText(char **path)
{
    if (!path || !*path)
        return std::nullopt;
    uint32_t length = 0;
    std::memcpy(&length, *path - sizeof(length), sizeof(length));
    if (length == 0 || length > kMaxPathBytes)
        return std::nullopt;
    std::string text(*path, length);
    if (text.find('\0') != std::string::npos)
        return std::nullopt; // no file name holds a NUL
    return text;
}

cv::Mat loadWorkingBitmap(const std::string &path)
{
    bool complete = false;
    const std::vector<uint8_t> bytes = readFileHead(path, kMaxFileBytes, &complete);
    if (bytes.empty() || !complete)
        return {};
    cv::Mat image = cv::imdecode(bytes, cv::IMREAD_COLOR);
    if (image.empty())
        return image;
    if (image.cols > 2 * kWorkingEdge || image.rows > 8 * kWorkingEdge) {
        const double scale = std::min(static_cast<double>(kWorkingEdge) / image.cols,
            static_cast<double>(kWorkingEdge) / image.rows);
        cv::Mat reduced;
        cv::resize(image, reduced, cv::Size(), scale, scale, cv::INTER_AREA);
        return reduced;
    }
    return image;
}

SourceInfo takePendingSource()
{
    const SourceInfo source = t_pendingSource.value_or(SourceInfo {});
    t_pendingSource.reset();
    return source;
}

// Judges one bitmap with the source information pending from ImageRankSource, which is
// consumed whether or not the bitmap can be read.
std::optional<QualityScores> judge(const std::string &path)
{
    const SourceInfo source = takePendingSource();
    try {
        const cv::Mat image = loadWorkingBitmap(path);
        if (image.empty())
            return std::nullopt;
        return scoreQuality(measureQuality(image), source);
    } catch (...) {
        return std::nullopt; // a decoder or allocation failure is an unreadable file
    }
}

} // namespace
} // namespace lis::ranker

extern "C" LIS_RANK_API int32_t ImageRank(char **path)
{
    using namespace lis::ranker;
    const std::optional<std::string> text = lengthPrefixedText(path);
    if (!text) {
        takePendingSource();
        return 0;
    }
    const std::optional<QualityScores> scores = judge(*text);
    return scores ? scores->rank : 0;
}

extern "C" LIS_RANK_API void ImageRankSource(const char *sourcePath)
{
    using namespace lis::ranker;
    std::optional<SourceInfo> info;
    if (sourcePath && *sourcePath) {
        try {
            info = probeSource(sourcePath);
        } catch (...) {
            info.reset();
        }
    }
    t_pendingSource = info;
}

extern "C" LIS_RANK_API int32_t ImageRankDetails(const char *workingBitmap, ImageRankScores *out)
{
    using namespace lis::ranker;
    std::optional<QualityScores> scores;
    if (workingBitmap && *workingBitmap)
        scores = judge(workingBitmap);
    else
        takePendingSource();
    if (out) {
        *out = ImageRankScores {};
        if (scores) {
            out->sharpness = scores->sharpness;
            out->noise = scores->noise;
            out->exposure = scores->exposure;
            out->contrast = scores->contrast;
            out->compression = scores->compression;
            out->rank = scores->rank;
        }
    }
    return scores ? scores->rank : 0;
}
