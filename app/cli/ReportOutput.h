#pragma once

#include "app/cli/CliOptions.h"

#include <QString>
#include <optional>
#include <vector>

namespace lis {

// Why a photo ranked where it did, each 0–100 (higher is better).
struct QualityColumns
{
    int sharpness = 0;
    int noise = 0;
    int exposure = 0;
    int contrast = 0;
    int compression = 0;
};

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
    std::optional<QualityColumns> quality;
};

// The report in the chosen format, ending with a line break. An empty report prints nothing,
// except in JSON, where it is an empty array.
QString formatReport(const std::vector<ReportLine> &lines, OutputFormat format);

} // namespace lis
