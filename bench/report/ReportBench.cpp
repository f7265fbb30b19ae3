// Report speed: generates photo-sized JPEGs (or takes --dir DIR of images), then times building
// the report rows, which read each pixel size from the image header, beside decoding every file
// in full to learn its size; and times filling one page of three thumbnails from 500-pixel
// results copies.
//
//   report_bench [--count N] [--width W] [--height H] [--dir DIR] [--runs N]

#include "rank/ResultsCopies.h"
#include "report/Gallery.h"
#include "report/Picture.h"
#include "report/ReportModel.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

QImage makePhoto(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int texture = (x * 7 + y * 13 + seed * 31) % 23;
            line[x] = qRgb((x * 255 / width + texture) & 255, (y * 255 / height + seed) & 255,
                (texture * 11) & 255);
        }
    }
    return image;
}

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption countOption(QStringLiteral("count"), QStringLiteral("Photos."),
        QStringLiteral("N"), QStringLiteral("40"));
    const QCommandLineOption widthOption(QStringLiteral("width"), QStringLiteral("Photo width."),
        QStringLiteral("W"), QStringLiteral("4000"));
    const QCommandLineOption heightOption(QStringLiteral("height"), QStringLiteral("Photo height."),
        QStringLiteral("H"), QStringLiteral("3000"));
    const QCommandLineOption dirOption(QStringLiteral("dir"),
        QStringLiteral("Use the images of this folder."), QStringLiteral("DIR"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Repeats."),
        QStringLiteral("N"), QStringLiteral("3"));
    parser.addOptions({ countOption, widthOption, heightOption, dirOption, runsOption });
    parser.process(app);
    const int runs = std::max(1, parser.value(runsOption).toInt());

    QTemporaryDir scratch;
    QStringList paths;
    if (parser.isSet(dirOption)) {
        const QDir dir(parser.value(dirOption));
        for (const QString &name : dir.entryList(QDir::Files))
            paths.append(dir.filePath(name));
    } else {
        const int count = std::max(1, parser.value(countOption).toInt());
        const QImage photo
            = makePhoto(parser.value(widthOption).toInt(), parser.value(heightOption).toInt(), 1);
        for (int i = 0; i < count; ++i) {
            const QString path = scratch.filePath(QStringLiteral("photo_%1.jpg").arg(i));
            if (!photo.save(path, "JPG", 90)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return 1;
            }
            paths.append(path);
        }
    }
    if (paths.isEmpty()) {
        std::fprintf(stderr, "no images\n");
        return 1;
    }

    std::vector<lis::RankRow> rows;
    for (const QString &path : std::as_const(paths))
        rows.push_back({ QStringLiteral("1"), path });
    const lis::RunHooks hooks;
    const double headerMs = medianMs(runs, [&] { lis::buildReport(rows, hooks); });
    const double decodeMs = medianMs(runs, [&] {
        for (const QString &path : std::as_const(paths))
            lis::LoadPictureFile(path);
    });

    lis::ResultsCopies copies(scratch.filePath(QStringLiteral("SR")));
    QDir().mkpath(copies.folder());
    const QImage copyImage = makePhoto(500, 375, 2);
    for (int i = 0; i < 3; ++i)
        copyImage.save(copies.assign(paths[i % paths.size()] + QString::number(i)), "JPG", 90);
    const double pageMs = medianMs(runs, [&] {
        for (int i = 0; i < 3; ++i)
            lis::loadThumbnail(copies, paths[i % paths.size()] + QString::number(i));
    });

    const auto rowsCount = double(paths.size());
    std::printf("images: %lld\n", static_cast<long long>(paths.size()));
    std::printf(
        "report rows, header only:  %9.2f ms  (%.3f ms per row)\n", headerMs, headerMs / rowsCount);
    std::printf(
        "full decode per row:       %9.2f ms  (%.3f ms per row)\n", decodeMs, decodeMs / rowsCount);
    std::printf("speed-up:                  %9.1fx\n", decodeMs / std::max(headerMs, 1e-6));
    std::printf("one page of 3 thumbnails:  %9.2f ms\n", pageMs);
    return 0;
}
