#pragma once

#include "widgets/OleColor.h"

#include <QFrame>

class QLabel;

namespace lis {

// The button's own tooltip window: an optional icon (1 information, 2 warning, 3 error), a bold
// title and the text, in the button's tooltip colours. Type 1 draws a balloon (rounded corners),
// any other type a plain rectangle.
class ButtonToolTip final : public QFrame
{
    Q_OBJECT
public:
    struct Content
    {
        QString text;
        QString title;
        int icon = 0;
        int type = 1;
        OleColor backRgb = 0xE1FFFF;
        OleColor foreRgb = 0;
    };

    explicit ButtonToolTip(QWidget *owner);

    void showFor(const Content &content, QPoint globalPos);
    QString shownText() const;

private:
    QLabel *m_icon = nullptr;
    QLabel *m_text = nullptr;
};

} // namespace lis
