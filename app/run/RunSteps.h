#pragma once

#include "core/WorkFolder.h"
#include "rank/ProcessFiles.h"
#include "search/FolderWalk.h"
#include "search/WalkOptions.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace lis {

class AppPaths;
class RankLibrary;
class ResultStore;
class ResultsCopies;
struct RunHooks;

// The two checks before a run starts; nothing has changed when one refuses.
enum class RunRefusal { None, BlankKeyword, BadLocation };

RunRefusal checkRunInput(const QString &keyword, const QString &location);
QString refusalText(RunRefusal refusal);

// The walk's pattern: the keyword as typed (blanks kept) followed by "*.*".
QString searchPattern(const QString &keyword);
// "12  File(s)": the count, a blank, then " File(s)".
QString resultCountText(qsizetype count);
QString noResultsText(const QString &keyword);

inline const QString searchingStatus = QStringLiteral("Searching...");
inline const QString rankingStatus = QStringLiteral("Ranking...");

// The engine objects a run works with, owned by the caller.
struct RunEngine
{
    const AppPaths &paths;
    WalkOptionsSource walkOptions;
    ResultStore &store;
    RankLibrary &ranker;
};

// The walk and the image filter: fills list2 with the matching paths and list3 with the image
// files of the chosen type.
void findImageFiles(const RunEngine &engine, const QString &location, const QString &keyword,
    QStringList &list2, QStringList &list3, const RunHooks &hooks);

// The same over several roots in turn, with the command line's limits: a folder reached twice
// is walked once, so a file is listed once.
void findImageFilesInRoots(const RunEngine &engine, const QStringList &locations,
    const QString &keyword, const WalkLimits &limits, QStringList &list2, QStringList &list3,
    const RunHooks &hooks);

// Empties the result table and gives the run a fresh, empty results folder; says why when the
// folder cannot be made ready (nothing may be ranked then).
std::optional<WorkFileError> prepareRanking(const RunEngine &engine, ResultsCopies &copies);

// Ranks every found file, storing one row each in one transaction.
ProcessFilesResult rankFoundFiles(const RunEngine &engine, const QStringList &foundFiles,
    ResultsCopies &copies, const RunHooks &hooks);

} // namespace lis
