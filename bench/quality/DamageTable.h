#pragma once

#include "BenchLibrary.h"

#include <filesystem>

namespace lis::bench {

// The within-photo order of graded damage: for every kind, the mean and worst over photos of
// Spearman's correlation between -level and the overall score, and the same for the part that
// shows that kind. Reads DISTORTION_DIR/levels.csv (make-distortion-set) and adds a contrast
// kind made here from each photo's original.
void printDamageTable(const BenchLibrary &library, const std::filesystem::path &distortions,
    const std::filesystem::path &cache);

} // namespace lis::bench
