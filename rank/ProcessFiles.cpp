#include "rank/ProcessFiles.h"

#include "rank/RankLibrary.h"
#include "rank/ResultsCopies.h"
#include "rank/WorkingBitmap.h"
#include "store/ResultStore.h"

#include <chrono>
#include <future>
#include <optional>

namespace lis {

namespace {

using namespace std::chrono_literals;

// Produces each file's prepared bitmap, either on the spot or from a second thread that works
// one file ahead. Preparing only reads the source, so doing it early changes nothing that can be
// seen; everything written happens on the caller's thread, in list order.
class BitmapSource
{
public:
    BitmapSource(const QStringList &files, PipelineMode mode, const RunHooks &hooks)
        : m_files(files)
        , m_readAhead(mode == PipelineMode::ReadAhead)
        , m_hooks(hooks)
    { }
    ~BitmapSource()
    {
        // A file prepared ahead of a cancel is dropped; it has written nothing.
        if (m_next.valid())
            m_next.wait();
    }
    Q_DISABLE_COPY_MOVE(BitmapSource)

    PreparedBitmap take(qsizetype index)
    {
        if (!m_readAhead)
            return prepareBitmap(m_files.at(index));
        if (!m_next.valid())
            m_next = startAt(index);
        // The window stays live while the second core finishes.
        while (m_next.wait_for(10ms) != std::future_status::ready)
            m_hooks.doYield();
        PreparedBitmap prepared = m_next.get();
        if (index + 1 < m_files.size())
            m_next = startAt(index + 1);
        return prepared;
    }

private:
    std::future<PreparedBitmap> startAt(qsizetype index) const
    {
        return std::async(std::launch::async, prepareBitmap, m_files.at(index));
    }

    const QStringList &m_files;
    const bool m_readAhead;
    const RunHooks &m_hooks;
    std::future<PreparedBitmap> m_next;
};

FileOutcome processOne(const RankRun &run, const QString &source, BitmapSource &bitmaps,
    qsizetype index, ResultsCopies &copies)
{
    FileOutcome outcome;
    outcome.path = source;
    // Removed first, so a file that cannot be prepared never inherits the previous picture.
    clearWorkingBitmap(run.paths);
    const PreparedBitmap prepared = bitmaps.take(index);
    outcome.problem = writeWorkingBitmap(run.paths, prepared);
    run.hooks.doYield();

    if (outcome.problem == ImageProblem::None) {
        const QString copy = copies.assign(source);
        if (writeResultsCopy(copy, prepared.bitmap))
            outcome.resultsCopy = copy;
    }
    run.hooks.doYield();

    if (outcome.problem == ImageProblem::None) {
        if (const std::optional<std::int32_t> rank
            = run.ranker.imageRank(run.paths.workingBitmap(), source)) {
            outcome.rank = *rank;
            outcome.ranked = true;
        }
    }
    run.hooks.doYield();

    outcome.rowStored = run.store.addImageRank(source, outcome.rank);
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

ProcessFilesResult processFiles(
    const RankRun &run, const QStringList &foundFiles, ResultsCopies &copies, PipelineMode mode)
{
    ProcessFilesResult result;
    run.store.deleteRecords();
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
        result.files.push_back(processOne(run, source, bitmaps, i, copies));
    }
    batch.commit();
    return result;
}

} // namespace lis
