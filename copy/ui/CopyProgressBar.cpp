#include "copy/ui/CopyProgressBar.h"

#include <QPalette>

namespace lis {

CopyProgressBar::CopyProgressBar(QWidget *parent) : QProgressBar(parent)
{
    setTextVisible(false);
    setRange(0, m_max);
    setValue(0);
    setColor(m_color);
}

void CopyProgressBar::setMax(int max)
{
    m_max = max;
    // QProgressBar animates a busy indicator for an empty range; keep a real, empty one.
    setRange(0, max > 0 ? max : 1);
    if (max <= 0)
        setValue(0);
}

void CopyProgressBar::setColor(const QColor &color)
{
    m_color = color;
    QPalette palette = this->palette();
    palette.setColor(QPalette::Highlight, color);
    setPalette(palette);
}

} // namespace lis
