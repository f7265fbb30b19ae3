#pragma once

#include <QSet>
#include <QString>

namespace lis {

// What became of one list item in a copy run. Stored values keep their meaning; new ones go last.
enum class CopyStatus {
    NotSelected, // the item was not chosen
    Copied,
    SameFile, // the destination is the source itself
    ProtectedOriginal, // the destination is another result's own file
    ReadOnlyTarget, // a read-only file of that name is already there
    SourceMissing, // the result file is gone or is no longer a regular file
    Failed, // reading, writing or the final rename failed; nothing was left under the final name
};

struct CopyResult
{
    CopyStatus status = CopyStatus::NotSelected;
    QString destination;
    QString error; // why a copy failed, for diagnostics; empty otherwise
};

// Where a source lands in an output folder: the folder (with or without trailing separators,
// native or not) joined with the source's own file name, or with the given one.
QString destinationFor(
    const QString &source, const QString &outputFolder, const QString &fileName = {});

// Copies single files into a folder without ever losing data: the bytes go to a temporary file
// in the destination folder that is renamed over the final name only once complete, so a failed
// copy leaves whatever was there before untouched. Files named as protected (the originals of a
// result list) are never overwritten, and neither is the source itself.
class FileCopier
{
public:
    FileCopier() = default;
    // Canonical paths of files that a copy must never replace.
    explicit FileCopier(QSet<QString> protectedFiles)
        : m_protected(std::move(protectedFiles))
    { }

    // Copies a source into the folder under its own file name, or under the given one.
    CopyResult copy(
        const QString &source, const QString &outputFolder, const QString &fileName = {}) const;

    // The canonical path of an existing file, the empty string for anything else.
    static QString canonicalOf(const QString &path);

private:
    CopyResult write(const QString &source, const QString &destination) const;

    QSet<QString> m_protected;
};

} // namespace lis
