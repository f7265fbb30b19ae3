#include "report/ui/DoubleClickWatcher.h"

#include <QMouseEvent>
#include <QVariant>

namespace lis {

namespace {
const char *const indexProperty = "lisDoubleClickIndex";
}

void DoubleClickWatcher::watch(QObject *target, int index)
{
    if (!target)
        return;
    target->setProperty(indexProperty, index);
    target->installEventFilter(this);
}

bool DoubleClickWatcher::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        const QVariant index = watched->property(indexProperty);
        if (index.isValid()) {
            emit doubleClicked(index.toInt());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace lis
