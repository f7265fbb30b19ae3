#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>
#include <sys/stat.h>

class QFile;

namespace lis {

// An owned file descriptor, closed when it goes away.
class UniqueFd
{
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd)
        : m_fd(fd)
    { }
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd &&other) noexcept
        : m_fd(other.release())
    { }
    UniqueFd &operator=(UniqueFd &&other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;

    int get() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd = -1);

private:
    int m_fd = -1;
};

// open(2) of a path of any length: a path the system refuses as too long is opened one stretch
// of components at a time below the system's limit. Always close-on-exec. The path is held as
// pathFromBytes made it, so names that are not UTF-8 open too. errno tells why it failed.
UniqueFd openPath(const QString &path, int flags, mode_t mode = 0);
UniqueFd openPathBytes(const QByteArray &path, int flags, mode_t mode = 0);
// lstat(2) / stat(2) of such a path.
std::optional<struct stat> statPath(const QString &path, bool followLinks);

// A file of the user's, opened once for reading. The open never blocks (a FIFO or device
// swapped in for a photo is refused, not waited on), and every check is made on the open
// descriptor, so what is read is exactly what was checked.
class UserFile
{
public:
    enum class Status {
        Open,
        Missing, // no such file (or a dangling link)
        NotRegular, // a folder, FIFO, socket or device
        Unreadable, // it exists but cannot be opened or read (permissions, I/O error)
    };

    static UserFile open(const QString &path);

    bool isOpen() const { return m_status == Status::Open; }
    Status status() const { return m_status; }
    int error() const { return m_errno; } // errno of the failure
    int descriptor() const { return m_fd.get(); }
    const struct stat &info() const { return m_info; }
    qint64 size() const { return qint64(m_info.st_size); }

    // Up to `maxBytes` from `offset`; nothing on a read error.
    std::optional<QByteArray> read(qint64 offset, qint64 maxBytes) const;
    // The whole file when it holds at most `limit` bytes and reading it gives exactly the size
    // checked at open (a file that grew or shrank since is not what was checked).
    std::optional<QByteArray> readAll(qint64 limit) const;
    // A device reading this descriptor from its start, for Qt's readers; the descriptor stays
    // owned by this object, which must outlive the device.
    std::unique_ptr<QFile> device() const;

private:
    UserFile() = default;

    UniqueFd m_fd;
    Status m_status = Status::Missing;
    int m_errno = 0;
    struct stat m_info
    {
    };
};

} // namespace lis
