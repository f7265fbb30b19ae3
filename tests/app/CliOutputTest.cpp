#include "app/cli/CliOptions.h"
#include "app/cli/ReportOutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

std::vector<ReportLine> sampleLines()
{
    return {
        { 1, QStringLiteral("sun2.jpg"), QStringLiteral("1.13 KB"), QStringLiteral("JPG"),
            QStringLiteral("640"), QStringLiteral("480"), QStringLiteral("870"),
            QStringLiteral("/p/sun2.jpg"), std::nullopt },
        { 2, QStringLiteral("sun, \"odd\"\nname.png"), QStringLiteral("12 bytes"),
            QStringLiteral("PNG"), QString(), QString(), QStringLiteral("0"),
            QStringLiteral("/p/sun, \"odd\"\nname.png"), std::nullopt },
    };
}

} // namespace

TEST(CliOptions, ParsesEveryOption)
{
    const auto parsed = parseCommandLine(
        args({ "--search", "sun ", "--location", "/photos", "--type", "tiff", "--no-subfolders",
            "--hidden", "--format", "json", "--copy-to", "/out", "--top", "3", "--unreadable" }));
    ASSERT_TRUE(std::holds_alternative<CliOptions>(parsed));
    const auto &o = std::get<CliOptions>(parsed);
    EXPECT_EQ(o.keyword, u"sun "); // kept as typed: the trailing blank is part of the pattern
    EXPECT_EQ(o.location, u"/photos");
    EXPECT_EQ(o.fileTypes, 4);
    EXPECT_EQ(o.subfolders, false);
    EXPECT_EQ(o.hiddenFiles, true);
    EXPECT_EQ(o.format, OutputFormat::Json);
    EXPECT_EQ(o.copyTo, u"/out");
    EXPECT_EQ(o.top, 3);
    EXPECT_TRUE(o.listUnreadable);
}

TEST(CliOptions, LeftOutOptionsStayUnset)
{
    const auto parsed = parseCommandLine(args({ "--search", "a", "--location", "/" }));
    ASSERT_TRUE(std::holds_alternative<CliOptions>(parsed));
    const auto &o = std::get<CliOptions>(parsed);
    EXPECT_FALSE(o.fileTypes.has_value());
    EXPECT_FALSE(o.subfolders.has_value());
    EXPECT_FALSE(o.hiddenFiles.has_value());
    EXPECT_EQ(o.format, OutputFormat::Table);
    EXPECT_FALSE(o.top.has_value());
}

TEST(CliOptions, UsageErrors)
{
    for (const auto &bad : { args({ "--search", "a", "--type", "webp" }),
             args({ "--search", "a", "--format", "xml" }), args({ "--search", "a", "--top", "2" }),
             args({ "--search", "a", "--copy-to", "/o", "--top", "0" }),
             args({ "--search", "a", "--copy-to", "", "--top", "3" }),
             args({ "--search", "a", "--subfolders", "--no-subfolders" }),
             args({ "--search", "a", "--bogus" }), args({ "--search", "a", "stray" }) }) {
        SCOPED_TRACE(bad.join(u' ').toStdString());
        const auto parsed = parseCommandLine(bad);
        ASSERT_TRUE(std::holds_alternative<CliUsageError>(parsed));
        EXPECT_FALSE(std::get<CliUsageError>(parsed).message.isEmpty());
    }
    EXPECT_TRUE(std::holds_alternative<CliHelp>(parseCommandLine(args({ "--help" }))));
    EXPECT_TRUE(commandLineHelp().contains(u"--copy-to"));
}

TEST(CliOptions, WindowOrCommandLine)
{
    EXPECT_FALSE(isCommandLineRun(args({})));
    EXPECT_FALSE(isCommandLineRun(args({ "-platform", "offscreen" })));
    EXPECT_TRUE(isCommandLineRun(args({ "--search", "x" })));
    EXPECT_TRUE(isCommandLineRun(args({ "--location=/x" })));
}

TEST(ReportOutput, TableKeepsColumnsAlignedAndEscapesLineBreaks)
{
    const QString table = formatReport(sampleLines(), OutputFormat::Table);
    const QStringList rows = table.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_TRUE(rows[0].startsWith(u"Position  Name"));
    EXPECT_TRUE(rows[0].endsWith(u"Path"));
    EXPECT_TRUE(rows[2].contains(QStringLiteral("sun, \"odd\"\\nname.png")));
    // Every row's Path column starts at the same place.
    const qsizetype pathColumn = rows[0].indexOf(u"Path");
    EXPECT_EQ(rows[1].mid(pathColumn), u"/p/sun2.jpg");
}

TEST(ReportOutput, CsvQuotesWhatNeedsIt)
{
    const QString csv = formatReport(sampleLines(), OutputFormat::Csv);
    EXPECT_TRUE(csv.startsWith(u"Position,Name,Size,Type,Width,Height,Rank,Path\r\n"));
    EXPECT_TRUE(csv.contains(u"1,sun2.jpg,1.13 KB,JPG,640,480,870,/p/sun2.jpg\r\n"));
    EXPECT_TRUE(csv.contains(QStringLiteral("2,\"sun, \"\"odd\"\"\nname.png\",12 bytes,PNG,,,0,")));
}

TEST(ReportOutput, JsonCarriesNamesVerbatimAndQuality)
{
    auto lines = sampleLines();
    lines[0].quality = QualityParts { 80, 70, 60, 50, 40 };
    const auto doc = QJsonDocument::fromJson(formatReport(lines, OutputFormat::Json).toUtf8());
    ASSERT_TRUE(doc.isArray());
    const QJsonArray array = doc.array();
    ASSERT_EQ(array.size(), 2);
    EXPECT_EQ(array[0].toObject()[QStringLiteral("width")].toInt(), 640);
    EXPECT_EQ(array[0].toObject()[QStringLiteral("sharpness")].toInt(), 80);
    EXPECT_TRUE(array[1].toObject()[QStringLiteral("width")].isNull());
    EXPECT_EQ(array[1].toObject()[QStringLiteral("name")].toString(),
        QStringLiteral("sun, \"odd\"\nname.png"));
    const auto empty = QJsonDocument::fromJson(formatReport({}, OutputFormat::Json).toUtf8());
    EXPECT_TRUE(empty.isArray() && empty.array().isEmpty());
    EXPECT_TRUE(formatReport({}, OutputFormat::Table).isEmpty());
}

TEST(ReportOutput, QualityColumnsAppearWhenAnyLineHasThem)
{
    auto lines = sampleLines();
    EXPECT_FALSE(formatReport(lines, OutputFormat::Csv).contains(u"Sharpness"));
    lines[1].quality = QualityParts { 1, 2, 3, 4, 5 };
    const QString csv = formatReport(lines, OutputFormat::Csv);
    EXPECT_TRUE(csv.startsWith(
        u"Position,Name,Size,Type,Width,Height,Rank,Sharpness,Noise,Exposure,Contrast,"
        u"Compression,Path\r\n"));
    EXPECT_TRUE(csv.contains(u"1,sun2.jpg,1.13 KB,JPG,640,480,870,,,,,,/p/sun2.jpg"));
}
