#pragma once

#include "core/AppPaths.h"
#include "core/InstanceLock.h"

#include <QString>
#include <memory>

namespace lis {

class ResultStore;

// Removes a command-line run's private working folder when the run ends.
class PrivateFolderRemoval
{
public:
    explicit PrivateFolderRemoval(QString folder)
        : m_folder(std::move(folder))
    { }
    ~PrivateFolderRemoval();
    PrivateFolderRemoval(const PrivateFolderRemoval &) = delete;
    PrivateFolderRemoval &operator=(const PrivateFolderRemoval &) = delete;

private:
    QString m_folder;
};

// The working files of one process: where they are, the lock that keeps a second process out of
// them, and the result store on a fresh working database. Members go in reverse order, so a
// private folder is removed after its store and its lock are closed.
struct Session
{
    AppPaths paths { QString() };
    std::unique_ptr<PrivateFolderRemoval> removal;
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
// working database. Nothing of another process's working files is touched when it refuses. The
// window works this way: one at a time.
SessionOpening openSession(const AppPaths &paths);

// A command-line run's session: a working folder of its own in the shared working folder's
// "runs" folder, made fresh, locked for the life of the process and removed when the session
// goes, so any number of runs go side by side with each other and with an open window, and
// none touches the window's working files. Folders left by runs whose process is gone (killed)
// are removed first; a live run's folder is never touched.
SessionOpening openPrivateSession(const AppPaths &shared);

// The folder private sessions are made in.
QString privateRunsFolder(const AppPaths &shared);

// The maintenance database the table switches work on: the one beside the program when the
// user can write to it, otherwise the user's own copy under $XDG_DATA_HOME/Lumetra_Image_Search
// (made from the installed one on first use), so an installed copy's maintenance works too.
QString writableMaintenanceDatabase(const AppPaths &paths);

} // namespace lis
