#include "CodingSteps.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <opencv2/imgproc.hpp>
#include <utility>
#include <vector>

namespace lis::ranker {
namespace {

constexpr int kBlock = 8;
// The lowest frequencies (row, column of the transform): a coding at any quality keeps values
// there in ordinary photos, where the higher ones are mostly rounded to 0.
constexpr int kPlaces = 6;
constexpr std::array<std::array<int, 2>, kPlaces> kPlace
    = { { { 0, 0 }, { 0, 1 }, { 1, 0 }, { 1, 1 }, { 2, 0 }, { 0, 2 } } };
constexpr int kLowestRows = 3; // the places use rows 0..2 of the transform
// Baseline JPEG's tables hold 8-bit steps. A picture brightened or darkened since its coding
// keeps the lattice, scaled by the gain: so the candidate steps are not whole numbers but a
// ladder this fine, from 2 to the largest.
constexpr int kLargestStep = 255;
constexpr double kSmallestStep = 2.0;
constexpr double kLadder = 1.02;
// A level-shifted block's values lie within this.
constexpr int kRange = 1024 + kBlock;
// A step is judged on the values half a step or more from 0, and only while there are this
// many of them.
constexpr int kMinValues = 50;
// On a coding's lattice the mean cosine of a value's phase within the step is about 0.9 (the
// decoder's rounding blurs it a little); off it, about 0.
constexpr double kOnMultiples = 0.5;
// Within half a step of 0, a coded picture's values are 0 give or take the decoder's rounding
// (which clipped colour can push a few levels off): no more than this share of them may lie
// beyond a quarter of the step, and beyond rounding.
constexpr double kMaxStrays = 0.2;
// Values nearer 0 than this may be the decoder's rounding alone.
constexpr int kClearOfRounding = 3;
// Steps that fit within this of the best fit are as good.
constexpr double kAsGood = 0.1;
// A step this small moves no decoded pixel by more than a level.
constexpr double kInvisibleStep = 2.0;

constexpr float kLevelShift = 128.0f;

using Basis = std::array<std::array<float, kBlock>, kLowestRows>;

Basis makeBasis()
{
    Basis b {};
    for (int u = 0; u < kLowestRows; ++u)
        for (int x = 0; x < kBlock; ++x)
            b[u][x]
                = static_cast<float>((u == 0 ? std::sqrt(1.0 / kBlock) : std::sqrt(2.0 / kBlock))
                    * std::cos((2 * x + 1) * u * std::numbers::pi / (2 * kBlock)));
    return b;
}

// How many values of one place have each magnitude (rounded to a whole number), and how many
// of those are below 0.
struct Magnitudes
{
    std::vector<int> count = std::vector<int>(kRange + 1, 0);
    std::vector<int> negative = std::vector<int>(kRange + 1, 0);
};

// The values of every block of 8-bit luma or BGR pixels, a row of blocks at a time: the transform
// runs down the columns row by row (the bulk of the work, in vector lanes), then across each block.
// A block with a value clipped at 0 or 255 is left out: the decoder's clipping moved it off the
// lattice.
std::array<Magnitudes, kPlaces> countValues(const cv::Mat &pixels)
{
    static const Basis basis = makeBasis();
    std::array<Magnitudes, kPlaces> places;
    const cv::Rect blocks(0, 0, pixels.cols / kBlock * kBlock, pixels.rows / kBlock * kBlock);
    if (blocks.empty())
        return places;
    // Luma as JPEG codes it, to the level (as a decoder rounds it); a block is kept where no
    // value, luma or colour, is clipped.
    cv::Mat luma;
    cv::Mat unclipped;
    if (pixels.channels() == 1) {
        luma = pixels(blocks);
        cv::inRange(luma, 1, 254, unclipped);
    } else {
        cv::cvtColor(pixels(blocks), luma, cv::COLOR_BGR2GRAY);
        cv::inRange(pixels(blocks), cv::Scalar::all(1), cv::Scalar::all(254), unclipped);
    }
    cv::Mat wholeBlocks; // 255 where no value of the block is clipped
    cv::resize(unclipped, wholeBlocks, blocks.size() / kBlock, 0, 0, cv::INTER_AREA);
    const int width = blocks.width;
    std::array<std::vector<float>, kLowestRows> columns;
    for (int by = 0; by < blocks.height / kBlock; ++by) {
        for (auto &c : columns)
            c.assign(width, 0.0f);
        for (int y = 0; y < kBlock; ++y) {
            const uchar *row = luma.ptr<uchar>(by * kBlock + y);
            for (int u = 0; u < kLowestRows; ++u) {
                const float weight = basis[u][y];
                float *column = columns[u].data();
                for (int x = 0; x < width; ++x)
                    column[x] += weight * (row[x] - kLevelShift);
            }
        }
        const uchar *whole = wholeBlocks.ptr<uchar>(by);
        for (int bx = 0; bx < width / kBlock; ++bx) {
            if (whole[bx] != 255)
                continue;
            for (int k = 0; k < kPlaces; ++k) {
                const float *column = columns[kPlace[k][0]].data() + bx * kBlock;
                float sum = 0;
                for (int x = 0; x < kBlock; ++x)
                    sum += basis[kPlace[k][1]][x] * column[x];
                const int value = static_cast<int>(std::lround(sum));
                const int magnitude = std::min(std::abs(value), kRange);
                ++places[k].count[magnitude];
                places[k].negative[magnitude] += value < 0;
            }
        }
    }
    return places;
}

// The candidate steps, and cos(2 pi a / step) for each and every magnitude a, made once (a
// megabyte): the fit of a step is then a plain dot product.
struct Candidates
{
    std::vector<double> steps;
    std::vector<std::vector<float>> phases;
};

const Candidates &candidates()
{
    static const Candidates table = [] {
        Candidates c;
        for (double step = kSmallestStep; step <= kLargestStep; step *= kLadder) {
            c.steps.push_back(step);
            std::vector<float> &phase = c.phases.emplace_back();
            phase.reserve(kRange + 1);
            for (int a = 0; a <= kRange; ++a)
                phase.push_back(static_cast<float>(std::cos(2 * std::numbers::pi * a / step)));
        }
        return c;
    }();
    return table;
}

// One place's values, with running sums from the largest magnitude down.
class PlaceValues
{
public:
    explicit PlaceValues(const Magnitudes &m)
        : m_count(m.count.begin(), m.count.end())
        , m_atLeast(kRange + 2, 0)
        , m_negativeAtLeast(kRange + 2, 0)
    {
        for (int a = kRange; a >= 0; --a) {
            m_atLeast[a] = m_atLeast[a + 1] + m.count[a];
            m_negativeAtLeast[a] = m_negativeAtLeast[a + 1] + m.negative[a];
            if (m_largest < 0 && m.count[a] > 0)
                m_largest = a;
        }
    }

    // Values clear of the decoder's rounding.
    long clear() const { return m_atLeast[kClearOfRounding]; }

    // How well the values sit on the multiples of `step`: 0 when they do not, or too few of
    // them are far enough from 0 to tell (`enough` is then false).
    double fit(double step, const float *phase, bool &enough) const
    {
        const int half = static_cast<int>(std::ceil(step / 2)); // 2a >= step
        const int from = std::max(half, kClearOfRounding);
        const long far = m_atLeast[from];
        enough = far >= kMinValues;
        if (!enough)
            return 0;
        // Values bunched near one multiple fit any step close to it: a step must be seen at two
        // multiples at least, -n and n or two of one sign.
        const long negative = m_negativeAtLeast[from];
        int nearest = from;
        while (m_count[nearest] == 0)
            ++nearest;
        const bool spread = (negative > 0 && negative < far)
            || std::lround(m_largest / step) != std::lround(nearest / step);
        const int strayFrom = std::max(kClearOfRounding, static_cast<int>(step / 4));
        const long strays = strayFrom < half ? m_atLeast[strayFrom] - m_atLeast[half] : 0;
        const long nearZero = m_atLeast[0] - m_atLeast[half];
        if (!spread || strays > kMaxStrays * nearZero)
            return 0;
        float cosines = 0;
        for (int a = nearest; a <= m_largest; ++a)
            cosines += m_count[a] * phase[a];
        return cosines / far;
    }

private:
    std::vector<float> m_count;
    std::vector<long> m_atLeast;
    std::vector<long> m_negativeAtLeast;
    int m_largest = -1;
};

// The step whose multiples the values sit on: of the steps that fit about as well as the best,
// the largest (a step's divisors fit it as well, and a step a little too large only somewhat
// less while just its first multiples are seen). 1 when none fits; nothing when too few values
// lie clear of 0 to tell.
std::optional<double> placeStep(const Magnitudes &magnitudes)
{
    const PlaceValues values(magnitudes);
    if (values.clear() < kMinValues)
        return std::nullopt;
    const Candidates &c = candidates();
    std::vector<double> score;
    score.reserve(c.steps.size());
    double best = kOnMultiples;
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
        bool enough = false;
        score.push_back(values.fit(c.steps[i], c.phases[i].data(), enough));
        if (!enough)
            break;
        best = std::max(best, score.back());
    }
    for (std::size_t i = score.size(); i-- > 0;)
        if (score[i] >= best - kAsGood)
            return c.steps[i];
    return 1.0;
}

} // namespace

namespace {

// The median of the places' steps, in logs (the mean of the middle two for an even count).
std::optional<double> medianStep(std::vector<double> logSteps)
{
    if (logSteps.empty())
        return std::nullopt;
    std::sort(logSteps.begin(), logSteps.end());
    const std::size_t middle = logSteps.size() / 2;
    const double median
        = logSteps.size() % 2 ? logSteps[middle] : 0.5 * (logSteps[middle - 1] + logSteps[middle]);
    return std::exp(median);
}

} // namespace

std::optional<double> codingStep(const cv::Mat &pixels)
{
    if (pixels.empty() || pixels.depth() != CV_8U
        || (pixels.channels() != 1 && pixels.channels() != 3))
        return std::nullopt;
    std::vector<double> logSteps;
    for (const Magnitudes &values : countValues(pixels))
        if (const std::optional<double> step = placeStep(values))
            logSteps.push_back(std::log(*step));
    return medianStep(std::move(logSteps));
}

std::optional<double> tableStep(const std::array<uint16_t, 64> &zigzagTable)
{
    // The places, (0,0) (0,1) (1,0) (2,0) (1,1) (0,2), are the first six of the zigzag.
    std::vector<double> logSteps;
    for (int k = 0; k < kPlaces; ++k) {
        if (zigzagTable[k] == 0)
            return std::nullopt; // no table a decoder accepts
        logSteps.push_back(std::log(std::min<int>(zigzagTable[k], kLargestStep)));
    }
    return medianStep(std::move(logSteps));
}

double codingDefect(std::optional<double> step)
{
    return step ? std::max(0.0, std::log(*step / kInvisibleStep)) : 0.0;
}

} // namespace lis::ranker
