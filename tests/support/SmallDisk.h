#pragma once

#include <QString>
#include <QTemporaryDir>

namespace lis::test {

// A tiny file system of its own (tmpfs), so a test can run the program against a disk that
// fills up. It is mounted in a mount namespace private to the test process, so nothing outside
// the test ever sees it; without the rights for that, isMounted() is false and the test skips.
class SmallDisk
{
public:
    explicit SmallDisk(qint64 bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool isMounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &relative) const { return m_dir.filePath(relative); }
    // Fills the disk with a ballast file until at most `leftBytes` stay free.
    bool fillUntil(qint64 leftBytes);
    qint64 freeBytes() const;

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

} // namespace lis::test
