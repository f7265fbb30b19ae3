#include "report/RunResults.h"

namespace lis {

const FileOutcome *RunResults::outcomeFor(const QString &path) const
{
    for (const FileOutcome &file : files) {
        if (file.path == path)
            return &file;
    }
    return nullptr;
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
