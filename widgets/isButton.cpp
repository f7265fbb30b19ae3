#include "widgets/isButton.h"

#include "widgets/ButtonToolTip.h"

#include <QApplication>
#include <QBitmap>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcutEvent>

namespace lis {

namespace {

Qt::CursorShape cursorFor(int pointer)
{
    switch (pointer) {
    case 1:
        return Qt::ArrowCursor;
    case 2:
        return Qt::CrossCursor;
    case 3:
        return Qt::IBeamCursor;
    case 5:
    case 15:
        return Qt::SizeAllCursor;
    case 6:
        return Qt::SizeBDiagCursor;
    case 7:
        return Qt::SizeVerCursor;
    case 8:
        return Qt::SizeFDiagCursor;
    case 9:
        return Qt::SizeHorCursor;
    case 10:
        return Qt::UpArrowCursor;
    case 11:
        return Qt::WaitCursor;
    case 12:
        return Qt::ForbiddenCursor;
    case 13:
        return Qt::BusyCursor;
    case 14:
        return Qt::WhatsThisCursor;
    default:
        return Qt::ArrowCursor;
    }
}

// The icon's outline in one colour, for the shadow of the flat hot look.
QImage silhouette(const QPixmap &icon, QColor color)
{
    QImage image = icon.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    return image;
}

} // namespace

isButton::isButton(QWidget *parent)
    : isButton(QString(), parent)
{ }

isButton::isButton(const QString &caption, QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover, false);
    setCaption(caption);
    updateRegion();
}

isButton::~isButton() = default;

void isButton::setCaption(const QString &caption)
{
    m_caption = caption;
    updateShortcut();
    updateGeometry();
    update();
}

void isButton::setButtonStyle(int style)
{
    m_style = style;
    updateRegion();
    update();
}

void isButton::setNonThemeStyle(int style)
{
    m_nonThemeStyle = style;
    updateRegion();
    update();
}

void isButton::setIcon(const QPixmap &icon)
{
    m_icon = icon;
    update();
}

void isButton::setIconSize(int size)
{
    m_iconSize = size;
    update();
}

void isButton::setIconAlign(int align)
{
    m_iconAlign = align;
    update();
}

void isButton::setCaptionAlign(int align)
{
    m_captionAlign = align;
    update();
}

void isButton::setShowFocus(bool show)
{
    m_showFocus = show;
    update();
}

void isButton::setUseCustomColors(bool use)
{
    m_useCustomColors = use;
    update();
}

void isButton::setBackColor(OleColor color)
{
    m_backColor = color;
    update();
}

void isButton::setHighlightColor(OleColor color)
{
    m_highlightColor = color;
    update();
}

void isButton::setFontColor(OleColor color)
{
    m_fontColor = color;
    update();
}

void isButton::setFontHighlightColor(OleColor color)
{
    m_fontHighlightColor = color;
    update();
}

QWidget *isButton::toolTipWindow() const
{
    return m_toolTip && m_toolTip->isVisible() ? m_toolTip.data() : nullptr;
}

void isButton::setButtonType(int type)
{
    m_buttonType = type;
    update();
}

void isButton::setValue(bool down)
{
    m_value = down;
    update();
}

void isButton::setUseMaskColor(bool use)
{
    m_useMaskColor = use;
    update();
}

void isButton::setMaskColor(OleColor color)
{
    m_maskColor = color;
    update();
}

void isButton::setMousePointer(int pointer)
{
    m_mousePointer = pointer;
    if (pointer == 0)
        unsetCursor();
    else
        setCursor(cursorFor(pointer));
}

void isButton::setRightToLeft(bool rtl)
{
    m_rightToLeft = rtl;
    update();
}

void isButton::setDefault(bool isDefault)
{
    m_isDefault = isDefault;
    update();
}

ButtonState isButton::drawnState() const
{
    if (!isEnabled())
        return ButtonState::Disabled;
    if (m_buttonType == 1 && m_value)
        return ButtonState::Down;
    return m_state;
}

void isButton::click()
{
    if (!isEnabled())
        return;
    performClick();
}

void isButton::setState(ButtonState state)
{
    m_state = state;
    update();
}

void isButton::performClick()
{
    if (m_buttonType == 1)
        m_value = !m_value;
    setState(ButtonState::Hot);
    emit clicked();
}

void isButton::leaveHover()
{
    if (!m_hovering)
        return;
    m_hovering = false;
    if (m_toolTip)
        m_toolTip->hide();
    setState(ButtonState::Normal);
    emit mouseLeft();
}

void isButton::updateShortcut()
{
    if (m_shortcutId != 0)
        releaseShortcut(m_shortcutId);
    m_shortcutId = 0;
    const QKeySequence key = QKeySequence::mnemonic(m_caption);
    if (!key.isEmpty())
        m_shortcutId = grabShortcut(key);
}

void isButton::updateRegion()
{
    const QRegion region = buttonRegion(drawnStyle(), size());
    if (region == QRegion(rect()))
        clearMask();
    else
        setMask(region);
}

bool isButton::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Shortcut:
        if (static_cast<QShortcutEvent *>(event)->shortcutId() == m_shortcutId && isEnabled()) {
            performClick();
            setState(ButtonState::Normal);
            return true;
        }
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
            leaveHover();
        break;
    }
    default:
        break;
    }
    return QWidget::event(event);
}

void isButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            m_hovering = false;
            m_spaceDown = false;
            if (m_toolTip)
                m_toolTip->hide();
        }
        setState(ButtonState::Normal);
    } else if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        update();
    }
    QWidget::changeEvent(event);
}

void isButton::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_hovering && rect().contains(event->position().toPoint())) {
        m_hovering = true;
        if (m_state != ButtonState::Down)
            setState(ButtonState::Hot);
        emit mouseEntered();
        if (!m_toolTipText.isEmpty()) {
            if (!m_toolTip)
                m_toolTip = new ButtonToolTip(this);
            m_toolTip->showFor({ m_toolTipText, m_toolTipTitle, m_toolTipIcon, m_toolTipType,
                                   translateColor(m_toolTipBackColor, palette()),
                                   translateColor(m_toolTipForeColor, palette()) },
                event->globalPosition().toPoint());
        }
    }
    QWidget::mouseMoveEvent(event);
}

void isButton::leaveEvent(QEvent *event)
{
    leaveHover();
    QWidget::leaveEvent(event);
}

void isButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // A press can come without a move before it (a window shown under the mouse): the mouse is
    // over the button all the same.
    if (!m_hovering)
        mouseMoveEvent(event);
    setState(ButtonState::Down);
}

void isButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

void isButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_state != ButtonState::Down) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const bool inside = rect().contains(event->position().toPoint());
    if (inside) {
        performClick();
    } else {
        setState(ButtonState::Normal);
    }
}

void isButton::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        if (!event->isAutoRepeat()) {
            m_spaceDown = true;
            setState(ButtonState::Down);
        }
        return;
    case Qt::Key_Right:
    case Qt::Key_Down:
        focusNextChild();
        return;
    case Qt::Key_Left:
    case Qt::Key_Up:
        focusPreviousChild();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void isButton::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && m_spaceDown) {
        m_spaceDown = false;
        performClick();
        setState(ButtonState::Normal);
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void isButton::focusInEvent(QFocusEvent *event)
{
    update();
    QWidget::focusInEvent(event);
}

void isButton::focusOutEvent(QFocusEvent *event)
{
    if (m_spaceDown) {
        m_spaceDown = false;
        setState(ButtonState::Normal);
    }
    update();
    QWidget::focusOutEvent(event);
}

void isButton::showEvent(QShowEvent *event)
{
    updateRegion();
    QWidget::showEvent(event);
}

void isButton::hideEvent(QHideEvent *event)
{
    if (m_toolTip)
        m_toolTip->hide();
    m_hovering = false;
    QWidget::hideEvent(event);
}

void isButton::resizeEvent(QResizeEvent *event)
{
    updateRegion();
    QWidget::resizeEvent(event);
}

QSize isButton::sizeHint() const
{
    const QSize text = fontMetrics().size(Qt::TextShowMnemonic, m_caption);
    int width = text.width() + 16;
    if (!m_icon.isNull())
        width += m_iconSize + iconMargin(drawnStyle());
    return QSize(std::max(75, width), std::max(23, text.height() + 10));
}

QPixmap isButton::maskedIcon() const
{
    if (!m_useMaskColor || m_icon.isNull())
        return m_icon;
    QPixmap icon = m_icon;
    icon.setMask(icon.createMaskFromColor(
        toQColor(translateColor(m_maskColor, palette())), Qt::MaskInColor));
    return icon;
}

void isButton::drawIcon(QPainter &painter, ButtonState state, int style) const
{
    if (m_icon.isNull())
        return;
    const QPixmap icon = maskedIcon();
    QPoint at = iconPosition(m_iconAlign, size(), m_iconSize, iconMargin(style));
    const QRect square(at, QSize(m_iconSize, m_iconSize));
    if (state == ButtonState::Disabled) {
        PaintIconGrayscale(&painter, icon, at.x(), at.y(), m_iconSize, m_iconSize);
        return;
    }
    if (state == ButtonState::Down) {
        painter.drawPixmap(square.translated(1, 1), icon);
        return;
    }
    if (style == 4 && state == ButtonState::Hot) {
        painter.drawImage(square.translated(1, 1), silhouette(icon, QColor(0x80, 0x80, 0x80)));
        painter.drawPixmap(square.translated(-1, -1), icon);
        return;
    }
    painter.drawPixmap(square, icon);
}

void isButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int style = drawnStyle();
    const ButtonState state = drawnState();
    drawButtonLook(painter, palette(),
        { style, state, size(), hasFocus(), m_isDefault, m_useCustomColors,
            translateColor(m_backColor, palette()), translateColor(m_highlightColor, palette()) });
    drawIcon(painter, state, style);

    OleColor textColor = translateColor(systemColor(SystemColor::ButtonText), palette());
    if (state == ButtonState::Disabled)
        textColor = translateColor(systemColor(SystemColor::GrayText), palette());
    else if (m_useCustomColors)
        textColor = translateColor(
            state == ButtonState::Normal ? m_fontColor : m_fontHighlightColor, palette());
    int flags = captionFlags(m_captionAlign);
    if (m_rightToLeft)
        flags |= Qt::TextForceRightToLeft;
    const QRect textRect
        = captionRect(size(), !m_icon.isNull(), m_iconAlign, m_iconSize, iconMargin(style));
    painter.setFont(font());
    painter.setPen(toQColor(textColor));
    painter.drawText(textRect, flags, m_caption);

    if (m_showFocus && hasFocus()) {
        painter.setPen(QPen(toQColor(textColor), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}

void isButton::readProperties(const PropertyBag &bag)
{
    const auto color = [&bag](const char *name, OleColor fallback) {
        return bag.read<quint32>(QString::fromLatin1(name), fallback);
    };
    setIcon(bag.read<QPixmap>(QStringLiteral("Icon"), QPixmap()));
    setButtonStyle(bag.read<int>(QStringLiteral("Style"), 3));
    setCaption(bag.read<QString>(QStringLiteral("Caption"), QString()));
    setIconSize(bag.read<int>(QStringLiteral("IconSize"), 16));
    setCaptionAlign(bag.read<int>(QStringLiteral("CaptionAlign"), 0));
    setIconAlign(bag.read<int>(QStringLiteral("IconAlign"), 1));
    setNonThemeStyle(bag.read<int>(QStringLiteral("iNonThemeStyle"), 5));
    setEnabled(bag.read<bool>(QStringLiteral("Enabled"), true));
    setShowFocus(bag.read<bool>(QStringLiteral("ShowFocus"), false));
    setUseCustomColors(bag.read<bool>(QStringLiteral("USeCustomColors"), false));
    setBackColor(color("BackColor", defaultBackColor));
    setHighlightColor(color("HighlightColor", defaultHighlightColor));
    setFontColor(color("FontColor", defaultFontColor));
    setFontHighlightColor(color("FontHighlightColor", defaultFontColor));
    setToolTipText(bag.read<QString>(QStringLiteral("ToolTipText"), m_toolTipText));
    setToolTipTitle(bag.read<QString>(QStringLiteral("Tooltiptitle"), QString()));
    setToolTipIcon(bag.read<int>(QStringLiteral("ToolTipIcon"), 0));
    setToolTipType(bag.read<int>(QStringLiteral("ToolTipType"), 1));
    setToolTipBackColor(color("ttBackColor", defaultToolTipBackColor));
    setToolTipForeColor(color("ttForeColor", defaultToolTipForeColor));
    if (bag.contains(QStringLiteral("Font")))
        setFont(bag.read<QFont>(QStringLiteral("Font"), font()));
    setButtonType(bag.read<int>(QStringLiteral("ButtonType"), 0));
    setValue(bag.read<bool>(QStringLiteral("Value"), false));
    setUseMaskColor(bag.read<bool>(QStringLiteral("UseMaskColor"), false));
    setMaskColor(color("MaskColor", defaultMaskColor));
    setMousePointer(bag.read<int>(QStringLiteral("MousePointer"), 0));
    setRoundedBordersByTheme(bag.read<bool>(QStringLiteral("RoundedBordersByTheme"), true));
    setRightToLeft(bag.read<bool>(QStringLiteral("bRTLText"), false));
}

PropertyBag isButton::writeProperties() const
{
    PropertyBag bag;
    if (!m_icon.isNull())
        bag.write(QStringLiteral("Icon"), m_icon);
    bag.write(QStringLiteral("Style"), m_style, 3);
    if (!m_caption.isEmpty())
        bag.write(QStringLiteral("Caption"), m_caption);
    bag.write(QStringLiteral("IconSize"), m_iconSize, 16);
    bag.write(QStringLiteral("CaptionAlign"), m_captionAlign, 0);
    bag.write(QStringLiteral("IconAlign"), m_iconAlign, 1);
    bag.write(QStringLiteral("iNonThemeStyle"), m_nonThemeStyle, 5);
    bag.write(QStringLiteral("Enabled"), isEnabled(), true);
    bag.write(QStringLiteral("ShowFocus"), m_showFocus, false);
    bag.write(QStringLiteral("USeCustomColors"), m_useCustomColors, false);
    bag.write(QStringLiteral("BackColor"), m_backColor, defaultBackColor);
    bag.write(QStringLiteral("HighlightColor"), m_highlightColor, defaultHighlightColor);
    bag.write(QStringLiteral("FontColor"), m_fontColor, defaultFontColor);
    bag.write(QStringLiteral("FontHighlightColor"), m_fontHighlightColor, defaultFontColor);
    bag.write(QStringLiteral("ToolTipText"), m_toolTipText, QString());
    bag.write(QStringLiteral("Tooltiptitle"), m_toolTipTitle);
    bag.write(QStringLiteral("ToolTipIcon"), m_toolTipIcon);
    bag.write(QStringLiteral("ToolTipType"), m_toolTipType);
    bag.write(QStringLiteral("ttBackColor"), m_toolTipBackColor, defaultToolTipBackColor);
    bag.write(QStringLiteral("ttForeColor"), m_toolTipForeColor, defaultToolTipForeColor);
    bag.write(QStringLiteral("Font"), font());
    bag.write(QStringLiteral("ButtonType"), m_buttonType, 0);
    bag.write(QStringLiteral("Value"), m_value, false);
    bag.write(QStringLiteral("UseMaskColor"), m_useMaskColor, false);
    bag.write(QStringLiteral("MaskColor"), m_maskColor, defaultMaskColor);
    bag.write(QStringLiteral("MousePointer"), m_mousePointer, 0);
    bag.write(QStringLiteral("RoundedBordersByTheme"), m_roundedBordersByTheme, true);
    bag.write(QStringLiteral("bRTLText"), m_rightToLeft, false);
    return bag;
}

} // namespace lis
