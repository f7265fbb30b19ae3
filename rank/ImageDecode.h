#pragma once

#include "rank/ImageFormat.h"
#include "rank/ImageProblem.h"
#include "rank/MemoryBudget.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <memory>
#include <optional>

class QIODevice;

namespace lis {

class UserFile;

// The largest picture the preparation step decodes, in pixels after any reduced-size decode.
// Larger headers are refused before anything is allocated.
inline constexpr qint64 kMaxDecodedPixels = qint64(64) * 1024 * 1024;
// The largest working bitmap: 500 pixels wide and about 16,700 high (24 MiB as a BMP). Only a
// picture at most 500 pixels wide can come near it, since wider ones are fitted into 500 x 500.
inline constexpr qint64 kMaxWorkingBitmapPixels = qint64(8) * 1024 * 1024;
// What decoding one picture may take at most, all of it counted: the source bytes held in memory,
// libjpeg's coefficient buffers, the decoded picture, its upright or opaque copy, the fitted copy
// and its BMP. Larger pictures are refused as too large, before anything large is allocated.
inline constexpr qint64 kMaxDecodeBytes = qint64(384) * 1024 * 1024;
// What all pictures being decoded at once may take together.
inline constexpr qint64 kPreparationBudgetBytes = qint64(512) * 1024 * 1024;

// The budget every preparation of this process reserves from.
MemoryBudget &preparationBudget();

// Where a picture's bytes are: a file of the user's, read through the descriptor it was opened
// and checked with, or bytes already in memory. Its format is decided from the leading bytes.
class ImageSource
{
public:
    explicit ImageSource(const UserFile &file); // the file must outlive the source
    explicit ImageSource(QByteArray bytes);

    ImageFormat format() const { return m_format; }
    qint64 size() const;
    std::optional<QByteArray> read(qint64 offset, qint64 count) const;
    // Every byte; nothing on a read error or when a file's size changed since it was opened.
    std::optional<QByteArray> readAll() const;
    // A device reading from the start, for Qt's readers; it must not outlive the source.
    std::unique_ptr<QIODevice> device() const;

private:
    const UserFile *m_file = nullptr;
    QByteArray m_bytes;
    ImageFormat m_format = ImageFormat::Unknown;
};

// An upright picture, already fitted into its box, or the reason there is none. The picture's
// share of the budget is held until this goes away.
struct DecodedImage
{
    QImage image; // Format_RGB32 when decoded
    ImageProblem problem = ImageProblem::None;
    MemoryBudget::Reservation memory;

    static DecodedImage failed(ImageProblem why)
    {
        DecodedImage decoded;
        decoded.problem = why;
        return decoded;
    }
};

// The size a picture of `size` has after being fitted into a square of `box` pixels keeping its
// aspect ratio, rounded to the nearest pixel and at least 1 by 1. Only called for pictures wider
// than the box.
QSize fitInto(QSize size, int box);

// Decodes a picture of one of the five ranked formats (anything else is unsupported, whatever
// its name), turns it upright by its EXIF orientation and, when it is then wider than `box`,
// fits it into `box` x `box` with an area-averaging downscale. JPEG data is decoded straight at
// a reduced size where that keeps enough pixels, and damaged JPEG data is refused rather than
// filled in. What the decoding will take is worked out from the headers first and reserved from
// `budget`; a picture that would take more than kMaxDecodeBytes is refused as too large.
DecodedImage decodeFitted(const ImageSource &source, int box, MemoryBudget &budget);
DecodedImage decodeFitted(const QByteArray &data, int box);

// A 24-bit bottom-up BMP of the picture (alpha is dropped).
QByteArray encodeBmp24(const QImage &image);

} // namespace lis
