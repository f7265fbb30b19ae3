#include "WorkingBitmaps.h"

#include "rank/WorkingBitmap.h"

#include <algorithm>
#include <fstream>

namespace lis::bench {

std::string workingBitmap(const std::string &source, const std::filesystem::path &cacheDir)
{
    std::string key = source;
    std::replace(key.begin(), key.end(), '/', '_');
    const std::filesystem::path bmp = cacheDir / (key + ".bmp");
    if (std::filesystem::exists(bmp))
        return bmp.string();
    const PreparedBitmap prepared = prepareBitmap(QString::fromStdString(source));
    if (!prepared.ok())
        return {};
    std::ofstream(bmp, std::ios::binary)
        .write(prepared.bitmap.constData(), static_cast<std::streamsize>(prepared.bitmap.size()));
    return bmp.string();
}

} // namespace lis::bench
