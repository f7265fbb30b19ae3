#include "core/WorkFolder.h"

#include "core/FileNames.h"
#include "core/TreeRemoval.h"
#include "core/UserFile.h"

#include <QDir>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lis {

namespace {

WorkFileError errorAt(const QString &path, int error)
{
    return { path, QString::fromLocal8Bit(std::strerror(error)) };
}

// A real folder at `path`: a link or special file there is removed and the folder made.
std::optional<WorkFileError> ensureRealFolder(const QString &path)
{
    const auto info = statPath(path, false);
    if (info && S_ISDIR(info->st_mode))
        return std::nullopt;
    if (info && S_ISREG(info->st_mode))
        return WorkFileError { path, QStringLiteral("a file of that name is in the way") };
    if (info && !removeTree(path))
        return errorAt(path, errno);
    // The folders above it are the user's own (the cache folder of a fresh account, say).
    const QString parent = QDir::cleanPath(path + QStringLiteral("/.."));
    if (!statPath(parent, true))
        QDir().mkpath(parent);
    if (::mkdir(pathToBytes(path).constData(), 0777) != 0 && errno != EEXIST)
        return errorAt(path, errno);
    const auto made = statPath(path, false);
    if (!made || !S_ISDIR(made->st_mode))
        return WorkFileError { path, QStringLiteral("something else was put in its place") };
    return std::nullopt;
}

// Whether files can be made in a folder; the access check stands for what the system will
// allow, since a read-only mount or a folder of another user refuses every working file.
std::optional<WorkFileError> checkWritable(const QString &folder)
{
    if (::access(pathToBytes(folder).constData(), W_OK | X_OK) != 0)
        return errorAt(folder, errno);
    return std::nullopt;
}

} // namespace

QString WorkFileError::message() const
{
    return QStringLiteral("The working files in %1 cannot be used (%2).")
        .arg(QDir::toNativeSeparators(path), reason);
}

std::optional<WorkFileError> WorkFolder::ensureFolder() const
{
    if (auto error = ensureRealFolder(m_paths.workFolder()))
        return error;
    return checkWritable(m_paths.workFolder());
}

std::optional<WorkFileError> WorkFolder::clearOddEntries() const
{
    for (const QString &path : { m_paths.workingDatabase(), m_paths.workingBitmap(),
             m_paths.scratchBitmap(), m_paths.lockFile() }) {
        const auto info = statPath(path, false);
        if (info && !S_ISREG(info->st_mode) && !removeTree(path))
            return errorAt(path, errno);
    }
    return std::nullopt;
}

std::optional<WorkFileError> WorkFolder::renewResultsFolder() const
{
    const QString results = m_paths.resultsFolder();
    if (auto error = ensureFolder())
        return error;
    const auto info = statPath(results, false);
    if (info && !S_ISDIR(info->st_mode)) {
        if (!removeTree(results))
            return errorAt(results, errno);
    } else if (info) {
        const UniqueFd folder = openPath(results, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
        if (!folder.isValid())
            return errorAt(results, errno);
        if (!removeFolderContents(folder.get()))
            return WorkFileError { results, QStringLiteral("its old contents cannot be removed") };
        return std::nullopt;
    }
    return ensureRealFolder(results);
}

bool WorkFolder::removeResultsFolder() const
{
    return removeTree(m_paths.resultsFolder());
}

} // namespace lis
