// The measures behind the ranking, on synthetic bitmaps whose answer is known.
#include "QualityFeatures.h"

#include "CodingSteps.h"
#include "NaturalScene.h"
#include "RankerTestImages.h"

#include <cmath>
#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
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

namespace lis::ranker {
namespace {

cv::Mat shadedScene()
{
    return test::shadedScene({ 640, 480 });
}

cv::Mat jpegOf(const cv::Mat &image, int quality)
{
    std::vector<uchar> bytes;
    cv::imencode(".jpg", image, bytes, { cv::IMWRITE_JPEG_QUALITY, quality });
    return cv::imdecode(bytes, cv::IMREAD_COLOR);
}

cv::Mat reducedBy(const cv::Mat &image, double factor)
{
    cv::Mat out;
    cv::resize(image, out, cv::Size(), factor, factor, cv::INTER_AREA);
    return out;
}

// Block edges are found where the source's coding put them, also after a reduction, and grow
// as the quality falls; a grid that is not there finds nothing.
TEST(QualityFeaturesTest, GridStepsFollowTheCodingGrid)
{
    const cv::Mat scene = shadedScene();
    for (const double factor : { 1.0, 0.78, 0.5 }) {
        double previous = measureQuality(reducedBy(scene, factor), factor).lumaGrid.relative;
        EXPECT_LT(std::abs(previous), 0.05) << "clean, reduced by " << factor;
        // Below about quality 10 every step of a flat-blocked frame lies on the grid: the share
        // cannot grow further.
        for (const int quality : { 50, 25, 12 }) {
            const QualityFeatures f
                = measureQuality(reducedBy(jpegOf(scene, quality), factor), factor);
            EXPECT_GT(f.lumaGrid.relative, previous) << quality << " reduced by " << factor;
            previous = f.lumaGrid.relative;
        }
    }
    // The same heavy blocks looked for on the wrong grid.
    const cv::Mat blocky = reducedBy(jpegOf(scene, 5), 0.78);
    EXPECT_LT(measureQuality(blocky, 1.0).lumaGrid.relative,
        0.3 * measureQuality(blocky, 0.78).lumaGrid.relative);
}

// The quantisation step read back from decoded pixels grows as the coding's quality falls, the
// same from the colour a decoder gives as from the luma alone, and is not found where no coding
// left its lattice: a clean frame, or the coded one reduced or moved off its grid.
TEST(QualityFeaturesTest, CodingStepIsReadFromTheDecodedPixels)
{
    const cv::Mat scene = shadedScene();
    EXPECT_EQ(codingDefect(codingStep(scene)), 0.0) << "never coded";
    double previous = 0;
    for (const int quality : { 95, 85, 70, 50, 30, 15, 5 }) {
        const cv::Mat decoded = jpegOf(scene, quality);
        const std::optional<double> step = codingStep(decoded);
        ASSERT_TRUE(step) << quality;
        // A step of 2 is about all quality 95 leaves: close to none.
        if (quality >= 90)
            EXPECT_LT(codingDefect(step), 0.3) << quality;
        else
            EXPECT_GT(codingDefect(step), previous) << quality;
        previous = codingDefect(step);
        std::vector<uchar> bytes;
        cv::imencode(".jpg", scene, bytes, { cv::IMWRITE_JPEG_QUALITY, quality });
        EXPECT_EQ(codingStep(cv::imdecode(bytes, cv::IMREAD_GRAYSCALE)), step) << quality;
    }
    const cv::Mat coded = jpegOf(scene, 50);
    // Brightened or darkened since, the lattice stays, scaled by the gain: steps that are no
    // longer whole numbers.
    const std::optional<double> codedStep = codingStep(coded);
    for (const double gain : { 0.7, 1.2, 1.3 }) {
        cv::Mat scaled;
        coded.convertTo(scaled, -1, gain);
        const std::optional<double> step = codingStep(scaled);
        ASSERT_TRUE(step && codedStep) << gain;
        EXPECT_NEAR(*step / *codedStep, gain, 0.1 * gain) << gain;
    }
    EXPECT_EQ(codingDefect(codingStep(reducedBy(coded, 0.78))), 0.0) << "reduced";
    EXPECT_EQ(codingDefect(codingStep(coded(cv::Rect(3, 5, 600, 400)).clone())), 0.0)
        << "off its grid";
    EXPECT_FALSE(codingStep(cv::Mat(64, 64, CV_8UC3, cv::Scalar::all(128)))) << "flat";
    EXPECT_FALSE(codingStep(cv::Mat())) << "empty";
}

TEST(QualityFeaturesTest, NaturalSceneStatisticsReadBlurAndNoise)
{
    EXPECT_NEAR(generalisedGaussianShape(2.0), 1.0, 0.002); // Laplacian
    EXPECT_NEAR(generalisedGaussianShape(CV_PI / 2), 2.0, 0.002); // Gaussian
    EXPECT_EQ(generalisedGaussianShape(1e9), 0.2); // beyond the searched shapes: the ends
    EXPECT_EQ(generalisedGaussianShape(1.0), 10.0);

    // Neighbours of the normalised values agree more once blurred, less once noise is added,
    // at both scales (the mean of the horizontal neighbour products).
    cv::Mat luma;
    cv::cvtColor(shadedScene(), luma, cv::COLOR_BGR2GRAY);
    cv::Mat blurred;
    cv::GaussianBlur(luma, blurred, cv::Size(), 2.0);
    cv::Mat noise(luma.size(), CV_16S);
    cv::randn(noise, 0, 12);
    cv::Mat noisy;
    cv::add(luma, noise, noisy, cv::noArray(), CV_8U);
    const NaturalSceneTerms clean = measureNaturalScene(luma);
    const NaturalSceneTerms soft = measureNaturalScene(blurred);
    const NaturalSceneTerms grainy = measureNaturalScene(noisy);
    for (const int hMean : { 3, 3 + kNaturalSceneTerms / 2 }) {
        EXPECT_GT(soft[hMean], clean[hMean]) << hMean;
        EXPECT_LT(grainy[hMean], clean[hMean]) << hMean;
    }
    // A flat frame normalises to zero everywhere: no variance, and no failure.
    const NaturalSceneTerms flat = measureNaturalScene(cv::Mat(64, 64, CV_8UC1, cv::Scalar(90)));
    EXPECT_LT(flat[1], 1e-6);
}

} // namespace
} // namespace lis::ranker
