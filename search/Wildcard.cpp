#include "search/Wildcard.h"

#include <QVarLengthArray>
#include <algorithm>

namespace lis {

namespace {

using CodePoints = QVarLengthArray<char32_t, 128>;

char32_t foldCase(char32_t c)
{
    if (c < 0x80)
        return (c >= U'A' && c <= U'Z') ? c + (U'a' - U'A') : c;
    return QChar::toCaseFolded(c);
}

// The code point starting at `i`, which is moved past it.
char32_t codePointAt(QStringView text, qsizetype &i)
{
    char32_t c = text[i++].unicode();
    if (QChar::isHighSurrogate(c) && i < text.size() && text[i].isLowSurrogate())
        c = QChar::surrogateToUcs4(char16_t(c), text[i++].unicode());
    return c;
}

// The text's code points, case-folded; unpaired surrogates stay as they are.
CodePoints foldedCodePoints(QStringView text)
{
    CodePoints result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size();)
        result.append(foldCase(codePointAt(text, i)));
    return result;
}

bool isSeparator(char32_t c)
{
    return c == U'/' || c == U'\\';
}

} // namespace

void WildcardPattern::translate(const QVarLengthArray<char32_t, 128> &points)
{
    const qsizetype count = points.size();
    for (qsizetype i = 0; i < count; ++i) {
        const char32_t c = points[i];
        if (c == U'*') {
            m_tokens.push_back({ Kind::Star });
        } else if (c == U'?') {
            m_tokens.push_back({ Kind::One });
        } else if (c == U'.' && i == count - 1 && i >= 1 && points[i - 1] == U'*') {
            // "*." at the end: names without an extension.
            m_tokens.back().kind = Kind::StarToLastDot;
            m_tokens.push_back({ Kind::DotOrEnd });
        } else if (c == U'.' && i < count - 1 && (points[i + 1] == U'*' || points[i + 1] == U'?')) {
            // ".*" and ".?": the dot may be missing at the end, so "cat*.*" also finds "cat".
            m_tokens.push_back({ Kind::DotOrEnd });
        } else {
            m_tokens.push_back({ Kind::Literal, c });
        }
    }
}

WildcardPattern::WildcardPattern(QStringView pattern)
{
    const CodePoints points = foldedCodePoints(pattern);
    for (char32_t c : points) {
        if (isSeparator(c)) {
            m_never = true;
            return;
        }
    }
    // The whole-folder forms: everything matches.
    if (pattern.isEmpty() || pattern == u"*" || pattern == u"*.*" || pattern == u".")
        m_tokens.push_back({ Kind::Star });
    else
        translate(points);

    const auto literal = std::find_if(
        m_tokens.begin(), m_tokens.end(), [](const Token &t) { return t.kind != Kind::Literal; });
    m_prefixLength = literal - m_tokens.begin();
    const auto restIs = [&](std::initializer_list<Kind> kinds) {
        return std::equal(literal, m_tokens.end(), kinds.begin(), kinds.end(),
            [](const Token &t, Kind k) { return t.kind == k; });
    };
    m_prefixOnly = restIs({ Kind::Star }) || restIs({ Kind::Star, Kind::DotOrEnd, Kind::Star });
}

bool WildcardPattern::matchesPrefix(QStringView name) const
{
    qsizetype at = 0;
    for (qsizetype t = 0; t < m_prefixLength; ++t) {
        if (at == name.size() || foldCase(codePointAt(name, at)) != m_tokens[size_t(t)].ch)
            return false;
    }
    return true;
}

bool WildcardPattern::matches(QStringView name) const
{
    if (m_never || name.isEmpty())
        return false;
    if (m_prefixOnly)
        return matchesPrefix(name);
    const CodePoints text = foldedCodePoints(name);
    const qsizetype length = text.size();
    qsizetype lastDot = -1;
    for (qsizetype i = length - 1; i >= 0; --i) {
        if (text[i] == U'.') {
            lastDot = i;
            break;
        }
    }

    // A set of pattern positions reached so far; position size() is the accepting one.
    const qsizetype states = qsizetype(m_tokens.size()) + 1;
    QVarLengthArray<char, 64> current(states, 0);
    QVarLengthArray<char, 64> next(states, 0);

    // Moves that take no character; they only go forwards, so one pass in order suffices.
    const auto closeOver = [&](QVarLengthArray<char, 64> &set, qsizetype at) {
        for (qsizetype p = 0; p + 1 < states; ++p) {
            if (!set[p])
                continue;
            const Kind kind = m_tokens[size_t(p)].kind;
            if (kind == Kind::Star || kind == Kind::StarToLastDot
                || (kind == Kind::DotOrEnd && at == length))
                set[p + 1] = 1;
        }
    };

    current[0] = 1;
    closeOver(current, 0);
    for (qsizetype i = 0; i < length; ++i) {
        const char32_t c = text[i];
        std::fill(next.begin(), next.end(), 0);
        bool any = false;
        const auto mark = [&](qsizetype p) {
            next[p] = 1;
            any = true;
        };
        for (qsizetype p = 0; p + 1 < states; ++p) {
            if (!current[p])
                continue;
            const Token &token = m_tokens[size_t(p)];
            switch (token.kind) {
            case Kind::Literal:
                if (token.ch == c)
                    mark(p + 1);
                break;
            case Kind::One:
                mark(p + 1);
                break;
            case Kind::Star:
                mark(p);
                break;
            case Kind::StarToLastDot:
                if (c != U'.' || i != lastDot)
                    mark(p);
                break;
            case Kind::DotOrEnd:
                if (c == U'.')
                    mark(p + 1);
                break;
            }
        }
        if (!any)
            return false;
        closeOver(next, i + 1);
        std::swap(current, next);
    }
    return current[states - 1] != 0;
}

bool wildcardMatch(QStringView pattern, QStringView name)
{
    return WildcardPattern(pattern).matches(name);
}

} // namespace lis
