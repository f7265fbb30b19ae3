#include "core/TreeRemoval.h"

#include "core/FileNames.h"
#include "core/UserFile.h"

#include <QByteArray>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace lis {

namespace {

// Deeper trees than this are not entered: one descriptor is held per level.
constexpr int maxDepth = 256;

std::vector<QByteArray> entryNames(int folderFd)
{
    std::vector<QByteArray> names;
    // fdopendir takes over the descriptor it is given, so it gets a copy of its own.
    const int copy = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return names;
    DIR *dir = ::fdopendir(copy);
    if (!dir) {
        ::close(copy);
        return names;
    }
    ::rewinddir(dir);
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

bool removeEntry(int folderFd, const QByteArray &name, int depth);

bool removeContents(int folderFd, int depth)
{
    bool all = true;
    for (const QByteArray &name : entryNames(folderFd))
        all = removeEntry(folderFd, name, depth) && all;
    return all;
}

bool removeEntry(int folderFd, const QByteArray &name, int depth)
{
    if (::unlinkat(folderFd, name.constData(), 0) == 0 || errno == ENOENT)
        return true;
    if (errno != EISDIR && errno != EPERM && errno != EACCES)
        return false;
    if (errno == EACCES) {
        // The folder itself is read-only; a folder of our own may be opened up to empty it.
        ::fchmod(folderFd, S_IRWXU);
        if (::unlinkat(folderFd, name.constData(), 0) == 0 || errno == ENOENT)
            return true;
    }
    if (depth >= maxDepth)
        return false;
    const UniqueFd child(
        ::openat(folderFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!child.isValid())
        return false; // not a folder (or a link to one): nothing to enter
    struct stat info
    {
    };
    if (::fstat(child.get(), &info) == 0 && !(info.st_mode & S_IWUSR))
        ::fchmod(child.get(), S_IRWXU);
    const bool emptied = removeContents(child.get(), depth + 1);
    return ::unlinkat(folderFd, name.constData(), AT_REMOVEDIR) == 0
        || (emptied && errno == ENOENT);
}

} // namespace

bool removeFolderContents(int folderFd)
{
    return removeContents(folderFd, 0);
}

bool removeTree(const QString &path)
{
    const QByteArray bytes = pathToBytes(path);
    const qsizetype slash = bytes.lastIndexOf('/');
    const QByteArray parent = slash < 0 ? QByteArray(".")
        : slash == 0                    ? QByteArray("/")
                                        : bytes.first(slash);
    const QByteArray name = bytes.sliced(slash + 1);
    if (name.isEmpty() || name == "." || name == "..")
        return false;
    const UniqueFd parentFd = openPathBytes(parent, O_PATH | O_DIRECTORY);
    if (!parentFd.isValid())
        return errno == ENOENT;
    return removeEntry(parentFd.get(), name, 0);
}

} // namespace lis
