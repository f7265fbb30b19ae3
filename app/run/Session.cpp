#include "app/run/Session.h"

#include "app/run/Startup.h"
#include "core/FileNames.h"
#include "core/TreeRemoval.h"
#include "core/UserFile.h"
#include "core/WorkFolder.h"
#include "store/ResultStore.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace lis {

namespace {

constexpr qint64 unfinishedGraceSeconds = 60;

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A run's folder whose lock nobody holds belongs to a process that is gone. One still being
// made (".new-") is left alone for a while, since its maker may not have locked it yet.
void removeLeftovers(const QString &runs)
{
    const QDir folder(runs);
    for (const QFileInfo &entry :
        folder.entryInfoList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        const QString name = entry.fileName();
        const bool unfinished = name.startsWith(u".new-");
        if (!name.startsWith(u"run-") && !unfinished)
            continue;
        if (unfinished
            && entry.lastModified().secsTo(QDateTime::currentDateTime()) < unfinishedGraceSeconds)
            continue;
        bool ownerGone = false;
        {
            const InstanceLock probe(entry.filePath() + QStringLiteral("/.lock"));
            ownerGone = probe.state() == InstanceLock::State::Held;
        }
        if (ownerGone)
            removeTree(entry.filePath());
    }
}

SessionOpening failedOpening(SessionOpening::Code code, QString message)
{
    SessionOpening opening;
    opening.code = code;
    opening.message = std::move(message);
    return opening;
}

} // namespace

PrivateFolderRemoval::~PrivateFolderRemoval()
{
    removeTree(m_folder);
}

QString writableMaintenanceDatabase(const AppPaths &paths)
{
    const QString installed = paths.maintenanceDatabase();
    if (::access(pathToBytes(installed).constData(), W_OK) == 0 || !QFileInfo::exists(installed))
        return installed;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Lumetra_Image_Search");
    const QString copy = folder + QStringLiteral("/Lumetra_Image_Ranker.mdb");
    if (!QFileInfo::exists(copy) && QDir().mkpath(folder) && QFile::copy(installed, copy))
        QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::WriteOwner);
    return copy;
}

QString privateRunsFolder(const AppPaths &shared)
{
    return shared.workFolder() + QStringLiteral("/runs");
}

SessionOpening openPrivateSession(const AppPaths &shared)
{
    using Code = SessionOpening::Code;
    if (const auto error = WorkFolder(shared).ensureFolder())
        return failedOpening(Code::WorkFolderUnusable, error->message());
    const QString runs = privateRunsFolder(shared);
    if (::mkdir(pathToBytes(runs).constData(), 0777) != 0 && errno != EEXIST)
        return failedOpening(
            Code::WorkFolderUnusable, WorkFileError { runs, systemReason() }.message());
    if (const auto info = statPath(runs, false); !info || !S_ISDIR(info->st_mode))
        return failedOpening(Code::WorkFolderUnusable,
            WorkFileError { runs, QStringLiteral("it is not a folder") }.message());
    removeLeftovers(runs);

    // Made under a name the clean-up of other runs leaves alone, locked, then given its name.
    QByteArray pattern = pathToBytes(runs) + "/.new-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return failedOpening(
            Code::WorkFolderUnusable, WorkFileError { runs, systemReason() }.message());
    const QString unfinished = pathFromBytes(pattern);
    auto removal = std::make_unique<PrivateFolderRemoval>(unfinished);
    auto lock = std::make_unique<InstanceLock>(unfinished + QStringLiteral("/.lock"));
    if (!lock->isLocked())
        return failedOpening(
            Code::WorkFolderUnusable, WorkFileError { unfinished, lock->failure() }.message());
    const QString folder
        = runs + QStringLiteral("/run-") + unfinished.mid(unfinished.lastIndexOf(u'-') + 1);
    if (::rename(pattern.constData(), pathToBytes(folder).constData()) != 0)
        return failedOpening(
            Code::WorkFolderUnusable, WorkFileError { folder, systemReason() }.message());
    removal = std::make_unique<PrivateFolderRemoval>(folder);

    const AppPaths paths = shared.withWorkFolder(folder);
    StartupResult started = startUp(paths);
    if (!started.error.isEmpty())
        return failedOpening(Code::StoreUnusable, started.error);
    SessionOpening opening;
    opening.session.paths = paths;
    opening.session.removal = std::move(removal);
    opening.session.lock = std::move(lock);
    opening.session.store = std::move(started.store);
    return opening;
}

SessionOpening openSession(const AppPaths &paths)
{
    SessionOpening opening;
    if (const auto error = WorkFolder(paths).ensureFolder()) {
        opening.code = SessionOpening::Code::WorkFolderUnusable;
        opening.message = error->message();
        return opening;
    }
    auto lock = std::make_unique<InstanceLock>(paths.lockFile());
    switch (lock->state()) {
    case InstanceLock::State::Held:
        break;
    case InstanceLock::State::HeldByOther:
        opening.code = SessionOpening::Code::AlreadyRunning;
        opening.message = QStringLiteral("Lumetra Image Search is already running; its working "
                                         "files are in use.");
        return opening;
    case InstanceLock::State::Failed:
        opening.code = SessionOpening::Code::WorkFolderUnusable;
        opening.message = WorkFileError { paths.lockFile(), lock->failure() }.message();
        return opening;
    }
    StartupResult started = startUp(paths);
    if (!started.error.isEmpty()) {
        opening.code = SessionOpening::Code::StoreUnusable;
        opening.message = started.error;
        return opening;
    }
    opening.session.paths = paths;
    opening.session.lock = std::move(lock);
    opening.session.store = std::move(started.store);
    return opening;
}

} // namespace lis
