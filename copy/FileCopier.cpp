#include "copy/FileCopier.h"

#include "core/FileNames.h"
#include "core/UserFile.h"

#include <QDir>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace lis {

namespace {

constexpr qint64 chunkSize = 1 << 20;

CopyProblem problemOfWriting(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: // past the largest file the disk or this process may write
        return CopyProblem::NoSpace;
    case EROFS:
    case EACCES:
    case EPERM:
        return CopyProblem::ReadOnlyFolder;
    default:
        return CopyProblem::WriteFailed;
    }
}

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

CopyResult failed(const QString &destination, CopyProblem problem, QString why)
{
    return { CopyStatus::Failed, destination, std::move(why), problem };
}

CopyResult writeFailed(const QString &destination, const char *step, int error)
{
    return failed(destination, problemOfWriting(error),
        QString::fromLatin1(step) + QStringLiteral(": ") + systemText(error));
}

QString fileNameOf(const QString &source, const QString &fileName)
{
    if (!fileName.isEmpty())
        return fileName;
    const QString path = QDir::fromNativeSeparators(source);
    return path.mid(path.lastIndexOf(u'/') + 1);
}

// A file being written in the destination folder under a name of its own. It is removed when it
// goes away, unless it was moved to its final name.
class ScratchFile
{
public:
    // A new, empty file in the folder; never an entry that was there, never through a link.
    static ScratchFile create(int folder)
    {
        ScratchFile scratch(folder);
        for (int attempt = 0; attempt < 100; ++attempt) {
            // Short, so that the final name may be as long as the system allows.
            char name[32];
            std::snprintf(name, sizeof name, ".lis-copy-%08x.tmp",
                unsigned(QRandomGenerator::global()->generate()));
            scratch.m_fd = UniqueFd(::openat(folder, name,
                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666));
            if (scratch.m_fd.isValid()) {
                scratch.m_name = name;
                return scratch;
            }
            if (errno != EEXIST)
                break;
        }
        scratch.m_error = errno;
        return scratch;
    }

    ScratchFile(ScratchFile &&other) noexcept
        : m_folder(other.m_folder)
        , m_fd(std::move(other.m_fd))
        , m_name(std::exchange(other.m_name, {}))
        , m_error(other.m_error)
    { }
    ScratchFile &operator=(ScratchFile &&) = delete;
    ~ScratchFile()
    {
        m_fd.reset();
        if (!m_name.isEmpty())
            ::unlinkat(m_folder, m_name.constData(), 0);
    }

    bool isOpen() const { return m_fd.isValid(); }
    int error() const { return m_error; }
    int descriptor() const { return m_fd.get(); }

    // Writes all of the bytes; false with errno set when the disk takes fewer.
    bool writeAll(const char *data, qint64 size) const
    {
        while (size > 0) {
            const ssize_t n = ::write(m_fd.get(), data, size_t(size));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                if (n == 0)
                    errno = ENOSPC;
                return false;
            }
            data += n;
            size -= n;
        }
        return true;
    }

    // Closes the file, reporting what a deferred write may only tell now.
    bool close()
    {
        const int fd = m_fd.release();
        return ::close(fd) == 0;
    }

    // Renames the file to its final name in the same folder. A name that was free must still be
    // free: whatever appeared there meanwhile is not this copy's to replace.
    bool moveTo(const QByteArray &finalName, bool replacing)
    {
        int done = replacing
            ? ::renameat(m_folder, m_name.constData(), m_folder, finalName.constData())
            : ::renameat2(
                m_folder, m_name.constData(), m_folder, finalName.constData(), RENAME_NOREPLACE);
        if (done != 0 && !replacing && errno == EINVAL) {
            // A file system without that flag: close the window as far as a check can.
            struct stat entry
            {
            };
            if (::fstatat(m_folder, finalName.constData(), &entry, AT_SYMLINK_NOFOLLOW) == 0) {
                errno = EEXIST;
                return false;
            }
            done = ::renameat(m_folder, m_name.constData(), m_folder, finalName.constData());
        }
        if (done != 0)
            return false;
        m_name.clear();
        return true;
    }

private:
    explicit ScratchFile(int folder)
        : m_folder(folder)
    { }

    int m_folder;
    UniqueFd m_fd;
    QByteArray m_name;
    int m_error = 0;
};

// The whole source into the scratch file: exactly the size it had when it was opened, or a
// failure saying why.
std::optional<CopyResult> copyBytes(
    const UserFile &in, const ScratchFile &out, const QString &destination)
{
    const qint64 size = in.size();
    // One byte past the size read shows a file that grew since it was opened.
    std::vector<char> buffer(size_t(std::min(chunkSize, size + 1)));
    qint64 offset = 0;
    while (offset <= size) {
        const qint64 want = std::min<qint64>(qint64(buffer.size()), size + 1 - offset);
        const ssize_t got = ::pread(in.descriptor(), buffer.data(), size_t(want), off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            return failed(destination, CopyProblem::SourceUnreadable,
                QStringLiteral("reading the result file: ") + systemText(errno));
        }
        if (got == 0)
            break;
        if (!out.writeAll(buffer.data(), got))
            return writeFailed(destination, "writing the copy", errno);
        offset += got;
    }
    if (offset != size) {
        return failed(destination, CopyProblem::SourceChanged,
            QStringLiteral("the result file changed while it was copied (%1 bytes, then %2)")
                .arg(size)
                .arg(offset));
    }
    return std::nullopt;
}

} // namespace

bool isCopyFailure(CopyStatus status)
{
    switch (status) {
    case CopyStatus::NotSelected:
    case CopyStatus::Copied:
    case CopyStatus::SameFile:
        return false;
    case CopyStatus::ProtectedOriginal:
    case CopyStatus::ReadOnlyTarget:
    case CopyStatus::SourceMissing:
    case CopyStatus::Failed:
    case CopyStatus::LinkAtDestination:
        return true;
    }
    return true;
}

QString notCopiedReason(const CopyResult &result)
{
    switch (result.status) {
    case CopyStatus::NotSelected:
    case CopyStatus::Copied:
        return {};
    case CopyStatus::SameFile:
        return QStringLiteral("it is the result file itself");
    case CopyStatus::ProtectedOriginal:
        return QStringLiteral("another result's own file has that name");
    case CopyStatus::ReadOnlyTarget:
        return QStringLiteral("a read-only file of that name is kept");
    case CopyStatus::LinkAtDestination:
        return QStringLiteral("a link of that name is kept");
    case CopyStatus::SourceMissing:
        return QStringLiteral("the result file is gone or is no longer a file");
    case CopyStatus::Failed:
        break;
    }
    QString reason;
    switch (result.problem) {
    case CopyProblem::NoSpace:
        reason = QStringLiteral("no space left on the disk");
        break;
    case CopyProblem::ReadOnlyFolder:
        reason = QStringLiteral("the output folder cannot be written to");
        break;
    case CopyProblem::NoFolder:
        reason = QStringLiteral("the output folder cannot be opened");
        break;
    case CopyProblem::NotAFile:
        reason = QStringLiteral("something that is not a file has that name");
        break;
    case CopyProblem::SourceGone:
        reason = QStringLiteral("the result file is gone");
        break;
    case CopyProblem::SourceUnreadable:
        reason = QStringLiteral("the result file cannot be read");
        break;
    case CopyProblem::SourceChanged:
        reason = QStringLiteral("the result file changed while it was copied");
        break;
    case CopyProblem::None:
    case CopyProblem::WriteFailed:
        reason = QStringLiteral("the copy could not be written");
        break;
    }
    return result.error.isEmpty() ? reason : reason + QStringLiteral(" (") + result.error + u')';
}

QString destinationFor(const QString &source, const QString &outputFolder, const QString &fileName)
{
    const QString folder = QDir::cleanPath(QDir::fromNativeSeparators(outputFolder));
    const QString name = fileNameOf(source, fileName);
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

std::optional<FileIdentity> FileIdentity::of(const QString &path)
{
    const std::optional<struct stat> info = statPath(path, true);
    if (!info)
        return std::nullopt;
    return FileIdentity { info->st_dev, info->st_ino };
}

CopyResult FileCopier::copy(
    const QString &source, const QString &outputFolder, const QString &fileName) const
{
    const QString destination = destinationFor(source, outputFolder, fileName);
    const UserFile in = UserFile::open(source);
    if (!in.isOpen()) {
        if (in.status() == UserFile::Status::Unreadable) {
            return failed(destination, CopyProblem::SourceUnreadable,
                QStringLiteral("opening the result file: ") + systemText(in.error()));
        }
        return { CopyStatus::SourceMissing, destination, {}, CopyProblem::SourceGone };
    }
    // O_PATH: the folder is only a base for the *at calls, so one the user may write to but not
    // list still takes copies.
    const UniqueFd folder = openPath(outputFolder, O_PATH | O_DIRECTORY);
    if (!folder.isValid()) {
        return failed(destination, CopyProblem::NoFolder,
            QStringLiteral("opening the output folder: ") + systemText(errno));
    }
    const QByteArray name = pathToBytes(fileNameOf(source, fileName));

    // What holds the name now, the entry itself (a link is not followed) and what it reaches.
    struct stat entry
    {
    };
    const bool taken = ::fstatat(folder.get(), name.constData(), &entry, AT_SYMLINK_NOFOLLOW) == 0;
    if (!taken && errno != ENOENT)
        return writeFailed(destination, "looking at the destination", errno);
    if (taken) {
        struct stat reached
        {
        };
        if (::fstatat(folder.get(), name.constData(), &reached, 0) == 0) {
            const FileIdentity identity { reached.st_dev, reached.st_ino };
            if (identity == FileIdentity { in.info().st_dev, in.info().st_ino })
                return { CopyStatus::SameFile, destination, {} };
            if (m_protected.contains(identity))
                return { CopyStatus::ProtectedOriginal, destination, {} };
        }
        if (S_ISLNK(entry.st_mode))
            return { CopyStatus::LinkAtDestination, destination, {} };
        if (!S_ISREG(entry.st_mode)) {
            return failed(destination, CopyProblem::NotAFile,
                QStringLiteral("the destination is not a regular file"));
        }
        // The owner's write bit stands for the read-only attribute; it is read from the file's
        // mode, so it holds even for a user whom the system would let write anyway.
        if (!(entry.st_mode & S_IWUSR))
            return { CopyStatus::ReadOnlyTarget, destination, {} };
    }

    ScratchFile out = ScratchFile::create(folder.get());
    if (!out.isOpen())
        return writeFailed(destination, "creating the copy", out.error());
    if (std::optional<CopyResult> failure = copyBytes(in, out, destination))
        return *failure;
    // A file that is replaced keeps its permissions; a new one gets the usual ones.
    if (taken && ::fchmod(out.descriptor(), entry.st_mode & 0777) != 0)
        return writeFailed(destination, "setting the copy's permissions", errno);
    // Keep the source's modification time, as a copy made by the file manager would.
    const struct timespec times[2] = { { 0, UTIME_OMIT }, in.info().st_mtim };
    if (::futimens(out.descriptor(), times) != 0)
        return writeFailed(destination, "setting the copy's time", errno);
    // The bytes are on the disk before the name points at them, so not even a power cut leaves
    // a short file under the final name.
    if (::fsync(out.descriptor()) != 0)
        return writeFailed(destination, "flushing the copy to the disk", errno);
    if (!out.close())
        return writeFailed(destination, "closing the copy", errno);
    if (!out.moveTo(name, taken))
        return writeFailed(destination, "giving the copy its name", errno);
    return { CopyStatus::Copied, destination, {} };
}

} // namespace lis
