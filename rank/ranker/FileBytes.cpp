#include "FileBytes.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lis::ranker {

ReadOnlyFile::ReadOnlyFile(const std::string &path)
    : m_fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY))
{
    struct stat info
    {
    };
    if (m_fd >= 0 && (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0)) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_fd >= 0)
        m_size = static_cast<std::uint64_t>(info.st_size);
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

long ReadOnlyFile::readAt(void *into, std::size_t count, std::uint64_t offset) const
{
    for (;;) {
        const ssize_t n = ::pread(m_fd, into, count, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 ? -1 : static_cast<long>(n);
    }
}

std::vector<uint8_t> readFileHead(const std::string &path, std::size_t limit, bool *complete)
{
    if (complete)
        *complete = false;
    const ReadOnlyFile file(path);
    if (!file.isOpen())
        return {};
    std::vector<uint8_t> bytes(
        static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), limit)));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const long n = file.readAt(bytes.data() + got, bytes.size() - got, got);
        if (n < 0)
            return {};
        if (n == 0)
            break; // the file shrank since it was measured
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    if (complete)
        *complete = got == file.size();
    return bytes;
}

} // namespace lis::ranker
