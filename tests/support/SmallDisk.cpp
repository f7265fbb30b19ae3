#include "tests/support/SmallDisk.h"

#include <QFile>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace lis::test {

namespace {

// Entered once per process: mounts made afterwards are seen by this process alone.
bool enterPrivateMounts()
{
    static const bool entered = [] {
        if (::unshare(CLONE_NEWNS) != 0)
            return false;
        return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    }();
    return entered;
}

} // namespace

SmallDisk::SmallDisk(qint64 bytes)
{
    if (!m_dir.isValid() || !enterPrivateMounts())
        return;
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0777";
    m_mounted = ::mount("lis-small-disk", QFile::encodeName(m_dir.path()).constData(), "tmpfs",
                    MS_NOSUID | MS_NODEV, options.constData())
        == 0;
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

qint64 SmallDisk::freeBytes() const
{
    struct statvfs info
    {
    };
    if (::statvfs(QFile::encodeName(m_dir.path()).constData(), &info) != 0)
        return -1;
    return qint64(info.f_bavail) * qint64(info.f_frsize);
}

bool SmallDisk::fillUntil(qint64 leftBytes)
{
    const QByteArray ballast = QFile::encodeName(m_dir.filePath(QStringLiteral(".ballast")));
    const int fd = ::open(ballast.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const QByteArray block(4096, 'x');
    while (freeBytes() > leftBytes) {
        const qint64 room = freeBytes() - leftBytes;
        const auto chunk = size_t(std::min<qint64>(room, block.size()));
        if (::write(fd, block.constData(), chunk) <= 0)
            break;
    }
    ::close(fd);
    return freeBytes() <= leftBytes;
}

} // namespace lis::test
