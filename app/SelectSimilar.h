#pragma once

class QTreeWidget;

namespace lis {

struct RunResults;

// "Select Similar" on a report row: the other rows of its stack of similar photos are selected
// too, the row's own selection kept. Nothing changes for a photo like no other. The report's
// context menu calls it with the row under the pointer.
void selectSimilarRows(QTreeWidget *report, const RunResults &results, int row);

} // namespace lis
