#pragma once

#include "search/WalkOptions.h"

#include <QString>
#include <QStringList>

namespace lis {

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
// The options are asked for afresh in every folder (see WalkOptions): the hidden-files switch on
// lists hidden files, off does not, other numbers list no files; the subfolders switch on enters
// subfolders; a switch that is missing or not a number ends that folder's visit. Before each entry
// the walk yields; when it then sees the cancel flag it runs the cancel clean-up and ends the
// visit, and every pending visit ends the same way at its first entry. A folder that cannot be
// read ends only its own visit. Links to folders are never entered; only regular files (or links
// to them) are listed. Depth and list sizes are unbounded.
void FindFiles(QString &path, const QString &pattern, WalkCounters &counters, QStringList &list2,
    const WalkOptionsSource &options, const RunHooks &hooks);

// Limits only the command line sets; the window's walk has none.
struct WalkLimits
{
    // Globs (fnmatch(3) on the name's bytes, case-sensitive, "*" also matching a leading dot and
    // "/" never occurring in a name) for files and folders to leave out: a file of such a name is
    // not listed, a folder is not entered. Roots are walked whatever their names.
    QStringList excludes;
    // Folders whose name begins with "." are not entered (hidden files are still the options').
    bool skipHiddenFolders = false;
};

// FindFiles from each root in turn, appending to one list. A folder is visited once in all: one
// reached again (a root inside another, a root given twice, a link or bind mount leading to a
// folder already walked) is passed over, so each file is listed once, where it was found first.
// Roots get no trailing "/" written back. A cancel ends the walk of every root.
void FindFilesInRoots(const QStringList &roots, const QString &pattern, WalkCounters &counters,
    QStringList &list2, const WalkOptionsSource &options, const RunHooks &hooks,
    const WalkLimits &limits = {});

} // namespace lis
