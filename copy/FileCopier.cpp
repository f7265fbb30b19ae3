#include "copy/FileCopier.h"

#include "copy/ScratchFile.h"
#include "core/FileNames.h"
#include "core/UserFile.h"

#include <QDir>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace lis {

namespace {

// The most read or written between two yields.
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

FileIdentity identityOf(const struct stat &info)
{
    return { info.st_dev, info.st_ino };
}

// Called between two chunks of one file: the window gets its events, and a cancel the user
// confirmed meanwhile is seen.
bool cancelledBetweenChunks(const RunHooks &hooks)
{
    hooks.doYield();
    return hooks.isCancelRequested();
}

// pread(2) of up to `size` bytes, retried when a signal interrupts it.
ssize_t readAt(int fd, char *buffer, qint64 size, qint64 offset)
{
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, size_t(size), off_t(offset));
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

// The whole source into the scratch file: exactly the size it had when it was opened, or a
// failure saying why.
std::optional<CopyResult> copyBytes(
    const UserFile &in, ScratchFile &out, const QString &destination, const RunHooks &hooks)
{
    const qint64 size = in.size();
    // One byte past the size read shows a file that grew since it was opened.
    std::vector<char> buffer(size_t(std::min(chunkSize, size + 1)));
    qint64 offset = 0;
    while (offset <= size) {
        if (offset > 0 && offset < size && cancelledBetweenChunks(hooks))
            return CopyResult { CopyStatus::Cancelled, destination, {} };
        const qint64 want = std::min<qint64>(qint64(buffer.size()), size + 1 - offset);
        const ssize_t got = readAt(in.descriptor(), buffer.data(), want, offset);
        if (got < 0) {
            return failed(destination, CopyProblem::SourceUnreadable,
                QStringLiteral("reading the result file: ") + systemText(errno));
        }
        if (got == 0)
            break;
        if (!out.append(buffer.data(), got))
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

// The source's bytes in a new scratch file, with the permissions of the file it replaces (or
// the usual ones) and the source's time, flushed to the disk and closed, ready to be named.
std::optional<CopyResult> writeCopy(const UserFile &in, ScratchFile &out,
    const QString &destination, const struct stat *replaced, const RunHooks &hooks)
{
    if (!out.isOpen())
        return writeFailed(destination, "creating the copy", out.error());
    if (std::optional<CopyResult> failure = copyBytes(in, out, destination, hooks))
        return failure;
    if (replaced && ::fchmod(out.descriptor(), replaced->st_mode & 0777) != 0)
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
    return std::nullopt;
}

enum class Sameness { Same, Different, Cancelled };

// Whether the regular file under the name holds exactly the source's bytes: sizes first, then
// content, chunk by chunk. Whatever cannot be read counts as different, so it is kept.
Sameness compareWith(const UserFile &in, int folder, const QByteArray &name, const RunHooks &hooks)
{
    const UniqueFd other(::openat(
        folder, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info
    {
    };
    if (!other.isValid() || ::fstat(other.get(), &info) != 0 || !S_ISREG(info.st_mode)
        || qint64(info.st_size) != in.size())
        return Sameness::Different;
    const qint64 size = in.size();
    std::vector<char> mine(size_t(std::min(chunkSize, std::max<qint64>(size, 1))));
    std::vector<char> theirs(mine.size());
    for (qint64 offset = 0; offset < size;) {
        if (offset > 0 && cancelledBetweenChunks(hooks))
            return Sameness::Cancelled;
        const qint64 want = std::min<qint64>(qint64(mine.size()), size - offset);
        if (readAt(in.descriptor(), mine.data(), want, offset) != want
            || readAt(other.get(), theirs.data(), want, offset) != want
            || std::memcmp(mine.data(), theirs.data(), size_t(want)) != 0)
            return Sameness::Different;
        offset += want;
    }
    return Sameness::Same;
}

// What holds a name the copy might take, for a copy that replaces nothing.
enum class Holder { Free, Source, SameBytes, Other, Cancelled, Unknown };

Holder holderOf(const UserFile &in, int folder, const QByteArray &name, const RunHooks &hooks)
{
    struct stat entry
    {
    };
    if (::fstatat(folder, name.constData(), &entry, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? Holder::Free : Holder::Unknown;
    struct stat reached
    {
    };
    if (::fstatat(folder, name.constData(), &reached, 0) == 0
        && identityOf(reached) == identityOf(in.info()))
        return Holder::Source;
    if (!S_ISREG(entry.st_mode) || qint64(entry.st_size) != in.size())
        return Holder::Other;
    switch (compareWith(in, folder, name, hooks)) {
    case Sameness::Same:
        return Holder::SameBytes;
    case Sameness::Cancelled:
        return Holder::Cancelled;
    case Sameness::Different:
        break;
    }
    return Holder::Other;
}

// The source opened for reading and the output folder opened as a base for the *at calls, or
// the result that says why not.
struct Ends
{
    std::optional<UserFile> in;
    UniqueFd folder;
    std::optional<CopyResult> failure;
};

Ends open(const QString &source, const QString &outputFolder, const QString &destination)
{
    Ends ends;
    UserFile in = UserFile::open(source);
    if (!in.isOpen()) {
        if (in.status() == UserFile::Status::Unreadable) {
            ends.failure = failed(destination, CopyProblem::SourceUnreadable,
                QStringLiteral("opening the result file: ") + systemText(in.error()));
        } else {
            ends.failure = CopyResult { CopyStatus::SourceMissing, destination, {},
                CopyProblem::SourceGone };
        }
        return ends;
    }
    ends.in.emplace(std::move(in));
    // O_PATH: the folder is only a base for the *at calls, so one the user may write to but not
    // list still takes copies.
    ends.folder = openPath(outputFolder, O_PATH | O_DIRECTORY);
    if (!ends.folder.isValid()) {
        ends.failure = failed(destination, CopyProblem::NoFolder,
            QStringLiteral("opening the output folder: ") + systemText(errno));
    }
    return ends;
}

} // namespace

QString destinationFor(const QString &source, const QString &outputFolder, const QString &fileName)
{
    const QString folder = QDir::cleanPath(QDir::fromNativeSeparators(outputFolder));
    const QString name = fileNameOf(source, fileName);
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

QString numberedName(const QString &name, int number)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString suffix = QStringLiteral(" (%1)").arg(number);
    return dot <= 0 ? name + suffix : name.left(dot) + suffix + name.mid(dot);
}

std::optional<FileIdentity> FileIdentity::of(const QString &path)
{
    const std::optional<struct stat> info = statPath(path, true);
    if (!info)
        return std::nullopt;
    return identityOf(*info);
}

CopyResult FileCopier::copy(
    const QString &source, const QString &outputFolder, const QString &fileName) const
{
    const QString destination = destinationFor(source, outputFolder, fileName);
    const Ends ends = open(source, outputFolder, destination);
    if (ends.failure)
        return *ends.failure;
    const UserFile &in = *ends.in;
    const int folder = ends.folder.get();
    const QByteArray name = pathToBytes(fileNameOf(source, fileName));

    // What holds the name now, the entry itself (a link is not followed) and what it reaches.
    struct stat entry
    {
    };
    const bool taken = ::fstatat(folder, name.constData(), &entry, AT_SYMLINK_NOFOLLOW) == 0;
    if (!taken && errno != ENOENT)
        return writeFailed(destination, "looking at the destination", errno);
    if (taken) {
        struct stat reached
        {
        };
        if (::fstatat(folder, name.constData(), &reached, 0) == 0) {
            if (identityOf(reached) == identityOf(in.info()))
                return { CopyStatus::SameFile, destination, {} };
            if (m_protected.contains(identityOf(reached)))
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

    ScratchFile out = ScratchFile::create(folder);
    if (std::optional<CopyResult> failure
        = writeCopy(in, out, destination, taken ? &entry : nullptr, m_hooks))
        return *failure;
    if (!out.moveTo(name, taken))
        return writeFailed(destination, "giving the copy its name", errno);
    return { taken ? CopyStatus::Replaced : CopyStatus::Copied, destination, {} };
}

CopyResult FileCopier::copyKeeping(const QString &source, const QString &outputFolder) const
{
    const QString ownName = fileNameOf(source, {});
    const Ends ends = open(source, outputFolder, destinationFor(source, outputFolder));
    if (ends.failure)
        return *ends.failure;
    const UserFile &in = *ends.in;
    const int folder = ends.folder.get();

    std::optional<ScratchFile> out; // written once, at the first free name
    int lostRaces = 0;
    for (int number = 1;;) {
        const QString name = number == 1 ? ownName : numberedName(ownName, number);
        const QString destination = destinationFor(source, outputFolder, name);
        const QByteArray bytes = pathToBytes(name);
        switch (holderOf(in, folder, bytes, m_hooks)) {
        case Holder::Source:
            return { CopyStatus::SameFile, destination, {} };
        case Holder::SameBytes:
            return { CopyStatus::AlreadyThere, destination, {} };
        case Holder::Cancelled:
            return { CopyStatus::Cancelled, destination, {} };
        case Holder::Unknown:
            return writeFailed(destination, "looking at the destination", errno);
        case Holder::Other:
            ++number;
            continue;
        case Holder::Free:
            break;
        }
        if (!out) {
            out.emplace(ScratchFile::create(folder));
            if (std::optional<CopyResult> failure
                = writeCopy(in, *out, destination, nullptr, m_hooks))
                return *failure;
        }
        if (out->moveTo(bytes, false))
            return { CopyStatus::Copied, destination, {} };
        // Something took the name since it was looked at: look at it again.
        if (errno != EEXIST || ++lostRaces > 100)
            return writeFailed(destination, "giving the copy its name", errno);
    }
}

} // namespace lis
