#pragma once

#include "app/cli/CliOptions.h"
#include "rank/QualityParts.h"

#include <QString>
#include <optional>
#include <vector>

namespace lis {

// One report line as the command line prints it: the window's columns, the stored rank and the
// full path.
struct ReportLine
{
    int position = 0;
    QString name;
    QString size;
    QString type;
    QString width;
    QString height;
    QString rank;
    QString path;
    std::optional<QualityParts> quality; // why it ranked where it did
};

// The report in the chosen format, ending with a line break. An empty report prints nothing,
// except in JSON, where it is an empty array.
QString formatReport(const std::vector<ReportLine> &lines, OutputFormat format);

} // namespace lis
