#include "app/run/RunSteps.h"

#include "app/core/AppPaths.h"
#include "app/core/RunHooks.h"
#include "app/core/Settings.h"
#include "rank/RankLibrary.h"
#include "rank/ResultsCopies.h"
#include "search/FolderWalk.h"
#include "search/ImageFilter.h"
#include "store/ResultStore.h"

#include <QDir>
#include <QFileInfo>

namespace lis {

RunRefusal checkRunInput(const QString &keyword, const QString &location)
{
    if (keyword.trimmed().isEmpty())
        return RunRefusal::BlankKeyword;
    if (location.isEmpty() || !QFileInfo(location).isDir())
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

MessageIcon refusalIcon(RunRefusal refusal)
{
    return refusal == RunRefusal::BlankKeyword ? MessageIcon::Information : MessageIcon::Warning;
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
    findFiles(path, searchPattern(keyword), counters, list2, engine.settings, hooks);
    hooks.doYield();
    filterFiles(list2, list3, engine.settings);
}

void prepareRanking(const RunEngine &engine, ResultsCopies &copies)
{
    engine.store.deleteRecords();
    const QString results = engine.paths.resultsFolder();
    QDir(results).removeRecursively();
    QDir().mkpath(results);
    copies.reset(results);
}

ProcessFilesResult rankFoundFiles(const RunEngine &engine, const QStringList &foundFiles,
                                  ResultsCopies &copies, const RunHooks &hooks)
{
    ResultStore::Batch batch(engine.store);
    const RankRun run { engine.paths, engine.store, engine.ranker, hooks };
    return processFiles(run, foundFiles, copies);
}

} // namespace lis
