#include "rank/RankLibrary.h"

#include "core/FileNames.h"
#include "tests/rank/RankTestSupport.h"
#include "tests/support/TempAppFolder.h"
#include "tests/support/TestImages.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace lis;
using namespace lis::test;

// The library receives the exact path: its UTF-8 byte length in the 32 bits before the first
// character, the bytes, then a NUL; the source is named just before.
TEST(RankLibrary, PassesTheLengthPrefixedPathAndTheSource)
{
    FakeRankerProbe probe;
    probe.reset();
    const auto binding = RankLibrary::forFile(fakeRankerFile());
    TempAppFolder app;
    const QString bitmap = app.filePath(QStringLiteral("Ünïcode 名前/LIS/LIS.bmp"));
    ASSERT_TRUE(saveImage(makeScene(321, 200), bitmap, "BMP"));

    const std::optional<std::int32_t> rank
        = binding->imageRank(bitmap, QStringLiteral("/photos/straße.jpg"));
    ASSERT_TRUE(rank.has_value());
    EXPECT_EQ(*rank, 322); // the stand-in ranks by width + 1: it read the very file
    EXPECT_EQ(probe.lastText(), bitmap.toUtf8());
    EXPECT_EQ(probe.lastPrefix(), bitmap.toUtf8().size());
    EXPECT_GT(bitmap.toUtf8().size(), bitmap.size()); // bytes, not characters, are counted
    EXPECT_TRUE(probe.lastNulAfter());
    EXPECT_EQ(probe.lastSource(), u"/photos/straße.jpg");
    EXPECT_EQ(binding->lastReturnedPath(), bitmap);

    // A source whose name is not UTF-8 is named by its own bytes, so the library finds it.
    const QByteArray latin1("/photos/caf\xe9.jpg");
    ASSERT_TRUE(binding->imageRank(bitmap, pathFromBytes(latin1)).has_value());
    EXPECT_EQ(probe.lastSourceBytes(), latin1);
}

TEST(RankLibrary, LoadsOnceAtTheFirstCall)
{
    FakeRankerProbe probe;
    probe.reset();
    const auto binding = RankLibrary::forFile(fakeRankerFile());
    EXPECT_EQ(binding->loadAttempts(), 0); // nothing happens before the first call
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(binding->imageRank(QStringLiteral("/nowhere/LIS.bmp")), 0);
    EXPECT_EQ(binding->loadAttempts(), 1);
    EXPECT_EQ(probe.calls(), 3);
}

TEST(RankLibrary, MissingLibraryFailsQuietlyAndIsNotRetried)
{
    TempAppFolder app; // no ranking library in it
    RankLibrary binding(app.path());
    EXPECT_FALSE(binding.imageRank(app.paths().workingBitmap()).has_value());
    EXPECT_FALSE(binding.imageRank(app.paths().workingBitmap()).has_value());
    EXPECT_FALSE(binding.isAvailable());
    EXPECT_EQ(binding.loadAttempts(), 1);
    EXPECT_FALSE(binding.imageRankDetails(app.paths().workingBitmap()).has_value());

    const auto wrongFile = RankLibrary::forFile(app.filePath(QStringLiteral("nothing.so")));
    EXPECT_FALSE(wrongFile->imageRank(QStringLiteral("/x")).has_value());
}

TEST(RankLibrary, PrefersTheLibraryInTheApplicationFolder)
{
    TempAppFolder app;
    const QString beside = QDir(app.path()).filePath(RankLibrary::fileName());
    ASSERT_TRUE(QFile::copy(fakeRankerFile(), beside));
    RankLibrary binding(app.path());
    EXPECT_TRUE(binding.isAvailable());
    EXPECT_EQ(binding.loadedFile(), beside);
    FakeRankerProbe probe(beside);
    probe.reset();
    binding.imageRank(QStringLiteral("/somewhere/LIS.bmp"));
    EXPECT_EQ(probe.calls(), 1);
    EXPECT_EQ(probe.lastText(), "/somewhere/LIS.bmp");
}

// A library that lacks the entry behaves as a missing one.
TEST(RankLibrary, LibraryWithoutTheEntryFailsQuietly)
{
    const auto binding = RankLibrary::forFile(QStringLiteral(LIS_FAKE_RANKER_NOENTRY));
    EXPECT_FALSE(binding->imageRank(QStringLiteral("/x/LIS.bmp")).has_value());
    EXPECT_FALSE(binding->isAvailable());
    EXPECT_EQ(binding->loadAttempts(), 1);
    EXPECT_FALSE(binding->loadedFile().isEmpty()); // it was found and loaded, just not usable
}
