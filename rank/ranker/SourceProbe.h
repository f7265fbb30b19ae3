#pragma once

#include "QualityModel.h"

#include <string>

namespace lis::ranker {

// Reads only the head of the original file: what the reduction to the working bitmap erased
// and its header still tells. Any failure gives an empty SourceInfo.
SourceInfo probeSource(const std::string &path);

} // namespace lis::ranker
