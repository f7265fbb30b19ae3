#pragma once

#include "rank/ImageProblem.h"

#include <QByteArray>

namespace lis {

// What a BMP header alone tells against the file's size: a picture too large to decode, or an
// uncompressed one that does not hold all the pixel rows it declares (Qt's reader pads a file cut
// short with blank rows instead of failing, so a truncated BMP would pass as a picture).
// Compressed BMPs are left to the reader, except run-length data declared top-down, which the
// format does not allow. Anything that is not a BMP gives ImageProblem::None.
ImageProblem bmpHeaderProblem(const QByteArray &head, qint64 fileSize);

} // namespace lis
