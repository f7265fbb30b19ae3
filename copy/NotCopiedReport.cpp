#include "copy/NotCopiedReport.h"

#include "core/FileNames.h"

#include <QDir>
#include <QStringList>
#include <algorithm>

namespace lis {

namespace {

// A message box shows every line it is given: past this many results a cause only counts the
// rest.
constexpr qsizetype namedPerCause = 10;

struct Cause
{
    QString text;
    QStringList sources;
};

QString capitalized(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

qsizetype chosenCount(const QList<CopyItem> &items)
{
    return std::count_if(
        items.cbegin(), items.cend(), [](const CopyItem &item) { return item.selected; });
}

QString heading(qsizetype notCopied, qsizetype chosen, const QString &folder)
{
    if (chosen == 1)
        return QStringLiteral("The chosen result was not copied to %1.").arg(folder);
    return QStringLiteral("%1 of the %2 chosen results %3 not copied to %4.")
        .arg(notCopied)
        .arg(chosen)
        .arg(notCopied == 1 ? QStringLiteral("was") : QStringLiteral("were"), folder);
}

} // namespace

QString notCopiedReport(
    const QList<CopyItem> &items, const CopyRunResult &run, const QString &outputFolder)
{
    QList<Cause> causes;
    qsizetype notCopied = 0;
    for (qsizetype i = 0; i < run.results.size() && i < items.size(); ++i) {
        const CopyResult &result = run.results[i];
        if (!isCopyFailure(result.status))
            continue;
        ++notCopied;
        const QString text = notCopiedCause(result);
        auto cause = std::find_if(
            causes.begin(), causes.end(), [&](const Cause &c) { return c.text == text; });
        if (cause == causes.end())
            cause = causes.insert(causes.end(), { text, {} });
        cause->sources.append(items[i].path);
    }
    if (notCopied == 0)
        return {};

    QStringList lines { heading(notCopied, chosenCount(items),
                            displayPath(QDir::cleanPath(QDir::fromNativeSeparators(outputFolder)))),
        QString() };
    for (const Cause &cause : std::as_const(causes)) {
        lines.append(
            capitalized(cause.text) + QStringLiteral(": ") + QString::number(cause.sources.size()));
        for (qsizetype i = 0; i < std::min(cause.sources.size(), namedPerCause); ++i)
            lines.append(QStringLiteral("    ") + displayPath(cause.sources[i]));
        if (cause.sources.size() > namedPerCause)
            lines.append(
                QStringLiteral("    and %1 more").arg(cause.sources.size() - namedPerCause));
    }
    if (run.cancelled) {
        qsizetype notReached = 0;
        for (qsizetype i = run.results.size(); i < items.size(); ++i)
            notReached += items[i].selected ? 1 : 0;
        lines.append(QString());
        lines.append(notReached == 1
                ? QStringLiteral("The copy was cancelled with 1 chosen result not yet copied.")
                : QStringLiteral("The copy was cancelled with %1 chosen results not yet copied.")
                      .arg(notReached));
    }
    return lines.join(u'\n');
}

} // namespace lis
