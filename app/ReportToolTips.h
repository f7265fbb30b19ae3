#pragma once

#include <QHash>
#include <QObject>
#include <functional>

class QTreeWidget;

namespace lis {

struct FileOutcome;

// Why a result ranked where it did (the parts of its judgement), or why it could not be read.
QString explainOutcome(const FileOutcome *outcome);

// Explains a report row when the pointer rests on it. The text is worked out on demand, for the
// row under the pointer only, and kept until the next run clears it.
class ReportToolTips final : public QObject
{
    Q_OBJECT
public:
    // `explain` gives the text for the row at a report index.
    ReportToolTips(QTreeWidget *view, std::function<QString(int row)> explain);

    void clear() { m_texts.clear(); }
    // The text for a row, computed once.
    QString textFor(int row);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTreeWidget *m_view;
    std::function<QString(int row)> m_explain;
    QHash<int, QString> m_texts;
};

} // namespace lis
