#include "copy/CopyRun.h"

#include <algorithm>

namespace lis {

namespace {

// The list's own files, so that no copy lands on a result that is still to be copied or that
// the user keeps where it is.
QSet<QString> originalsOf(const QList<CopyItem> &items)
{
    QSet<QString> originals;
    originals.reserve(items.size());
    for (const CopyItem &item : items) {
        QString canonical = FileCopier::canonicalOf(item.path);
        if (!canonical.isEmpty())
            originals.insert(std::move(canonical));
    }
    return originals;
}

} // namespace

qsizetype CopyRunResult::count(CopyStatus status) const
{
    return std::count_if(results.cbegin(), results.cend(),
        [status](const CopyResult &r) { return r.status == status; });
}

CopyRunResult copyItems(const QList<CopyItem> &items, const QString &outputFolder,
    const RunHooks &hooks, const CopyProgressHooks &progress)
{
    const int total = static_cast<int>(std::min<qsizetype>(items.size(), INT_MAX));
    if (progress.begin)
        progress.begin(total);

    const FileCopier copier(originalsOf(items));
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
        run.results.append(item.selected ? copier.copy(item.path, outputFolder)
                                         : CopyResult { CopyStatus::NotSelected, {}, {} });
        hooks.doYield();
        if (progress.advance)
            progress.advance(i + 1);
    }
    return run;
}

} // namespace lis
