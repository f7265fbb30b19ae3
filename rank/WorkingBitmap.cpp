#include "rank/WorkingBitmap.h"

#include "core/FileNames.h"
#include "core/UserFile.h"
#include "rank/BmpHeader.h"
#include "rank/CaptureTime.h"
#include "rank/ImageDecode.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace lis {

namespace {

// A narrow BMP is taken over byte for byte only up to this size (a 500 x 16,700 32-bit one);
// a larger one is converted like any other picture.
constexpr qint64 kMaxTakenBmpBytes = qint64(32) * 1024 * 1024;
constexpr qint64 kBmpHeaderBytes = 64;
constexpr qint64 kBmpCheckOverheadBytes = qint64(1) * 1024 * 1024;

PreparedBitmap fromDecoded(DecodedImage decoded)
{
    if (decoded.problem != ImageProblem::None)
        return PreparedBitmap::failed(decoded.problem);
    return PreparedBitmap::made(encodeBmp24(decoded.image), decoded.image, false);
}

// A real BMP that is narrow enough stays exactly as it is; the loader still has to read it,
// so a damaged one is refused like any other damaged image.
std::optional<PreparedBitmap> takeNarrowBmp(const UserFile &file)
{
    if (file.size() > kMaxTakenBmpBytes)
        return std::nullopt;
    const std::unique_ptr<QFile> device = file.device();
    if (!device)
        return PreparedBitmap::failed(ImageProblem::Missing);
    QSize size = knownFormatReader(device.get(), ImageFormat::Bmp)->size();
    if (size.height() < 0)
        size.setHeight(-size.height()); // a top-down BMP: Qt reports its height negative
    if (!size.isValid())
        return PreparedBitmap::failed(ImageProblem::Damaged);
    if (size.width() > kWorkingBitmapBox)
        return std::nullopt;
    const qint64 pixels = qint64(size.width()) * size.height();
    if (pixels > kMaxWorkingBitmapPixels)
        return PreparedBitmap::failed(ImageProblem::TooLarge);
    // The file's bytes and the picture the check decodes from them.
    const std::optional<MemoryBudget::Reservation> memory
        = preparationBudget().reserve(file.size() + pixels * 4 + kBmpCheckOverheadBytes);
    const std::optional<QByteArray> data = file.readAll(kMaxTakenBmpBytes);
    if (!memory || !data)
        return PreparedBitmap::failed(ImageProblem::Damaged);
    QBuffer buffer;
    buffer.setData(*data);
    buffer.open(QIODevice::ReadOnly);
    const QImage picture = knownFormatReader(&buffer, ImageFormat::Bmp)->read();
    if (picture.isNull())
        return PreparedBitmap::failed(ImageProblem::Damaged);
    return PreparedBitmap::made(*data, picture, true);
}

ImageProblem openingProblem(const UserFile &file)
{
    switch (file.status()) {
    case UserFile::Status::Open:
        return ImageProblem::None;
    case UserFile::Status::NotRegular:
        return ImageProblem::Unsupported;
    case UserFile::Status::Missing:
    case UserFile::Status::Unreadable:
        break;
    }
    return ImageProblem::Missing;
}

SourceStamp stampOf(const struct stat &info)
{
    if (!S_ISREG(info.st_mode))
        return {};
    return { true, quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size),
        qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
        qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec };
}

PreparedBitmap prepareOpened(const UserFile &file, const QString &path)
{
    if (const ImageProblem problem = openingProblem(file); problem != ImageProblem::None)
        return PreparedBitmap::failed(problem);
    if (file.size() == 0)
        return PreparedBitmap::failed(ImageProblem::Damaged);
    const ImageSource source(file);
    if (source.format() == ImageFormat::Bmp) {
        const std::optional<QByteArray> head = file.read(0, kBmpHeaderBytes);
        if (!head)
            return PreparedBitmap::failed(ImageProblem::Missing);
        if (const ImageProblem declared = bmpHeaderProblem(*head, file.size());
            declared != ImageProblem::None)
            return PreparedBitmap::failed(declared);
        if (BMPFileCheck(path)) {
            if (std::optional<PreparedBitmap> narrow = takeNarrowBmp(file))
                return std::move(*narrow);
        }
    }
    PreparedBitmap prepared
        = fromDecoded(decodeFitted(source, kWorkingBitmapBox, preparationBudget()));
    if (prepared.ok() && source.format() == ImageFormat::Jpeg) {
        if (const std::optional<QByteArray> head = source.read(0, kJpegLineageHead))
            prepared.lineage = jpegLineage(*head);
    }
    return prepared;
}

// Writes the whole file or nothing: a failure leaves no partial file behind.
std::optional<WriteFailure> writeWhole(const QString &path, const QByteArray &bytes)
{
    const QByteArray name = pathToBytes(path);
    ::unlink(name.constData()); // replaced, even when the old one was read-only
    UniqueFd fd = openPath(path, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0644);
    int error = fd.isValid() ? 0 : errno;
    for (qint64 done = 0; error == 0 && done < bytes.size();) {
        const ssize_t n = ::write(fd.get(), bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno != EINTR)
            error = errno;
        else if (n > 0)
            done += n;
    }
    if (fd.isValid() && ::close(fd.release()) != 0 && error == 0)
        error = errno;
    if (error == 0)
        return std::nullopt;
    ::unlink(name.constData());
    return WriteFailure { path, error };
}

} // namespace

QString WriteFailure::reason() const
{
    return qt_error_string(error);
}

bool BMPFileCheck(const QString &fileName)
{
    return fileName.endsWith(QStringLiteral("bmp")) || fileName.endsWith(QStringLiteral("BMP"));
}

bool BMPCheck(const QString &path)
{
    const UserFile file = UserFile::open(path);
    if (!file.isOpen())
        return false;
    try {
        return decodeFitted(ImageSource(file), kWorkingBitmapBox, preparationBudget()).problem
            == ImageProblem::None;
    } catch (const std::bad_alloc &) {
        return false;
    }
}

SourceStamp stampSource(const QString &path)
{
    const std::optional<struct stat> info = statPath(path, true);
    return info ? stampOf(*info) : SourceStamp {};
}

PreparedBitmap prepareBitmap(const QString &source)
{
    // Opened once: every check and every read goes through this descriptor.
    const UserFile file = UserFile::open(source);
    PreparedBitmap prepared;
    // Costs are checked before decoding, but memory can still run out on a busy machine.
    try {
        prepared = prepareOpened(file, source);
    } catch (const std::bad_alloc &) {
        prepared = PreparedBitmap::failed(ImageProblem::TooLarge);
    }
    prepared.source = file.isOpen() ? stampOf(file.info()) : SourceStamp {};
    if (prepared.ok()) {
        prepared.captureTime = readCaptureTime(
            [&file](qint64 offset, qint64 count) { return file.read(offset, count); }, file.size(),
            QDateTime::currentMSecsSinceEpoch());
    }
    return prepared;
}

void clearWorkingBitmap(const AppPaths &paths)
{
    QFile::remove(paths.workingBitmap());
    QFile::remove(paths.scratchBitmap());
}

std::optional<WriteFailure> writeWorkingBitmap(const AppPaths &paths, const QByteArray &bitmap)
{
    QDir().mkpath(paths.workFolder());
    return writeWhole(paths.workingBitmap(), bitmap);
}

std::optional<WriteFailure> writeResultsCopy(const QString &copyPath, const QByteArray &bitmap)
{
    QDir().mkpath(QFileInfo(copyPath).absolutePath());
    return writeWhole(copyPath, bitmap);
}

ImageProblem prepareWorkingBitmap(
    const AppPaths &paths, const QString &source, const QString &resultsCopyPath)
{
    clearWorkingBitmap(paths);
    const PreparedBitmap prepared = prepareBitmap(source);
    if (!prepared.ok())
        return prepared.problem;
    if (writeWorkingBitmap(paths, prepared.bitmap)
        || writeResultsCopy(resultsCopyPath, prepared.bitmap))
        return ImageProblem::WriteFailed;
    return ImageProblem::None;
}

} // namespace lis
