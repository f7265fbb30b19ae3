#pragma once

#include "core/AppPaths.h"

#include <QString>
#include <optional>

namespace lis {

// Why a working file or folder cannot be used: the path and the system's reason.
struct WorkFileError
{
    QString path;
    QString reason;

    // "The working files in /x/LIS cannot be used (Permission denied)."
    QString message() const;
};

// The program's own working folder and the fixed entries in it. Nothing here ever follows a
// link: a link or a special file found where a working file or folder belongs is removed (the
// link itself, never what it points at), so nothing planted in the working folder can redirect
// a write, a removal or a mode change to a file of the user's.
class WorkFolder
{
public:
    explicit WorkFolder(AppPaths paths)
        : m_paths(std::move(paths))
    { }

    // Makes sure the working folder is a real folder (creating it when missing) that can be
    // written to.
    std::optional<WorkFileError> ensureFolder() const;
    // Removes whatever is not a plain file where the working database, the working bitmaps and
    // the lock belong.
    std::optional<WorkFileError> clearOddEntries() const;
    // Gives the run an empty results folder: the folder is emptied by a walk that never leaves
    // it, or created when missing.
    std::optional<WorkFileError> renewResultsFolder() const;
    // Removes the results folder and all it holds, without following any link.
    bool removeResultsFolder() const;

private:
    AppPaths m_paths;
};

} // namespace lis
