#pragma once

#include <QHash>
#include <QSet>
#include <QString>

namespace lis {

// Where each result's reduced copy lives in the results folder. A copy is named with the image's
// own file name; a later result whose name is already taken in the run gets a distinct one, so a
// result never shows another file's picture.
class ResultsCopies
{
public:
    ResultsCopies() = default;
    explicit ResultsCopies(QString resultsFolder)
        : m_folder(std::move(resultsFolder))
    { }

    // Starts a new run writing into the given folder.
    void reset(const QString &resultsFolder);
    // The copy path for a source, assigning one on first use.
    QString assign(const QString &sourcePath);
    // The copy path assigned to a source, or the empty string when it has none.
    QString copyFor(const QString &sourcePath) const;
    const QString &folder() const { return m_folder; }
    qsizetype size() const { return m_bySource.size(); }

private:
    QString m_folder;
    QHash<QString, QString> m_bySource;
    QSet<QString> m_usedNames; // case-folded, so names stay distinct on any file system
};

} // namespace lis
