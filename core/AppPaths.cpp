#include "core/AppPaths.h"

#include "core/FileNames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <unistd.h>

namespace lis {

namespace {

const QString pristineName = QStringLiteral("Lumetra_Image_Search.mdb");

QString withoutTrailingSeparator(QString folder)
{
    while (folder.size() > 1 && (folder.endsWith(u'/') || folder.endsWith(QDir::separator())))
        folder.chop(1);
    return folder;
}

bool canWrite(const QString &path)
{
    return ::access(pathToBytes(path).constData(), W_OK | X_OK) == 0;
}

// The data folder of an installed copy: <prefix>/share/lumetra-image-search beside <prefix>/bin.
QString installedDataFolder(const QString &appFolder)
{
    return QDir::cleanPath(appFolder + QStringLiteral("/../share/lumetra-image-search"));
}

} // namespace

AppPaths::AppPaths(QString appFolder)
    : m_appFolder(withoutTrailingSeparator(std::move(appFolder)))
    , m_dataFolder(m_appFolder)
    , m_workFolder(m_appFolder + QStringLiteral("/LIS"))
{ }

AppPaths::AppPaths(QString appFolder, QString dataFolder, QString workFolder)
    : m_appFolder(withoutTrailingSeparator(std::move(appFolder)))
    , m_dataFolder(withoutTrailingSeparator(std::move(dataFolder)))
    , m_workFolder(withoutTrailingSeparator(std::move(workFolder)))
{ }

AppPaths AppPaths::ofRunningProgram()
{
    return forProgramIn(QCoreApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation));
}

AppPaths AppPaths::forProgramIn(const QString &appFolder, const QString &cacheHome)
{
    const AppPaths portable(appFolder);
    const QString perUser
        = QDir::cleanPath(cacheHome) + QStringLiteral("/Lumetra_Image_Search/LIS");
    if (QFileInfo::exists(portable.pristineDatabase())) {
        // The working folder stays inside a portable folder the user can write to.
        const QString work = portable.workFolder();
        const bool writable = QFileInfo::exists(work) ? canWrite(work) : canWrite(appFolder);
        return writable ? portable : AppPaths(appFolder, appFolder, perUser);
    }
    const QString data = installedDataFolder(portable.appFolder());
    if (QFileInfo::exists(data + u'/' + pristineName))
        return AppPaths(appFolder, data, perUser);
    // Neither layout: start-up says what is missing, in the portable layout's terms.
    return portable;
}

AppPaths AppPaths::withWorkFolder(const QString &workFolder) const
{
    return AppPaths(m_appFolder, m_dataFolder, workFolder);
}

QString AppPaths::pristineDatabase() const
{
    return m_dataFolder + u'/' + pristineName;
}

QString AppPaths::maintenanceDatabase() const
{
    return m_dataFolder + QStringLiteral("/Lumetra_Image_Ranker.mdb");
}

QString AppPaths::workingDatabase() const
{
    return m_workFolder + QStringLiteral("/Lumetra_Image_Search.mdb");
}

QString AppPaths::resultsFolder() const
{
    return m_workFolder + QStringLiteral("/SR");
}

QString AppPaths::workingBitmap() const
{
    return m_workFolder + QStringLiteral("/LIS.bmp");
}

QString AppPaths::scratchBitmap() const
{
    return m_workFolder + QStringLiteral("/LIS2.bmp");
}

QString AppPaths::lockFile() const
{
    return m_workFolder + QStringLiteral("/.lock");
}

QString AppPaths::helpPage() const
{
    return m_dataFolder + QStringLiteral("/help/index.html");
}

QString AppPaths::rankerFolder() const
{
    return m_appFolder;
}

QString AppPaths::installedRankerFolder() const
{
    return QDir::cleanPath(m_appFolder + QStringLiteral("/../lib/lumetra-image-search"));
}

} // namespace lis
