#include "search/ImageFilter.h"

#include "core/Settings.h"

#include <array>

namespace lis {

namespace {

// The extension of a path's final name part: the text after its last dot, empty without one.
QStringView extensionOf(const QString &path)
{
    const QStringView name = QStringView(path).mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QStringView() : name.mid(dot + 1);
}

} // namespace

bool ImageFileCheck(const QString &name)
{
    static const std::array<QString, 10> endings {
        QStringLiteral("bmp"),
        QStringLiteral("BMP"),
        QStringLiteral("jpg"),
        QStringLiteral("JPG"),
        QStringLiteral("png"),
        QStringLiteral("PNG"),
        QStringLiteral("tif"),
        QStringLiteral("TIF"),
        QStringLiteral("gif"),
        QStringLiteral("GIF"),
    };
    const QStringView lastThree = QStringView(name).right(3);
    for (const QString &ending : endings) {
        if (lastThree == ending)
            return true;
    }
    return false;
}

bool passesImageFilter(const QString &path, int fileTypes)
{
    if (!ImageFileCheck(path))
        return false;
    const auto extensionIs = [&path](const char16_t *wanted) {
        return extensionOf(path).compare(QStringView(wanted), Qt::CaseInsensitive) == 0;
    };
    switch (fileTypes) {
    case int(ImageType::Jpeg):
        return extensionIs(u"jpg");
    case int(ImageType::Png):
        return extensionIs(u"png");
    case int(ImageType::Gif):
        return extensionIs(u"gif");
    case int(ImageType::Bmp):
        return extensionIs(u"bmp");
    case int(ImageType::Tiff):
        return extensionIs(u"tif");
    case int(ImageType::AllImages):
        return true;
    default:
        return false;
    }
}

void FilterFiles(const QStringList &list2, QStringList &list3, int fileTypes)
{
    for (const QString &entry : list2) {
        if (passesImageFilter(entry, fileTypes))
            list3.append(entry);
    }
}

} // namespace lis
