#include "app/cli/CliOptions.h"

#include <QCommandLineParser>

namespace lis {

namespace {

struct TypeName
{
    const char *name;
    int index;
};

// The order of the Options window's list: its index is what the settings store holds.
constexpr TypeName typeNames[] = {
    { "jpeg", 0 },
    { "jpg", 0 },
    { "png", 1 },
    { "gif", 2 },
    { "bmp", 3 },
    { "tiff", 4 },
    { "tif", 4 },
    { "all", 5 },
};

std::optional<int> typeIndex(const QString &name)
{
    for (const TypeName &t : typeNames) {
        if (name.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0)
            return t.index;
    }
    return std::nullopt;
}

struct Parser
{
    QCommandLineParser parser;
    QCommandLineOption search { QStringLiteral("search"),
        QStringLiteral("The keyword file names begin with."), QStringLiteral("KEYWORD") };
    QCommandLineOption location { QStringLiteral("location"),
        QStringLiteral("The folder to search."), QStringLiteral("FOLDER") };
    QCommandLineOption type { QStringLiteral("type"),
        QStringLiteral("Image type: jpeg, png, gif, bmp, tiff or all "
                       "(default: the saved option)."),
        QStringLiteral("TYPE") };
    QCommandLineOption subfolders { QStringLiteral("subfolders"),
        QStringLiteral("Search subfolders too.") };
    QCommandLineOption noSubfolders { QStringLiteral("no-subfolders"),
        QStringLiteral("Search the folder only.") };
    QCommandLineOption hidden { QStringLiteral("hidden"),
        QStringLiteral("List hidden files too.") };
    QCommandLineOption noHidden { QStringLiteral("no-hidden"),
        QStringLiteral("Leave hidden files out.") };
    QCommandLineOption format { QStringLiteral("format"),
        QStringLiteral("Report format: table, csv or json (default "
                       "table)."),
        QStringLiteral("FORMAT"), QStringLiteral("table") };
    QCommandLineOption copyTo { QStringLiteral("copy-to"),
        QStringLiteral("Copy the top results into FOLDER."), QStringLiteral("FOLDER") };
    QCommandLineOption top { QStringLiteral("top"),
        QStringLiteral("With --copy-to: copy only the N best results."), QStringLiteral("N") };
    QCommandLineOption unreadable { QStringLiteral("unreadable"),
        QStringLiteral("List the files that could not be read, "
                       "with the reason, on standard error.") };
    QCommandLineOption createTable { QStringLiteral("create-table"),
        QStringLiteral("Create the Image_Rank table in the "
                       "maintenance database.") };
    QCommandLineOption dropTable { QStringLiteral("drop-table"),
        QStringLiteral("Drop the Image_Rank table from the "
                       "maintenance database.") };

    Parser()
    {
        parser.setApplicationDescription(QStringLiteral(
            "Lumetra Image Search: finds the images whose names begin with a keyword under a "
            "folder and ranks them by quality, best first.\n"
            "Without arguments it opens its window. With --search and --location it runs once "
            "without a window and prints the report on standard output; progress and problems "
            "go to standard error. Options left out come from the saved settings, which the "
            "command line never changes. Ctrl+C cancels (exit status 130). Exit status 2 for "
            "bad input."));
        parser.addHelpOption();
        parser.addOptions({ search, location, type, subfolders, noSubfolders, hidden, noHidden,
            format, copyTo, top, unreadable, createTable, dropTable });
    }
};

} // namespace

bool isCommandLineRun(const QStringList &arguments)
{
    for (const QString &arg : arguments.mid(1)) {
        if (arg.startsWith(u"--search") || arg.startsWith(u"--location") || arg == u"--help"
            || arg == u"-h")
            return true;
    }
    return false;
}

QString commandLineHelp()
{
    Parser p;
    return p.parser.helpText();
}

CliParseResult parseCommandLine(const QStringList &arguments)
{
    Parser p;
    if (!p.parser.parse(arguments))
        return CliUsageError { p.parser.errorText() };
    if (p.parser.isSet(QStringLiteral("help")))
        return CliHelp { p.parser.helpText() };
    if (!p.parser.positionalArguments().isEmpty())
        return CliUsageError {
            QStringLiteral("Unexpected argument: %1").arg(p.parser.positionalArguments().first())
        };

    CliOptions options;
    options.keyword = p.parser.value(p.search);
    options.location = p.parser.value(p.location);
    if (p.parser.isSet(p.type)) {
        options.fileTypes = typeIndex(p.parser.value(p.type));
        if (!options.fileTypes)
            return CliUsageError { QStringLiteral("Unknown image type: %1 (use jpeg, png, gif, "
                                                  "bmp, tiff or all)")
                                       .arg(p.parser.value(p.type)) };
    }
    if (p.parser.isSet(p.subfolders) && p.parser.isSet(p.noSubfolders))
        return CliUsageError { QStringLiteral("--subfolders and --no-subfolders exclude each "
                                              "other") };
    if (p.parser.isSet(p.hidden) && p.parser.isSet(p.noHidden))
        return CliUsageError { QStringLiteral("--hidden and --no-hidden exclude each other") };
    if (p.parser.isSet(p.subfolders) || p.parser.isSet(p.noSubfolders))
        options.subfolders = p.parser.isSet(p.subfolders);
    if (p.parser.isSet(p.hidden) || p.parser.isSet(p.noHidden))
        options.hiddenFiles = p.parser.isSet(p.hidden);

    const QString format = p.parser.value(p.format).toLower();
    if (format == u"table")
        options.format = OutputFormat::Table;
    else if (format == u"csv")
        options.format = OutputFormat::Csv;
    else if (format == u"json")
        options.format = OutputFormat::Json;
    else
        return CliUsageError { QStringLiteral("Unknown format: %1 (use table, csv or json)")
                                   .arg(p.parser.value(p.format)) };

    options.copyTo = p.parser.value(p.copyTo);
    // An empty folder would skip the copy silently while the run reports success.
    if (p.parser.isSet(p.copyTo) && options.copyTo.isEmpty())
        return CliUsageError { QStringLiteral("--copy-to needs a folder") };
    if (p.parser.isSet(p.top)) {
        if (!p.parser.isSet(p.copyTo))
            return CliUsageError { QStringLiteral("--top goes with --copy-to") };
        bool ok = false;
        const int n = p.parser.value(p.top).toInt(&ok);
        if (!ok || n < 1)
            return CliUsageError { QStringLiteral("--top takes a whole number of at least 1") };
        options.top = n;
    }
    options.listUnreadable = p.parser.isSet(p.unreadable);
    return options;
}

} // namespace lis
