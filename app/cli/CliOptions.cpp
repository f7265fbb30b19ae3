#include "app/cli/CliOptions.h"

#include "app/cli/CliDocs.h"

#include <QCommandLineParser>
#include <algorithm>
#include <memory>

namespace lis {

namespace {

using Completion = ProgramOption::Completion;

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

ProgramOption option(QStringList names, QString valueName, QString description,
    Completion completion = Completion::None, QStringList choices = {}, bool repeatable = false,
    bool forWindow = false)
{
    ProgramOption entry;
    entry.names = std::move(names);
    entry.valueName = std::move(valueName);
    entry.description = std::move(description);
    entry.completion = completion;
    entry.choices = std::move(choices);
    entry.repeatable = repeatable;
    entry.forWindow = forWindow;
    return entry;
}

std::vector<ProgramOption> makeOptions()
{
    const auto text = [](const char *s) { return QString::fromUtf8(s); };
    return {
        option({ text("search") }, text("KEYWORD"),
            text("Search for image files whose names begin with KEYWORD (case ignored; ? is one "
                 "character, * any run). Blanks are kept."),
            Completion::Text),
        option({ text("location") }, text("FOLDER"),
            text("The folder to search, as typed. Repeat it to search several folders in turn; "
                 "a file found through two of them is listed once."),
            Completion::Folder, {}, true),
        option({ text("type") }, text("TYPE"),
            text("The image type to rank: jpeg, png, gif, bmp, tiff or all (default: the saved "
                 "option)."),
            Completion::Choices,
            { text("jpeg"), text("png"), text("gif"), text("bmp"), text("tiff"), text("all") }),
        option({ text("subfolders") }, {}, text("Search subfolders too.")),
        option({ text("no-subfolders") }, {}, text("Search the folder only.")),
        option({ text("hidden") }, {}, text("List hidden files (names beginning with a dot) too.")),
        option({ text("no-hidden") }, {}, text("Leave hidden files out.")),
        option({ text("skip-hidden-folders") }, {},
            text("Do not enter folders whose names begin with a dot (.Trash, .thumbnails).")),
        option({ text("exclude") }, text("GLOB"),
            text("Leave out files and folders whose name matches GLOB (shell wildcards, case "
                 "kept). Repeatable."),
            Completion::Text, {}, true),
        option({ text("format") }, text("FORMAT"),
            text("The report's form: table (for people), csv, tsv, json or jsonl (for "
                 "programs; see COLUMNS). Default table."),
            Completion::Choices,
            { text("table"), text("csv"), text("tsv"), text("json"), text("jsonl") }),
        option({ text("paths") }, {}, text("Print only the paths, best first, one per line.")),
        option({ text("0"), text("print0") }, {},
            text("Print only the paths, best first, each ended by a NUL byte (for xargs -0).")),
        option({ text("progress") }, text("WHEN"),
            text("Progress on standard error: auto (only on a terminal, the default), plain "
                 "(one line per step, for logs) or none."),
            Completion::Choices, { text("auto"), text("plain"), text("none") }),
        option({ text("copy-to") }, text("FOLDER"),
            text("Copy the results into FOLDER (made when missing). A file already there is "
                 "never replaced: the same bytes count as already there, other bytes get "
                 "\"name (2).ext\"."),
            Completion::Folder),
        option({ text("top") }, text("N"), text("With --copy-to: copy only the N best results."),
            Completion::Text),
        option({ text("overwrite") }, {},
            text("With --copy-to: replace files of the same name in the output folder.")),
        option({ text("stacks") }, {},
            text("Add the columns Stack and StackPosition: similar photos (bursts, copies, "
                 "retakes) share a Stack, the Position of their best one, which has "
                 "StackPosition 1.")),
        option({ text("best-of-stacks") }, {},
            text("List only the best photo of each stack of similar photos, in rank order; "
                 "with --copy-to, copy only those.")),
        option({ text("unreadable") }, {},
            text("List the files that could not be read, with the reason, on standard error.")),
        option({ text("create-table") }, {},
            text("Create the Image_Rank table in the maintenance database, and say so.")),
        option({ text("drop-table") }, {},
            text("Drop the Image_Rank table from the maintenance database, and say so.")),
        option({ text("h"), text("help") }, {}, text("Show this help and leave.")),
        option({ text("help-all") }, {}, text("Show this help with the window's own options.")),
        option({ text("v"), text("version") }, {}, text("Show the version and leave.")),
        option({ text("platform") }, text("NAME"),
            text("The window system plugin of the window (xcb, wayland, offscreen)."),
            Completion::Choices, { text("xcb"), text("wayland"), text("offscreen") }, false, true),
        option({ text("display") }, text("DISPLAY"), text("The X display the window opens on."),
            Completion::Text, {}, false, true),
        option({ text("style") }, text("STYLE"), text("The widget style of the window."),
            Completion::Text, {}, false, true),
    };
}

struct Parser
{
    QCommandLineParser parser;
    std::vector<std::unique_ptr<QCommandLineOption>> options;

    Parser()
    {
        // "-platform offscreen" is one option, as the window's toolkit spells it.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
        for (const ProgramOption &entry : programOptions()) {
            auto option = std::make_unique<QCommandLineOption>(entry.names, entry.description);
            if (!entry.valueName.isEmpty())
                option->setValueName(entry.valueName);
            parser.addOption(*option);
            options.push_back(std::move(option));
        }
    }
    bool isSet(const char *name) const { return parser.isSet(QString::fromLatin1(name)); }
    QString value(const char *name) const { return parser.value(QString::fromLatin1(name)); }
    QStringList values(const char *name) const { return parser.values(QString::fromLatin1(name)); }
};

// The options that make a command-line run of the arguments, whether or not --search is there:
// none of them ever opens the window.
constexpr const char *runOptions[] = { "search", "location", "type", "subfolders", "no-subfolders",
    "hidden", "no-hidden", "skip-hidden-folders", "exclude", "format", "paths", "0", "progress",
    "copy-to", "top", "overwrite", "unreadable", "stacks", "best-of-stacks" };

CliUsageError usage(const QString &text)
{
    return { text };
}

std::variant<CliOptions, CliUsageError> readRunOptions(const Parser &p)
{
    CliOptions options;
    if (!p.isSet("search"))
        return usage(QStringLiteral("--search KEYWORD is needed for a search"));
    if (!p.isSet("location"))
        return usage(QStringLiteral("--location FOLDER is needed for a search"));
    options.keyword = p.value("search");
    options.locations = p.values("location");
    if (p.isSet("type")) {
        options.fileTypes = typeIndex(p.value("type"));
        if (!options.fileTypes)
            return usage(QStringLiteral("unknown image type '%1' (use jpeg, png, gif, bmp, tiff "
                                        "or all)")
                             .arg(p.value("type")));
    }
    if (p.isSet("subfolders") && p.isSet("no-subfolders"))
        return usage(QStringLiteral("--subfolders and --no-subfolders exclude each other"));
    if (p.isSet("hidden") && p.isSet("no-hidden"))
        return usage(QStringLiteral("--hidden and --no-hidden exclude each other"));
    if (p.isSet("subfolders") || p.isSet("no-subfolders"))
        options.subfolders = p.isSet("subfolders");
    if (p.isSet("hidden") || p.isSet("no-hidden"))
        options.hiddenFiles = p.isSet("hidden");
    options.skipHiddenFolders = p.isSet("skip-hidden-folders");
    options.excludes = p.values("exclude");
    for (const QString &glob : std::as_const(options.excludes)) {
        if (glob.isEmpty())
            return usage(QStringLiteral("--exclude needs a pattern"));
    }

    const QString format = p.value("format").toLower();
    if (format.isEmpty() || format == u"table")
        options.format = OutputFormat::Table;
    else if (format == u"csv")
        options.format = OutputFormat::Csv;
    else if (format == u"tsv")
        options.format = OutputFormat::Tsv;
    else if (format == u"json")
        options.format = OutputFormat::Json;
    else if (format == u"jsonl")
        options.format = OutputFormat::JsonLines;
    else
        return usage(QStringLiteral("unknown format '%1' (use table, csv, tsv, json or jsonl)")
                         .arg(p.value("format")));
    if (p.isSet("paths") && p.isSet("0"))
        return usage(QStringLiteral("--paths and --print0 exclude each other"));
    if ((p.isSet("paths") || p.isSet("0")) && p.isSet("format"))
        return usage(QStringLiteral("--paths and --print0 print paths only; leave out --format"));
    options.paths = p.isSet("0") ? PathList::Nul
        : p.isSet("paths")       ? PathList::Lines
                                 : PathList::None;

    const QString progress = p.value("progress").toLower();
    if (progress.isEmpty() || progress == u"auto")
        options.progress = ProgressMode::Auto;
    else if (progress == u"plain")
        options.progress = ProgressMode::Plain;
    else if (progress == u"none")
        options.progress = ProgressMode::None;
    else
        return usage(QStringLiteral("unknown progress mode '%1' (use auto, plain or none)")
                         .arg(p.value("progress")));

    options.copyTo = p.value("copy-to");
    // An empty folder would skip the copy silently while the run reports success.
    if (p.isSet("copy-to") && options.copyTo.isEmpty())
        return usage(QStringLiteral("--copy-to needs a folder"));
    if (p.isSet("top")) {
        if (!p.isSet("copy-to"))
            return usage(QStringLiteral("--top goes with --copy-to"));
        bool ok = false;
        const int n = p.value("top").toInt(&ok);
        if (!ok || n < 1)
            return usage(QStringLiteral("--top takes a whole number of at least 1, not '%1'")
                             .arg(p.value("top")));
        options.top = n;
    }
    if (p.isSet("overwrite") && !p.isSet("copy-to"))
        return usage(QStringLiteral("--overwrite goes with --copy-to"));
    options.overwrite = p.isSet("overwrite");
    options.listUnreadable = p.isSet("unreadable");
    options.stacks = p.isSet("stacks");
    options.bestOfStacks = p.isSet("best-of-stacks");
    return options;
}

} // namespace

const std::vector<ProgramOption> &programOptions()
{
    static const std::vector<ProgramOption> options = makeOptions();
    return options;
}

QString programVersion()
{
    return QStringLiteral(LIS_VERSION);
}

ProgramRequest parseProgramArguments(const QStringList &arguments)
{
    Parser p;
    if (!p.parser.parse(arguments)) {
        QString text = p.parser.errorText();
        if (text.endsWith(u'.'))
            text.chop(1);
        return usage(text.left(1).toLower() + text.mid(1));
    }
    if (p.isSet("help") || p.isSet("help-all"))
        return TextRequest { commandLineHelp(p.isSet("help-all")) };
    if (p.isSet("version"))
        return TextRequest { programName + u' ' + programVersion() + u'\n' };

    const QStringList positional = p.parser.positionalArguments();
    const bool maintenance = p.isSet("create-table") || p.isSet("drop-table");
    const bool run = std::any_of(std::begin(runOptions), std::end(runOptions),
        [&](const char *name) { return p.isSet(name); });
    if (maintenance && run)
        return usage(QStringLiteral("--create-table and --drop-table go alone"));
    if (maintenance) {
        if (!positional.isEmpty())
            return usage(QStringLiteral("unexpected argument '%1'").arg(positional.first()));
        return MaintenanceRequest { p.isSet("create-table"), p.isSet("drop-table") };
    }
    if (run) {
        if (!positional.isEmpty())
            return usage(QStringLiteral("unexpected argument '%1' (the folder goes after "
                                        "--location)")
                             .arg(positional.first()));
        auto options = readRunOptions(p);
        if (auto *refused = std::get_if<CliUsageError>(&options))
            return *refused;
        return std::get<CliOptions>(std::move(options));
    }
    if (positional.size() > 1)
        return usage(QStringLiteral("unexpected argument '%1' (the window opens on one folder)")
                         .arg(positional.at(1)));
    return WindowRequest { positional.value(0) };
}

} // namespace lis
