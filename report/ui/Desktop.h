#pragma once

#include <QString>
#include <QUrl>

class QMimeData;

namespace lis {

// What the windows ask of the desktop around them: to open a file or a folder with the program
// the user chose for it. The windows hold one by reference, so tests put a recorder in place of
// the real one and nothing is ever launched from them.
class Desktop
{
public:
    virtual ~Desktop() = default;
    // False when no program took it.
    virtual bool open(const QUrl &url) = 0;

    // The desktop's own handlers (QDesktopServices).
    static Desktop &system();
};

// A file: address naming exactly the path's bytes, so a name that is not UTF-8 opens too.
QUrl fileUrl(const QString &path);
// The path a local file: address names, its bytes kept as the program holds paths (see
// core/FileNames.h); empty for any other address.
QString pathFromUrl(const QUrl &url);
// The folder a path lies in ("/" for a file at the top).
QString containingFolder(const QString &path);
// The path as the clipboard carries it: as text a person reads, and as a file address that
// file managers and terminals take exactly.
QMimeData *pathMimeData(const QString &path);
// The one folder a drag carries, or empty when it carries anything else (files, several
// folders, text).
QString draggedFolder(const QMimeData *data);

} // namespace lis
