#include "rank/WorkingBitmap.h"

#include "rank/ImageDecode.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <new>

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
        return PreparedBitmap::failed(decoded.problem);
    return PreparedBitmap::made(encodeBmp24(decoded.image), decoded.image.size(), false);
}

// What a BMP header alone tells against the file: a picture too large to decode, or an
// uncompressed one that does not hold all the pixel rows it declares (Qt's reader pads a file cut
// short with blank rows instead of failing, so a truncated BMP would pass as a picture).
// Compressed BMPs are left to the reader, except run-length data declared top-down, which the
// format does not allow. Anything that is not a BMP gives ImageProblem::None.
ImageProblem bmpHeaderProblem(const QByteArray &data)
{
    const auto *p = reinterpret_cast<const uchar *>(data.constData());
    const auto le16 = [p](int at) { return qint64(p[at] | p[at + 1] << 8); };
    const auto le32 = [p](int at) {
        return qint32(quint32(p[at]) | quint32(p[at + 1]) << 8 | quint32(p[at + 2]) << 16
            | quint32(p[at + 3]) << 24);
    };
    if (data.size() < 26 || p[0] != 'B' || p[1] != 'M')
        return ImageProblem::None;
    const qint64 offset = quint32(le32(10));
    const qint32 header = le32(14);
    qint64 width = 0, height = 0, bits = 0;
    bool uncompressed = true;
    if (header == 12) {
        width = le16(18);
        height = le16(20);
        bits = le16(24);
    } else if (header >= 40 && data.size() >= 34) {
        const qint32 compression = le32(30);
        if ((compression == 1 || compression == 2) && le32(22) < 0)
            return ImageProblem::Damaged;
        uncompressed = compression == 0 || compression == 3 || compression == 6;
        width = le32(18);
        height = qAbs(qint64(le32(22))); // negative: rows stored top-down
        bits = le16(28);
    } else {
        return ImageProblem::None;
    }
    if (width * height > kMaxDecodedPixels)
        return ImageProblem::TooLarge;
    if (!uncompressed || width <= 0 || height <= 0 || bits <= 0 || bits > 64)
        return ImageProblem::None; // left to the reader, which refuses what it cannot read
    const qint64 rowBytes = (width * bits + 31) / 32 * 4;
    return offset + rowBytes * height <= data.size() ? ImageProblem::None : ImageProblem::Damaged;
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
    QSize size = reader.size();
    if (size.height() < 0)
        size.setHeight(-size.height()); // a top-down BMP: Qt reports its height negative
    if (!size.isValid())
        return PreparedBitmap::failed(ImageProblem::Damaged);
    if (qint64(size.width()) * size.height() > kMaxDecodedPixels)
        return PreparedBitmap::failed(ImageProblem::TooLarge);
    if (size.width() > kWorkingBitmapBox)
        return std::nullopt;
    if (reader.read().isNull())
        return PreparedBitmap::failed(ImageProblem::Damaged);
    return PreparedBitmap::made(data, size, true);
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

PreparedBitmap prepareBitmapOrThrow(const QString &source);

} // namespace

bool BMPFileCheck(const QString &fileName)
{
    return fileName.endsWith(QStringLiteral("bmp")) || fileName.endsWith(QStringLiteral("BMP"));
}

bool BMPCheck(const QString &path)
{
    QImageReader reader(path);
    if (!reader.canRead())
        return false;
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxDecodedPixels)
        return false;
    return !reader.read().isNull();
}

SourceStamp stampSource(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    return { true, info.size(), info.lastModified().toMSecsSinceEpoch() };
}

PreparedBitmap prepareBitmap(const QString &source)
{
    const SourceStamp stamp = stampSource(source);
    PreparedBitmap prepared;
    // Sizes are checked before decoding, but memory can still run out on a busy machine.
    try {
        prepared = prepareBitmapOrThrow(source);
    } catch (const std::bad_alloc &) {
        prepared = PreparedBitmap::failed(ImageProblem::TooLarge);
    }
    prepared.source = stamp;
    return prepared;
}

namespace {

PreparedBitmap prepareBitmapOrThrow(const QString &source)
{
    SourceBytes bytes = readSource(source);
    if (bytes.problem != ImageProblem::None)
        return PreparedBitmap::failed(bytes.problem);
    if (const ImageProblem declared = bmpHeaderProblem(bytes.data); declared != ImageProblem::None)
        return PreparedBitmap::failed(declared);
    if (BMPFileCheck(source)) {
        if (std::optional<PreparedBitmap> narrow = takeNarrowBmp(bytes.data))
            return std::move(*narrow);
    }
    return fromDecoded(decodeFitted(bytes.data, kWorkingBitmapBox));
}

} // namespace

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
