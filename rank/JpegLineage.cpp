#include "rank/JpegLineage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <jpeglib.h>
#include <vector>

namespace lis {

namespace {

// Luma blocks read: enough for the histograms of the rarer values, few enough that their entropy
// decoding costs about half a millisecond. Twice as many would tell 8 points more of the copies
// coded again at about their source's quality, at three times the cost.
constexpr int kBlockBudget = 2048;
constexpr int kMinBlocks = 256;
// Values up to this many steps are counted; a coefficient needs this many values other than 0
// to tell anything, and a picture this many such coefficients.
constexpr int kBins = 17;
constexpr int kMinValues = 64;
constexpr int kMinCoefficients = 3;
// A picture coded once has as many values of one step as of any other (their density is
// highest near 0); one coded again after a coding at 1.5 steps or more has next to none. The
// line between them, for the median coefficient.
constexpr double kRecodedShare = 0.5;
// A picture coded once has smooth histograms; where an earlier coding's steps differ from the
// file's own, some values are emptied and others doubled, even at about the same quality. The
// line for the most irregular value, in standard deviations, chosen on the generated stacks'
// tuning set (bench/stacks): with the first-step test it takes 4 of 510 photos coded once for
// copies, and tells 63 % of their copies coded again at quality 70 to 95 and 87 % of the turned
// ones (a turn transposes the source's steps).
constexpr double kRecodedIrregularity = 12;
// A value's count beside its neighbours' is judged only where both neighbours have this many.
constexpr double kMinNeighbours = 20;

struct ErrorExit
{
    jpeg_error_mgr manager; // first, so libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf jump;
    int rowsBeforeWarning = -1; // the coded rows read before the data ran out or broke
};

[[noreturn]] void leave(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorExit *>(info->err)->jump, 1);
}

void noteWarning(j_common_ptr info, int level)
{
    auto *error = reinterpret_cast<ErrorExit *>(info->err);
    // A warning: the data ran out, or is corrupt from here on. Past the rows asked for it is
    // the rest of the picture, which is not read; in a scan of other components it does not
    // touch the luma.
    const auto *decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (level < 0 && error->rowsBeforeWarning < 0 && info->is_decompressor
        && decompress->input_iMCU_row < decompress->total_iMCU_rows && decompress->comps_in_scan > 0
        && decompress->cur_comp_info[0] != nullptr
        && decompress->cur_comp_info[0]->component_index == 0)
        error->rowsBeforeWarning = int(decompress->input_iMCU_row);
}

int bigEndian16(const QByteArray &bytes, qsizetype at)
{
    return (std::uint8_t(bytes[at]) << 8) | std::uint8_t(bytes[at + 1]);
}

// The head with its frame header declaring no more rows than the budget's: libjpeg keeps the
// coefficients of every declared row, which for a large photo is tens of megabytes. Empty when
// there is no baseline or extended sequential frame header before the first scan.
QByteArray withRowsCut(QByteArray head)
{
    qsizetype at = 2;
    while (at + 4 <= head.size() && std::uint8_t(head[at]) == 0xFF) {
        const int marker = std::uint8_t(head[at + 1]);
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker == 0xDA) // a scan before any frame header
            return {};
        const int length = bigEndian16(head, at + 2);
        if (marker == 0xC0 || marker == 0xC1) {
            if (at + 12 > head.size() || length < 11)
                return {};
            const int height = bigEndian16(head, at + 5);
            const int width = bigEndian16(head, at + 7);
            const int mcuHeight = 8 * std::max(1, std::uint8_t(head[at + 11]) & 0x0F);
            const int blockRows = std::max(1, kBlockBudget / std::max(1, width / 8));
            const int rows = std::min(height,
                std::max(mcuHeight, (blockRows * 8 + mcuHeight - 1) / mcuHeight * mcuHeight));
            head[at + 5] = char(rows >> 8);
            head[at + 6] = char(rows & 0xFF);
            return head;
        }
        at += 2 + length;
    }
    return {};
}

// The coefficients looked at, as places in a block (natural order, v * 8 + u): the lowest
// frequencies (u + v from 1 to 3), whose steps are the finest, so an earlier coarser coding
// leaves the widest gaps, and which nearly every block has.
constexpr std::array<int, 9> kLowPlaces { 1, 8, 2, 9, 16, 3, 10, 17, 24 };

// How many blocks have one low coefficient at n steps, n = 0..16.
using Histogram = std::array<int, kBins>;

// The histograms of the low luma coefficients over the picture's first block rows.
struct Counted
{
    int blocks = 0; // read from data (none after the data ran out)
    std::vector<Histogram> histograms;
};

// Plain C calls only between setjmp and longjmp: nothing of this frame needs unwinding.
bool count(const QByteArray &cut, Counted &counted)
{
    jpeg_decompress_struct info {};
    ErrorExit error {};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = leave;
    error.manager.emit_message = noteWarning;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(cut.constData()),
        static_cast<unsigned long>(cut.size()));
    const bool usable = jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK && !info.progressive_mode
        && (info.jpeg_color_space == JCS_YCbCr || info.jpeg_color_space == JCS_GRAYSCALE);
    if (!usable) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    counted.histograms.assign(kLowPlaces.size(), Histogram {});
    jvirt_barray_ptr *coefficients = jpeg_read_coefficients(&info);
    const jpeg_component_info &luma = info.comp_info[0];
    const int codedRows = error.rowsBeforeWarning < 0
        ? int(luma.height_in_blocks)
        : error.rowsBeforeWarning * luma.v_samp_factor;
    const int perRow = int(info.image_width) / 8;
    const int rows = std::min(codedRows, int(info.image_height) / 8);
    for (int row = 0; row < rows; ++row) {
        const JBLOCKARRAY line = (*info.mem->access_virt_barray)(
            reinterpret_cast<j_common_ptr>(&info), coefficients[0], JDIMENSION(row), 1, FALSE);
        for (int column = 0; column < perRow; ++column) {
            for (size_t k = 0; k < kLowPlaces.size(); ++k) {
                const int n = std::abs(int(line[0][column][kLowPlaces[k]]));
                if (n < kBins)
                    ++counted.histograms[k][size_t(n)];
            }
        }
    }
    counted.blocks = std::max(rows, 0) * perRow;
    jpeg_destroy_decompress(&info);
    return true;
}

// What the lineage is told from. `firstStepShare`: the median, over the low coefficients, of
// how many values lie one step from 0 against the most common other value. `irregularity`: the
// largest departure, in standard deviations, of one value's count from the geometric mean of
// its neighbours' (a coding at other steps empties some values and doubles others).
struct Evidence
{
    double firstStepShare = 0;
    double irregularity = 0;
};

std::optional<Evidence> evidenceIn(const QByteArray &head)
{
    if (head.size() < 4)
        return std::nullopt;
    const QByteArray cut = withRowsCut(head);
    Counted counted;
    if (cut.isEmpty() || !count(cut, counted) || counted.blocks < kMinBlocks)
        return std::nullopt;
    std::vector<double> shares;
    double irregular = 0;
    for (const Histogram &h : counted.histograms) {
        int all = 0;
        for (int n = 1; n < kBins; ++n)
            all += h[size_t(n)];
        if (all < kMinValues)
            continue;
        const int most = *std::max_element(h.begin() + 1, h.end());
        shares.push_back(double(h[1]) / double(most));
        for (int n = 2; n + 1 < kBins; ++n) {
            const double before = h[size_t(n - 1)], after = h[size_t(n + 1)];
            if (std::min(before, after) < kMinNeighbours)
                continue;
            const double expected = std::sqrt(before * after);
            irregular
                = std::max(irregular, std::abs(h[size_t(n)] - expected) / std::sqrt(expected));
        }
    }
    if (int(shares.size()) < kMinCoefficients)
        return std::nullopt;
    std::nth_element(shares.begin(), shares.begin() + ptrdiff_t(shares.size() / 2), shares.end());
    return Evidence { shares[shares.size() / 2], irregular };
}

} // namespace

JpegLineage jpegLineage(const QByteArray &head)
{
    const std::optional<Evidence> evidence = evidenceIn(head);
    if (!evidence)
        return JpegLineage::Unknown;
    const bool recoded
        = evidence->firstStepShare < kRecodedShare || evidence->irregularity > kRecodedIrregularity;
    return recoded ? JpegLineage::Recoded : JpegLineage::CodedOnce;
}

} // namespace lis
