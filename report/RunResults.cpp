#include "report/RunResults.h"

namespace lis {

void RunResults::indexFiles()
{
    m_fileIndex.clear();
    m_fileIndex.reserve(qsizetype(files.size()));
    for (qsizetype i = 0; i < qsizetype(files.size()); ++i)
        m_fileIndex.insert(files[size_t(i)].path, i);
}

const FileOutcome *RunResults::outcomeFor(const QString &path) const
{
    const auto at = m_fileIndex.constFind(path);
    return at == m_fileIndex.cend() ? nullptr : &files[size_t(*at)];
}

std::vector<const FileOutcome *> RunResults::unreadable() const
{
    std::vector<const FileOutcome *> list;
    for (const FileOutcome &file : files) {
        if (file.problem != ImageProblem::None)
            list.push_back(&file);
    }
    return list;
}

} // namespace lis
