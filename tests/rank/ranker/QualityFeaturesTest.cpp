// The measures behind the ranking, on synthetic bitmaps whose answer is known.
#include "QualityFeatures.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

namespace lis::ranker {
namespace {

cv::Mat grey(int value)
{
    return cv::Mat(400, 500, CV_8UC3, cv::Scalar::all(value));
}

// A fine checkerboard in one rectangle of an otherwise flat grey frame.
cv::Mat texturedAt(const cv::Rect &area)
{
    cv::Mat image = grey(128);
    for (int y = area.y; y < area.y + area.height; ++y)
        for (int x = area.x; x < area.x + area.width; ++x)
            image.at<cv::Vec3b>(y, x) = cv::Vec3b::all(((x / 2 + y / 2) % 2) ? 170 : 86);
    return image;
}

TEST(QualityFeaturesTest, CentralDetailSeesOnlyTheMiddleOfTheFrame)
{
    // Six 64-px tiles each: the middle block of the frame, and the left edge.
    const QualityFeatures centre = measureQuality(texturedAt({ 142, 133, 215, 133 }));
    const QualityFeatures edge = measureQuality(texturedAt({ 0, 0, 71, 400 }));
    EXPECT_GT(centre.centralDetail, 2.0 * centre.meanDetail);
    // Only the strip's border bleeds into the central tiles.
    EXPECT_LT(edge.centralDetail, 0.01 * edge.meanDetail);
    // The sharpest tiles are as sharp wherever the texture lies.
    EXPECT_NEAR(centre.detail, edge.detail, 0.05 * edge.detail);
}

TEST(QualityFeaturesTest, GrainIsEvenAcrossTheFrame)
{
    for (const double sigma : { 2.0, 5.0, 10.0 }) {
        cv::Mat noise(400, 500, CV_32FC1);
        cv::RNG rng(11);
        rng.fill(noise, cv::RNG::NORMAL, 128, sigma);
        cv::Mat luma;
        noise.convertTo(luma, CV_8UC1);
        cv::Mat image;
        cv::cvtColor(luma, image, cv::COLOR_GRAY2BGR);
        const QualityFeatures f = measureQuality(image);
        EXPECT_NEAR(f.noiseSigma, sigma, 0.25 * sigma);
        EXPECT_NEAR(f.centralDetail, f.meanDetail, 0.05 * f.meanDetail) << "noise " << sigma;
    }
}

TEST(QualityFeaturesTest, ToneShapeFollowsTheHistogram)
{
    // Dark frame with a bright patch: a bright tail, so positive skew; its negative mirrors it.
    cv::Mat dark = grey(40);
    dark(cv::Rect(0, 0, 100, 100)).setTo(cv::Scalar::all(220));
    cv::Mat light;
    cv::bitwise_not(dark, light);
    const QualityFeatures d = measureQuality(dark);
    const QualityFeatures l = measureQuality(light);
    EXPECT_GT(d.lumaSkew, 1.0);
    EXPECT_NEAR(l.lumaSkew, -d.lumaSkew, 0.01);
    // Share 0.05 at 220 and 0.95 at 40: sd = 180 * sqrt(0.05 * 0.95).
    EXPECT_NEAR(d.lumaSd, 180.0 * std::sqrt(0.05 * 0.95), 1.0);

    const QualityFeatures flat = measureQuality(grey(90));
    EXPECT_EQ(flat.lumaSd, 0.0);
    EXPECT_EQ(flat.lumaSkew, 0.0);
}

TEST(QualityFeaturesTest, LocalContrastIsTheSpreadWithinWindows)
{
    // Two levels 84 apart, evenly mixed in every window: a spread of 42 everywhere.
    const QualityFeatures checker = measureQuality(texturedAt({ 0, 0, 500, 400 }));
    EXPECT_NEAR(checker.localContrast, 42.0, 1.0);
    // One hard edge between two flat halves: only windows across it see any spread.
    cv::Mat halves = grey(40);
    halves(cv::Rect(250, 0, 250, 400)).setTo(cv::Scalar::all(200));
    const QualityFeatures edge = measureQuality(halves);
    EXPECT_GT(edge.localContrast, 2.0);
    EXPECT_LT(edge.localContrast, 0.2 * edge.lumaSd);
    EXPECT_EQ(measureQuality(grey(90)).localContrast, 0.0);
}

} // namespace
} // namespace lis::ranker
