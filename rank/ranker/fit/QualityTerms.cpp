// Writes the model terms of photos as the ranking library measures them, for the fitting
// script: every file is prepared into its working bitmap by the program's own preparation
// step, then measured by the library's own code with what its source tells.
//
//   quality-terms scored IMAGE_DIR MOS_CSV OUT_CSV
//       image,mos,<one column per term>; photos that cannot be prepared are left out
//   quality-terms damage WIDTH LIST_FILE OUT_CSV
//       photo,kind,level,<terms>: each photo named in LIST_FILE, one a line (fitted to WIDTH
//       pixels wide first, unless 0), and its graded damage, each written to a scratch file and
//       prepared from there. A line PATH@FX,FY,W,H takes a W x H crop of the file at its own
//       resolution, FX and FY of the way along the room left across and down. Besides the damage
//       kinds, "resaved" is the photo itself as a JPEG of quality 95: the same picture through the
//       program's JPEG path.
// Every row ends with the defect measures (d_*) of the same bitmap.
#include "GradedDamage.h"
#include "ModelTerms.h"
#include "QualityParts.h"
#include "TermFile.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace lis::ranker;

namespace {

constexpr const char *kDefectColumns
    = "d_softness,d_noise,d_darkness,d_blown,d_flatness,d_blocking,d_coding";

void writeTerms(std::ofstream &out, const fit::Measured &measured)
{
    for (const double term : measured.terms)
        out << ',' << term;
    for (const double defect : asArray(measured.defects))
        out << ',' << defect;
    out << '\n';
}

void writeHeader(std::ofstream &out, const char *leading)
{
    out << leading;
    for (const auto name : modelTermNames())
        out << ',' << name;
    out << ',' << kDefectColumns << '\n';
    out.precision(9);
}

int runScored(const fs::path &images, const std::string &mosCsv, const std::string &outCsv)
{
    std::ofstream out(outCsv);
    writeHeader(out, "image,mos");
    int written = 0;
    for (const fit::ScoredPhoto &photo : fit::readScores(mosCsv)) {
        const auto measured = fit::measureFile((images / photo.name).string());
        if (!measured)
            continue;
        out << '"' << photo.name << "\"," << photo.score;
        writeTerms(out, *measured);
        ++written;
    }
    std::fprintf(stderr, "%d photos measured into %s\n", written, outCsv.c_str());
    // An empty table is a failure: the fitting script must not keep it as measured.
    return out && written > 0 ? 0 : 1;
}

// A photo line: a path, or PATH@FX,FY,W,H for a crop at the file's own resolution. Nothing,
// with the reason in `why`, when the file cannot be read or the crop does not fit in it.
cv::Mat readPhoto(const std::string &line, std::string &why)
{
    const auto at = line.rfind('@');
    const cv::Mat whole = cv::imread(line.substr(0, at), cv::IMREAD_COLOR);
    if (whole.empty()) {
        why = "cannot be read";
        return {};
    }
    if (at == std::string::npos)
        return whole;
    double fx = 0;
    double fy = 0;
    cv::Rect crop;
    if (std::sscanf(line.c_str() + at + 1, "%lf,%lf,%d,%d", &fx, &fy, &crop.width, &crop.height)
            != 4
        || !(fx >= 0 && fx <= 1 && fy >= 0 && fy <= 1) || crop.width <= 0 || crop.height <= 0) {
        why = "names no crop";
        return {};
    }
    if (crop.width > whole.cols || crop.height > whole.rows) {
        why = "is smaller than its crop (" + std::to_string(whole.cols) + " x "
            + std::to_string(whole.rows) + ")";
        return {};
    }
    crop.x = static_cast<int>(fx * (whole.cols - crop.width));
    crop.y = static_cast<int>(fy * (whole.rows - crop.height));
    return whole(crop).clone();
}

cv::Mat fittedToWidth(const cv::Mat &photo, int width)
{
    if (width <= 0 || photo.cols == width)
        return photo;
    cv::Mat out;
    const double factor = static_cast<double>(width) / photo.cols;
    cv::resize(
        photo, out, cv::Size(), factor, factor, factor < 1 ? cv::INTER_AREA : cv::INTER_CUBIC);
    return out;
}

std::vector<std::string> readLines(const std::string &path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

int runDamage(int width, const std::string &listFile, const std::string &outCsv)
{
    const std::vector<std::string> photos = readLines(listFile);
    const fs::path scratch
        = fs::temp_directory_path() / ("lis-quality-terms-" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    std::ofstream out(outCsv);
    writeHeader(out, "photo,kind,level");
    std::size_t skipped = 0;
    for (std::size_t i = 0; i < photos.size(); ++i) {
        std::string why;
        const cv::Mat read = readPhoto(photos[i], why);
        if (read.empty()) {
            std::fprintf(stderr, "skipped %s: the photo %s\n", photos[i].c_str(), why.c_str());
            ++skipped;
            continue;
        }
        const cv::Mat photo = fittedToWidth(read, width);
        const auto measure = [&](const fit::DamagedFile &file, const char *kind, int level) {
            const fs::path path = scratch / ("damaged" + file.extension);
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char *>(file.bytes.data()),
                    static_cast<std::streamsize>(file.bytes.size()));
            if (const auto measured = fit::measureFile(path.string())) {
                out << '"' << photos[i] << "\"," << kind << ',' << level;
                writeTerms(out, *measured);
            }
        };
        measure(fit::undamaged(photo), "original", 0);
        measure(fit::resavedAsJpeg(photo), "resaved", 0);
        for (const fit::DamageLevel &level : fit::damageLevels())
            measure(fit::damagePhoto(photo, level, 7 + i), fit::kindName(level.kind), level.level);
    }
    fs::remove_all(scratch);
    std::fprintf(stderr, "%zu photos and their damage measured into %s (%zu skipped)\n",
        photos.size() - skipped, outCsv.c_str(), skipped);
    return out && skipped < photos.size() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv); // image format plugins are found through it
    if (argc == 5 && std::strcmp(argv[1], "scored") == 0)
        return runScored(argv[2], argv[3], argv[4]);
    if (argc == 5 && std::strcmp(argv[1], "damage") == 0)
        return runDamage(std::atoi(argv[2]), argv[3], argv[4]);
    std::fprintf(stderr,
        "usage: %s scored IMAGE_DIR MOS_CSV OUT_CSV\n"
        "       %s damage WIDTH LIST_FILE OUT_CSV\n",
        argv[0], argv[0]);
    return 2;
}
