#pragma once

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

    // Finds outcomes by path in constant time; made once, when the files are set.
    void indexFiles();

    // The ranking loop's outcome for a result, or nullptr.
    const FileOutcome *outcomeFor(const QString &path) const;
    // Every file that could not be read, in list order.
    std::vector<const FileOutcome *> unreadable() const;

private:
    QHash<QString, qsizetype> m_fileIndex;
};

} // namespace lis
