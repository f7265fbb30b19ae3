#include "app/cli/CliDocs.h"

#include "app/cli/CliOptions.h"

#include <QStringList>

namespace lis {

namespace {

const QString summary = QStringLiteral(
    "Finds the image files whose names begin with a keyword under a folder and ranks them by "
    "quality, best first.");

const QString description = QStringLiteral(
    "Without arguments, or with one FOLDER, it opens its window (on that folder). With --search "
    "and --location it runs once without a window and prints the report on standard output; "
    "progress, problems and the copy summary go to standard error. Options left out come from "
    "the saved settings, which the command line never changes. Each run works in a private "
    "working folder of its own, so runs go side by side and beside an open window.");

struct Column
{
    const char *name;
    const char *meaning;
};

// The machine formats' columns, in their fixed order.
constexpr Column columns[] = {
    { "Position", "1 for the best result" },
    { "Path", "the file, exactly as found (bytes that are not UTF-8 kept)" },
    { "Name", "the file name without its extension" },
    { "Type", "JPEG for .jpg, otherwise the extension in capitals" },
    { "SizeBytes", "the file's size in bytes" },
    { "Width", "pixels, upright; empty or null when unknown" },
    { "Height", "pixels, upright; empty or null when unknown" },
    { "Rank", "the stored rank: 0 for a file that could not be judged" },
    { "Score", "the rank on a 0-100 scale, one decimal; empty or null when not judged" },
    { "Sharpness", "0-100, higher is better; empty or null when not judged" },
    { "Noise", "0-100" },
    { "Exposure", "0-100" },
    { "Contrast", "0-100" },
    { "Compression", "0-100" },
    { "Problem",
        "empty, or why the file could not be judged: missing, damaged, unsupported, too-large" },
};

struct ExitStatus
{
    int code;
    const char *meaning;
};

constexpr ExitStatus exitStatuses[] = {
    { 0, "done (also when nothing was found)" },
    { 1,
        "the working files could not be used, the report could not be written, or a chosen "
        "file was not copied" },
    { 2,
        "bad input: an unknown option, a bad value, keyword, folder or output folder; refused "
        "before the search starts" },
    { 130, "cancelled with Ctrl+C (SIGINT)" },
    { 143, "stopped by SIGTERM" },
};

QString optionSynopsis(const ProgramOption &entry)
{
    QStringList names;
    for (const QString &name : entry.names)
        names.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
    QString text = names.join(QStringLiteral(", "));
    if (!entry.valueName.isEmpty())
        text += u' ' + entry.valueName;
    return text;
}

QString wrapped(const QString &text, int indent, int width)
{
    QString out;
    QString line;
    for (const QString &word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > width) {
            out += QString(indent, u' ') + line + u'\n';
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        out += QString(indent, u' ') + line + u'\n';
    return out;
}

QString roffEscape(QString text)
{
    text.replace(u'\\', QStringLiteral("\\e"));
    text.replace(u'-', QStringLiteral("\\-"));
    if (text.startsWith(u'.') || text.startsWith(u'\''))
        text.prepend(QStringLiteral("\\&"));
    return text;
}

} // namespace

QString commandLineHelp(bool withWindowOptions)
{
    QString out = QStringLiteral("Usage: %1 [FOLDER]\n       %1 --search KEYWORD --location FOLDER "
                                 "[OPTION]...\n\n")
                      .arg(programName);
    out += wrapped(summary, 0, 79) + u'\n' + wrapped(description, 0, 79) + u'\n';
    out += QStringLiteral("Options:\n");
    for (const ProgramOption &entry : programOptions()) {
        if (entry.forWindow && !withWindowOptions)
            continue;
        out += QStringLiteral("  ") + optionSynopsis(entry) + u'\n';
        out += wrapped(entry.description, 6, 79);
    }
    out += QStringLiteral("\nColumns of --format csv, tsv, json and jsonl, always all of them, in "
                          "this order:\n");
    for (const Column &column : columns)
        out += QStringLiteral("  %1  %2\n")
                   .arg(QString::fromLatin1(column.name).leftJustified(12),
                       QString::fromLatin1(column.meaning));
    out += wrapped(
        QStringLiteral("Numbers are plain C numbers whatever the locale. CSV follows RFC 4180; a "
                       "cell that a spreadsheet would run as a formula (beginning with =, +, -, @, "
                       "a tab or a carriage return) or that begins with ' gets a leading ', so it "
                       "shows as text; drop one leading ' to read the value. JSON escapes "
                       "bytes that are not UTF-8 as \\udc80-\\udcff (Python's surrogateescape). "
                       "--print0 writes paths as raw bytes."),
        0, 79);
    out += QStringLiteral("\nExit status:\n");
    for (const ExitStatus &status : exitStatuses)
        out += QStringLiteral("  %1  %2\n")
                   .arg(QString::number(status.code).rightJustified(3),
                       QString::fromLatin1(status.meaning));
    return out;
}

QString manualPage()
{
    QString out = QStringLiteral(".TH LUMETRA\\-IMAGE\\-SEARCH 1 \"\" \"%1\" \"User Commands\"\n")
                      .arg(programVersion());
    out += QStringLiteral(".SH NAME\nlumetra\\-image\\-search \\- %1\n").arg(roffEscape(summary));
    out += QStringLiteral(
        ".SH SYNOPSIS\n.B lumetra\\-image\\-search\n[\\fIFOLDER\\fR]\n.br\n"
        ".B lumetra\\-image\\-search\n\\-\\-search \\fIKEYWORD\\fR \\-\\-location "
        "\\fIFOLDER\\fR [\\fIOPTION\\fR]...\n");
    out += QStringLiteral(".SH DESCRIPTION\n%1\n").arg(roffEscape(description));
    out += QStringLiteral(".SH OPTIONS\n");
    for (const ProgramOption &entry : programOptions()) {
        QStringList names;
        for (const QString &name : entry.names)
            names.append(
                QStringLiteral("\\fB%1%2\\fR")
                    .arg(name.size() == 1 ? QStringLiteral("\\-") : QStringLiteral("\\-\\-"),
                        roffEscape(name)));
        QString head = names.join(QStringLiteral(", "));
        if (!entry.valueName.isEmpty())
            head += QStringLiteral(" \\fI%1\\fR").arg(entry.valueName);
        out += QStringLiteral(".TP\n%1\n%2\n").arg(head, roffEscape(entry.description));
    }
    out += QStringLiteral(".SH COLUMNS\nThe machine formats always give these columns, in this "
                          "order:\n");
    for (const Column &column : columns)
        out += QStringLiteral(".TP\n.B %1\n%2\n")
                   .arg(QString::fromLatin1(column.name),
                       roffEscape(QString::fromLatin1(column.meaning)));
    out += QStringLiteral(".SH EXIT STATUS\n");
    for (const ExitStatus &status : exitStatuses)
        out += QStringLiteral(".TP\n.B %1\n%2\n")
                   .arg(status.code)
                   .arg(roffEscape(QString::fromLatin1(status.meaning)));
    out += QStringLiteral(
        ".SH FILES\n.TP\n.I ~/.config/Lumetra_Image_Search/Lumetra_Image_Search.conf\n"
        "the saved settings\n.TP\n.I ~/.cache/Lumetra_Image_Search/LIS\n"
        "the working files of an installed copy\n");
    return out;
}

QString bashCompletion()
{
    QStringList all;
    QString valueCases;
    for (const ProgramOption &entry : programOptions()) {
        QStringList spelled;
        for (const QString &name : entry.names)
            spelled.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
        all += spelled;
        if (entry.valueName.isEmpty())
            continue;
        const QString pattern = spelled.join(u'|');
        switch (entry.completion) {
        case ProgramOption::Completion::Folder:
            valueCases
                += QStringLiteral("        %1) COMPREPLY=($(compgen -d -- \"$cur\")); return ;;\n")
                       .arg(pattern);
            break;
        case ProgramOption::Completion::Choices:
            valueCases += QStringLiteral(
                "        %1) COMPREPLY=($(compgen -W \"%2\" -- \"$cur\")); return ;;\n")
                              .arg(pattern, entry.choices.join(u' '));
            break;
        case ProgramOption::Completion::Text:
        case ProgramOption::Completion::None:
            valueCases += QStringLiteral("        %1) return ;;\n").arg(pattern);
            break;
        }
    }
    return QStringLiteral(
        "# bash completion for %1; made from its option table\n"
        "_lumetra_image_search() {\n"
        "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
        "    case $prev in\n%2    esac\n"
        "    if [[ $cur == -* ]]; then\n"
        "        COMPREPLY=($(compgen -W \"%3\" -- \"$cur\"))\n"
        "    else\n"
        "        COMPREPLY=($(compgen -d -- \"$cur\"))\n"
        "    fi\n"
        "}\n"
        "complete -o filenames -F _lumetra_image_search %1\n")
        .arg(programName, valueCases, all.join(u' '));
}

QString zshCompletion()
{
    QString arguments;
    for (const ProgramOption &entry : programOptions()) {
        QString action;
        if (!entry.valueName.isEmpty()) {
            switch (entry.completion) {
            case ProgramOption::Completion::Folder:
                action = QStringLiteral(":%1:_files -/").arg(entry.valueName.toLower());
                break;
            case ProgramOption::Completion::Choices:
                action = QStringLiteral(":%1:(%2)")
                             .arg(entry.valueName.toLower(), entry.choices.join(u' '));
                break;
            case ProgramOption::Completion::Text:
            case ProgramOption::Completion::None:
                action = QStringLiteral(":%1: ").arg(entry.valueName.toLower());
                break;
            }
        }
        QString help = entry.description;
        help.replace(u'\'', QStringLiteral("'\\''"));
        help.replace(u'[', u'(').replace(u']', u')').replace(u':', u';');
        help = help.section(u'.', 0, 0);
        const QString repeat = entry.repeatable ? QStringLiteral("*") : QString();
        for (const QString &name : entry.names) {
            const QString dashed
                = (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
            arguments += QStringLiteral("    '%1%2[%3]%4' \\\n").arg(repeat, dashed, help, action);
        }
    }
    return QStringLiteral("#compdef %1\n# zsh completion for %1; made from its option table\n"
                          "_arguments -s \\\n%2    '1:folder:_files -/'\n")
        .arg(programName, arguments);
}

} // namespace lis
