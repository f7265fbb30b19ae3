#include "app/ReportToolTips.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QTreeWidget>

namespace lis {

ReportToolTips::ReportToolTips(QTreeWidget *view, std::function<QString(int row)> explain)
    : QObject(view)
    , m_view(view)
    , m_explain(std::move(explain))
{
    view->viewport()->installEventFilter(this);
}

QString ReportToolTips::textFor(int row)
{
    if (const auto it = m_texts.constFind(row); it != m_texts.cend())
        return *it;
    QString text = m_explain(row);
    m_texts.insert(row, text);
    return text;
}

bool ReportToolTips::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QObject::eventFilter(watched, event);
    const auto *help = static_cast<QHelpEvent *>(event);
    QTreeWidgetItem *item = m_view->itemAt(help->pos());
    const int row = item ? m_view->indexOfTopLevelItem(item) : -1;
    const QString text = row >= 0 ? textFor(row) : QString();
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), text, m_view->viewport());
    return true;
}

} // namespace lis
