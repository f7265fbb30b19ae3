// The main window's review of a run's results: the page that follows the report's selection,
// the preview from a row, the results' context menu, and the folder dropped on the window.

#include "app/Form3.h"
#include "app/SelectSimilar.h"
#include "core/FileNames.h"
#include "core/UserFile.h"
#include "dialogs/Prompts.h"
#include "report/RunResults.h"
#include "report/ui/Desktop.h"

#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTreeWidget>

namespace lis {

namespace {

bool isFile(const QString &path)
{
    const auto info = statPath(path, true);
    return info && S_ISREG(info->st_mode);
}

} // namespace

void Form3::connectReview()
{
    connect(ListView2, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        showPageOfRow(item ? ListView2->indexOfTopLevelItem(item) : -1);
    });
    connect(ListView2, &QTreeWidget::itemDoubleClicked, this,
        [this](QTreeWidgetItem *item) { previewEntry(ListView2->indexOfTopLevelItem(item)); });
    ListView2->installEventFilter(this);

    ListView2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView2, &QWidget::customContextMenuRequested, this, [this](QPoint pos) {
        QTreeWidgetItem *item = ListView2->itemAt(pos);
        if (item)
            popUpResultMenu(
                ListView2->indexOfTopLevelItem(item), ListView2->viewport()->mapToGlobal(pos));
    });
    for (int slot = 0; slot < ThumbnailPager::slotCount; ++slot) {
        QLabel *box = Picture1[std::size_t(slot)];
        box->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(box, &QWidget::customContextMenuRequested, this, [this, box, slot](QPoint pos) {
            popUpResultMenu(m_pager.position(slot) - 1, box->mapToGlobal(pos));
        });
    }

    // A folder dropped anywhere on the window becomes the location; the text boxes take text
    // drops of their own, so they are asked first.
    setAcceptDrops(true);
    vkTextBox1->installEventFilter(this);
    vkTextBox3->installEventFilter(this);
}

void Form3::showPageOfRow(int row)
{
    // A run selects its first row while it fills the report; its pages are set up after.
    if (m_running || !m_results || row < 0 || row >= List1.size() || m_pager.shows(row))
        return;
    showPage(m_pager.showPageOf(int(List1.size()), row));
}

void Form3::popUpResultMenu(int entry, QPoint globalPos)
{
    if (m_running || !m_results || entry < 0 || entry >= List1.size())
        return;
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("ResultMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The menu acts on the results it was opened for, whatever happens to the window's since.
    const QString path = List1.at(entry);
    menu->addAction(QStringLiteral("Open"), this, [this, path] { openOnDesktop(path, false); });
    menu->addAction(
        QStringLiteral("Show in Folder"), this, [this, path] { openOnDesktop(path, true); });
    menu->addAction(QStringLiteral("Copy Path"), this,
        [path] { QGuiApplication::clipboard()->setMimeData(pathMimeData(path)); });
    // Photos like no other have nothing to select with them.
    QAction *similar = menu->addAction(QStringLiteral("Select Similar"), this,
        [this, results = m_results, entry] { selectSimilarRows(ListView2, *results, entry); });
    similar->setEnabled(!m_results->similarRows(entry).empty());
    menu->popup(globalPos);
}

bool Form3::resultStillThere(const QString &result)
{
    if (isFile(result))
        return true;
    m_context.prompts.message(productCaption,
        QStringLiteral("The file is no longer there:\n%1").arg(displayPath(result)),
        MessageIcon::Warning);
    return false;
}

bool Form3::openOnDesktop(const QString &result, bool itsFolder)
{
    // The folder of a file gone since the run would show the user something else than asked.
    if (!resultStillThere(result))
        return false;
    const QString target = itsFolder ? containingFolder(result) : result;
    if (m_desktop->open(fileUrl(target)))
        return true;
    m_context.prompts.message(productCaption,
        QStringLiteral("No program could open the %1:\n%2")
            .arg(
                itsFolder ? QStringLiteral("folder") : QStringLiteral("file"), displayPath(target)),
        MessageIcon::Warning);
    return false;
}

void Form3::dragEnterEvent(QDragEnterEvent *event)
{
    if (!draggedFolder(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Form3::dragMoveEvent(QDragMoveEvent *event)
{
    if (!draggedFolder(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Form3::dropEvent(QDropEvent *event)
{
    const QString folder = draggedFolder(event->mimeData());
    if (folder.isEmpty())
        return;
    vkTextBox1->setText(folder);
    event->acceptProposedAction();
}

bool Form3::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ListView2 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (QTreeWidgetItem *item = ListView2->currentItem())
                previewEntry(ListView2->indexOfTopLevelItem(item));
            return true;
        }
    }
    if (watched == vkTextBox1 || watched == vkTextBox3) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop: {
            // The boxes take dragged text of their own; a drag of files or folders is the
            // window's: one folder becomes the location, anything else is refused, so no path
            // ends up typed into the keyword or taken for a folder to search.
            auto *drag = static_cast<QDropEvent *>(event);
            if (!drag->mimeData()->hasUrls())
                break;
            if (event->type() == QEvent::Drop)
                dropEvent(drag);
            else
                dragMoveEvent(static_cast<QDragMoveEvent *>(event));
            return true;
        }
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace lis
