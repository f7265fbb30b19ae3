#include "copy/CopySummary.h"

#include "core/FileNames.h"

#include <QList>
#include <algorithm>
#include <utility>

namespace lis {

namespace {

// A few words naming why an item did not arrive, under which failures are counted together.
QString failureKind(const CopyResult &result)
{
    switch (result.status) {
    case CopyStatus::ReadOnlyTarget:
        return QStringLiteral("read-only file kept");
    case CopyStatus::LinkAtDestination:
        return QStringLiteral("link kept");
    case CopyStatus::ProtectedOriginal:
        return QStringLiteral("another result has the name");
    case CopyStatus::SourceMissing:
        return QStringLiteral("result file gone");
    default:
        break;
    }
    switch (result.problem) {
    case CopyProblem::NoSpace:
        return QStringLiteral("no space left");
    case CopyProblem::ReadOnlyFolder:
        return QStringLiteral("folder not writable");
    case CopyProblem::NoFolder:
        return QStringLiteral("no output folder");
    case CopyProblem::NotAFile:
        return QStringLiteral("not a file under the name");
    case CopyProblem::SourceGone:
        return QStringLiteral("result file gone");
    case CopyProblem::SourceUnreadable:
        return QStringLiteral("result file unreadable");
    case CopyProblem::SourceChanged:
        return QStringLiteral("result file changed");
    case CopyProblem::None:
    case CopyProblem::WriteFailed:
        break;
    }
    return QStringLiteral("write failed");
}

} // namespace

bool isCopyFailure(CopyStatus status)
{
    switch (status) {
    case CopyStatus::NotSelected:
    case CopyStatus::Copied:
    case CopyStatus::SameFile:
    case CopyStatus::AlreadyThere:
    case CopyStatus::Replaced:
    case CopyStatus::Cancelled:
        return false;
    case CopyStatus::ProtectedOriginal:
    case CopyStatus::ReadOnlyTarget:
    case CopyStatus::SourceMissing:
    case CopyStatus::Failed:
    case CopyStatus::LinkAtDestination:
        return true;
    }
    return true;
}

QString notCopiedReason(const CopyResult &result)
{
    switch (result.status) {
    case CopyStatus::NotSelected:
    case CopyStatus::Copied:
    case CopyStatus::Replaced:
    case CopyStatus::Cancelled:
        return {};
    case CopyStatus::AlreadyThere:
        return QStringLiteral("a file with the same bytes is already there");
    case CopyStatus::SameFile:
        return QStringLiteral("it is the result file itself");
    case CopyStatus::ProtectedOriginal:
        return QStringLiteral("another result's own file has that name");
    case CopyStatus::ReadOnlyTarget:
        return QStringLiteral("a read-only file of that name is kept");
    case CopyStatus::LinkAtDestination:
        return QStringLiteral("a link of that name is kept");
    case CopyStatus::SourceMissing:
        return QStringLiteral("the result file is gone or is no longer a file");
    case CopyStatus::Failed:
        break;
    }
    QString reason;
    switch (result.problem) {
    case CopyProblem::NoSpace:
        reason = QStringLiteral("no space left on the disk");
        break;
    case CopyProblem::ReadOnlyFolder:
        reason = QStringLiteral("the output folder cannot be written to");
        break;
    case CopyProblem::NoFolder:
        reason = QStringLiteral("the output folder cannot be opened");
        break;
    case CopyProblem::NotAFile:
        reason = QStringLiteral("something that is not a file has that name");
        break;
    case CopyProblem::SourceGone:
        reason = QStringLiteral("the result file is gone");
        break;
    case CopyProblem::SourceUnreadable:
        reason = QStringLiteral("the result file cannot be read");
        break;
    case CopyProblem::SourceChanged:
        reason = QStringLiteral("the result file changed while it was copied");
        break;
    case CopyProblem::None:
    case CopyProblem::WriteFailed:
        reason = QStringLiteral("the copy could not be written");
        break;
    }
    return result.error.isEmpty() ? reason : reason + QStringLiteral(" (") + result.error + u')';
}

CopySummary summarizeCopies(
    const QList<CopyItem> &items, const CopyRunResult &run, const QString &outputFolder)
{
    CopySummary summary;
    QList<std::pair<QString, int>> kinds; // in the order first seen
    qsizetype failed = 0;
    for (qsizetype i = 0; i < run.results.size(); ++i) {
        const CopyResult &result = run.results[i];
        if (!isCopyFailure(result.status))
            continue;
        ++failed;
        const QString source = i < items.size() ? items[i].path : result.destination;
        summary.failureLines.append(
            displayPath(source) + QStringLiteral(": ") + notCopiedReason(result));
        const QString kind = failureKind(result);
        auto seen = std::find_if(kinds.begin(), kinds.end(),
            [&](const std::pair<QString, int> &k) { return k.first == kind; });
        if (seen == kinds.end())
            kinds.append({ kind, 1 });
        else
            ++seen->second;
    }
    QString reasons;
    for (const auto &[kind, count] : std::as_const(kinds))
        reasons += (reasons.isEmpty() ? QString() : QStringLiteral(", ")) + kind
            + QStringLiteral(": ") + QString::number(count);
    summary.line = QStringLiteral("Copied %1, already there %2, replaced %3, failed %4%5 to %6")
                       .arg(run.count(CopyStatus::Copied))
                       .arg(run.count(CopyStatus::AlreadyThere) + run.count(CopyStatus::SameFile))
                       .arg(run.count(CopyStatus::Replaced))
                       .arg(failed)
                       .arg(reasons.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reasons),
                           displayPath(outputFolder));
    if (run.cancelled) {
        qsizetype notReached = 0;
        for (qsizetype i = run.results.size(); i < items.size(); ++i)
            notReached += items[i].selected ? 1 : 0;
        summary.line += QStringLiteral("; cancelled, %1 not copied").arg(notReached);
    }
    return summary;
}

} // namespace lis
