// The exported C entry points: argument decoding, the hand-over of source information from
// ImageRankSource to the next ranking call, and the guard that keeps every failure inside.
#include "BitmapJudgement.h"
#include "FileBytes.h"
#include "QualityModel.h"
#include "SourceProbe.h"
#include "lumetra_image_rank.h"

#include <cstring>
#include <opencv2/core/utility.hpp>
#include <optional>
#include <string>
#include <vector>

namespace lis::ranker {
namespace {

// Longest path the length prefix may claim; anything longer is a damaged argument.
constexpr uint32_t kMaxPathBytes = 64 * 1024;
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

std::vector<uint8_t> readWorkingBitmap(const std::string &path)
{
    bool complete = false;
    std::vector<uint8_t> bytes = readFileHead(path, kMaxFileBytes, &complete);
    return complete ? bytes : std::vector<uint8_t> {};
}

SourceInfo takePendingSource()
{
    const SourceInfo source = t_pendingSource.value_or(SourceInfo {});
    t_pendingSource.reset();
    return source;
}

// A judgement runs on the caller's thread alone. OpenCV's own worker threads would only contend
// with the caller's, which prepares the next file on the other cores meanwhile, and they cost a
// third more processor time per bitmap than they save.
void useCallersThreadOnly()
{
    static const bool once = [] {
        cv::setNumThreads(1);
        return true;
    }();
    (void)once;
}

// Judges one bitmap with the source information pending from ImageRankSource, which is
// consumed whether or not the bitmap can be read.
std::optional<QualityScores> judge(const std::string &path)
{
    useCallersThreadOnly();
    const SourceInfo source = takePendingSource();
    try {
        const std::optional<QualityFeatures> features
            = measureBitmapFile(readWorkingBitmap(path), source, chargesCoding());
        if (!features)
            return std::nullopt;
        return scoreQuality(*features);
    } catch (...) {
        return std::nullopt; // a decoder or allocation failure is an unreadable file
    }
}

std::optional<QualityScores> judgeArgument(char **path)
{
    const std::optional<std::string> text = lengthPrefixedText(path);
    if (!text) {
        takePendingSource();
        return std::nullopt;
    }
    return judge(*text);
}

int32_t report(const std::optional<QualityScores> &scores, ImageRankScores *out)
{
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

} // namespace
} // namespace lis::ranker

extern "C" LIS_RANK_API int32_t ImageRank(char **path)
{
    return lis::ranker::report(lis::ranker::judgeArgument(path), nullptr);
}

extern "C" LIS_RANK_API int32_t ImageRankWithScores(char **path, ImageRankScores *out)
{
    return lis::ranker::report(lis::ranker::judgeArgument(path), out);
}

extern "C" LIS_RANK_API void ImageRankSource(const char *sourcePath)
{
    using namespace lis::ranker;
    std::optional<SourceInfo> info;
    if (sourcePath && *sourcePath) {
        try {
            info = probeSource(sourcePath, chargesCoding());
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
    return report(scores, out);
}
