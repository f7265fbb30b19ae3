#include "app/WindowLook.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QIcon>

namespace lis {

void applyWindowLook(QApplication &app)
{
    QGuiApplication::setDesktopFileName(QString::fromLatin1(desktopId));
    const QIcon icon = QIcon::fromTheme(QString::fromLatin1(desktopId));
    if (!icon.isNull())
        app.setWindowIcon(icon);
    // Wine's Tahoma is metric-compatible with the face the windows were laid out for, but it
    // lives where fontconfig does not look; Arial is found through its Liberation face already.
    for (const char *file :
        { "/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf" }) {
        const QString path = QString::fromLatin1(file);
        if (QFileInfo::exists(path))
            QFontDatabase::addApplicationFont(path);
    }
}

} // namespace lis
