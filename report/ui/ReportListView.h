#pragma once

#include "report/ReportModel.h"

#include <vector>

class QTreeWidget;

namespace lis {

// Appends one item per report row: position, Name, Size, Type, Width, Height.
void fillReportList(QTreeWidget *listView, const std::vector<ReportRow> &rows);
// Removes every row, from the last to the first.
void ClearReportList(QTreeWidget *listView);
// Makes each column as wide as the wider of its contents and its header.
void FitReportColumns(QTreeWidget *listView);

} // namespace lis
