#include "tests/support/TempAppFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace lis::test {

QString builtAppFolder()
{
    return QStringLiteral(LIS_BUILD_APP_DIR);
}

QString sharedTestData()
{
    const QString dir = QStringLiteral(LIS_SHARED_TESTDATA);
    return QFileInfo(dir).isDir() ? QDir(dir).absolutePath() : QString();
}

bool onCi()
{
    return qEnvironmentVariable("CI").compare(u"true", Qt::CaseInsensitive) == 0;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TempAppFolder::TempAppFolder(Ranker ranker)
{
    const QDir built(builtAppFolder());
    const AppPaths sandbox(m_dir.path());
    QDir().mkpath(sandbox.workFolder());
    QFile::copy(
        built.filePath(QStringLiteral("Lumetra_Image_Search.mdb")), sandbox.pristineDatabase());
    QFile::copy(
        built.filePath(QStringLiteral("Lumetra_Image_Ranker.mdb")), sandbox.maintenanceDatabase());
    if (ranker == Ranker::With) {
        const QStringList libraries
            = built.entryList({ QStringLiteral("libLumetra_Image_Search.so*") }, QDir::Files);
        for (const QString &library : libraries)
            QFile::copy(built.filePath(library), m_dir.filePath(library));
    }
}

} // namespace lis::test
