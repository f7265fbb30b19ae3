#include "app/run/RunSteps.h"

#include "core/AppPaths.h"
#include "core/RunHooks.h"
#include "core/UserFile.h"
#include "core/WorkFolder.h"
#include "rank/RankLibrary.h"
#include "rank/ResultsCopies.h"
#include "search/FolderWalk.h"
#include "search/ImageFilter.h"
#include "store/ResultStore.h"

#include <QDir>
#include <QFileInfo>
#include <chrono>
#include <future>

namespace lis {

namespace {

// The ranking library pulls in a large tree of shared libraries (a few hundred milliseconds to
// load); it is loaded on another thread while the window keeps processing its events. Nothing
// else touches the binding until the load has finished.
void loadRankerWhileLive(RankLibrary &ranker, const RunHooks &hooks)
{
    using namespace std::chrono_literals;
    if (ranker.loadAttempts() > 0)
        return;
    std::future<bool> loading
        = std::async(std::launch::async, [&ranker] { return ranker.isAvailable(); });
    while (loading.wait_for(10ms) != std::future_status::ready)
        hooks.doYield();
}

} // namespace

RunRefusal checkRunInput(const QString &keyword, const QString &location)
{
    if (keyword.trimmed().isEmpty())
        return RunRefusal::BlankKeyword;
    const auto info = location.isEmpty() ? std::nullopt : statPath(location, true);
    if (!info || !S_ISDIR(info->st_mode))
        return RunRefusal::BadLocation;
    return RunRefusal::None;
}

QString refusalText(RunRefusal refusal)
{
    switch (refusal) {
    case RunRefusal::BlankKeyword:
        return QStringLiteral("Please enter search keyword.");
    case RunRefusal::BadLocation:
        return QStringLiteral("Please select a valid search location and try again.");
    case RunRefusal::None:
        break;
    }
    return {};
}

QString searchPattern(const QString &keyword)
{
    return keyword + QStringLiteral("*.*");
}

QString resultCountText(qsizetype count)
{
    return QString::number(count) + u' ' + QStringLiteral(" File(s)");
}

QString noResultsText(const QString &keyword)
{
    return QStringLiteral(" No results found for") + u' ' + keyword;
}

void findImageFiles(const RunEngine &engine, const QString &location, const QString &keyword,
    QStringList &list2, QStringList &list3, const RunHooks &hooks)
{
    QString path = location;
    WalkCounters counters;
    FindFiles(path, searchPattern(keyword), counters, list2, engine.walkOptions, hooks);
    hooks.doYield();
    FilterFiles(list2, list3, engine.walkOptions().fileTypes);
}

void findImageFilesInRoots(const RunEngine &engine, const QStringList &locations,
    const QString &keyword, const WalkLimits &limits, QStringList &list2, QStringList &list3,
    const RunHooks &hooks)
{
    WalkCounters counters;
    FindFilesInRoots(
        locations, searchPattern(keyword), counters, list2, engine.walkOptions, hooks, limits);
    hooks.doYield();
    FilterFiles(list2, list3, engine.walkOptions().fileTypes);
}

std::optional<WorkFileError> prepareRanking(const RunEngine &engine, ResultsCopies &copies)
{
    engine.store.DeleteRecords();
    copies.reset(engine.paths.resultsFolder());
    return WorkFolder(engine.paths).renewResultsFolder();
}

ProcessFilesResult rankFoundFiles(const RunEngine &engine, const QStringList &foundFiles,
    ResultsCopies &copies, const RunHooks &hooks)
{
    if (!foundFiles.isEmpty())
        loadRankerWhileLive(engine.ranker, hooks);
    const RankRun run { engine.paths, engine.store, engine.ranker, hooks };
    // The next file is decoded on the second core while this one is ranked; the rows, results
    // copies and working bitmap are the same as one file at a time.
    return ProcessFiles(run, foundFiles, copies, PipelineMode::ReadAhead);
}

} // namespace lis
