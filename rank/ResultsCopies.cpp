#include "rank/ResultsCopies.h"

#include "core/FileNames.h"

namespace lis {

namespace {

QString fileNameOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? path : path.mid(slash + 1);
}

// "photo.jpg" → "photo (2).jpg"; the extension stays last so the copy keeps its type's name.
QString numberedName(const QString &name, int number)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString suffix = QStringLiteral(" (%1)").arg(number);
    return dot <= 0 ? name + suffix : name.left(dot) + suffix + name.mid(dot);
}

} // namespace

void ResultsCopies::reset(const QString &resultsFolder)
{
    m_folder = resultsFolder;
    m_bySource.clear();
    m_usedNames.clear();
}

QString ResultsCopies::assign(const QString &sourcePath)
{
    if (const auto it = m_bySource.constFind(sourcePath); it != m_bySource.cend())
        return *it;
    // The copy is the program's own file: a name that is not UTF-8 is given its readable form,
    // which every reader of the folder can open; the map keeps it apart from any other.
    const QString name = displayPath(fileNameOf(sourcePath));
    QString candidate = name;
    for (int number = 2; m_usedNames.contains(candidate.toCaseFolded()); ++number)
        candidate = numberedName(name, number);
    m_usedNames.insert(candidate.toCaseFolded());
    QString copy = m_folder + u'/' + candidate;
    m_bySource.insert(sourcePath, copy);
    return copy;
}

QString ResultsCopies::copyFor(const QString &sourcePath) const
{
    return m_bySource.value(sourcePath);
}

} // namespace lis
