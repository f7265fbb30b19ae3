#include "store/VbaVal.h"

#include <charconv>
#include <cstdint>
#include <string>

namespace lis {

namespace {

bool isValBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == QChar(0x3000);
}

class Cursor
{
public:
    explicit Cursor(QStringView text)
        : m_text(text)
    { }

    void skipBlanks()
    {
        while (m_pos < m_text.size() && isValBlank(m_text[m_pos]))
            ++m_pos;
    }
    // The next character that is not a blank, without consuming it; NUL at the end.
    QChar peek()
    {
        skipBlanks();
        return m_pos < m_text.size() ? m_text[m_pos] : QChar();
    }
    void advance() { ++m_pos; }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

int digitValue(QChar c, int radix)
{
    const char16_t u = c.unicode();
    int v = -1;
    if (u >= u'0' && u <= u'9')
        v = u - u'0';
    else if (u >= u'a' && u <= u'f')
        v = 10 + (u - u'a');
    else if (u >= u'A' && u <= u'F')
        v = 10 + (u - u'A');
    return v < radix ? v : -1;
}

// &H / &O numbers: the value takes the smallest of the 16-, 32- and 64-bit integer types that
// holds its bits, or the type its suffix names, and is read as signed in that type.
ValResult radixValue(Cursor &cur, int radix)
{
    std::uint64_t value = 0;
    bool overflow = false;
    for (;;) {
        const int d = digitValue(cur.peek(), radix);
        if (d < 0)
            break;
        if (value
            > (UINT64_MAX - static_cast<std::uint64_t>(d)) / static_cast<std::uint64_t>(radix))
            overflow = true;
        value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(d);
        cur.advance();
    }
    if (overflow)
        return { 0, ValError::Overflow };
    const QChar suffix = cur.peek();
    if (suffix == u'%' || (suffix != u'&' && value <= 0xFFFFu))
        return { static_cast<double>(static_cast<std::int16_t>(value)), {} };
    if (suffix == u'&' || value <= 0xFFFFFFFFu)
        return { static_cast<double>(static_cast<std::int32_t>(value)), {} };
    return { static_cast<double>(static_cast<std::int64_t>(value)), {} };
}

} // namespace

ValResult vbaValChecked(QStringView text)
{
    Cursor cur(text);
    if (cur.peek() == u'&') {
        cur.advance();
        const QChar kind = cur.peek();
        if (kind == u'H' || kind == u'h') {
            cur.advance();
            return radixValue(cur, 16);
        }
        if (kind == u'O' || kind == u'o') {
            cur.advance();
            return radixValue(cur, 8);
        }
        return {};
    }

    std::string number;
    if (cur.peek() == u'-' || cur.peek() == u'+') {
        number += static_cast<char>(cur.peek().unicode());
        cur.advance();
    }
    bool seenPoint = false;
    bool seenExponent = false;
    for (;;) {
        const QChar c = cur.peek();
        if (c >= u'0' && c <= u'9') {
            number += static_cast<char>(c.unicode());
        } else if (c == u'.' && !seenPoint && !seenExponent) {
            seenPoint = true;
            number += '.';
        } else if (!seenExponent && (c == u'e' || c == u'E' || c == u'd' || c == u'D')) {
            seenExponent = true;
            number += 'e';
            cur.advance();
            const QChar sign = cur.peek();
            if (sign == u'-' || sign == u'+') {
                number += static_cast<char>(sign.unicode());
                cur.advance();
            }
            continue;
        } else {
            break;
        }
        cur.advance();
    }
    const QChar suffix = cur.peek();
    if ((suffix == u'%' || suffix == u'&') && (seenPoint || seenExponent))
        return { 0, ValError::TypeMismatch };

    // from_chars does not take a leading '+', and stops by itself at a dangling exponent.
    const char *first = number.data();
    const char *last = number.data() + number.size();
    if (first != last && *first == '+')
        ++first;
    double value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec == std::errc::result_out_of_range) {
        const bool tooSmall = number.find("e-") != std::string::npos;
        return tooSmall ? ValResult {} : ValResult { 0, ValError::Overflow };
    }
    if (ec != std::errc())
        return { 0, {} };
    (void)end;
    return { value == 0 ? 0.0 : value, {} };
}

double vbaVal(QStringView text)
{
    const ValResult result = vbaValChecked(text);
    return result.error ? 0.0 : result.value;
}

} // namespace lis
