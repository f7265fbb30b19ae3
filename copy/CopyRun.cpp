#include "copy/CopyRun.h"

#include "core/UserFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

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

// "photo.jpg" → "photo (2).jpg"; the extension stays last so the copy keeps its type's name.
QString numberedName(const QString &name, int number)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString suffix = QStringLiteral(" (%1)").arg(number);
    return dot <= 0 ? name + suffix : name.left(dot) + suffix + name.mid(dot);
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
    const RunHooks &hooks, const CopyProgressHooks &progress)
{
    const int total = static_cast<int>(std::min<qsizetype>(items.size(), INT_MAX));
    if (progress.begin)
        progress.begin(total);

    const FileCopier copier(originalsOf(items));
    NameKeeper names(outputFolder);
    CopyRunResult run;
    run.results.reserve(total);
    for (int i = 0; i < total; ++i) {
        hooks.doYield();
        if (hooks.isCancelRequested()) {
            if (progress.reset)
                progress.reset();
            hooks.doCancelCleanup();
            run.cancelled = true;
            return run;
        }
        const CopyItem &item = items.at(i);
        if (item.selected) {
            CopyResult result = copier.copy(item.path, outputFolder, names.nameFor(item.path));
            if (result.status == CopyStatus::ProtectedOriginal
                || result.status == CopyStatus::LinkAtDestination) {
                // Another result or a link of the user's lives under that name: it stays, this
                // one comes in beside it.
                result = copier.copy(item.path, outputFolder, names.freeNumberedName(item.path));
            }
            if (result.status == CopyStatus::Copied)
                names.wrote(result.destination);
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
