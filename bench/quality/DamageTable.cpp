#include "DamageTable.h"

#include "Agreement.h"
#include "GradedDamage.h"
#include "WorkingBitmaps.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <opencv2/imgcodecs.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace lis::bench {
namespace {

struct Entry
{
    std::string file;
    std::string photo;
    std::string kind;
    int level = 0;
};

struct Point
{
    int level = 0;
    double overall = 0;
    std::array<double, 5> parts {};
};

constexpr std::array<const char *, 5> kPartNames
    = { "sharpness", "noise", "exposure", "contrast", "compression" };
const std::vector<std::pair<std::string, int>> kKinds = { { "blur", 0 }, { "jpeg", 4 },
    { "noise", 1 }, { "over", 2 }, { "under", 2 }, { "contrast", 3 } }; // kind, its part

std::vector<Entry> readLevels(const fs::path &dir)
{
    std::vector<Entry> entries;
    std::ifstream in(dir / "levels.csv");
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::stringstream cells(line);
        Entry e;
        std::string level;
        if (std::getline(cells, e.file, ',') && std::getline(cells, e.photo, ',')
            && std::getline(cells, e.kind, ',') && std::getline(cells, level, ',')) {
            e.file = (dir / e.file).string();
            e.level = std::stoi(level);
            entries.push_back(e);
        }
    }
    return entries;
}

// Contrast damage of every original, made once into the cache.
std::vector<Entry> contrastLevels(const std::vector<Entry> &entries, const fs::path &cache)
{
    std::vector<Entry> out;
    fs::create_directories(cache);
    for (const Entry &e : entries) {
        if (e.kind != "original")
            continue;
        const cv::Mat photo = cv::imread(e.file, cv::IMREAD_COLOR);
        for (const auto &level : ranker::fit::damageLevels()) {
            if (level.kind != ranker::fit::DamageKind::Contrast)
                continue;
            const fs::path file
                = cache / (e.photo + "-contrast-" + std::to_string(level.level) + ".png");
            if (!fs::exists(file)) {
                const auto damaged = ranker::fit::damagePhoto(photo, level, 0);
                std::ofstream(file, std::ios::binary)
                    .write(reinterpret_cast<const char *>(damaged.bytes.data()),
                        static_cast<std::streamsize>(damaged.bytes.size()));
            }
            out.push_back({ file.string(), e.photo, "contrast", level.level });
        }
    }
    return out;
}

// Per photo, Spearman's correlation between -level and one value of each point.
template<typename Value>
std::vector<double> orders(const std::map<std::string, std::vector<Point>> &byPhoto, Value value)
{
    std::vector<double> out;
    for (const auto &[photo, points] : byPhoto) {
        std::vector<double> level, v;
        for (const Point &p : points) {
            level.push_back(-p.level);
            v.push_back(value(p));
        }
        out.push_back(srocc(level, v));
    }
    return out;
}

double worst(const std::vector<double> &v)
{
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

} // namespace

void printDamageTable(
    const BenchLibrary &library, const fs::path &distortions, const fs::path &cache)
{
    std::vector<Entry> entries = readLevels(distortions);
    const std::vector<Entry> contrast = contrastLevels(entries, cache / "contrast");
    entries.insert(entries.end(), contrast.begin(), contrast.end());
    // kind -> photo -> points; the original belongs to every kind.
    std::map<std::string, std::map<std::string, std::vector<Point>>> byKind;
    std::map<std::string, Point> originals;
    std::vector<double> ms;
    fs::create_directories(cache / "bitmaps");
    for (const Entry &e : entries) {
        const std::string bmp = workingBitmap(e.file, cache / "bitmaps");
        if (bmp.empty())
            continue;
        const Judged j = library.judge(e.file, bmp);
        ms.push_back(j.cpuMs);
        const Point p { e.level, overallOf(j.rank),
            { j.scores.sharpness, j.scores.noise, j.scores.exposure, j.scores.contrast,
                j.scores.compression } };
        if (e.kind == "original")
            originals[e.photo] = p;
        else
            byKind[e.kind][e.photo].push_back(p);
    }
    for (auto &[kind, photos] : byKind)
        for (auto &[photo, points] : photos)
            if (originals.count(photo))
                points.push_back(originals[photo]);

    std::printf("Distortion set: %zu photos; within-photo Spearman of -level and the score\n",
        originals.size());
    std::printf("%-9s %10s %7s   %-12s %10s %7s\n", "kind", "rank mean", "worst", "own part",
        "part mean", "worst");
    for (const auto &[kind, part] : kKinds) {
        const auto &photos = byKind[kind];
        const auto rank = orders(photos, [](const Point &p) { return p.overall; });
        const auto own = orders(photos, [part = part](const Point &p) { return p.parts[part]; });
        std::printf("%-9s %10.3f %7.3f   %-12s %10.3f %7.3f\n", kind.c_str(), mean(rank),
            worst(rank), kPartNames[part], mean(own), worst(own));
    }
    // LIS_QUALITY_SERIES=1 lists every photo's overall scores by level, for looking into one.
    if (std::getenv("LIS_QUALITY_SERIES"))
        for (const auto &[kind, photos] : byKind)
            for (auto [photo, points] : photos) {
                std::sort(points.begin(), points.end(),
                    [](const Point &a, const Point &b) { return a.level < b.level; });
                std::printf("%-9s %-14s", kind.c_str(), photo.c_str());
                for (const Point &p : points)
                    std::printf(" %6.2f", p.overall);
                const auto own = std::find_if(kKinds.begin(), kKinds.end(),
                    [&kind = kind](const auto &k) { return k.first == kind; });
                std::printf("   %s:", kPartNames[own->second]);
                for (const Point &p : points)
                    std::printf(" %5.1f", p.parts[own->second]);
                std::printf("\n");
            }
    std::printf("\nEvery part on every kind (mean):\n%-12s", "");
    for (const auto &kind : kKinds)
        std::printf(" %8s", kind.first.c_str());
    std::printf("\n");
    for (std::size_t part = 0; part < kPartNames.size(); ++part) {
        std::printf("%-12s", kPartNames[part]);
        for (const auto &kind : kKinds)
            std::printf(" %8.3f",
                mean(orders(byKind[kind.first], [part](const Point &p) { return p.parts[part]; })));
        std::printf("\n");
    }
    std::printf("ms per image, one core, processor time: median %.2f\n", median(ms));
}

} // namespace lis::bench
