#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lis::ranker {

// A regular file opened for reading by a path of raw bytes (as the system names it; UTF-8 for
// every name that is valid UTF-8), without blocking: a FIFO swapped in for a picture is refused,
// not waited on. It is checked and read through that one descriptor, closed when this goes.
class ReadOnlyFile
{
public:
    explicit ReadOnlyFile(const std::string &path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    std::uint64_t size() const { return m_size; }
    // Reads up to `count` bytes at `offset`: how many it read, 0 at the end, -1 on an error.
    long readAt(void *into, std::size_t count, std::uint64_t offset) const;

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
};

// Reads at most `limit` bytes from the start of the file. Empty when the file cannot be opened
// or is not a regular file. `complete` tells whether the whole file fit.
std::vector<uint8_t> readFileHead(
    const std::string &path, std::size_t limit, bool *complete = nullptr);

} // namespace lis::ranker
