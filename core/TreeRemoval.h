#pragma once

#include <QString>

namespace lis {

// Removes everything inside the folder open at `folderFd` without ever following a link: links
// are removed as links and subfolders are entered only through O_NOFOLLOW descriptors, so
// nothing outside the folder is touched, whatever was planted in it. Read-only entries are
// removed too. False when something could not be removed.
bool removeFolderContents(int folderFd);

// Removes the tree at `path` the same way; a link at `path` is removed as a link, never
// followed. A path that does not exist counts as removed.
bool removeTree(const QString &path);

} // namespace lis
