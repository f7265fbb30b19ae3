// Preparation and ranking speed on real photos. Takes JPEG photos at least 2000 pixels wide
// (Debian's wallpapers by default; bench/prepare/setup-photos installs them) and prints, per
// image: the working-bitmap preparation, the ImageRank call, a plain Qt decode-scale-save for
// reference, vipsthumbnail making 500-pixel thumbnails of the same files, and the whole ranking
// loop one file at a time and reading ahead on a second core.
//
//   prepare_bench [--count N] [--min-width W] [--ranker LIBRARY] [FOLDER...]

#include "rank/ProcessFiles.h"
#include "rank/RankLibrary.h"
#include "rank/ResultsCopies.h"
#include "rank/WorkingBitmap.h"
#include "store/ResultStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <sys/resource.h>
#include <vector>

using namespace lis;

namespace {

QStringList findPhotos(const QStringList &folders, int minWidth, int count)
{
    QStringList all;
    for (const QString &folder : folders) {
        QDirIterator it(folder,
            { QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.JPG") },
            QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            all << it.next();
    }
    all.sort();
    QStringList chosen;
    for (const QString &path : std::as_const(all)) {
        if (chosen.size() >= count)
            break;
        QImageReader reader(path);
        if (reader.format() == "jpeg" && reader.size().width() >= minWidth)
            chosen << path;
    }
    return chosen;
}

// Wall time and CPU time together: on a shared machine the wall time says little, the CPU
// time (every thread of the process, or of the child processes) says what the work costs.
struct Cost
{
    double wallNs = 0;
    double cpuNs = 0;
    Cost &operator+=(const Cost &other)
    {
        wallNs += other.wallNs;
        cpuNs += other.cpuNs;
        return *this;
    }
};

double processCpuNs()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e9 + double(ts.tv_nsec);
}

double childrenCpuNs()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto ns
        = [](const timeval &tv) { return double(tv.tv_sec) * 1e9 + double(tv.tv_usec) * 1e3; };
    return ns(usage.ru_utime) + ns(usage.ru_stime);
}

class Stopwatch
{
public:
    explicit Stopwatch(double (*cpuClock)() = processCpuNs)
        : m_cpuClock(cpuClock)
    {
        m_wall.start();
        m_cpu = m_cpuClock();
    }
    Cost elapsed() const { return { double(m_wall.nsecsElapsed()), m_cpuClock() - m_cpu }; }

private:
    double (*m_cpuClock)();
    QElapsedTimer m_wall;
    double m_cpu = 0;
};

Cost perImage(Cost total, qsizetype images)
{
    if (images == 0)
        return {};
    return { total.wallNs / 1e6 / double(images), total.cpuNs / 1e6 / double(images) };
}

void printCost(const char *label, const Cost &ms)
{
    std::printf("%-52s %8.2f ms/image CPU %8.2f ms/image wall\n", label, ms.cpuNs, ms.wallNs);
}

struct Sandbox
{
    QTemporaryDir dir;
    AppPaths paths { dir.path() };
    Sandbox()
    {
        QDir().mkpath(paths.resultsFolder());
        QFile::copy(QDir(QStringLiteral(LIS_BUILD_APP_DIR))
                        .filePath(QStringLiteral("Lumetra_Image_Search.mdb")),
            paths.workingDatabase());
    }
};

// The working bitmap and results copy of every photo, then ImageRank on each, timed apart.
void timeStepByStep(
    const QStringList &photos, RankLibrary &ranker, Cost &prepare, Cost &rank, int &unreadable)
{
    Sandbox box;
    ResultsCopies copies(box.paths.resultsFolder());
    for (const QString &photo : photos) {
        const Stopwatch preparing;
        clearWorkingBitmap(box.paths);
        const PreparedBitmap prepared = prepareBitmap(photo);
        const bool ok = prepared.ok() && !writeWorkingBitmap(box.paths, prepared.bitmap)
            && !writeResultsCopy(copies.assign(photo), prepared.bitmap);
        prepare += preparing.elapsed();
        if (!ok) {
            ++unreadable;
            continue;
        }
        const Stopwatch ranking;
        ranker.imageRank(box.paths.workingBitmap(), photo);
        rank += ranking.elapsed();
    }
}

// What a straightforward Qt version would do: decode at full size, scale, save a BMP.
Cost timePlainQt(const QStringList &photos)
{
    QTemporaryDir out;
    const Stopwatch timer;
    for (const QString &photo : photos) {
        QImageReader reader(photo);
        reader.setAutoTransform(true);
        QImage image = reader.read();
        if (image.width() > kWorkingBitmapBox)
            image = image.scaled(kWorkingBitmapBox, kWorkingBitmapBox, Qt::KeepAspectRatio,
                Qt::SmoothTransformation);
        QImageWriter(out.filePath(QStringLiteral("LIS.bmp")), "bmp").write(image);
    }
    return timer.elapsed();
}

// vipsthumbnail on all photos in one process, its own best case; empty when not installed.
std::optional<Cost> timeVips(const QStringList &photos)
{
    const QString vips = QStandardPaths::findExecutable(QStringLiteral("vipsthumbnail"));
    if (vips.isEmpty())
        return std::nullopt;
    QTemporaryDir out;
    QStringList args { QStringLiteral("--size"), QStringLiteral("500x500"), QStringLiteral("-o"),
        out.filePath(QStringLiteral("%s.ppm")) };
    args << photos;
    const Stopwatch timer(childrenCpuNs);
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice()); // its EXIF warnings
    process.start(vips, args);
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return timer.elapsed();
}

Cost timeLoop(const QStringList &photos, RankLibrary &ranker, PipelineMode mode)
{
    Sandbox box;
    ResultStore store(ResultStore::connectionString(box.paths.workingDatabase()));
    ResultsCopies copies(box.paths.resultsFolder());
    const RunHooks hooks;
    const Stopwatch timer;
    ProcessFiles({ box.paths, store, ranker, hooks }, photos, copies, mode);
    return timer.elapsed();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Working-bitmap preparation and ranking speed on JPEG photos."));
    parser.addHelpOption();
    const QCommandLineOption countOption(QStringLiteral("count"),
        QStringLiteral("Photos to use (default 120)."), QStringLiteral("N"), QStringLiteral("120"));
    const QCommandLineOption widthOption(QStringLiteral("min-width"),
        QStringLiteral("Smallest photo width (default 2000)."), QStringLiteral("W"),
        QStringLiteral("2000"));
    const QCommandLineOption rankerOption(QStringLiteral("ranker"),
        QStringLiteral("The ranking library (default: the built one)."), QStringLiteral("LIBRARY"),
        QDir(QStringLiteral(LIS_BUILD_APP_DIR)).filePath(RankLibrary::fileName()));
    parser.addOptions({ countOption, widthOption, rankerOption });
    parser.addPositionalArgument(
        QStringLiteral("folders"), QStringLiteral("Where the photos are."));
    parser.process(app);

    QStringList folders = parser.positionalArguments();
    if (folders.isEmpty())
        folders
            = { QStringLiteral("/usr/share/backgrounds"), QStringLiteral("/usr/share/wallpapers") };
    const QStringList photos
        = findPhotos(folders, parser.value(widthOption).toInt(), parser.value(countOption).toInt());
    if (photos.isEmpty()) {
        std::fprintf(stderr, "No JPEG photos found; run bench/prepare/setup-photos first.\n");
        return 1;
    }
    // Read every file once so all measurements start from a warm cache.
    qint64 totalBytes = 0;
    for (const QString &photo : photos) {
        QFile file(photo);
        if (file.open(QIODevice::ReadOnly))
            totalBytes += file.readAll().size();
    }
    std::printf("%lld JPEG photos, %.1f MB, at least %d px wide\n", qlonglong(photos.size()),
        double(totalBytes) / 1e6, parser.value(widthOption).toInt());

    const auto ranker = RankLibrary::forFile(parser.value(rankerOption));
    if (!ranker->isAvailable())
        std::printf("ranking library not found at %s: ImageRank not timed\n",
            qPrintable(parser.value(rankerOption)));

    Cost prepare, rank;
    int unreadable = 0;
    timeStepByStep(photos, *ranker, prepare, rank, unreadable);
    const Cost prepareMs = perImage(prepare, photos.size());
    printCost("preparation (decode, fit to 500, BMP + copy)", prepareMs);
    if (ranker->isAvailable())
        printCost("ImageRank on the working bitmap", perImage(rank, photos.size() - unreadable));
    if (unreadable)
        std::printf("(%d photos could not be read)\n", unreadable);

    const Cost plainMs = perImage(timePlainQt(photos), photos.size());
    printCost("plain Qt full decode + scale + BMP, for reference", plainMs);
    if (const std::optional<Cost> vips = timeVips(photos)) {
        const Cost vipsMs = perImage(*vips, photos.size());
        printCost("vipsthumbnail --size 500x500 (one process)", vipsMs);
        std::printf("ratio preparation / vipsthumbnail: %.2f by CPU time, %.2f by wall time\n",
            prepareMs.cpuNs / vipsMs.cpuNs, prepareMs.wallNs / vipsMs.wallNs);
    } else {
        std::printf("vipsthumbnail not available (run bench/prepare/setup-photos)\n");
    }

    const Cost oneFile = perImage(timeLoop(photos, *ranker, PipelineMode::OneFile), photos.size());
    const Cost ahead = perImage(timeLoop(photos, *ranker, PipelineMode::ReadAhead), photos.size());
    printCost("whole ranking loop, one file at a time", oneFile);
    printCost("whole ranking loop, reading ahead on a second core", ahead);
    std::printf("read-ahead speed-up by wall time: %.2fx\n", oneFile.wallNs / ahead.wallNs);
    return 0;
}
