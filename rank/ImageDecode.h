#pragma once

#include "rank/ImageProblem.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace lis {

// The largest picture the preparation step decodes, in pixels after any reduced-size decode.
// Larger headers are refused before anything is allocated.
inline constexpr qint64 kMaxDecodedPixels = qint64(64) * 1024 * 1024;
// Files larger than this are not read into memory at all.
inline constexpr qint64 kMaxSourceBytes = qint64(512) * 1024 * 1024;

// An upright picture, already fitted into its box, or the reason there is none.
struct DecodedImage
{
    QImage image; // Format_RGB32 when decoded
    ImageProblem problem = ImageProblem::None;
};

// The size a picture of `size` has after being fitted into a square of `box` pixels keeping its
// aspect ratio, rounded to the nearest pixel and at least 1 by 1. Only called for pictures wider
// than the box.
QSize fitInto(QSize size, int box);

// Decodes image data (any format Qt or TurboJPEG reads), turns it upright by its EXIF
// orientation and, when it is then wider than `box`, fits it into `box` x `box` with an
// area-averaging downscale. JPEG data is decoded straight at a reduced size where that keeps
// enough pixels, and damaged JPEG data is refused rather than filled in.
DecodedImage decodeFitted(const QByteArray &data, int box);

// The JPEG part of decodeFitted. `handled` is false when TurboJPEG does not take this stream
// (CMYK data, say) and another decoder should try.
struct JpegDecodeResult
{
    DecodedImage decoded;
    bool handled = true;
};
JpegDecodeResult decodeJpegFitted(const QByteArray &data, int box);

bool looksLikeJpeg(const QByteArray &data);

// Qt's GIF reader returns whatever part of a cut-off file it got; a GIF ends with its trailer,
// so a short file is caught here. (BMPs are measured against their header before decoding.)
bool isCutShort(const QByteArray &data);

// A 24-bit bottom-up BMP of the picture (alpha is dropped).
QByteArray encodeBmp24(const QImage &image);

} // namespace lis
