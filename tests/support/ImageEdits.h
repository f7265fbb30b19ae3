// The edits photo tools make, for tests and benchmarks that need a photo's variants: encoded as
// a JPEG, and exposed differently. Header-only, Qt Gui only.
#pragma once

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <algorithm>
#include <array>
#include <cmath>

namespace lis::test {

inline QByteArray jpegBytes(const QImage &image, int quality = 92)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

// The exposure changed by `stops` in linear light (sRGB values linearised, scaled and back).
inline QImage exposedBy(const QImage &image, double stops)
{
    std::array<int, 256> table {};
    for (int v = 0; v < 256; ++v) {
        const double linear = std::pow(v / 255.0, 2.2) * std::pow(2.0, stops);
        table[size_t(v)] = std::clamp(int(std::lround(std::pow(linear, 1 / 2.2) * 255)), 0, 255);
    }
    QImage out = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            line[x] = qRgb(table[size_t(qRed(line[x]))], table[size_t(qGreen(line[x]))],
                table[size_t(qBlue(line[x]))]);
    }
    return out;
}

} // namespace lis::test
