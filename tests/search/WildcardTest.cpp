#include "search/Wildcard.h"

#include "tests/support/TempAppFolder.h"

#include <QFile>
#include <gtest/gtest.h>

using lis::wildcardMatch;

namespace {

struct KeywordCase
{
    const char16_t *keyword;
    const char16_t *name;
    bool expected;
};

// The walk's pattern is the keyword followed by "*.*", matched against whole file names.
TEST(WildcardTest, KeywordPatterns)
{
    const KeywordCase cases[] = {
        // Prefix, case ignored.
        { u"cat", u"cat01.jpg", true },
        { u"cat", u"Catalog.PNG", true },
        { u"cat", u"CAT.gif", true },
        { u"cat", u"mycat.jpg", false },
        { u"cat", u"ca.jpg", false },
        // The final "*.*" also takes names without a dot, and names that end in one.
        { u"cat", u"cat", true },
        { u"cat", u"catalog", true },
        { u"cat", u"cat.", true },
        // Blanks typed at the end belong to the keyword.
        { u"cat ", u"cat 01.jpg", true },
        { u"cat ", u"cat01.jpg", false },
        // Typed wildcards: "?" is exactly one character (a code point), "*" any run.
        { u"c?t", u"cut.jpg", true },
        { u"c?t", u"ct.jpg", false },
        { u"c?t", u"c\u00fct.png", true },
        { u"c?t", u"c\U0001F600t.png", true },
        { u"IMG_000?", u"IMG_0001.JPG", true },
        { u"IMG_000?", u"IMG_000.jpg", true }, // "?" takes the dot, "*.*" the rest
        { u"IMG_000?", u"IMG_000", false },
        { u"a*z", u"abcz.jpg", true },
        { u"a*z", u"az", true },
        { u"a*z", u"abc.jpg", false },
        { u"*", u"anything.at.all", true },
        // Dots in the keyword are plain dots; leading dots are part of the name.
        { u"a.b", u"a.b.jpg", true },
        { u"a.b", u"aXb.jpg", false },
        { u".h", u".hidden.jpg", true },
        { u"h", u".hidden.jpg", false },
        // Characters that are wildcards elsewhere are plain here.
        { u"<", u"<x.jpg", true },
        { u"<", u"x.jpg", false },
        { u"\"", u"\".png", true },
        // Unicode case folding.
        { u"\u00e4rger", u"\u00c4RGER.jpg", true },
        { u"\u03c3\u03bf\u03c6", u"\u03a3\u039f\u03a6\u0399\u0391.png", true },
        { u"\u0436", u"\u0416\u0443\u043a.bmp", true },
        // A keyword naming a path never matches, so the walk never leaves its folder.
        { u"sub/a", u"a.jpg", false },
        { u"sub/a", u"sub/a.jpg", false },
        { u"sub\\a", u"sub\\a.jpg", false },
        { u"..", u"...jpg", true },
        { u"../", u"x.jpg", false },
    };
    for (const KeywordCase &c : cases) {
        const QString keyword = QString::fromUtf16(c.keyword);
        const QString name = QString::fromUtf16(c.name);
        SCOPED_TRACE(QStringLiteral("%1 | %2").arg(keyword, name).toStdString());
        EXPECT_EQ(wildcardMatch(keyword + QStringLiteral("*.*"), name), c.expected);
    }
}

TEST(WildcardTest, EmptyNamesNeverMatch)
{
    EXPECT_FALSE(wildcardMatch(u"*", u""));
    EXPECT_FALSE(wildcardMatch(u"*.*", u""));
}

// The public vectors: whole-folder searches with the platform's pattern rules.
TEST(WildcardTest, SharedFolderSearchVectors)
{
    const QString vectors = lis::test::sharedTestData() + QStringLiteral("/vectors/wildcard.tsv");
    QFile file(vectors);
    LIS_NEED_SHARED_DATA(file.open(QIODevice::ReadOnly | QIODevice::Text), vectors.toStdString());

    int checked = 0;
    file.readLine(); // header
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).chopped(1);
        const QStringList columns = line.split(u'\t');
        ASSERT_EQ(columns.size(), 5) << line.toStdString();
        const QString &source = columns[4];
        if (!source.startsWith(u"Directory.GetFiles(Win32") || columns[3] != u"1")
            continue;
        // These rows let "?" match nothing before a dot; here "?" always takes one character.
        if (source.contains(u"QuestionMarkBehavior"))
            continue;
        SCOPED_TRACE(line.toStdString());
        EXPECT_EQ(wildcardMatch(columns[0], columns[1]), columns[2] == u"1");
        ++checked;
    }
    EXPECT_GE(checked, 15);
}

} // namespace
