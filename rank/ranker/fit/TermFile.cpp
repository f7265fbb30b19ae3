#include "TermFile.h"

#include "BitmapJudgement.h"
#include "SourceProbe.h"
#include "rank/WorkingBitmap.h"

#include <fstream>

namespace lis::ranker::fit {

std::optional<Measured> measureFile(const std::string &path)
{
    const PreparedBitmap prepared = prepareBitmap(QString::fromStdString(path));
    if (!prepared.ok())
        return std::nullopt;
    const std::vector<uint8_t> bytes(prepared.bitmap.begin(), prepared.bitmap.end());
    const auto features = measureBitmapFile(bytes, probeSource(path));
    if (!features)
        return std::nullopt;
    return Measured { modelTerms(*features), measureDefects(*features) };
}

std::vector<ScoredPhoto> readScores(const std::string &path)
{
    std::vector<ScoredPhoto> photos;
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto comma = line.rfind(',');
        if (comma == std::string::npos)
            continue;
        std::string name = line.substr(0, comma);
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
            name = name.substr(1, name.size() - 2);
        photos.push_back({ name, line.substr(comma + 1) });
    }
    return photos;
}

} // namespace lis::ranker::fit
