#include "core/FileNames.h"

#include <gtest/gtest.h>

namespace lis {
namespace {

struct NameCase
{
    const char *what;
    QByteArray bytes;
    bool raw; // holds bytes that are not valid UTF-8
    QString shown;
};

TEST(FileNamesTest, EveryByteStringComesBackAsItWas)
{
    const NameCase cases[] = {
        { "ascii", "photo 01.jpg", false, QStringLiteral("photo 01.jpg") },
        { "two-byte", "caf\xC3\xA9.jpg", false, QStringLiteral("caf\u00E9.jpg") },
        { "four-byte", "\xF0\x9F\x93\xB7.png", false, QString::fromUcs4(U"\U0001F4F7.png") },
        { "latin-1 byte", "caf\xE9.jpg", true, QStringLiteral("caf\uFFFD.jpg") },
        { "overlong slash",
            "a\xC0\xAF"
            "b",
            true, QStringLiteral("a\uFFFD\uFFFDb") },
        { "encoded surrogate", "\xED\xA0\x80", true, QStringLiteral("\uFFFD\uFFFD\uFFFD") },
        { "cut-off sequence", "x\xE2\x82", true, QStringLiteral("x\uFFFD\uFFFD") },
        { "beyond U+10FFFF", "\xF4\x90\x80\x80", true, QStringLiteral("\uFFFD\uFFFD\uFFFD\uFFFD") },
        { "raw byte then valid", "\xFF\xC3\xA9", true, QStringLiteral("\uFFFD\u00E9") },
        // The UTF-8 form of an escape code itself is invalid UTF-8, so it cannot be mistaken
        // for an escaped byte.
        { "escape lookalike", "\xED\xB2\x80", true, QStringLiteral("\uFFFD\uFFFD\uFFFD") },
    };
    for (const NameCase &c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = pathFromBytes(c.bytes);
        EXPECT_EQ(pathToBytes(path), c.bytes);
        EXPECT_EQ(holdsRawBytes(path), c.raw);
        EXPECT_EQ(displayPath(path), c.shown);
        if (!c.raw) {
            EXPECT_EQ(path.toUtf8(), c.bytes);
        }
    }
}

TEST(FileNamesTest, DistinctBytesStayDistinct)
{
    // Two names that differ only in an invalid byte must never meet in one path.
    EXPECT_NE(pathFromBytes("a\xE9"), pathFromBytes("a\xE8"));
    EXPECT_NE(pathFromBytes("a\xE9"), pathFromBytes("a\xC3\xA9"));
}

} // namespace
} // namespace lis
