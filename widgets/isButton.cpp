#include "widgets/isButton.h"

#include "widgets/ButtonToolTip.h"

#include <QApplication>
#include <QBitmap>
#include <QDesktopServices>
#include <QDir>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <QUrl>

namespace lis {

namespace {

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

bool isButton::OpenLink(const QString &target)
{
    const QUrl url = QUrl::fromUserInput(target, QDir::currentPath(), QUrl::AssumeLocalFile);
    return url.isValid() && QDesktopServices::openUrl(url);
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

void isButton::enterHover(QPoint globalPos)
{
    m_hovering = true;
    if (m_state != ButtonState::Down)
        setState(ButtonState::Hot);
    emit mouseEntered();
    if (m_toolTipText.isEmpty())
        return;
    if (!m_toolTip)
        m_toolTip = new ButtonToolTip(this);
    m_toolTip->showFor({ m_toolTipText, m_toolTipTitle, m_toolTipIcon, m_toolTipType,
                           translateColor(m_toolTipBackColor, palette()),
                           translateColor(m_toolTipForeColor, palette()) },
        globalPos);
}

void isButton::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_hovering && rect().contains(event->position().toPoint()))
        enterHover(event->globalPosition().toPoint());
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
        enterHover(event->globalPosition().toPoint());
    setState(ButtonState::Down);
    event->accept();
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
    if (inside)
        performClick();
    else
        setState(ButtonState::Normal);
    event->accept();
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

} // namespace lis
