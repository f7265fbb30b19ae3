#pragma once

#include <array>
#include <cstdint>
#include <optional>

class QImage;

namespace lis {

// What a picture looks like at a glance, for finding near-duplicates: survives small crops and
// shifts, exposure changes, mild blur and re-encoding, and costs a few microseconds to compare.
struct ImageSignature
{
    // Cells of the colour layout per side; the layout holds luma, blue and red chroma per cell.
    static constexpr int kLayoutSide = 4;
    static constexpr int kLayoutCells = kLayoutSide * kLayoutSide;

    // Perceptual hash: the signs against their median of the 63 lowest-frequency DCT terms of
    // a 32 x 32 grey copy (bit 0, the DC term's, is always 0).
    std::uint64_t hash = 0;
    // Mean Y, Cb, Cr of each 4 x 4 cell (row by row), 0..255: tells apart pictures whose
    // brightness patterns agree but whose colours do not.
    std::array<std::uint8_t, kLayoutCells * 3> layout {};

    bool operator==(const ImageSignature &) const = default;
};

// The signature of a picture (any size; the working bitmap in the ranking pass). Nothing for a
// null picture.
std::optional<ImageSignature> signatureOf(const QImage &image);

// Bits in which two hashes differ, 0..64.
int hashDistance(std::uint64_t a, std::uint64_t b);

// How far apart two colour layouts are: the mean absolute difference per value, 0..255. Luma is
// compared after each layout's own mean luma is taken off, so a brighter or darker exposure of
// the same frame stays close while a different scene does not.
double layoutDistance(const ImageSignature &a, const ImageSignature &b);

} // namespace lis
