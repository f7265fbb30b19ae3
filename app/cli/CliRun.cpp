#include "app/cli/CliRun.h"

#include "app/cli/CliOptions.h"
#include "app/cli/ReportOutput.h"
#include "app/run/RunSteps.h"
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
#include <QElapsedTimer>
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

// Progress on standard error, at most a few times a second so a terminal keeps up.
class Progress
{
public:
    explicit Progress(std::FILE *stream)
        : m_stream(stream)
    {
        m_clock.start();
    }

    // Whether a line is due; the walk yields per directory entry, so the text is only made
    // when it will be shown.
    bool due() const { return m_clock.elapsed() >= 250; }

    void update(const QString &text, bool force = false)
    {
        if (!force && !due())
            return;
        m_clock.restart();
        print(m_stream, u'\r' + text + QStringLiteral("\x1b[K"));
        m_shown = true;
    }
    void done()
    {
        if (m_shown)
            print(m_stream, QStringLiteral("\n"));
        m_shown = false;
    }

private:
    std::FILE *m_stream;
    QElapsedTimer m_clock;
    bool m_shown = false;
};

// The opt-in phase breakdown (LIS_TIMINGS=1): wall time of each step of the run, printed on
// standard error after the report so normal output stays as it is.
class PhaseTimes
{
public:
    PhaseTimes()
        : m_enabled(qEnvironmentVariableIntValue("LIS_TIMINGS") == 1)
    {
        m_clock.start();
    }

    // Closes the phase under way, naming it.
    void mark(const char *phase)
    {
        if (m_enabled)
            m_phases.push_back({ phase, m_clock.nsecsElapsed() - m_total });
        m_total = m_clock.nsecsElapsed();
    }
    void print(std::FILE *stream) const
    {
        if (!m_enabled)
            return;
        for (const auto &[phase, nanoseconds] : m_phases) {
            std::fprintf(stream, "lis-timing %-12s %9.3f s %5.1f%%\n", phase,
                double(nanoseconds) / 1e9,
                m_total > 0 ? 100.0 * double(nanoseconds) / double(m_total) : 0.0);
        }
        std::fprintf(stream, "lis-timing %-12s %9.3f s\n", "total", double(m_total) / 1e9);
    }

private:
    bool m_enabled;
    QElapsedTimer m_clock;
    qint64 m_total = 0;
    std::vector<std::pair<const char *, qint64>> m_phases;
};

// The results copy holds exactly the bitmap the rank was computed on.
std::optional<QualityColumns> qualityOf(
    RankLibrary &ranker, const ResultsCopies &copies, const QString &path)
{
    const QString copy = copies.copyFor(path);
    if (copy.isEmpty())
        return std::nullopt;
    const auto scores = ranker.imageRankDetails(copy, path);
    if (!scores)
        return std::nullopt;
    const auto percent = [](double v) { return int(std::lround(std::clamp(v, 0.0, 100.0))); };
    return QualityColumns { percent(scores->sharpness), percent(scores->noise),
        percent(scores->exposure), percent(scores->contrast), percent(scores->compression) };
}

void reportUnreadable(std::FILE *err, const ProcessFilesResult &ranked, bool list)
{
    const auto unreadable = ranked.unreadable();
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

int copyTop(const CliOptions &options, const Report &report, const RunHooks &hooks, std::FILE *err)
{
    const qsizetype limit = options.top ? std::min<qsizetype>(*options.top, report.List1.size())
                                        : report.List1.size();
    QList<CopyItem> items;
    for (qsizetype i = 0; i < report.List1.size(); ++i)
        items.append({ report.List1[i], i < limit });
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

int runCommandLine(const QStringList &arguments, const AppPaths &paths,
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
        if (const std::optional<QString> refusal = copyDestinationRefusal(options.copyTo, paths)) {
            printLine(streams.err, *refusal);
            return CliBadInput;
        }
    }

    const SessionOpening opening = openSession(paths);
    if (opening.code != SessionOpening::Code::Opened) {
        printLine(streams.err, opening.message);
        return CliFailed;
    }
    ResultStore &store = *opening.session.store;
    RankLibrary ranker(paths.appFolder());
    const RunEngine engine { paths, fixedWalkOptions(runWalkOptions(userSettings, options)), store,
        ranker };

    Progress progress(streams.err);
    QStringList list2;
    QStringList list3;
    RunHooks hooks;
    hooks.cancelRequested = [] { return interrupted.load(); };
    hooks.yield = [&] {
        if (progress.due())
            progress.update(QStringLiteral("Searching... %1 file(s) found").arg(list2.size()));
    };
    const auto cleanUp = [&] { WorkFolder(paths).removeResultsFolder(); };

    PhaseTimes times;
    findImageFiles(engine, options.location, options.keyword, list2, list3, hooks);
    times.mark("walk");
    progress.update(QStringLiteral("Found %1 image file(s)").arg(list3.size()), true);
    progress.done();
    if (interrupted.load()) {
        cleanUp();
        printLine(streams.err, QStringLiteral("Cancelled."));
        return CliCancelled;
    }

    ResultsCopies copies;
    if (const auto error = prepareRanking(engine, copies)) {
        printLine(streams.err, QStringLiteral("lumetra-image-search: error: ") + error->message());
        return CliFailed;
    }
    times.mark("preparation");
    hooks.yield = [&] {
        if (progress.due())
            progress.update(
                QStringLiteral("Ranking... %1 of %2").arg(copies.size()).arg(list3.size()));
    };
    const ProcessFilesResult ranked = rankFoundFiles(engine, list3, copies, hooks);
    times.mark("ranking");
    progress.update(
        QStringLiteral("Ranked %1 of %2").arg(ranked.files.size()).arg(list3.size()), true);
    progress.done();
    if (ranked.writeFailure) {
        cleanUp();
        printLine(streams.err,
            QStringLiteral("lumetra-image-search: error: ")
                + writeFailureMessage(*ranked.writeFailure));
        return CliFailed;
    }
    if (interrupted.load() || ranked.cancelled) {
        cleanUp();
        printLine(streams.err,
            QStringLiteral("Cancelled: %1 of %2 file(s) ranked, no report.")
                .arg(ranked.files.size())
                .arg(list3.size()));
        return CliCancelled;
    }

    hooks.yield = nullptr;
    const std::vector<RankRow> stored = store.reportRows();
    times.mark("store");
    const Report report = buildReport(stored, hooks);
    times.mark("report");
    std::vector<ReportLine> lines;
    lines.reserve(report.rows.size());
    for (const ReportRow &row : report.rows) {
        lines.push_back({ row.position, row.name, row.size, row.type, row.width, row.height,
            row.rank, row.path, qualityOf(ranker, copies, row.path) });
    }
    times.mark("quality");
    errno = 0;
    if (!print(streams.out, formatReport(lines, options.format))) {
        const int status = reportWriteFailure(streams.err);
        cleanUp();
        return status;
    }
    times.mark("output");
    reportUnreadable(streams.err, ranked, options.listUnreadable);
    int status = CliOk;
    if (lines.empty())
        printLine(streams.err, noResultsText(options.keyword).trimmed());
    else if (!options.copyTo.isEmpty())
        status = copyTop(options, report, hooks, streams.err);
    times.mark("copy");
    cleanUp();
    times.mark("clean-up");
    times.print(streams.err);
    return status;
}

} // namespace lis
