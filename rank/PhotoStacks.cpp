#include "rank/PhotoStacks.h"

#include <algorithm>
#include <bit>
#include <numeric>
#include <tuple>

namespace lis {

namespace {

class UnionFind
{
public:
    explicit UnionFind(size_t count)
        : m_parent(count)
    {
        std::iota(m_parent.begin(), m_parent.end(), size_t(0));
    }
    size_t root(size_t i)
    {
        while (m_parent[i] != i) {
            m_parent[i] = m_parent[m_parent[i]];
            i = m_parent[i];
        }
        return i;
    }
    void join(size_t a, size_t b)
    {
        a = root(a);
        b = root(b);
        if (a != b)
            m_parent[std::max(a, b)] = std::min(a, b);
    }

private:
    std::vector<size_t> m_parent;
};

bool canStack(const StackCandidate &c)
{
    return c.rank > 0 && c.signature.has_value();
}

bool closeInTime(const StackCandidate &a, const StackCandidate &b, std::int64_t window)
{
    if (!a.captureTime || !b.captureTime)
        return true;
    const std::int64_t gap = *a.captureTime - *b.captureTime;
    return gap <= window && -gap <= window;
}

// A stack's variants are each made from its original (a crop, a re-save, another exposure), so
// the original lies nearest all of them; past this many frames (copies by the thousand) the
// distances are not summed.
constexpr size_t kMostCentred = 64;

// How far each frame as good as the best lies from the stack's other frames, 0 for the rest.
void sumDistances(const std::vector<StackCandidate> &candidates, const std::vector<size_t> &stack,
    std::int64_t best, std::int64_t pickMargin, std::vector<double> &spread)
{
    if (stack.size() < 3 || stack.size() > kMostCentred)
        return; // two frames are as near each other as can be
    for (const size_t i : stack) {
        const StackCandidate &c = candidates[i];
        if (!c.signature || best - c.rank > pickMargin)
            continue;
        for (const size_t j : stack) {
            const std::optional<ImageSignature> &other = candidates[j].signature;
            if (j != i && other)
                spread[i] += hashDistance(c.signature->hash, other->hash)
                    + layoutDistance(*c.signature, *other);
        }
    }
}

// Members in stack order, the pick first, and the places they get.
std::vector<StackPlace> placesOf(
    const std::vector<StackCandidate> &candidates, UnionFind &sets, std::int64_t pickMargin)
{
    std::vector<std::vector<size_t>> members(candidates.size());
    for (size_t i = 0; i < candidates.size(); ++i)
        members[sets.root(i)].push_back(i);
    std::vector<StackPlace> places(candidates.size());
    std::vector<double> spread(candidates.size(), 0.0);
    for (std::vector<size_t> &stack : members) {
        if (stack.empty())
            continue;
        std::int64_t best = 0;
        for (const size_t i : stack)
            best = std::max(best, candidates[i].rank);
        sumDistances(candidates, stack, best, pickMargin, spread);
        // The frames as good as the best come first, the one with the most pixels leading, of
        // those one coded once, and of those the one nearest the others; then the rest by
        // rank. Ties by report position.
        const auto order = [&](size_t i) {
            const StackCandidate &c = candidates[i];
            const bool asGood = c.rank > 0 && best - c.rank <= pickMargin;
            return std::tuple(!asGood, asGood ? -c.pixels : 0, asGood && c.recoded,
                asGood ? spread[i] : 0.0, -c.rank, c.position, i);
        };
        std::sort(
            stack.begin(), stack.end(), [&](size_t a, size_t b) { return order(a) < order(b); });
        for (size_t k = 0; k < stack.size(); ++k)
            places[stack[k]]
                = { candidates[stack.front()].position, int(k) + 1, int(stack.size()) };
    }
    return places;
}

// The chunk index. The hash bits 1..63 (bit 0 is always 0) are cut into `chunks` chunks of
// nearly equal width: two hashes within `radius` bits of each other differ in at most
// radius / chunks bits on at least one chunk (pigeonhole), so probing each chunk's table for
// the values within that many bits finds every pair. Chunks of up to 16 bits index a table
// directly; how many chunks is worked out from the number of hashes, so the tables stay sparse
// enough that a probe rarely meets a hash it does not need.
struct ChunkLayout
{
    int chunks = 1;
    int probeRadius = 0; // bits a chunk may differ in and still be probed
    std::vector<int> firstBit;
    std::vector<int> width;

    ChunkLayout(int chunkCount, int radius)
        : chunks(chunkCount)
        , probeRadius(radius / chunkCount)
    {
        int bit = 1;
        for (int c = 0; c < chunks; ++c) {
            const int w = (64 - bit) / (chunks - c);
            firstBit.push_back(bit);
            width.push_back(w);
            bit += w;
        }
    }
    std::uint32_t value(std::uint64_t hash, int c) const
    {
        return std::uint32_t(
            (hash >> firstBit[size_t(c)]) & ((std::uint64_t(1) << width[size_t(c)]) - 1));
    }
};

double binomial(int n, int k)
{
    double value = 1;
    for (int i = 1; i <= k; ++i)
        value = value * (n - k + i) / i;
    return value;
}

// The layout that probes least for `count` hashes: probes per chunk times the hashes each probe
// meets by chance.
ChunkLayout chooseLayout(int radius, size_t count)
{
    // At least four chunks, so a table has at most 2^16 values.
    int bestChunks = 4;
    double bestCost = -1;
    for (int chunks = 4; chunks <= std::clamp(radius + 1, 4, 63); ++chunks) {
        const ChunkLayout layout(chunks, radius);
        const int widest = layout.width.front();
        double probes = 0;
        for (int k = 0; k <= layout.probeRadius; ++k)
            probes += binomial(widest, k);
        const double cost
            = chunks * probes * (1.0 + double(count) / double(std::uint64_t(1) << widest));
        if (bestCost < 0 || cost < bestCost) {
            bestCost = cost;
            bestChunks = chunks;
        }
    }
    return ChunkLayout(bestChunks, radius);
}

// Every value of `bits` bits with at most `weight` bits set: what a probe XORs into a chunk.
std::vector<std::uint32_t> probeMasks(int bits, int weight)
{
    std::vector<std::uint32_t> masks { 0 };
    std::vector<std::uint32_t> frontier { 0 };
    for (int w = 1; w <= weight; ++w) {
        std::vector<std::uint32_t> next;
        for (const std::uint32_t mask : frontier) {
            // Bits above the highest one set, so each mask is made once.
            const int from = mask == 0 ? 0 : 32 - std::countl_zero(mask);
            for (int b = from; b < bits; ++b)
                next.push_back(mask | (std::uint32_t(1) << b));
        }
        masks.insert(masks.end(), next.begin(), next.end());
        frontier = std::move(next);
    }
    return masks;
}

// One chunk's table: the hashes (by index) whose chunk has each value, value by value.
struct ChunkTable
{
    std::vector<std::uint32_t> start; // 2^width + 1 offsets into `members`
    std::vector<std::uint32_t> members;

    ChunkTable(const std::vector<std::uint64_t> &hashes, const ChunkLayout &layout, int c)
        : start((size_t(1) << layout.width[size_t(c)]) + 1, 0)
        , members(hashes.size())
    {
        for (const std::uint64_t hash : hashes)
            ++start[layout.value(hash, c) + 1];
        for (size_t v = 1; v < start.size(); ++v)
            start[v] += start[v - 1];
        std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
        for (size_t h = 0; h < hashes.size(); ++h)
            members[fill[layout.value(hashes[h], c)]++] = std::uint32_t(h);
    }
};

// Rows whose signatures and times are exactly equal: one stands for all of them.
struct Representative
{
    std::uint64_t hash;
    size_t row; // the first row of its kind
};

} // namespace

bool belongTogether(
    const StackCandidate &a, const StackCandidate &b, const StackThresholds &thresholds)
{
    return canStack(a) && canStack(b)
        && hashDistance(a.signature->hash, b.signature->hash) <= thresholds.hashRadius
        && layoutDistance(*a.signature, *b.signature) <= thresholds.layoutLimit
        && closeInTime(a, b, thresholds.timeWindowMs);
}

std::vector<StackPlace> groupStacks(
    const std::vector<StackCandidate> &candidates, const StackThresholds &thresholds)
{
    UnionFind sets(candidates.size());
    std::vector<size_t> rows;
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (canStack(candidates[i]))
            rows.push_back(i);
    }
    // Identical copies first: sorted by everything that decides, equal neighbours join at once.
    const auto key = [&](size_t i) {
        const StackCandidate &c = candidates[i];
        return std::tie(c.signature->hash, c.signature->layout, c.captureTime);
    };
    std::sort(rows.begin(), rows.end(), [&](size_t a, size_t b) { return key(a) < key(b); });
    std::vector<Representative> kinds;
    for (size_t k = 0; k < rows.size(); ++k) {
        if (k > 0 && key(rows[k]) == key(rows[k - 1]))
            sets.join(rows[k], rows[k - 1]);
        else
            kinds.push_back({ candidates[rows[k]].signature->hash, rows[k] });
    }
    // Kinds are in hash order: kinds sharing a hash are neighbours (hashes with other layouts or
    // times), compared among themselves; hash pairs come from the chunk index below.
    std::vector<std::pair<size_t, size_t>> hashRuns; // [first, end) of kinds with one hash
    for (size_t k = 0; k < kinds.size();) {
        size_t end = k + 1;
        while (end < kinds.size() && kinds[end].hash == kinds[k].hash)
            ++end;
        hashRuns.push_back({ k, end });
        k = end;
    }
    const auto compareRuns = [&](const std::pair<size_t, size_t> &x,
                                 const std::pair<size_t, size_t> &y) {
        for (size_t i = x.first; i < x.second; ++i) {
            for (size_t j = (&x == &y ? i + 1 : y.first); j < y.second; ++j) {
                if (belongTogether(candidates[kinds[i].row], candidates[kinds[j].row], thresholds))
                    sets.join(kinds[i].row, kinds[j].row);
            }
        }
    };
    for (const auto &run : hashRuns)
        compareRuns(run, run);

    const int radius = std::clamp(thresholds.hashRadius, 0, 63);
    std::vector<std::uint64_t> hashes;
    for (const auto &run : hashRuns)
        hashes.push_back(kinds[run.first].hash);
    const ChunkLayout layout = chooseLayout(radius, hashes.size());
    std::vector<ChunkTable> tables;
    for (int c = 0; c < layout.chunks; ++c)
        tables.emplace_back(hashes, layout, c);
    std::vector<std::vector<std::uint32_t>> masks;
    for (int c = 0; c < layout.chunks; ++c)
        masks.push_back(probeMasks(layout.width[size_t(c)], layout.probeRadius));
    // Whether the pair was already met through an earlier chunk: each pair is compared once.
    const auto metBefore = [&](std::uint64_t a, std::uint64_t b, int chunk) {
        for (int c = 0; c < chunk; ++c) {
            if (hashDistance(layout.value(a, c), layout.value(b, c)) <= layout.probeRadius)
                return true;
        }
        return false;
    };
    for (size_t h = 0; h < hashes.size(); ++h) {
        for (int c = 0; c < layout.chunks; ++c) {
            const std::uint32_t value = layout.value(hashes[h], c);
            const ChunkTable &table = tables[size_t(c)];
            for (const std::uint32_t mask : masks[size_t(c)]) {
                const std::uint32_t probed = value ^ mask;
                for (std::uint32_t m = table.start[probed]; m < table.start[probed + 1]; ++m) {
                    const std::uint32_t other = table.members[m];
                    if (other <= h || hashDistance(hashes[h], hashes[other]) > radius
                        || metBefore(hashes[h], hashes[other], c))
                        continue;
                    compareRuns(hashRuns[h], hashRuns[other]);
                }
            }
        }
    }
    return placesOf(candidates, sets, thresholds.pickMargin);
}

std::vector<StackPlace> groupStacksAllPairs(
    const std::vector<StackCandidate> &candidates, const StackThresholds &thresholds)
{
    UnionFind sets(candidates.size());
    for (size_t i = 0; i < candidates.size(); ++i) {
        for (size_t j = i + 1; j < candidates.size(); ++j) {
            if (belongTogether(candidates[i], candidates[j], thresholds))
                sets.join(i, j);
        }
    }
    return placesOf(candidates, sets, thresholds.pickMargin);
}

std::vector<int> otherRowsOfStack(const std::vector<StackPlace> &places, int row)
{
    std::vector<int> rows;
    if (row < 0 || size_t(row) >= places.size() || places[size_t(row)].size < 2)
        return rows;
    for (size_t i = 0; i < places.size(); ++i) {
        if (places[i].stack == places[size_t(row)].stack && int(i) != row)
            rows.push_back(int(i));
    }
    std::sort(rows.begin(), rows.end(),
        [&](int a, int b) { return places[size_t(a)].position < places[size_t(b)].position; });
    return rows;
}

} // namespace lis
