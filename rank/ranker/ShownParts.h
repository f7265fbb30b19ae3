#pragma once

#include "QualityParts.h"

namespace lis::ranker {

// The parts shown to a user, each 0 (worst) to 100 (best): each grows worse with its own kind
// of damage, whatever the photo.
struct QualityParts
{
    double sharpness = 0;
    double noise = 0;
    double exposure = 0;
    double contrast = 0;
    double compression = 0;
};

QualityParts showParts(const QualityFeatures &f, const Defects &d);

} // namespace lis::ranker
