#include "report/Gallery.h"

#include "core/UserFile.h"
#include "rank/ImageDecode.h"
#include "rank/ImageFormat.h"
#include "rank/JpegFrame.h"
#include "rank/ResultsCopies.h"
#include "report/Picture.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>

namespace lis {

int twipsToPixels(int twips, double perPixel)
{
    return perPixel > 0 ? roundHalfToEven(twips / perPixel) : 0;
}

QSize thumbnailSize()
{
    return QSize(twipsToPixels(thumbnailWidthTwips), twipsToPixels(thumbnailHeightTwips));
}

QImage loadThumbnail(const ResultsCopies &copies, const QString &resultPath, QSize box)
{
    const QString copy = copies.copyFor(resultPath);
    if (copy.isEmpty())
        return {};
    const LoadedPicture staged = LoadPictureFile(copy, Qt::white);
    return ResizePicture(staged.picture, box, Qt::white, true);
}

QImage previewPicture(const QStringList &list1, int position, const ResultsCopies &copies)
{
    if (position < 1 || position > list1.size())
        return {};
    // The result itself by its bytes: a name that is not UTF-8 is a file like any other.
    const auto result = statPath(list1.at(position - 1), true);
    if (!result || !S_ISREG(result->st_mode))
        return {};
    return LoadPictureFile(copies.copyFor(list1.at(position - 1)), Qt::white).picture;
}

bool putPreviewOnClipboard(const QStringList &list1, int position, const ResultsCopies &copies)
{
    const QImage picture = previewPicture(list1, position, copies);
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (picture.isNull() || !clipboard)
        return false;
    clipboard->clear();
    clipboard->setImage(picture);
    return true;
}

namespace {

OriginalPicture refused(ImageProblem why)
{
    return { QImage(), why };
}

// What Qt's reader holds besides the picture, as for the ranking's decoding: libtiff a decoded
// strip as large as the picture, the GIF reader a disposal frame.
qint64 readerExtraBytes(ImageFormat format, qint64 pixels, qint64 asRead)
{
    switch (format) {
    case ImageFormat::Gif:
        return pixels * 4;
    case ImageFormat::Tiff:
        return asRead;
    default:
        return 0;
    }
}

} // namespace

OriginalPicture loadOriginalPicture(const QString &path)
{
    const UserFile file = UserFile::open(path);
    if (!file.isOpen())
        return refused(file.status() == UserFile::Status::NotRegular ? ImageProblem::Unsupported
                                                                     : ImageProblem::Missing);
    const ImageSource source(file);
    if (source.format() == ImageFormat::Unknown)
        return refused(ImageProblem::Unsupported);
    qint64 coefficients = 0;
    if (source.format() == ImageFormat::Jpeg) {
        const std::optional<JpegFrame> frame = readJpegFrame(
            [&source](qint64 offset, qint64 count) { return source.read(offset, count); });
        if (!frame)
            return refused(ImageProblem::Damaged);
        coefficients = frame->coefficientBufferBytes();
    }
    const std::unique_ptr<QIODevice> device = source.device();
    if (!device)
        return refused(ImageProblem::Missing);
    const std::unique_ptr<QImageReader> reader = knownFormatReader(device.get(), source.format());
    reader->setAutoTransform(true);
    QSize stored = reader->size();
    if (stored.height() < 0)
        stored.setHeight(-stored.height()); // a top-down BMP
    if (!stored.isValid())
        return refused(ImageProblem::Damaged);
    const qint64 pixels = qint64(stored.width()) * stored.height();
    if (pixels > kMaxDecodedPixels)
        return refused(ImageProblem::TooLarge);
    const QImage::Format readFormat = reader->imageFormat();
    const qint64 bytesPerPixel = readFormat == QImage::Format_Invalid
        ? 8
        : std::max(1, (QImage::toPixelFormat(readFormat).bitsPerPixel() + 7) / 8);
    const qint64 asRead = pixels * bytesPerPixel;
    const bool turned = reader->transformation() != QImageIOHandler::TransformationNone;
    const qint64 cost = coefficients + asRead * (turned ? 2 : 1)
        + readerExtraBytes(source.format(), pixels, asRead) + pixels * 4;
    if (cost > kMaxDecodeBytes)
        return refused(ImageProblem::TooLarge);
    reader->setAllocationLimit(int(std::max<qint64>(1, asRead >> 20) + 1));

    QImage image = reader->read();
    if (image.isNull())
        return refused(reader->error() == QImageReader::UnsupportedFormatError
                ? ImageProblem::Unsupported
                : ImageProblem::Damaged);
    if (!image.hasAlphaChannel())
        return { image.convertToFormat(QImage::Format_RGB32), ImageProblem::None };
    QImage opaque = CreateCanvas(Qt::white, image.size());
    if (opaque.isNull())
        return refused(ImageProblem::TooLarge);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, image);
    painter.end();
    return { std::move(opaque), ImageProblem::None };
}

} // namespace lis
