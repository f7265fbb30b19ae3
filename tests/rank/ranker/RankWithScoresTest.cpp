// The one-pass entry through the program's binding: the same rank and parts as the separate
// calls, and a library that offers ImageRank alone still ranks.
#include "rank/RankLibrary.h"
#include "tests/rank/RankTestSupport.h"
#include "tests/support/TestImages.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace lis::test {
namespace {

TEST(RankWithScoresTest, OnePassGivesTheRankAndPartsOfTheSeparateCalls)
{
    QTemporaryDir dir;
    const QString bitmap = dir.filePath(QStringLiteral("LIS.bmp"));
    const QString source = dir.filePath(QStringLiteral("source.jpg"));
    const QImage scene = makeScene(500, 375);
    ASSERT_TRUE(saveImage(scene, bitmap, "BMP"));
    ASSERT_TRUE(saveImage(scene.scaled(1000, 750), source, "JPEG"));
    const auto binding = RankLibrary::forFile(QStringLiteral(LIS_RANKING_LIBRARY));

    const std::optional<RankJudgement> judged = binding->imageRankWithScores(bitmap, source);
    ASSERT_TRUE(judged.has_value());
    ASSERT_TRUE(judged->scores.has_value());
    EXPECT_GE(judged->rank, 1);
    EXPECT_EQ(judged->scores->rank, judged->rank);
    EXPECT_EQ(binding->lastReturnedPath(), bitmap); // the argument came back unchanged

    EXPECT_EQ(binding->imageRank(bitmap, source), judged->rank);
    const std::optional<ImageRankScores> details = binding->imageRankDetails(bitmap, source);
    ASSERT_TRUE(details.has_value());
    EXPECT_EQ(details->sharpness, judged->scores->sharpness);
    EXPECT_EQ(details->noise, judged->scores->noise);
    EXPECT_EQ(details->exposure, judged->scores->exposure);
    EXPECT_EQ(details->contrast, judged->scores->contrast);
    EXPECT_EQ(details->compression, judged->scores->compression);

    const std::optional<RankJudgement> missing
        = binding->imageRankWithScores(dir.filePath(QStringLiteral("gone.bmp")), source);
    ASSERT_TRUE(missing.has_value());
    EXPECT_EQ(missing->rank, 0);
    ASSERT_TRUE(missing->scores.has_value());
    EXPECT_EQ(missing->scores->sharpness, 0.0);
}

TEST(RankWithScoresTest, LibraryWithImageRankAloneStillRanks)
{
    FakeRankerProbe probe;
    probe.reset();
    QTemporaryDir dir;
    const QString bitmap = dir.filePath(QStringLiteral("LIS.bmp"));
    ASSERT_TRUE(saveImage(makeScene(321, 200), bitmap, "BMP"));
    const auto binding = RankLibrary::forFile(fakeRankerFile());

    const std::optional<RankJudgement> judged
        = binding->imageRankWithScores(bitmap, QStringLiteral("/photos/a.jpg"));
    ASSERT_TRUE(judged.has_value());
    EXPECT_EQ(judged->rank, 322); // the stand-in's width + 1
    EXPECT_FALSE(judged->scores.has_value());
    EXPECT_EQ(probe.lastSource(), QStringLiteral("/photos/a.jpg"));
    EXPECT_EQ(probe.calls(), 1);

    const auto noEntry = RankLibrary::forFile(QStringLiteral(LIS_FAKE_RANKER_NOENTRY));
    EXPECT_FALSE(noEntry->imageRankWithScores(bitmap).has_value());
}

} // namespace
} // namespace lis::test
