#pragma once

#include "rank/ImageSignature.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace lis {

// When two judged photos count as shots of the same moment. Chosen by bench/stacks on
// generated stacks of real photos (crops of 2-8 %, shifts, +-0.5 EV, mild blur, JPEG re-encodes
// at 70-95, EXIF quarter turns, mixed with single photos, overlapping views of one scene and
// scenes with something else in front), by pairwise F1 on one seed and photo folder, and
// checked on another.
struct StackThresholds
{
    // The most hash bits two frames may differ in. Two hashes always differ in an even number
    // of bits (each has 31 set), so 10 and 11 are the same. Larger radii found more of the
    // cropped frames but the chunk index then takes twice as long.
    int hashRadius;
    // The largest colour-layout distance (see layoutDistance): what keeps apart different
    // photos whose brightness patterns happen to agree.
    double layoutLimit;
    // The longest time between two frames, when both times are known. On the generated bursts
    // (frames up to 20 s apart, the next scene 5 s to 3 min later) every window from 30 s to
    // 15 min gave the same F1 and 10 s lost frames; 5 min, the most tolerant of the windows
    // tried in the search, leaves room for slower retakes than the generated ones.
    std::int64_t timeWindowMs;
    // Frames of one stack whose ranks lie this close to its best are equally good as far as the
    // judgement can tell (one point of the 0-100 score is 2e7); of those the one with the most
    // source pixels is the pick, as the uncropped original of its crops and smaller exports, and
    // of frames of one size one that was not coded again from another JPEG (see JpegLineage):
    // the camera's file before its re-saved, turned or re-exposed copies; and of those the one
    // whose signature lies nearest the stack's other frames, as the original of its variants.
    // On the generated stacks the thresholds are chosen on (600 photos), a margin of sixteen
    // points picks the undamaged frame in 83.8 % of stacks (84.5 % at twenty-four, 82.8 % at
    // twelve, 75.2 % at five; the wider margin's two more stacks do not pay for picking frames
    // judged that much worse): the judgement of two versions of one picture differs by that much
    // when one was reduced a little on the way to its working bitmap and the other not.
    std::int64_t pickMargin;
};

inline constexpr StackThresholds kStackThresholds {
    .hashRadius = 10,
    .layoutLimit = 12.0,
    .timeWindowMs = 300000,
    .pickMargin = 320000000,
};

// One report row as the grouping sees it.
struct StackCandidate
{
    int position = 0; // its report position, 1 for the best
    std::int64_t rank = 0; // 0 when not judged: such a file is always a stack of its own
    std::optional<ImageSignature> signature;
    std::optional<std::int64_t> captureTime; // ms on the camera's clock
    std::int64_t pixels = 0; // the source's width times height, 0 when unknown
    bool recoded = false; // a JPEG coded again from another JPEG
};

// Where a row stands in its stack.
struct StackPlace
{
    int stack = 0; // the report position of the stack's pick, its best frame
    int position = 1; // 1 for the pick (see StackThresholds::pickMargin), then by rank
    int size = 1;
    bool operator==(const StackPlace &) const = default;
};

// Whether two photos are near-duplicates by the thresholds (signatures and, where both are
// known, capture times).
bool belongTogether(const StackCandidate &a, const StackCandidate &b,
    const StackThresholds &thresholds = kStackThresholds);

// Groups the rows into stacks: any two rows that belong together end in the same stack (so a
// stack can chain through its frames). Pairs are found through their hashes' exact chunks
// (multi-index hashing), never by comparing all pairs, and identical signatures are merged
// first, so thousands of copies of one photo cost no more than one. One place per candidate, in
// the candidates' order.
std::vector<StackPlace> groupStacks(const std::vector<StackCandidate> &candidates,
    const StackThresholds &thresholds = kStackThresholds);

// The same stacks by comparing every pair: the reference the fast grouping is checked and timed
// against.
std::vector<StackPlace> groupStacksAllPairs(const std::vector<StackCandidate> &candidates,
    const StackThresholds &thresholds = kStackThresholds);

// The rows (indices into the candidates) of the stack the given row is in, itself left out, in
// stack order: what "Select Similar" selects.
std::vector<int> otherRowsOfStack(const std::vector<StackPlace> &places, int row);

} // namespace lis
