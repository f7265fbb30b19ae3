#pragma once

#include "core/RunHooks.h"
#include "store/ResultStore.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace lis {

// One line of the ranked report. The cells are the texts the report list shows; a result whose
// file is gone leaves Size, Width and Height empty rather than showing stale values.
struct ReportRow
{
    int position = 0; // 1 = highest rank
    QString path; // full path, as stored (trimmed)
    QString rank; // the stored rank text (trimmed); not shown in the window
    QString name; // base name: last component without its extension
    QString size; // FormatSize of the length
    QString type; // "JPEG" for a lower-case jpg, else the extension in upper case
    QString width;
    QString height;
    std::optional<qint64> sizeBytes; // the length the Size cell shows, for programs
    std::optional<QSize> pixels; // what the Width and Height cells show
};

struct Report
{
    std::vector<ReportRow> rows;
    QStringList List1; // the result paths in report order
    bool stopped = false; // the cancel flag was seen; the rows so far are kept
};

// The base name of a path: "holiday.2019" for ".../holiday.2019.jpg".
QString reportName(const QString &path);
// The Type cell: "JPEG" when the extension is exactly "jpg", else the extension upper-cased.
QString reportType(const QString &path);
// An image's upright pixel size read from its header, without decoding the pixels; nothing
// when the file is gone, is not a regular file, or is not an image the readers know.
std::optional<QSize> readImageSize(const QString &path);

// One report row for the result at the given position.
ReportRow makeReportRow(int position, const RankRow &stored);

// Builds the report from the stored rows (lowest rank first, as the store reads them): walks
// them from the last to the first, numbering positions from 1. Before each row it checks the
// cancel flag; when set it runs the hooks' cancel clean-up and stops with the rows so far.
Report buildReport(const std::vector<RankRow> &lowestRankFirst, const RunHooks &hooks);
// The same, reading the rows from the store.
Report ShowReport(const ResultStore &store, const RunHooks &hooks);

} // namespace lis
