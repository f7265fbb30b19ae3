#pragma once

#include "core/RunHooks.h"
#include "core/Settings.h"
#include "rank/ProcessFiles.h"
#include "rank/RankLibrary.h"
#include "rank/ResultsCopies.h"
#include "report/ReportModel.h"
#include "store/ResultStore.h"
#include "tests/support/TempAppFolder.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace lis::test {

// Sanitized builds run about ten times slower; the heavy cases use fewer files there.
#ifdef LIS_RELIABILITY_LIGHT
inline constexpr bool kLightRun = true;
#else
inline constexpr bool kLightRun = false;
#endif

// Ends the process with a message naming the step under way when one step takes longer than the
// limit, so a hang fails at once and says where instead of waiting for the CTest timeout.
class HangWatchdog
{
public:
    explicit HangWatchdog(std::chrono::seconds limit
        = kLightRun ? std::chrono::seconds(300) : std::chrono::seconds(60));
    ~HangWatchdog();
    HangWatchdog(const HangWatchdog &) = delete;
    HangWatchdog &operator=(const HangWatchdog &) = delete;

    // A new step begins; the clock restarts.
    void step(const QString &what);
    // The longest step seen so far, and its name (for the test's record, never asserted on).
    std::chrono::milliseconds longestStep() const;
    QString longestStepName() const;

private:
    void watch();

    using Clock = std::chrono::steady_clock;
    const std::chrono::seconds m_limit;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    QString m_current;
    Clock::time_point m_since = Clock::now();
    std::chrono::milliseconds m_longest { 0 };
    QString m_longestName;
    bool m_stop = false;
    std::thread m_thread;
};

struct PipelineResult
{
    QStringList list2;
    QStringList list3;
    ProcessFilesResult ranked;
    Report report;
};

// The engine of one search-and-rank run in a sandbox application folder with the real ranking
// library: every image type, subfolders and hidden files included.
class Pipeline
{
public:
    Pipeline();

    // The walk, the filter, the ranking and the report, as the Search button runs them. When a
    // watchdog is given, every yield restarts its clock, labelled with the file under way.
    PipelineResult run(const QString &location, const QString &keyword, RunHooks hooks = {},
        HangWatchdog *watchdog = nullptr);

    AppPaths paths() const { return app.paths(); }

    TempAppFolder app { TempAppFolder::Ranker::With };
    std::unique_ptr<Settings> settings;
    std::unique_ptr<ResultStore> store;
    std::unique_ptr<RankLibrary> ranker;
    ResultsCopies copies;
};

// What a file looked like: type, permissions, size, modification time and content digest.
struct EntryPrint
{
    unsigned mode = 0;
    qint64 size = 0;
    qint64 mtimeNs = 0;
    QByteArray digest; // SHA-1 of a regular file's bytes; the target of a link
    bool operator==(const EntryPrint &) const = default;
};
// Every entry under a folder by its raw relative path (names need not be UTF-8). Links are not
// followed, FIFOs and sockets are never opened.
using TreePrint = std::map<QByteArray, EntryPrint>;

TreePrint fingerprint(const QByteArray &root);
// One line per entry added, removed or changed; empty when both prints are equal.
QStringList differences(const TreePrint &before, const TreePrint &after);

// The process's peak resident size so far, in KiB, after resetting it to the current size where
// the kernel allows it; -1 when it cannot be read.
qint64 resetPeakRss();
qint64 peakRssKib();

// A small valid picture file of the given format ("PNG", "JPG", "BMP", "GIF").
QByteArray smallPicture(const char *format, int seed = 1, int width = 48, int height = 32);

QByteArray raw(const QString &path);

} // namespace lis::test
