#include "rank/BmpHeader.h"

#include "rank/ImageDecode.h"

namespace lis {

ImageProblem bmpHeaderProblem(const QByteArray &head, qint64 fileSize)
{
    const auto *p = reinterpret_cast<const uchar *>(head.constData());
    const auto le16 = [p](int at) { return qint64(p[at] | p[at + 1] << 8); };
    const auto le32 = [p](int at) {
        return qint32(quint32(p[at]) | quint32(p[at + 1]) << 8 | quint32(p[at + 2]) << 16
            | quint32(p[at + 3]) << 24);
    };
    if (head.size() < 26 || p[0] != 'B' || p[1] != 'M')
        return ImageProblem::None;
    const qint64 offset = quint32(le32(10));
    const qint32 header = le32(14);
    qint64 width = 0, height = 0, bits = 0;
    bool uncompressed = true;
    if (header == 12) {
        width = le16(18);
        height = le16(20);
        bits = le16(24);
    } else if (header >= 40 && head.size() >= 34) {
        const qint32 compression = le32(30);
        if ((compression == 1 || compression == 2) && le32(22) < 0)
            return ImageProblem::Damaged;
        uncompressed = compression == 0 || compression == 3 || compression == 6;
        width = le32(18);
        height = qAbs(qint64(le32(22))); // negative: rows stored top-down
        bits = le16(28);
    } else {
        return ImageProblem::None;
    }
    if (width * height > kMaxDecodedPixels)
        return ImageProblem::TooLarge;
    if (!uncompressed || width <= 0 || height <= 0 || bits <= 0 || bits > 64)
        return ImageProblem::None; // left to the reader, which refuses what it cannot read
    const qint64 rowBytes = (width * bits + 31) / 32 * 4;
    return offset + rowBytes * height <= fileSize ? ImageProblem::None : ImageProblem::Damaged;
}

} // namespace lis
