#pragma once

#include <filesystem>
#include <string>

namespace lis::bench {

// The working bitmap the program makes of a file, by the program's own preparation step,
// cached under `cacheDir` by the file's path. Empty when the program cannot prepare it.
std::string workingBitmap(const std::string &source, const std::filesystem::path &cacheDir);

} // namespace lis::bench
