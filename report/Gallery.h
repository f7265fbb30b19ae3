#pragma once

#include "rank/ImageProblem.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

namespace lis {

class ResultsCopies;

// A thumbnail box is 2415 by 1335 twips.
inline constexpr int thumbnailWidthTwips = 2415;
inline constexpr int thumbnailHeightTwips = 1335;
inline constexpr double twipsPerPixel = 15.0;

// Twips to pixels, rounded halves to even.
int twipsToPixels(int twips, double perPixel = twipsPerPixel);
// The thumbnail size in pixels: 161 by 89.
QSize thumbnailSize();

// A result's thumbnail: its results copy fitted into the box on white. Found through the run's
// map, never by file name, so two results with the same name show their own pictures. No
// picture when the result has no copy or the copy cannot be decoded.
QImage loadThumbnail(
    const ResultsCopies &copies, const QString &resultPath, QSize box = thumbnailSize());

// The picture to preview for the result at a 1-based position (0 = an empty slot): its results
// copy at its own size, when the result file itself still exists. No picture otherwise.
QImage previewPicture(const QStringList &list1, int position, const ResultsCopies &copies);

// Puts the preview of a position on the clipboard, replacing what was there, and tells whether
// it did. When no picture loads the clipboard is left untouched, so the picture window is only
// opened for a picture it can show.
bool putPreviewOnClipboard(const QStringList &list1, int position, const ResultsCopies &copies);

// A result's original picture at its own pixels, upright, transparent parts shown over white; or
// why there is none.
struct OriginalPicture
{
    QImage picture; // Format_RGB32; null when `problem` says why not
    ImageProblem problem = ImageProblem::None;
};

// Reads a result's original file for viewing at actual pixels. The file is opened once without
// blocking and read through that descriptor, only as one of the five ranked formats; what the
// decoding will take (the picture, its upright and opaque copies, libjpeg's coefficient buffers
// of a multi-scan JPEG) is worked out from the headers first, and a picture that would take
// more than the program's limit for one picture is refused as too large before it is decoded.
OriginalPicture loadOriginalPicture(const QString &path);

} // namespace lis
