// Copy speed: generates large and small files (or takes them from --root DIR), then times cp(1)
// and the copy engine copying them into an empty folder, warm cache, and prints MB/s and files/s.
// The engine writes each file under a temporary name, flushes it to the disk and only then
// renames it, so the difference to cp (which leaves its data in the page cache) is the price of
// never leaving a half-written copy, not even after a power cut.
//
// Last, one file of --gap-mb megabytes (256) is copied with a window's hooks, and the longest
// time between two yields is printed: how long the copy window could go without answering.
//
//   copy_bench [--large N] [--large-mb M] [--small N] [--runs N] [--gap-mb M]

#include "copy/CopyRun.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

bool makeFiles(const QString &folder, const QString &prefix, int count, qint64 bytes,
    QList<lis::CopyItem> &items)
{
    QByteArray block(static_cast<qsizetype>(std::min<qint64>(bytes, 1 << 20)), Qt::Uninitialized);
    QRandomGenerator random(7);
    random.fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
    for (int i = 0; i < count; ++i) {
        const QString path = QStringLiteral("%1/%2_%3.jpg").arg(folder, prefix).arg(i);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        for (qint64 written = 0; written < bytes; written += block.size())
            file.write(block.constData(), std::min<qint64>(block.size(), bytes - written));
        items.append({ path, true });
    }
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QString freshFolder(const QTemporaryDir &dir, const QString &name)
{
    const QString folder = dir.filePath(name);
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    return folder;
}

double timeCp(const QList<lis::CopyItem> &items, const QString &target)
{
    QStringList arguments;
    for (const lis::CopyItem &item : items)
        arguments.append(item.path);
    arguments.append(target + u'/');
    QElapsedTimer timer;
    timer.start();
    QProcess::execute(QStringLiteral("cp"), arguments);
    return timer.nsecsElapsed() / 1e9;
}

double timeEngine(const QList<lis::CopyItem> &items, const QString &target)
{
    QElapsedTimer timer;
    timer.start();
    const lis::CopyRunResult run = lis::copyItems(items, target, lis::RunHooks {});
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (run.count(lis::CopyStatus::Copied) != items.size())
        std::fprintf(stderr, "only %lld of %lld copied\n",
            static_cast<long long>(run.count(lis::CopyStatus::Copied)),
            static_cast<long long>(items.size()));
    return seconds;
}

// Copies one file with hooks that note every yield, as the copy window's throttled yield would
// see them, and prints the longest gap and the time of the whole copy.
void reportYieldGaps(const lis::CopyItem &item, qint64 bytes, const QString &target)
{
    QElapsedTimer sinceYield;
    qint64 longestNs = 0;
    qint64 yields = 0;
    lis::RunHooks hooks;
    hooks.yield = [&] {
        longestNs = std::max(longestNs, sinceYield.nsecsElapsed());
        sinceYield.restart();
        ++yields;
    };
    QElapsedTimer whole;
    whole.start();
    sinceYield.start();
    const lis::CopyRunResult run = lis::copyItems({ item }, target, hooks);
    const double seconds = whole.nsecsElapsed() / 1e9;
    if (run.count(lis::CopyStatus::Copied) != 1)
        std::fprintf(stderr, "the large file was not copied\n");
    std::printf("one %.0f MB file: %.3f s, %lld yields, longest gap between two %.1f ms\n",
        static_cast<double>(bytes) / (1 << 20), seconds, static_cast<long long>(yields),
        longestNs / 1e6);
}

void report(
    const char *what, const QList<lis::CopyItem> &items, qint64 bytes, double cp, double engine)
{
    const double mb = static_cast<double>(bytes) / (1 << 20);
    std::printf("%-6s %6lld files %8.1f MB | cp %7.3f s (%7.1f MB/s, %8.0f files/s) | engine "
                "%7.3f s (%7.1f MB/s, %8.0f files/s)\n",
        what, static_cast<long long>(items.size()), mb, cp, mb / cp, items.size() / cp, engine,
        mb / engine, items.size() / engine);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption largeOption(QStringLiteral("large"), QStringLiteral("Large files."),
        QStringLiteral("N"), QStringLiteral("20"));
    const QCommandLineOption largeMbOption(QStringLiteral("large-mb"),
        QStringLiteral("Size of each large file in MB."), QStringLiteral("M"),
        QStringLiteral("16"));
    const QCommandLineOption smallOption(QStringLiteral("small"),
        QStringLiteral("Small (40 KB) files."), QStringLiteral("N"), QStringLiteral("2000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs per tool."),
        QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption gapMbOption(QStringLiteral("gap-mb"),
        QStringLiteral("Size in MB of the file whose yield gaps are measured."),
        QStringLiteral("M"), QStringLiteral("256"));
    parser.addOptions({ largeOption, largeMbOption, smallOption, runsOption, gapMbOption });
    parser.process(app);

    QTemporaryDir dir;
    const QString large = freshFolder(dir, QStringLiteral("large"));
    const QString small = freshFolder(dir, QStringLiteral("small"));
    const qint64 largeBytes = parser.value(largeMbOption).toLongLong() << 20;
    const qint64 smallBytes = 40 * 1024;
    QList<lis::CopyItem> largeItems;
    QList<lis::CopyItem> smallItems;
    if (!makeFiles(large, QStringLiteral("large"), parser.value(largeOption).toInt(), largeBytes,
            largeItems)
        || !makeFiles(small, QStringLiteral("small"), parser.value(smallOption).toInt(), smallBytes,
            smallItems)) {
        std::fprintf(stderr, "could not write the test files\n");
        return 1;
    }

    const int runs = std::max(1, parser.value(runsOption).toInt());
    for (const auto &[name, items, bytes] : { std::tuple { "large", largeItems, largeBytes },
             std::tuple { "small", smallItems, smallBytes } }) {
        std::vector<double> cp;
        std::vector<double> engine;
        timeCp(items, freshFolder(dir, QStringLiteral("warm")));
        for (int r = 0; r < runs; ++r) {
            cp.push_back(timeCp(items, freshFolder(dir, QStringLiteral("out"))));
            engine.push_back(timeEngine(items, freshFolder(dir, QStringLiteral("out"))));
        }
        report(name, items, bytes * items.size(), median(cp), median(engine));
    }

    const QString huge = freshFolder(dir, QStringLiteral("huge"));
    const qint64 hugeBytes = parser.value(gapMbOption).toLongLong() << 20;
    QList<lis::CopyItem> hugeItems;
    if (hugeBytes > 0) {
        if (!makeFiles(huge, QStringLiteral("huge"), 1, hugeBytes, hugeItems)) {
            std::fprintf(stderr, "could not write the large file\n");
            return 1;
        }
        reportYieldGaps(hugeItems.first(), hugeBytes, freshFolder(dir, QStringLiteral("out")));
    }
    return 0;
}
