#pragma once

#include <QString>
#include <cstdint>

namespace lis {

// A number written with a fixed-point pattern such as "0.00" or "00.0": at least minIntDigits
// digits before the separator and exactly `decimals` after it. Rounds halves away from zero on
// the number's shortest decimal form, so 1.125 gives 1.13 even though the double lies a hair
// below it.
QString formatFixed(double value, int minIntDigits, int decimals, const QString &decimalSeparator);

// A file length for people: bytes, KB, MB, GB or TB (1024-based), each unit used up to 1000
// of it, with fewer decimals as the number grows. The separator defaults to the user's.
QString FormatSize(std::uint64_t size);
QString FormatSize(std::uint64_t size, const QString &decimalSeparator);

} // namespace lis
