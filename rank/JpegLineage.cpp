#include "rank/JpegLineage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <jpeglib.h>
#include <numbers>
#include <vector>

namespace lis {

namespace {

// Blocks read: enough for each coefficient's histogram, few enough that the rows cost a
// fraction of a millisecond to decode.
constexpr int kBlockBudget = 1024;
constexpr int kMinBlocks = 256;
// The coefficients looked at: the lowest frequencies (u + v from 1 to 3), whose steps are the
// finest, so an earlier coarser coding leaves the widest gaps, and which nearly every block has.
constexpr int kLowest = 4;
// Values up to this many steps are counted; a coefficient needs this many values other than 0
// to tell anything, and a picture this many such coefficients.
constexpr int kBins = 17;
constexpr int kMinValues = 64;
constexpr int kMinCoefficients = 3;
// A picture coded once has as many values of one step as of any other (their density is
// highest near 0); one coded again after a coding at 1.5 steps or more has next to none. The
// line between them, for the median coefficient.
constexpr double kRecodedShare = 0.5;
// Decoded pixels are rounded, which moves a coefficient by about 0.3 (one standard deviation):
// where the step is that small, the many zeros spill into the first step's values, so the
// count starts at the first value beyond this.
constexpr double kRoundingReach = 1.5;

struct ErrorExit
{
    jpeg_error_mgr manager; // first, so libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf jump;
    int warnings = 0;
};

[[noreturn]] void leave(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorExit *>(info->err)->jump, 1);
}

void count(j_common_ptr info, int level)
{
    if (level < 0) // a warning: the data ran out, or is corrupt from here on
        ++reinterpret_cast<ErrorExit *>(info->err)->warnings;
}

// The luma of the picture's first block rows, and its luma steps.
struct Strip
{
    int width = 0;
    int rows = 0; // rows decoded from data (none after the data ran out)
    std::vector<std::uint8_t> luma;
    std::array<int, 64> steps {}; // in natural order
};

// Plain C calls only between setjmp and longjmp: nothing of this frame needs unwinding.
bool readStrip(const QByteArray &head, Strip &strip)
{
    jpeg_decompress_struct info {};
    ErrorExit error {};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = leave;
    error.manager.emit_message = count;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(head.constData()),
        static_cast<unsigned long>(head.size()));
    const bool usable = jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK && !info.progressive_mode
        && (info.jpeg_color_space == JCS_YCbCr || info.jpeg_color_space == JCS_GRAYSCALE)
        && info.comp_info[0].quant_tbl_no >= 0 && info.comp_info[0].quant_tbl_no < NUM_QUANT_TBLS
        && info.quant_tbl_ptrs[info.comp_info[0].quant_tbl_no] != nullptr;
    if (!usable) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    const JQUANT_TBL *steps = info.quant_tbl_ptrs[info.comp_info[0].quant_tbl_no];
    std::copy(std::begin(steps->quantval), std::end(steps->quantval), strip.steps.begin());
    info.out_color_space = JCS_GRAYSCALE;
    info.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&info);
    strip.width = int(info.output_width);
    const int blocksPerRow = std::max(1, strip.width / 8);
    const int blockRows = int(info.output_height) / 8;
    const int wanted = 8 * std::min(std::max(kBlockBudget / blocksPerRow, 1), blockRows);
    strip.luma.resize(size_t(strip.width) * size_t(wanted));
    while (int(info.output_scanline) < wanted && error.warnings == 0) {
        JSAMPROW row = strip.luma.data() + size_t(info.output_scanline) * size_t(strip.width);
        jpeg_read_scanlines(&info, &row, 1);
        if (error.warnings == 0)
            strip.rows = int(info.output_scanline);
    }
    jpeg_destroy_decompress(&info);
    return true;
}

struct Basis
{
    // c(u) cos((2x + 1) u pi / 16): the orthonormal DCT, the scale of JPEG's coefficients.
    std::array<std::array<double, 8>, kLowest> at {};
    Basis()
    {
        for (int u = 0; u < kLowest; ++u) {
            for (int x = 0; x < 8; ++x)
                at[size_t(u)][size_t(x)] = (u == 0 ? std::sqrt(0.125) : 0.5)
                    * std::cos((2 * x + 1) * u * std::numbers::pi / 16);
        }
    }
};

JpegLineage judge(const Strip &strip)
{
    const int blocksPerRow = strip.width / 8;
    const int blockRows = strip.rows / 8;
    if (blocksPerRow * blockRows < kMinBlocks)
        return JpegLineage::Unknown;
    struct Coefficient
    {
        int u, v;
        std::array<int, kBins> values {}; // how many blocks have it at n steps, n = 1..16
    };
    std::vector<Coefficient> coefficients;
    for (int u = 0; u < kLowest; ++u) {
        for (int v = 0; v < kLowest; ++v) {
            if (u + v >= 1 && u + v <= 3 && strip.steps[size_t(v * 8 + u)] > 0)
                coefficients.push_back({ u, v });
        }
    }
    static const Basis basis;
    for (int by = 0; by < blockRows; ++by) {
        for (int bx = 0; bx < blocksPerRow; ++bx) {
            // Horizontal frequencies of each row of the block, then the vertical ones.
            std::array<std::array<double, kLowest>, 8> rows {};
            for (int y = 0; y < 8; ++y) {
                const std::uint8_t *line
                    = strip.luma.data() + size_t(by * 8 + y) * size_t(strip.width) + size_t(bx * 8);
                for (int u = 0; u < kLowest; ++u) {
                    double sum = 0;
                    for (int x = 0; x < 8; ++x)
                        sum += (line[x] - 128.0) * basis.at[size_t(u)][size_t(x)];
                    rows[size_t(y)][size_t(u)] = sum;
                }
            }
            for (Coefficient &c : coefficients) {
                double value = 0;
                for (int y = 0; y < 8; ++y)
                    value += rows[size_t(y)][size_t(c.u)] * basis.at[size_t(c.v)][size_t(y)];
                const long n = std::lround(std::abs(value) / strip.steps[size_t(c.v * 8 + c.u)]);
                if (n >= 1 && n < kBins)
                    ++c.values[size_t(n)];
            }
        }
    }
    std::vector<double> shares;
    for (const Coefficient &c : coefficients) {
        const int step = strip.steps[size_t(c.v * 8 + c.u)];
        const int first = std::max(1, int(std::ceil(kRoundingReach / step)));
        int all = 0;
        for (int n = first; n < kBins; ++n)
            all += c.values[size_t(n)];
        const int most = *std::max_element(c.values.begin() + first, c.values.end());
        if (all >= kMinValues)
            shares.push_back(double(c.values[size_t(first)]) / double(most));
    }
    if (int(shares.size()) < kMinCoefficients)
        return JpegLineage::Unknown;
    std::nth_element(shares.begin(), shares.begin() + ptrdiff_t(shares.size() / 2), shares.end());
    return shares[shares.size() / 2] < kRecodedShare ? JpegLineage::Recoded
                                                     : JpegLineage::CodedOnce;
}

} // namespace

JpegLineage jpegLineage(const QByteArray &head)
{
    Strip strip;
    if (head.size() < 4 || !readStrip(head, strip))
        return JpegLineage::Unknown;
    return judge(strip);
}

} // namespace lis
