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

void RunResults::groupIntoStacks()
{
    std::vector<StackCandidate> candidates;
    candidates.reserve(rows.size());
    for (const ReportRow &row : rows) {
        StackCandidate candidate { row.position, row.rank.toLongLong(), {}, {},
            row.pixels ? qint64(row.pixels->width()) * row.pixels->height() : 0 };
        if (const FileOutcome *outcome = outcomeFor(row.path)) {
            candidate.signature = outcome->signature;
            candidate.captureTime = outcome->captureTime;
            candidate.recoded = outcome->lineage == JpegLineage::Recoded;
        }
        candidates.push_back(candidate);
    }
    stacks = groupStacks(candidates);
}

StackPlace RunResults::stackOf(int row) const
{
    if (row < 0 || size_t(row) >= stacks.size())
        return { row + 1, 1, 1 };
    return stacks[size_t(row)];
}

std::vector<int> RunResults::similarRows(int row) const
{
    return otherRowsOfStack(stacks, row);
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
