#pragma once

#include "widgets/OleColor.h"

#include <QPalette>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>

class QPainter;
class QPixmap;

namespace lis {

// The button's run-time states; the numbers are the ones the looks are drawn for.
enum class ButtonState { Normal = 1, Hot = 2, Down = 3, Disabled = 4 };

// Everything one look depends on. Colours are RGB.
struct ButtonLook
{
    int style = 5;
    ButtonState state = ButtonState::Normal;
    QSize size;
    bool focused = false;
    bool isDefault = false;
    bool useCustomColors = false;
    OleColor backColor = 0;
    OleColor highlightColor = 0;
};

// Style 6 asks for the desktop's visual style, which is not available here: the look used
// instead is nonThemeStyle (style 5 when that names style 6 itself or is out of range).
int effectiveButtonStyle(int style, int nonThemeStyle);

// Margin between the icon and the edge for a look.
int iconMargin(int style);

// The top-left of an iconSize square placed by iconAlign (0 centred, 1 left, 2 right, 3 top,
// 4 bottom) in a button of the given size.
QPoint iconPosition(int iconAlign, QSize button, int iconSize, int margin);

// The rectangle the caption is laid out in: inset 4 pixels, less the side the icon takes.
QRect captionRect(QSize button, bool hasIcon, int iconAlign, int iconSize, int margin);

// Qt text flags for a caption alignment (0 centre, 1 left, 2 right, 3 top, 4 bottom), word
// wrapping, with the access key underlined.
int captionFlags(int captionAlign);

// Draws the face and outline of a look for its state.
void drawButtonLook(QPainter &painter, const QPalette &palette, const ButtonLook &look);

// The window shape of a look: styles 5 and 7 cut single corner pixels, 8 and 9 round their
// corners, 10 is a pill, every other style is the plain rectangle.
QRegion buttonRegion(int style, QSize size);

// An image in grey: every pixel becomes red / 3 + green / 3 + blue / 3 (rounded half to even)
// in all three channels; transparency is kept.
QImage grayscale(const QImage &image);

// Draws an icon in grey at (x, y) in a width by height square. False when there is nothing to
// draw with or nothing to draw.
bool PaintIconGrayscale(
    QPainter *painter, const QPixmap &icon, int x, int y, int height, int width);

} // namespace lis
