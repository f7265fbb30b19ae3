#include "FileBytes.h"

#include <filesystem>
#include <fstream>

namespace lis::ranker {

std::vector<uint8_t> readFileHead(const std::string &utf8Path, std::size_t limit, bool *complete)
{
    if (complete)
        *complete = false;
    // The path is UTF-8 whatever the platform's narrow encoding is.
    const std::filesystem::path path(
        std::u8string(reinterpret_cast<const char8_t *>(utf8Path.data()), utf8Path.size()));
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return {};
    const auto size = std::filesystem::file_size(path, error);
    if (error)
        return {};
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::vector<uint8_t> bytes(static_cast<std::size_t>(std::min<std::uintmax_t>(size, limit)));
    in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    if (complete)
        *complete = bytes.size() == size;
    return bytes;
}

} // namespace lis::ranker
