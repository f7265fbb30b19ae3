#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

namespace lis {

enum class OutputFormat { Table, Csv, Json };

// One command-line run: what to search, and which of the saved options to override for this
// run only.
struct CliOptions
{
    QString keyword;
    QString location;
    std::optional<int> fileTypes; // the Options window's type index
    std::optional<bool> subfolders;
    std::optional<bool> hiddenFiles;
    OutputFormat format = OutputFormat::Table;
    QString copyTo;
    std::optional<int> top;
    bool listUnreadable = false;
};

struct CliUsageError
{
    QString message;
};

struct CliHelp
{
    QString text;
};

using CliParseResult = std::variant<CliOptions, CliUsageError, CliHelp>;

// Whether the arguments ask for a command-line run rather than the window.
bool isCommandLineRun(const QStringList &arguments);
// Parses the arguments of a command-line run (arguments[0] is the program).
CliParseResult parseCommandLine(const QStringList &arguments);
QString commandLineHelp();

} // namespace lis
