#include "widgets/GdiCanvas.h"

#include "widgets/ProgressMath.h"

#include <QPainter>
#include <algorithm>

namespace lis {

GdiCanvas::GdiCanvas(QPainter &painter, const QPalette &palette)
    : m_painter(painter)
    , m_palette(palette)
{ }

void GdiCanvas::fillRect(int left, int top, int right, int bottom, OleColor rgb)
{
    fillRect(left, top, right, bottom, QBrush(toQColor(rgb)));
}

void GdiCanvas::fillRect(int left, int top, int right, int bottom, const QBrush &brush)
{
    if (right <= left || bottom <= top)
        return;
    m_painter.fillRect(QRect(left, top, right - left, bottom - top), brush);
}

void GdiCanvas::frameRect(int left, int top, int right, int bottom, OleColor rgb)
{
    if (right <= left || bottom <= top)
        return;
    fillRect(left, top, right, top + 1, rgb);
    fillRect(left, bottom - 1, right, bottom, rgb);
    fillRect(left, top, left + 1, bottom, rgb);
    fillRect(right - 1, top, right, bottom, rgb);
}

void GdiCanvas::setPixel(int x, int y, OleColor rgb)
{
    fillRect(x, y, x + 1, y + 1, rgb);
}

void GdiCanvas::line(int x1, int y1, int x2, int y2, OleColor rgb)
{
    // Straight lines cover [from, to) in their direction of travel.
    if (y1 == y2) {
        if (x1 < x2)
            fillRect(x1, y1, x2, y1 + 1, rgb);
        else if (x1 > x2)
            fillRect(x2 + 1, y1, x1 + 1, y1 + 1, rgb);
        return;
    }
    if (x1 == x2) {
        if (y1 < y2)
            fillRect(x1, y1, x1 + 1, y2, rgb);
        else
            fillRect(x1, y2 + 1, x1 + 1, y1 + 1, rgb);
        return;
    }
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setPen(QPen(toQColor(rgb), 0));
    m_painter.drawLine(x1, y1, x2, y2);
    m_painter.restore();
}

void GdiCanvas::gradient(
    OleColor startColor, OleColor endColor, int x, int y, int width, int height, bool horizontal)
{
    const OleColor start = translateColor(startColor, m_palette);
    const OleColor end = translateColor(endColor, m_palette);
    const int span = horizontal ? width : height;
    for (int i = 0; i <= span; ++i) {
        const OleColor c = progress::gradientColor(start, end, span, i);
        if (horizontal)
            line(x + i, y, x + i, height, c);
        else
            line(x, y + i, width, y + i, c);
    }
}

void GdiCanvas::verticalBand(int left, int top, int right, int bottom, OleColor from, OleColor to)
{
    const int span = bottom - top - 1;
    for (int row = top; row < bottom; ++row)
        line(left, row, right, row, progress::gradientColor(from, to, span, row - top));
}

void GdiCanvas::drawEdge(int left, int top, int right, int bottom, int edge)
{
    struct Ring
    {
        SystemColor topLeft;
        SystemColor bottomRight;
    };
    const auto ring = [this](int l, int t, int r, int b, Ring colors) {
        const OleColor tl = system(colors.topLeft);
        const OleColor br = system(colors.bottomRight);
        fillRect(l, t, r - 1, t + 1, tl);
        fillRect(l, t, l + 1, b - 1, tl);
        fillRect(l, b - 1, r, b, br);
        fillRect(r - 1, t, r, b, br);
    };
    if (edge & 1)
        ring(left, top, right, bottom, { SystemColor::Light3D, SystemColor::DarkShadow3D });
    else if (edge & 2)
        ring(left, top, right, bottom, { SystemColor::ButtonShadow, SystemColor::ButtonHighlight });
    if (edge & 4)
        ring(left + 1, top + 1, right - 1, bottom - 1,
            { SystemColor::ButtonHighlight, SystemColor::ButtonShadow });
    else if (edge & 8)
        ring(left + 1, top + 1, right - 1, bottom - 1,
            { SystemColor::DarkShadow3D, SystemColor::Light3D });
}

OleColor GdiCanvas::system(SystemColor index) const
{
    return translateColor(systemColor(index), m_palette);
}

} // namespace lis
