// Odd inputs to the ranking library: files it cannot read, images it can barely judge, and the
// length-prefixed argument of the program's call.
#include "RankerTestImages.h"
#include "lumetra_image_rank.h"
#include "rank/ranker/CodingSteps.h"
#include "rank/ranker/JpegHeader.h"
#include "rank/ranker/SourceProbe.h"
#include "tests/support/TempAppFolder.h"
#include "tests/support/TestImages.h"

#include <QTemporaryDir>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <utility>
#include <vector>

namespace lis::test {
namespace {

class ImageRankInputTest : public ::testing::Test
{
protected:
    std::string path(const std::string &name) const
    {
        return m_dir.filePath(QString::fromStdString(name)).toStdString();
    }
    std::string writeBytes(const std::string &name, const std::string &bytes) const
    {
        std::ofstream(path(name), std::ios::binary) << bytes;
        return path(name);
    }
    std::string sceneBitmap(int width, int height) const
    {
        const QString file = m_dir.filePath(QStringLiteral("scene.bmp"));
        EXPECT_TRUE(saveImage(makeScene(width, height), file, "BMP"));
        return file.toStdString();
    }

    QTemporaryDir m_dir;
};

TEST_F(ImageRankInputTest, UnreadableFilesRankZero)
{
    const cv::Mat scene = cv::imread(sceneBitmap(300, 200));
    std::vector<uchar> bmp;
    cv::imencode(".bmp", scene, bmp);
    const std::string truncated(bmp.begin(), bmp.begin() + 40);

    EXPECT_EQ(rankFile(path("missing.bmp")), 0);
    EXPECT_EQ(rankFile(writeBytes("empty.bmp", "")), 0);
    EXPECT_EQ(rankFile(writeBytes("text.bmp", "not an image at all")), 0);
    EXPECT_EQ(rankFile(writeBytes("truncated.bmp", truncated)), 0);
    EXPECT_EQ(rankFile(m_dir.path().toStdString()), 0); // a folder
    EXPECT_EQ(ImageRank(nullptr), 0);
    char *none = nullptr;
    EXPECT_EQ(ImageRank(&none), 0);

    ImageRankScores scores {};
    scores.rank = 99;
    EXPECT_EQ(ImageRankDetails(path("missing.bmp").c_str(), &scores), 0);
    EXPECT_EQ(scores.rank, 0);
    EXPECT_EQ(ImageRankDetails(nullptr, nullptr), 0);
    scores.rank = 99;
    EXPECT_EQ(ImageRankWithScores(nullptr, &scores), 0);
    EXPECT_EQ(scores.rank, 0);
    EXPECT_EQ(ImageRankWithScores(&none, nullptr), 0);
}

TEST_F(ImageRankInputTest, DegenerateImagesAreJudgedLow)
{
    const int32_t scene = rankFile(sceneBitmap(500, 375));
    ASSERT_GE(scene, 1);

    const cv::Mat grey(375, 500, CV_8UC3, cv::Scalar(128, 128, 128));
    const int32_t flat = rankFile(writeWorkingBitmap(grey, path("grey.bmp")));
    EXPECT_GE(flat, 1);
    EXPECT_LT(flat, scene);

    const cv::Mat dot(1, 1, CV_8UC3, cv::Scalar(10, 200, 30));
    EXPECT_GE(rankFile(writeWorkingBitmap(dot, path("dot.bmp"))), 1);

    const cv::Mat black(375, 500, CV_8UC3, cv::Scalar(0, 0, 0));
    EXPECT_GE(rankFile(writeWorkingBitmap(black, path("black.bmp"))), 1);
}

TEST_F(ImageRankInputTest, HugeAndTallBitmapsAreJudged)
{
    // Larger than the program ever hands over; judged at the working scale.
    cv::Mat huge = cv::imread(sceneBitmap(500, 375));
    cv::resize(huge, huge, cv::Size(6000, 4500), 0, 0, cv::INTER_NEAREST);
    const std::string hugePath = path("huge.bmp");
    ASSERT_TRUE(cv::imwrite(hugePath, huge));
    EXPECT_GE(rankFile(hugePath), 1);

    // A narrow tall image is never reduced by the program.
    cv::Mat tall;
    cv::resize(huge, tall, cv::Size(400, 3000), 0, 0, cv::INTER_AREA);
    const std::string tallPath = path("tall.bmp");
    ASSERT_TRUE(cv::imwrite(tallPath, tall));
    EXPECT_GE(rankFile(tallPath), 1);

    // A sliver 65,000 pixels tall: reduced to a few pixels across, still judged, and low.
    cv::Mat sliver;
    cv::resize(huge, sliver, cv::Size(8, 65000), 0, 0, cv::INTER_AREA);
    const std::string sliverPath = path("sliver.bmp");
    ASSERT_TRUE(cv::imwrite(sliverPath, sliver));
    const int32_t sliverRank = rankFile(sliverPath);
    EXPECT_GE(sliverRank, 1);
    EXPECT_LT(sliverRank, rankFile(sceneBitmap(500, 375)));
}

TEST_F(ImageRankInputTest, LengthPrefixIsHonouredAndLeftUnchanged)
{
    const std::string bmp = sceneBitmap(320, 240);
    const int32_t expected = rankFile(bmp);
    ASSERT_GE(expected, 1);

    // Bytes past the stated length belong to someone else: the path ends where the length says.
    const std::string tail = ".old";
    std::vector<char> buffer(4 + bmp.size() + tail.size() + 1, '\0');
    const auto length = static_cast<uint32_t>(bmp.size());
    std::memcpy(buffer.data(), &length, 4);
    std::memcpy(buffer.data() + 4, bmp.data(), bmp.size());
    std::memcpy(buffer.data() + 4 + bmp.size(), tail.data(), tail.size());
    const std::vector<char> before = buffer;
    char *text = buffer.data() + 4;
    char *const original = text;

    EXPECT_EQ(ImageRank(&text), expected);
    EXPECT_EQ(text, original);
    EXPECT_EQ(buffer, before);

    // A length that covers the tail names another, missing file.
    const auto longer = static_cast<uint32_t>(bmp.size() + tail.size());
    std::memcpy(buffer.data(), &longer, 4);
    EXPECT_EQ(ImageRank(&text), 0);

    const uint32_t zero = 0;
    std::memcpy(buffer.data(), &zero, 4);
    EXPECT_EQ(ImageRank(&text), 0);
}

TEST_F(ImageRankInputTest, NonAsciiPathsAreRead)
{
    const std::string bmp = sceneBitmap(200, 150);
    const std::string renamed = path("Fotó – été 東京.bmp");
    ASSERT_EQ(std::rename(bmp.c_str(), renamed.c_str()), 0);
    EXPECT_GE(rankFile(renamed), 1);
}

// The JPEG header reader, on streams of known quality and on damaged ones.
TEST(JpegHeaderTest, EstimatesTheEncoderQuality)
{
    const cv::Mat scene(64, 96, CV_8UC3, cv::Scalar(40, 120, 200));
    for (const int quality : { 5, 20, 50, 75, 90, 98 }) {
        std::vector<uchar> bytes;
        ASSERT_TRUE(cv::imencode(".jpg", scene, bytes, { cv::IMWRITE_JPEG_QUALITY, quality }));
        const auto header = ranker::parseJpegHeader(bytes.data(), bytes.size());
        ASSERT_TRUE(header) << quality;
        EXPECT_EQ(header->width, 96);
        EXPECT_EQ(header->height, 64);
        const auto estimate = ranker::estimateJpegQuality(*header);
        ASSERT_TRUE(estimate) << quality;
        EXPECT_NEAR(*estimate, quality, 1.5);
    }
}

TEST(JpegHeaderTest, RejectsDamagedHeaders)
{
    const cv::Mat scene(16, 16, CV_8UC3, cv::Scalar(1, 2, 3));
    std::vector<uchar> bytes;
    ASSERT_TRUE(cv::imencode(".jpg", scene, bytes));
    // Cut before the frame header: tables alone do not make an image.
    for (const std::size_t size : { std::size_t { 0 }, std::size_t { 2 }, std::size_t { 30 } })
        EXPECT_FALSE(ranker::parseJpegHeader(bytes.data(), size)) << size;
    const std::string notJpeg = "\x89PNG\r\n\x1a\n";
    EXPECT_FALSE(
        ranker::parseJpegHeader(reinterpret_cast<const uint8_t *>(notJpeg.data()), notJpeg.size()));
    // A frame header cut short at the very end of the data: its fields lie past the end.
    const uint8_t shortFrame[] = { 0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x06, 0x08, 0x00, 0x10, 0x00 };
    EXPECT_FALSE(ranker::parseJpegHeader(shortFrame, sizeof shortFrame));
    std::vector<uchar> badTable = bytes;
    for (std::size_t i = 0; i + 4 < badTable.size(); ++i)
        if (badTable[i] == 0xFF && badTable[i + 1] == 0xDB) {
            badTable[i + 4] = 0x27; // precision 2, table 7: neither exists
            break;
        }
    EXPECT_FALSE(ranker::parseJpegHeader(badTable.data(), badTable.size()));
}

// The source's pixel size, from the header of every format the program searches; a TIFF may
// keep its directory after the pixels, far past the first read.
TEST_F(ImageRankInputTest, SourceSizeIsReadFromEveryFormat)
{
    cv::Mat scene(480, 640, CV_8UC3);
    cv::randu(scene, 0, 255); // incompressible: the TIFF's pixels fill well over the first read
    for (const char *name : { "s.jpg", "s.png", "s.bmp", "s.tif" }) {
        ASSERT_TRUE(cv::imwrite(path(name), scene)) << name;
        const ranker::SourceInfo info = ranker::probeSource(path(name));
        ASSERT_TRUE(info.stored) << name;
        EXPECT_EQ(info.stored->width, 640) << name;
        EXPECT_EQ(info.stored->height, 480) << name;
    }
    // Only the header is read: a GIF's logical screen is enough.
    const auto gif
        = ranker::probeSource(writeBytes("s.gif", std::string("GIF89a\x40\x01\xf0\x00", 10)));
    ASSERT_TRUE(gif.stored);
    EXPECT_EQ(gif.stored->width, 320);
    EXPECT_EQ(gif.stored->height, 240);
    EXPECT_FALSE(ranker::probeSource(writeBytes("x.tif", "II*\0\xff\xff\xff\x7f")).stored);
    EXPECT_FALSE(ranker::probeSource(path("missing.png")).stored);
}

// The coding a source's pixels show is read from the file itself, at its own resolution: the
// same from a JPEG, baseline or progressive, as from lossless copies of its decoded pixels, and
// nothing from a JPEG whose data ends before the rows read or from a picture never coded.
TEST_F(ImageRankInputTest, SourceCodingIsTheSameInEveryFormat)
{
    const cv::Mat scene = shadedScene({ 1024, 768 });
    ASSERT_TRUE(cv::imwrite(path("clean.png"), scene));
    EXPECT_EQ(ranker::codingDefect(ranker::probeSource(path("clean.png")).codingStep), 0.0);

    ASSERT_TRUE(cv::imwrite(path("coded.jpg"), scene, { cv::IMWRITE_JPEG_QUALITY, 60 }));
    const std::optional<double> step = ranker::probeSource(path("coded.jpg")).codingStep;
    ASSERT_TRUE(step);
    EXPECT_GT(ranker::codingDefect(step), 1.0);
    ASSERT_TRUE(cv::imwrite(path("coded-progressive.jpg"), scene,
        { cv::IMWRITE_JPEG_QUALITY, 60, cv::IMWRITE_JPEG_PROGRESSIVE, 1 }));
    EXPECT_EQ(ranker::probeSource(path("coded-progressive.jpg")).codingStep, step);
    const cv::Mat decoded = cv::imread(path("coded.jpg"), cv::IMREAD_COLOR);
    cv::Mat opaque;
    cv::Mat deep;
    cv::cvtColor(decoded, opaque, cv::COLOR_BGR2BGRA);
    decoded.convertTo(deep, CV_16U, 257);
    const std::vector<std::pair<const char *, cv::Mat>> copies = { { "copy.png", decoded },
        { "copy.tif", decoded }, { "copy.bmp", decoded }, { "copy-opaque.png", opaque },
        { "copy-16-bit.png", deep }, { "copy-32-bit.bmp", opaque } };
    for (const auto &[copy, pixels] : copies) {
        ASSERT_TRUE(cv::imwrite(path(copy), pixels));
        EXPECT_EQ(ranker::probeSource(path(copy)).codingStep, step) << copy;
    }

    // A TIFF's strip may begin above the band (OpenCV writes about 8 KiB a strip).
    ASSERT_TRUE(cv::imwrite(
        path("tall.jpg"), shadedScene({ 520, 1000 }), { cv::IMWRITE_JPEG_QUALITY, 60 }));
    ASSERT_TRUE(cv::imwrite(path("tall.tif"), cv::imread(path("tall.jpg"), cv::IMREAD_COLOR)));
    EXPECT_EQ(ranker::probeSource(path("tall.tif")).codingStep,
        ranker::probeSource(path("tall.jpg")).codingStep);

    // A JPEG over a megapixel, baseline or progressive, is read from its table: about what the
    // pixels of a copy show.
    cv::Mat large;
    cv::resize(scene, large, cv::Size(1280, 960), 0, 0, cv::INTER_CUBIC);
    for (const int progressive : { 0, 1 }) {
        ASSERT_TRUE(cv::imwrite(path("large.jpg"), large,
            { cv::IMWRITE_JPEG_QUALITY, 60, cv::IMWRITE_JPEG_PROGRESSIVE, progressive }));
        ASSERT_TRUE(
            cv::imwrite(path("large.png"), cv::imread(path("large.jpg"), cv::IMREAD_COLOR)));
        const double fromTable
            = ranker::codingDefect(ranker::probeSource(path("large.jpg")).codingStep);
        EXPECT_GT(fromTable, 1.0) << progressive;
        EXPECT_NEAR(ranker::codingDefect(ranker::probeSource(path("large.png")).codingStep),
            fromTable, 0.05)
            << progressive;
    }

    for (const char *name : { "coded.jpg", "copy.png" }) {
        std::ifstream whole(path(name), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(whole)), {});
        const ranker::SourceInfo cut = ranker::probeSource(
            writeBytes(std::string("cut-") + name, bytes.substr(0, bytes.size() / 4)));
        EXPECT_TRUE(cut.stored) << name;
        EXPECT_FALSE(cut.codingStep) << name;
    }
}

// The source counts only when the bitmap is what the program makes of it: the same size when
// narrow, fitted into 500 x 500 when wider, either way round.
TEST(SourceProbeTest, ReductionScaleOnlyForTheSourcesOwnBitmap)
{
    const auto scale = [](int w, int h, cv::Size bitmap) {
        ranker::SourceInfo source;
        source.stored = ranker::StoredSize { w, h };
        return ranker::reductionScale(source, bitmap);
    };
    EXPECT_DOUBLE_EQ(scale(1000, 750, { 500, 375 }).value_or(0), 0.5);
    EXPECT_DOUBLE_EQ(scale(1000, 750, { 375, 500 }).value_or(0), 0.5); // turned upright
    EXPECT_DOUBLE_EQ(scale(300, 200, { 300, 200 }).value_or(0), 1.0);
    EXPECT_DOUBLE_EQ(scale(600, 6000, { 50, 500 }).value_or(0), 50.0 / 600);
    EXPECT_FALSE(scale(1000, 750, { 400, 300 })); // another picture now
    EXPECT_FALSE(scale(300, 200, { 500, 333 }));
    EXPECT_FALSE(ranker::reductionScale({}, { 500, 375 }));
}

} // namespace
} // namespace lis::test
