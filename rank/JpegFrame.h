#pragma once

#include <QByteArray>
#include <functional>
#include <optional>
#include <vector>

namespace lis {

// What a JPEG stream's frame header and first scan header say about the memory its decoding
// takes. libjpeg keeps the whole image's DCT coefficients (two bytes each, at full size whatever
// the output scale) when a stream has more than one scan: every progressive stream, and a
// sequential one whose first scan leaves components for later scans. TurboJPEG 2.1 offers no
// memory limit, so the cost is read here before the decoder is called.
struct JpegFrame
{
    struct Component
    {
        int horizontal = 1; // sampling factors, 1..4
        int vertical = 1;
    };

    int marker = 0; // the SOFn marker code, 0xC0..0xCF
    int width = 0;
    int height = 0;
    std::vector<Component> components;
    int componentsInFirstScan = 0;

    bool progressive() const;
    bool multiScan() const;
    // The bytes of libjpeg's whole-image coefficient buffers; 0 for a single-scan stream.
    qint64 coefficientBufferBytes() const;
};

// Reads up to `count` bytes at `offset`; fewer at the end of the data, nothing on an error.
using ByteRangeReader = std::function<std::optional<QByteArray>(qint64 offset, qint64 count)>;

// Walks the markers from SOI to the first scan header, reading only the segment headers it
// needs, so a file's frame is found without reading the whole file. Nothing when the data is not
// a JPEG stream or ends (or breaks) before a frame and a scan header.
std::optional<JpegFrame> readJpegFrame(const ByteRangeReader &read);
std::optional<JpegFrame> readJpegFrame(const QByteArray &data);

} // namespace lis
