#include "widgets/XP_ProgressBar.h"

#include "widgets/ProgressMath.h"
#include "widgets/ProgressPainter.h"

#include <QPainter>
#include <QResizeEvent>
#include <algorithm>

namespace lis {

XP_ProgressBar::XP_ProgressBar(QWidget *parent)
    : QWidget(parent)
    , m_color(translateColor(defaultColor, palette()))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::white);
    setPalette(background);
}

XP_ProgressBar::~XP_ProgressBar() = default;

void XP_ProgressBar::setValue(int value)
{
    // Every value is drawn at once, and drawing caps the fill at 100: the cap is kept.
    if (const auto percent = progress::percentForValue(value, m_max, m_min))
        m_percent = std::min(*percent, 100);
    update();
}

int XP_ProgressBar::value() const
{
    return progress::valueForPercent(m_percent, m_max, m_min);
}

void XP_ProgressBar::setColor(OleColor color)
{
    m_color = translateColor(color, palette());
    update();
}

void XP_ProgressBar::setScrolling(int style)
{
    m_scrolling = style;
    update();
}

void XP_ProgressBar::setOrientation(int orientation)
{
    m_orientation = orientation;
    update();
}

void XP_ProgressBar::setShowText(bool show)
{
    m_showText = show;
    update();
}

void XP_ProgressBar::setImage(const QImage &image)
{
    m_image = image;
    update();
}

void XP_ProgressBar::readProperties(const PropertyBag &bag)
{
    if (bag.contains(QStringLiteral("Font")))
        setFont(bag.read<QFont>(QStringLiteral("Font"), font()));
    setBrushStyle(bag.read<int>(QStringLiteral("BrushStyle"), 4));
    setColor(bag.read<quint32>(QStringLiteral("Color"), defaultColor));
    setImage(bag.read<QImage>(QStringLiteral("Image"), QImage()));
    setMax(bag.read<int>(QStringLiteral("Max"), 100));
    setMin(bag.read<int>(QStringLiteral("Min"), 0));
    setOrientation(bag.read<int>(QStringLiteral("Orientation"), 0));
    setScrolling(bag.read<int>(QStringLiteral("Scrolling"), 0));
    setShowText(bag.read<bool>(QStringLiteral("ShowText"), false));
    setValue(bag.read<int>(QStringLiteral("Value"), 0));
}

PropertyBag XP_ProgressBar::writeProperties() const
{
    PropertyBag bag;
    bag.write(QStringLiteral("Font"), font());
    bag.write(QStringLiteral("BrushStyle"), m_brushStyle, 4);
    bag.write(QStringLiteral("Color"), m_color, translateColor(defaultColor, palette()));
    if (!m_image.isNull())
        bag.write(QStringLiteral("Image"), m_image);
    bag.write(QStringLiteral("Max"), m_max, 100);
    bag.write(QStringLiteral("Min"), m_min, 0);
    bag.write(QStringLiteral("Orientation"), m_orientation, 0);
    bag.write(QStringLiteral("Scrolling"), m_scrolling, 0);
    bag.write(QStringLiteral("ShowText"), m_showText, false);
    bag.write(QStringLiteral("Value"), value(), 0);
    return bag;
}

QImage XP_ProgressBar::renderImage() const
{
    QImage image(size(), QImage::Format_RGB32);
    if (image.isNull())
        return image;
    QPainter painter(&image);
    DrawProgressBar(painter, palette(), size(),
        { m_percent, m_color, m_scrolling, m_orientation, m_brushStyle, m_showText, font(),
            m_image });
    return image;
}

void XP_ProgressBar::ensureBuffer()
{
    // The buffer is reused across drawings and only ever grows.
    const QSize needed = size().expandedTo(m_buffer.size());
    if (needed == m_buffer.size() || needed.isEmpty())
        return;
    m_buffer = QImage(needed, QImage::Format_RGB32);
}

void XP_ProgressBar::resizeEvent(QResizeEvent *event)
{
    ensureBuffer();
    QWidget::resizeEvent(event);
}

void XP_ProgressBar::paintEvent(QPaintEvent *)
{
    const ProgressBarLook look { m_percent, m_color, m_scrolling, m_orientation, m_brushStyle,
        m_showText, font(), m_image };
    ensureBuffer();
    if (m_buffer.isNull()) {
        // No buffer could be made: draw straight onto the control.
        QPainter direct(this);
        DrawProgressBar(direct, palette(), size(), look);
        return;
    }
    {
        QPainter buffered(&m_buffer);
        buffered.setClipRect(rect());
        DrawProgressBar(buffered, palette(), size(), look);
    }
    QPainter screen(this);
    screen.drawImage(QPoint(0, 0), m_buffer, rect());
}

} // namespace lis
