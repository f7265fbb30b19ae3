#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <variant>
#include <vector>

namespace lis {

enum class OutputFormat { Table, Csv, Tsv, Json, JsonLines };
// Only the paths, best first: one per line, or each ended by a NUL byte.
enum class PathList { None, Lines, Nul };
// Progress on standard error: on a terminal only (auto), as plain lines, or never.
enum class ProgressMode { Auto, Plain, None };

// One command-line run: what to search, and which of the saved options to override for this
// run only.
struct CliOptions
{
    QString keyword;
    QStringList locations; // walked in turn; at least one
    std::optional<int> fileTypes; // the Options window's type index
    std::optional<bool> subfolders;
    std::optional<bool> hiddenFiles;
    bool skipHiddenFolders = false;
    QStringList excludes; // globs of names left out, files and folders alike
    OutputFormat format = OutputFormat::Table;
    PathList paths = PathList::None;
    ProgressMode progress = ProgressMode::Auto;
    QString copyTo;
    std::optional<int> top;
    bool overwrite = false;
    bool listUnreadable = false;
    bool stacks = false; // the Stack and StackPosition columns
    bool bestOfStacks = false; // only the best photo of each stack of similar photos
};

// The window, opened on a folder when one is given (what a desktop entry passes).
struct WindowRequest
{
    QString folder;
};

// The table maintenance switches.
struct MaintenanceRequest
{
    bool createTable = false;
    bool dropTable = false;
};

// Text to print and leave: help or the version.
struct TextRequest
{
    QString text;
};

struct CliUsageError
{
    QString message; // names the offending value
};

using ProgramRequest
    = std::variant<WindowRequest, MaintenanceRequest, CliOptions, TextRequest, CliUsageError>;

// What the arguments ask for (arguments[0] is the program). Every argument is read here, before
// anything opens: an option of the command line never opens the window, an unknown option or a
// stray argument is a usage error.
ProgramRequest parseProgramArguments(const QStringList &arguments);

// One option of the command line, the single source of --help, the manual page and the shell
// completions.
struct ProgramOption
{
    enum class Completion { None, Folder, Choices, Text };
    QStringList names; // "search"; one-letter names are short options
    QString valueName; // empty for a switch
    QString description;
    Completion completion = Completion::None;
    QStringList choices;
    bool repeatable = false;
    bool forWindow = false; // an option of the window's toolkit, passed through
};
const std::vector<ProgramOption> &programOptions();

inline const QString programName = QStringLiteral("lumetra-image-search");
QString programVersion();

} // namespace lis
