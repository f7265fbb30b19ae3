#pragma once

#include "widgets/OleColor.h"

#include <QPalette>

class QPainter;
class QBrush;

namespace lis {

// Drawing primitives with the platform's pixel rules: rectangles are given as left, top, right,
// bottom with the right and bottom edges excluded, and lines leave out their last pixel. Colours
// are RGB values (0x00BBGGRR).
class GdiCanvas final
{
public:
    GdiCanvas(QPainter &painter, const QPalette &palette);

    void fillRect(int left, int top, int right, int bottom, OleColor rgb);
    void fillRect(int left, int top, int right, int bottom, const QBrush &brush);
    void frameRect(int left, int top, int right, int bottom, OleColor rgb);
    void setPixel(int x, int y, OleColor rgb);
    void line(int x1, int y1, int x2, int y2, OleColor rgb);

    // Lines i = 0..span, span being width (horizontal: vertical lines from (x + i, y) to
    // (x + i, height)) or height (vertical: horizontal lines from (x, y + i) to (width, y + i)).
    void gradient(OleColor startColor, OleColor endColor, int x, int y, int width, int height,
        bool horizontal);

    // A vertical gradient filling rows top..bottom-1 of the columns left..right-1.
    void verticalBand(int left, int top, int right, int bottom, OleColor from, OleColor to);

    // The three-dimensional edges of the desktop: edge is a combination of raised/sunken
    // outer (1, 2) and inner (4, 8) borders; 6 is etched, 9 bump, 5 raised, 10 sunken.
    void drawEdge(int left, int top, int right, int bottom, int edge);

    OleColor system(SystemColor index) const;
    QPainter &painter() { return m_painter; }

private:
    QPainter &m_painter;
    QPalette m_palette;
};

} // namespace lis
