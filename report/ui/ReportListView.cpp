#include "report/ui/ReportListView.h"

#include "core/FileNames.h"

#include <QTreeWidget>
#include <memory>

namespace lis {

void fillReportList(QTreeWidget *listView, const std::vector<ReportRow> &rows)
{
    if (!listView)
        return;
    QList<QTreeWidgetItem *> items;
    items.reserve(qsizetype(rows.size()));
    for (const ReportRow &row : rows) {
        items.append(new QTreeWidgetItem(QStringList { QString::number(row.position),
            displayPath(row.name), row.size, displayPath(row.type), row.width, row.height }));
    }
    // The list view takes ownership of every item.
    listView->addTopLevelItems(items);
}

void ClearReportList(QTreeWidget *listView)
{
    if (!listView)
        return;
    for (int index = listView->topLevelItemCount() - 1; index >= 0; --index)
        std::unique_ptr<QTreeWidgetItem>(listView->takeTopLevelItem(index));
}

void FitReportColumns(QTreeWidget *listView)
{
    if (!listView)
        return;
    for (int column = 0; column < listView->columnCount(); ++column)
        listView->resizeColumnToContents(column);
}

} // namespace lis
