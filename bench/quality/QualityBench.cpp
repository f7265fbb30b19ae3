// Measures how well the ranking library agrees with people and with graded damage, whether it
// judges the same pixels the same in any file format, and what a judgement costs.
//
//   quality-bench scored LIBRARY IMAGE_DIR MOS_CSV CACHE_DIR [REFERENCE_LIBRARY]
//   quality-bench damage LIBRARY DISTORTION_DIR CACHE_DIR
//   quality-bench resave LIBRARY IMAGE_DIR MOS_CSV DISTORTION_DIR CACHE_DIR [COUNT]
//
// Every file is first made into its working bitmap by the program's own preparation step
// (cached in CACHE_DIR), then ImageRankSource is called with the file and the ranking entry
// with the bitmap, through the real library loaded with dlopen, on one processor.
#include "Agreement.h"
#include "BenchLibrary.h"
#include "DamageTable.h"
#include "ResaveCheck.h"
#include "TermFile.h"
#include "WorkingBitmaps.h"

#include <QCoreApplication>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

namespace fs = std::filesystem;
using namespace lis::bench;

namespace {

constexpr std::array<const char *, 5> kParts
    = { "sharpness", "noise", "exposure", "contrast", "compression" };

std::array<double, 5> partsOf(const ImageRankScores &s)
{
    return { s.sharpness, s.noise, s.exposure, s.contrast, s.compression };
}

struct Series
{
    std::vector<double> mos, overall, cpuMs;
    std::array<std::vector<double>, 5> parts;
};

void printAgreement(const char *name, const std::vector<double> &v, const std::vector<double> &mos)
{
    std::printf("%-34s %7.3f %7.3f %7.3f\n", name, srocc(v, mos), krocc(v, mos), pearson(v, mos));
}

int runScored(int argc, char **argv)
{
    if (argc < 6)
        return 2;
    const BenchLibrary library(argv[2]);
    std::optional<BenchLibrary> reference;
    if (argc > 6)
        reference.emplace(argv[6]);
    const fs::path images = argv[3];
    const fs::path cache = argv[5];
    fs::create_directories(cache);
    Series ours, theirs;
    for (const auto &photo : lis::ranker::fit::readScores(argv[4])) {
        const std::string original = (images / photo.name).string();
        const std::string bmp = workingBitmap(original, cache);
        if (bmp.empty())
            continue;
        // Alternating the two libraries photo by photo gives both the same machine load.
        using Run = std::pair<const BenchLibrary *, Series *>;
        for (const auto &[lib, series] :
            { Run { &library, &ours }, Run { reference ? &*reference : nullptr, &theirs } }) {
            if (!lib)
                continue;
            const Judged j = lib->judge(original, bmp);
            series->mos.push_back(std::stod(photo.score));
            series->overall.push_back(overallOf(j.rank));
            series->cpuMs.push_back(j.cpuMs);
            for (std::size_t k = 0; k < kParts.size(); ++k)
                series->parts[k].push_back(partsOf(j.scores)[k]);
        }
    }
    std::printf("Scored photos: %zu\n%-34s %7s %7s %7s\n", ours.mos.size(), "measure", "SROCC",
        "KROCC", "PLCC");
    printAgreement("rank (model fitted on these)", ours.overall, ours.mos);
    if (reference)
        printAgreement("rank of the reference library", theirs.overall, theirs.mos);
    for (std::size_t k = 0; k < kParts.size(); ++k)
        printAgreement((std::string("  ") + kParts[k] + " part").c_str(), ours.parts[k], ours.mos);
    std::printf("ms per photo, ImageRankSource and ranking, one core, processor time: median %.2f"
                " (mean %.2f)",
        median(ours.cpuMs), mean(ours.cpuMs));
    if (reference)
        std::printf("; reference library median %.2f (mean %.2f)", median(theirs.cpuMs),
            mean(theirs.cpuMs));
    std::printf("\n");
    return 0;
}

int runDamage(int argc, char **argv)
{
    if (argc < 5)
        return 2;
    const BenchLibrary library(argv[2]);
    printDamageTable(library, argv[3], argv[4]);
    return 0;
}

int runResave(int argc, char **argv)
{
    if (argc < 7)
        return 2;
    const BenchLibrary library(argv[2]);
    const int count = argc > 7 ? std::atoi(argv[7]) : 100;
    printResaveCheck(library, argv[3], argv[4], argv[5], argv[6], count);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv); // image format plugins are found through it
    useOneCore();
    if (argc >= 2 && std::strcmp(argv[1], "scored") == 0)
        return runScored(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "damage") == 0)
        return runDamage(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "resave") == 0)
        return runResave(argc, argv);
    std::fprintf(stderr,
        "usage: %s scored LIBRARY IMAGE_DIR MOS_CSV CACHE_DIR [REFERENCE_LIBRARY]\n"
        "       %s damage LIBRARY DISTORTION_DIR CACHE_DIR\n"
        "       %s resave LIBRARY IMAGE_DIR MOS_CSV DISTORTION_DIR CACHE_DIR [COUNT]\n",
        argv[0], argv[0], argv[0]);
    return 2;
}
