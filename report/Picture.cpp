#include "report/Picture.h"

#include "core/UserFile.h"
#include "rank/ImageFormat.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <climits>
#include <cmath>

namespace lis {

namespace {

// The size a reader reports, turned the way the picture will be shown.
QSize uprightSize(QSize raw, QImageIOHandler::Transformations transformation)
{
    return transformation.testFlag(QImageIOHandler::TransformationRotate90) ? raw.transposed()
                                                                            : raw;
}

QSize boundedDecodeSize(QSize raw)
{
    const double area = double(raw.width()) * double(raw.height());
    if (area <= double(maxDecodedPixels))
        return raw;
    const double factor = std::sqrt(double(maxDecodedPixels) / area);
    return QSize(std::max(1, int(raw.width() * factor)), std::max(1, int(raw.height() * factor)));
}

} // namespace

int roundHalfToEven(double value)
{
    if (!std::isfinite(value))
        return 0;
    // The default floating-point rounding mode rounds halves to even.
    const double rounded = std::nearbyint(value);
    if (rounded >= double(INT_MAX))
        return INT_MAX;
    if (rounded <= double(INT_MIN))
        return INT_MIN;
    return int(rounded);
}

QRect fittedRect(QSize image, QSize box)
{
    if (image.isEmpty() || box.isEmpty())
        return {};
    const double sourceRatio = double(image.width()) / double(image.height());
    const double boxRatio = double(box.width()) / double(box.height());
    double drawnWidth = 0;
    double drawnHeight = 0;
    if (boxRatio < sourceRatio) {
        drawnWidth = box.width();
        drawnHeight = box.width() / sourceRatio;
    } else {
        drawnWidth = box.height() * sourceRatio;
        drawnHeight = box.height();
    }
    const int width = roundHalfToEven(drawnWidth);
    const int height = roundHalfToEven(drawnHeight);
    const int left = roundHalfToEven((box.width() - width) / 2.0);
    const int top = roundHalfToEven((box.height() - height) / 2.0);
    return QRect(left, top, width, height);
}

LoadedPicture LoadPictureFile(const QString &path, const QColor &backColour)
{
    // Opened once without blocking: a FIFO or a device is refused, not waited on. Only the
    // readers of the five ranked formats are used, whatever else Qt could read.
    if (path.isEmpty())
        return {};
    const UserFile file = UserFile::open(path);
    const ImageFormat format = file.isOpen() ? sniffImageFormat(file) : ImageFormat::Unknown;
    const std::unique_ptr<QFile> device = format == ImageFormat::Unknown ? nullptr : file.device();
    if (!device)
        return {};
    const std::unique_ptr<QImageReader> reader = knownFormatReader(device.get(), format);
    reader->setAutoTransform(true);
    const QSize raw = reader->size();
    if (raw.isValid() && boundedDecodeSize(raw) != raw)
        reader->setScaledSize(boundedDecodeSize(raw));
    const QSize own = raw.isValid() ? uprightSize(raw, reader->transformation()) : QSize();
    const QImage image = reader->read();
    if (image.isNull())
        return {};

    QImage picture = CreateCanvas(backColour, image.size());
    QPainter painter(&picture);
    painter.drawImage(0, 0, image);
    painter.end();
    return { std::move(picture), own.isValid() ? own : image.size() };
}

QImage CreateCanvas(const QColor &backColour, QSize size)
{
    if (size.isEmpty())
        return {};
    QImage canvas(size, QImage::Format_RGB32);
    if (!canvas.isNull())
        canvas.fill(backColour);
    return canvas;
}

void DrawImageFitted(QPainter &canvas, const QImage &image, QSize size, bool fit)
{
    if (image.isNull() || size.isEmpty())
        return;
    const QRect target = fit ? fittedRect(image.size(), size) : QRect(QPoint(0, 0), size);
    if (target.isEmpty())
        return;
    // A smooth rescale first: painting with a transform only filters bilinearly, which leaves
    // large reductions grainy.
    const QImage scaled = image.size() == target.size()
        ? image
        : image.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    canvas.drawImage(target.topLeft(), scaled);
}

QImage ResizePicture(const QImage &picture, QSize size, const QColor &backColour, bool fit)
{
    if (picture.isNull())
        return {};
    QImage canvas = CreateCanvas(backColour, size);
    if (canvas.isNull())
        return {};
    QPainter painter(&canvas);
    DrawImageFitted(painter, picture, size, fit);
    painter.end();
    return canvas;
}

} // namespace lis
