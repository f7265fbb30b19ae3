#include "widgets/ButtonToolTip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>

namespace lis {

ButtonToolTip::ButtonToolTip(QWidget *owner)
    : QFrame(owner, Qt::ToolTip | Qt::FramelessWindowHint)
    , m_icon(new QLabel(this))
    , m_text(new QLabel(this))
{
    setObjectName(QStringLiteral("isButtonToolTip"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->addWidget(m_icon, 0, Qt::AlignTop);
    layout->addWidget(m_text);
    m_text->setTextFormat(Qt::RichText);
}

void ButtonToolTip::showFor(const Content &content, QPoint globalPos)
{
    QString html;
    if (!content.title.isEmpty())
        html = QStringLiteral("<b>%1</b><br>").arg(content.title.toHtmlEscaped());
    html += content.text.toHtmlEscaped();
    m_text->setText(html);

    static constexpr QStyle::StandardPixmap icons[] = { QStyle::SP_MessageBoxInformation,
        QStyle::SP_MessageBoxWarning, QStyle::SP_MessageBoxCritical };
    if (content.icon >= 1 && content.icon <= 3) {
        m_icon->setPixmap(style()->standardIcon(icons[content.icon - 1]).pixmap(16, 16));
        m_icon->show();
    } else {
        m_icon->hide();
    }
    const QString radius = content.type == 1 ? QStringLiteral("6px") : QStringLiteral("0px");
    setStyleSheet(
        QStringLiteral("#isButtonToolTip { background: %1; border: 1px solid %2; "
                       "border-radius: %3; } QLabel { color: %2; background: transparent; }")
            .arg(toQColor(content.backRgb).name(), toQColor(content.foreRgb).name(), radius));
    adjustSize();
    move(globalPos + QPoint(0, 20));
    show();
}

QString ButtonToolTip::shownText() const
{
    return m_text->text();
}

} // namespace lis
