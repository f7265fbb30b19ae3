#include "rank/RankLibrary.h"

#include "core/FileNames.h"

#include <QDir>
#include <QFileInfo>
#include <cstring>

namespace lis {

namespace {

constexpr qsizetype kPrefixBytes = sizeof(std::int32_t);
// A length beyond this means the library replaced the text with something we cannot trust.
constexpr std::int32_t kMaxReturnedBytes = 64 * 1024;

} // namespace

AutomationString::AutomationString(const QByteArray &utf8)
    : m_buffer(kPrefixBytes + utf8.size() + 1, '\0')
{
    const auto length = static_cast<std::int32_t>(utf8.size());
    std::memcpy(m_buffer.data(), &length, kPrefixBytes);
    std::memcpy(m_buffer.data() + kPrefixBytes, utf8.constData(), size_t(utf8.size()));
    m_text = m_buffer.data() + kPrefixBytes;
}

QByteArray AutomationString::current() const
{
    if (!m_text)
        return {};
    std::int32_t length = 0;
    std::memcpy(&length, m_text - kPrefixBytes, kPrefixBytes);
    if (length < 0 || length > kMaxReturnedBytes)
        return {};
    return QByteArray(m_text, length);
}

RankLibrary::RankLibrary(QString appFolder)
    : m_appFolder(std::move(appFolder))
{ }

std::unique_ptr<RankLibrary> RankLibrary::forFile(const QString &libraryFile)
{
    std::unique_ptr<RankLibrary> binding(new RankLibrary());
    binding->m_exactFile = libraryFile;
    return binding;
}

RankLibrary::~RankLibrary() = default; // the library stays loaded; QLibrary unloads nothing

QString RankLibrary::fileName()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("Lumetra_Image_Search.dll");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("libLumetra_Image_Search.dylib");
#else
    return QStringLiteral("libLumetra_Image_Search.so");
#endif
}

QString RankLibrary::baseName()
{
    return QStringLiteral("Lumetra_Image_Search");
}

bool RankLibrary::tryLoad(const QString &name)
{
    m_library.setFileName(name);
    return m_library.load();
}

void RankLibrary::ensureLoaded()
{
    if (m_loadAttempts > 0)
        return;
    ++m_loadAttempts;
    bool loaded = false;
    if (!m_exactFile.isEmpty()) {
        loaded = QFileInfo::exists(m_exactFile) && tryLoad(m_exactFile);
    } else {
        // Beside the program first, then where an installed copy keeps it, then the system's
        // search.
        const QString beside = QDir(m_appFolder).filePath(fileName());
        const QString installed = QDir(m_appFolder + QStringLiteral("/../lib/lumetra-image-search"))
                                      .filePath(fileName());
        loaded = (QFileInfo::exists(beside) && tryLoad(beside))
            || (QFileInfo::exists(installed) && tryLoad(installed)) || tryLoad(baseName());
    }
    if (!loaded)
        return;
    m_imageRank = reinterpret_cast<ImageRankFn>(m_library.resolve("ImageRank"));
    m_imageRankSource = reinterpret_cast<ImageRankSourceFn>(m_library.resolve("ImageRankSource"));
    m_imageRankDetails
        = reinterpret_cast<ImageRankDetailsFn>(m_library.resolve("ImageRankDetails"));
    m_imageRankWithScores
        = reinterpret_cast<ImageRankWithScoresFn>(m_library.resolve("ImageRankWithScores"));
}

bool RankLibrary::isAvailable()
{
    ensureLoaded();
    return m_imageRank != nullptr;
}

QString RankLibrary::loadedFile() const
{
    return m_library.isLoaded() ? m_library.fileName() : QString();
}

void RankLibrary::tellSource(const QString &sourcePath)
{
    // The file's own name bytes, so a name that is not UTF-8 names the same file there too.
    if (m_imageRankSource && !sourcePath.isEmpty())
        m_imageRankSource(pathToBytes(sourcePath).constData());
}

std::optional<std::int32_t> RankLibrary::imageRank(
    const QString &workingBitmap, const QString &sourcePath)
{
    ensureLoaded();
    if (!m_imageRank)
        return std::nullopt;
    tellSource(sourcePath);
    AutomationString text(workingBitmap.toUtf8());
    const std::int32_t rank = m_imageRank(text.argument());
    m_lastReturnedPath = QString::fromUtf8(text.current());
    return rank;
}

std::optional<ImageRankScores> RankLibrary::imageRankDetails(
    const QString &workingBitmap, const QString &sourcePath)
{
    ensureLoaded();
    if (!m_imageRankDetails)
        return std::nullopt;
    tellSource(sourcePath);
    ImageRankScores scores {};
    m_imageRankDetails(workingBitmap.toUtf8().constData(), &scores);
    return scores;
}

std::optional<RankJudgement> RankLibrary::imageRankWithScores(
    const QString &workingBitmap, const QString &sourcePath)
{
    ensureLoaded();
    if (!m_imageRankWithScores && m_imageRank && m_imageRankDetails) {
        // An older library: its details call ranks and gives the parts in the same pass.
        const std::optional<ImageRankScores> scores = imageRankDetails(workingBitmap, sourcePath);
        return RankJudgement { scores->rank, scores };
    }
    if (!m_imageRankWithScores) {
        const std::optional<std::int32_t> rank = imageRank(workingBitmap, sourcePath);
        if (!rank)
            return std::nullopt;
        return RankJudgement { *rank, std::nullopt };
    }
    tellSource(sourcePath);
    AutomationString text(workingBitmap.toUtf8());
    ImageRankScores scores {};
    const std::int32_t rank = m_imageRankWithScores(text.argument(), &scores);
    m_lastReturnedPath = QString::fromUtf8(text.current());
    return RankJudgement { rank, scores };
}

} // namespace lis
