#pragma once

#include "core/AppPaths.h"

#include <QByteArray>
#include <QDateTime>
#include <QLibrary>
#include <QSize>
#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

namespace lis::test {

// The recording stand-in ranking library built beside the tests.
QString fakeRankerFile();

// Reads back what the stand-in library recorded. The library is shared by every binding in the
// process that loaded the same file, so each test resets it first.
class FakeRankerProbe
{
public:
    explicit FakeRankerProbe(const QString &file = fakeRankerFile());
    void reset();
    int calls();
    QByteArray lastText();
    std::int32_t lastPrefix();
    bool lastNulAfter();
    QString lastSource();
    QByteArray lastSourceBytes();

private:
    QLibrary m_library;
};

// Copies the pristine result database over the working one, as start-up does.
bool renewWorkingDatabase(const AppPaths &paths);
// The rows of Image_Rank in the order they were appended: (FileName, Rank).
std::vector<std::pair<QString, QString>> rowsInOrder(const AppPaths &paths);

// The pixel size a BMP header names, or an invalid size when the bytes are not a BMP.
QSize bmpSize(const QByteArray &bytes);
// The bits per pixel of a BMP, or 0.
int bmpBitsPerPixel(const QByteArray &bytes);

// Everything about a file that must never change: its bytes and its modification time.
struct FileStamp
{
    QByteArray bytes;
    QDateTime modified;
    bool operator==(const FileStamp &) const = default;
};
FileStamp stampOf(const QString &path);

} // namespace lis::test

namespace lis::test {

// Qt reads GIF but cannot write it: a GIF of the picture with a 3-3-2 colour palette, its LZW
// data written as literal codes only (valid, just not compressed).
bool saveGif(const QImage &image, const QString &path);
// A PNG whose header claims the given size but that holds no pixel data.
QByteArray pngHeaderClaiming(quint32 width, quint32 height);
// saveImage for any of the searched formats, GIF included.
bool saveAnyImage(const QImage &image, const QString &path, const char *format);

} // namespace lis::test
