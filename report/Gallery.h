#pragma once

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

} // namespace lis
