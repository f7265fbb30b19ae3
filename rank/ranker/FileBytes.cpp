#include "FileBytes.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lis::ranker {

namespace {

// Closes the descriptor when it goes away.
class Descriptor
{
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    { }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

std::vector<uint8_t> readFileHead(const std::string &path, std::size_t limit, bool *complete)
{
    if (complete)
        *complete = false;
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0)
        return {};
    struct stat info
    {
    };
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0)
        return {};
    const auto size = static_cast<std::uintmax_t>(info.st_size);
    std::vector<uint8_t> bytes(static_cast<std::size_t>(std::min<std::uintmax_t>(size, limit)));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n
            = ::pread(file.get(), bytes.data() + got, bytes.size() - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return {};
        if (n == 0)
            break; // the file shrank since it was measured
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    if (complete)
        *complete = got == size;
    return bytes;
}

} // namespace lis::ranker
