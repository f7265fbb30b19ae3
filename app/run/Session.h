#pragma once

#include "core/AppPaths.h"
#include "core/InstanceLock.h"

#include <QString>
#include <memory>

namespace lis {

class ResultStore;

// The working files of one process: the lock that keeps a second process out of them, and the
// result store on a fresh working database.
struct Session
{
    std::unique_ptr<InstanceLock> lock;
    std::unique_ptr<ResultStore> store;
};

struct SessionOpening
{
    enum class Code {
        Opened,
        AlreadyRunning, // a live process holds the working files
        WorkFolderUnusable, // the working folder or its lock cannot be made or written
        StoreUnusable, // the result database is missing or cannot be prepared
    };
    Code code = Code::Opened;
    QString message; // why it failed, in plain words; empty when opened
    Session session; // set when opened
};

// Makes sure the working folder is a real, writable folder, takes the lock and renews the
// working database. Nothing of another process's working files is touched when it refuses.
SessionOpening openSession(const AppPaths &paths);

} // namespace lis
