#include "ResaveCheck.h"

#include "Agreement.h"
#include "TermFile.h"
#include "WorkingBitmaps.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <vector>

namespace fs = std::filesystem;

namespace lis::bench {
namespace {

constexpr double kTolerancePercent = 2.0;
constexpr int kCameraQuality = 90;

struct Format
{
    const char *extension;
    std::vector<int> parameters;
};

const std::vector<Format> kFormats = { { ".png", {} }, { ".tif", {} }, { ".bmp", {} } };

struct Differences
{
    std::vector<std::vector<double>> percent = std::vector<std::vector<double>>(kFormats.size());
};

double judged(const BenchLibrary &library, const std::string &file, const fs::path &cache)
{
    const std::string bmp = workingBitmap(file, cache);
    return bmp.empty() ? 0.0 : overallOf(library.judge(file, bmp).rank);
}

void compare(
    const BenchLibrary &library, const std::string &jpeg, const fs::path &cache, Differences &out)
{
    const double reference = judged(library, jpeg, cache / "bitmaps");
    const cv::Mat pixels = cv::imread(jpeg, cv::IMREAD_COLOR);
    if (reference <= 0 || pixels.empty())
        return;
    const std::string stem = (cache / fs::path(jpeg).stem()).string();
    for (std::size_t f = 0; f < kFormats.size(); ++f) {
        const std::string copy = stem + kFormats[f].extension;
        if (!fs::exists(copy))
            cv::imwrite(copy, pixels, kFormats[f].parameters);
        const double overall = judged(library, copy, cache / "bitmaps");
        out.percent[f].push_back(100.0 * std::abs(overall - reference) / reference);
    }
}

void print(const char *set, const Differences &d)
{
    for (std::size_t f = 0; f < kFormats.size(); ++f) {
        const auto &v = d.percent[f];
        const auto beyond
            = std::count_if(v.begin(), v.end(), [](double p) { return p > kTolerancePercent; });
        std::printf("%-34s %-5s %5zu %9.3f %9.3f %7td\n", set, kFormats[f].extension + 1, v.size(),
            median(v), v.empty() ? 0.0 : *std::max_element(v.begin(), v.end()), beyond);
    }
}

} // namespace

void printResaveCheck(const BenchLibrary &library, const fs::path &images,
    const std::string &mosCsv, const fs::path &distortions, const fs::path &cache, int count)
{
    fs::create_directories(cache / "scored");
    fs::create_directories(cache / "wide");
    fs::create_directories(cache / "scored" / "bitmaps");
    fs::create_directories(cache / "wide" / "bitmaps");
    Differences scored;
    int done = 0;
    for (const auto &photo : ranker::fit::readScores(mosCsv)) {
        if (done++ >= count)
            break;
        compare(library, (images / photo.name).string(), cache / "scored", scored);
    }
    Differences wide;
    for (const auto &entry : fs::directory_iterator(distortions)) {
        const fs::path original = entry.path() / "original-0.png";
        if (!entry.is_directory() || !fs::exists(original))
            continue;
        const fs::path jpeg = cache / "wide" / (entry.path().filename().string() + ".jpg");
        if (!fs::exists(jpeg))
            cv::imwrite(jpeg.string(), cv::imread(original.string(), cv::IMREAD_COLOR),
                { cv::IMWRITE_JPEG_QUALITY, kCameraQuality });
        compare(library, jpeg.string(), cache / "wide", wide);
    }
    std::printf("Lossless re-saves against their JPEG: difference of the overall score, %%\n");
    std::printf("%-34s %-5s %5s %9s %9s %7s\n", "set", "as", "files", "median", "max", ">2%");
    print("scored photos (512 px JPEG)", scored);
    print("distortion originals (1024 px q90)", wide);
}

} // namespace lis::bench
