#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lis::ranker {

// Reads at most `limit` bytes from the start of the file named by a UTF-8 path. Empty when the
// file cannot be opened or is not a regular file. `complete` tells whether the whole file fit.
std::vector<uint8_t> readFileHead(
    const std::string &utf8Path, std::size_t limit, bool *complete = nullptr);

} // namespace lis::ranker
