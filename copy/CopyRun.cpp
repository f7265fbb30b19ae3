#include "copy/CopyRun.h"

#include "copy/CopyDestination.h"
#include "core/UserFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <cstring>
#include <optional>

namespace lis {

namespace {

// The list's own files, so that no copy lands on a result that is still to be copied or that
// the user keeps where it is.
std::set<FileIdentity> originalsOf(const QList<CopyItem> &items)
{
    std::set<FileIdentity> originals;
    for (const CopyItem &item : items) {
        if (const std::optional<FileIdentity> identity = FileIdentity::of(item.path))
            originals.insert(*identity);
    }
    return originals;
}

// Results from different folders may share a file name. The first keeps it; a later one gets a
// numbered name that neither this run nor anything already in the folder uses, so one chosen
// result never silently replaces another.
class NameKeeper
{
public:
    explicit NameKeeper(QString folder)
        : m_folder(std::move(folder))
    { }

    // The file name to copy a source under; empty for its own.
    QString nameFor(const QString &source) const
    {
        return m_written.contains(destinationFor(source, m_folder).toCaseFolded())
            ? freeNumberedName(source)
            : QString();
    }
    // The source's name with the first number that no file in the folder and no copy of this
    // run has.
    QString freeNumberedName(const QString &source) const
    {
        const QString name = QFileInfo(QDir::fromNativeSeparators(source)).fileName();
        for (int number = 2;; ++number) {
            QString candidate = numberedName(name, number);
            const QString path = destinationFor(source, m_folder, candidate);
            if (!m_written.contains(path.toCaseFolded()) && !statPath(path, false))
                return candidate;
        }
    }
    void wrote(const QString &destination) { m_written.insert(destination.toCaseFolded()); }

private:
    QString m_folder;
    QSet<QString> m_written;
};

} // namespace

qsizetype CopyRunResult::count(CopyStatus status) const
{
    return std::count_if(results.cbegin(), results.cend(),
        [status](const CopyResult &r) { return r.status == status; });
}

qsizetype CopyRunResult::failures() const
{
    return std::count_if(results.cbegin(), results.cend(),
        [](const CopyResult &r) { return isCopyFailure(r.status); });
}

CopyRunResult copyItems(const QList<CopyItem> &items, const QString &outputFolder,
    const RunHooks &hooks, const CopyProgressHooks &progress, const CopyPolicy &policy)
{
    const int total = static_cast<int>(std::min<qsizetype>(items.size(), INT_MAX));
    if (progress.begin)
        progress.begin(total);

    CopyRunResult run;
    const auto cancel = [&] {
        if (progress.reset)
            progress.reset();
        hooks.doCancelCleanup();
        run.cancelled = true;
    };
    const FileCopier copier(originalsOf(items), hooks);
    NameKeeper names(outputFolder);
    const auto copyOne = [&](const QString &source) {
        if (policy.existingFiles == ExistingFiles::Keep)
            return copier.copyKeeping(source, outputFolder);
        CopyResult result = copier.copy(source, outputFolder, names.nameFor(source));
        if (result.status == CopyStatus::ProtectedOriginal
            || result.status == CopyStatus::LinkAtDestination) {
            // Another result or a link of the user's lives under that name: it stays, this one
            // comes in beside it.
            result = copier.copy(source, outputFolder, names.freeNumberedName(source));
        }
        if (result.status == CopyStatus::Copied || result.status == CopyStatus::Replaced)
            names.wrote(result.destination);
        return result;
    };
    // Made once, before the first chosen item; a failure stands for every chosen item.
    std::optional<int> folderError;
    if (!policy.createMissingFolder)
        folderError = 0;

    run.results.reserve(total);
    for (int i = 0; i < total; ++i) {
        hooks.doYield();
        if (hooks.isCancelRequested()) {
            cancel();
            return run;
        }
        const CopyItem &item = items.at(i);
        if (item.selected) {
            if (!folderError)
                folderError = makeOutputFolder(outputFolder);
            CopyResult result = *folderError == 0
                ? copyOne(item.path)
                : CopyResult { CopyStatus::Failed, destinationFor(item.path, outputFolder),
                      QStringLiteral("making the output folder: ")
                          + QString::fromLocal8Bit(std::strerror(*folderError)),
                      CopyProblem::NoFolder };
            if (result.status == CopyStatus::Cancelled) {
                cancel();
                return run;
            }
            run.results.append(std::move(result));
        } else {
            run.results.append({ CopyStatus::NotSelected, {}, {} });
        }
        hooks.doYield();
        if (progress.advance)
            progress.advance(i + 1);
    }
    return run;
}

} // namespace lis
