#include "copy/CopyDestination.h"

#include "copy/FileCopier.h"
#include "core/FileNames.h"
#include "core/UserFile.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>

namespace lis {

namespace {

// The absolute path with every link and "." or ".." of its existing part resolved; the rest, not
// there yet, is cleaned as written (it holds no link to resolve). Empty when it cannot be told.
std::filesystem::path resolved(const QString &path)
{
    std::error_code error;
    const std::filesystem::path absolute
        = std::filesystem::absolute(pathToBytes(path).toStdString(), error);
    if (error)
        return {};
    std::filesystem::path result = std::filesystem::weakly_canonical(absolute, error);
    if (error)
        return {};
    result = result.lexically_normal();
    // "a/b/" → "a/b": a trailing separator leaves an empty last component.
    if (!result.has_filename() && result.has_parent_path() && result != result.root_path())
        result = result.parent_path();
    return result;
}

bool isWithin(const std::filesystem::path &inner, const std::filesystem::path &outer)
{
    auto at = inner.begin();
    for (const std::filesystem::path &part : outer) {
        if (at == inner.end() || *at != part)
            return false;
        ++at;
    }
    return true;
}

// Whether the folder is the given one or lies below it, by the identity of each folder up to the
// root, which also sees through aliases no path shows (a bind mount of the working folder).
bool liesIn(const QString &folder, const FileIdentity &outer)
{
    UniqueFd at = openPath(folder, O_PATH | O_DIRECTORY);
    struct stat info
    {
    };
    if (!at.isValid() || ::fstat(at.get(), &info) != 0)
        return false;
    for (;;) {
        if (FileIdentity { info.st_dev, info.st_ino } == outer)
            return true;
        UniqueFd parent(::openat(at.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        struct stat parentInfo
        {
        };
        if (!parent.isValid() || ::fstat(parent.get(), &parentInfo) != 0)
            return false;
        if (parentInfo.st_dev == info.st_dev && parentInfo.st_ino == info.st_ino)
            return false; // the root is its own parent
        at = std::move(parent);
        info = parentInfo;
    }
}

} // namespace

DestinationRefusal checkCopyDestination(const QString &outputFolder, const QString &workFolder)
{
    if (!workFolder.isEmpty() && !outputFolder.isEmpty()) {
        const std::filesystem::path work = resolved(workFolder);
        const std::filesystem::path output = resolved(outputFolder);
        if (!work.empty() && !output.empty() && isWithin(output, work))
            return DestinationRefusal::InsideWorkFolder;
        const std::optional<FileIdentity> workIdentity = FileIdentity::of(workFolder);
        if (workIdentity && liesIn(outputFolder, *workIdentity))
            return DestinationRefusal::InsideWorkFolder;
    }
    const std::optional<struct stat> info = statPath(outputFolder, true);
    return info && S_ISDIR(info->st_mode) ? DestinationRefusal::None
                                          : DestinationRefusal::NotAFolder;
}

} // namespace lis
