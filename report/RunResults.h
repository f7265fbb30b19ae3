#pragma once

#include "rank/PhotoStacks.h"
#include "rank/ProcessFiles.h"
#include "rank/ResultsCopies.h"
#include "report/ReportModel.h"

#include <QHash>
#include <QStringList>
#include <vector>

namespace lis {

// What one run found, as the report shows it. Made once at the end of the run and never changed
// afterwards, so windows can share it: the main window's report and gallery, the copy window's
// list and previews, the tooltips and the command line's output all read the same object.
struct RunResults
{
    std::vector<ReportRow> rows; // report order, highest rank first
    QStringList List1; // the result paths in report order
    ResultsCopies copies; // where each result's reduced copy lives
    std::vector<FileOutcome> files; // what the ranking loop found out about each file
    bool reportStopped = false; // a cancel stopped the report before its last row
    // Where each row stands among its near-duplicates, in report order (see groupStacks).
    std::vector<StackPlace> stacks;

    // Finds outcomes by path in constant time; made once, when the files are set.
    void indexFiles();
    // Groups the rows into stacks of similar photos by their outcomes' signatures and capture
    // times; after indexFiles.
    void groupIntoStacks();

    // The row's place in its stack (a stack of one when the row is unknown).
    StackPlace stackOf(int row) const;
    // The other rows of the row's stack, pick first: what "Select Similar" selects.
    std::vector<int> similarRows(int row) const;

    // The ranking loop's outcome for a result, or nullptr.
    const FileOutcome *outcomeFor(const QString &path) const;
    // Every file that could not be read, in list order.
    std::vector<const FileOutcome *> unreadable() const;

private:
    QHash<QString, qsizetype> m_fileIndex;
};

} // namespace lis
