#include "app/ReportToolTips.h"

#include "rank/ImageProblem.h"
#include "rank/ProcessFiles.h"
#include "rank/QualityParts.h"

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
