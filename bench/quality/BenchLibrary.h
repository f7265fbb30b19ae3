#pragma once

#include "lumetra_image_rank.h"

#include <string>

namespace lis::bench {

// One judgement through a ranking library's exported entries, as the program makes it.
struct Judged
{
    int32_t rank = 0;
    ImageRankScores scores {};
    double cpuMs = 0; // processor time of ImageRankSource and the ranking call
};

// A ranking library loaded with dlopen: the one-pass entry when it has one, otherwise
// ImageRank for the rank (timed) and ImageRankDetails for the parts (not timed).
class BenchLibrary
{
public:
    explicit BenchLibrary(const std::string &path); // exits when the library cannot be used
    Judged judge(const std::string &source, const std::string &bitmap) const;
    const std::string &path() const { return m_path; }

private:
    std::string m_path;
    int32_t (*m_rank)(char **) = nullptr;
    void (*m_source)(const char *) = nullptr;
    int32_t (*m_details)(const char *, ImageRankScores *) = nullptr;
    int32_t (*m_withScores)(char **, ImageRankScores *) = nullptr;
};

// The overall score behind a rank: ranks are 1 + 2e7 per percent.
double overallOf(int32_t rank);

// Keeps this process on one processor, so timings are those of one core.
void useOneCore();

} // namespace lis::bench
