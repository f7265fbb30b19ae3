#include "widgets/ProgressPainter.h"

#include "widgets/GdiCanvas.h"
#include "widgets/ProgressMath.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <array>

namespace lis {

namespace {

using progress::fillEnd;

constexpr OleColor white = 0xFFFFFF;
constexpr OleColor black = 0x000000;
constexpr OleColor lightGrey = 0xC0C0C0;
constexpr OleColor darkRed = 0x000040;

constexpr int segmentInset = 3;
constexpr int blockStep = 8; // 6-pixel blocks and 2-pixel gaps
constexpr int blockWidth = 6;

struct Client
{
    int left = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
};

// The rounded outline of the segmented and glass styles.
void drawSegmentedFrame(GdiCanvas &canvas, Client c)
{
    const int l = c.left;
    const int r = c.right - 1;
    const int b = c.bottom - 1;
    if (r - l < 4 || b < 4)
        return;
    canvas.line(l + 2, 0, r - 1, 0, 0x686868);
    canvas.line(l + 2, b, r - 1, b, 0x686868);
    canvas.line(l, 2, l, b - 1, 0x686868);
    canvas.line(r, 2, r, b - 1, 0x686868);
    canvas.line(l + 2, 1, r - 1, 1, 0xEFEFEF);
    canvas.line(l + 1, 2, l + 1, b - 1, 0xEFEFEF);
    canvas.line(l + 2, b - 1, r - 1, b - 1, 0xA6ABAC);
    canvas.line(r - 1, 2, r - 1, b - 1, 0xA7ABAC);
    for (const auto &[x, y, dx, dy] : { std::array { l, 0, 1, 1 }, std::array { r, 0, -1, 1 },
             std::array { l, b, 1, -1 }, std::array { r, b, -1, -1 } }) {
        canvas.setPixel(x, y, white);
        canvas.setPixel(x + dx, y, 0xBEBEBE);
        canvas.setPixel(x, y + dy, 0xBEBEBE);
        canvas.setPixel(x + dx, y + dy, dy > 0 ? 0x7D7E7F : 0x777777);
    }
}

// One block (or the continuous run) of the segmented styles: saturated in the middle, lighter
// towards both long edges.
void drawBlock(GdiCanvas &canvas, QRect block, OleColor color, bool vertical)
{
    const OleColor edge = lighten(color, 150);
    if (!vertical) {
        const int mid = block.top() + block.height() / 2;
        canvas.verticalBand(block.left(), block.top(), block.right() + 1, mid, edge, color);
        canvas.verticalBand(block.left(), mid, block.right() + 1, block.bottom() + 1, color, edge);
        return;
    }
    const int mid = block.left() + block.width() / 2;
    const int span = std::max(1, block.width() - 1);
    for (int x = block.left(); x <= block.right(); ++x) {
        const int i = x - block.left();
        const OleColor c = x < mid ? progress::gradientColor(edge, color, span / 2 + 1, i)
                                   : progress::gradientColor(color, edge, span / 2 + 1, x - mid);
        canvas.line(x, block.top(), x, block.bottom() + 1, c);
    }
}

void drawSegmented(GdiCanvas &canvas, const ProgressBarLook &look, Client c)
{
    const bool blocks = look.scrolling != 1 && look.scrolling != 2;
    const int step = blocks ? blockStep : 2;
    const int run = blocks ? blockWidth : step;
    const int top = segmentInset;
    const int bottom = c.bottom - segmentInset;
    if (look.orientation == 0) {
        const int start = c.left + segmentInset;
        const int limit = c.right - segmentInset;
        const int end
            = std::min(limit, progress::segmentedFillEnd(look.percent, start, limit - start, step));
        for (int x = start; x < end; x += step)
            drawBlock(canvas, QRect(QPoint(x, top), QPoint(std::min(x + run, end) - 1, bottom - 1)),
                look.color, false);
    } else {
        const int start = c.bottom - segmentInset;
        const int length = start - top;
        const int end
            = std::max(top, start - (progress::segmentedFillEnd(look.percent, 0, length, step)));
        for (int y = start; y > end; y -= step)
            drawBlock(canvas,
                QRect(QPoint(c.left + segmentInset, std::max(y - run, end)),
                    QPoint(c.right - segmentInset - 1, y - 1)),
                look.color, true);
    }
    drawSegmentedFrame(canvas, c);
}

void drawGlass(GdiCanvas &canvas, const ProgressBarLook &look, Client c)
{
    const int left = c.left + segmentInset + 1;
    const int right = c.right - segmentInset;
    const int half = c.bottom / 2;
    canvas.verticalBand(left, 1, right, half, white, lightGrey);
    canvas.fillRect(left, half, right, c.bottom - 1, lightGrey);
    const int end = std::min(right, fillEnd(look.percent, c.width(), 100) + c.left);
    const OleColor color = look.color;
    canvas.verticalBand(left, 1, end, half, lighten(color, 150), blend(color, black, 180));
    canvas.verticalBand(left, half, end, c.bottom - 1, blend(color, black, 190), color);
    drawSegmentedFrame(canvas, Client { c.left + segmentInset, c.right, c.bottom });
}

Qt::BrushStyle hatchPattern(int brushStyle)
{
    switch (brushStyle) {
    case 0:
        return Qt::HorPattern;
    case 1:
        return Qt::VerPattern;
    case 2:
        return Qt::FDiagPattern;
    case 3:
        return Qt::BDiagPattern;
    case 4:
        return Qt::CrossPattern;
    case 5:
        return Qt::DiagCrossPattern;
    default:
        return Qt::NoBrush;
    }
}

void drawStyle(GdiCanvas &canvas, const ProgressBarLook &look, Client c)
{
    const OleColor color = look.color;
    const int p = look.percent;
    const int end101 = fillEnd(p, c.width(), 101) + c.left;
    switch (look.scrolling) {
    case 3: {
        canvas.frameRect(c.left, 0, c.right, c.bottom, lighten(color, 100));
        const QRect fill = progress::style3FillRect(p, c.width(), c.bottom);
        canvas.fillRect(
            fill.left(), fill.top(), fill.right() + 1, fill.bottom() + 1, lighten(color, 180));
        break;
    }
    case 4:
        canvas.drawEdge(c.left, 0, c.right, c.bottom, 6);
        canvas.gradient(lighten(color, 140), lighten(color, 200), 2, 2,
            fillEnd(p, c.width() - 4, 100) + c.left, c.bottom - 3, true);
        break;
    case 5:
        canvas.frameRect(c.left, 0, c.right, c.bottom, lighten(color, 10));
        canvas.gradient(color, lighten(color, 100), 2, 2, c.right - 2, c.bottom - 5, false);
        canvas.gradient(lighten(color, 250), color, 3, 3, end101, c.bottom - 6, false);
        canvas.line(end101, 2, end101, c.bottom - 2, lighten(color, 25));
        break;
    case 6:
        canvas.frameRect(c.left, 0, c.right, c.bottom, blend(color, black, 200));
        canvas.gradient(black, lighten(blend(color, black, 100), 10), 2, 2,
            fillEnd(p, c.width() - 5, 100) + c.left, c.bottom - 2, true);
        break;
    case 7: {
        canvas.drawEdge(c.left, 0, c.right, c.bottom, 9);
        canvas.fillRect(2, 2, end101, c.bottom - 2, lighten(color, 140));
        const Qt::BrushStyle pattern = hatchPattern(look.brushStyle);
        if (pattern != Qt::NoBrush) {
            canvas.painter().setBrushOrigin(0, 0);
            canvas.fillRect(2, 2, end101, c.bottom - 2, QBrush(toQColor(color), pattern));
        }
        break;
    }
    case 8:
        canvas.drawEdge(c.left, 0, c.right, c.bottom, 2);
        if (!look.image.isNull()) {
            canvas.painter().setBrushOrigin(0, 0);
            canvas.fillRect(2, 2, 2 + end101, 2 + c.bottom - 4, QBrush(look.image));
        }
        break;
    case 9:
        drawGlass(canvas, look, c);
        break;
    default:
        drawSegmented(canvas, look, c);
        break;
    }
}

void drawText(QPainter &painter, const ProgressBarLook &look, Client c)
{
    const QString text = progressText(look.percent, look.scrolling);
    painter.save();
    painter.setFont(look.font);
    const QFontMetrics metrics(look.font);
    const QRect rect
        = progress::centredTextRect(metrics.size(Qt::TextSingleLine, text), c.right, c.bottom);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    const bool twoTone = look.scrolling == 6 || look.scrolling == 9;
    const double fillWidth = look.percent / 100.0 * c.right;
    const OleColor textColor = look.scrolling == 6 ? lightGrey : darkRed;
    if (!twoTone || fillWidth <= rect.left() + rect.width()) {
        painter.setPen(toQColor(textColor));
        painter.drawText(rect, flags, text);
    }
    if (twoTone && fillWidth >= rect.left()) {
        // Where the text lies over the fill it is drawn again in a colour that reads on the fill.
        const int clipRight = roundHalfEven(fillWidth);
        painter.setClipRect(
            QRect(QPoint(rect.left(), rect.top()), QPoint(clipRight - 1, rect.bottom())));
        painter.setPen(toQColor(look.scrolling == 6 ? lighten(look.color, 80) : white));
        painter.drawText(rect, flags, text);
    }
    painter.restore();
}

} // namespace

QString progressText(int percent, int scrolling)
{
    if (scrolling == 2)
        return QStringLiteral("Gathering Required Information");
    return QString::number(percent) + QStringLiteral(" %");
}

void DrawProgressBar(QPainter &painter, const QPalette &palette, QSize client, ProgressBarLook look)
{
    look.percent = std::min(look.percent, 100);
    const Client c { 0, client.width(), client.height() };
    GdiCanvas canvas(painter, palette);
    canvas.fillRect(0, 0, c.right, c.bottom, look.scrolling == 6 ? black : white);
    drawStyle(canvas, look, c);
    if (look.showText)
        drawText(painter, look, c);
}

} // namespace lis
