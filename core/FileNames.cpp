#include "core/FileNames.h"

namespace lis {

namespace {

constexpr char16_t rawByteBase = 0xDC00;

bool isRawByte(char16_t unit)
{
    return unit >= 0xDC80 && unit <= 0xDCFF;
}

bool isContinuation(uchar byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence starting at `at` (RFC 3629: no overlong forms,
// no encoded surrogates, nothing past U+10FFFF), or 0 when there is none.
qsizetype sequenceLength(const uchar *at, qsizetype left)
{
    const uchar lead = at[0];
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    uchar low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (left < length || at[1] < low || at[1] > high)
        return 0;
    for (qsizetype i = 2; i < length; ++i) {
        if (!isContinuation(at[i]))
            return 0;
    }
    return length;
}

char32_t decodeSequence(const uchar *at, qsizetype length)
{
    static constexpr uchar leadMask[] = { 0, 0x7F, 0x1F, 0x0F, 0x07 };
    char32_t code = at[0] & leadMask[length];
    for (qsizetype i = 1; i < length; ++i)
        code = (code << 6) | (at[i] & 0x3F);
    return code;
}

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (uchar(c) >= 0x80)
            return false;
    }
    return true;
}

bool holdsSurrogates(QStringView text)
{
    for (const QChar c : text) {
        if (c.isSurrogate())
            return true;
    }
    return false;
}

void appendUtf8(QByteArray &out, char32_t code)
{
    if (code < 0x80) {
        out.append(char(code));
    } else if (code < 0x800) {
        out.append(char(0xC0 | (code >> 6)));
        out.append(char(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.append(char(0xE0 | (code >> 12)));
        out.append(char(0x80 | ((code >> 6) & 0x3F)));
        out.append(char(0x80 | (code & 0x3F)));
    } else {
        out.append(char(0xF0 | (code >> 18)));
        out.append(char(0x80 | ((code >> 12) & 0x3F)));
        out.append(char(0x80 | ((code >> 6) & 0x3F)));
        out.append(char(0x80 | (code & 0x3F)));
    }
}

} // namespace

QString pathFromBytes(QByteArrayView bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    QString path;
    path.reserve(bytes.size());
    const auto *at = reinterpret_cast<const uchar *>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const qsizetype length = sequenceLength(at + i, size - i);
        if (length == 0) {
            path.append(QChar(char16_t(rawByteBase + at[i])));
            ++i;
            continue;
        }
        const char32_t code = decodeSequence(at + i, length);
        if (code >= 0x10000) {
            path.append(QChar::highSurrogate(code));
            path.append(QChar::lowSurrogate(code));
        } else {
            path.append(QChar(char16_t(code)));
        }
        i += length;
    }
    return path;
}

QByteArray pathToBytes(QStringView path)
{
    if (!holdsSurrogates(path))
        return path.toUtf8();
    QByteArray out;
    out.reserve(path.size() * 3);
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < path.size()
            && QChar::isLowSurrogate(path[i + 1].unicode())) {
            appendUtf8(out, QChar::surrogateToUcs4(unit, path[i + 1].unicode()));
            ++i;
        } else if (isRawByte(unit)) {
            out.append(char(unit - rawByteBase));
        } else if (QChar::isSurrogate(unit)) {
            appendUtf8(out, QChar::ReplacementCharacter); // no name on disk decodes to this
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

bool holdsRawBytes(QStringView path)
{
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < path.size()
            && QChar::isLowSurrogate(path[i + 1].unicode())) {
            ++i;
        } else if (isRawByte(unit)) {
            return true;
        }
    }
    return false;
}

QString displayPath(QStringView path)
{
    QString shown = path.toString();
    if (!holdsRawBytes(path))
        return shown;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const char16_t unit = shown[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < shown.size()
            && QChar::isLowSurrogate(shown[i + 1].unicode()))
            ++i;
        else if (isRawByte(unit))
            shown[i] = QChar::ReplacementCharacter;
    }
    return shown;
}

} // namespace lis
