#pragma once

#include "widgets/OleColor.h"
#include "widgets/PropertyBag.h"

#include <QImage>
#include <QWidget>

namespace lis {

// The program's own progress bar. It keeps its fill as a whole percent, draws one of ten styles
// (Scrolling 0 to 9) into a back buffer that only grows, and copies the buffer to the screen in
// one step, so frequent value changes do not flicker. Its text font is the widget's font.
class XP_ProgressBar final : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int Max READ max WRITE setMax)
    Q_PROPERTY(int Min READ min WRITE setMin)
    Q_PROPERTY(int Value READ value WRITE setValue)
    Q_PROPERTY(quint32 Color READ color WRITE setColor)
    Q_PROPERTY(int Scrolling READ scrolling WRITE setScrolling)
    Q_PROPERTY(int Orientation READ orientation WRITE setOrientation)
    Q_PROPERTY(int BrushStyle READ brushStyle WRITE setBrushStyle)
    Q_PROPERTY(bool ShowText READ showText WRITE setShowText)
public:
    static constexpr OleColor defaultColor = systemColorFlag | 0x0D; // system highlight

    explicit XP_ProgressBar(QWidget *parent = nullptr);
    ~XP_ProgressBar() override;

    // Sets the fill from value, max and min, then redraws; an impossible value (max 0, an
    // overflow) keeps the fill.
    void setValue(int value);
    int value() const;
    // Store only: the fill changes with the next value.
    void setMax(int max) { m_max = max; }
    int max() const { return m_max; }
    void setMin(int min) { m_min = min; }
    int min() const { return m_min; }
    void setBrushStyle(int style) { m_brushStyle = style; }
    int brushStyle() const { return m_brushStyle; }

    // System colours (top bit set) are turned into RGB here, so color() reads back RGB.
    void setColor(OleColor color);
    OleColor color() const { return m_color; }
    void setScrolling(int style);
    int scrolling() const { return m_scrolling; }
    void setOrientation(int orientation);
    int orientation() const { return m_orientation; }
    void setShowText(bool show);
    bool showText() const { return m_showText; }
    void setImage(const QImage &image);
    QImage image() const { return m_image; }

    // The fill level; a value beyond max is drawn, and kept, as 100.
    int percent() const { return m_percent; }
    QSize bufferSize() const { return m_buffer.size(); }

    // The stored properties, by their persisted names; only values that differ from their
    // defaults are written, the font always.
    void readProperties(const PropertyBag &bag);
    PropertyBag writeProperties() const;

    // Renders the bar into an image of the widget's size, as it would appear on screen.
    QImage renderImage() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void ensureBuffer();

    int m_percent = 0;
    int m_max = 100;
    int m_min = 0;
    int m_brushStyle = 4;
    OleColor m_color = 0;
    int m_scrolling = 0;
    int m_orientation = 0;
    bool m_showText = false;
    QImage m_image;
    QImage m_buffer;
};

} // namespace lis
