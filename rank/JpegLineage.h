#pragma once

#include <QByteArray>

namespace lis {

// Whether a JPEG's picture had been coded as JPEG before, at other steps: a copy saved again
// from the decoded pixels of another JPEG (an export, a re-save, a turn or an exposure change
// made by coding the picture anew). Coding rounds each DCT coefficient to a multiple of its
// step, and decoding and coding again keeps the coefficients near the first steps' multiples:
// after coarser steps the finer steps' smallest values stay empty where a picture coded once
// fills them most, and after steps of about the same size some values are emptied and others
// doubled where a picture coded once has smooth histograms. The pixels can look the same as
// their source's; the copy is a generation further from the camera all the same.
enum class JpegLineage {
    Unknown, // not a sequential JPEG, too small or too flat to tell, or broken
    CodedOnce, // no sign of an earlier coding
    Recoded, // coded again from another JPEG
};

// Reads the start of a JPEG file: its headers and the coded coefficients of the first rows of
// its picture, as far as `head` holds them (a few hundred KiB hold enough rows of any photo).
// Nothing is decoded to pixels.
JpegLineage jpegLineage(const QByteArray &head);

// How much of a file `jpegLineage` needs at most.
inline constexpr qsizetype kJpegLineageHead = 256 * 1024;

} // namespace lis
