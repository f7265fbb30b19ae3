#include "rank/ImageSignature.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace lis {

namespace {

constexpr int kGrid = 32; // the grey copy the DCT is taken of
constexpr int kTerms = 8; // lowest frequencies kept per axis

struct Grid
{
    std::array<double, kGrid * kGrid> grey {};
    std::array<double, kGrid * kGrid> cb {};
    std::array<double, kGrid * kGrid> cr {};
};

// Area averages on a 32 x 32 grid: every source pixel falls in exactly one cell. The picture is
// at least 32 pixels on each side (smaller ones are enlarged first), so no cell stays empty.
Grid averageGrid(const QImage &picture)
{
    const int width = picture.width();
    const int height = picture.height();
    std::array<double, kGrid * kGrid> r {}, g {}, b {};
    std::array<int, kGrid * kGrid> count {};
    std::vector<int> columns(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x)
        columns[size_t(x)] = int(qint64(x) * kGrid / width);
    for (int y = 0; y < height; ++y) {
        const int rowCell = int(qint64(y) * kGrid / height) * kGrid;
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const int cell = rowCell + columns[size_t(x)];
            r[size_t(cell)] += qRed(line[x]);
            g[size_t(cell)] += qGreen(line[x]);
            b[size_t(cell)] += qBlue(line[x]);
            ++count[size_t(cell)];
        }
    }
    Grid grid;
    for (size_t i = 0; i < grid.grey.size(); ++i) {
        const double n = std::max(count[i], 1);
        const double red = r[i] / n, green = g[i] / n, blue = b[i] / n;
        grid.grey[i] = 0.299 * red + 0.587 * green + 0.114 * blue;
        grid.cb[i] = 128 - 0.168736 * red - 0.331264 * green + 0.5 * blue;
        grid.cr[i] = 128 + 0.5 * red - 0.418688 * green - 0.081312 * blue;
    }
    return grid;
}

// The DCT-II basis for the lowest terms: basis[u][x] = cos((2x + 1) u pi / 64).
const std::array<std::array<double, kGrid>, kTerms> &dctBasis()
{
    static const auto basis = [] {
        std::array<std::array<double, kGrid>, kTerms> rows {};
        for (int u = 0; u < kTerms; ++u) {
            for (int x = 0; x < kGrid; ++x)
                rows[size_t(u)][size_t(x)]
                    = std::cos((2 * x + 1) * u * std::numbers::pi / (2 * kGrid));
        }
        return rows;
    }();
    return basis;
}

std::uint64_t perceptualHash(const std::array<double, kGrid * kGrid> &grey)
{
    const auto &basis = dctBasis();
    // Rows first (8 x 32), then columns (8 x 8); scale factors do not change any sign.
    std::array<double, kTerms * kGrid> rows {};
    for (int v = 0; v < kTerms; ++v) {
        for (int x = 0; x < kGrid; ++x) {
            double sum = 0;
            for (int y = 0; y < kGrid; ++y)
                sum += basis[size_t(v)][size_t(y)] * grey[size_t(y * kGrid + x)];
            rows[size_t(v * kGrid + x)] = sum;
        }
    }
    std::array<double, kTerms * kTerms> terms {};
    for (int v = 0; v < kTerms; ++v) {
        for (int u = 0; u < kTerms; ++u) {
            double sum = 0;
            for (int x = 0; x < kGrid; ++x)
                sum += basis[size_t(u)][size_t(x)] * rows[size_t(v * kGrid + x)];
            terms[size_t(v * kTerms + u)] = sum;
        }
    }
    // The DC term only says how bright the picture is; the median of the other 63 splits them.
    std::array<double, kTerms * kTerms - 1> ac {};
    std::copy(terms.begin() + 1, terms.end(), ac.begin());
    std::nth_element(ac.begin(), ac.begin() + ac.size() / 2, ac.end());
    const double median = ac[ac.size() / 2];
    std::uint64_t hash = 0;
    for (size_t i = 1; i < terms.size(); ++i) {
        if (terms[i] > median)
            hash |= std::uint64_t(1) << i;
    }
    return hash;
}

std::uint8_t byteOf(double value)
{
    return std::uint8_t(std::clamp(std::lround(value), 0L, 255L));
}

void fillLayout(const Grid &grid, ImageSignature &signature)
{
    constexpr int per = kGrid / ImageSignature::kLayoutSide;
    for (int cy = 0; cy < ImageSignature::kLayoutSide; ++cy) {
        for (int cx = 0; cx < ImageSignature::kLayoutSide; ++cx) {
            double y = 0, cb = 0, cr = 0;
            for (int gy = cy * per; gy < (cy + 1) * per; ++gy) {
                for (int gx = cx * per; gx < (cx + 1) * per; ++gx) {
                    const size_t i = size_t(gy * kGrid + gx);
                    y += grid.grey[i];
                    cb += grid.cb[i];
                    cr += grid.cr[i];
                }
            }
            const size_t cell = size_t(cy * ImageSignature::kLayoutSide + cx) * 3;
            signature.layout[cell] = byteOf(y / (per * per));
            signature.layout[cell + 1] = byteOf(cb / (per * per));
            signature.layout[cell + 2] = byteOf(cr / (per * per));
        }
    }
}

} // namespace

std::optional<ImageSignature> signatureOf(const QImage &image)
{
    if (image.isNull())
        return std::nullopt;
    QImage picture = image.convertToFormat(QImage::Format_RGB32);
    if (picture.width() < kGrid || picture.height() < kGrid)
        picture = picture.scaled(std::max(picture.width(), kGrid),
            std::max(picture.height(), kGrid), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const Grid grid = averageGrid(picture);
    ImageSignature signature;
    signature.hash = perceptualHash(grid.grey);
    fillLayout(grid, signature);
    return signature;
}

int hashDistance(std::uint64_t a, std::uint64_t b)
{
    // Counted in registers: without a popcount instruction in the build's target, std::popcount
    // is a library call, and the grouping makes millions of these.
    std::uint64_t x = a ^ b;
    x -= (x >> 1) & 0x5555555555555555;
    x = (x & 0x3333333333333333) + ((x >> 2) & 0x3333333333333333);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0F;
    return int((x * 0x0101010101010101) >> 56);
}

double layoutDistance(const ImageSignature &a, const ImageSignature &b)
{
    constexpr int cells = ImageSignature::kLayoutCells;
    double meanA = 0, meanB = 0;
    for (int c = 0; c < cells; ++c) {
        meanA += a.layout[size_t(c * 3)];
        meanB += b.layout[size_t(c * 3)];
    }
    meanA /= cells;
    meanB /= cells;
    double sum = 0;
    for (int c = 0; c < cells; ++c) {
        const size_t i = size_t(c * 3);
        sum += std::abs((a.layout[i] - meanA) - (b.layout[i] - meanB));
        sum += std::abs(a.layout[i + 1] - b.layout[i + 1]);
        sum += std::abs(a.layout[i + 2] - b.layout[i + 2]);
    }
    return sum / (cells * 3);
}

} // namespace lis
