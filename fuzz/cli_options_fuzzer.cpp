// Fuzz target for the command line's argument parsing: any argument list gives options, a usage
// error, help, the window or maintenance, and accepted options are within their documented
// ranges.
#include "app/cli/CliOptions.h"
#include "fuzz/FuzzInput.h"

#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace lis;
    if (size > 4096)
        return 0;
    QStringList arguments { QStringLiteral("lumetra-image-search") };
    arguments += fuzz::utf16Text(data, size).split(QChar(0));
    const ProgramRequest parsed = parseProgramArguments(arguments);
    if (const auto *options = std::get_if<CliOptions>(&parsed)) {
        if (options->keyword.isNull() || options->locations.isEmpty())
            fuzz::fail("a search was accepted without a keyword or a location");
        if (options->overwrite && options->copyTo.isEmpty())
            fuzz::fail("--overwrite was accepted without --copy-to");
        if (options->top && *options->top < 1)
            fuzz::fail("a --top below 1 was accepted");
        if (options->top && options->copyTo.isEmpty())
            fuzz::fail("--top was accepted without --copy-to");
        if (options->fileTypes && (*options->fileTypes < 0 || *options->fileTypes > 5))
            fuzz::fail("a file type outside the table was accepted");
    }
    return 0;
}
