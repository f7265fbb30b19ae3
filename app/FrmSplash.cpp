#include "app/FrmSplash.h"

#include "app/SplashGeometry.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QScreen>

namespace lis {

FrmSplash::FrmSplash(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_picture1(new QLabel(this))
    , m_label1(new QLabel(QStringLiteral("Press Escape to Exit"), this))
{
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::WindowText));
    setPalette(pal);
    setAutoFillBackground(true);

    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setStyleSheet(QStringLiteral("color: white; font-family: Arial;"));
    m_label1->move(8, 8);
    m_label1->adjustSize();
    // Escape must work whichever control holds the focus.
    setFocusPolicy(Qt::StrongFocus);
    m_picture1->setFocusPolicy(Qt::NoFocus);
}

void FrmSplash::showFromClipboard()
{
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    m_picture = QGuiApplication::clipboard()->image();
    if (!m_picture.isNull()) {
        m_picture1->setPixmap(QPixmap::fromImage(m_picture));
        m_picture1->resize(m_picture.size());
    }
    m_picture1->setVisible(!m_picture.isNull());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(screen->geometry());
    placePicture();
    m_label1->raise();
    showFullScreen();
    activateWindow();
    setFocus();
}

void FrmSplash::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        QGuiApplication::clipboard()->clear();
        close();
        return;
    }
    event->ignore();
}

void FrmSplash::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placePicture();
}

void FrmSplash::placePicture()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize area = screen ? screen->geometry().size() : size();
    m_picture1->move(centredPicturePosition(area, m_picture1->size()));
}

} // namespace lis
