#pragma once

#include <QStringView>
#include <optional>

namespace lis {

enum class ValError { TypeMismatch, Overflow };

struct ValResult
{
    double value = 0;
    std::optional<ValError> error;
};

// The leading number of a text, read the way BASIC's Val reads it: blanks, tabs and line breaks
// are skipped anywhere in the number, an optional sign, decimals and an exponent (E or D),
// &H and &O prefixes for hexadecimal and octal, reading stops at the first character that cannot
// continue the number, and a text without a leading number is 0. A type suffix (% or &) after a
// fraction and a value beyond the double range are errors.
ValResult vbaValChecked(QStringView text);

// The same, with 0 for the error cases; this is what the report's ordering uses.
double vbaVal(QStringView text);

} // namespace lis
