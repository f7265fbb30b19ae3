#pragma once

#include "ModelTerms.h"
#include "QualityParts.h"

#include <optional>
#include <string>
#include <vector>

namespace lis::ranker::fit {

struct Measured
{
    ModelTerms terms;
    Defects defects;
};

// The model terms and defects of one image file exactly as the program and the library would
// come to them: the program's preparation step makes the working bitmap, the library's code
// measures it with what the file's header tells. Nothing when the program could not prepare it.
std::optional<Measured> measureFile(const std::string &path);

// A scored photo of a mos.csv file.
struct ScoredPhoto
{
    std::string name;
    std::string score;
};

// mos.csv: a header, then name,score per line; names may be quoted and hold commas.
std::vector<ScoredPhoto> readScores(const std::string &path);

} // namespace lis::ranker::fit
