#include "rank/ImageFormat.h"

#include "core/UserFile.h"

namespace lis {

ImageFormat sniffImageFormat(QByteArrayView head)
{
    const auto starts = [head](QByteArrayView signature) { return head.startsWith(signature); };
    if (starts(QByteArrayView("\xFF\xD8\xFF", 3)))
        return ImageFormat::Jpeg;
    if (starts(QByteArrayView("\x89PNG\r\n\x1A\n", 8)))
        return ImageFormat::Png;
    if (starts("GIF87a") || starts("GIF89a"))
        return ImageFormat::Gif;
    if (starts("BM"))
        return ImageFormat::Bmp;
    if (starts(QByteArrayView("II*\0", 4)) || starts(QByteArrayView("MM\0*", 4)))
        return ImageFormat::Tiff;
    return ImageFormat::Unknown;
}

ImageFormat sniffImageFormat(const UserFile &file)
{
    const std::optional<QByteArray> head = file.read(0, kFormatSignatureBytes);
    return head ? sniffImageFormat(*head) : ImageFormat::Unknown;
}

QByteArray qtFormatName(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Jpeg:
        return QByteArrayLiteral("jpeg");
    case ImageFormat::Png:
        return QByteArrayLiteral("png");
    case ImageFormat::Gif:
        return QByteArrayLiteral("gif");
    case ImageFormat::Bmp:
        return QByteArrayLiteral("bmp");
    case ImageFormat::Tiff:
        return QByteArrayLiteral("tiff");
    case ImageFormat::Unknown:
        break;
    }
    return {};
}

std::unique_ptr<QImageReader> knownFormatReader(QIODevice *device, ImageFormat format)
{
    auto reader = std::make_unique<QImageReader>();
    reader->setAutoDetectImageFormat(false);
    reader->setDecideFormatFromContent(false);
    reader->setFormat(qtFormatName(format));
    reader->setDevice(device);
    return reader;
}

} // namespace lis
