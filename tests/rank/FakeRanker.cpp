// A stand-in ranking library for the tests: it records exactly what the program hands it and
// ranks a bitmap by its width plus one, so a test can tell which picture was ranked.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::string g_lastText; // the bytes the length prefix announced
std::int32_t g_lastPrefix = -1;
bool g_lastNulAfter = false;
std::string g_lastSource;
std::string g_pendingSource;
int g_calls = 0;

std::int32_t bitmapWidthPlusOne(const std::string &path)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return 0;
    unsigned char header[26] = {};
    const size_t got = std::fread(header, 1, sizeof header, file);
    std::fclose(file);
    if (got != sizeof header || header[0] != 'B' || header[1] != 'M')
        return 0;
    std::int32_t width = 0;
    std::memcpy(&width, header + 18, 4);
    return width + 1;
}

} // namespace

#ifndef FAKE_WITHOUT_ENTRY
FAKE_EXPORT std::int32_t ImageRank(char **path)
{
    ++g_calls;
    g_lastSource = g_pendingSource;
    g_pendingSource.clear();
    if (!path || !*path)
        return 0;
    std::memcpy(&g_lastPrefix, *path - 4, 4);
    g_lastText.assign(*path, size_t(g_lastPrefix));
    g_lastNulAfter = (*path)[g_lastPrefix] == '\0';
    return bitmapWidthPlusOne(g_lastText);
}
#endif

FAKE_EXPORT void ImageRankSource(const char *sourcePath)
{
    g_pendingSource = sourcePath ? sourcePath : "";
}

FAKE_EXPORT int FakeCalls()
{
    return g_calls;
}
FAKE_EXPORT const char *FakeLastText()
{
    return g_lastText.c_str();
}
FAKE_EXPORT std::int32_t FakeLastPrefix()
{
    return g_lastPrefix;
}
FAKE_EXPORT bool FakeLastNulAfter()
{
    return g_lastNulAfter;
}
FAKE_EXPORT const char *FakeLastSource()
{
    return g_lastSource.c_str();
}
FAKE_EXPORT void FakeReset()
{
    g_calls = 0;
    g_lastText.clear();
    g_lastPrefix = -1;
    g_lastNulAfter = false;
    g_lastSource.clear();
    g_pendingSource.clear();
}
