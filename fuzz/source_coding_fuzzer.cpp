// Fuzz target for the reading of a source file's coding by the ranking library: its size from
// the header, then a band of its pixels (a JPEG's through libjpeg, any other format's through
// OpenCV). Any bytes give an answer, never a crash or a hang, and the same answer every time.
#include "SourceProbe.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// One scratch file per process, rewritten for every input.
const std::string &scratchPath()
{
    static const std::string path = [] {
        std::string name = "/tmp/lis-source-coding-XXXXXX";
        const int fd = ::mkstemp(name.data());
        if (fd >= 0)
            ::close(fd);
        return name;
    }();
    return path;
}

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace lis::ranker;
    std::ofstream(scratchPath(), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
    const SourceInfo first = probeSource(scratchPath());
    const SourceInfo second = probeSource(scratchPath());
    if (first.codingStep != second.codingStep || bool(first.stored) != bool(second.stored))
        fail("two readings of the same bytes disagree");
    if (first.codingStep && !(*first.codingStep >= 1 && *first.codingStep <= 255))
        fail("a step outside what a JPEG table can hold");
    return 0;
}
