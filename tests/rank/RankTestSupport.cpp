#include "tests/rank/RankTestSupport.h"

#include "tests/support/TempAppFolder.h"
#include "tests/support/TestImages.h"

#include <QFile>
#include <QFileInfo>
#include <SQLiteCpp/SQLiteCpp.h>
#include <cstring>

namespace lis::test {

QString fakeRankerFile()
{
    return QStringLiteral(LIS_FAKE_RANKER);
}

FakeRankerProbe::FakeRankerProbe(const QString &file)
    : m_library(file)
{
    m_library.load();
}

void FakeRankerProbe::reset()
{
    if (auto fn = reinterpret_cast<void (*)()>(m_library.resolve("FakeReset")))
        fn();
}

int FakeRankerProbe::calls()
{
    auto fn = reinterpret_cast<int (*)()>(m_library.resolve("FakeCalls"));
    return fn ? fn() : -1;
}

QByteArray FakeRankerProbe::lastText()
{
    auto fn = reinterpret_cast<const char *(*)()>(m_library.resolve("FakeLastText"));
    return fn ? QByteArray(fn()) : QByteArray();
}

std::int32_t FakeRankerProbe::lastPrefix()
{
    auto fn = reinterpret_cast<std::int32_t (*)()>(m_library.resolve("FakeLastPrefix"));
    return fn ? fn() : -2;
}

bool FakeRankerProbe::lastNulAfter()
{
    auto fn = reinterpret_cast<bool (*)()>(m_library.resolve("FakeLastNulAfter"));
    return fn && fn();
}

QString FakeRankerProbe::lastSource()
{
    auto fn = reinterpret_cast<const char *(*)()>(m_library.resolve("FakeLastSource"));
    return fn ? QString::fromUtf8(fn()) : QString();
}

QByteArray FakeRankerProbe::lastSourceBytes()
{
    auto fn = reinterpret_cast<const char *(*)()>(m_library.resolve("FakeLastSource"));
    return fn ? QByteArray(fn()) : QByteArray();
}

bool renewWorkingDatabase(const AppPaths &paths)
{
    QFile::remove(paths.workingDatabase());
    return QFile::copy(paths.pristineDatabase(), paths.workingDatabase());
}

std::vector<std::pair<QString, QString>> rowsInOrder(const AppPaths &paths)
{
    std::vector<std::pair<QString, QString>> rows;
    SQLite::Database db(paths.workingDatabase().toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement query(db, "SELECT FileName, Rank FROM Image_Rank ORDER BY rowid");
    while (query.executeStep()) {
        rows.emplace_back(QString::fromStdString(query.getColumn(0).getString()),
            QString::fromStdString(query.getColumn(1).getString()));
    }
    return rows;
}

QSize bmpSize(const QByteArray &bytes)
{
    if (bytes.size() < 26 || !bytes.startsWith("BM"))
        return {};
    std::int32_t width = 0, height = 0;
    std::memcpy(&width, bytes.constData() + 18, 4);
    std::memcpy(&height, bytes.constData() + 22, 4);
    return { width, height < 0 ? -height : height };
}

int bmpBitsPerPixel(const QByteArray &bytes)
{
    if (bytes.size() < 30 || !bytes.startsWith("BM"))
        return 0;
    std::uint16_t bits = 0;
    std::memcpy(&bits, bytes.constData() + 28, 2);
    return bits;
}

FileStamp stampOf(const QString &path)
{
    return { readFile(path), QFileInfo(path).lastModified() };
}

} // namespace lis::test

namespace lis::test {

namespace {

class BitWriter
{
public:
    void put(unsigned code, int width)
    {
        m_acc |= code << m_bits;
        m_bits += width;
        while (m_bits >= 8) {
            m_bytes += char(m_acc & 0xFF);
            m_acc >>= 8;
            m_bits -= 8;
        }
    }
    QByteArray finish()
    {
        if (m_bits > 0)
            m_bytes += char(m_acc & 0xFF);
        return m_bytes;
    }

private:
    QByteArray m_bytes;
    unsigned m_acc = 0;
    int m_bits = 0;
};

void put16(QByteArray &out, int value)
{
    out += char(value & 0xFF);
    out += char((value >> 8) & 0xFF);
}

quint32 crc32Of(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putBig32(QByteArray &out, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char((value >> shift) & 0xFF);
}

} // namespace

bool saveGif(const QImage &source, const QString &path)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    QByteArray out("GIF89a");
    put16(out, image.width());
    put16(out, image.height());
    out += char(0xF7); // global palette of 256 entries
    out += char(0);
    out += char(0);
    for (int i = 0; i < 256; ++i) {
        out += char(((i >> 5) & 7) * 255 / 7);
        out += char(((i >> 2) & 7) * 255 / 7);
        out += char((i & 3) * 255 / 3);
    }
    out += ',';
    put16(out, 0);
    put16(out, 0);
    put16(out, image.width());
    put16(out, image.height());
    out += char(0);
    out += char(8); // minimum code size
    // A clear code before every run of 250 literals keeps codes 9 bits wide.
    BitWriter bits;
    int sinceClear = 250;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (sinceClear == 250) {
                bits.put(256, 9);
                sinceClear = 0;
            }
            const QRgb p = line[x];
            bits.put(unsigned((qRed(p) >> 5) << 5 | (qGreen(p) >> 5) << 2 | (qBlue(p) >> 6)), 9);
            ++sinceClear;
        }
    }
    bits.put(257, 9);
    const QByteArray data = bits.finish();
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        out += char(block.size());
        out += block;
    }
    out += char(0);
    out += ';';
    return writeFile(path, out);
}

bool saveAnyImage(const QImage &image, const QString &path, const char *format)
{
    return qstrcmp(format, "GIF") == 0 ? saveGif(image, path) : saveImage(image, path, format);
}

QByteArray pngHeaderClaiming(quint32 width, quint32 height)
{
    QByteArray out("\x89PNG\r\n\x1A\n", 8);
    QByteArray ihdr("IHDR");
    putBig32(ihdr, width);
    putBig32(ihdr, height);
    ihdr += QByteArray("\x08\x02\x00\x00\x00", 5); // 8-bit RGB
    putBig32(out, 13);
    out += ihdr;
    putBig32(out, crc32Of(ihdr));
    // Readers look for the first data chunk before they report the size.
    for (const QByteArray &chunk :
        { QByteArray("IDAT\x78\x9C\x03\x00\x00\x00\x00\x01", 12), QByteArray("IEND") }) {
        putBig32(out, quint32(chunk.size() - 4));
        out += chunk;
        putBig32(out, crc32Of(chunk));
    }
    return out;
}

} // namespace lis::test
