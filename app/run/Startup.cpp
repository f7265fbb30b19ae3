#include "app/run/Startup.h"

#include "core/FileNames.h"
#include "core/UserFile.h"
#include "core/WorkFolder.h"
#include "store/ResultStore.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace lis {

namespace {

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A fresh working copy of the pristine database. Whatever stands at the working path goes first
// (a link is removed as a link, never followed), and the copy is created anew without following
// links, so no write or mode change can reach another file.
std::optional<QString> renewWorkingDatabase(const AppPaths &paths)
{
    const QString target = paths.workingDatabase();
    QFile pristine(paths.pristineDatabase());
    if (!pristine.open(QIODevice::ReadOnly))
        return pristine.errorString();
    const QByteArray bytes = pristine.readAll();
    if (pristine.error() != QFileDevice::NoError)
        return pristine.errorString();
    if (::unlink(pathToBytes(target).constData()) != 0 && errno != ENOENT)
        return systemReason();
    // The pristine file may be installed read-only; the working copy must be writable.
    const UniqueFd out = openPath(target, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
    if (!out.isValid())
        return systemReason();
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n
            = ::write(out.get(), bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return systemReason();
        written += n;
    }
    return std::nullopt;
}

} // namespace

StartupResult startUp(const AppPaths &paths)
{
    StartupResult result;
    const WorkFolder work(paths);
    if (const auto error = work.ensureFolder()) {
        result.error = error->message();
        return result;
    }
    if (!QFile::exists(paths.pristineDatabase())) {
        result.error = QStringLiteral("The result database %1 is missing, so no search can be "
                                      "ranked. Reinstall the program.")
                           .arg(QDir::toNativeSeparators(paths.pristineDatabase()));
        return result;
    }
    if (const auto error = work.clearOddEntries()) {
        result.error = error->message();
        return result;
    }
    const std::optional<QString> renewFailure = renewWorkingDatabase(paths);
    result.store
        = std::make_unique<ResultStore>(ResultStore::connectionString(paths.workingDatabase()));
    if (renewFailure || !result.store->isOpen()) {
        result.error = QStringLiteral("The working database %1 cannot be prepared, so no search "
                                      "can be ranked. %2")
                           .arg(QDir::toNativeSeparators(paths.workingDatabase()),
                               renewFailure ? *renewFailure : result.store->openError());
    }
    return result;
}

} // namespace lis
