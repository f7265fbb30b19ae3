// Writes the model terms of scored photos as the ranking library measures them, for the fitting
// script: every photo is prepared into its working bitmap by the program's own preparation
// step, then measured by the library's own code with what its source tells.
//
//   quality-terms IMAGE_DIR MOS_CSV OUT_CSV
//
// OUT_CSV: image,mos,<one column per term>. Photos that cannot be prepared are left out.
#include "BitmapJudgement.h"
#include "ModelTerms.h"
#include "SourceProbe.h"
#include "rank/WorkingBitmap.h"

#include <QCoreApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct ScoredPhoto
{
    std::string name;
    std::string score;
};

// mos.csv: a header, then "name",score per line; names may be quoted and hold commas.
std::vector<ScoredPhoto> readScores(const std::string &path)
{
    std::vector<ScoredPhoto> photos;
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto comma = line.rfind(',');
        if (comma == std::string::npos)
            continue;
        std::string name = line.substr(0, comma);
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
            name = name.substr(1, name.size() - 2);
        photos.push_back({ name, line.substr(comma + 1) });
    }
    return photos;
}

std::string quoted(const std::string &text)
{
    return '"' + text + '"';
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s IMAGE_DIR MOS_CSV OUT_CSV\n", argv[0]);
        return 2;
    }
    QCoreApplication app(argc, argv); // image format plugins are found through it
    const std::filesystem::path images = argv[1];
    std::ofstream out(argv[3]);
    out << "image,mos";
    for (const auto name : lis::ranker::modelTermNames())
        out << ',' << name;
    out << '\n';
    out.precision(9);
    int written = 0;
    for (const ScoredPhoto &photo : readScores(argv[2])) {
        const std::string original = (images / photo.name).string();
        const lis::PreparedBitmap prepared = lis::prepareBitmap(QString::fromStdString(original));
        if (!prepared.ok())
            continue;
        const std::vector<uint8_t> bytes(prepared.bitmap.begin(), prepared.bitmap.end());
        const auto features
            = lis::ranker::measureBitmapFile(bytes, lis::ranker::probeSource(original));
        if (!features)
            continue;
        out << quoted(photo.name) << ',' << photo.score;
        for (const double term : lis::ranker::modelTerms(*features))
            out << ',' << term;
        out << '\n';
        ++written;
    }
    std::fprintf(stderr, "%d photos measured into %s\n", written, argv[3]);
    return out ? 0 : 1;
}
