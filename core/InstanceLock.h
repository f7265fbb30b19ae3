#pragma once

#include "core/UserFile.h"

#include <QString>

namespace lis {

// Only one process may use the working files of an application folder at a time. The lock is
// an advisory lock (flock) on an open file, held for the lifetime of this object: the system
// drops it when its process ends in any way, so whatever a dead process left in the file is
// stale by definition and can never block a start.
class InstanceLock
{
public:
    enum class State {
        Held, // this object holds the lock
        HeldByOther, // a live process holds it
        Failed, // the lock file cannot be made or locked; failure() says why
    };

    explicit InstanceLock(const QString &lockFilePath);
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    State state() const { return m_state; }
    bool isLocked() const { return m_state == State::Held; }
    // The system's reason when the state is Failed.
    const QString &failure() const { return m_failure; }

private:
    UniqueFd m_fd;
    State m_state = State::Failed;
    QString m_failure;
};

} // namespace lis
