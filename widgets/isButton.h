#pragma once

#include "widgets/ButtonPainter.h"
#include "widgets/OleColor.h"
#include "widgets/PropertyBag.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

namespace lis {

class ButtonToolTip;

// The program's own push button: eleven looks (Style 0 to 10; 5 is the standard one every window
// uses), an optional icon and a caption with an access key, hover, pressed, focus and disabled
// states, a toggle mode and its own tooltip. A press released inside raises clicked() once; a
// release outside raises nothing. caption()/text() and setCaption()/setText() are the same, so it
// stands in wherever a push button was used.
class isButton final : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(int Style READ buttonStyle WRITE setButtonStyle)
    Q_PROPERTY(bool Value READ value WRITE setValue)
    Q_PROPERTY(int ButtonType READ buttonType WRITE setButtonType)
public:
    explicit isButton(QWidget *parent = nullptr);
    explicit isButton(const QString &caption, QWidget *parent = nullptr);
    ~isButton() override;

    static constexpr OleColor defaultBackColor = systemColorFlag | 15; // button face
    static constexpr OleColor defaultHighlightColor = systemColorFlag | 13; // highlight
    static constexpr OleColor defaultFontColor = systemColorFlag | 18; // button text
    static constexpr OleColor defaultToolTipBackColor = systemColorFlag | 24;
    static constexpr OleColor defaultToolTipForeColor = systemColorFlag | 23;
    static constexpr OleColor defaultMaskColor = 0xC0C0C0;

    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    QString text() const { return m_caption; }
    void setText(const QString &text) { setCaption(text); }

    int buttonStyle() const { return m_style; }
    void setButtonStyle(int style);
    int nonThemeStyle() const { return m_nonThemeStyle; }
    void setNonThemeStyle(int style);
    // The look actually drawn (style 6 falls back to nonThemeStyle here).
    int drawnStyle() const { return effectiveButtonStyle(m_style, m_nonThemeStyle); }

    QPixmap icon() const { return m_icon; }
    void setIcon(const QPixmap &icon);
    int iconSize() const { return m_iconSize; }
    void setIconSize(int size);
    int iconAlign() const { return m_iconAlign; }
    void setIconAlign(int align);
    int captionAlign() const { return m_captionAlign; }
    void setCaptionAlign(int align);

    bool showFocus() const { return m_showFocus; }
    void setShowFocus(bool show);
    bool useCustomColors() const { return m_useCustomColors; }
    void setUseCustomColors(bool use);
    OleColor backColor() const { return m_backColor; }
    void setBackColor(OleColor color);
    OleColor highlightColor() const { return m_highlightColor; }
    void setHighlightColor(OleColor color);
    OleColor fontColor() const { return m_fontColor; }
    void setFontColor(OleColor color);
    OleColor fontHighlightColor() const { return m_fontHighlightColor; }
    void setFontHighlightColor(OleColor color);

    QString toolTipText() const { return m_toolTipText; }
    void setToolTipText(const QString &text) { m_toolTipText = text; }
    QString toolTipTitle() const { return m_toolTipTitle; }
    void setToolTipTitle(const QString &title) { m_toolTipTitle = title; }
    int toolTipIcon() const { return m_toolTipIcon; }
    void setToolTipIcon(int icon) { m_toolTipIcon = icon; }
    int toolTipType() const { return m_toolTipType; }
    void setToolTipType(int type) { m_toolTipType = type; }
    OleColor toolTipBackColor() const { return m_toolTipBackColor; }
    void setToolTipBackColor(OleColor color) { m_toolTipBackColor = color; }
    OleColor toolTipForeColor() const { return m_toolTipForeColor; }
    void setToolTipForeColor(OleColor color) { m_toolTipForeColor = color; }
    // The tooltip window while it is shown, else null.
    QWidget *toolTipWindow() const;

    // 0 push button, 1 toggle.
    int buttonType() const { return m_buttonType; }
    void setButtonType(int type);
    // The toggle's down state.
    bool value() const { return m_value; }
    void setValue(bool down);

    bool useMaskColor() const { return m_useMaskColor; }
    void setUseMaskColor(bool use);
    OleColor maskColor() const { return m_maskColor; }
    void setMaskColor(OleColor color);
    int mousePointer() const { return m_mousePointer; }
    void setMousePointer(int pointer);
    bool roundedBordersByTheme() const { return m_roundedBordersByTheme; }
    void setRoundedBordersByTheme(bool rounded) { m_roundedBordersByTheme = rounded; }
    bool rightToLeft() const { return m_rightToLeft; }
    void setRightToLeft(bool rtl);
    // The container marks this as its default button.
    bool isDefault() const { return m_isDefault; }
    void setDefault(bool isDefault);

    // The state as last set by input (1 to 4), and the state the look is drawn in: a down toggle
    // draws as down, a disabled button as disabled.
    ButtonState state() const { return m_state; }
    ButtonState drawnState() const;

    // Clicks the button from code: a toggle flips, clicked() is raised.
    void click();
    // Opens a web address or file with the desktop's handler for it; false when none took it.
    static bool OpenLink(const QString &target);

    void readProperties(const PropertyBag &bag);
    PropertyBag writeProperties() const;

    QSize sizeHint() const override;

signals:
    void clicked();
    void mouseEntered();
    void mouseLeft();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void setState(ButtonState state);
    void performClick();
    void enterHover(QPoint globalPos);
    void leaveHover();
    void updateShortcut();
    void updateRegion();
    void drawIcon(QPainter &painter, ButtonState state, int style) const;
    QPixmap maskedIcon() const;

    QString m_caption;
    int m_style = 3;
    int m_nonThemeStyle = 5;
    QPixmap m_icon;
    int m_iconSize = 16;
    int m_iconAlign = 1;
    int m_captionAlign = 0;
    bool m_showFocus = false;
    bool m_useCustomColors = false;
    OleColor m_backColor = defaultBackColor;
    OleColor m_highlightColor = defaultHighlightColor;
    OleColor m_fontColor = defaultFontColor;
    OleColor m_fontHighlightColor = defaultFontColor;
    QString m_toolTipText;
    QString m_toolTipTitle;
    int m_toolTipIcon = 0;
    int m_toolTipType = 1;
    OleColor m_toolTipBackColor = defaultToolTipBackColor;
    OleColor m_toolTipForeColor = defaultToolTipForeColor;
    int m_buttonType = 0;
    bool m_value = false;
    bool m_useMaskColor = false;
    OleColor m_maskColor = defaultMaskColor;
    int m_mousePointer = 0;
    bool m_roundedBordersByTheme = true;
    bool m_rightToLeft = false;
    bool m_isDefault = false;

    ButtonState m_state = ButtonState::Normal;
    bool m_hovering = false;
    bool m_spaceDown = false;
    int m_shortcutId = 0;
    QPointer<ButtonToolTip> m_toolTip;
};

} // namespace lis
