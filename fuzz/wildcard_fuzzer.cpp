// Fuzz target for the walk's file-name pattern matcher: any pattern against any name ends quickly
// (no backtracking blow-up), and the compiled pattern agrees with the one-off match.
#include "fuzz/FuzzInput.h"
#include "search/Wildcard.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace lis;
    // Real names are at most 255 bytes; longer inputs only slow the search down.
    if (size > 4096)
        return 0;
    const auto [pattern, name] = fuzz::twoTexts(data, size);
    const WildcardPattern compiled(pattern);
    const bool matched = compiled.matches(name);
    if (matched != wildcardMatch(pattern, name))
        fuzz::fail("compiled and one-off matches differ");
    if (compiled.matchesNothing() && matched)
        fuzz::fail("a pattern that matches nothing matched");
    if ((pattern.contains(u'/') || pattern.contains(u'\\')) && matched)
        fuzz::fail("a pattern holding a path separator matched");
    if (!name.isEmpty() && !WildcardPattern(QStringLiteral("*")).matches(name))
        fuzz::fail("\"*\" did not match a name");
    // Appending a star never loses a match (dots have forms of their own: ".", "*.", ".*").
    if (matched && !pattern.contains(u'.')
        && !WildcardPattern(pattern + QStringLiteral("*")).matches(name))
        fuzz::fail("pattern + \"*\" lost a match");
    return 0;
}
