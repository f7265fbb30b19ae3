#pragma once

#include "app/cli/CliOptions.h"
#include "rank/QualityParts.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace lis {

// One report line as the command line prints it: the report's cells for people, and the same
// facts as numbers for programs.
struct ReportLine
{
    int position = 0;
    QString path; // exactly as found (raw bytes kept, see pathFromBytes)
    QString name;
    QString type;
    QString size; // as the report shows it, in the user's locale
    std::optional<qint64> sizeBytes;
    std::optional<int> width;
    std::optional<int> height;
    qint64 rank = 0; // the stored rank
    std::optional<double> score; // the rank on a 0-100 scale; none when not judged
    std::optional<QualityParts> quality; // why it ranked where it did
    QString problem; // why it could not be judged (a stable key), or empty
};

// The 0-100 score a stored rank stands for: the ranking library gives 1 + score x 2e7.
std::optional<double> scoreOfRank(qint64 rank);

// The report in the chosen format, as the bytes to write (paths keep their raw bytes where the
// format can carry them). The machine formats always give every column, in a fixed order, and
// their header (csv, tsv) or an empty array (json) when there is nothing to report.
QByteArray formatReport(const std::vector<ReportLine> &lines, OutputFormat format);
// Only the paths, best first, each ended by a line break or a NUL byte.
QByteArray formatPaths(const std::vector<ReportLine> &lines, PathList list);

// One CSV field per RFC 4180, made safe for spreadsheets: a cell that one would run as a formula,
// or that begins with an apostrophe, gets a leading apostrophe.
QString csvField(const QString &text);
// A JSON string literal; text that is not UTF-8 (kept as lone surrogates) is escaped as \udcXX.
QString jsonString(const QString &text);

} // namespace lis
