#include "rank/ImageDecode.h"

#include <QBuffer>
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

// Fits an upright picture into the box when it is wider than the box; the height alone never
// triggers scaling.
QImage fitIfWide(QImage image, int box)
{
    if (image.width() <= box)
        return image;
    return image.scaled(
        fitInto(image.size(), box), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

Transformations exifOrientation(const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    return reader.transformation();
}

struct TjHandleDeleter
{
    void operator()(void *handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjHandleDeleter>;

// The reduced size libjpeg gives for 1/denominator; the 1/n factors keep the DCT scaling
// an exact box average, so the final area downscale stays clean.
QSize scaledDecodeSize(int width, int height, int denominator)
{
    const tjscalingfactor factor { 1, denominator };
    return { TJSCALED(width, factor), TJSCALED(height, factor) };
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

bool gifCutShort(const QByteArray &data)
{
    qsizetype end = data.size();
    while (end > 0 && data[end - 1] == '\0') // padding after the trailer is harmless
        --end;
    return end == 0 || data[end - 1] != ';';
}

DecodedImage decodeWithQt(const QByteArray &data, int box)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(int(kMaxDecodedPixels * 4 / (1024 * 1024)));
    if (!reader.canRead())
        return { {}, ImageProblem::Unsupported };
    const QSize header = reader.size();
    if (header.isValid() && qint64(header.width()) * header.height() > kMaxDecodedPixels)
        return { {}, ImageProblem::TooLarge };
    if (isCutShort(data))
        return { {}, ImageProblem::Damaged };
    QImage image = reader.read();
    if (image.isNull()) {
        return { {},
            reader.error() == QImageReader::UnsupportedFormatError ? ImageProblem::Unsupported
                                                                   : ImageProblem::Damaged };
    }
    image = flattened(std::move(image));
    if (image.isNull())
        return { {}, ImageProblem::TooLarge };
    return { fitIfWide(std::move(image), box), ImageProblem::None };
}

} // namespace

QSize fitInto(QSize size, int box)
{
    if (size.width() <= 0 || size.height() <= 0)
        return size;
    const double factor = std::min(double(box) / size.width(), double(box) / size.height());
    return { std::max(1, int(std::lround(size.width() * factor))),
        std::max(1, int(std::lround(size.height() * factor))) };
}

bool looksLikeJpeg(const QByteArray &data)
{
    return data.size() >= 3 && uchar(data[0]) == 0xFF && uchar(data[1]) == 0xD8
        && uchar(data[2]) == 0xFF;
}

JpegDecodeResult decodeJpegFitted(const QByteArray &data, int box)
{
    TjHandle handle(tjInitDecompress());
    if (!handle)
        return { {}, false };
    auto *bytes = reinterpret_cast<unsigned char *>(const_cast<char *>(data.constData()));
    const auto size = static_cast<unsigned long>(data.size());
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), bytes, size, &width, &height, &subsampling, &colorspace)
        != 0)
        return { { {}, ImageProblem::Damaged }, true };
    if (width <= 0 || height <= 0) // a header cut off before the frame
        return { { {}, ImageProblem::Damaged }, true };
    if (colorspace == TJCS_CMYK || colorspace == TJCS_YCCK)
        return { {}, false };

    const Transformations orientation = exifOrientation(data);
    const QSize upright = swapsAxes(orientation) ? QSize(height, width) : QSize(width, height);
    const QSize target = upright.width() > box ? fitInto(upright, box) : upright;

    // The smallest 1/n decode that still leaves at least the target size.
    int denominator = 1;
    for (const int candidate : { 8, 4, 2 }) {
        const QSize reduced = scaledDecodeSize(upright.width(), upright.height(), candidate);
        if (reduced.width() >= target.width() && reduced.height() >= target.height()) {
            denominator = candidate;
            break;
        }
    }
    const QSize decoded = scaledDecodeSize(width, height, denominator);
    if (qint64(decoded.width()) * decoded.height() > kMaxDecodedPixels)
        return { { {}, ImageProblem::TooLarge }, true };

    QImage image(decoded, QImage::Format_RGB32);
    if (image.isNull())
        return { { {}, ImageProblem::TooLarge }, true };
    const int pixelFormat = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRX : TJPF_XRGB;
    // Stopping on warnings is what makes a truncated or corrupt stream unreadable instead of
    // a picture padded with grey.
    if (tjDecompress2(handle.get(), bytes, size, image.bits(), decoded.width(),
            int(image.bytesPerLine()), decoded.height(), pixelFormat, TJFLAG_STOPONWARNING)
        != 0)
        return { { {}, ImageProblem::Damaged }, true };

    image = applyOrientation(std::move(image), orientation);
    if (image.size() != target)
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return { { std::move(image), ImageProblem::None }, true };
}

bool isCutShort(const QByteArray &data)
{
    return data.startsWith("GIF8") && gifCutShort(data);
}

DecodedImage decodeFitted(const QByteArray &data, int box)
{
    if (data.isEmpty())
        return { {}, ImageProblem::Damaged };
    if (looksLikeJpeg(data)) {
        JpegDecodeResult jpeg = decodeJpegFitted(data, box);
        if (jpeg.handled)
            return std::move(jpeg.decoded);
    }
    return decodeWithQt(data, box);
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
