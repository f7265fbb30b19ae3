#pragma once

#include <QString>

namespace lis {

// Why a found file could not be made into a working bitmap. Kept per file by the ranking loop so
// the report and the command line can say why a result has rank 0.
enum class ImageProblem {
    None,
    Missing, // the file is gone or cannot be opened
    Damaged, // the data is truncated or corrupt, or the file is empty
    Unsupported, // no image reader recognises the data
    TooLarge, // the picture is too large to decode safely
    WriteFailed, // the working bitmap could not be written (disk full, no permission)
};

// A short text for tooltips and the command line; empty for ImageProblem::None.
QString describeProblem(ImageProblem problem);
// A stable lower-case key for machine-readable output ("missing", "damaged", ...).
QString problemKey(ImageProblem problem);

} // namespace lis
