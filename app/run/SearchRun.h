#pragma once

#include "core/AppPaths.h"
#include "rank/RankLibrary.h"
#include "report/RunResults.h"
#include "search/FolderWalk.h"
#include "search/WalkOptions.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace lis {

class ResultStore;

// What a run tells whoever drives it: a window that keeps itself live and shows progress, or the
// command line. Every call comes on the thread that called run().
class RunObserver
{
public:
    enum class Phase {
        Searching, // the walk and the filter
        Ranking, // the found files, one by one
        Reporting, // the report, from the result table
    };

    virtual ~RunObserver() = default;
    // A phase begins; `total` is the number of files when it is known (ranking), else 0.
    virtual void phaseStarted(Phase phase, qsizetype total) = 0;
    // How far the phase has come: files listed by the walk, or files ranked.
    virtual void progressed(Phase phase, qsizetype done) = 0;
    // Lets the window system process pending events (the observer may skip calls that come
    // too soon), so a cancel can be asked for in the middle of a loop.
    virtual void keepAlive() = 0;
    // Whether a cancel has been confirmed; read once per folder entry, file and report row.
    virtual bool cancelRequested() = 0;
    // A loop noticed the cancel (the window empties its status text, disables Cancel and
    // unlocks the keyword box; repeating it is harmless).
    virtual void cancelNoticed() = 0;
};

struct RunRequest
{
    QString keyword; // as typed, blanks kept
    QStringList locations; // as typed; walked in turn, a file found twice listed once
    WalkOptionsSource walkOptions;
    WalkLimits limits; // the command line's exclusions; none for the window
};

struct RunOutcome
{
    enum class End {
        Finished, // the report was made (it may be empty, or cut short by a cancel)
        Cancelled, // a confirmed cancel ended the walk or the ranking; no report
        WorkFilesFailed, // a working file of the program's own could not be written
        StoreFailed, // the result table lost rows, so no report could be trusted
    };
    End end = End::Finished;
    QString message; // why, in plain words, when the run failed
    QStringList List2; // every matching path, in walk order
    QStringList List3; // the image files of the chosen type
    std::shared_ptr<const RunResults> results; // set when finished
};

// One search-and-rank run, the same for the window and the command line: the walk and the
// filter, the renewal of the result table and the results folder, the ranking of every found
// file, and the report. It owns the ranking library's binding for the session, and the results
// copies of the run under way.
class SearchRun final
{
public:
    SearchRun(AppPaths paths, ResultStore &store);
    Q_DISABLE_COPY_MOVE(SearchRun)

    RunOutcome run(const RunRequest &request, RunObserver &observer);

    // The report of the table as it stands, with the results copies and outcomes of the last
    // ranking phase. Before each row it reads the cancel flag and stops when it is set.
    std::shared_ptr<const RunResults> report(RunObserver &observer);

    RankLibrary &ranker() { return m_ranker; }
    // The results copies of the ranking phase under way (or the last one).
    ResultsCopies &resultsCopies() { return m_copies; }
    const AppPaths &paths() const { return m_paths; }

private:
    AppPaths m_paths;
    ResultStore &m_store;
    RankLibrary m_ranker;
    ResultsCopies m_copies;
    ProcessFilesResult m_ranked;
};

} // namespace lis
