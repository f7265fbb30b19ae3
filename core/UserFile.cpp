#include "core/UserFile.h"

#include "core/FileNames.h"

#include <QFile>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <unistd.h>

namespace lis {

namespace {

// Opens the remaining stretch `rest` relative to `base`, cutting it at component boundaries into
// pieces the system accepts.
UniqueFd openInPieces(int base, QByteArrayView rest, int flags, mode_t mode)
{
    UniqueFd held; // the folder the next piece is relative to, once past the first
    int at = base;
    while (rest.size() >= PATH_MAX) {
        qsizetype cut = rest.lastIndexOf('/', PATH_MAX - 1);
        if (cut <= 0) {
            errno = ENAMETOOLONG; // one component beyond any limit
            return {};
        }
        const QByteArray piece = rest.first(cut).toByteArray();
        UniqueFd next(::openat(at, piece.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!next.isValid())
            return {};
        held = std::move(next);
        at = held.get();
        while (cut < rest.size() && rest[cut] == '/')
            ++cut;
        rest = rest.sliced(cut);
    }
    const QByteArray last = rest.isEmpty() ? QByteArray(".") : rest.toByteArray();
    return UniqueFd(::openat(at, last.constData(), flags | O_CLOEXEC, mode));
}

} // namespace

void UniqueFd::reset(int fd)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

UniqueFd openPathBytes(const QByteArray &path, int flags, mode_t mode)
{
    if (path.isEmpty()) {
        errno = ENOENT;
        return {};
    }
    if (path.size() < PATH_MAX)
        return UniqueFd(::open(path.constData(), flags | O_CLOEXEC, mode));
    if (path.startsWith('/')) {
        UniqueFd root(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!root.isValid())
            return {};
        qsizetype start = 0;
        while (start < path.size() && path[start] == '/')
            ++start;
        return openInPieces(root.get(), QByteArrayView(path).sliced(start), flags, mode);
    }
    return openInPieces(AT_FDCWD, path, flags, mode);
}

UniqueFd openPath(const QString &path, int flags, mode_t mode)
{
    return openPathBytes(pathToBytes(path), flags, mode);
}

std::optional<struct stat> statPath(const QString &path, bool followLinks)
{
    const QByteArray bytes = pathToBytes(path);
    struct stat info
    {
    };
    if (bytes.size() < PATH_MAX) {
        const int done
            = followLinks ? ::stat(bytes.constData(), &info) : ::lstat(bytes.constData(), &info);
        return done == 0 ? std::optional(info) : std::nullopt;
    }
    // Past the limit: stat the last component relative to its opened folder.
    const qsizetype slash = bytes.lastIndexOf('/');
    if (slash < 0) {
        errno = ENAMETOOLONG;
        return std::nullopt;
    }
    const UniqueFd folder
        = openPathBytes(slash == 0 ? QByteArray("/") : bytes.first(slash), O_PATH | O_DIRECTORY);
    if (!folder.isValid())
        return std::nullopt;
    const QByteArray name = bytes.sliced(slash + 1);
    if (::fstatat(folder.get(), name.isEmpty() ? "." : name.constData(), &info,
            followLinks ? 0 : AT_SYMLINK_NOFOLLOW)
        != 0)
        return std::nullopt;
    return info;
}

UserFile UserFile::open(const QString &path)
{
    UserFile file;
    // O_NONBLOCK: opening a FIFO for reading would wait for a writer, forever. O_NOCTTY: a
    // terminal device must never become ours.
    file.m_fd = openPath(path, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (!file.m_fd.isValid()) {
        file.m_errno = errno;
        file.m_status = (errno == ENOENT || errno == ENOTDIR) ? Status::Missing
            : errno == ENXIO                                  ? Status::NotRegular
                                                              : Status::Unreadable;
        return file;
    }
    if (::fstat(file.m_fd.get(), &file.m_info) != 0) {
        file.m_errno = errno;
        file.m_status = Status::Unreadable;
        file.m_fd.reset();
        return file;
    }
    if (!S_ISREG(file.m_info.st_mode)) {
        file.m_status = Status::NotRegular;
        file.m_fd.reset();
        return file;
    }
    file.m_status = Status::Open;
    return file;
}

std::optional<QByteArray> UserFile::read(qint64 offset, qint64 maxBytes) const
{
    if (!isOpen() || offset < 0 || maxBytes < 0)
        return std::nullopt;
    QByteArray bytes(maxBytes, Qt::Uninitialized);
    qint64 got = 0;
    while (got < maxBytes) {
        const ssize_t n
            = ::pread(m_fd.get(), bytes.data() + got, size_t(maxBytes - got), off_t(offset + got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (n == 0)
            break;
        got += n;
    }
    bytes.truncate(got);
    return bytes;
}

std::optional<QByteArray> UserFile::readAll(qint64 limit) const
{
    if (!isOpen() || size() > limit)
        return std::nullopt;
    // One byte more than the checked size shows a file that grew since it was opened.
    std::optional<QByteArray> bytes = read(0, size() + 1);
    if (!bytes || bytes->size() != size())
        return std::nullopt;
    return bytes;
}

std::unique_ptr<QFile> UserFile::device() const
{
    if (!isOpen())
        return nullptr;
    // QFile reads from the descriptor's own offset, which an earlier device may have moved.
    if (::lseek(m_fd.get(), 0, SEEK_SET) != 0)
        return nullptr;
    auto file = std::make_unique<QFile>();
    if (!file->open(m_fd.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return nullptr;
    return file;
}

} // namespace lis
