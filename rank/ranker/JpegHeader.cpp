#include "JpegHeader.h"

#include <algorithm>
#include <cmath>

namespace lis::ranker {
namespace {

// The example tables of the JPEG standard, in natural (row by row) order; encoders scale them
// by quality.
constexpr std::array<uint16_t, 64> kStandardLuma
    = { 16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55, 14, 13, 16, 24, 40, 57, 69,
          56, 14, 17, 22, 29, 51, 87, 80, 62, 18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81,
          104, 113, 92, 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99 };
constexpr std::array<uint16_t, 64> kStandardChroma
    = { 17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99, 99,
          99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
          99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99 };

// The natural index of each coefficient in the zigzag order that streams store tables in.
constexpr std::array<uint8_t, 64> kZigzagToNatural
    = { 0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12, 19, 26, 33, 40, 48, 41, 34, 27,
          20, 13, 6, 7, 14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
          58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63 };

class Reader
{
public:
    Reader(const uint8_t *data, std::size_t size)
        : m_data(data)
        , m_size(size)
    { }
    bool has(std::size_t n) const { return m_pos <= m_size && m_size - m_pos >= n; }
    uint8_t byte() { return m_data[m_pos++]; }
    uint16_t word()
    {
        const uint16_t hi = m_data[m_pos];
        const uint16_t lo = m_data[m_pos + 1];
        m_pos += 2;
        return static_cast<uint16_t>(hi << 8 | lo);
    }
    std::size_t pos() const { return m_pos; }
    void seek(std::size_t pos) { m_pos = pos; }

private:
    const uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

bool parseQuantTables(Reader segment, std::size_t end, JpegHeader &header)
{
    while (segment.pos() < end) {
        const uint8_t info = segment.byte();
        const int precision = info >> 4;
        const int id = info & 0x0F;
        if (precision > 1 || id > 3)
            return false;
        const std::size_t bytes = precision ? 128 : 64;
        if (end - segment.pos() < bytes)
            return false;
        for (int i = 0; i < 64; ++i)
            header.tables[id][i] = precision ? segment.word() : segment.byte();
        header.hasTable[id] = true;
    }
    return true;
}

// `bodySize` excludes the two length bytes: precision, height, width and the component count
// take 6 bytes, then 3 per component.
bool parseFrame(Reader segment, std::size_t bodySize, uint8_t marker, JpegHeader &header)
{
    if (bodySize < 6)
        return false;
    segment.byte(); // sample precision
    header.height = segment.word();
    header.width = segment.word();
    header.components = segment.byte();
    header.progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
    if (bodySize < 6 + 3 * static_cast<std::size_t>(header.components))
        return false;
    for (int c = 0; c < header.components; ++c) {
        segment.byte(); // component id
        segment.byte(); // sampling factors
        const int table = segment.byte();
        if (c < 4)
            header.componentTable[c] = table <= 3 ? table : -1;
    }
    return true;
}

bool isFrameMarker(uint8_t m)
{
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

// How far a table is from the standard one scaled for quality q, as encoders scale it.
double scaledTableError(
    const std::array<uint16_t, 64> &table, const std::array<uint16_t, 64> &standard, int q)
{
    const int scale = q < 50 ? 5000 / q : 200 - 2 * q;
    double error = 0;
    for (int i = 0; i < 64; ++i) {
        const int expected = std::clamp((standard[kZigzagToNatural[i]] * scale + 50) / 100, 1, 255);
        error
            += std::abs(std::log(static_cast<double>(std::max<uint16_t>(table[i], 1)) / expected));
    }
    return error;
}

// Log-ratio distance: a table from another encoder (a camera's own tables) still lands on the
// quality whose overall step sizes are closest.
int bestQuality(const std::array<uint16_t, 64> &table, const std::array<uint16_t, 64> &standard)
{
    int best = 1;
    double bestError = scaledTableError(table, standard, 1);
    for (int q = 2; q <= 100; ++q) {
        const double e = scaledTableError(table, standard, q);
        if (e < bestError) {
            bestError = e;
            best = q;
        }
    }
    return best;
}

} // namespace

std::optional<JpegHeader> parseJpegHeader(const uint8_t *data, std::size_t size)
{
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return std::nullopt;
    JpegHeader header;
    bool haveFrame = false;
    Reader r(data, size);
    r.seek(2);
    while (r.has(2)) {
        if (r.byte() != 0xFF)
            break; // markers must follow each other; anything else is damage
        uint8_t marker = r.byte();
        while (marker == 0xFF && r.has(1))
            marker = r.byte(); // fill bytes
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // markers without a length
        if (marker == 0xD9 || marker == 0xDA)
            break; // end of image or first scan: the header is over
        if (!r.has(2))
            break;
        const std::size_t length = r.word();
        if (length < 2 || !r.has(length - 2))
            break;
        const std::size_t body = r.pos();
        const std::size_t end = body + length - 2;
        if (marker == 0xDB) {
            if (!parseQuantTables(r, end, header))
                return std::nullopt;
        } else if (isFrameMarker(marker)) {
            haveFrame = parseFrame(r, length - 2, marker, header);
            if (!haveFrame)
                return std::nullopt;
        }
        r.seek(end);
    }
    const bool anyTable
        = std::any_of(header.hasTable.begin(), header.hasTable.end(), [](bool b) { return b; });
    if (!haveFrame || !anyTable || header.width <= 0 || header.height <= 0)
        return std::nullopt;
    return header;
}

std::optional<double> estimateJpegQuality(const JpegHeader &header)
{
    const int lumaId = header.componentTable[0];
    if (lumaId < 0 || !header.hasTable[lumaId])
        return std::nullopt;
    const int luma = bestQuality(header.tables[lumaId], kStandardLuma);
    const int chromaId = header.components >= 3 ? header.componentTable[1] : -1;
    if (chromaId < 0 || chromaId == lumaId || !header.hasTable[chromaId])
        return luma;
    const int chroma = bestQuality(header.tables[chromaId], kStandardChroma);
    // Luma carries most of what people see; chroma only refines the estimate.
    return 0.75 * luma + 0.25 * chroma;
}

} // namespace lis::ranker
