#include "app/SelectSimilar.h"

#include "report/RunResults.h"

#include <QTreeWidget>

namespace lis {

void selectSimilarRows(QTreeWidget *report, const RunResults &results, int row)
{
    QItemSelection similar;
    for (const int other : results.similarRows(row)) {
        if (other >= report->topLevelItemCount())
            continue; // a report cut short by a cancel shows fewer rows
        const QModelIndex index = report->model()->index(other, 0);
        similar.select(index, index);
    }
    report->selectionModel()->select(
        similar, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

} // namespace lis
