#include "app/cli/CliRun.h"

#include "app/cli/CliObserver.h"
#include "app/cli/CliOptions.h"
#include "app/cli/ReportOutput.h"
#include "app/run/RunSteps.h"
#include "app/run/SearchRun.h"
#include "app/run/Session.h"
#include "copy/CopyDestination.h"
#include "copy/CopyRun.h"
#include "copy/CopySummary.h"
#include "core/AppPaths.h"
#include "core/FileNames.h"
#include "core/RunHooks.h"
#include "core/Settings.h"
#include "core/WorkFolder.h"
#include "rank/ImageProblem.h"
#include "report/ReportModel.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace lis {

namespace {

// The signal that asked the run to stop, or 0.
std::atomic<int> interrupted { 0 };

extern "C" void onInterrupt(int signal)
{
    interrupted.store(signal);
}

int cancelledStatus()
{
    return interrupted.load() == SIGTERM ? CliTerminated : CliCancelled;
}

// False when the bytes could not be written whole (a full disk, a closed stream).
bool write(std::FILE *stream, const QByteArray &bytes)
{
    const bool written
        = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
    return std::fflush(stream) == 0 && written && !std::ferror(stream);
}

void printLine(std::FILE *stream, const QString &text)
{
    write(stream, pathToBytes(text + u'\n'));
}

void printError(std::FILE *stream, const QString &text)
{
    printLine(stream, programName + QStringLiteral(": error: ") + text);
}

// A report that did not reach its reader is a failed run, said on standard error.
int reportWriteFailure(std::FILE *err)
{
    printError(err,
        QStringLiteral("the report could not be written (%1)")
            .arg(errno != 0 ? QString::fromLocal8Bit(std::strerror(errno))
                            : QStringLiteral("write error")));
    return CliFailed;
}

// The options of this run: the saved ones, repaired as the window repairs them at open but
// without writing anything back, with the arguments' overrides on top.
WalkOptions runWalkOptions(const Settings &saved, const CliOptions &options)
{
    WalkOptions walk = repaired(readWalkOptions(saved));
    if (options.subfolders)
        walk.subfolders = WalkOptions::switchValue(*options.subfolders);
    if (options.hiddenFiles)
        walk.hiddenFiles = WalkOptions::switchValue(*options.hiddenFiles);
    if (options.fileTypes)
        walk.fileTypes = qint16(*options.fileTypes);
    return walk;
}

// Every refusal, made before anything is walked or written; the offending value is named.
std::optional<QString> refusal(const CliOptions &options, const AppPaths &shared)
{
    if (checkRunInput(options.keyword, QStringLiteral("/")) == RunRefusal::BlankKeyword)
        return QStringLiteral("the keyword '%1' is blank").arg(options.keyword);
    for (const QString &location : options.locations) {
        if (checkRunInput(options.keyword, location) == RunRefusal::BadLocation)
            return QStringLiteral("the location '%1' is not a folder").arg(displayPath(location));
    }
    if (options.copyTo.isEmpty())
        return std::nullopt;
    const OutputFolderCheck output = checkOutputFolder(options.copyTo, shared.workFolder());
    if (!output.isAcceptable())
        return QStringLiteral("the output folder '%1' cannot be used: %2")
            .arg(displayPath(options.copyTo), outputFolderProblemText(output));
    return std::nullopt;
}

ReportLine lineOf(const ReportRow &row, const RunResults &results)
{
    ReportLine line;
    line.position = row.position;
    line.path = row.path;
    line.name = row.name;
    line.type = row.type;
    line.size = row.size;
    line.sizeBytes = row.sizeBytes;
    if (row.pixels) {
        line.width = row.pixels->width();
        line.height = row.pixels->height();
    }
    line.rank = row.rank.toLongLong();
    line.score = scoreOfRank(line.rank);
    if (const FileOutcome *outcome = results.outcomeFor(row.path)) {
        if (outcome->scores)
            line.quality = qualityParts(*outcome->scores);
        line.problem = problemKey(outcome->problem);
    }
    return line;
}

void reportUnreadable(std::FILE *err, const RunResults &results, bool list)
{
    const auto unreadable = results.unreadable();
    if (unreadable.empty())
        return;
    printLine(err,
        QStringLiteral("%1 file(s) could not be read%2")
            .arg(unreadable.size())
            .arg(list ? QStringLiteral(":") : QStringLiteral(" (--unreadable lists them)")));
    if (!list)
        return;
    for (const FileOutcome *file : unreadable)
        printLine(err, QStringLiteral("  %1: %2").arg(problemKey(file->problem), file->path));
}

int copyTop(
    const CliOptions &options, const RunResults &results, CliObserver &observer, std::FILE *err)
{
    const QStringList &List1 = results.List1;
    const qsizetype limit
        = options.top ? std::min<qsizetype>(*options.top, List1.size()) : List1.size();
    // Every result is on the list, so none is ever replaced by another; the best are chosen.
    QList<CopyItem> items;
    for (qsizetype i = 0; i < List1.size(); ++i)
        items.append({ List1[i], i < limit });
    RunHooks hooks;
    hooks.cancelRequested = [] { return interrupted.load() != 0; };
    CopyProgressHooks progress;
    observer.copyingStarted(limit);
    // The chosen results are the first ones of the list.
    progress.advance = [&](int done) { observer.copied(std::min<qsizetype>(done, limit)); };
    // A file already in the folder stays unless --overwrite: the same bytes count as already
    // there, other bytes get a numbered name beside it.
    const CopyPolicy policy { options.overwrite ? ExistingFiles::Replace : ExistingFiles::Keep,
        true };
    const CopyRunResult copied = copyItems(items, options.copyTo, hooks, progress, policy);
    observer.finish();
    const CopySummary summary = summarizeCopies(items, copied, options.copyTo);
    for (const QString &line : summary.failureLines)
        printLine(err, QStringLiteral("  not copied: ") + line);
    printLine(err, summary.line);
    if (copied.cancelled)
        return cancelledStatus();
    return copied.failures() > 0 ? CliFailed : CliOk;
}

int runSearch(const CliOptions &options, const AppPaths &shared, const Settings &userSettings,
    CliStreams streams)
{
    if (const std::optional<QString> refused = refusal(options, shared)) {
        printError(streams.err, *refused);
        return CliBadInput;
    }
    // A working folder of its own, so runs go side by side with each other and with the window.
    const SessionOpening opening = openPrivateSession(shared);
    if (opening.code != SessionOpening::Code::Opened) {
        printError(streams.err, opening.message);
        return CliFailed;
    }
    const AppPaths &paths = opening.session.paths;
    SearchRun search(paths, *opening.session.store);
    PhaseTimes times;
    CliObserver observer(streams.err, options.progress, interrupted, times);
    RunRequest request { options.keyword, options.locations,
        fixedWalkOptions(runWalkOptions(userSettings, options)), {} };
    request.limits.excludes = options.excludes;
    request.limits.skipHiddenFolders = options.skipHiddenFolders;
    const RunOutcome outcome = search.run(request, observer);
    observer.finish();
    if (interrupted.load() != 0 && outcome.end != RunOutcome::End::WorkFilesFailed) {
        printLine(streams.err, QStringLiteral("Cancelled, no report."));
        return cancelledStatus();
    }
    switch (outcome.end) {
    case RunOutcome::End::Finished:
        break;
    case RunOutcome::End::WorkFilesFailed:
    case RunOutcome::End::StoreFailed:
        printError(streams.err, outcome.message);
        return CliFailed;
    case RunOutcome::End::Cancelled:
        printLine(streams.err, QStringLiteral("Cancelled, no report."));
        return cancelledStatus();
    }
    const RunResults &results = *outcome.results;
    times.mark("report");

    std::vector<ReportLine> lines;
    lines.reserve(results.rows.size());
    for (const ReportRow &row : results.rows)
        lines.push_back(lineOf(row, results));
    errno = 0;
    const QByteArray report = options.paths == PathList::None ? formatReport(lines, options.format)
                                                              : formatPaths(lines, options.paths);
    if (!write(streams.out, report))
        return reportWriteFailure(streams.err);
    times.mark("output");
    reportUnreadable(streams.err, results, options.listUnreadable);
    int status = CliOk;
    if (lines.empty())
        printLine(streams.err, noResultsText(options.keyword).trimmed());
    else if (!options.copyTo.isEmpty())
        status = copyTop(options, results, observer, streams.err);
    times.mark("copy");
    WorkFolder(paths).removeResultsFolder();
    times.mark("clean-up");
    times.print(streams.err);
    return status;
}

} // namespace

void installInterruptHandler()
{
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    // A reader that went away makes the write fail, so the run can say so and clean up.
    std::signal(SIGPIPE, SIG_IGN);
}

int runCommandLine(const QStringList &arguments, const AppPaths &shared,
    const Settings &userSettings, CliStreams streams)
{
    interrupted.store(0);
    const ProgramRequest request = parseProgramArguments(arguments);
    if (const auto *text = std::get_if<TextRequest>(&request))
        return write(streams.out, text->text.toUtf8()) ? CliOk : reportWriteFailure(streams.err);
    if (const auto *error = std::get_if<CliUsageError>(&request)) {
        printError(streams.err, error->message);
        return CliBadInput;
    }
    if (const auto *options = std::get_if<CliOptions>(&request))
        return runSearch(*options, shared, userSettings, streams);
    printError(streams.err,
        QStringLiteral("nothing to search: give --search KEYWORD and "
                       "--location FOLDER"));
    return CliBadInput;
}

} // namespace lis
