#include "report/FormatSize.h"

#include "tests/support/TempAppFolder.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace lis;

namespace {

struct SizeCase
{
    std::uint64_t bytes;
    const char *text;
};

class FormatSizeTable : public ::testing::TestWithParam<SizeCase>
{
};

} // namespace

TEST_P(FormatSizeTable, WithPointSeparator)
{
    EXPECT_EQ(
        FormatSize(GetParam().bytes, QStringLiteral(".")), QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(FormatSize, FormatSizeTable,
    ::testing::Values(SizeCase { 0, "0 bytes" }, SizeCase { 512, "512 bytes" },
        SizeCase { 1023, "1023 bytes" }, SizeCase { 1024, "1.00 KB" }, SizeCase { 1536, "1.50 KB" },
        // 1.125 is a half: it goes away from zero.
        SizeCase { 1152, "1.13 KB" }, SizeCase { 10239, "10.00 KB" }, SizeCase { 10240, "10.0 KB" },
        SizeCase { 102399, "100.0 KB" }, SizeCase { 102400, "100 KB" },
        SizeCase { 1023999, "999 KB" }, SizeCase { 1024000, "0.98 MB" },
        SizeCase { 1048576, "1.00 MB" }, SizeCase { 10485759, "10.00 MB" },
        SizeCase { 10485760, "10.0 MB" }, SizeCase { 104857600, "100 MB" },
        SizeCase { 1048575999, "999 MB" }, SizeCase { 1048576000, "0.98 GB" },
        SizeCase { 3221225472, "3.00 GB" }, SizeCase { 10737418240, "10.0 GB" },
        SizeCase { 107374182400, "100 GB" }, SizeCase { 1073741823999, "999 GB" },
        SizeCase { 1073741824000, "0.98 TB" }, SizeCase { 1099511627776, "1.00 TB" },
        SizeCase { 1099511627776ULL * 2048, "2048.00 TB" }));

TEST(FormatSize, UsesTheGivenDecimalSeparator)
{
    EXPECT_EQ(FormatSize(1536, QStringLiteral(",")), u"1,50 KB");
    EXPECT_EQ(FormatSize(10240, QStringLiteral(",")), u"10,0 KB");
    EXPECT_EQ(FormatSize(512, QStringLiteral(",")), u"512 bytes");
}

TEST(FormatSize, FixedPatternsRoundTheShortestDecimalForm)
{
    const QString point = QStringLiteral(".");
    // Each double lies just below the written half; the written form decides.
    EXPECT_EQ(formatFixed(2.675, 1, 2, point), u"2.68");
    EXPECT_EQ(formatFixed(1.005, 1, 2, point), u"1.01");
    EXPECT_EQ(formatFixed(0.125, 1, 2, point), u"0.13");
    EXPECT_EQ(formatFixed(9.995, 1, 2, point), u"10.00");
    EXPECT_EQ(formatFixed(99.96, 1, 1, point), u"100.0");
    EXPECT_EQ(formatFixed(-2.5, 1, 0, point), u"-3");
    EXPECT_EQ(formatFixed(0.004, 1, 2, point), u"0.00");
    EXPECT_EQ(formatFixed(7, 3, 1, point), u"007.0");
}

// The public vectors for fixed patterns made of zeros ("0.00", "00.0000" ...).
TEST(FormatSize, PublicFormatVectors)
{
    const QString data = lis::test::sharedTestData();
    LIS_NEED_SHARED_DATA(!data.isEmpty(), "testdata");
    QFile file(data + QStringLiteral("/vectors/format.tsv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QRegularExpression zeroPattern(QStringLiteral("^(0+)(?:\\.(0+))?$"));
    file.readLine(); // header
    int checked = 0;
    while (!file.atEnd()) {
        const QStringList columns = QString::fromUtf8(file.readLine()).split(u'\t');
        if (columns.size() < 3)
            continue;
        const QRegularExpressionMatch match = zeroPattern.match(columns[1]);
        if (!match.hasMatch())
            continue;
        bool ok = false;
        const double value = columns[0].toDouble(&ok);
        ASSERT_TRUE(ok) << columns[0].toStdString();
        const QString text = formatFixed(
            value, int(match.capturedLength(1)), int(match.capturedLength(2)), QStringLiteral("."));
        EXPECT_EQ(text, columns[2]) << columns[0].toStdString() << " " << columns[1].toStdString();
        ++checked;
    }
    EXPECT_GE(checked, 6);
}
