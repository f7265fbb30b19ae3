#include "app/cli/CliRun.h"

#include "app/cli/CliObserver.h"
#include "app/cli/CliOptions.h"
#include "app/cli/ReportOutput.h"
#include "app/run/RunSteps.h"
#include "app/run/SearchRun.h"
#include "app/run/Session.h"
#include "copy/CopyDestination.h"
#include "copy/CopyRun.h"
#include "core/AppPaths.h"
#include "core/FileNames.h"
#include "core/RunHooks.h"
#include "core/Settings.h"
#include "core/WorkFolder.h"
#include "rank/ImageProblem.h"
#include "rank/RankLibrary.h"
#include "rank/ResultsCopies.h"
#include "report/ReportModel.h"
#include "store/ResultStore.h"

#include <QDir>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>

namespace lis {

namespace {

std::atomic<bool> interrupted { false };

extern "C" void onInterrupt(int)
{
    interrupted.store(true);
}

// Paths go out as the bytes the file system knows them by. False when the text could not be
// written whole (a full disk, a closed stream).
bool print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = pathToBytes(text);
    const bool written
        = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
    return std::fflush(stream) == 0 && written && !std::ferror(stream);
}

void printLine(std::FILE *stream, const QString &text)
{
    print(stream, text + u'\n');
}

// A report that did not reach its reader is a failed run, said on standard error.
int reportWriteFailure(std::FILE *err)
{
    printLine(err,
        QStringLiteral("lumetra-image-search: error: the report could not be written (%1)")
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

// The parts of the judgement, from the same ranking call as the rank.
std::optional<QualityParts> qualityOf(const RunResults &results, const QString &path)
{
    const FileOutcome *outcome = results.outcomeFor(path);
    if (!outcome || !outcome->scores)
        return std::nullopt;
    return qualityParts(*outcome->scores);
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

// Refuses an output folder before the run starts, so a long search never ends in copies that
// cannot be made or would be deleted with the working folder.
std::optional<QString> copyDestinationRefusal(const QString &outputFolder, const AppPaths &paths)
{
    switch (checkCopyDestination(outputFolder, paths.workFolder())) {
    case DestinationRefusal::None:
        return std::nullopt;
    case DestinationRefusal::NotAFolder:
        return QStringLiteral("The output folder %1 does not exist.")
            .arg(displayPath(outputFolder));
    case DestinationRefusal::InsideWorkFolder:
        return QStringLiteral("The output folder %1 is inside the program's working folder %2, "
                              "which is emptied after every run; choose another folder.")
            .arg(displayPath(outputFolder), displayPath(paths.workFolder()));
    }
    return std::nullopt;
}

int copyTop(const CliOptions &options, const RunResults &results, std::FILE *err)
{
    const QStringList &List1 = results.List1;
    const qsizetype limit
        = options.top ? std::min<qsizetype>(*options.top, List1.size()) : List1.size();
    QList<CopyItem> items;
    for (qsizetype i = 0; i < List1.size(); ++i)
        items.append({ List1[i], i < limit });
    RunHooks hooks;
    hooks.cancelRequested = [] { return interrupted.load(); };
    const CopyRunResult copied = copyItems(items, options.copyTo, hooks);
    printLine(err,
        QStringLiteral("Copied %1 of %2 file(s) to %3")
            .arg(copied.count(CopyStatus::Copied))
            .arg(limit)
            .arg(displayPath(options.copyTo)));
    for (const CopyResult &result : copied.results) {
        if (const QString reason = notCopiedReason(result); !reason.isEmpty())
            printLine(err,
                QStringLiteral("  not copied: %1: %2")
                    .arg(displayPath(result.destination), reason));
    }
    if (copied.cancelled)
        return CliCancelled;
    if (const qsizetype failures = copied.failures(); failures > 0) {
        printLine(err, QStringLiteral("%1 file(s) could not be copied.").arg(failures));
        return CliFailed;
    }
    return CliOk;
}

} // namespace

void installInterruptHandler()
{
    std::signal(SIGINT, onInterrupt);
    // A reader that went away makes the write fail, so the run can say so and clean up.
    std::signal(SIGPIPE, SIG_IGN);
}

int runCommandLine(const QStringList &arguments, const AppPaths &shared,
    const Settings &userSettings, CliStreams streams)
{
    interrupted.store(false);
    const CliParseResult parsed = parseCommandLine(arguments);
    if (const auto *help = std::get_if<CliHelp>(&parsed))
        return print(streams.out, help->text) ? CliOk : reportWriteFailure(streams.err);
    if (const auto *error = std::get_if<CliUsageError>(&parsed)) {
        printLine(streams.err, error->message);
        return CliBadInput;
    }
    const CliOptions &options = std::get<CliOptions>(parsed);
    if (const RunRefusal refusal = checkRunInput(options.keyword, options.location);
        refusal != RunRefusal::None) {
        printLine(streams.err, refusalText(refusal));
        return CliBadInput;
    }
    if (!options.copyTo.isEmpty()) {
        if (const std::optional<QString> refusal = copyDestinationRefusal(options.copyTo, shared)) {
            printLine(streams.err, *refusal);
            return CliBadInput;
        }
    }

    // A working folder of its own, so runs go side by side with each other and with the window.
    const SessionOpening opening = openPrivateSession(shared);
    if (opening.code != SessionOpening::Code::Opened) {
        printLine(streams.err, opening.message);
        return CliFailed;
    }
    const AppPaths &paths = opening.session.paths;
    SearchRun search(paths, *opening.session.store);
    const auto cleanUp = [&] { WorkFolder(paths).removeResultsFolder(); };
    PhaseTimes times;
    CliObserver observer(streams.err, interrupted, times);
    const RunOutcome outcome
        = search.run({ options.keyword, options.location,
                         fixedWalkOptions(runWalkOptions(userSettings, options)) },
            observer);
    observer.finish();
    switch (outcome.end) {
    case RunOutcome::End::Finished:
        break;
    case RunOutcome::End::WorkFilesFailed:
    case RunOutcome::End::StoreFailed:
        cleanUp();
        printLine(streams.err, QStringLiteral("lumetra-image-search: error: ") + outcome.message);
        return CliFailed;
    case RunOutcome::End::Cancelled:
        cleanUp();
        printLine(streams.err, QStringLiteral("Cancelled, no report."));
        return CliCancelled;
    }
    const RunResults &results = *outcome.results;
    times.mark("report");

    std::vector<ReportLine> lines;
    lines.reserve(results.rows.size());
    for (const ReportRow &row : results.rows) {
        lines.push_back({ row.position, row.name, row.size, row.type, row.width, row.height,
            row.rank, row.path, qualityOf(results, row.path) });
    }
    times.mark("quality");
    errno = 0;
    if (!print(streams.out, formatReport(lines, options.format))) {
        const int status = reportWriteFailure(streams.err);
        cleanUp();
        return status;
    }
    times.mark("output");
    reportUnreadable(streams.err, results, options.listUnreadable);
    int status = CliOk;
    if (lines.empty())
        printLine(streams.err, noResultsText(options.keyword).trimmed());
    else if (!options.copyTo.isEmpty())
        status = copyTop(options, results, streams.err);
    times.mark("copy");
    cleanUp();
    times.mark("clean-up");
    times.print(streams.err);
    return status;
}

} // namespace lis
