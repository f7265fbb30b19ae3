#include "rank/ProcessFiles.h"

#include "core/FileNames.h"
#include "rank/RankLibrary.h"
#include "rank/ResultsCopies.h"
#include "rank/WorkingBitmap.h"
#include "store/ResultStore.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace lis {

namespace {

using namespace std::chrono_literals;

// Worker threads at most: each decodes one file at a time, and a decoding holds the whole
// source picture, so this bounds what the decodings take together on a machine with many cores.
constexpr qsizetype kMaxWorkers = 3;
// Files prepared ahead of the one being written at most, and the bytes of working bitmaps they
// may hold together while they wait for their turn. A slow file (a large PNG) then holds up only
// its own turn: the workers go on with the files after it instead of waiting idle.
constexpr qsizetype kReadAheadWindow = 16;
constexpr qsizetype kMaxHeldBytes = qsizetype(64) * 1024 * 1024;

// Produces each file's prepared bitmap, either on the spot or from worker threads (one per
// core) that work through the next files of the list. Preparing only reads the source, so
// doing it early changes nothing that can be seen; everything written happens on the caller's
// thread, in list order.
class BitmapSource
{
public:
    BitmapSource(const QStringList &files, PipelineMode mode, const RunHooks &hooks)
        : m_files(files)
        , m_hooks(hooks)
    {
        const qsizetype workers = mode == PipelineMode::ReadAhead
            ? std::clamp<qsizetype>(QThread::idealThreadCount(), 2, kMaxWorkers)
            : 0;
        try {
            for (qsizetype i = 0; i < workers; ++i)
                m_workers.emplace_back([this] { work(); });
        } catch (const std::system_error &) {
            // No more threads to be had: the ones made do the work; with none, each file is
            // prepared on the spot.
        }
    }
    ~BitmapSource()
    {
        // Files prepared ahead of a cancel are dropped; they have written nothing.
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        for (std::thread &worker : m_workers)
            worker.join();
    }
    Q_DISABLE_COPY_MOVE(BitmapSource)

    // Files are taken in list order; one passed over is dropped.
    PreparedBitmap take(qsizetype index)
    {
        if (m_workers.empty())
            return prepareBitmap(m_files.at(index));
        PreparedBitmap prepared = waitFor(index);
        // A file changed or removed since it was read ahead is read again now, so the outcome
        // is what the one-file loop would have seen at this point.
        if (stampSource(m_files.at(index)) != prepared.source)
            prepared = whileLive(std::async(std::launch::async, prepareBitmap, m_files.at(index)));
        return prepared;
    }

private:
    void work()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] {
                return m_stopping || m_nextToStart >= m_files.size()
                    || (m_nextToStart < m_front + kReadAheadWindow && m_heldBytes < kMaxHeldBytes);
            });
            if (m_stopping || m_nextToStart >= m_files.size())
                return;
            const qsizetype index = m_nextToStart++;
            lock.unlock();
            PreparedBitmap prepared = prepareBitmap(m_files.at(index));
            lock.lock();
            m_heldBytes += prepared.bitmap.size();
            m_ready.emplace(index, std::move(prepared));
            m_changed.notify_all();
        }
    }

    // The window stays live while the workers reach the file (or wait for their share of
    // memory).
    PreparedBitmap waitFor(qsizetype index)
    {
        std::unique_lock lock(m_mutex);
        m_front = index;
        m_nextToStart = std::max(m_nextToStart, index);
        while (!m_ready.empty() && m_ready.begin()->first < index)
            release(m_ready.begin());
        m_changed.notify_all(); // the window has moved on
        while (!m_changed.wait_for(lock, 10ms, [&] { return m_ready.contains(index); })) {
            lock.unlock();
            m_hooks.doYield();
            lock.lock();
        }
        PreparedBitmap prepared = release(m_ready.find(index));
        m_changed.notify_all(); // its bytes are no longer held
        return prepared;
    }

    PreparedBitmap release(std::map<qsizetype, PreparedBitmap>::iterator ready)
    {
        m_heldBytes -= ready->second.bitmap.size();
        PreparedBitmap prepared = std::move(ready->second);
        m_ready.erase(ready);
        return prepared;
    }

    PreparedBitmap whileLive(std::future<PreparedBitmap> pending) const
    {
        while (pending.wait_for(10ms) != std::future_status::ready)
            m_hooks.doYield();
        return pending.get();
    }

    const QStringList &m_files;
    const RunHooks &m_hooks;
    std::mutex m_mutex;
    std::condition_variable m_changed; // a file is ready, the window moved, or the run ends
    std::map<qsizetype, PreparedBitmap> m_ready;
    qsizetype m_front = 0; // the file being taken: the window begins there
    qsizetype m_nextToStart = 0;
    qsizetype m_heldBytes = 0; // of the bitmaps in m_ready
    bool m_stopping = false;
    std::vector<std::thread> m_workers; // last: they start once everything above is made
};

// One file through every step; nothing when a working file could not be written, which stops
// the loop (`failure` says which and why).
std::optional<FileOutcome> processOne(const RankRun &run, const QString &source,
    BitmapSource &bitmaps, qsizetype index, ResultsCopies &copies,
    std::optional<WriteFailure> &failure)
{
    FileOutcome outcome;
    outcome.path = source;
    // Removed first, so a file that cannot be prepared never inherits the previous picture.
    clearWorkingBitmap(run.paths);
    const PreparedBitmap prepared = bitmaps.take(index);
    outcome.problem = prepared.problem;
    outcome.captureTime = prepared.captureTime;
    outcome.lineage = prepared.lineage;
    if (prepared.ok() && (failure = writeWorkingBitmap(run.paths, prepared.bitmap)))
        return std::nullopt;
    run.hooks.doYield();

    if (outcome.problem == ImageProblem::None) {
        const QString copy = copies.assign(source);
        if ((failure = writeResultsCopy(copy, prepared.bitmap)))
            return std::nullopt;
        outcome.resultsCopy = copy;
    }
    run.hooks.doYield();

    if (outcome.problem == ImageProblem::None) {
        // The parts of the judgement come from the same call, so nothing is judged twice.
        if (const std::optional<RankJudgement> judged
            = run.ranker.imageRankWithScores(run.paths.workingBitmap(), source)) {
            outcome.rank = judged->rank;
            outcome.scores = judged->scores;
            outcome.ranked = true;
            // A file the library could not judge stands alone, whatever it looks like.
            if (outcome.rank > 0)
                outcome.signature = prepared.signature;
        }
    }
    run.hooks.doYield();

    outcome.rowStored = run.store.AddImageRank(source, outcome.rank);
    return outcome;
}

} // namespace

const FileOutcome *ProcessFilesResult::find(const QString &path) const
{
    for (const FileOutcome &file : files) {
        if (file.path == path)
            return &file;
    }
    return nullptr;
}

std::vector<const FileOutcome *> ProcessFilesResult::unreadable() const
{
    std::vector<const FileOutcome *> list;
    for (const FileOutcome &file : files) {
        if (file.problem != ImageProblem::None)
            list.push_back(&file);
    }
    return list;
}

ProcessFilesResult ProcessFiles(
    const RankRun &run, const QStringList &foundFiles, ResultsCopies &copies, PipelineMode mode)
{
    ProcessFilesResult result;
    run.store.DeleteRecords();
    ResultStore::Batch batch(run.store);
    BitmapSource bitmaps(foundFiles, mode, run.hooks);
    result.files.reserve(size_t(foundFiles.size()));
    for (qsizetype i = 0; i < foundFiles.size(); ++i) {
        if (run.hooks.isCancelRequested()) {
            run.hooks.doCancelCleanup();
            result.cancelled = true;
            break;
        }
        const QString source = foundFiles.at(i);
        run.hooks.doYield();
        std::optional<FileOutcome> outcome
            = processOne(run, source, bitmaps, i, copies, result.writeFailure);
        if (!outcome)
            break;
        result.files.push_back(std::move(*outcome));
        run.hooks.doProgress(qsizetype(result.files.size()));
    }
    if (!batch.commit()) {
        // The rollback took every row of the run with it.
        for (FileOutcome &file : result.files)
            file.rowStored = false;
    }
    result.storeFailure = run.store.writeError();
    return result;
}

QString writeFailureMessage(const WriteFailure &failure)
{
    const QString folder = QDir::toNativeSeparators(QFileInfo(failure.path).absolutePath());
    return QStringLiteral("The working files in %1 cannot be written (%2), so the search was "
                          "stopped.")
        .arg(displayPath(folder), failure.reason());
}

} // namespace lis
