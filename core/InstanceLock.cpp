#include "core/InstanceLock.h"

#include "core/FileNames.h"
#include "core/TreeRemoval.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lis {

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Opens the lock file without following a link and without blocking on whatever is there; an
// entry that is not a plain file (a link, a FIFO, a folder) is replaced.
UniqueFd openLockFile(const QString &path)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (const auto info = statPath(path, false); info && !S_ISREG(info->st_mode))
            removeTree(path);
        UniqueFd fd = openPath(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0644);
        if (!fd.isValid()) {
            if (errno == ELOOP || errno == ENXIO || errno == EISDIR)
                continue; // something was put in its place since: replace it once more
            return {};
        }
        struct stat info
        {
        };
        if (::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode))
            return fd;
        errno = EINVAL;
    }
    return {};
}

} // namespace

InstanceLock::InstanceLock(const QString &lockFilePath)
{
    UniqueFd fd = openLockFile(lockFilePath);
    if (!fd.isValid()) {
        m_failure = systemReason(errno);
        return;
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            m_state = State::HeldByOther;
        } else {
            m_failure = systemReason(errno);
        }
        return;
    }
    // The process id is for people looking at the folder only; nothing reads it back, so a
    // failure to write it changes nothing.
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(fd.get(), 0) != 0
        || ::pwrite(fd.get(), pid.constData(), size_t(pid.size()), 0) < 0) { }
    m_fd = std::move(fd);
    m_state = State::Held;
}

} // namespace lis
