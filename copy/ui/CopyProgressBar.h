#pragma once

#include <QColor>
#include <QProgressBar>

namespace lis {

// The copy window's progress bar: a maximum, a value and a fill colour. A maximum of 0 means an
// empty bar, never a busy indicator.
class CopyProgressBar final : public QProgressBar
{
    Q_OBJECT
public:
    explicit CopyProgressBar(QWidget *parent = nullptr);

    void setMax(int max);
    int max() const { return m_max; }
    void setColor(const QColor &color);
    QColor color() const { return m_color; }

private:
    int m_max = 100;
    QColor m_color = Qt::white;
};

} // namespace lis
