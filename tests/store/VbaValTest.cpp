#include "store/VbaVal.h"

#include "tests/support/TempAppFolder.h"

#include <QFile>
#include <QTextStream>
#include <cmath>
#include <gtest/gtest.h>

using lis::ValError;
using lis::vbaVal;
using lis::vbaValChecked;

namespace {

// Undoes the C escapes of the shared vector file (\t \r \n \\ \uXXXX).
QString unescape(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        const QChar next = text[++i];
        if (next == u't')
            out += u'\t';
        else if (next == u'r')
            out += u'\r';
        else if (next == u'n')
            out += u'\n';
        else if (next == u'u' && i + 4 < text.size()) {
            out += QChar(text.mid(i + 1, 4).toUShort(nullptr, 16));
            i += 4;
        } else
            out += next;
    }
    return out;
}

} // namespace

TEST(VbaVal, SharedVectors)
{
    const QString data = lis::test::sharedTestData();
    LIS_NEED_SHARED_DATA(!data.isEmpty(), "testdata");
    QFile file(data + QStringLiteral("/vectors/val.tsv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream in(&file);
    in.readLine(); // header
    int checked = 0;
    while (!in.atEnd()) {
        const QStringList cols = in.readLine().split(u'\t');
        if (cols.size() < 2)
            continue;
        const QString input = unescape(cols[0]);
        const QString expected = cols[1];
        const lis::ValResult result = vbaValChecked(input);
        SCOPED_TRACE(cols[0].toStdString());
        if (expected == u"ERR:13") {
            EXPECT_EQ(result.error, ValError::TypeMismatch);
            EXPECT_EQ(vbaVal(input), 0.0);
        } else if (expected == u"ERR:6") {
            EXPECT_EQ(result.error, ValError::Overflow);
        } else {
            EXPECT_FALSE(result.error.has_value());
            EXPECT_DOUBLE_EQ(result.value, expected.toDouble());
        }
        ++checked;
    }
    EXPECT_GT(checked, 40);
}

TEST(VbaVal, RankTextsAsTheTableHoldsThem)
{
    EXPECT_EQ(vbaVal(u"  12  "), 12);
    EXPECT_EQ(vbaVal(u"-2147483648"), -2147483648.0);
    EXPECT_EQ(vbaVal(u"2147483647"), 2147483647.0);
    EXPECT_EQ(vbaVal(u"abc"), 0);
    EXPECT_EQ(vbaVal(u""), 0);
    EXPECT_EQ(vbaVal(u"- 5"), -5);
    EXPECT_EQ(vbaVal(u"&Hzz"), 0);
    EXPECT_EQ(vbaVal(u"&"), 0);
    EXPECT_EQ(vbaVal(u"1e-400"), 0);
    EXPECT_EQ(vbaValChecked(u"1e400").error, ValError::Overflow);
}
