#pragma once

#include "rank/ImageProblem.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <vector>

class QImage;

namespace lis::test {

// One found file of the test tree and what the ranking loop must make of it.
struct Expected
{
    QString path;
    QSize bitmap; // invalid: no working bitmap can be made
    ImageProblem problem = ImageProblem::None;
    QString copyName; // the results copy's file name
};

// A tree of found files of every kind, in walk order: wide, narrow and tall pictures of each
// format, damaged and empty files, disguised and garbage "bmp" files, and one name in two
// folders.
class FoundTree
{
public:
    FoundTree();
    QStringList paths() const;

    QTemporaryDir root;
    std::vector<Expected> expected;

private:
    QString pathOf(const QString &relative) const { return root.filePath(relative); }
    void add(const QString &relative, const QImage &image, const char *format, QSize bitmap,
        QString copyName = {});
    void addBytes(const QString &relative, const QByteArray &bytes, ImageProblem problem);
    QByteArray truncatedJpeg() const;
};

} // namespace lis::test
