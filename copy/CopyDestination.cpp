#include "copy/CopyDestination.h"

#include "copy/FileCopier.h"
#include "core/FileNames.h"
#include "core/UserFile.h"

#include <QDir>
#include <QList>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

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

bool insideWorkFolder(const QString &outputFolder, const QString &workFolder)
{
    if (workFolder.isEmpty() || outputFolder.isEmpty())
        return false;
    const std::filesystem::path work = resolved(workFolder);
    const std::filesystem::path output = resolved(outputFolder);
    if (!work.empty() && !output.empty() && isWithin(output, work))
        return true;
    const std::optional<FileIdentity> workIdentity = FileIdentity::of(workFolder);
    return workIdentity && liesIn(outputFolder, *workIdentity);
}

// The names of a path, as the system takes them one by one from the root or the current
// folder; empty names (from "a//b" or a trailing separator) are left out.
struct PathSteps
{
    bool absolute = false;
    QList<QByteArray> names;

    explicit PathSteps(const QString &path)
    {
        const QByteArray bytes = pathToBytes(QDir::fromNativeSeparators(path));
        absolute = bytes.startsWith('/');
        for (const QByteArray &name : bytes.split('/')) {
            if (!name.isEmpty())
                names.append(name);
        }
    }
    UniqueFd start() const
    {
        return UniqueFd(::open(absolute ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    // The path through the first `count` names, for messages.
    QString through(qsizetype count) const
    {
        QByteArray path = absolute ? "/" : "";
        for (qsizetype i = 0; i < count; ++i)
            path += (i > 0 ? "/" : "") + names[i];
        return pathFromBytes(path.isEmpty() ? QByteArray(".") : path);
    }
};

// Whether this user may make entries in the folder open at `fd`; a read-only file system
// refuses even the superuser.
bool canWriteIn(int fd)
{
    return ::faccessat(fd, "", W_OK | X_OK, AT_EACCESS | AT_EMPTY_PATH) == 0;
}

// Whether something (a dangling link, say) holds the name, where the folder walk found none.
bool holdsEntry(int folder, const QByteArray &name)
{
    struct stat entry
    {
    };
    return ::fstatat(folder, name.constData(), &entry, AT_SYMLINK_NOFOLLOW) == 0;
}

} // namespace

OutputFolderCheck checkOutputFolder(const QString &outputFolder, const QString &workFolder)
{
    OutputFolderCheck check;
    const PathSteps steps(outputFolder);
    if (outputFolder.isEmpty()) {
        check.problem = OutputFolderProblem::NotAFolder;
        return check;
    }
    UniqueFd at = steps.start();
    qsizetype reached = 0; // names walked into so far
    for (; at.isValid() && reached < steps.names.size(); ++reached) {
        UniqueFd next(
            ::openat(at.get(), steps.names[reached].constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!next.isValid())
            break;
        at = std::move(next);
    }
    const int error = errno;
    check.at = steps.through(reached);
    if (!at.isValid()) {
        check.problem = OutputFolderProblem::CannotBeCreated;
    } else if (reached == steps.names.size()) {
        if (!canWriteIn(at.get()))
            check.problem = OutputFolderProblem::NotWritable;
    } else if (error == ENOENT && !holdsEntry(at.get(), steps.names[reached])) {
        check.missing = true;
        if (!canWriteIn(at.get()))
            check.problem = OutputFolderProblem::CannotBeCreated;
    } else if (error == ENOTDIR || error == ENOENT) { // a file, or a link that leads nowhere
        check.at = steps.through(reached + 1);
        check.problem = reached + 1 == steps.names.size() ? OutputFolderProblem::NotAFolder
                                                          : OutputFolderProblem::PassesThroughFile;
    } else {
        check.problem = OutputFolderProblem::CannotBeCreated; // a folder that cannot be entered
    }
    if (insideWorkFolder(outputFolder, workFolder)) {
        check.problem = OutputFolderProblem::InsideWorkFolder;
        check.at = workFolder;
    }
    return check;
}

QString outputFolderProblemText(const OutputFolderCheck &check)
{
    const QString at = displayPath(check.at);
    switch (check.problem) {
    case OutputFolderProblem::None:
        return {};
    case OutputFolderProblem::InsideWorkFolder:
        return QStringLiteral("it lies inside the program's working folder %1, which is emptied "
                              "after every run")
            .arg(at);
    case OutputFolderProblem::NotAFolder:
        return QStringLiteral("%1 is not a folder").arg(at);
    case OutputFolderProblem::PassesThroughFile:
        return QStringLiteral("%1 is a file, so no folder can be made in it").arg(at);
    case OutputFolderProblem::NotWritable:
        return QStringLiteral("the folder %1 cannot be written to").arg(at);
    case OutputFolderProblem::CannotBeCreated:
        return QStringLiteral("it cannot be made: the folder %1 cannot be written to or entered")
            .arg(at);
    }
    return {};
}

int makeOutputFolder(const QString &outputFolder)
{
    const PathSteps steps(outputFolder);
    UniqueFd at = steps.start();
    if (!at.isValid())
        return errno;
    for (const QByteArray &name : steps.names) {
        if (::mkdirat(at.get(), name.constData(), 0777) != 0 && errno != EEXIST)
            return errno;
        UniqueFd next(::openat(at.get(), name.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!next.isValid())
            return errno;
        at = std::move(next);
    }
    return 0;
}

DestinationRefusal checkCopyDestination(const QString &outputFolder, const QString &workFolder)
{
    if (insideWorkFolder(outputFolder, workFolder))
        return DestinationRefusal::InsideWorkFolder;
    const std::optional<struct stat> info = statPath(outputFolder, true);
    return info && S_ISDIR(info->st_mode) ? DestinationRefusal::None
                                          : DestinationRefusal::NotAFolder;
}

} // namespace lis
