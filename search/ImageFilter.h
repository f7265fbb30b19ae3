#pragma once

#include <QString>
#include <QStringList>

namespace lis {

// The image types of the Options window, by their stored "filetypes" value. Stored values keep
// their meaning forever; new types are added at the end.
enum class ImageType : qint16 { Jpeg = 0, Png = 1, Gif = 2, Bmp = 3, Tiff = 4, AllImages = 5 };

// Whether a name ends in one of the image extensions, compared case-sensitively on its last three
// characters exactly as the filter has always done: "photo.Jpg" and "photo.jpeg" fail, while a
// name without a dot such as "notajpg" passes.
bool ImageFileCheck(const QString &name);

// Whether a path passes the filter for a stored "filetypes" value. Values outside the table let
// nothing pass.
bool passesImageFilter(const QString &path, int fileTypes);

// Appends to list3, in order, every entry of list2 that is an image of the type chosen in the
// Options window (its stored "filetypes" value).
void FilterFiles(const QStringList &list2, QStringList &list3, int fileTypes);

} // namespace lis
