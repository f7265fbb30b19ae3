#include "core/AppPaths.h"

#include <QCoreApplication>
#include <QDir>

namespace lis {

namespace {

QString withoutTrailingSeparator(QString folder)
{
    while (folder.size() > 1 && (folder.endsWith(u'/') || folder.endsWith(QDir::separator())))
        folder.chop(1);
    return folder;
}

} // namespace

AppPaths::AppPaths(QString appFolder)
    : m_appFolder(withoutTrailingSeparator(std::move(appFolder)))
{ }

AppPaths AppPaths::ofRunningProgram()
{
    return AppPaths(QCoreApplication::applicationDirPath());
}

QString AppPaths::pristineDatabase() const
{
    return m_appFolder + QStringLiteral("/Lumetra_Image_Search.mdb");
}

QString AppPaths::maintenanceDatabase() const
{
    return m_appFolder + QStringLiteral("/Lumetra_Image_Ranker.mdb");
}

QString AppPaths::workFolder() const
{
    return m_appFolder + QStringLiteral("/LIS");
}

QString AppPaths::workingDatabase() const
{
    return workFolder() + QStringLiteral("/Lumetra_Image_Search.mdb");
}

QString AppPaths::resultsFolder() const
{
    return workFolder() + QStringLiteral("/SR");
}

QString AppPaths::workingBitmap() const
{
    return workFolder() + QStringLiteral("/LIS.bmp");
}

QString AppPaths::scratchBitmap() const
{
    return workFolder() + QStringLiteral("/LIS2.bmp");
}

QString AppPaths::lockFile() const
{
    return workFolder() + QStringLiteral("/.lock");
}

QString AppPaths::helpPage() const
{
    return m_appFolder + QStringLiteral("/help/index.html");
}

} // namespace lis
