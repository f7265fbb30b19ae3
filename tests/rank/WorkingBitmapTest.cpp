#include "rank/WorkingBitmap.h"

#include "tests/rank/RankTestSupport.h"
#include "tests/support/TempAppFolder.h"
#include "tests/support/TestImages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace lis;
using namespace lis::test;

namespace {

struct SizeCase
{
    const char *format;
    const char *extension;
    QSize source;
    QSize expected;
};

void PrintTo(const SizeCase &c, std::ostream *os)
{
    *os << c.format << ' ' << c.source.width() << 'x' << c.source.height();
}

class WorkingBitmapSizes : public ::testing::TestWithParam<SizeCase>
{
};

} // namespace

// Every readable format ends as a BMP working bitmap at most 500 wide, with an identical
// results copy, and no scratch bitmap left over.
TEST_P(WorkingBitmapSizes, EndsAsFittedBmpWithResultsCopy)
{
    const SizeCase c = GetParam();
    TempAppFolder app;
    const AppPaths paths = app.paths();
    const QString source
        = app.filePath(QStringLiteral("photos/shot.") + QLatin1String(c.extension));
    ASSERT_TRUE(saveAnyImage(makeScene(c.source.width(), c.source.height()), source, c.format));
    const FileStamp before = stampOf(source);
    const QString copy
        = paths.resultsFolder() + QStringLiteral("/shot.") + QLatin1String(c.extension);

    ASSERT_EQ(prepareWorkingBitmap(paths, source, copy), ImageProblem::None);

    const QByteArray working = readFile(paths.workingBitmap());
    EXPECT_EQ(bmpSize(working), c.expected);
    EXPECT_EQ(readFile(copy), working);
    EXPECT_FALSE(QFileInfo::exists(paths.scratchBitmap()));
    EXPECT_EQ(stampOf(source), before);
    const bool narrowBmp = QByteArray(c.format) == "BMP" && c.source.width() <= 500;
    if (narrowBmp) {
        EXPECT_EQ(working, before.bytes); // taken over byte for byte, never re-encoded
    } else {
        EXPECT_EQ(bmpBitsPerPixel(working), 24);
    }
}

namespace {

std::vector<SizeCase> sizeCases()
{
    const std::pair<const char *, const char *> formats[] = { { "JPG", "jpg" }, { "PNG", "png" },
        { "GIF", "gif" }, { "BMP", "bmp" }, { "TIFF", "tif" } };
    const std::pair<QSize, QSize> sizes[] = {
        { { 640, 480 }, { 500, 375 } },
        { { 2000, 1500 }, { 500, 375 } },
        { { 600, 1200 }, { 250, 500 } },
        { { 500, 500 }, { 500, 500 } },
        { { 400, 3000 }, { 400, 3000 } },
        { { 501, 100 }, { 500, 100 } },
    };
    std::vector<SizeCase> cases;
    for (const auto &[format, extension] : formats)
        for (const auto &[source, expected] : sizes)
            cases.push_back({ format, extension, source, expected });
    return cases;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(AllFormats, WorkingBitmapSizes, ::testing::ValuesIn(sizeCases()));

TEST(WorkingBitmap, UnreadableSourcesLeaveNoBitmapAndNoCopy)
{
    TempAppFolder app;
    const AppPaths paths = app.paths();
    const QString dir = app.filePath(QStringLiteral("photos"));
    // Each format's intact bytes, to be cut short below.
    const auto encoded = [&](const char *format, QSize size) {
        const QString whole = dir + QStringLiteral("/whole/whole.") + QLatin1String(format);
        EXPECT_TRUE(saveAnyImage(makeScene(size.width(), size.height()), whole, format));
        return readFile(whole);
    };
    const QByteArray jpeg = encoded("JPG", { 900, 600 });
    const auto cut = [](const QByteArray &bytes) { return bytes.left(bytes.size() / 2); };
    // Scan data overwritten in the middle: a decoder that does not stop on warnings would
    // return a picture with a grey or smeared band.
    QByteArray scrambled = jpeg;
    for (qsizetype i = scrambled.size() / 3; i < scrambled.size() / 3 + 400; ++i)
        scrambled[i] = char(0xA5);
    struct Case
    {
        const char *name;
        QByteArray bytes; // null: the file does not exist
        ImageProblem expected;
    };
    const Case cases[] = {
        { "truncated.jpg", cut(jpeg), ImageProblem::Damaged },
        { "truncated.png", cut(encoded("PNG", { 900, 600 })), ImageProblem::Damaged },
        { "truncated.gif", cut(encoded("GIF", { 900, 600 })), ImageProblem::Damaged },
        { "truncated.tif", cut(encoded("TIFF", { 900, 600 })), ImageProblem::Damaged },
        { "truncated-wide.bmp", cut(encoded("BMP", { 900, 600 })), ImageProblem::Damaged },
        { "truncated-narrow.bmp", cut(encoded("BMP", { 300, 200 })), ImageProblem::Damaged },
        { "scrambled.jpg", scrambled, ImageProblem::Damaged },
        { "header-only.jpg", jpeg.left(20), ImageProblem::Damaged },
        { "empty.jpg", QByteArray(""), ImageProblem::Damaged },
        { "garbage.bmp", QByteArray(3000, '\x07'), ImageProblem::Unsupported },
        { "huge.png", pngHeaderClaiming(100000, 100000), ImageProblem::TooLarge },
        { "gone.png", QByteArray(), ImageProblem::Missing },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString source = dir + u'/' + QLatin1String(c.name);
        if (!c.bytes.isNull()) {
            ASSERT_TRUE(writeFile(source, c.bytes));
        }
        // A previous file's picture and a scratch file from an earlier failure are present.
        ASSERT_TRUE(writeFile(paths.workingBitmap(), jpeg));
        ASSERT_TRUE(writeFile(paths.scratchBitmap(), jpeg));
        const QString copy = paths.resultsFolder() + u'/' + QLatin1String(c.name);
        EXPECT_EQ(prepareWorkingBitmap(paths, source, copy), c.expected);
        EXPECT_FALSE(QFileInfo::exists(paths.workingBitmap()));
        EXPECT_FALSE(QFileInfo::exists(paths.scratchBitmap()));
        EXPECT_FALSE(QFileInfo::exists(copy));
    }
}

// A ".bmp" that holds a JPEG is read by the loader; it is converted, so the working bitmap
// and its results copy are always BMP data.
TEST(WorkingBitmap, BmpNamedJpegIsConvertedToRealBmp)
{
    TempAppFolder app;
    const AppPaths paths = app.paths();
    const QString source = app.filePath(QStringLiteral("photos/disguised.bmp"));
    ASSERT_TRUE(saveImage(makeScene(300, 200), source, "JPG"));
    EXPECT_TRUE(BMPFileCheck(source));
    EXPECT_TRUE(BMPCheck(source));
    const QString copy = paths.resultsFolder() + QStringLiteral("/disguised.bmp");
    ASSERT_EQ(prepareWorkingBitmap(paths, source, copy), ImageProblem::None);
    EXPECT_EQ(bmpSize(readFile(paths.workingBitmap())), QSize(300, 200));
    EXPECT_EQ(bmpSize(readFile(copy)), QSize(300, 200));
}

TEST(WorkingBitmap, BmpFileCheckIsCaseExactOnTheLastThreeCharacters)
{
    EXPECT_TRUE(BMPFileCheck(QStringLiteral("/a/x.bmp")));
    EXPECT_TRUE(BMPFileCheck(QStringLiteral("/a/x.BMP")));
    EXPECT_TRUE(BMPFileCheck(QStringLiteral("/a/xbmp")));
    EXPECT_FALSE(BMPFileCheck(QStringLiteral("/a/x.Bmp")));
    EXPECT_FALSE(BMPFileCheck(QStringLiteral("/a/x.bmp ")));
    EXPECT_FALSE(BMPFileCheck(QStringLiteral("/a/x.dib")));
}

// A results copy of the same name is replaced, as the copy of an earlier run would be.
TEST(WorkingBitmap, ResultsCopyReplacesAnOlderFile)
{
    TempAppFolder app;
    const AppPaths paths = app.paths();
    const QString source = app.filePath(QStringLiteral("photos/cat.png"));
    ASSERT_TRUE(saveImage(makeScene(120, 80), source, "PNG"));
    const QString copy = paths.resultsFolder() + QStringLiteral("/cat.png");
    ASSERT_TRUE(writeFile(copy, QByteArray(100000, 'z')));
    ASSERT_EQ(prepareWorkingBitmap(paths, source, copy), ImageProblem::None);
    EXPECT_EQ(readFile(copy), readFile(paths.workingBitmap()));
}
