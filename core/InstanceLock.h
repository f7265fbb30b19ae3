#pragma once

#include <QString>
#include <memory>

class QLockFile;

namespace lis {

// Only one process may use the working files of an application folder at a time. The lock is
// held for the lifetime of this object.
class InstanceLock
{
public:
    explicit InstanceLock(const QString &lockFilePath);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    bool isLocked() const;

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_locked = false;
};

} // namespace lis
