// Makes the many-small-files tree of the run benchmark's memory check: COUNT distinct 64 x 48
// JPEGs named "photo_<n>.jpg", 500 to a folder, two folder levels deep. Each picture differs (a
// gradient and a few blocks seeded by its number), so no two rows of a run are alike.
//
//   lis_small_files ROOT COUNT

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <cstdio>

namespace {

QByteArray jpegOf(int serial)
{
    QImage image(64, 48, QImage::Format_RGB32);
    QRandomGenerator random(quint32(serial) + 1);
    const int hue = random.bounded(360);
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = QColor::fromHsv(hue, 40 + 3 * y, 60 + 3 * x).rgb();
    }
    QPainter painter(&image);
    for (int i = 0; i < 4; ++i) {
        painter.fillRect(random.bounded(56), random.bounded(40), 8, 8,
                         QColor::fromRgb(random.generate() | 0xff000000u));
    }
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return bytes;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ROOT COUNT\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const int count = QString::fromLocal8Bit(argv[2]).toInt();
    constexpr int perFolder = 500;
    for (int i = 0; i < count; ++i) {
        const QString folder
            = QStringLiteral("%1/set%2/part%3").arg(root).arg(i / (perFolder * 10)).arg(i / perFolder);
        if (i % perFolder == 0 && !QDir().mkpath(folder))
            return 1;
        QFile file(QStringLiteral("%1/photo_%2.jpg").arg(folder).arg(i, 6, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly) || file.write(jpegOf(i)) < 0)
            return 1;
    }
    return 0;
}
