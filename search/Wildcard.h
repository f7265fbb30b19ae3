#pragma once

#include <QString>
#include <QStringView>
#include <QVarLengthArray>
#include <vector>

namespace lis {

// A file-name pattern as the file system's folder search reads it: "*" stands for any run of
// characters (also none), "?" for exactly one, and case is ignored (Unicode simple case folding,
// per code point). A final ".*" also matches names without a dot, "*." matches names without an
// extension, and "*", "*.*" and "." match every name. A pattern holding a path separator ("/" or
// "\") matches nothing, so a search never leaves its folder.
class WildcardPattern
{
public:
    explicit WildcardPattern(QStringView pattern);

    bool matches(QStringView name) const;
    // True when no name can match (the pattern names a path).
    bool matchesNothing() const { return m_never; }

private:
    enum class Kind : quint8 {
        Literal,
        Star, // any run of characters
        One, // exactly one character
        StarToLastDot, // any run that does not take the name's last dot
        DotOrEnd, // a dot, or nothing at the end of the name
    };
    struct Token
    {
        Kind kind;
        char32_t ch = 0;
    };

    void translate(const QVarLengthArray<char32_t, 128> &points);
    bool matchesPrefix(QStringView name) const;

    std::vector<Token> m_tokens;
    bool m_never = false;
    // The usual keyword pattern, "prefix*.*", is a plain prefix test: the first m_prefixLength
    // tokens are literals and the rest matches any text.
    bool m_prefixOnly = false;
    qsizetype m_prefixLength = 0;
};

// One-off match of a pattern against a whole file name.
bool wildcardMatch(QStringView pattern, QStringView name);

} // namespace lis
