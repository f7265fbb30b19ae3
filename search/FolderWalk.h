#pragma once

#include <QString>
#include <QStringList>

namespace lis {

class Settings;
struct RunHooks;

// What a walk saw: files listed and folders visited. Nothing depends on them; they are there for
// status texts and benchmarks.
struct WalkCounters
{
    qint64 files = 0;
    qint64 dirs = 0;
};

// Walks the folder tree from `path` and appends to list2 the full path of every file whose name
// matches `pattern` (see WildcardPattern). `path` gets a trailing "/" when it has none (the caller
// sees it). Each folder's visit runs in three phases: it collects the subfolders, then lists its
// own matching files, then visits the subfolders depth first, in order. Entries come in NTFS
// order (see readFolderEntries).
//
// "Search"/"hiddenfiles" and "Search"/"Subfolders" are read afresh in every folder: "3" lists
// hidden files / enters subfolders, "2" does not, other numbers list no files / enter no
// subfolders; a value that is missing or not a number ends that folder's visit. Before each entry
// the walk yields; when it then sees the cancel flag it runs the cancel clean-up and ends the
// visit, and every pending visit ends the same way at its first entry. A folder that cannot be
// read ends only its own visit. Links to folders are never entered; only regular files (or links
// to them) are listed. Depth and list sizes are unbounded.
void FindFiles(QString &path, const QString &pattern, WalkCounters &counters, QStringList &list2,
    const Settings &settings, const RunHooks &hooks);

} // namespace lis
