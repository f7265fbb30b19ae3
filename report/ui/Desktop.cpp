#include "report/ui/Desktop.h"

#include "core/FileNames.h"
#include "core/UserFile.h"

#include <QDesktopServices>
#include <QMimeData>

namespace lis {

namespace {

class SystemDesktop final : public Desktop
{
public:
    bool open(const QUrl &url) override { return QDesktopServices::openUrl(url); }
};

} // namespace

Desktop &Desktop::system()
{
    static SystemDesktop desktop;
    return desktop;
}

QUrl fileUrl(const QString &path)
{
    if (path.isEmpty())
        return {};
    // Percent-encoded from the bytes themselves: QUrl::fromLocalFile would turn a byte kept as
    // a lone surrogate into the UTF-8 of U+FFFD and name another file.
    return QUrl::fromEncoded("file://" + pathToBytes(path).toPercentEncoding("/"));
}

QString pathFromUrl(const QUrl &url)
{
    if (!url.isLocalFile())
        return {};
    const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
    return pathFromBytes(QByteArray::fromPercentEncoding(encoded));
}

QString containingFolder(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return {};
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QMimeData *pathMimeData(const QString &path)
{
    auto *data = new QMimeData;
    data->setUrls({ fileUrl(path) });
    data->setText(displayPath(path));
    return data;
}

QString draggedFolder(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QString path = pathFromUrl(data->urls().constFirst());
    const auto info = path.isEmpty() ? std::nullopt : statPath(path, true);
    return info && S_ISDIR(info->st_mode) ? path : QString();
}

} // namespace lis
