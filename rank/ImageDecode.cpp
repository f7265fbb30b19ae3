#include "rank/ImageDecode.h"

#include "core/UserFile.h"
#include "rank/JpegFrame.h"

#include <QBuffer>
#include <QFile>
#include <QImageIOHandler>
#include <QImageReader>
#include <QPainter>
#include <QTransform>
#include <cmath>
#include <cstring>
#include <memory>
#include <turbojpeg.h>

namespace lis {

namespace {

using Transformations = QImageIOHandler::Transformations;

// Decoder state beyond the pictures themselves: Huffman and quantisation tables, libjpeg's
// row buffers, Qt's and libpng's bookkeeping.
constexpr qint64 kDecoderOverheadBytes = qint64(8) * 1024 * 1024;
// The fitted copy (RGB32) and its BMP (24 bits) per pixel.
constexpr qint64 kFittedBytesPerPixel = 4 + 3;
// Qt's readers refuse to allocate a single picture beyond this (in MiB).
constexpr int kReaderAllocationLimitMib = int(kMaxDecodedPixels * 4 / (1024 * 1024));
// Qt's GIF reader keeps a second full-size frame for disposal.
constexpr qint64 kGifExtraBytesPerPixel = 4;

bool swapsAxes(Transformations t)
{
    return t.testFlag(QImageIOHandler::TransformationRotate90);
}

// The same mapping Qt's readers use for EXIF orientations; the 90-degree cases are exact
// pixel permutations, not resampling.
QImage applyOrientation(QImage image, Transformations t)
{
    switch (int(t)) {
    case QImageIOHandler::TransformationNone:
        return image;
    case QImageIOHandler::TransformationMirror:
        return image.mirrored(true, false);
    case QImageIOHandler::TransformationFlip:
        return image.mirrored(false, true);
    case QImageIOHandler::TransformationRotate180:
        return image.mirrored(true, true);
    case QImageIOHandler::TransformationMirrorAndRotate90:
        return image.transformed(QTransform(0, 1, 1, 0, 0, 0));
    case QImageIOHandler::TransformationFlipAndRotate90:
        return image.transformed(QTransform(0, -1, -1, 0, 0, 0));
    case QImageIOHandler::TransformationRotate90:
        return image.transformed(QTransform(0, 1, -1, 0, 0, 0));
    case QImageIOHandler::TransformationRotate270:
        return image.transformed(QTransform(0, -1, 1, 0, 0, 0));
    }
    return image;
}

qint64 pixelsOf(QSize size)
{
    return qint64(size.width()) * size.height();
}

// The box a picture of this upright size ends in.
QSize targetSize(QSize upright, int box)
{
    return upright.width() > box ? fitInto(upright, box) : upright;
}

// Fits an upright picture into the box when it is wider than the box; the height alone never
// triggers scaling.
QImage fitIfWide(QImage image, int box)
{
    if (image.width() <= box)
        return image;
    return image.scaled(
        fitInto(image.size(), box), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The EXIF orientation, read by Qt's JPEG reader from the header alone.
Transformations exifOrientation(const ImageSource &source)
{
    const std::unique_ptr<QIODevice> device = source.device();
    return device ? knownFormatReader(device.get(), ImageFormat::Jpeg)->transformation()
                  : Transformations(QImageIOHandler::TransformationNone);
}

struct TjHandleDeleter
{
    void operator()(void *handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjHandleDeleter>;

// The reduced size libjpeg gives for 1/denominator; the 1/n factors keep the DCT scaling
// an exact box average, so the final area downscale stays clean.
QSize scaledDecodeSize(QSize stored, int denominator)
{
    const tjscalingfactor factor { 1, denominator };
    return { TJSCALED(stored.width(), factor), TJSCALED(stored.height(), factor) };
}

// The size a JPEG stored at `stored` is decoded at, upright as `upright`: the smallest 1/n
// decode that still leaves twice the target size. libjpeg's reduced decode is sharper than an
// area average, so the area downscale after it must do most of the reducing: then the working
// bitmap of a JPEG is, to the eye of the ranking, that of its pixels saved in any other format.
QSize jpegDecodeSize(QSize stored, QSize upright, int box)
{
    const QSize target = targetSize(upright, box);
    for (const int denominator : { 8, 4, 2 }) {
        const QSize reduced = scaledDecodeSize(upright, denominator);
        if (reduced.width() >= 2 * target.width() && reduced.height() >= 2 * target.height())
            return scaledDecodeSize(stored, denominator);
    }
    return stored;
}

// A BMP has no transparency: see-through parts are shown over white, as a viewer would, rather
// than as whatever colour the transparent pixels happen to hold.
QImage flattened(QImage image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage flat(image.size(), QImage::Format_RGB32);
    if (flat.isNull())
        return flat;
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    return flat;
}

// Qt's GIF reader returns whatever part of a cut-off file it got; a GIF ends with its trailer
// (padding after it is harmless), so a short file is caught here.
bool gifCutShort(const ImageSource &source)
{
    constexpr qint64 kChunk = 64 * 1024;
    for (qint64 end = source.size(); end > 0;) {
        const qint64 start = std::max<qint64>(0, end - kChunk);
        const std::optional<QByteArray> tail = source.read(start, end - start);
        if (!tail || tail->size() != end - start)
            return true;
        for (qsizetype i = tail->size() - 1; i >= 0; --i) {
            if (tail->at(i) != '\0')
                return tail->at(i) != ';';
        }
        end = start;
    }
    return true;
}

int bytesPerPixel(QImage::Format format)
{
    if (format == QImage::Format_Invalid)
        return 8; // the widest a reader gives (RGBA64)
    return std::max(1, (QImage::toPixelFormat(format).bitsPerPixel() + 7) / 8);
}

// What a reader holds besides the picture it fills, measured on large files: libtiff a decoded
// strip (the whole picture for a single-strip file, at most as wide as the picture read), the
// GIF reader its disposal frame; the PNG and BMP readers only a few rows.
qint64 readerExtraBytes(ImageFormat format, qint64 pixels, qint64 asRead)
{
    switch (format) {
    case ImageFormat::Gif:
        return pixels * kGifExtraBytesPerPixel;
    case ImageFormat::Tiff:
        return asRead;
    default:
        return 0;
    }
}

std::optional<MemoryBudget::Reservation> reserveFor(qint64 cost, MemoryBudget &budget)
{
    if (cost > kMaxDecodeBytes)
        return std::nullopt;
    return budget.reserve(cost);
}

// What the decoders of Qt's readers take: the picture as read (twice while it is turned
// upright), the reader's own buffers, its RGB32 copy unless it was read as RGB32, and the fitted
// copy. `extra` is what the caller's decoder takes besides.
DecodedImage decodeWithQt(
    const ImageSource &source, int box, MemoryBudget &budget, qint64 extra = 0)
{
    const std::unique_ptr<QIODevice> device = source.device();
    if (!device)
        return DecodedImage::failed(ImageProblem::Missing);
    const std::unique_ptr<QImageReader> reader = knownFormatReader(device.get(), source.format());
    reader->setAutoTransform(true);
    reader->setAllocationLimit(kReaderAllocationLimitMib);
    if (!reader->canRead())
        return DecodedImage::failed(ImageProblem::Unsupported);
    QSize stored = reader->size();
    if (stored.height() < 0)
        stored.setHeight(-stored.height()); // a top-down BMP: Qt reports its height negative
    if (!stored.isValid())
        return DecodedImage::failed(ImageProblem::Damaged);
    const qint64 pixels = pixelsOf(stored);
    if (pixels > kMaxDecodedPixels)
        return DecodedImage::failed(ImageProblem::TooLarge);
    const Transformations transformation = reader->transformation();
    const QSize target = targetSize(swapsAxes(transformation) ? stored.transposed() : stored, box);
    if (pixelsOf(target) > kMaxWorkingBitmapPixels)
        return DecodedImage::failed(ImageProblem::TooLarge);
    if (source.format() == ImageFormat::Gif && gifCutShort(source))
        return DecodedImage::failed(ImageProblem::Damaged);

    const QImage::Format readFormat = reader->imageFormat();
    const qint64 asRead = pixels * bytesPerPixel(readFormat);
    const bool turned = transformation != QImageIOHandler::TransformationNone;
    const qint64 cost = extra + asRead * (turned ? 2 : 1)
        + readerExtraBytes(source.format(), pixels, asRead)
        + (readFormat == QImage::Format_RGB32 ? 0 : pixels * 4)
        + pixelsOf(target) * kFittedBytesPerPixel + kDecoderOverheadBytes;
    std::optional<MemoryBudget::Reservation> memory = reserveFor(cost, budget);
    if (!memory)
        return DecodedImage::failed(ImageProblem::TooLarge);

    QImage image = reader->read();
    if (image.isNull()) {
        return DecodedImage::failed(reader->error() == QImageReader::UnsupportedFormatError
                ? ImageProblem::Unsupported
                : ImageProblem::Damaged);
    }
    image = flattened(std::move(image));
    if (image.isNull())
        return DecodedImage::failed(ImageProblem::TooLarge);
    return { fitIfWide(std::move(image), box), ImageProblem::None, std::move(*memory) };
}

// The TurboJPEG decode of data already checked and paid for.
DecodedImage decodeJpegData(const QByteArray &data, Transformations orientation, int box)
{
    TjHandle handle(tjInitDecompress());
    if (!handle)
        return DecodedImage::failed(ImageProblem::Unsupported);
    auto *bytes = reinterpret_cast<unsigned char *>(const_cast<char *>(data.constData()));
    const auto size = static_cast<unsigned long>(data.size());
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), bytes, size, &width, &height, &subsampling, &colorspace)
        != 0)
        return DecodedImage::failed(ImageProblem::Damaged);
    if (width <= 0 || height <= 0) // a header cut off before the frame
        return DecodedImage::failed(ImageProblem::Damaged);

    const QSize stored(width, height);
    const QSize upright = swapsAxes(orientation) ? stored.transposed() : stored;
    const QSize target = targetSize(upright, box);
    const QSize decoded = jpegDecodeSize(stored, upright, box);
    if (pixelsOf(decoded) > kMaxDecodedPixels || pixelsOf(target) > kMaxWorkingBitmapPixels)
        return DecodedImage::failed(ImageProblem::TooLarge);

    QImage image(decoded, QImage::Format_RGB32);
    if (image.isNull())
        return DecodedImage::failed(ImageProblem::TooLarge);
    const int pixelFormat = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRX : TJPF_XRGB;
    // Stopping on warnings is what makes a truncated or corrupt stream unreadable instead of
    // a picture padded with grey.
    if (tjDecompress2(handle.get(), bytes, size, image.bits(), decoded.width(),
            int(image.bytesPerLine()), decoded.height(), pixelFormat, TJFLAG_STOPONWARNING)
        != 0)
        return DecodedImage::failed(ImageProblem::Damaged);

    image = applyOrientation(std::move(image), orientation);
    if (image.size() != target)
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return { std::move(image), ImageProblem::None, {} };
}

// JPEG: the frame header and the orientation tell the cost before the file is read into
// memory.
DecodedImage decodeJpeg(const ImageSource &source, int box, MemoryBudget &budget)
{
    const std::optional<JpegFrame> frame = readJpegFrame(
        [&source](qint64 offset, qint64 count) { return source.read(offset, count); });
    if (!frame)
        return DecodedImage::failed(ImageProblem::Damaged);
    const qint64 coefficients = frame->coefficientBufferBytes();
    if (coefficients > kMaxDecodeBytes)
        return DecodedImage::failed(ImageProblem::TooLarge);
    // TurboJPEG decodes no CMYK: four-component streams go to Qt's reader, at full size.
    if (frame->components.size() == 4)
        return decodeWithQt(source, box, budget, coefficients);

    const Transformations orientation = exifOrientation(source);
    const QSize stored(frame->width, std::max(frame->height, 1));
    const QSize upright = swapsAxes(orientation) ? stored.transposed() : stored;
    const qint64 decodedPixels = pixelsOf(jpegDecodeSize(stored, upright, box));
    const qint64 targetPixels = pixelsOf(targetSize(upright, box));
    if (decodedPixels > kMaxDecodedPixels || targetPixels > kMaxWorkingBitmapPixels)
        return DecodedImage::failed(ImageProblem::TooLarge);
    // The decoded picture, its turned copy when it is turned, the fitted copy and its BMP.
    const qint64 decodedBytes = decodedPixels * 4;
    const qint64 cost = source.size() + coefficients + decodedBytes
        + (orientation == QImageIOHandler::TransformationNone ? 0 : decodedBytes)
        + targetPixels * kFittedBytesPerPixel + kDecoderOverheadBytes;
    std::optional<MemoryBudget::Reservation> memory = reserveFor(cost, budget);
    if (!memory)
        return DecodedImage::failed(ImageProblem::TooLarge);
    const std::optional<QByteArray> data = source.readAll();
    if (!data)
        return DecodedImage::failed(ImageProblem::Damaged);
    DecodedImage decoded = decodeJpegData(*data, orientation, box);
    decoded.memory = std::move(*memory);
    return decoded;
}

} // namespace

MemoryBudget &preparationBudget()
{
    static MemoryBudget budget(kPreparationBudgetBytes);
    return budget;
}

ImageSource::ImageSource(const UserFile &file)
    : m_file(&file)
    , m_format(file.isOpen() ? sniffImageFormat(file) : ImageFormat::Unknown)
{ }

ImageSource::ImageSource(QByteArray bytes)
    : m_bytes(std::move(bytes))
    , m_format(sniffImageFormat(m_bytes))
{ }

qint64 ImageSource::size() const
{
    return m_file ? m_file->size() : m_bytes.size();
}

std::optional<QByteArray> ImageSource::read(qint64 offset, qint64 count) const
{
    if (m_file)
        return m_file->read(offset, count);
    if (offset < 0 || count < 0)
        return std::nullopt;
    return offset >= m_bytes.size() ? QByteArray() : m_bytes.mid(offset, count);
}

std::optional<QByteArray> ImageSource::readAll() const
{
    if (m_file)
        return m_file->readAll(m_file->size());
    return m_bytes;
}

std::unique_ptr<QIODevice> ImageSource::device() const
{
    if (m_file)
        return m_file->device();
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(m_bytes);
    buffer->open(QIODevice::ReadOnly);
    return buffer;
}

QSize fitInto(QSize size, int box)
{
    if (size.width() <= 0 || size.height() <= 0)
        return size;
    const double factor = std::min(double(box) / size.width(), double(box) / size.height());
    return { std::max(1, int(std::lround(size.width() * factor))),
        std::max(1, int(std::lround(size.height() * factor))) };
}

DecodedImage decodeFitted(const ImageSource &source, int box, MemoryBudget &budget)
{
    if (source.size() <= 0)
        return DecodedImage::failed(ImageProblem::Damaged);
    switch (source.format()) {
    case ImageFormat::Unknown:
        return DecodedImage::failed(ImageProblem::Unsupported);
    case ImageFormat::Jpeg:
        return decodeJpeg(source, box, budget);
    default:
        return decodeWithQt(source, box, budget);
    }
}

DecodedImage decodeFitted(const QByteArray &data, int box)
{
    return decodeFitted(ImageSource(data), box, preparationBudget());
}

QByteArray encodeBmp24(const QImage &source)
{
    const QImage image = source.format() == QImage::Format_RGB32
        ? source
        : source.convertToFormat(QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();
    const qint64 rowBytes = (qint64(width) * 3 + 3) & ~qint64(3);
    const qint64 pixelBytes = rowBytes * height;
    constexpr int headerBytes = 14 + 40;
    QByteArray out(headerBytes + pixelBytes, '\0');
    auto *p = reinterpret_cast<uchar *>(out.data());
    auto put16 = [](uchar *at, quint16 v) {
        at[0] = uchar(v);
        at[1] = uchar(v >> 8);
    };
    auto put32 = [](uchar *at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            at[i] = uchar(v >> (8 * i));
    };
    p[0] = 'B';
    p[1] = 'M';
    put32(p + 2, quint32(out.size()));
    put32(p + 10, headerBytes);
    put32(p + 14, 40);
    put32(p + 18, quint32(width));
    put32(p + 22, quint32(height)); // positive: rows bottom-up, as every reader expects
    put16(p + 26, 1);
    put16(p + 28, 24);
    put32(p + 34, quint32(pixelBytes));
    put32(p + 38, 2835); // 72 dpi
    put32(p + 42, 2835);
    for (int y = 0; y < height; ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        uchar *row = p + headerBytes + rowBytes * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = uchar(qBlue(in[x]));
            row[3 * x + 1] = uchar(qGreen(in[x]));
            row[3 * x + 2] = uchar(qRed(in[x]));
        }
    }
    return out;
}

} // namespace lis
