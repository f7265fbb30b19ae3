#include "widgets/ButtonToolTip.h"
#include "widgets/isButton.h"

// The button's property setters and their persistence by stored name.

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

} // namespace

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
