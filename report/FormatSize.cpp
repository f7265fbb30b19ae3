#include "report/FormatSize.h"

#include <QLocale>
#include <array>
#include <charconv>
#include <cmath>

namespace lis {

namespace {

// Adds one unit in the last place of a string of decimal digits; true when it carries out.
bool incrementDigits(std::string &digits)
{
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return false;
        }
        *it = '0';
    }
    return true;
}

QString withPattern(double value, std::uint64_t divisor, int decimals, const QString &separator)
{
    return formatFixed(double(value) / double(divisor), 1, decimals, separator);
}

QString wholePart(std::uint64_t size, std::uint64_t divisor)
{
    return QString::number(size / divisor);
}

} // namespace

QString formatFixed(double value, int minIntDigits, int decimals, const QString &decimalSeparator)
{
    if (!std::isfinite(value))
        return QString::number(value);
    const bool negative = std::signbit(value);
    // The shortest fixed-notation text that reads back as the same double.
    std::array<char, 512> buffer {};
    const auto [end, error] = std::to_chars(
        buffer.data(), buffer.data() + buffer.size(), std::fabs(value), std::chars_format::fixed);
    if (error != std::errc())
        return QString::number(value, 'f', decimals);
    const std::string text(buffer.data(), end);
    const auto point = text.find('.');
    std::string whole = text.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);

    if (int(fraction.size()) > decimals) {
        const bool roundUp = fraction[std::size_t(decimals)] >= '5';
        fraction.resize(std::size_t(decimals));
        if (roundUp && incrementDigits(fraction) && incrementDigits(whole))
            whole.insert(whole.begin(), '1');
    }
    fraction.resize(std::size_t(decimals), '0');
    while (whole.size() > 1 && whole.front() == '0')
        whole.erase(whole.begin());
    if (int(whole.size()) < minIntDigits)
        whole.insert(whole.begin(), std::size_t(minIntDigits) - whole.size(), '0');

    const bool isZero = whole.find_first_not_of('0') == std::string::npos
        && fraction.find_first_not_of('0') == std::string::npos;
    QString result = QString::fromLatin1(whole);
    if (decimals > 0)
        result += decimalSeparator + QString::fromLatin1(fraction);
    return negative && !isZero ? QStringLiteral("-") + result : result;
}

QString FormatSize(std::uint64_t size)
{
    return FormatSize(size, QLocale().decimalPoint());
}

QString FormatSize(std::uint64_t size, const QString &separator)
{
    constexpr std::uint64_t kb = 1024;
    constexpr std::uint64_t mb = kb * 1024;
    constexpr std::uint64_t gb = mb * 1024;
    constexpr std::uint64_t tb = gb * 1024;
    const double value = double(size);
    const auto unit = [](const QString &number, const char *name) {
        return number + QLatin1Char(' ') + QLatin1String(name);
    };

    if (size < 1024)
        return unit(QString::number(size), "bytes");
    if (size < 10240)
        return unit(withPattern(value, kb, 2, separator), "KB");
    if (size < 102400)
        return unit(withPattern(value, kb, 1, separator), "KB");
    if (size < 1024000)
        return unit(wholePart(size, kb), "KB");
    if (size < 10485760)
        return unit(withPattern(value, mb, 2, separator), "MB");
    if (size < 104857600)
        return unit(withPattern(value, mb, 1, separator), "MB");
    if (size < 1048576000)
        return unit(wholePart(size, mb), "MB");
    if (size < 10737418240ULL)
        return unit(withPattern(value, gb, 2, separator), "GB");
    if (size < 107374182400ULL)
        return unit(withPattern(value, gb, 1, separator), "GB");
    if (size < 1073741824000ULL)
        return unit(wholePart(size, gb), "GB");
    return unit(withPattern(value, tb, 2, separator), "TB");
}

} // namespace lis
