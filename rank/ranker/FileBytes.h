#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lis::ranker {

// Reads at most `limit` bytes from the start of the file named by a path of raw bytes (as the
// system names it; UTF-8 for every name that is valid UTF-8). Empty when the file cannot be
// opened or is not a regular file. The file is opened once, without blocking (a FIFO swapped in
// for a picture is refused, not waited on), and checked and read through that one descriptor.
// `complete` tells whether the whole file fit.
std::vector<uint8_t> readFileHead(
    const std::string &path, std::size_t limit, bool *complete = nullptr);

} // namespace lis::ranker
