// The ranking library judged through its exported entries, on real photos and their damaged
// versions, reduced as the program reduces them.
#include "RankerTestImages.h"
#include "lumetra_image_rank.h"
#include "tests/support/TempAppFolder.h"

#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <tuple>

namespace lis::test {
namespace {

class ImageRankTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_photos = bestScoredPhotos(3);
        LIS_NEED_SHARED_DATA(!m_photos.empty(), "the scored photos under iqa/");
    }
    std::string path(const std::string &name) const
    {
        return m_dir.filePath(QString::fromStdString(name)).toStdString();
    }

    QTemporaryDir m_dir;
    std::vector<std::string> m_photos;
};

struct Damage
{
    const char *name;
    std::function<cv::Mat(const cv::Mat &)> apply;
};

cv::Mat scaled(const cv::Mat &image, double factor)
{
    cv::Mat out;
    image.convertTo(out, -1, factor, 0);
    return out;
}

cv::Mat noisy(const cv::Mat &image, double sigma)
{
    cv::Mat noise(image.size(), CV_32FC3);
    cv::RNG rng(7);
    rng.fill(noise, cv::RNG::NORMAL, 0, sigma);
    cv::Mat sum;
    image.convertTo(sum, CV_32FC3);
    sum += noise;
    cv::Mat out;
    sum.convertTo(out, CV_8UC3);
    return out;
}

cv::Mat blurred(const cv::Mat &image, double sigma)
{
    cv::Mat out;
    cv::GaussianBlur(image, out, cv::Size(), sigma);
    return out;
}

cv::Mat motionBlurred(const cv::Mat &image, int length)
{
    const cv::Mat kernel = cv::Mat::ones(1, length, CV_32F) / length;
    cv::Mat out;
    cv::filter2D(image, out, -1, kernel);
    return out;
}

TEST_F(ImageRankTest, EveryDamageRanksBelowTheOriginal)
{
    const std::vector<Damage> damages = {
        { "blur", [](const cv::Mat &m) { return blurred(m, 2.5); } },
        { "motion blur", [](const cv::Mat &m) { return motionBlurred(m, 9); } },
        { "noise", [](const cv::Mat &m) { return noisy(m, 14); } },
        { "over-exposed", [](const cv::Mat &m) { return scaled(m, 2.0); } },
        { "under-exposed", [](const cv::Mat &m) { return scaled(m, 0.3); } },
    };
    for (const std::string &photo : m_photos) {
        const cv::Mat original = cv::imread(photo, cv::IMREAD_COLOR);
        ASSERT_FALSE(original.empty()) << photo;
        ImageRankSource(photo.c_str());
        const int32_t reference = rankFile(writeWorkingBitmap(original, path("original.bmp")));
        ASSERT_GE(reference, 1) << photo;
        for (const Damage &damage : damages) {
            const std::string bmp = writeWorkingBitmap(damage.apply(original), path("damaged.bmp"));
            ImageRankSource(photo.c_str());
            EXPECT_LT(rankFile(bmp), reference) << damage.name << " of " << photo;
        }
    }
}

cv::Mat flattened(const cv::Mat &image, double factor)
{
    const double mean = cv::mean(image)[0];
    cv::Mat out;
    image.convertTo(out, -1, factor, (1 - factor) * mean);
    return out;
}

ImageRankScores judged(const std::string &bmp)
{
    std::vector<char> buffer(4 + bmp.size() + 1, '\0');
    const auto length = static_cast<uint32_t>(bmp.size());
    std::memcpy(buffer.data(), &length, 4);
    std::memcpy(buffer.data() + 4, bmp.data(), bmp.size());
    char *text = buffer.data() + 4;
    ImageRankScores scores {};
    ImageRankWithScores(&text, &scores);
    return scores;
}

std::string dimmestPhoto(const std::vector<std::string> &photos)
{
    const auto meanLuma = [](const std::string &photo) {
        cv::Mat grey = cv::imread(photo, cv::IMREAD_GRAYSCALE);
        return cv::mean(grey)[0];
    };
    std::vector<double> means;
    std::transform(photos.begin(), photos.end(), std::back_inserter(means), meanLuma);
    return photos[std::min_element(means.begin(), means.end()) - means.begin()];
}

// Spearman's correlation of the damage level (0 for the undamaged photo) with the rank, negated:
// 1 when every step of damage ranks lower. Levels are distinct; ranks are ties only by chance.
double damageOrder(const std::vector<std::int32_t> &ranks)
{
    const auto n = static_cast<double>(ranks.size());
    double sum = 0;
    for (size_t i = 0; i < ranks.size(); ++i) {
        const auto below = std::count_if(
            ranks.begin(), ranks.end(), [&](std::int32_t r) { return r > ranks[i]; });
        const double d = double(i) - double(below);
        sum += d * d;
    }
    return 1 - 6 * sum / (n * (n * n - 1));
}

// Damage of one kind orders the rank on each photo, as a user sees it among near-duplicates:
// every damaged version ranks below the undamaged photo, and over the photos the order of the
// levels holds with a within-photo Spearman of at least 0.9 (a rank may swap two close levels,
// as a person's judgement does). The part for that kind, the reason shown, never shows worse
// damage as better.
TEST_F(ImageRankTest, GradedDamageRanksInOrder)
{
    using Part = double ImageRankScores::*;
    const std::vector<std::tuple<const char *, Part, std::vector<Damage>>> series = {
        { "blur", &ImageRankScores::sharpness,
            { { "1", [](const cv::Mat &m) { return blurred(m, 1.0); } },
                { "2", [](const cv::Mat &m) { return blurred(m, 2.0); } },
                { "4", [](const cv::Mat &m) { return blurred(m, 4.0); } } } },
        { "noise", &ImageRankScores::noise,
            { { "5", [](const cv::Mat &m) { return noisy(m, 5); } },
                { "10", [](const cv::Mat &m) { return noisy(m, 10); } },
                { "20", [](const cv::Mat &m) { return noisy(m, 20); } } } },
        { "under-exposure", &ImageRankScores::exposure,
            { { "0.6", [](const cv::Mat &m) { return scaled(m, 0.6); } },
                { "0.35", [](const cv::Mat &m) { return scaled(m, 0.35); } },
                { "0.15", [](const cv::Mat &m) { return scaled(m, 0.15); } } } },
        { "over-exposure", &ImageRankScores::exposure,
            { { "1.6", [](const cv::Mat &m) { return scaled(m, 1.6); } },
                { "2.2", [](const cv::Mat &m) { return scaled(m, 2.2); } },
                { "3.0", [](const cv::Mat &m) { return scaled(m, 3.0); } } } },
        { "flat tones", &ImageRankScores::contrast,
            { { "0.7", [](const cv::Mat &m) { return flattened(m, 0.7); } },
                { "0.45", [](const cv::Mat &m) { return flattened(m, 0.45); } },
                { "0.25", [](const cv::Mat &m) { return flattened(m, 0.25); } } } },
    };
    for (const auto &[kind, part, levels] : series) {
        double order = 0;
        for (const std::string &photo : m_photos) {
            const cv::Mat original = cv::imread(photo, cv::IMREAD_COLOR);
            const ImageRankScores undamaged
                = judged(writeWorkingBitmap(original, path("level.bmp")));
            std::vector<std::int32_t> ranks { undamaged.rank };
            ImageRankScores previous = undamaged;
            for (const Damage &level : levels) {
                const ImageRankScores now
                    = judged(writeWorkingBitmap(level.apply(original), path("level.bmp")));
                EXPECT_LT(now.rank, undamaged.rank) << kind << " " << level.name << " of " << photo;
                EXPECT_LE(now.*part, previous.*part)
                    << kind << " " << level.name << " of " << photo;
                ranks.push_back(now.rank);
                previous = now;
            }
            order += damageOrder(ranks);
        }
        EXPECT_GE(order / double(m_photos.size()), 0.9) << kind;
    }
    // Brightening a dim photo (a night scene) is over-exposure too: the exposure measure must not
    // read its lifted shadows and its highlights nearing white as a better exposure.
    const cv::Mat dim = cv::imread(dimmestPhoto(bestScoredPhotos(300)), cv::IMREAD_COLOR);
    double previous = judged(writeWorkingBitmap(dim, path("dim.bmp"))).exposure;
    for (const double factor : { 1.6, 2.2, 3.0 }) {
        const double now
            = judged(writeWorkingBitmap(scaled(dim, factor), path("dim.bmp"))).exposure;
        EXPECT_LE(now, previous) << "dim photo brightened " << factor << " times";
        previous = now;
    }
}

// A photo and lossless copies of its pixels in other formats, each named as its own source,
// rank within 2 % of each other: the compression judged is what the pixels show.
TEST_F(ImageRankTest, SamePixelsRankTheSameInAnyFormat)
{
    for (const std::string &photo : m_photos) {
        const cv::Mat pixels = cv::imread(photo, cv::IMREAD_COLOR);
        ImageRankSource(photo.c_str());
        const double jpeg = rankFile(writeWorkingBitmap(pixels, path("jpeg.bmp")));
        for (const char *copy : { "copy.png", "copy.tif", "copy.bmp" }) {
            ASSERT_TRUE(cv::imwrite(path(copy), pixels));
            ImageRankSource(path(copy).c_str());
            const double resaved
                = rankFile(writeWorkingBitmap(cv::imread(path(copy)), path("c.bmp")));
            EXPECT_NEAR(resaved, jpeg, 0.02 * jpeg) << copy << " of " << photo;
        }
    }
}

// Coding a photo again as a JPEG ranks it lower the lower the quality, each file named as its
// own source: at the photo's own size, from below the quality it came at (about 75), and
// enlarged to 1,024 pixels wide and reduced by the program to 500, where the blocks no longer
// show and only the source's own pixels tell the coding, from quality 85. From quality 50 down
// every coding ranks below the original.
TEST_F(ImageRankTest, JpegCodingRanksInOrder)
{
    const std::vector<std::pair<double, std::vector<int>>> sizes
        = { { 1.0, { 50, 30, 15, 8 } }, { 2.0, { 85, 65, 45, 30, 15 } } };
    for (const auto &[enlargement, qualities] : sizes) {
        double order = 0;
        for (const std::string &photo : m_photos) {
            cv::Mat original = cv::imread(photo, cv::IMREAD_COLOR);
            if (enlargement != 1.0)
                cv::resize(
                    original, original, cv::Size(), enlargement, enlargement, cv::INTER_CUBIC);
            const std::string png = path("original.png");
            ASSERT_TRUE(cv::imwrite(png, original));
            const std::string bmp = writeWorkingBitmap(original, path("original.bmp"));
            ImageRankSource(enlargement == 1.0 ? photo.c_str() : png.c_str());
            std::vector<std::int32_t> ranks { rankFile(bmp) };
            for (const int quality : qualities) {
                const std::string jpeg = path("coded.jpg");
                ASSERT_TRUE(cv::imwrite(jpeg, original, { cv::IMWRITE_JPEG_QUALITY, quality }));
                const std::string coded = writeWorkingBitmap(cv::imread(jpeg), path("coded.bmp"));
                ImageRankSource(jpeg.c_str());
                ranks.push_back(rankFile(coded));
                // A mild coding of a photo already coded at about 75 may all but tie with it.
                if (quality <= 50) {
                    EXPECT_LT(ranks.back(), ranks.front())
                        << "quality " << quality << " of " << photo << " enlarged " << enlargement;
                }
            }
            order += damageOrder(ranks);
        }
        EXPECT_GE(order / double(m_photos.size()), 0.9) << "enlarged " << enlargement;
    }
}

TEST_F(ImageRankTest, SharpSubjectOnBlurredBackgroundBeatsBlurAllOver)
{
    for (const std::string &photo : m_photos) {
        const cv::Mat original = cv::imread(photo, cv::IMREAD_COLOR);
        const cv::Mat allBlurred = blurred(original, 3.0);
        // A sharp subject in a sixth of the frame, the rest thrown out of focus.
        cv::Mat subject = allBlurred.clone();
        const cv::Rect centre(
            original.cols * 3 / 8, original.rows / 3, original.cols / 4, original.rows / 3);
        original(centre).copyTo(subject(centre));
        const int32_t sharpSubject = rankFile(writeWorkingBitmap(subject, path("subject.bmp")));
        const int32_t blurredAll = rankFile(writeWorkingBitmap(allBlurred, path("blurred.bmp")));
        EXPECT_GT(sharpSubject, blurredAll) << photo;
    }
}

TEST_F(ImageRankTest, SourceInformationAppliesToTheNextCallOnly)
{
    const cv::Mat original = cv::imread(m_photos.front(), cv::IMREAD_COLOR);
    const std::string jpeg = path("compressed.jpg");
    ASSERT_TRUE(cv::imwrite(jpeg, original, { cv::IMWRITE_JPEG_QUALITY, 10 }));
    const std::string bmp = writeWorkingBitmap(cv::imread(jpeg), path("compressed.bmp"));

    const int32_t alone = rankFile(bmp);
    ImageRankSource(jpeg.c_str());
    const int32_t withSource = rankFile(bmp);
    EXPECT_LT(withSource, alone);
    EXPECT_EQ(rankFile(bmp), alone);

    // A call that cannot read its bitmap still uses up the source: it never passes to the
    // next file.
    ImageRankSource(jpeg.c_str());
    EXPECT_EQ(rankFile(path("missing.bmp")), 0);
    EXPECT_EQ(rankFile(bmp), alone);

    // A source that no longer gives this bitmap (changed or replaced since), or is missing,
    // leaves the bitmap to judge alone.
    ASSERT_TRUE(cv::imwrite(path("changed.png"), cv::Mat(300, 200, CV_8UC3, cv::Scalar::all(9))));
    ImageRankSource(path("changed.png").c_str());
    EXPECT_EQ(rankFile(bmp), alone);
    ImageRankSource(path("missing.jpg").c_str());
    EXPECT_EQ(rankFile(bmp), alone);
    ImageRankSource(nullptr);
    EXPECT_EQ(rankFile(bmp), alone);
}

TEST_F(ImageRankTest, RanksAreRepeatableAndMatchTheDetails)
{
    const std::string bmp
        = writeWorkingBitmap(cv::imread(m_photos.front(), cv::IMREAD_COLOR), path("photo.bmp"));
    const int32_t first = rankFile(bmp);
    EXPECT_EQ(rankFile(bmp), first);

    ImageRankScores scores {};
    EXPECT_EQ(ImageRankDetails(bmp.c_str(), &scores), first);
    EXPECT_EQ(scores.rank, first);
    const ImageRankScores onePass = judged(bmp);
    EXPECT_EQ(onePass.rank, first);
    EXPECT_EQ(onePass.sharpness, scores.sharpness);
    EXPECT_EQ(onePass.noise, scores.noise);
    EXPECT_EQ(onePass.exposure, scores.exposure);
    EXPECT_EQ(onePass.contrast, scores.contrast);
    EXPECT_EQ(onePass.compression, scores.compression);
    for (const double part :
        { scores.sharpness, scores.noise, scores.exposure, scores.contrast, scores.compression }) {
        EXPECT_GE(part, 0.0);
        EXPECT_LE(part, 100.0);
    }
}

} // namespace
} // namespace lis::test
