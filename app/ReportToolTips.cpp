#include "app/ReportToolTips.h"

#include "core/FileNames.h"
#include "rank/ImageProblem.h"
#include "rank/ProcessFiles.h"
#include "rank/QualityParts.h"
#include "report/RunResults.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QTreeWidget>

namespace lis {

QString explainOutcome(const FileOutcome *outcome)
{
    if (!outcome)
        return {};
    if (outcome->problem != ImageProblem::None)
        return QStringLiteral("Not ranked: %1").arg(describeProblem(outcome->problem));
    if (!outcome->ranked)
        return QStringLiteral("Not ranked: the ranking library is not available.");
    if (outcome->rank == 0)
        return QStringLiteral("Not ranked: the ranking library could not judge this image.");
    if (!outcome->scores)
        return QStringLiteral("Ranked; the ranking library tells nothing more of its judgement.");
    const QualityParts parts = qualityParts(*outcome->scores);
    return QStringLiteral("Sharpness %1\nNoise %2\nExposure %3\nContrast %4\nCompression %5\n"
                          "(100 is best)")
        .arg(parts.sharpness)
        .arg(parts.noise)
        .arg(parts.exposure)
        .arg(parts.contrast)
        .arg(parts.compression);
}

QString resultToolTip(const QString &path, const QString &explanation)
{
    // Rich text only to keep it plain: a tooltip that merely looks like markup would be parsed.
    // The path keeps its one line however long it is; the explanation keeps its lines.
    QString text = QStringLiteral("<p style=\"white-space:pre\">%1</p>")
                       .arg(displayPath(path).toHtmlEscaped());
    if (!explanation.isEmpty())
        text += QStringLiteral("<p style=\"white-space:pre\">%1</p>")
                    .arg(explanation.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>")));
    return text;
}

QString describeStackPlace(const StackPlace &place)
{
    if (place.size < 2)
        return {};
    if (place.position == 1)
        return QStringLiteral("Best of %1 similar photos").arg(place.size);
    const int n = place.position;
    const int lastTwo = n % 100;
    const char *suffix = "th";
    if (lastTwo < 11 || lastTwo > 13) {
        switch (n % 10) {
        case 1:
            suffix = "st";
            break;
        case 2:
            suffix = "nd";
            break;
        case 3:
            suffix = "rd";
            break;
        default:
            break;
        }
    }
    return QStringLiteral("%1%2 of %3 similar photos")
        .arg(n)
        .arg(QLatin1String(suffix))
        .arg(place.size);
}

QString explainReportRow(const RunResults &results, int row)
{
    if (row < 0 || row >= results.List1.size())
        return {};
    QString text = explainOutcome(results.outcomeFor(results.List1[row]));
    const QString stack = describeStackPlace(results.stackOf(row));
    if (!stack.isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + stack;
    return text;
}

ReportToolTips::ReportToolTips(QTreeWidget *view, std::function<QString(int row)> explain)
    : QObject(view)
    , m_view(view)
    , m_explain(std::move(explain))
{
    view->viewport()->installEventFilter(this);
}

QString ReportToolTips::textFor(int row)
{
    if (const auto it = m_texts.constFind(row); it != m_texts.cend())
        return *it;
    QString text = m_explain(row);
    m_texts.insert(row, text);
    return text;
}

bool ReportToolTips::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QObject::eventFilter(watched, event);
    const auto *help = static_cast<QHelpEvent *>(event);
    QTreeWidgetItem *item = m_view->itemAt(help->pos());
    const int row = item ? m_view->indexOfTopLevelItem(item) : -1;
    const QString text = row >= 0 ? textFor(row) : QString();
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), text, m_view->viewport());
    return true;
}

} // namespace lis
