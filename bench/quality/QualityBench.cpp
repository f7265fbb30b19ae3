// Measures how well the ranking library agrees with people and with graded damage.
//
//   quality-bench LIBRARY biq IMAGE_DIR MOS_CSV CACHE_DIR [FEATURES_CSV]
//   quality-bench LIBRARY dist DISTORTION_DIR CACHE_DIR [FEATURES_CSV]
//
// Every photo is first reduced the way the program reduces it (area-averaged to at most 500
// pixels wide, stored as a 24-bit BMP, cached in CACHE_DIR), then ImageRankSource is called with
// the original and ImageRank with the bitmap, through the real library loaded with dlopen.
#include "QualityFeatures.h"
#include "SourceProbe.h"
#include "lumetra_image_rank.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Library
{
    int32_t (*rank)(char **) = nullptr;
    void (*source)(const char *) = nullptr;
    int32_t (*details)(const char *, ImageRankScores *) = nullptr;
};

Library openLibrary(const char *path)
{
    void *handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
        std::exit(2);
    }
    Library lib;
    lib.rank = reinterpret_cast<int32_t (*)(char **)>(dlsym(handle, "ImageRank"));
    lib.source = reinterpret_cast<void (*)(const char *)>(dlsym(handle, "ImageRankSource"));
    lib.details = reinterpret_cast<int32_t (*)(const char *, ImageRankScores *)>(
        dlsym(handle, "ImageRankDetails"));
    if (!lib.rank || !lib.source || !lib.details) {
        std::fprintf(stderr, "%s lacks an entry\n", path);
        std::exit(2);
    }
    return lib;
}

// The automation-string layout the program passes: 32-bit length, then the bytes and a NUL.
int32_t rankPath(const Library &lib, const std::string &path)
{
    std::vector<char> buffer(4 + path.size() + 1, '\0');
    const auto length = static_cast<uint32_t>(path.size());
    std::memcpy(buffer.data(), &length, 4);
    std::memcpy(buffer.data() + 4, path.data(), path.size());
    char *text = buffer.data() + 4;
    return lib.rank(&text);
}

// The program's reduction: only images wider than 500 px shrink, to fit 500 x 500.
std::string workingBitmap(const std::string &original, const fs::path &cacheDir)
{
    std::string key = original;
    std::replace(key.begin(), key.end(), '/', '_');
    const fs::path bmp = cacheDir / (key + ".bmp");
    if (fs::exists(bmp))
        return bmp.string();
    cv::Mat image = cv::imread(original, cv::IMREAD_COLOR);
    if (image.empty())
        return {};
    if (image.cols > 500) {
        const double scale = std::min(500.0 / image.cols, 500.0 / image.rows);
        cv::Mat reduced;
        cv::resize(image, reduced,
            cv::Size(std::max(1, static_cast<int>(std::lround(image.cols * scale))),
                std::max(1, static_cast<int>(std::lround(image.rows * scale)))),
            0, 0, cv::INTER_AREA);
        image = reduced;
    }
    cv::imwrite(bmp.string(), image);
    return bmp.string();
}

double varianceOfLaplacian(const std::string &bmp)
{
    const cv::Mat grey = cv::imread(bmp, cv::IMREAD_GRAYSCALE);
    if (grey.empty())
        return 0;
    cv::Mat lap;
    cv::Laplacian(grey, lap, CV_64F);
    cv::Scalar mean;
    cv::Scalar sd;
    cv::meanStdDev(lap, mean, sd);
    return sd[0] * sd[0];
}

std::vector<double> ranks(const std::vector<double> &v)
{
    std::vector<std::size_t> order(v.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(
        order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return v[a] < v[b]; });
    std::vector<double> r(v.size());
    for (std::size_t i = 0; i < order.size();) {
        std::size_t j = i;
        while (j + 1 < order.size() && v[order[j + 1]] == v[order[i]])
            ++j;
        for (std::size_t k = i; k <= j; ++k)
            r[order[k]] = (i + j) / 2.0 + 1;
        i = j + 1;
    }
    return r;
}

double pearson(const std::vector<double> &a, const std::vector<double> &b)
{
    const double n = static_cast<double>(a.size());
    const double ma = std::accumulate(a.begin(), a.end(), 0.0) / n;
    const double mb = std::accumulate(b.begin(), b.end(), 0.0) / n;
    double sab = 0, saa = 0, sbb = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        sab += (a[i] - ma) * (b[i] - mb);
        saa += (a[i] - ma) * (a[i] - ma);
        sbb += (b[i] - mb) * (b[i] - mb);
    }
    return saa > 0 && sbb > 0 ? sab / std::sqrt(saa * sbb) : 0;
}

double srocc(const std::vector<double> &a, const std::vector<double> &b)
{
    return pearson(ranks(a), ranks(b));
}

// Kendall's tau-b.
double krocc(const std::vector<double> &a, const std::vector<double> &b)
{
    double concordant = 0, discordant = 0, tiesA = 0, tiesB = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t j = i + 1; j < a.size(); ++j) {
            const double da = a[i] - a[j];
            const double db = b[i] - b[j];
            if (da == 0 && db == 0)
                continue;
            if (da == 0)
                ++tiesA;
            else if (db == 0)
                ++tiesB;
            else if ((da > 0) == (db > 0))
                ++concordant;
            else
                ++discordant;
        }
    const double denom
        = std::sqrt((concordant + discordant + tiesA) * (concordant + discordant + tiesB));
    return denom > 0 ? (concordant - discordant) / denom : 0;
}

double mean(const std::vector<double> &v)
{
    return v.empty() ? 0 : std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
}

// Wall time counts whatever else the machine runs; processor time is the library's own cost.
void printTimes(const std::vector<double> &wallMs, const std::vector<double> &cpuMs)
{
    std::printf("ms per image (ImageRankSource + ImageRank): %.2f wall, %.2f processor\n",
        mean(wallMs), mean(cpuMs));
}

struct Judged
{
    int32_t rank = 0;
    ImageRankScores scores {};
    double ms = 0; // wall time of ImageRankSource + ImageRank
    double cpuMs = 0; // processor time of the same calls
};

Judged judge(const Library &lib, const std::string &original, const std::string &bmp)
{
    Judged j;
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    lib.source(original.c_str());
    j.rank = rankPath(lib, bmp);
    j.cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    j.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
               .count();
    lib.source(original.c_str());
    if (lib.details(bmp.c_str(), &j.scores) != j.rank)
        std::fprintf(stderr, "ImageRankDetails disagrees with ImageRank on %s\n", bmp.c_str());
    return j;
}

void writeFeatureRow(std::ofstream &csv, const std::string &id, const std::string &original,
    const std::string &bmp, const Judged &j, double target)
{
    if (!csv)
        return;
    const auto f = lis::ranker::measureQuality(cv::imread(bmp, cv::IMREAD_COLOR));
    const auto s = lis::ranker::probeSource(original);
    csv << id << ',' << target << ',' << j.rank << ',' << j.scores.sharpness << ','
        << j.scores.noise << ',' << j.scores.exposure << ',' << j.scores.contrast << ','
        << j.scores.compression << ',' << f.meanLuma << ',' << f.lumaSpread << ','
        << f.saturatedShare << ',' << f.saturatedChannels << ',' << f.detail << ',' << f.noiseSigma
        << ',' << (s.stored ? s.stored->width : -1) << '\n';
}

const char *kFeatureHeader
    = "id,target,rank,sharpness,noise,exposure,contrast,compression,"
      "meanLuma,lumaSpread,saturatedShare,saturatedChannels,detail,noiseSigma,sourceWidth\n";

std::vector<std::vector<std::string>> readCsv(const fs::path &path)
{
    std::vector<std::vector<std::string>> rows;
    std::ifstream in(path);
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::string cell;
        bool quoted = false;
        for (char c : line) {
            if (c == '"')
                quoted = !quoted;
            else if (c == ',' && !quoted) {
                cells.push_back(cell);
                cell.clear();
            } else if (c != '\r')
                cell += c;
        }
        cells.push_back(cell);
        rows.push_back(cells);
    }
    return rows;
}

int runBiq(const Library &lib, int argc, char **argv)
{
    if (argc < 6)
        return 2;
    const fs::path images = argv[3];
    const auto rows = readCsv(argv[4]);
    const fs::path cache = argv[5];
    fs::create_directories(cache);
    std::ofstream csv;
    if (argc > 6) {
        csv.open(argv[6]);
        csv << kFeatureHeader;
    }
    std::vector<double> mos, rank, vol, ms, cpu;
    std::vector<std::vector<double>> parts(5);
    for (const auto &row : rows) {
        if (row.size() < 2)
            continue;
        const std::string original = (images / row[0]).string();
        const std::string bmp = workingBitmap(original, cache);
        if (bmp.empty())
            continue;
        const Judged j = judge(lib, original, bmp);
        mos.push_back(std::stod(row[1]));
        rank.push_back(j.rank);
        vol.push_back(varianceOfLaplacian(bmp));
        ms.push_back(j.ms);
        cpu.push_back(j.cpuMs);
        const double p[5] = { j.scores.sharpness, j.scores.noise, j.scores.exposure,
            j.scores.contrast, j.scores.compression };
        for (int k = 0; k < 5; ++k)
            parts[k].push_back(p[k]);
        writeFeatureRow(csv, row[0], original, bmp, j, mos.back());
    }
    std::printf("Scored photos: %zu\n", mos.size());
    std::printf("%-24s %7s %7s\n", "measure", "SROCC", "KROCC");
    std::printf("%-24s %7.3f %7.3f\n", "ImageRank", srocc(rank, mos), krocc(rank, mos));
    std::printf("%-24s %7.3f %7.3f\n", "variance of Laplacian", srocc(vol, mos), krocc(vol, mos));
    const char *names[5] = { "  sharpness part", "  noise part", "  exposure part",
        "  contrast part", "  compression part" };
    for (int k = 0; k < 5; ++k)
        std::printf("%-24s %7.3f\n", names[k], srocc(parts[k], mos));
    printTimes(ms, cpu);
    return 0;
}

int runDistortions(const Library &lib, int argc, char **argv)
{
    if (argc < 5)
        return 2;
    const fs::path dir = argv[3];
    const auto rows = readCsv(dir / "levels.csv");
    const fs::path cache = argv[4];
    fs::create_directories(cache);
    std::ofstream csv;
    if (argc > 5) {
        csv.open(argv[5]);
        csv << kFeatureHeader;
    }
    // photo -> kind -> (level, rank); level 0 belongs to every kind.
    std::map<std::string, std::map<std::string, std::vector<std::pair<double, double>>>> byPhoto;
    std::map<std::string, double> originals;
    std::vector<double> ms, cpu;
    for (const auto &row : rows) {
        if (row.size() < 4)
            continue;
        const std::string original = (dir / row[0]).string();
        const std::string bmp = workingBitmap(original, cache);
        if (bmp.empty())
            continue;
        const Judged j = judge(lib, original, bmp);
        ms.push_back(j.ms);
        cpu.push_back(j.cpuMs);
        const double level = std::stod(row[3]);
        if (row[2] == "original")
            originals[row[1]] = j.rank;
        else
            byPhoto[row[1]][row[2]].push_back({ level, static_cast<double>(j.rank) });
        writeFeatureRow(csv, row[0], original, bmp, j, level);
    }
    std::map<std::string, std::vector<double>> perKind;
    for (auto &[photo, kinds] : byPhoto) {
        if (!originals.count(photo))
            continue;
        for (auto &[kind, points] : kinds) {
            std::vector<double> negLevel { 0 }, rank { originals[photo] };
            for (const auto &[level, r] : points) {
                negLevel.push_back(-level);
                rank.push_back(r);
            }
            perKind[kind].push_back(srocc(negLevel, rank));
        }
    }
    std::printf("Distortion set: %zu photos\n", originals.size());
    std::printf("%-8s %10s %10s\n", "kind", "mean SROCC", "worst");
    for (const auto &[kind, values] : perKind)
        std::printf("%-8s %10.3f %10.3f\n", kind.c_str(),
            std::accumulate(values.begin(), values.end(), 0.0) / values.size(),
            *std::min_element(values.begin(), values.end()));
    printTimes(ms, cpu);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr,
            "usage: %s LIBRARY biq IMAGE_DIR MOS_CSV CACHE_DIR [FEATURES_CSV]\n"
            "       %s LIBRARY dist DISTORTION_DIR CACHE_DIR [FEATURES_CSV]\n",
            argv[0], argv[0]);
        return 2;
    }
    const Library lib = openLibrary(argv[1]);
    if (std::strcmp(argv[2], "biq") == 0)
        return runBiq(lib, argc, argv);
    if (std::strcmp(argv[2], "dist") == 0)
        return runDistortions(lib, argc, argv);
    return 2;
}
