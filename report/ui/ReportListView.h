#pragma once

#include "report/ReportModel.h"

#include <vector>

class QTreeWidget;

namespace lis {

// The report list's columns.
enum ReportColumn { RankColumn, NameColumn, SizeColumn, TypeColumn, WidthColumn, HeightColumn };

// Gives a list its report columns (Rank, Name, Size, Type, Width, Height) and the way they share
// its width: Name takes what the others leave, so every column stays in view and no horizontal
// scroll bar appears; a name longer than that is elided in the middle, where names found by one
// keyword differ least.
void setUpReportList(QTreeWidget *listView);
// Appends one item per report row: position, Name, Size, Type, Width, Height.
void fillReportList(QTreeWidget *listView, const std::vector<ReportRow> &rows);
// Removes every row, from the last to the first.
void ClearReportList(QTreeWidget *listView);
// Makes each column but Name as wide as the wider of its contents and its header.
void FitReportColumns(QTreeWidget *listView);

} // namespace lis
