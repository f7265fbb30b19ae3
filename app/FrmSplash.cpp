#include "app/FrmSplash.h"

#include "app/SplashGeometry.h"
#include "core/FileNames.h"
#include "core/UserFile.h"
#include "rank/ImageProblem.h"
#include "report/Gallery.h"
#include "report/RunResults.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

namespace lis {

namespace {

// The original photo, painted straight from its decoded image: a pixmap of it would hold a
// second copy of what can be a very large picture.
class ActualPixelsView final : public QWidget
{
public:
    using QWidget::QWidget;

    void setImage(QImage image)
    {
        m_image = std::move(image);
        resize(m_image.size());
        update();
    }
    const QImage &image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter painter(this);
        painter.drawImage(event->rect(), m_image, event->rect());
    }

private:
    QImage m_image;
};

ActualPixelsView *viewOf(QScrollArea *area)
{
    return static_cast<ActualPixelsView *>(area->widget());
}

// Text over the picture stays readable on a dark ground of its own.
const QString overlayStyle = QStringLiteral(
    "color: white; font-family: Arial; background-color: rgba(0, 0, 0, 160); padding: 2px;");

QString fileNameOf(const QString &path)
{
    return displayPath(path.mid(path.lastIndexOf(u'/') + 1));
}

void putOnClipboard(const QImage &picture)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    if (!picture.isNull())
        clipboard->setImage(picture);
}

} // namespace

FrmSplash::FrmSplash(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_picture1(new QLabel(this))
    , m_label1(new QLabel(QStringLiteral("Press Escape to Exit"), this))
    , m_caption(new QLabel(this))
    , m_keys(new QLabel(QStringLiteral("Left, Right: previous, next result      Space: actual "
                                       "pixels (drag to pan)      Escape: close"),
          this))
    , m_actual(new QScrollArea(this))
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
    m_caption->setObjectName(QStringLiteral("Label2"));
    m_caption->setStyleSheet(overlayStyle);
    m_caption->move(8, m_label1->geometry().bottom() + 6);
    m_caption->hide();
    m_keys->setObjectName(QStringLiteral("Label3"));
    m_keys->setStyleSheet(overlayStyle);
    m_keys->adjustSize();
    m_keys->hide();

    m_actual->setObjectName(QStringLiteral("ActualPixels"));
    m_actual->setFrameShape(QFrame::NoFrame);
    m_actual->setAlignment(Qt::AlignCenter);
    m_actual->setWidget(new ActualPixelsView);
    m_actual->widget()->setCursor(Qt::OpenHandCursor);
    m_actual->widget()->installEventFilter(this);
    m_actual->setPalette(pal);
    m_actual->hide();

    // Escape and the stepping keys must work whichever control holds the focus.
    setFocusPolicy(Qt::StrongFocus);
    m_picture1->setFocusPolicy(Qt::NoFocus);
    m_actual->setFocusPolicy(Qt::NoFocus);
}

FrmSplash::~FrmSplash() = default;

void FrmSplash::showFromClipboard()
{
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    m_results.reset();
    m_entry = -1;
    leaveActualPixels();
    showPicture(QGuiApplication::clipboard()->image());
    updateCaption();
    openFullScreen();
}

bool FrmSplash::showResult(std::shared_ptr<const RunResults> results, int entry)
{
    if (!results || entry < 0 || entry >= results->List1.size())
        return false;
    const QImage picture = previewPicture(results->List1, entry + 1, results->copies);
    if (picture.isNull())
        return false;
    putOnClipboard(picture);
    m_results = std::move(results);
    m_entry = entry;
    leaveActualPixels();
    showPicture(picture);
    updateCaption();
    openFullScreen();
    return true;
}

bool FrmSplash::showsActualPixels() const
{
    return !m_actual->isHidden();
}

QString FrmSplash::caption() const
{
    return m_caption->isHidden() ? QString() : m_caption->text();
}

void FrmSplash::openFullScreen()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(screen->geometry());
    placePicture();
    showFullScreen();
    raise();
    activateWindow();
    setFocus();
}

void FrmSplash::showPicture(const QImage &picture)
{
    m_picture = picture;
    if (m_picture.isNull()) {
        m_picture1->clear();
    } else {
        m_picture1->setPixmap(QPixmap::fromImage(m_picture));
        m_picture1->resize(m_picture.size());
    }
    m_picture1->setVisible(!m_picture.isNull() && !showsActualPixels());
    placePicture();
}

void FrmSplash::stepTo(int entry)
{
    if (!m_results || entry < 0 || entry >= m_results->List1.size() || entry == m_entry)
        return;
    m_entry = entry;
    const bool actual = showsActualPixels();
    leaveActualPixels();
    const QString &path = m_results->List1.at(entry);
    const QImage picture = previewPicture(m_results->List1, entry + 1, m_results->copies);
    // The clipboard holds what the window shows, as when it opened.
    putOnClipboard(picture);
    showPicture(picture);
    if (picture.isNull()) {
        const auto info = statPath(path, true);
        updateCaption(info && S_ISREG(info->st_mode)
                ? QStringLiteral("Its reduced copy cannot be read.")
                : QStringLiteral("The file is no longer there."));
    } else if (actual) {
        toggleActualPixels(); // the next original at its own pixels too
    } else {
        updateCaption();
    }
    emit resultShown(entry);
}

void FrmSplash::toggleActualPixels()
{
    if (showsActualPixels()) {
        leaveActualPixels();
        updateCaption();
        return;
    }
    if (!m_results || m_entry < 0)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    OriginalPicture original = loadOriginalPicture(m_results->List1.at(m_entry));
    QApplication::restoreOverrideCursor();
    if (original.picture.isNull()) {
        updateCaption(QStringLiteral("The original cannot be shown: %1")
                          .arg(describeProblem(original.problem)));
        return;
    }
    viewOf(m_actual)->setImage(std::move(original.picture));
    m_actual->setGeometry(rect());
    m_actual->show();
    m_picture1->hide();
    // Opened on the middle of the photo, where the reduced copy drew the eye.
    for (QScrollBar *bar : { m_actual->horizontalScrollBar(), m_actual->verticalScrollBar() })
        bar->setValue((bar->minimum() + bar->maximum()) / 2);
    updateCaption();
}

void FrmSplash::leaveActualPixels()
{
    m_actual->hide();
    viewOf(m_actual)->setImage({}); // the original goes at once: it can be large
    m_picture1->setVisible(!m_picture.isNull());
}

void FrmSplash::updateCaption(const QString &note)
{
    const bool stepping = m_results && m_entry >= 0;
    m_caption->setVisible(stepping);
    m_keys->setVisible(stepping);
    if (stepping) {
        QString text = QStringLiteral("%1 of %2      %3")
                           .arg(m_entry + 1)
                           .arg(m_results->List1.size())
                           .arg(fileNameOf(m_results->List1.at(m_entry)));
        if (showsActualPixels()) {
            const QSize size = viewOf(m_actual)->image().size();
            text += QStringLiteral("      actual pixels, %1 x %2")
                        .arg(size.width())
                        .arg(size.height());
        }
        if (!note.isEmpty())
            text += u'\n' + note;
        m_caption->setText(text);
        m_caption->adjustSize();
    }
    for (QWidget *overlay : { m_label1, m_caption, m_keys })
        overlay->raise();
}

void FrmSplash::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        QGuiApplication::clipboard()->clear();
        close();
        return;
    case Qt::Key_Left:
        stepTo(m_entry - 1);
        return;
    case Qt::Key_Right:
        stepTo(m_entry + 1);
        return;
    case Qt::Key_Space:
        toggleActualPixels();
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (showsActualPixels()) {
            m_actual->verticalScrollBar()->triggerAction(event->key() == Qt::Key_Up
                    ? QAbstractSlider::SliderPageStepSub
                    : QAbstractSlider::SliderPageStepAdd);
            return;
        }
        break;
    default:
        break;
    }
    event->ignore();
}

bool FrmSplash::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_actual->widget())
        return QWidget::eventFilter(watched, event);
    // Dragging the photo pans it.
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            break;
        m_dragFrom = mouse->globalPosition().toPoint();
        m_scrollFrom
            = { m_actual->horizontalScrollBar()->value(), m_actual->verticalScrollBar()->value() };
        m_actual->widget()->setCursor(Qt::ClosedHandCursor);
        return true;
    }
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (!(mouse->buttons() & Qt::LeftButton))
            break;
        const QPoint moved = mouse->globalPosition().toPoint() - m_dragFrom;
        m_actual->horizontalScrollBar()->setValue(m_scrollFrom.x() - moved.x());
        m_actual->verticalScrollBar()->setValue(m_scrollFrom.y() - moved.y());
        return true;
    }
    case QEvent::MouseButtonRelease:
        m_actual->widget()->setCursor(Qt::OpenHandCursor);
        return true;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void FrmSplash::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_actual->setGeometry(rect());
    m_keys->move(8, height() - m_keys->height() - 8);
    placePicture();
}

void FrmSplash::placePicture()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize area = screen ? screen->geometry().size() : size();
    m_picture1->move(centredPicturePosition(area, m_picture1->size()));
}

} // namespace lis
