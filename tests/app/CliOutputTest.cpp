#include "app/cli/CliDocs.h"
#include "app/cli/CliOptions.h"
#include "app/cli/ReportOutput.h"
#include "core/FileNames.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <gtest/gtest.h>

using namespace lis;

namespace {

QStringList args(std::initializer_list<const char *> list)
{
    QStringList out { QStringLiteral("lumetra-image-search") };
    for (const char *a : list)
        out.append(QString::fromUtf8(a));
    return out;
}

CliOptions parsedRun(std::initializer_list<const char *> list)
{
    const ProgramRequest request = parseProgramArguments(args(list));
    if (const auto *error = std::get_if<CliUsageError>(&request))
        ADD_FAILURE() << error->message.toStdString();
    return std::get_if<CliOptions>(&request) ? std::get<CliOptions>(request) : CliOptions {};
}

ReportLine judged()
{
    ReportLine line;
    line.position = 1;
    line.path = QStringLiteral("/p/sun2.jpg");
    line.name = QStringLiteral("sun2");
    line.type = QStringLiteral("JPEG");
    line.size = QStringLiteral("1.13 KB");
    line.sizeBytes = 1152;
    line.width = 640;
    line.height = 480;
    line.rank = 1 + 2'000'000'000 / 2; // a score of 50
    line.score = scoreOfRank(line.rank);
    line.quality = QualityParts { 80, 70, 60, 50, 40 };
    return line;
}

ReportLine unreadable()
{
    ReportLine line;
    line.position = 2;
    line.path = QStringLiteral("/p/sun, \"odd\"\nname.png");
    line.name = QStringLiteral("sun, \"odd\"\nname");
    line.type = QStringLiteral("PNG");
    line.size = QStringLiteral("12 bytes");
    line.sizeBytes = 12;
    line.problem = QStringLiteral("damaged");
    return line;
}

const QString machineHeader = QStringLiteral("Position,Path,Name,Type,SizeBytes,Width,Height,Rank,"
                                             "Score,Sharpness,Noise,Exposure,Contrast,Compression,"
                                             "Problem");

} // namespace

TEST(CliOptions, ParsesEveryOption)
{
    const CliOptions o
        = parsedRun({ "--search", "sun ", "--location", "/photos", "--location", "/more", "--type",
            "tiff", "--no-subfolders", "--hidden", "--skip-hidden-folders", "--exclude", "*.tmp",
            "--exclude", ".Trash*", "--format", "tsv", "--progress=plain", "--copy-to", "/out",
            "--top", "3", "--overwrite", "--unreadable", "--stacks", "--best-of-stacks" });
    EXPECT_EQ(o.keyword, u"sun "); // kept as typed: the trailing blank is part of the pattern
    EXPECT_EQ(o.locations, QStringList({ u"/photos"_qs, u"/more"_qs }));
    EXPECT_EQ(o.fileTypes, 4);
    EXPECT_EQ(o.subfolders, false);
    EXPECT_EQ(o.hiddenFiles, true);
    EXPECT_TRUE(o.skipHiddenFolders);
    EXPECT_EQ(o.excludes, QStringList({ u"*.tmp"_qs, u".Trash*"_qs }));
    EXPECT_EQ(o.format, OutputFormat::Tsv);
    EXPECT_EQ(o.progress, ProgressMode::Plain);
    EXPECT_EQ(o.copyTo, u"/out");
    EXPECT_EQ(o.top, 3);
    EXPECT_TRUE(o.overwrite);
    EXPECT_TRUE(o.listUnreadable);
    EXPECT_TRUE(o.stacks);
    EXPECT_TRUE(o.bestOfStacks);
    EXPECT_EQ(parsedRun({ "--search", "a", "--location", "/", "-0" }).paths, PathList::Nul);
    EXPECT_EQ(parsedRun({ "--search", "a", "--location", "/", "--paths" }).paths, PathList::Lines);

    const CliOptions plain = parsedRun({ "--search", "a", "--location", "/" });
    EXPECT_FALSE(plain.fileTypes.has_value());
    EXPECT_FALSE(plain.subfolders.has_value());
    EXPECT_FALSE(plain.hiddenFiles.has_value());
    EXPECT_EQ(plain.format, OutputFormat::Table);
    EXPECT_EQ(plain.progress, ProgressMode::Auto);
    EXPECT_FALSE(plain.top.has_value());
    EXPECT_FALSE(plain.stacks);
    EXPECT_FALSE(plain.bestOfStacks);
}

// Every refusal names what it refuses.
TEST(CliOptions, UsageErrors)
{
    struct Bad
    {
        QStringList arguments;
        const char *named;
    };
    const Bad bads[] = {
        { args({ "--search", "a", "--location", "/", "--type", "webp" }), "webp" },
        { args({ "--search", "a", "--location", "/", "--format", "xml" }), "xml" },
        { args({ "--search", "a", "--location", "/", "--top", "2" }), "--copy-to" },
        { args({ "--search", "a", "--location", "/", "--copy-to", "/o", "--top", "0" }), "'0'" },
        { args({ "--search", "a", "--location", "/", "--copy-to", "/o", "--top", "x" }), "'x'" },
        { args({ "--search", "a", "--location", "/", "--copy-to", "" }), "--copy-to" },
        { args({ "--search", "a", "--location", "/", "--overwrite" }), "--copy-to" },
        { args({ "--search", "a", "--location", "/", "--subfolders", "--no-subfolders" }),
            "--no-subfolders" },
        { args({ "--search", "a", "--location", "/", "--progress", "loud" }), "loud" },
        { args({ "--search", "a", "--location", "/", "--paths", "--format", "csv" }), "--format" },
        { args({ "--search", "a", "--location", "/", "--bogus" }), "bogus" },
        { args({ "--search", "a", "--location", "/", "stray" }), "stray" },
        { args({ "--search", "a" }), "--location" },
        { args({ "--format", "csv" }), "--search" },
        { args({ "/one", "/two" }), "/two" },
        { args({ "--create-table", "--search", "a" }), "--create-table" },
    };
    for (const Bad &bad : bads) {
        SCOPED_TRACE(bad.arguments.join(u' ').toStdString());
        const ProgramRequest request = parseProgramArguments(bad.arguments);
        ASSERT_TRUE(std::holds_alternative<CliUsageError>(request));
        EXPECT_TRUE(std::get<CliUsageError>(request).message.contains(QString::fromUtf8(bad.named)))
            << std::get<CliUsageError>(request).message.toStdString();
    }
}

// What each start asks for: only arguments that name nothing of the command line open the
// window, and a single folder opens it on that folder.
TEST(CliOptions, WindowCommandLineMaintenanceOrText)
{
    const auto window = [](const ProgramRequest &r) {
        return std::holds_alternative<WindowRequest>(r) ? std::get<WindowRequest>(r).folder
                                                        : QStringLiteral("<not the window>");
    };
    EXPECT_EQ(window(parseProgramArguments(args({}))), QString());
    EXPECT_EQ(window(parseProgramArguments(args({ "-platform", "offscreen" }))), QString());
    EXPECT_EQ(window(parseProgramArguments(args({ "/home/me/Pictures" }))), u"/home/me/Pictures");
    EXPECT_TRUE(std::holds_alternative<CliOptions>(
        parseProgramArguments(args({ "--search", "x", "--location=/x" }))));
    const ProgramRequest maintenance = parseProgramArguments(args({ "--drop-table" }));
    ASSERT_TRUE(std::holds_alternative<MaintenanceRequest>(maintenance));
    EXPECT_TRUE(std::get<MaintenanceRequest>(maintenance).dropTable);
    EXPECT_FALSE(std::get<MaintenanceRequest>(maintenance).createTable);
    for (const char *text : { "--help", "-h", "--help-all", "--version", "-v" }) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(std::holds_alternative<TextRequest>(parseProgramArguments(args({ text }))));
    }
    const ProgramRequest version = parseProgramArguments(args({ "--version" }));
    EXPECT_EQ(std::get<TextRequest>(version).text, u"lumetra-image-search 1.0\n");
}

// The help, the manual page and the completions name every option of the table.
TEST(CliOptions, EveryOptionIsDocumentedEverywhere)
{
    const QString help = commandLineHelp(true);
    const QString manual = manualPage();
    const QString bash = bashCompletion();
    const QString zsh = zshCompletion();
    for (const ProgramOption &entry : programOptions()) {
        for (const QString &name : entry.names) {
            const QString dashed = (name.size() == 1 ? u"-"_qs : u"--"_qs) + name;
            SCOPED_TRACE(dashed.toStdString());
            EXPECT_TRUE(help.contains(dashed));
            EXPECT_TRUE(manual.contains(QString(dashed).replace(u'-', u"\\-"_qs)));
            EXPECT_TRUE(bash.contains(dashed));
            EXPECT_TRUE(zsh.contains(dashed));
        }
    }
    EXPECT_TRUE(help.contains(u"SizeBytes"));
    EXPECT_TRUE(manual.startsWith(u".TH"));
}

TEST(ReportOutput, TableKeepsColumnsAlignedAndEscapesLineBreaks)
{
    const QString table
        = QString::fromUtf8(formatReport({ judged(), unreadable() }, OutputFormat::Table));
    const QStringList rows = table.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_TRUE(rows[0].startsWith(u"Position  Name"));
    EXPECT_TRUE(rows[0].endsWith(u"Path"));
    EXPECT_TRUE(rows[2].contains(QStringLiteral("sun, \"odd\"\\nname.png")));
    const qsizetype pathColumn = rows[0].indexOf(u"Path");
    EXPECT_EQ(rows[1].mid(pathColumn), u"/p/sun2.jpg");
    EXPECT_TRUE(rows[1].contains(u"50.0"));
    EXPECT_TRUE(formatReport({}, OutputFormat::Table).isEmpty());
}

// The machine formats give every column in a fixed order, with or without judged files and
// with no results at all, as C numbers whatever the locale.
TEST(ReportOutput, MachineFormatsKeepTheirColumnsAndNumbers)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    for (const std::vector<ReportLine> &lines :
        { std::vector<ReportLine> { judged(), unreadable() },
            std::vector<ReportLine> { unreadable() }, std::vector<ReportLine> {} }) {
        SCOPED_TRACE(lines.size());
        const QString csv = QString::fromUtf8(formatReport(lines, OutputFormat::Csv));
        EXPECT_TRUE(csv.startsWith(machineHeader + QStringLiteral("\r\n")));
        const QString tsv = QString::fromUtf8(formatReport(lines, OutputFormat::Tsv));
        EXPECT_TRUE(tsv.startsWith(QString(machineHeader).replace(u',', u'\t') + u'\n'));
        const QJsonDocument json = QJsonDocument::fromJson(formatReport(lines, OutputFormat::Json));
        ASSERT_TRUE(json.isArray());
        EXPECT_EQ(json.array().size(), qsizetype(lines.size()));
        const QStringList jsonl = QString::fromUtf8(formatReport(lines, OutputFormat::JsonLines))
                                      .split(u'\n', Qt::SkipEmptyParts);
        EXPECT_EQ(jsonl.size(), qsizetype(lines.size()));
        for (const QString &object : jsonl)
            EXPECT_EQ(QJsonDocument::fromJson(object.toUtf8()).object().keys().size(), 15);
        // The stack columns come after the fixed ones, which stay as they are.
        const ExtraColumns stacks { true };
        const QString stackHeader = machineHeader + QStringLiteral(",Stack,StackPosition");
        EXPECT_TRUE(QString::fromUtf8(formatReport(lines, OutputFormat::Csv, stacks))
                        .startsWith(stackHeader + QStringLiteral("\r\n")));
        EXPECT_TRUE(QString::fromUtf8(formatReport(lines, OutputFormat::Tsv, stacks))
                        .startsWith(QString(stackHeader).replace(u',', u'\t') + u'\n'));
        for (const QString &object :
            QString::fromUtf8(formatReport(lines, OutputFormat::JsonLines, stacks))
                .split(u'\n', Qt::SkipEmptyParts)) {
            const QJsonObject row = QJsonDocument::fromJson(object.toUtf8()).object();
            EXPECT_EQ(row.keys().size(), 17);
            EXPECT_TRUE(row[u"Stack"].isDouble());
            EXPECT_TRUE(row[u"StackPosition"].isDouble());
        }
    }
    const QString csv
        = QString::fromUtf8(formatReport({ judged(), unreadable() }, OutputFormat::Csv));
    EXPECT_TRUE(
        csv.contains(u"1,/p/sun2.jpg,sun2,JPEG,1152,640,480,1000000001,50.0,80,70,60,50,40,\r\n"));
    EXPECT_TRUE(csv.contains(u"2,\"/p/sun, \"\"odd\"\"\nname.png\",\"sun, "
                             u"\"\"odd\"\"\nname\",PNG,12,,,0,,,,,,,damaged\r\n"));
    const QJsonArray array
        = QJsonDocument::fromJson(formatReport({ judged(), unreadable() }, OutputFormat::Json))
              .array();
    const QJsonObject first = array[0].toObject();
    EXPECT_TRUE(first[u"SizeBytes"].isDouble());
    EXPECT_EQ(first[u"Rank"].toInteger(), 1000000001);
    EXPECT_DOUBLE_EQ(first[u"Score"].toDouble(), 50.0);
    EXPECT_EQ(first[u"Sharpness"].toInt(), 80);
    EXPECT_TRUE(array[1].toObject()[u"Width"].isNull());
    EXPECT_TRUE(array[1].toObject()[u"Score"].isNull());
    EXPECT_EQ(array[1].toObject()[u"Problem"].toString(), u"damaged");
    QLocale::setDefault(QLocale::c());
}

// Names that would run as spreadsheet formulas, tabs and line breaks in TSV, names that are not
// UTF-8 in JSON and in lists for pipes: each comes out unambiguously.
TEST(ReportOutput, HostileNamesComeOutUnambiguously)
{
    struct Cell
    {
        QString value;
        QString csv;
    };
    const Cell cells[] = {
        { u"=SUM(A1)"_qs, u"'=SUM(A1)"_qs },
        { u"+1"_qs, u"'+1"_qs },
        { u"-x"_qs, u"'-x"_qs },
        { u"@cmd"_qs, u"'@cmd"_qs },
        { u"'quoted"_qs, u"''quoted"_qs },
        { u"a,b"_qs, u"\"a,b\""_qs },
        { u"/plain/path.jpg"_qs, u"/plain/path.jpg"_qs },
    };
    for (const Cell &cell : cells)
        EXPECT_EQ(csvField(cell.value), cell.csv);

    ReportLine odd = unreadable();
    odd.path = pathFromBytes("/p/caf\xE9\tx.png");
    odd.name = pathFromBytes("caf\xE9\tx");
    EXPECT_TRUE(
        formatReport({ odd }, OutputFormat::Tsv).contains("/p/caf\xE9\\tx.png\tcaf\xE9\\tx"));
    const QByteArray json = formatReport({ odd }, OutputFormat::JsonLines);
    EXPECT_TRUE(json.contains("\"/p/caf\\udce9\\tx.png\"")) << json.toStdString();
    EXPECT_EQ(formatPaths({ judged(), odd }, PathList::Nul),
        QByteArray("/p/sun2.jpg\0/p/caf\xE9\tx.png\0", 26));
    EXPECT_EQ(formatPaths({ judged() }, PathList::Lines), "/p/sun2.jpg\n");
}
