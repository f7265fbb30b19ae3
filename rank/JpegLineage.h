#pragma once

#include <QByteArray>

namespace lis {

// Whether a JPEG's picture had been coded as JPEG before, at coarser steps: a copy saved again
// from the decoded pixels of another JPEG (an export, a re-save, a turn or an exposure change
// made by coding the picture anew). Coding rounds each DCT coefficient to a multiple of its
// step, and decoding and coding again at finer steps keeps the coefficients near the coarse
// multiples, so the finer steps' smallest values stay empty where a picture coded once fills
// them most. The pixels can look the same as their source's; the copy is a generation further
// from the camera all the same.
enum class JpegLineage {
    Unknown, // not a sequential JPEG, too small or too flat to tell, or broken
    CodedOnce, // no sign of an earlier, coarser coding
    Recoded, // coded again from a coarser JPEG
};

// Reads the start of a JPEG file: its headers and the first rows of its picture, as far as
// `head` holds them (a few hundred KiB hold enough rows of any photo). Nothing else is decoded.
JpegLineage jpegLineage(const QByteArray &head);

// How much of a file `jpegLineage` needs at most.
inline constexpr qsizetype kJpegLineageHead = 256 * 1024;

} // namespace lis
