#include "report/Gallery.h"

#include "rank/ResultsCopies.h"
#include "report/Picture.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>

namespace lis {

int twipsToPixels(int twips, double perPixel)
{
    return perPixel > 0 ? roundHalfToEven(twips / perPixel) : 0;
}

QSize thumbnailSize()
{
    return QSize(twipsToPixels(thumbnailWidthTwips), twipsToPixels(thumbnailHeightTwips));
}

QImage loadThumbnail(const ResultsCopies &copies, const QString &resultPath, QSize box)
{
    const QString copy = copies.copyFor(resultPath);
    if (copy.isEmpty())
        return {};
    const LoadedPicture staged = LoadPictureFile(copy, Qt::white);
    return ResizePicture(staged.picture, box, Qt::white, true);
}

QImage previewPicture(const QStringList &list1, int position, const ResultsCopies &copies)
{
    if (position < 1 || position > list1.size())
        return {};
    const QString &result = list1.at(position - 1);
    if (!QFileInfo(result).isFile())
        return {};
    return LoadPictureFile(copies.copyFor(result), Qt::white).picture;
}

bool putPreviewOnClipboard(const QStringList &list1, int position, const ResultsCopies &copies)
{
    const QImage picture = previewPicture(list1, position, copies);
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (picture.isNull() || !clipboard)
        return false;
    clipboard->clear();
    clipboard->setImage(picture);
    return true;
}

} // namespace lis
