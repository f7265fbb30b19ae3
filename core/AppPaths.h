#pragma once

#include <QString>

namespace lis {

// Every file the program owns lives at a fixed place. Engine code receives this value instead
// of asking the process where it runs, so tests can point it at a sandbox copy.
//
// The application folder is the folder holding the executable. A portable application folder
// (the build's, or any copy a user unpacks) holds the pristine databases and the help page
// beside the program, and its working folder is "LIS" inside it whenever the user can write
// there. An installed copy reads them from <prefix>/share/lumetra-image-search and keeps its
// working files per user, under $XDG_CACHE_HOME/Lumetra_Image_Search/LIS.
class AppPaths
{
public:
    // A portable application folder with its working folder inside it.
    explicit AppPaths(QString appFolder);
    // Any other layout: where the program's files are read from, and its working folder.
    AppPaths(QString appFolder, QString dataFolder, QString workFolder);

    // The layout of the running executable (see above).
    static AppPaths ofRunningProgram();
    // The layout of a program in `appFolder`, for a user whose cache folder is `cacheHome`.
    static AppPaths forProgramIn(const QString &appFolder, const QString &cacheHome);

    // The same files with another working folder (a command-line run's private one).
    AppPaths withWorkFolder(const QString &workFolder) const;

    const QString &appFolder() const { return m_appFolder; }
    const QString &dataFolder() const { return m_dataFolder; } // the pristine files
    bool isPortable() const { return m_dataFolder == m_appFolder; }
    QString pristineDatabase() const; // Lumetra_Image_Search.mdb in the data folder
    QString maintenanceDatabase() const; // Lumetra_Image_Ranker.mdb in the data folder
    QString workFolder() const { return m_workFolder; } // LIS
    QString workingDatabase() const; // LIS/Lumetra_Image_Search.mdb
    QString resultsFolder() const; // LIS/SR
    QString workingBitmap() const; // LIS/LIS.bmp
    QString scratchBitmap() const; // LIS/LIS2.bmp
    QString lockFile() const; // LIS/.lock
    QString helpPage() const; // help/index.html in the data folder
    // Where the ranking library is looked for first: beside the program, then in the private
    // library folder of an installed copy.
    QString rankerFolder() const;
    QString installedRankerFolder() const;

private:
    QString m_appFolder;
    QString m_dataFolder;
    QString m_workFolder;
};

} // namespace lis
