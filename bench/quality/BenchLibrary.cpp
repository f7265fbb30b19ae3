#include "BenchLibrary.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <sched.h>
#include <vector>

namespace lis::bench {
namespace {

// The automation-string layout the program passes: 32-bit length, then the bytes and a NUL.
class Argument
{
public:
    explicit Argument(const std::string &path)
        : m_buffer(4 + path.size() + 1, '\0')
    {
        const auto length = static_cast<uint32_t>(path.size());
        std::memcpy(m_buffer.data(), &length, 4);
        std::memcpy(m_buffer.data() + 4, path.data(), path.size());
        m_text = m_buffer.data() + 4;
    }
    char **get() { return &m_text; }

private:
    std::vector<char> m_buffer;
    char *m_text = nullptr;
};

double processorMs()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

template<typename T> T entry(void *handle, const char *name)
{
    return reinterpret_cast<T>(dlsym(handle, name));
}

} // namespace

BenchLibrary::BenchLibrary(const std::string &path)
    : m_path(path)
{
    void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
        std::exit(2);
    }
    m_rank = entry<decltype(m_rank)>(handle, "ImageRank");
    m_source = entry<decltype(m_source)>(handle, "ImageRankSource");
    m_details = entry<decltype(m_details)>(handle, "ImageRankDetails");
    m_withScores = entry<decltype(m_withScores)>(handle, "ImageRankWithScores");
    if (!m_rank || !m_source || !m_details) {
        std::fprintf(stderr, "%s lacks an entry\n", path.c_str());
        std::exit(2);
    }
}

Judged BenchLibrary::judge(const std::string &source, const std::string &bitmap) const
{
    Judged j;
    Argument argument(bitmap);
    const double start = processorMs();
    m_source(source.c_str());
    j.rank = m_withScores ? m_withScores(argument.get(), &j.scores) : m_rank(argument.get());
    j.cpuMs = processorMs() - start;
    if (!m_withScores) {
        m_source(source.c_str());
        if (m_details(bitmap.c_str(), &j.scores) != j.rank)
            std::fprintf(
                stderr, "ImageRankDetails disagrees with ImageRank on %s\n", bitmap.c_str());
    }
    return j;
}

double overallOf(int32_t rank)
{
    return (rank - 1) / 2.0e7;
}

void useOneCore()
{
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    sched_setaffinity(0, sizeof one, &one);
}

} // namespace lis::bench
