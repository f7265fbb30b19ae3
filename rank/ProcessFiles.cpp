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
#include <deque>
#include <future>
#include <optional>

namespace lis {

namespace {

using namespace std::chrono_literals;

// Files decoded ahead at most: their decoding shares the preparation budget, but each finished
// one holds its working bitmap (up to 24 MiB) until its turn comes.
constexpr qsizetype kMaxReadAhead = 3;

// Produces each file's prepared bitmap, either on the spot or from worker threads that work a
// few files ahead (one per core). Preparing only reads the source, so doing it early changes
// nothing that can be seen; everything written happens on the caller's thread, in list order.
class BitmapSource
{
public:
    BitmapSource(const QStringList &files, PipelineMode mode, const RunHooks &hooks)
        : m_files(files)
        , m_ahead(mode == PipelineMode::ReadAhead
                  ? std::clamp<qsizetype>(QThread::idealThreadCount(), 2, kMaxReadAhead)
                  : 0)
        , m_hooks(hooks)
    { }
    ~BitmapSource()
    {
        // Files prepared ahead of a cancel are dropped; they have written nothing.
        for (std::future<PreparedBitmap> &pending : m_pending)
            pending.wait();
    }
    Q_DISABLE_COPY_MOVE(BitmapSource)

    PreparedBitmap take(qsizetype index)
    {
        if (m_ahead == 0)
            return prepareBitmap(m_files.at(index));
        if (m_pending.empty())
            m_nextToStart = index;
        topUp();
        PreparedBitmap prepared = whileLive(std::move(m_pending.front()));
        m_pending.pop_front();
        topUp(); // every worker stays busy while this file is written and ranked
        // A file changed or removed since it was read ahead is read again now, so the outcome
        // is what the one-file loop would have seen at this point.
        if (stampSource(m_files.at(index)) != prepared.source)
            prepared = whileLive(std::async(std::launch::async, prepareBitmap, m_files.at(index)));
        return prepared;
    }

private:
    // The window stays live while a worker finishes (or waits for its share of memory).
    PreparedBitmap whileLive(std::future<PreparedBitmap> pending) const
    {
        while (pending.wait_for(10ms) != std::future_status::ready)
            m_hooks.doYield();
        return pending.get();
    }

    void topUp()
    {
        while (qsizetype(m_pending.size()) < m_ahead && m_nextToStart < m_files.size())
            m_pending.push_back(
                std::async(std::launch::async, prepareBitmap, m_files.at(m_nextToStart++)));
    }

    const QStringList &m_files;
    const qsizetype m_ahead;
    const RunHooks &m_hooks;
    std::deque<std::future<PreparedBitmap>> m_pending; // files m_nextToStart - size() onwards
    qsizetype m_nextToStart = 0;
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
