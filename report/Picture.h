#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

class QPainter;

namespace lis {

// The program's one way of turning an image file into a picture a window can show, and of
// re-rendering a picture at another size. A picture is a QImage; a null image is "no picture".

// What a load gives back: the picture and the image's own pixel size. The size is what the
// report reads after each load; it is kept with the load instead of in shared variables, so a
// failed load can never leave another file's size behind.
struct LoadedPicture
{
    QImage picture; // opaque, transparent areas filled with the back colour; null on failure
    QSize size; // the image's own (upright) size; invalid on failure

    bool isNull() const { return picture.isNull(); }
};

// Larger images are decoded reduced to fit this many pixels, so a hostile header cannot make
// the loader allocate gigabytes. LoadedPicture::size still reports the image's own size.
inline constexpr qint64 maxDecodedPixels = 64LL * 1024 * 1024;

// Rounds to the nearest integer, halves to the even neighbour (36.5 → 36, 37.5 → 38).
int roundHalfToEven(double value);

// Where an image of the given size is drawn when it is fitted into a box: scaled without
// distortion and centred, all arithmetic rounded halves to even. An empty image or box gives
// an empty rectangle.
QRect fittedRect(QSize image, QSize box);

// Decodes a file at its own size (photos upright). Missing, empty, unsupported or damaged
// files give no picture and no message.
LoadedPicture LoadPictureFile(const QString &path, const QColor &backColour = Qt::white);

// An opaque canvas of the given size filled with the back colour.
QImage CreateCanvas(const QColor &backColour, QSize size);

// Draws an image onto a canvas of the given size: stretched over all of it, or (fit) scaled
// without distortion and centred with the uncovered bands left as they are.
void DrawImageFitted(QPainter &canvas, const QImage &image, QSize size, bool fit);

// Renders a picture into a new one of the given size on the back colour; the source is not
// changed. No picture (or an empty size) gives no picture.
QImage ResizePicture(const QImage &picture, QSize size, const QColor &backColour, bool fit);

} // namespace lis
