#pragma once

#include "BenchLibrary.h"

#include <filesystem>
#include <string>

namespace lis::bench {

// Same pixels, same rank: JPEG photos against lossless re-saves of their decoded pixels (PNG,
// TIFF, 24-bit BMP), each prepared and judged with itself as the source. Two sets: the first
// `count` scored photos (about 512 pixels, reduced little), and the distortion set's originals
// saved as JPEG at quality 90 (1024 pixels, so the program decodes the JPEG at half size).
void printResaveCheck(const BenchLibrary &library, const std::filesystem::path &images,
    const std::string &mosCsv, const std::filesystem::path &distortions,
    const std::filesystem::path &cache, int count);

} // namespace lis::bench
