#include "core/InstanceLock.h"

#include <QLockFile>

namespace lis {

InstanceLock::InstanceLock(const QString &lockFilePath)
    : m_lock(std::make_unique<QLockFile>(lockFilePath))
{
    // A lock left by a crashed process is recognised by its dead process id and taken over.
    m_lock->setStaleLockTime(0);
    m_locked = m_lock->tryLock(0);
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::isLocked() const
{
    return m_locked;
}

} // namespace lis
