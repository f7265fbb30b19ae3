// Walk speed: generates a tree of 100,000 files in 2,040 folders (or takes --root DIR), then
// times find(1) and the engine's walk on it, warm cache, and prints entries per second.
//
//   walk_bench [--root DIR] [--runs N] [--keep]

#include "core/RunHooks.h"
#include "core/Settings.h"
#include "search/FolderWalk.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int groups = 40;
constexpr int foldersPerGroup = 50;
constexpr int filesPerFolder = 50;

bool makeTree(const QString &root)
{
    static const char *const kinds[]
        = { "IMG_%05d.jpg", "IMG_%05d.JPG", "scan_%05d.png", "notes_%05d.txt", ".thumb_%05d.jpg" };
    int serial = 0;
    for (int g = 0; g < groups; ++g) {
        for (int f = 0; f < foldersPerGroup; ++f) {
            const QString folder = QStringLiteral("%1/group%2/folder%3").arg(root).arg(g).arg(f);
            if (!QDir().mkpath(folder))
                return false;
            const QByteArray base = QFile::encodeName(folder) + '/';
            for (int i = 0; i < filesPerFolder; ++i, ++serial) {
                char name[64];
                std::snprintf(name, sizeof name, kinds[serial % 5], serial);
                const int fd = ::open(base + name, O_CREAT | O_WRONLY, 0644);
                if (fd < 0)
                    return false;
                ::close(fd);
            }
        }
    }
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Seconds for find to list every entry of the tree.
double timeFind(const QString &root)
{
    QProcess find;
    find.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    find.start(QStringLiteral("find"), { root });
    find.waitForFinished(-1);
    return timer.nsecsElapsed() / 1e9;
}

struct WalkRun
{
    double seconds = 0;
    lis::WalkCounters counters;
    qsizetype listed = 0;
};

WalkRun timeWalk(const QString &root, const lis::Settings &settings, const lis::RunHooks &hooks)
{
    WalkRun run;
    QString path = root;
    QStringList list2;
    QElapsedTimer timer;
    timer.start();
    lis::FindFiles(
        path, QStringLiteral("*.*"), run.counters, list2, lis::walkOptionsFrom(settings), hooks);
    run.seconds = timer.nsecsElapsed() / 1e9;
    run.listed = list2.size();
    return run;
}

// The command line's walk over the tree and then each of its groups again (all already walked),
// with one exclusion glob that matches nothing: the price of the visited-folder set and of the
// name matching.
WalkRun timeRootsWalk(const QString &root, const lis::Settings &settings)
{
    QStringList roots { root };
    for (int g = 0; g < groups; ++g)
        roots.append(QStringLiteral("%1/group%2").arg(root).arg(g));
    WalkRun run;
    QStringList list2;
    QElapsedTimer timer;
    timer.start();
    lis::FindFilesInRoots(roots, QStringLiteral("*.*"), run.counters, list2,
        lis::walkOptionsFrom(settings), {}, { { QStringLiteral("*.tmp") }, false });
    run.seconds = timer.nsecsElapsed() / 1e9;
    run.listed = list2.size();
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption rootOption(QStringLiteral("root"),
        QStringLiteral("Walk this tree instead of a generated one."), QStringLiteral("dir"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Timed runs (5)."),
        QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption keepOption(
        QStringLiteral("keep"), QStringLiteral("Keep the generated tree for later runs."));
    parser.addOptions({ rootOption, runsOption, keepOption });
    parser.process(app);
    const int runs = std::max(1, parser.value(runsOption).toInt());

    QTemporaryDir scratch;
    scratch.setAutoRemove(!parser.isSet(keepOption));
    QString root = parser.value(rootOption);
    if (root.isEmpty()) {
        root = scratch.filePath(QStringLiteral("tree"));
        QElapsedTimer made;
        made.start();
        if (!makeTree(root)) {
            std::fprintf(stderr, "could not make the tree under %s\n", qPrintable(root));
            return 1;
        }
        std::printf("generated %d files in %d folders in %.1f s\n",
            groups * foldersPerGroup * filesPerFolder, groups * (foldersPerGroup + 1),
            made.elapsed() / 1000.0);
        if (parser.isSet(keepOption))
            std::printf("kept in %s\n", qPrintable(root));
    }
    lis::Settings settings(scratch.filePath(QStringLiteral("settings.ini")));
    settings.save(QStringLiteral("Search"), QStringLiteral("hiddenfiles"), QStringLiteral("3"));
    settings.save(QStringLiteral("Search"), QStringLiteral("Subfolders"), QStringLiteral("3"));

    // What a window passes: events processed at most every 10 ms, the cancel flag read always.
    bool cancel = false;
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    qint64 processed = 0;
    lis::RunHooks gui;
    gui.yield = [&] {
        if (sinceEvents.elapsed() >= 10) {
            QCoreApplication::processEvents();
            sinceEvents.restart();
            ++processed;
        }
    };
    gui.cancelRequested = [&] { return cancel; };

    timeFind(root); // warm the cache
    std::vector<double> find, bare, yielding, roots;
    WalkRun last;
    WalkRun lastRoots;
    for (int i = 0; i < runs; ++i) {
        find.push_back(timeFind(root));
        bare.push_back(timeWalk(root, settings, {}).seconds);
        last = timeWalk(root, settings, gui);
        yielding.push_back(last.seconds);
        lastRoots = timeRootsWalk(root, settings);
        roots.push_back(lastRoots.seconds);
    }
    const double entries = double(last.counters.files + last.counters.dirs);
    std::printf("tree: %lld files listed in %lld folders (median of %d runs, warm cache)\n",
        static_cast<long long>(last.listed), static_cast<long long>(last.counters.dirs), runs);
    const auto report = [entries](const char *what, double seconds) {
        std::printf(
            "  %-28s %8.1f ms  %12.0f entries/s\n", what, seconds * 1000, entries / seconds);
    };
    report("find", median(find));
    report("walk, no hooks", median(bare));
    report("walk, GUI-like yield", median(yielding));
    report("walk, tree + 40 groups again", median(roots));
    if (lastRoots.listed != last.listed)
        std::printf("  the walk over several roots listed %lld files, not %lld\n",
            static_cast<long long>(lastRoots.listed), static_cast<long long>(last.listed));
    std::printf("  walk with yields / find: %.2fx (event loop ran %lld times in all runs)\n",
        median(yielding) / median(find), static_cast<long long>(processed));
    return 0;
}
