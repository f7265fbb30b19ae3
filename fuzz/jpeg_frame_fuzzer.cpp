// Fuzz target for the JPEG frame and first-scan reader of the preparation step: any bytes give a
// frame or nothing, never a crash, a read outside the data or an overflowing size; the reader that
// asks for byte ranges finds exactly what the one given the whole data finds.
#include "fuzz/FuzzInput.h"
#include "rank/JpegFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace lis;
    if (size > 65536)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<JpegFrame> whole = readJpegFrame(bytes);
    const std::optional<JpegFrame> ranged
        = readJpegFrame([&](qint64 offset, qint64 count) -> std::optional<QByteArray> {
              if (offset < 0 || count < 0)
                  fuzz::fail("a range outside the data was asked for");
              if (offset >= bytes.size())
                  return QByteArray();
              return bytes.mid(offset, count);
          });
    if (whole.has_value() != ranged.has_value())
        fuzz::fail("the two readers disagree on whether there is a frame");
    if (!whole)
        return 0;
    if (whole->width != ranged->width || whole->height != ranged->height
        || whole->components.size() != ranged->components.size()
        || whole->componentsInFirstScan != ranged->componentsInFirstScan)
        fuzz::fail("the two readers found different frames");
    if (whole->coefficientBufferBytes() < 0)
        fuzz::fail("a negative coefficient buffer");
    if (whole->multiScan() && whole->width > 0 && whole->height > 0
        && whole->coefficientBufferBytes() == 0)
        fuzz::fail("a multi-scan stream that needs no coefficient buffer");
    return 0;
}
