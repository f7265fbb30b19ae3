#include "rank/PhotoStacks.h"

#include "tests/support/ImageEdits.h"
#include "tests/support/TempAppFolder.h"
#include "tests/support/TestImages.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QPainter>
#include <gtest/gtest.h>
#include <map>
#include <random>

using namespace lis;
using namespace lis::test;

namespace {

StackCandidate judged(int position, std::int64_t rank, std::uint64_t hash,
    std::optional<std::int64_t> time = std::nullopt, std::uint8_t tint = 128)
{
    ImageSignature signature;
    signature.hash = hash & ~std::uint64_t(1);
    signature.layout.fill(tint);
    return { position, rank, signature, time };
}

// Planted stacks among random signatures: frames of a stack differ from their original in at
// most the radius, bursts share their times, and a few hundred copies of one photo are exact.
std::vector<StackCandidate> plantedStacks(unsigned seed)
{
    std::mt19937_64 random(seed);
    std::vector<StackCandidate> candidates;
    int position = 0;
    const auto add = [&](StackCandidate c) {
        c.position = ++position;
        candidates.push_back(c);
    };
    for (int photo = 0; photo < 400; ++photo) {
        const std::uint64_t hash = random();
        const std::int64_t time = 1600000000000 + std::int64_t(random() % 100000) * 60000;
        const int frames = int(random() % 4) + 1;
        for (int f = 0; f < frames; ++f) {
            std::uint64_t flipped = hash;
            for (int bit = int(random() % 12); bit > 0; --bit)
                flipped ^= std::uint64_t(1) << (random() % 64);
            StackCandidate c = judged(0, std::int64_t(random() % 1000) + 1, flipped,
                random() % 3 ? std::optional(time + std::int64_t(random() % 200000)) : std::nullopt,
                std::uint8_t(100 + random() % 20));
            add(c);
        }
    }
    const StackCandidate copy = judged(0, 5, random(), 1700000000000);
    for (int i = 0; i < 300; ++i)
        add(copy);
    add({ 0, 0, candidates.front().signature, {} }); // not judged: alone whatever it looks like
    add({ 0, 9, std::nullopt, {} }); // judged, but without a signature
    std::shuffle(candidates.begin(), candidates.end(), random);
    return candidates;
}

QImage reencoded(const QImage &image, int quality)
{
    return QImage::fromData(jpegBytes(image, quality), "jpeg");
}

StackCandidate candidateOf(const QImage &image)
{
    return { 1, 1,
        signatureOf(image.scaled(500, 500, Qt::KeepAspectRatio, Qt::SmoothTransformation)), {} };
}

} // namespace

// The chunk index finds exactly the stacks that comparing every pair finds, whatever the
// thresholds, with exact copies, unjudged files and missing signatures among them.
TEST(PhotoStacks, ChunkIndexFindsWhatAllPairsFind)
{
    for (const unsigned seed : { 1u, 2u }) {
        const std::vector<StackCandidate> candidates = plantedStacks(seed);
        for (const StackThresholds t : { kStackThresholds, StackThresholds { 3, 50, 60000, 0 },
                 StackThresholds { 16, 8, 600000, 0 }, StackThresholds { 0, 0, 0, 0 } }) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " radius " << t.hashRadius);
            const std::vector<StackPlace> fast = groupStacks(candidates, t);
            EXPECT_EQ(fast, groupStacksAllPairs(candidates, t));
            const auto copies = std::count_if(
                fast.begin(), fast.end(), [](const StackPlace &p) { return p.size >= 300; });
            EXPECT_GE(copies, 300);
            for (size_t i = 0; i < candidates.size(); ++i) {
                if (candidates[i].rank == 0 || !candidates[i].signature) {
                    EXPECT_EQ(fast[i], (StackPlace { candidates[i].position, 1, 1 }));
                }
            }
        }
    }
}

TEST(PhotoStacks, OrderedByRankWithThePickFirst)
{
    const std::uint64_t burst = 0xF0F0F0F0F0F0F0F0;
    const std::int64_t t = 1600000000000;
    const std::int64_t point = 20000000; // of the 0-100 score: ranks beyond the pick margin
    const std::vector<StackCandidate> rows {
        judged(1, 98 * point, 0x123456789ABCDEF0), // alone
        judged(2, 80 * point, burst, t),
        judged(3, 80 * point, burst ^ 0x6, t + 1000), // within the radius of the others
        judged(4, 60 * point, burst, std::nullopt), // a time unknown does not keep it out
        judged(5, 40 * point, burst, t + 3600000), // an hour later: another moment
        judged(6, 20 * point, burst, t, 30), // other colours
        judged(7, 0, burst, t), // not judged
        judged(8, 80 * point, burst ^ 0xFFFFF, t), // too many bits apart
    };
    const std::vector<StackPlace> places = groupStacks(rows);
    const std::vector<StackPlace> expected {
        { 1, 1, 1 },
        { 2, 1, 4 }, // as good as 3, and nearer the stack's other frames
        { 2, 2, 4 },
        { 2, 3, 4 },
        { 2, 4, 4 }, // joined through row 4, whose time is unknown
        { 6, 1, 1 },
        { 7, 1, 1 },
        { 8, 1, 1 },
    };
    EXPECT_EQ(places, expected);
    EXPECT_EQ(otherRowsOfStack(places, 2), (std::vector<int> { 1, 3, 4 }));
    EXPECT_EQ(otherRowsOfStack(places, 4), (std::vector<int> { 1, 2, 3 }));
    EXPECT_TRUE(otherRowsOfStack(places, 0).empty());
    EXPECT_TRUE(otherRowsOfStack(places, 99).empty());

    // Frames judged as good as the best, within the margin: the one with the most pixels (the
    // uncropped original) leads them; a frame just beyond the margin stays behind whatever its
    // size.
    const std::int64_t best = 1000000000, margin = kStackThresholds.pickMargin;
    std::vector<StackCandidate> frames { judged(1, best, burst), judged(2, best - margin, burst),
        judged(3, best - margin - 1, burst), judged(4, best - margin, burst) };
    for (const auto &[row, pixels] : { std::pair { 0, 480 * 470 }, std::pair { 1, 512 * 512 },
             std::pair { 2, 4000 * 3000 }, std::pair { 3, 500 * 500 } })
        frames[size_t(row)].pixels = pixels;
    EXPECT_EQ(groupStacks(frames),
        (std::vector<StackPlace> { { 2, 3, 4 }, { 2, 1, 4 }, { 2, 4, 4 }, { 2, 2, 4 } }));

    // Of as good frames of one size, one coded once leads those coded again from another JPEG
    // (its re-saved copies), and of those the one nearest the other frames (the original of its
    // variants) leads; then rank, then report position.
    std::vector<StackCandidate> copies { judged(1, best, burst ^ 0x60), judged(2, best, burst),
        judged(3, best - 1, burst ^ 0x2), judged(4, best - 2, burst ^ 0x4) };
    for (StackCandidate &c : copies)
        c.pixels = 512 * 512;
    copies[1].recoded = true; // nearest all the others, but a re-saved copy
    EXPECT_EQ(groupStacks(copies),
        (std::vector<StackPlace> { { 3, 3, 4 }, { 3, 4, 4 }, { 3, 1, 4 }, { 3, 2, 4 } }));
}

// The damage a photo takes between frames and copies keeps it in its stack; a photo from far
// away in the folder does not join it. Real photos: a synthetic scene is no test of a perceptual
// hash.
TEST(PhotoStacks, SmallChangesStayTogetherOtherPhotosDoNot)
{
    const QString folder = sharedTestData() + QStringLiteral("/iqa/biq2021-train-more/images");
    const QStringList all
        = QDir(folder).entryList({ QStringLiteral("*.jpg") }, QDir::Files, QDir::Name);
    LIS_NEED_SHARED_DATA(all.size() >= 1000, folder.toStdString());
    const QStringList photos = all.mid(0, 9);
    std::map<std::string, int> kept;
    int apart = 0;
    for (qsizetype p = 0; p + 1 < photos.size(); ++p) {
        const QImage original(QDir(folder).filePath(photos[p]));
        ASSERT_FALSE(original.isNull());
        const StackCandidate base = candidateOf(original);
        const int w = original.width(), h = original.height();
        const std::pair<const char *, QImage> frames[] = {
            { "crop 4 %", original.copy(w / 50, h / 50, w - w / 25, h - h / 25) },
            { "shift 3 %", original.copy(w * 3 / 100, 0, w - w * 3 / 100, h) },
            { "+0.5 EV", exposedBy(original, 0.5) },
            { "-0.5 EV", exposedBy(original, -0.5) },
            { "blur",
                original.scaled(w / 2, h / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation) },
            { "JPEG 70", reencoded(original, 70) },
        };
        for (const auto &[what, image] : frames)
            kept[what] += belongTogether(base, candidateOf(image));
        // Neighbours by name can be one scene shot twice (the folder holds such pairs).
        const QString far = all[(p * 97 + all.size() / 2) % all.size()];
        apart += !belongTogether(base, candidateOf(QImage(QDir(folder).filePath(far))));
    }
    const int pairs = int(photos.size()) - 1;
    for (const char *what : { "+0.5 EV", "-0.5 EV", "blur", "JPEG 70" })
        EXPECT_EQ(kept[what], pairs) << what;
    // Crops and shifts move the picture under the hash: most, not all, stay.
    EXPECT_GE(kept["crop 4 %"], pairs - 2);
    EXPECT_GE(kept["shift 3 %"], pairs - 2);
    EXPECT_EQ(apart, pairs);
    // One such pair: the same basket shot twice, the second time two stops darker.
    EXPECT_TRUE(belongTogether(candidateOf(QImage(QDir(folder).filePath(all[0]))),
        candidateOf(QImage(QDir(folder).filePath(all[1])))));
}
