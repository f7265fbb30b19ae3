#include "widgets/ButtonPainter.h"

#include "widgets/GdiCanvas.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>

namespace lis {

namespace {

// Colours of the standard push button, written 0xBBGGRR.
namespace std5 {
constexpr OleColor border = 0x743C00;
constexpr OleColor cornerInner = 0x906E48;
constexpr OleColor cornerEdge = 0xA28B6A;
constexpr OleColor cornerOuter = 0xCAC7BF;
constexpr OleColor disabledFace = 0xEAF4F5;
constexpr OleColor disabledBorder = 0xBAC7C9;
constexpr OleColor disabledCorner = 0xC7D5D8;
} // namespace std5

struct Band
{
    OleColor from;
    OleColor to;
};

// The four lines of a hot or focus frame, top to bottom, and its side gradient.
struct InnerFrame
{
    OleColor top1, top2, bottom1, bottom2;
    Band sides;
};

constexpr InnerFrame hotFrame { 0xCFF0FF, 0x89D8FD, 0x30B3F8, 0x1097E5, { 0x89D8FD, 0x30B3F8 } };
constexpr InnerFrame focusFrame { 0xFFE7CE, 0xF6D4BC, 0xE4AD89, 0xEE8269, { 0xF6D4BC, 0xE4AD89 } };

void drawCorners(GdiCanvas &canvas, int w, int h, OleColor inner, OleColor edge, OleColor outer)
{
    const int r = w - 1;
    const int b = h - 1;
    for (const auto &[x, y, dx, dy] : { std::array { 0, 0, 1, 1 }, std::array { r, 0, -1, 1 },
             std::array { 0, b, 1, -1 }, std::array { r, b, -1, -1 } }) {
        canvas.setPixel(x, y, outer);
        canvas.setPixel(x + dx, y, outer);
        canvas.setPixel(x, y + dy, outer);
        canvas.setPixel(x + dx, y + dy, inner);
        if (edge != outer) {
            canvas.setPixel(x + 2 * dx, y, edge);
            canvas.setPixel(x, y + 2 * dy, edge);
        }
    }
}

void drawRoundedBorder(GdiCanvas &canvas, int w, int h, OleColor color)
{
    canvas.line(2, 0, w - 2, 0, color);
    canvas.line(2, h - 1, w - 2, h - 1, color);
    canvas.line(0, 2, 0, h - 2, color);
    canvas.line(w - 1, 2, w - 1, h - 2, color);
}

void drawInnerFrame(GdiCanvas &canvas, int w, int h, const InnerFrame &f)
{
    canvas.line(2, 1, w - 2, 1, f.top1);
    canvas.line(1, 2, w - 1, 2, f.top2);
    canvas.line(1, h - 3, w - 1, h - 3, f.bottom1);
    canvas.line(2, h - 2, w - 2, h - 2, f.bottom2);
    for (const int x : { 1, 2, w - 3, w - 2 })
        canvas.verticalBand(x, 3, x + 1, h - 3, f.sides.from, f.sides.to);
}

void drawStandard(GdiCanvas &canvas, const ButtonLook &look)
{
    const int w = look.size.width();
    const int h = look.size.height();
    canvas.fillRect(0, 0, w, h, canvas.system(SystemColor::ButtonFace));
    if (w < 6 || h < 9)
        return;
    if (look.state == ButtonState::Disabled) {
        canvas.fillRect(1, 1, w - 1, h - 1, std5::disabledFace);
        drawRoundedBorder(canvas, w, h, std5::disabledBorder);
        drawCorners(canvas, w, h, std5::disabledBorder, std5::disabledCorner, std5::disabledCorner);
        return;
    }
    if (look.state == ButtonState::Down) {
        canvas.verticalBand(1, 1, w - 1, 5, 0xC1CCD1, 0xDCE3E4);
        canvas.verticalBand(1, 5, w - 1, h - 4, 0xDCE3E4, 0xDBE2E3);
        canvas.verticalBand(1, h - 4, w - 1, h - 1, 0xDBE2E3, 0xEEF1F2);
        canvas.verticalBand(1, 1, 3, h - 1, 0xCED8DA, 0xDBE2E3);
    } else if (look.useCustomColors) {
        canvas.verticalBand(1, 1, w - 1, h - 1, lighten(look.backColor, 120), look.backColor);
    } else {
        canvas.verticalBand(1, 1, w - 1, 5, 0xFBFCFC, 0xF0F0F0);
        canvas.verticalBand(1, 5, w - 1, h - 4, 0xF9FAFA, 0xEAF0F0);
        canvas.verticalBand(1, h - 4, w - 1, h - 1, 0xE6EBEB, 0xC5D0D6);
        canvas.verticalBand(1, 1, 2, h - 1, 0xFAFBFB, 0xDAE2E4);
        canvas.verticalBand(w - 2, 1, w - 1, h - 1, 0xF2F4F5, 0xCDD7DB);
    }
    drawRoundedBorder(canvas, w, h, std5::border);
    drawCorners(canvas, w, h, std5::cornerInner, std5::cornerEdge, std5::cornerOuter);
    if (look.state == ButtonState::Hot) {
        if (look.useCustomColors) {
            const OleColor c = look.highlightColor;
            drawInnerFrame(canvas, w, h,
                { lighten(c, 200), lighten(c, 120), c, blend(c, 0, 200), { lighten(c, 120), c } });
        } else {
            drawInnerFrame(canvas, w, h, hotFrame);
        }
    } else if (look.isDefault || (look.state == ButtonState::Normal && look.focused)) {
        drawInnerFrame(canvas, w, h, focusFrame);
    }
}

OleColor faceColor(GdiCanvas &canvas, const ButtonLook &look)
{
    if (!look.useCustomColors)
        return canvas.system(SystemColor::ButtonFace);
    return look.state == ButtonState::Normal ? look.backColor : look.highlightColor;
}

void drawOwnLook(GdiCanvas &canvas, const ButtonLook &look)
{
    const int w = look.size.width();
    const int h = look.size.height();
    const bool down = look.state == ButtonState::Down;
    const bool hot = look.state == ButtonState::Hot;
    const OleColor face = faceColor(canvas, look);
    const OleColor shadow = canvas.system(SystemColor::ButtonShadow);
    const OleColor highlight
        = look.useCustomColors ? look.highlightColor : canvas.system(SystemColor::Highlight);
    switch (look.style) {
    case 0:
        canvas.fillRect(0, 0, w, h, face);
        canvas.frameRect(0, 0, w, h, shadow);
        break;
    case 1:
        canvas.fillRect(0, 0, w, h, canvas.system(SystemColor::ButtonFace));
        canvas.drawEdge(0, 0, w, h, down ? 10 : 5);
        break;
    case 2:
        canvas.verticalBand(
            0, 0, w, h, down ? face : lighten(face, 140), down ? lighten(face, 140) : face);
        canvas.drawEdge(0, 0, w, h, down ? 2 : 1);
        break;
    case 3: {
        const OleColor back
            = look.useCustomColors ? look.backColor : canvas.system(SystemColor::ButtonFace);
        const OleColor top = hot || down ? lighten(highlight, 160) : lighten(back, 120);
        canvas.verticalBand(1, 1, w - 1, h - 1, down ? back : top, down ? top : back);
        drawRoundedBorder(canvas, w, h, shadow);
        drawCorners(canvas, w, h, shadow, shadow, canvas.system(SystemColor::ButtonFace));
        canvas.line(2, 1, w - 2, 1, canvas.system(SystemColor::Window));
        break;
    }
    case 4:
        canvas.fillRect(0, 0, w, h, face);
        if (hot || down)
            canvas.drawEdge(0, 0, w, h, down ? 2 : 4);
        break;
    case 7:
        canvas.fillRect(0, 0, w, h,
            down      ? lighten(highlight, 120)
                : hot ? lighten(highlight, 190)
                      : face);
        canvas.frameRect(0, 0, w, h, hot || down ? highlight : shadow);
        break;
    case 8:
    case 9: {
        const int half = h / 2;
        const OleColor base = look.style == 8 ? highlight : 0xC0C0C0;
        const OleColor light = lighten(base, down ? 90 : hot ? 170 : 140);
        canvas.verticalBand(0, 0, w, half, 0xFFFFFF, light);
        canvas.verticalBand(0, half, w, h, down ? base : lighten(base, 60), light);
        canvas.frameRect(0, 0, w, h, blend(base, 0, 150));
        break;
    }
    default: { // 10: a pill
        canvas.verticalBand(0, 0, w, h, lighten(face, hot ? 170 : 120), down ? shadow : face);
        QPainter &p = canvas.painter();
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(toQColor(hot || down ? highlight : shadow));
        p.setBrush(Qt::NoBrush);
        const qreal radius = (h - 1) / 2.0;
        p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), radius, radius);
        p.restore();
        break;
    }
    }
}

} // namespace

int effectiveButtonStyle(int style, int nonThemeStyle)
{
    if (style != 6)
        return std::clamp(style, 0, 10);
    if (nonThemeStyle == 6 || nonThemeStyle < 0 || nonThemeStyle > 10)
        return 5;
    return nonThemeStyle;
}

int iconMargin(int style)
{
    switch (style) {
    case 7:
    case 8:
        return 4;
    case 9:
        return 6;
    case 10:
        return 7;
    default:
        return 3;
    }
}

QPoint iconPosition(int iconAlign, QSize button, int iconSize, int margin)
{
    const int w = button.width();
    const int h = button.height();
    const int midX = roundHalfEven((w - iconSize) / 2.0);
    const int midY = roundHalfEven((h - iconSize) / 2.0);
    switch (iconAlign) {
    case 1:
        return { margin, midY };
    case 2:
        return { w - iconSize - margin, midY };
    case 3:
        return { midX, margin };
    case 4:
        return { midX, h - iconSize - margin };
    default:
        return { midX, midY };
    }
}

QRect captionRect(QSize button, bool hasIcon, int iconAlign, int iconSize, int margin)
{
    QRect rect(QPoint(4, 4), QPoint(button.width() - 5, button.height() - 5));
    if (!hasIcon)
        return rect;
    const int taken = iconSize + margin;
    switch (iconAlign) {
    case 1:
        rect.setLeft(std::max(rect.left(), taken + 2));
        break;
    case 2:
        rect.setRight(std::min(rect.right(), button.width() - taken - 3));
        break;
    case 3:
        rect.setTop(std::max(rect.top(), taken + 1));
        break;
    case 4:
        rect.setBottom(std::min(rect.bottom(), button.height() - taken - 2));
        break;
    default:
        break;
    }
    return rect;
}

int captionFlags(int captionAlign)
{
    const int common = Qt::TextWordWrap | Qt::TextShowMnemonic;
    switch (captionAlign) {
    case 1:
        return common | Qt::AlignLeft | Qt::AlignVCenter;
    case 2:
        return common | Qt::AlignRight | Qt::AlignVCenter;
    case 3:
        return common | Qt::AlignHCenter | Qt::AlignTop;
    case 4:
        return common | Qt::AlignHCenter | Qt::AlignBottom;
    default:
        return common | Qt::AlignCenter;
    }
}

void drawButtonLook(QPainter &painter, const QPalette &palette, const ButtonLook &look)
{
    GdiCanvas canvas(painter, palette);
    if (look.style == 5)
        drawStandard(canvas, look);
    else
        drawOwnLook(canvas, look);
}

QRegion buttonRegion(int style, QSize size)
{
    const QRect whole(QPoint(0, 0), size);
    const int w = size.width();
    const int h = size.height();
    if (w < 4 || h < 4)
        return QRegion(whole);
    switch (style) {
    case 5:
    case 7: {
        QRegion region(whole);
        for (const QPoint corner :
            { QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1) })
            region -= QRegion(corner.x(), corner.y(), 1, 1);
        return region;
    }
    case 8:
    case 9:
    case 10: {
        const qreal radius = style == 10 ? h / 2.0 : 4.0;
        QPainterPath path;
        path.addRoundedRect(QRectF(whole), radius, radius);
        return QRegion(path.toFillPolygon().toPolygon());
    }
    default:
        return QRegion(whole);
    }
}

QImage grayscale(const QImage &image)
{
    QImage grey = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const QRgb px = line[x];
            const int value = std::clamp(
                roundHalfEven(qRed(px) / 3.0 + qGreen(px) / 3.0 + qBlue(px) / 3.0), 0, 255);
            line[x] = qRgba(value, value, value, qAlpha(px));
        }
    }
    return grey;
}

bool PaintIconGrayscale(QPainter *painter, const QPixmap &icon, int x, int y, int height, int width)
{
    if (!painter || !painter->isActive() || icon.isNull() || width < 1 || height < 1)
        return false;
    const QImage grey = grayscale(icon.toImage());
    if (grey.isNull())
        return false;
    painter->drawImage(QRect(x, y, width, height), grey);
    return true;
}

} // namespace lis
