#include "app/run/Startup.h"

#include "store/ResultStore.h"

#include <QDir>
#include <QFile>

namespace lis {

namespace {

bool renewWorkingDatabase(const AppPaths &paths)
{
    const QString target = paths.workingDatabase();
    if (QFile::exists(target)) {
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
        QFile::remove(target);
    }
    if (!QFile::copy(paths.pristineDatabase(), target))
        return false;
    // The pristine file may be installed read-only; the working copy must be writable.
    return QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
}

} // namespace

StartupResult startUp(const AppPaths &paths)
{
    StartupResult result;
    QDir().mkpath(paths.workFolder());
    if (!QFile::exists(paths.pristineDatabase())) {
        result.error = QStringLiteral("The result database %1 is missing, so no search can be "
                                      "ranked. Reinstall the program.")
                           .arg(QDir::toNativeSeparators(paths.pristineDatabase()));
        return result;
    }
    const bool renewed = renewWorkingDatabase(paths);
    result.store
        = std::make_unique<ResultStore>(ResultStore::connectionString(paths.workingDatabase()));
    if (!renewed || !result.store->isOpen()) {
        result.error = QStringLiteral("The working database %1 cannot be prepared, so no search "
                                      "can be ranked. %2")
                           .arg(QDir::toNativeSeparators(paths.workingDatabase()),
                               result.store->openError());
    }
    return result;
}

} // namespace lis
