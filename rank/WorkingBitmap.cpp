#include "rank/WorkingBitmap.h"

#include "rank/ImageDecode.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace lis {

namespace {

struct SourceBytes
{
    QByteArray data;
    ImageProblem problem = ImageProblem::None;
};

SourceBytes readSource(const QString &path)
{
    // Checked before opening: opening a FIFO or a device could block the run.
    const QFileInfo info(path);
    if (!info.exists())
        return { {}, ImageProblem::Missing };
    if (!info.isFile())
        return { {}, ImageProblem::Unsupported };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return { {}, ImageProblem::Missing };
    if (file.size() > kMaxSourceBytes)
        return { {}, ImageProblem::TooLarge };
    QByteArray data = file.readAll();
    if (data.isEmpty())
        return { {}, ImageProblem::Damaged };
    return { std::move(data), ImageProblem::None };
}

PreparedBitmap fromDecoded(DecodedImage decoded)
{
    if (decoded.problem != ImageProblem::None)
        return { decoded.problem, {}, {}, false };
    return { ImageProblem::None, encodeBmp24(decoded.image), decoded.image.size(), false };
}

// A real BMP that is narrow enough stays exactly as it is; the loader still has to read it,
// so a damaged one is refused like any other damaged image.
std::optional<PreparedBitmap> takeNarrowBmp(const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (reader.format() != "bmp")
        return std::nullopt;
    const QSize size = reader.size();
    if (!size.isValid())
        return PreparedBitmap { ImageProblem::Damaged, {}, {}, false };
    if (qint64(size.width()) * size.height() > kMaxDecodedPixels)
        return PreparedBitmap { ImageProblem::TooLarge, {}, {}, false };
    if (size.width() > kWorkingBitmapBox)
        return std::nullopt;
    if (reader.read().isNull())
        return PreparedBitmap { ImageProblem::Damaged, {}, {}, false };
    return PreparedBitmap { ImageProblem::None, data, size, true };
}

bool writeWhole(const QString &path, const QByteArray &bytes)
{
    QFile::remove(path);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush())
        return true;
    file.close();
    QFile::remove(path);
    return false;
}

} // namespace

bool bmpFileCheck(const QString &fileName)
{
    return fileName.endsWith(QStringLiteral("bmp")) || fileName.endsWith(QStringLiteral("BMP"));
}

bool bmpCheck(const QString &path)
{
    QImageReader reader(path);
    if (!reader.canRead())
        return false;
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxDecodedPixels)
        return false;
    return !reader.read().isNull();
}

PreparedBitmap prepareBitmap(const QString &source)
{
    SourceBytes bytes = readSource(source);
    if (bytes.problem != ImageProblem::None)
        return { bytes.problem, {}, {}, false };
    if (bmpFileCheck(source)) {
        if (std::optional<PreparedBitmap> narrow = takeNarrowBmp(bytes.data))
            return std::move(*narrow);
    }
    return fromDecoded(decodeFitted(bytes.data, kWorkingBitmapBox));
}

void clearWorkingBitmap(const AppPaths &paths)
{
    QFile::remove(paths.workingBitmap());
    QFile::remove(paths.scratchBitmap());
}

ImageProblem writeWorkingBitmap(const AppPaths &paths, const PreparedBitmap &prepared)
{
    if (!prepared.ok())
        return prepared.problem;
    QDir().mkpath(paths.workFolder());
    return writeWhole(paths.workingBitmap(), prepared.bitmap) ? ImageProblem::None
                                                              : ImageProblem::WriteFailed;
}

bool writeResultsCopy(const QString &copyPath, const QByteArray &bitmap)
{
    QDir().mkpath(QFileInfo(copyPath).absolutePath());
    return writeWhole(copyPath, bitmap);
}

ImageProblem prepareWorkingBitmap(
    const AppPaths &paths, const QString &source, const QString &resultsCopyPath)
{
    clearWorkingBitmap(paths);
    const PreparedBitmap prepared = prepareBitmap(source);
    if (const ImageProblem problem = writeWorkingBitmap(paths, prepared);
        problem != ImageProblem::None)
        return problem;
    writeResultsCopy(resultsCopyPath, prepared.bitmap);
    return ImageProblem::None;
}

} // namespace lis
