#include "rank/JpegFrame.h"

#include <algorithm>

namespace lis {

namespace {

constexpr int kDctBlock = 8;
constexpr qint64 kBytesPerBlock = 64 * 2; // 64 coefficients of 16 bits
// libjpeg's own limits: a header beyond them is refused by the decoder as well.
constexpr int kMaxComponents = 10;
constexpr int kMaxSampling = 4;
// Bounds on the walk itself, so no file, however odd, keeps it busy.
constexpr int kMaxSegments = 4096;
constexpr qint64 kMaxSkippedBytes = 64 * 1024;

qint64 divRoundUp(qint64 a, qint64 b)
{
    return (a + b - 1) / b;
}

qint64 roundUp(qint64 a, qint64 multiple)
{
    return divRoundUp(a, multiple) * multiple;
}

bool isFrameMarker(int marker)
{
    // SOF0..SOF15 less DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool isStandalone(int marker)
{
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7); // TEM, RST0..7
}

// Reads bytes one window at a time, so walking a file costs a few reads, not one per byte.
class WindowedBytes
{
public:
    explicit WindowedBytes(const ByteRangeReader &read)
        : m_read(read)
    { }

    // The byte at `offset`, or -1 past the end or on an error.
    int at(qint64 offset)
    {
        if (offset < m_start || offset >= m_start + m_window.size()) {
            const std::optional<QByteArray> bytes = m_read(offset, kWindow);
            if (!bytes)
                return -1;
            m_window = *bytes;
            m_start = offset;
            if (m_window.isEmpty())
                return -1;
        }
        return uchar(m_window[offset - m_start]);
    }
    int be16(qint64 offset)
    {
        const int high = at(offset);
        const int low = at(offset + 1);
        return high < 0 || low < 0 ? -1 : high << 8 | low;
    }

private:
    static constexpr qint64 kWindow = 4096;
    const ByteRangeReader &m_read;
    QByteArray m_window;
    qint64 m_start = 0;
};

std::optional<JpegFrame> parseFrame(WindowedBytes &bytes, qint64 at, int marker, int length)
{
    JpegFrame frame;
    frame.marker = marker;
    const int count = bytes.at(at + 5);
    frame.height = bytes.be16(at + 1);
    frame.width = bytes.be16(at + 3);
    if (count <= 0 || count > kMaxComponents || length < 6 + 3 * count)
        return std::nullopt;
    for (int i = 0; i < count; ++i) {
        const int sampling = bytes.at(at + 6 + 3 * i + 1);
        if (sampling < 0)
            return std::nullopt;
        const JpegFrame::Component component { sampling >> 4, sampling & 0x0F };
        if (component.horizontal < 1 || component.horizontal > kMaxSampling
            || component.vertical < 1 || component.vertical > kMaxSampling)
            return std::nullopt;
        frame.components.push_back(component);
    }
    if (frame.width <= 0 || frame.height < 0)
        return std::nullopt;
    return frame;
}

} // namespace

bool JpegFrame::progressive() const
{
    return marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
}

bool JpegFrame::multiScan() const
{
    return progressive() || componentsInFirstScan < int(components.size());
}

qint64 JpegFrame::coefficientBufferBytes() const
{
    if (!multiScan())
        return 0;
    int maxHorizontal = 1, maxVertical = 1;
    for (const Component &c : components) {
        maxHorizontal = std::max(maxHorizontal, c.horizontal);
        maxVertical = std::max(maxVertical, c.vertical);
    }
    // As libjpeg sizes them: each component's blocks, padded to whole MCUs.
    qint64 bytes = 0;
    for (const Component &c : components) {
        const qint64 blocksWide
            = divRoundUp(qint64(width) * c.horizontal, qint64(maxHorizontal) * kDctBlock);
        const qint64 blocksHigh
            = divRoundUp(qint64(height) * c.vertical, qint64(maxVertical) * kDctBlock);
        bytes
            += roundUp(blocksWide, c.horizontal) * roundUp(blocksHigh, c.vertical) * kBytesPerBlock;
    }
    return bytes;
}

std::optional<JpegFrame> readJpegFrame(const ByteRangeReader &read)
{
    WindowedBytes bytes(read);
    if (bytes.at(0) != 0xFF || bytes.at(1) != 0xD8)
        return std::nullopt;
    std::optional<JpegFrame> frame;
    qint64 at = 2;
    for (int segment = 0; segment < kMaxSegments; ++segment) {
        // As libjpeg does: bytes before a marker are skipped, fill bytes (0xFF) too.
        const qint64 searchFrom = at;
        while (bytes.at(at) != 0xFF) {
            if (bytes.at(at) < 0 || at - searchFrom > kMaxSkippedBytes)
                return std::nullopt;
            ++at;
        }
        while (bytes.at(at) == 0xFF)
            ++at;
        const int marker = bytes.at(at++);
        if (marker < 0 || marker == 0xD9) // the end, or EOI before any scan
            return std::nullopt;
        if (isStandalone(marker))
            continue;
        const int length = bytes.be16(at);
        if (length < 2)
            return std::nullopt;
        if (isFrameMarker(marker)) {
            if (frame) // a second frame header: libjpeg refuses the stream
                return std::nullopt;
            frame = parseFrame(bytes, at + 2, marker, length - 2);
            if (!frame)
                return std::nullopt;
        } else if (marker == 0xDA) {
            const int inScan = bytes.at(at + 2);
            if (!frame || inScan <= 0)
                return std::nullopt;
            frame->componentsInFirstScan = inScan;
            return frame;
        }
        at += length;
    }
    return std::nullopt;
}

std::optional<JpegFrame> readJpegFrame(const QByteArray &data)
{
    return readJpegFrame([&data](qint64 offset, qint64 count) -> std::optional<QByteArray> {
        if (offset < 0 || offset > data.size())
            return QByteArray();
        return data.mid(offset, count);
    });
}

} // namespace lis
