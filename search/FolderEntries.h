#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace lis {

// One entry of a folder as the walk sees it. Hidden means the name begins with a dot; there is no
// system attribute on this platform, and read-only never matters to the walk.
struct FolderEntry
{
    enum class Kind : quint8 {
        Dots, // "." and ".."
        Folder, // a real folder (a link to a folder is Other: never entered, so no loops)
        File, // a regular file, or a link to one
        Other, // FIFOs, sockets, devices, dangling links: never listed, so nothing blocks
    };

    QString name;
    Kind kind = Kind::Other;

    bool isHidden() const { return name.startsWith(u'.'); }
};

// Which folder a listing came from, whatever path reached it.
struct FolderId
{
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FolderId &) const = default;
};

struct FolderListing
{
    FolderId id;
    std::vector<FolderEntry> entries;
};

// The entries of a folder, in the order an NTFS folder lists them: names compared
// case-insensitively (simple upper case, per UTF-16 unit), ties in UTF-16 order. Names that are
// not valid UTF-8 keep their bytes (see pathFromBytes); folders past the system's path limit are
// read too. Nothing when the folder cannot be read.
std::optional<FolderListing> readFolderEntries(const QByteArray &folder);

} // namespace lis
