// The full-decode baseline of the run benchmark: what making a 500-pixel working bitmap costs
// without any reduced-size decoding. For every file named on standard input (one path a line) it
// decodes the whole picture with Qt's readers (upright by EXIF), writes it as a full-size 24-bit
// BMP, reads that BMP back, fits it into 500 x 500 with a smooth downscale and writes the result
// as a BMP. One file at a time, on one thread, like a convert-then-scale tool chain.
//
//   lis_full_decode_baseline SCRATCH_DIR < list-of-files

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QTextStream>
#include <cstdio>

namespace {

constexpr int box = 500;

bool convertOne(const QString &source, const QString &fullBmp, const QString &scaledBmp)
{
    QImageReader reader(source);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(1024); // MB: the corpus holds pictures up to 5640 x 3172
    const QImage full = reader.read();
    if (full.isNull())
        return false;
    if (!full.convertToFormat(QImage::Format_RGB888).save(fullBmp, "BMP"))
        return false;
    QImage reread(fullBmp, "BMP");
    if (reread.isNull())
        return false;
    if (reread.width() > box)
        reread = reread.scaled(box, box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return reread.convertToFormat(QImage::Format_RGB888).save(scaledBmp, "BMP");
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SCRATCH_DIR < list-of-files\n", argv[0]);
        return 2;
    }
    const QDir scratch(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(scratch.path());
    const QString fullBmp = scratch.filePath(QStringLiteral("full.bmp"));
    const QString scaledBmp = scratch.filePath(QStringLiteral("scaled.bmp"));

    QTextStream in(stdin);
    int done = 0;
    int failed = 0;
    QElapsedTimer clock;
    clock.start();
    for (QString line = in.readLine(); !line.isNull(); line = in.readLine()) {
        if (line.isEmpty())
            continue;
        ++(convertOne(line, fullBmp, scaledBmp) ? done : failed);
    }
    QFile::remove(fullBmp);
    QFile::remove(scaledBmp);
    std::fprintf(stderr, "full-decode baseline: %d converted, %d failed, %.2f s\n", done, failed,
                 double(clock.elapsed()) / 1000.0);
    return failed == 0 ? 0 : 1;
}
