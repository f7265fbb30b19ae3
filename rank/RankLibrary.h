#pragma once

#include "rank/ranker/include/lumetra_image_rank.h"

#include <QLibrary>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

namespace lis {

// A rank and, when the library judged it in one pass with its parts, those parts.
struct RankJudgement
{
    std::int32_t rank = 0;
    std::optional<ImageRankScores> scores;
};

// The binding to the ranking library. Nothing is loaded at construction: the library is looked
// up at the first call, once, from the application folder first and then the platform's search,
// and the entries found then serve every later call. A missing library or entry makes every
// call fail quietly (the caller stores rank 0). One object is meant to live for the process.
class RankLibrary final
{
public:
    // Looks for the library in `appFolder` first.
    explicit RankLibrary(QString appFolder);
    // Binds exactly the library file given (tests point this at a fake).
    static std::unique_ptr<RankLibrary> forFile(const QString &libraryFile);
    ~RankLibrary();
    Q_DISABLE_COPY_MOVE(RankLibrary)

    static QString fileName(); // libLumetra_Image_Search.so on Linux
    static QString baseName(); // Lumetra_Image_Search

    // Ranks the bitmap at `workingBitmap`. The library receives the text as an automation-style
    // string (its byte length in the 32 bits before the first character, a NUL after it).
    // When the library offers ImageRankSource it is told the original source first. Empty when
    // the call could not be made.
    std::optional<std::int32_t> imageRank(
        const QString &workingBitmap, const QString &sourcePath = {});
    // The parts of the judgement, when the library offers them.
    // When a source is named, the library is told it first, as for a ranking call.
    std::optional<ImageRankScores> imageRankDetails(
        const QString &workingBitmap, const QString &sourcePath = {});

    // The rank and the parts of one judgement: one ImageRankWithScores call when the library
    // offers it, otherwise ImageRank alone (no parts). The source is named first as for
    // imageRank. Empty when no ranking call could be made.
    std::optional<RankJudgement> imageRankWithScores(
        const QString &workingBitmap, const QString &sourcePath = {});

    // Whether the library and its ImageRank entry were found (loads on first use).
    bool isAvailable();
    // How many times loading was attempted: at most once per object.
    int loadAttempts() const { return m_loadAttempts; }
    // The file that was loaded, or the empty string.
    QString loadedFile() const;
    // The text the library left in the argument of the last call (it should be unchanged).
    const QString &lastReturnedPath() const { return m_lastReturnedPath; }

private:
    using ImageRankFn = std::int32_t (*)(char **);
    using ImageRankSourceFn = void (*)(const char *);
    using ImageRankDetailsFn = std::int32_t (*)(const char *, ImageRankScores *);
    using ImageRankWithScoresFn = std::int32_t (*)(char **, ImageRankScores *);

    RankLibrary() = default;
    void ensureLoaded();
    // Names the original file to the library, when it offers that entry, for its next call.
    void tellSource(const QString &sourcePath);
    bool tryLoad(const QString &name);

    QString m_appFolder;
    QString m_exactFile;
    QLibrary m_library;
    int m_loadAttempts = 0;
    ImageRankFn m_imageRank = nullptr;
    ImageRankSourceFn m_imageRankSource = nullptr;
    ImageRankDetailsFn m_imageRankDetails = nullptr;
    ImageRankWithScoresFn m_imageRankWithScores = nullptr;
    QString m_lastReturnedPath;
};

// The argument layout of ImageRank: [32-bit byte length][UTF-8 bytes][NUL]. Exposed for tests.
class AutomationString
{
public:
    explicit AutomationString(const QByteArray &utf8);
    // The variable the library receives the address of; it points at the first character.
    char **argument() { return &m_text; }
    // The text the variable points at now (empty when the library cleared it or left a
    // length that cannot be right).
    QByteArray current() const;

private:
    QByteArray m_buffer;
    char *m_text = nullptr;
};

} // namespace lis
