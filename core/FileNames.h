#pragma once

#include <QByteArray>
#include <QString>

namespace lis {

// A file name on Linux is a string of bytes that need not be UTF-8. Paths are held as QString
// with every byte that is not part of valid UTF-8 kept as the lone surrogate U+DC80 + byte (the
// scheme Python calls surrogateescape), so every name found on disk maps back to its own bytes:
// pathToBytes(pathFromBytes(b)) == b for any b. Qt's own file classes encode paths as UTF-8, so
// a path holding raw bytes must be opened through pathToBytes.
QString pathFromBytes(QByteArrayView bytes);
QByteArray pathToBytes(QStringView path);

// Whether the path keeps bytes that are not valid UTF-8.
bool holdsRawBytes(QStringView path);

// The path as a person reads it: each kept raw byte shown as U+FFFD. Only for display; never
// open what this returns.
QString displayPath(QStringView path);

} // namespace lis
