#pragma once

#include <QHash>
#include <QObject>
#include <functional>

class QTreeWidget;

namespace lis {

struct FileOutcome;
struct RunResults;
struct StackPlace;

// Why a result ranked where it did (the parts of its judgement), or why it could not be read.
QString explainOutcome(const FileOutcome *outcome);
// A report row's tooltip: the result's full path, as a person reads it, over the explanation.
// Rich text with every character of both escaped, so a name holding '<' shows as it is.
QString resultToolTip(const QString &path, const QString &explanation);
// Where a result stands among similar photos: "Best of 3 similar photos", "2nd of 3 similar
// photos"; empty for a photo like no other.
QString describeStackPlace(const StackPlace &place);
// The whole tooltip of a report row: its outcome, then its place in its stack.
QString explainReportRow(const RunResults &results, int row);

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
