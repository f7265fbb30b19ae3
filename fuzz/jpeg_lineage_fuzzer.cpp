// Fuzz target for the reading of a JPEG's first rows that tells a re-coded copy: any bytes give an
// answer, never a crash or a hang, and the same answer every time.
#include "fuzz/FuzzInput.h"
#include "rank/JpegLineage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace lis;
    if (size > size_t(kJpegLineageHead))
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (jpegLineage(bytes) != jpegLineage(bytes))
        fuzz::fail("two readings of the same bytes disagree");
    return 0;
}
