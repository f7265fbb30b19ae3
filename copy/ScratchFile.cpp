#include "copy/ScratchFile.h"

#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace lis {

namespace {

// How far the disk may lag behind the writes before a write waits for it. Without a bound the
// page cache takes a whole large file at memory speed and the final flush then waits seconds
// for all of it, in one call that nothing can interrupt.
constexpr qint64 writeBackLag = qint64(8) << 20;
// Write-back is started in steps of this size.
constexpr qint64 writeBackStep = qint64(1) << 20;

// Errors that only say the file system cannot take the hint; anything else is a failed write.
bool isUnsupported(int error)
{
    return error == EINVAL || error == ESPIPE || error == ENOSYS || error == EOPNOTSUPP;
}

} // namespace

ScratchFile ScratchFile::create(int folder)
{
    ScratchFile scratch(folder);
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Short, so that the final name may be as long as the system allows.
        char name[32];
        std::snprintf(name, sizeof name, ".lis-copy-%08x.tmp",
            unsigned(QRandomGenerator::global()->generate()));
        scratch.m_fd = UniqueFd(::openat(
            folder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666));
        if (scratch.m_fd.isValid()) {
            scratch.m_name = name;
            return scratch;
        }
        if (errno != EEXIST)
            break;
    }
    scratch.m_error = errno;
    return scratch;
}

ScratchFile::ScratchFile(ScratchFile &&other) noexcept
    : m_folder(other.m_folder)
    , m_fd(std::move(other.m_fd))
    , m_name(std::exchange(other.m_name, {}))
    , m_error(other.m_error)
    , m_written(other.m_written)
    , m_started(other.m_started)
    , m_settled(other.m_settled)
    , m_canFlushBehind(other.m_canFlushBehind)
{ }

ScratchFile::~ScratchFile()
{
    m_fd.reset();
    if (!m_name.isEmpty())
        ::unlinkat(m_folder, m_name.constData(), 0);
}

bool ScratchFile::append(const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_fd.get(), data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
        m_written += n;
    }
    return flushBehind();
}

// Starts write-back of what was written since the last step and waits for the step that lies
// a lag behind, so each wait is for about one step's worth of disk writes.
bool ScratchFile::flushBehind()
{
    if (!m_canFlushBehind)
        return true;
    const auto syncRange = [this](qint64 from, qint64 to, unsigned flags) {
        if (::sync_file_range(m_fd.get(), from, to - from, flags) == 0)
            return true;
        if (isUnsupported(errno)) {
            m_canFlushBehind = false;
            return true;
        }
        // The error is reported here and may not be reported again by the final flush.
        return false;
    };
    if (m_written - m_started >= writeBackStep) {
        if (!syncRange(m_started, m_written, SYNC_FILE_RANGE_WRITE))
            return false;
        m_started = m_written;
    }
    if (m_canFlushBehind && m_started - m_settled > writeBackLag) {
        const qint64 upTo = m_started - writeBackLag;
        if (!syncRange(m_settled, upTo,
                SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER))
            return false;
        m_settled = upTo;
    }
    return true;
}

bool ScratchFile::close()
{
    const int fd = m_fd.release();
    return ::close(fd) == 0;
}

bool ScratchFile::moveTo(const QByteArray &finalName, bool replacing)
{
    int done = replacing ? ::renameat(m_folder, m_name.constData(), m_folder, finalName.constData())
                         : ::renameat2(m_folder, m_name.constData(), m_folder,
                             finalName.constData(), RENAME_NOREPLACE);
    if (done != 0 && !replacing && errno == EINVAL) {
        // A file system without that flag: close the window as far as a check can.
        struct stat entry
        {
        };
        if (::fstatat(m_folder, finalName.constData(), &entry, AT_SYMLINK_NOFOLLOW) == 0) {
            errno = EEXIST;
            return false;
        }
        done = ::renameat(m_folder, m_name.constData(), m_folder, finalName.constData());
    }
    if (done != 0)
        return false;
    m_name.clear();
    return true;
}

} // namespace lis
