#include "tests/support/TestImages.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <cmath>

namespace lis::test {

QImage makeScene(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double fx = double(x) / std::max(1, width);
            const double fy = double(y) / std::max(1, height);
            const int texture = ((x * 7 + y * 13 + seed * 31) % 17) * 3;
            const int r = int(40 + 150 * fx) + texture;
            const int g = int(60 + 120 * fy) + texture / 2;
            const int b = int(90 + 80 * std::sin((fx + fy) * 6.283 * (1 + seed % 3))) + texture;
            line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const int cell = std::max(4, std::min(width, height) / 12);
    for (int y = 0; y < height; y += cell) {
        for (int x = (y / cell) % 2 * cell; x < width; x += 2 * cell)
            painter.fillRect(x, y, cell / 2, cell / 2, QColor(20 + (x * seed) % 200, 30, 200));
    }
    painter.setPen(QPen(Qt::white, 1));
    for (int i = 0; i < width; i += 9)
        painter.drawLine(i, 0, width - i, height);
    return image;
}

bool saveImage(const QImage &image, const QString &path, const char *format, int quality)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImageWriter writer(path, format);
    writer.setQuality(quality);
    return writer.write(image);
}

} // namespace lis::test
