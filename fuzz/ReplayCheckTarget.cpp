// A stand-in target for checking the replay main itself: it aborts on an input that begins with
// "abort", as a real target does on a property that does not hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size >= 5 && std::memcmp(data, "abort", 5) == 0)
        std::abort();
    return 0;
}
