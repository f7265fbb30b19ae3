// Shared helpers of the fuzz targets: turning raw bytes into the texts the code under test takes.
#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace lis::fuzz {

// Bytes as UTF-16 code units, so unpaired surrogates and every code point reach the code.
inline QString utf16Text(const uint8_t *data, size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    if (size >= 2)
        std::memcpy(text.data(), data, size / 2 * 2);
    return text;
}

// The input cut at its first NUL-NUL unit into two texts (pattern and name, say).
inline std::pair<QString, QString> twoTexts(const uint8_t *data, size_t size)
{
    const QString all = utf16Text(data, size);
    const qsizetype split = all.indexOf(QChar(0));
    if (split < 0)
        return { all, QString() };
    return { all.left(split), all.mid(split + 1) };
}

// Stops the run with the input saved, for a property that does not hold.
[[noreturn]] inline void fail(const char *what)
{
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

} // namespace lis::fuzz
