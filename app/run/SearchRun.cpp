#include "app/run/SearchRun.h"

#include "app/run/RunSteps.h"
#include "core/RunHooks.h"
#include "store/ResultStore.h"

namespace lis {

namespace {

// The engine's loops speak RunHooks; the observer hears each of them as its phase's progress.
RunHooks hooksFor(RunObserver &observer, RunObserver::Phase phase)
{
    RunHooks hooks;
    hooks.yield = [&observer] { observer.keepAlive(); };
    hooks.cancelRequested = [&observer] { return observer.cancelRequested(); };
    hooks.cancelCleanup = [&observer] { observer.cancelNoticed(); };
    hooks.progress = [&observer, phase](qsizetype done) { observer.progressed(phase, done); };
    return hooks;
}

QString storeFailureMessage(const QString &why)
{
    return QStringLiteral("The results could not be stored in the working database (%1), so "
                          "the search was stopped.")
        .arg(why);
}

} // namespace

SearchRun::SearchRun(AppPaths paths, ResultStore &store)
    : m_paths(std::move(paths))
    , m_store(store)
    , m_ranker(m_paths.appFolder())
{ }

RunOutcome SearchRun::run(const RunRequest &request, RunObserver &observer)
{
    using Phase = RunObserver::Phase;
    RunOutcome outcome;
    const RunEngine engine { m_paths, request.walkOptions, m_store, m_ranker };

    observer.phaseStarted(Phase::Searching, 0);
    const RunHooks searching = hooksFor(observer, Phase::Searching);
    if (request.locations.size() == 1 && request.limits.excludes.isEmpty()
        && !request.limits.skipHiddenFolders) {
        // The window's walk, exactly as its options say.
        findImageFiles(engine, request.locations.front(), request.keyword, outcome.List2,
            outcome.List3, searching);
    } else {
        findImageFilesInRoots(engine, request.locations, request.keyword, request.limits,
            outcome.List2, outcome.List3, searching);
    }
    if (observer.cancelRequested()) {
        outcome.end = RunOutcome::End::Cancelled;
        return outcome;
    }

    observer.phaseStarted(Phase::Ranking, outcome.List3.size());
    m_ranked = {};
    if (const auto error = prepareRanking(engine, m_copies)) {
        outcome.end = RunOutcome::End::WorkFilesFailed;
        outcome.message = error->message() + QStringLiteral(" The search was stopped.");
        return outcome;
    }
    m_ranked = rankFoundFiles(engine, outcome.List3, m_copies, hooksFor(observer, Phase::Ranking));
    if (m_ranked.writeFailure) {
        outcome.end = RunOutcome::End::WorkFilesFailed;
        outcome.message = writeFailureMessage(*m_ranked.writeFailure);
        return outcome;
    }
    if (!m_ranked.storeFailure.isEmpty()) {
        outcome.end = RunOutcome::End::StoreFailed;
        outcome.message = storeFailureMessage(m_ranked.storeFailure);
        return outcome;
    }
    if (observer.cancelRequested() || m_ranked.cancelled) {
        outcome.end = RunOutcome::End::Cancelled;
        return outcome;
    }

    observer.phaseStarted(Phase::Reporting, 0);
    outcome.results = report(observer);
    return outcome;
}

std::shared_ptr<const RunResults> SearchRun::report(RunObserver &observer)
{
    auto results = std::make_shared<RunResults>();
    Report report = ShowReport(m_store, hooksFor(observer, RunObserver::Phase::Reporting));
    results->rows = std::move(report.rows);
    results->List1 = std::move(report.List1);
    results->reportStopped = report.stopped;
    results->copies = m_copies;
    results->files = m_ranked.files;
    results->indexFiles();
    return results;
}

} // namespace lis
