#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImageReader>
#include <memory>

class QIODevice;

namespace lis {

class UserFile;

// The five formats the program ranks. Only their decoders are ever used: Qt would otherwise
// hand any file to whichever of its plug-ins recognises the content (MNG, WebP, ICO, ...), each
// with its own memory appetite, whatever the file's name says.
enum class ImageFormat { Unknown, Jpeg, Png, Gif, Bmp, Tiff };

// How many leading bytes sniffImageFormat needs to tell every format apart.
inline constexpr qsizetype kFormatSignatureBytes = 8;

// The format the leading bytes announce, or Unknown.
ImageFormat sniffImageFormat(QByteArrayView head);
// The format a file announces, read through its open descriptor.
ImageFormat sniffImageFormat(const UserFile &file);
// Qt's name of the format's reader ("jpeg", "png", ...); empty for Unknown.
QByteArray qtFormatName(ImageFormat format);

// A QImageReader on a device that uses the decoder of the given format and no other: format set
// explicitly, detection from the name and from the content both off.
std::unique_ptr<QImageReader> knownFormatReader(QIODevice *device, ImageFormat format);

} // namespace lis
