#include "copy/FileCopier.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <filesystem>
#include <system_error>

namespace lis {

namespace {

constexpr qint64 chunkSize = 1 << 20;

std::filesystem::path fsPath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

bool isRegularFile(const QString &path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(fsPath(path), error);
}

// Both names reach the same file: one path, a link to it, or a hard link.
bool sameFile(const QString &a, const QString &b)
{
    std::error_code error;
    return std::filesystem::equivalent(fsPath(a), fsPath(b), error) && !error;
}

CopyResult failed(const QString &destination, QString why)
{
    return { CopyStatus::Failed, destination, std::move(why) };
}

} // namespace

QString destinationFor(const QString &source, const QString &outputFolder, const QString &fileName)
{
    const QString folder = QDir::cleanPath(QDir::fromNativeSeparators(outputFolder));
    const QString name
        = fileName.isEmpty() ? QFileInfo(QDir::fromNativeSeparators(source)).fileName() : fileName;
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

QString FileCopier::canonicalOf(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

CopyResult FileCopier::copy(
    const QString &source, const QString &outputFolder, const QString &fileName) const
{
    const QString destination = destinationFor(source, outputFolder, fileName);
    if (!isRegularFile(source))
        return { CopyStatus::SourceMissing, destination, {} };
    if (!QFileInfo(outputFolder).isDir())
        return failed(destination, QStringLiteral("the output folder does not exist"));

    const QFileInfo target(destination);
    if (target.exists() || target.isSymLink()) {
        if (sameFile(source, destination))
            return { CopyStatus::SameFile, destination, {} };
        if (m_protected.contains(canonicalOf(destination)))
            return { CopyStatus::ProtectedOriginal, destination, {} };
        if (!isRegularFile(destination))
            return failed(destination, QStringLiteral("the destination is not a regular file"));
        // The owner's write bit stands for the read-only attribute; it is read from the file's
        // mode, so it holds even for a user whom the system would let write anyway.
        if (!(QFile::permissions(destination) & QFileDevice::WriteOwner))
            return { CopyStatus::ReadOnlyTarget, destination, {} };
    }
    return write(source, destination);
}

CopyResult FileCopier::write(const QString &source, const QString &destination) const
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return failed(destination, in.errorString());

    QSaveFile out(destination);
    out.setDirectWriteFallback(false); // never write in place, not even in a read-only folder
    if (!out.open(QIODevice::WriteOnly))
        return failed(destination, out.errorString());

    // Leaving without commit() drops the temporary file; the final name is never touched.
    for (;;) {
        const QByteArray buffer = in.read(chunkSize);
        if (in.error() != QFileDevice::NoError)
            return failed(destination, in.errorString());
        if (buffer.isEmpty())
            break;
        if (out.write(buffer) != buffer.size())
            return failed(destination, out.errorString());
    }
    if (!out.commit())
        return failed(destination, out.errorString());

    // Keep the source's modification time, as a copy made by the file manager would.
    QFile copied(destination);
    if (copied.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        copied.setFileTime(
            in.fileTime(QFileDevice::FileModificationTime), QFileDevice::FileModificationTime);
    return { CopyStatus::Copied, destination, {} };
}

} // namespace lis
