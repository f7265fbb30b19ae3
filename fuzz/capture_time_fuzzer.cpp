// Fuzz target for the EXIF capture-time reader of the preparation step: any bytes, as a JPEG or
// a TIFF file, give a time within the sensible range or nothing, never a crash, a read before
// the start or a read larger than a JPEG segment can be; and the answer does not depend on
// whether reads past the end give short or empty answers.
#include "fuzz/FuzzInput.h"
#include "rank/CaptureTime.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace lis;
    if (size > 65536 * 2)
        return 0;
    constexpr std::int64_t now = 1796731200000;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto reader = [&](bool refuseShort) -> ByteRangeReader {
        return [&bytes, refuseShort](qint64 offset, qint64 count) -> std::optional<QByteArray> {
            if (offset < 0 || count < 0)
                fuzz::fail("a range before the data was asked for");
            if (count > 65536)
                fuzz::fail("a read larger than any header was asked for");
            if (refuseShort && offset + count > bytes.size())
                return std::nullopt;
            return bytes.mid(offset, count);
        };
    };
    const std::optional<std::int64_t> time = readCaptureTime(reader(false), bytes.size(), now);
    if (time && (*time < capture_time::kEarliestMs || *time > now + capture_time::kFutureSlackMs))
        fuzz::fail("a capture time outside the sensible range");
    if (readCaptureTime(reader(true), bytes.size(), now) != time)
        fuzz::fail("short reads past the end changed the answer");
    return 0;
}
