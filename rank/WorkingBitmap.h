#pragma once

#include "core/AppPaths.h"
#include "rank/ImageProblem.h"
#include "rank/ImageSignature.h"
#include "rank/JpegLineage.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

namespace lis {

// A working bitmap wider than this is fitted into a square of this side.
inline constexpr int kWorkingBitmapBox = 500;

// True when the last three characters of the name are exactly "bmp" or "BMP".
bool BMPFileCheck(const QString &fileName);
// True when the picture loader can read the file (whatever its name says).
bool BMPCheck(const QString &path);

// What a source file looked like when it was read: a file prepared ahead is prepared again when
// it has changed, been replaced or gone by the time its turn comes.
struct SourceStamp
{
    bool isFile = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0; // also moves on a change of permissions
    bool operator==(const SourceStamp &) const = default;
};
SourceStamp stampSource(const QString &path);

// The working bitmap of one found file, made in memory from the source alone, so it can be
// prepared ahead on another thread and written to the fixed working path in list order.
struct PreparedBitmap
{
    ImageProblem problem = ImageProblem::None;
    QByteArray bitmap; // the BMP bytes of the working bitmap
    QSize size; // its pixel size
    bool copiedSource = false; // a BMP source taken over unchanged, byte for byte
    SourceStamp source; // the source as it was opened (its descriptor's status)
    // The signature of the working bitmap's picture, made while it is at hand.
    std::optional<ImageSignature> signature;
    // When the photo was taken (ms on the camera's clock), from its EXIF header when it makes
    // sense.
    std::optional<qint64> captureTime;
    // Whether a JPEG source was coded again from another JPEG, from the first rows of its coded
    // data.
    JpegLineage lineage = JpegLineage::Unknown;
    bool ok() const { return problem == ImageProblem::None; }

    static PreparedBitmap failed(ImageProblem why)
    {
        PreparedBitmap prepared;
        prepared.problem = why;
        return prepared;
    }
    static PreparedBitmap made(QByteArray bitmap, const QImage &picture, bool copiedSource)
    {
        PreparedBitmap prepared;
        prepared.bitmap = std::move(bitmap);
        prepared.size = picture.size();
        prepared.copiedSource = copiedSource;
        prepared.signature = signatureOf(picture);
        return prepared;
    }
};

// Converts and scales in one pass: a BMP source that the loader reads and that is at most 500
// pixels wide is taken byte for byte; any other readable source becomes a 24-bit BMP, fitted into
// 500 x 500 when its upright width is more than 500. The source is only read.
PreparedBitmap prepareBitmap(const QString &source);

// A file of the program's own that could not be written, and why.
struct WriteFailure
{
    QString path;
    int error = 0; // errno
    QString reason() const; // the system's text for the error
};

// Removes the working bitmap and a scratch bitmap left by an earlier failure, so a file that
// cannot be prepared never inherits the previous file's picture.
void clearWorkingBitmap(const AppPaths &paths);

// Writes the prepared bytes to the working bitmap; a partial file is removed.
std::optional<WriteFailure> writeWorkingBitmap(const AppPaths &paths, const QByteArray &bitmap);

// Writes the results copy (the working bitmap's bytes) at the given path, replacing a file of
// that name and leaving no partial file.
std::optional<WriteFailure> writeResultsCopy(const QString &copyPath, const QByteArray &bitmap);

// Prepares one source into the working bitmap and writes its results copy: the whole
// preparation of one found file for callers that need no yields in between
// (ImageProblem::WriteFailed when a file of the program's own could not be written).
ImageProblem prepareWorkingBitmap(
    const AppPaths &paths, const QString &source, const QString &resultsCopyPath);

} // namespace lis
