#pragma once

#include "core/RunHooks.h"

#include <QString>
#include <compare>
#include <optional>
#include <set>
#include <sys/types.h>

namespace lis {

// What became of one list item in a copy run. Stored values keep their meaning; new ones go last.
enum class CopyStatus {
    NotSelected, // the item was not chosen
    Copied, // under a name that was free
    SameFile, // the destination is the source itself
    ProtectedOriginal, // the destination is another result's own file
    ReadOnlyTarget, // a read-only file of that name is already there
    SourceMissing, // the result file is gone or is no longer a regular file
    Failed, // reading, writing or the final rename failed; nothing was left under the final name
    LinkAtDestination, // a link holds the name: it is the user's, never written through or replaced
    AlreadyThere, // a file in the folder holds exactly the source's bytes; nothing was written
    Replaced, // copied over a regular file that held the name before
    Cancelled, // cancelled while this item was copied: nothing of it was left (a run ends there
               // and does not list it)
};

// What a copy does with a regular file that already holds a result's name.
enum class ExistingFiles {
    Replace, // the copy replaces it (the copy window; the command line's --overwrite)
    Keep, // it stays: same bytes count as already there, other bytes get a numbered name
};

// Why a copy failed or a source was missing, for the caller to group and explain.
enum class CopyProblem {
    None,
    SourceGone, // the result file is gone or is no longer a regular file
    SourceUnreadable, // it is there but could not be opened or read
    SourceChanged, // it grew or shrank while it was copied
    NoFolder, // the output folder does not exist or cannot be opened
    ReadOnlyFolder, // the output folder (or its disk) does not take new files
    NoSpace, // the disk or the user's quota is full
    NotAFile, // a folder or another entry that is not a file holds the name
    WriteFailed, // any other failure to write, flush or rename the copy
};

struct CopyResult
{
    CopyStatus status = CopyStatus::NotSelected;
    QString destination;
    QString error; // why a copy failed, for diagnostics; empty otherwise
    CopyProblem problem = CopyProblem::None;
};

// Whether the item was meant to be copied and is not in the output folder as a copy of itself.
bool isCopyFailure(CopyStatus status);
// Why an item was not copied, in a few words for a person; empty for a copied or unchosen one.
QString notCopiedReason(const CopyResult &result);

// Where a source lands in an output folder: the folder (with or without trailing separators,
// native or not) joined with the source's own file name, or with the given one.
QString destinationFor(
    const QString &source, const QString &outputFolder, const QString &fileName = {});

// One file on its disk, whatever name or link reaches it.
struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    auto operator<=>(const FileIdentity &) const = default;

    // The file a path reaches, following links; nothing when there is none.
    static std::optional<FileIdentity> of(const QString &path);
};

// Copies single files into a folder without ever losing data. The bytes go to a scratch file
// created in the destination folder, are checked against the source's size and synced to the
// disk, and only then is the scratch file renamed over the final name; any failure removes it,
// so the final name holds either the whole copy or exactly what it held before. Names are handled
// as bytes relative to the opened folder, so any name on disk works and no link is followed.
// Never replaced: the source itself, the files named as protected (the originals of a result
// list), read-only files, links and anything that is not a regular file.
//
// Files are copied and compared in chunks of a megabyte; between two chunks the copier yields
// through its hooks and reads the cancel flag, so a window stays live during a large file and a
// cancel is answered within it: the copy ends as Cancelled and leaves nothing behind.
class FileCopier
{
public:
    FileCopier() = default;
    explicit FileCopier(std::set<FileIdentity> protectedFiles, RunHooks hooks = {})
        : m_protected(std::move(protectedFiles))
        , m_hooks(std::move(hooks))
    { }

    // Copies a source into the folder under its own file name, or under the given one. A
    // regular, writable file under that name is replaced (Replaced); a free name gives Copied.
    CopyResult copy(
        const QString &source, const QString &outputFolder, const QString &fileName = {}) const;

    // Copies a source into the folder without replacing anything. A regular file that holds
    // exactly the source's bytes, under its own name or a numbered one ("name (2).ext", ...),
    // counts as AlreadyThere and nothing is written; otherwise the copy takes the first free
    // name of that row.
    CopyResult copyKeeping(const QString &source, const QString &outputFolder) const;

private:
    std::set<FileIdentity> m_protected;
    RunHooks m_hooks;
};

// "photo.jpg" → "photo (2).jpg"; the extension stays last so the copy keeps its type's name.
QString numberedName(const QString &name, int number);

} // namespace lis
