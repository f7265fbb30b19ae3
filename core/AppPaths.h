#pragma once

#include <QString>

namespace lis {

// Every file the program owns lives at a fixed place under the application folder (the folder
// holding the executable). Engine code receives this value instead of asking the process where
// it runs, so tests can point it at a sandbox copy.
class AppPaths
{
public:
    explicit AppPaths(QString appFolder);

    // The folder of the running executable.
    static AppPaths ofRunningProgram();

    const QString &appFolder() const { return m_appFolder; }
    QString pristineDatabase() const; // Lumetra_Image_Search.mdb beside the program
    QString maintenanceDatabase() const; // Lumetra_Image_Ranker.mdb beside the program
    QString workFolder() const; // LIS
    QString workingDatabase() const; // LIS/Lumetra_Image_Search.mdb
    QString resultsFolder() const; // LIS/SR
    QString workingBitmap() const; // LIS/LIS.bmp
    QString scratchBitmap() const; // LIS/LIS2.bmp
    QString lockFile() const; // LIS/.lock
    QString helpPage() const; // help/index.html

private:
    QString m_appFolder;
};

} // namespace lis
