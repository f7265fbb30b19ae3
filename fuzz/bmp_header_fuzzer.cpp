// Fuzz target for the BMP header check of the preparation step: any header and any file size give
// an answer without a crash or an overflow, and a header that does not begin "BM" is never judged.
#include "fuzz/FuzzInput.h"
#include "rank/BmpHeader.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace lis;
    if (size < 8 || size > 4096)
        return 0;
    // The first eight bytes are the file size the header is measured against.
    qint64 fileSize = 0;
    std::memcpy(&fileSize, data, sizeof fileSize);
    const QByteArray head(reinterpret_cast<const char *>(data + 8), qsizetype(size - 8));
    const ImageProblem problem = bmpHeaderProblem(head, fileSize);
    if (!head.startsWith("BM") && problem != ImageProblem::None)
        fuzz::fail("a file that is not a BMP was judged as one");
    // More file than the header needs can only make a damaged verdict go away, never appear.
    if (problem == ImageProblem::None && fileSize >= 0 && fileSize < (qint64(1) << 60)
        && bmpHeaderProblem(head, fileSize + 1024) == ImageProblem::Damaged)
        fuzz::fail("a longer file was called damaged where a shorter one was not");
    return 0;
}
