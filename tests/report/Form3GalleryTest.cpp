#include "app/Form3.h"
#include "app/FrmSplash.h"
#include "app/run/Startup.h"
#include "core/Settings.h"
#include "report/ui/Desktop.h"
#include "store/ResultStore.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/MainWindowTest.h"
#include "tests/support/TempAppFolder.h"
#include "tests/support/TestImages.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QToolTip>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace lis;
using namespace Qt::StringLiterals;
using lis::test::FakePrompts;
using lis::test::saveImage;
using lis::test::TempAppFolder;

namespace {

QImage solid(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Records what the window asks the desktop to open instead of launching anything.
class RecordingDesktop final : public Desktop
{
public:
    bool open(const QUrl &url) override
    {
        opened.append(url);
        return true;
    }
    QList<QUrl> opened;
};

// A main window over a sandbox application folder whose store holds results with real files
// and results copies, as a finished ranking phase leaves them.
class Form3GalleryTest : public lis::test::MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        form->search().resultsCopies().reset(app.paths().resultsFolder());
    }
    void TearDown() override
    {
        if (form->splash()->isVisible())
            form->splash()->close();
    }

    // Results ranked count, count - 1, ... 1; each copy is filled with its own grey level.
    void addResults(int count)
    {
        for (int i = 0; i < count; ++i) {
            const QString path = app.filePath(QStringLiteral("pics/%1/photo.png").arg(i));
            ASSERT_TRUE(saveImage(solid({ 80, 60 }, Qt::black), path, "PNG"));
            ASSERT_TRUE(saveImage(solid({ 400, 300 }, colourOf(i)),
                form->search().resultsCopies().assign(path), "PNG"));
            ASSERT_TRUE(started.store->AddImageRank(path, count - i));
        }
    }
    static QColor colourOf(int entry) { return QColor(10 * entry, 100, 200); }
    QString resultPath(int entry) const
    {
        return app.filePath(QStringLiteral("pics/%1/photo.png").arg(entry));
    }
    void showWindow()
    {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->setDesktop(desktop);
    }
    // Pops up the result menu of a report row or a thumbnail box, as a right click does, and
    // runs one of its entries.
    void runMenuEntry(QWidget *target, QPoint at, const QString &entry)
    {
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &click);
        auto *menu = form->findChild<QMenu *>(QStringLiteral("ResultMenu"));
        ASSERT_NE(menu, nullptr) << "no menu for " << qPrintable(entry);
        QStringList entries;
        QAction *chosen = nullptr;
        for (QAction *action : menu->actions()) {
            entries.append(action->text());
            if (action->text() == entry)
                chosen = action;
        }
        EXPECT_EQ(entries,
            QStringList({ u"Open"_s, u"Show in Folder"_s, u"Copy Path"_s, u"Select Similar"_s }));
        ASSERT_NE(chosen, nullptr);
        chosen->trigger();
        menu->close();
        delete menu; // deleted on close only by the next pass of the event loop
    }
    QPoint rowCentre(int row) const
    {
        return form->ListView2->visualItemRect(form->ListView2->topLevelItem(row)).center();
    }
    QStringList captions() const
    {
        return { form->Label2->text(), form->Label6->text(), form->Label7->text() };
    }
    // The colour in the middle of a thumbnail box, or black when it is empty.
    QRgb boxColour(int slot) const
    {
        const QPixmap pixmap = form->Picture1[std::size_t(slot)]->pixmap();
        return pixmap.isNull() ? qRgb(0, 0, 0) : pixmap.toImage().pixel(80, 44);
    }

    RecordingDesktop desktop;
};

// Drags the data over a control and drops it there when the control takes it; true when it did.
bool dragAndDrop(QWidget *target, const QMimeData &data)
{
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

// What a file manager's drag of some paths carries: their addresses and their text.
std::unique_ptr<QMimeData> dragOf(const QStringList &paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(fileUrl(path));
    data->setUrls(urls);
    data->setText(paths.join(u'\n'));
    return data;
}

} // namespace

TEST_F(Form3GalleryTest, ReportFillsListViewAndResultList)
{
    addResults(2);
    ASSERT_TRUE(form->ShowReport());
    ASSERT_EQ(form->ListView2->topLevelItemCount(), 2);
    const QTreeWidgetItem *first = form->ListView2->topLevelItem(0);
    QStringList texts;
    for (int column = 0; column < 6; ++column)
        texts.append(first->text(column));
    EXPECT_EQ(texts.mid(0, 2), QStringList({ QStringLiteral("1"), QStringLiteral("photo") }));
    EXPECT_EQ(texts.mid(3),
        QStringList({ QStringLiteral("PNG"), QStringLiteral("80"), QStringLiteral("60") }));
    EXPECT_EQ(form->List1.size(), 2);
    EXPECT_TRUE(form->List1[0].endsWith(QStringLiteral("pics/0/photo.png")));

    // A second report replaces the first; clearing empties the view.
    ASSERT_TRUE(form->ShowReport());
    EXPECT_EQ(form->ListView2->topLevelItemCount(), 2);
    form->FitReportColumns();
    EXPECT_GE(form->ListView2->columnWidth(1),
        form->ListView2->fontMetrics().horizontalAdvance(QStringLiteral("photo")));
    form->ClearReportList();
    EXPECT_EQ(form->ListView2->topLevelItemCount(), 0);
}

TEST_F(Form3GalleryTest, ReportStopsOnCancelAndRestoresControls)
{
    addResults(3);
    form->isButton4->setEnabled(true);
    form->vkTextBox3->setReadOnly(true);
    form->StatusBar1->showMessage(QStringLiteral("Ranking..."));
    form->CancelRequested = true;
    EXPECT_FALSE(form->ShowReport());
    EXPECT_EQ(form->ListView2->topLevelItemCount(), 0);
    EXPECT_TRUE(form->StatusBar1->currentMessage().isEmpty());
    EXPECT_FALSE(form->isButton4->isEnabled());
    EXPECT_FALSE(form->vkTextBox3->isReadOnly());
}

// Seven results through the buttons: pages 1-3, 4-6 and 7 and back, each box showing its own
// result's copy although every result file is named photo.png.
TEST_F(Form3GalleryTest, ButtonsPageThroughTheThumbnails)
{
    addResults(7);
    ASSERT_TRUE(form->ShowReport());
    form->LoadPics();
    EXPECT_EQ(captions(), QStringList({ u"1"_s, u"2"_s, u"3"_s }));
    EXPECT_EQ(boxColour(1), colourOf(1).rgb());
    EXPECT_TRUE(form->isButton5->isEnabled());
    EXPECT_FALSE(form->isButton6->isEnabled());
    EXPECT_EQ(form->PagePosition, 3);

    QTest::mouseClick(form->isButton5, Qt::LeftButton);
    EXPECT_EQ(captions(), QStringList({ u"4"_s, u"5"_s, u"6"_s }));
    EXPECT_EQ(boxColour(2), colourOf(5).rgb());
    QTest::mouseClick(form->isButton5, Qt::LeftButton);
    EXPECT_EQ(captions(), QStringList({ u"7"_s, QString(), QString() }));
    EXPECT_EQ(boxColour(0), colourOf(6).rgb());
    EXPECT_TRUE(form->Picture1[1]->pixmap().isNull());
    EXPECT_FALSE(form->isButton5->isEnabled());
    EXPECT_TRUE(form->isButton6->isEnabled());

    QTest::mouseClick(form->isButton6, Qt::LeftButton);
    EXPECT_EQ(captions(), QStringList({ u"4"_s, u"5"_s, u"6"_s }));
    QTest::mouseClick(form->isButton6, Qt::LeftButton);
    EXPECT_EQ(captions(), QStringList({ u"1"_s, u"2"_s, u"3"_s }));
    EXPECT_FALSE(form->isButton6->isEnabled());
    EXPECT_TRUE(prompts.shown().isEmpty());
}

TEST_F(Form3GalleryTest, DoubleClickPreviewsThatResultsCopy)
{
    addResults(6);
    ASSERT_TRUE(form->ShowReport());
    form->LoadPics();
    form->nextClicked();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));

    // The middle box of the page 4-6 shows position 5: List1 entry 4.
    QTest::mouseDClick(form->Picture1[1], Qt::LeftButton);
    const QImage onClipboard = QGuiApplication::clipboard()->image();
    ASSERT_EQ(onClipboard.size(), QSize(400, 300));
    EXPECT_EQ(onClipboard.pixel(200, 150), colourOf(4).rgb());
    EXPECT_TRUE(form->splash()->isVisible());
    EXPECT_EQ(form->splash()->picture().size(), QSize(400, 300));

    // Next on the last page tells how many there are, once, under its own caption.
    form->nextClicked();
    ASSERT_EQ(prompts.shown().size(), 1);
    EXPECT_EQ(prompts.shown().front().caption, u"End");
    EXPECT_EQ(prompts.shown().front().text, u"6 image files.");
    EXPECT_EQ(prompts.shown().front().icon, MessageIcon::Information);
    EXPECT_FALSE(form->isButton5->isEnabled());
}

// The report list keeps every column in view: no sideways scroll bar, empty or full, and a long
// name is cut short in its cell while the row's tooltip gives the whole path.
TEST_F(Form3GalleryTest, ReportColumnsStayInViewAndRowsTellTheirPath)
{
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QTreeWidget *list = form->ListView2;
    // The list lays itself out on a timer; done at once here, so the scroll bars are current.
    const auto laidOut = [list] {
        list->doItemsLayout();
        QCoreApplication::processEvents();
    };
    laidOut();
    EXPECT_FALSE(list->horizontalScrollBar()->isVisible());

    addResults(2);
    const QString longName = QStringLiteral("holiday <b> & friends ") + QString(120, u'x');
    const QString longPath = app.filePath(QStringLiteral("pics/far/%1.png").arg(longName));
    ASSERT_TRUE(saveImage(solid({ 80, 60 }, Qt::black), longPath, "PNG"));
    ASSERT_TRUE(saveImage(
        solid({ 400, 300 }, Qt::red), form->search().resultsCopies().assign(longPath), "PNG"));
    ASSERT_TRUE(started.store->AddImageRank(longPath, 100));
    ASSERT_TRUE(form->ShowReport());
    form->FitReportColumns();
    laidOut();
    ASSERT_EQ(form->List1.first(), longPath);

    EXPECT_FALSE(list->horizontalScrollBar()->isVisible());
    const QHeaderView *header = list->header();
    EXPECT_LE(
        header->sectionViewportPosition(5) + header->sectionSize(5), list->viewport()->width());
    EXPECT_LT(header->sectionSize(1), list->fontMetrics().horizontalAdvance(longName));
    for (int column : { 0, 2, 3, 4, 5 }) {
        EXPECT_GE(header->sectionSize(column),
            list->fontMetrics().horizontalAdvance(list->headerItem()->text(column)))
            << column;
    }

    const QRect row = list->visualItemRect(list->topLevelItem(0));
    QHelpEvent help(QEvent::ToolTip, row.center(), list->viewport()->mapToGlobal(row.center()));
    QApplication::sendEvent(list->viewport(), &help);
    EXPECT_TRUE(QToolTip::text().contains(longPath.toHtmlEscaped()))
        << QToolTip::text().toStdString();
    QToolTip::hideText();
}

// Reviewing a run from its report: the selected row brings up its page, Enter and a double-click
// preview it, the menu of a row or a thumbnail opens the file, shows its folder or copies its
// path, a file gone since the run is said and not opened, and only a folder dropped on the
// window becomes the location.
TEST_F(Form3GalleryTest, ReviewFromTheReportAndTheResultMenu)
{
    addResults(7);
    ASSERT_TRUE(form->ShowReport());
    form->LoadPics();
    showWindow();
    QTreeWidget *list = form->ListView2;

    list->setCurrentItem(list->topLevelItem(4));
    EXPECT_EQ(captions(), QStringList({ u"4"_s, u"5"_s, u"6"_s }));
    EXPECT_EQ(boxColour(1), colourOf(4).rgb());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(6));
    ASSERT_EQ(list->currentItem(), list->topLevelItem(6));
    EXPECT_EQ(captions(), QStringList({ u"7"_s, QString(), QString() }));
    EXPECT_FALSE(form->isButton5->isEnabled());
    EXPECT_TRUE(form->isButton6->isEnabled());
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(captions(), QStringList({ u"4"_s, u"5"_s, u"6"_s }));

    const auto closeSplash = [this] {
        form->splash()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(form->splash()->isVisible());
    EXPECT_EQ(form->splash()->results(), form->results().get());
    EXPECT_EQ(form->splash()->entry(), 5);
    EXPECT_EQ(form->splash()->picture().pixel(200, 150), colourOf(5).rgb());
    closeSplash();
    // A double click as the window system delivers it: press and release, then the second press
    // as a double click.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(2));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowCentre(2));
    EXPECT_TRUE(form->splash()->isVisible());
    EXPECT_EQ(form->splash()->entry(), 2);
    closeSplash();

    // The page 1-3 shows now: its last box is entry 2.
    runMenuEntry(list->viewport(), rowCentre(3), u"Open"_s);
    runMenuEntry(list->viewport(), rowCentre(3), u"Show in Folder"_s);
    runMenuEntry(form->Picture1[2], QPoint(80, 44), u"Open"_s);
    EXPECT_EQ(desktop.opened,
        QList<QUrl>({ fileUrl(resultPath(3)), fileUrl(app.filePath(u"pics/3"_s)),
            fileUrl(resultPath(2)) }));
    EXPECT_EQ(desktop.opened.value(1).toLocalFile(), app.filePath(u"pics/3"_s));
    runMenuEntry(form->Picture1[0], QPoint(80, 44), u"Copy Path"_s);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), resultPath(0));
    EXPECT_EQ(
        QGuiApplication::clipboard()->mimeData()->urls(), QList<QUrl>({ fileUrl(resultPath(0)) }));
    EXPECT_TRUE(prompts.shown().isEmpty());

    // A result whose file went away since the run.
    ASSERT_TRUE(QFile::remove(resultPath(4)));
    desktop.opened.clear();
    for (const QString &entry : { u"Open"_s, u"Show in Folder"_s }) {
        SCOPED_TRACE(entry.toStdString());
        prompts.clear();
        runMenuEntry(list->viewport(), rowCentre(4), entry);
        ASSERT_EQ(prompts.shown().size(), 1);
        EXPECT_EQ(prompts.shown()[0].icon, MessageIcon::Warning);
        EXPECT_EQ(prompts.shown()[0].text, u"The file is no longer there:\n"_s + resultPath(4));
    }
    prompts.clear();
    list->setCurrentItem(list->topLevelItem(4));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_FALSE(form->splash()->isVisible());
    ASSERT_EQ(prompts.shown().size(), 1);
    EXPECT_EQ(prompts.shown()[0].text, u"The file is no longer there:\n"_s + resultPath(4));
    EXPECT_TRUE(desktop.opened.isEmpty());

    // Drops: one folder becomes the location wherever it lands; files and several folders do
    // not, not even in the text boxes.
    const QString keyword = form->vkTextBox3->text();
    const QString folder = app.filePath(u"pics/1"_s);
    form->vkTextBox1->setText(u"/before"_s);
    EXPECT_FALSE(dragAndDrop(form.get(), *dragOf({ resultPath(1) })));
    EXPECT_FALSE(dragAndDrop(form->vkTextBox1, *dragOf({ resultPath(1) })));
    EXPECT_FALSE(dragAndDrop(form->vkTextBox3, *dragOf({ resultPath(1) })));
    EXPECT_FALSE(dragAndDrop(form->vkTextBox1, *dragOf({ folder, app.filePath(u"pics/2"_s) })));
    EXPECT_EQ(form->vkTextBox1->text(), u"/before"_s);
    EXPECT_EQ(form->vkTextBox3->text(), keyword);
    for (QWidget *target : { static_cast<QWidget *>(form.get()),
             static_cast<QWidget *>(form->vkTextBox1), static_cast<QWidget *>(form->vkTextBox3) }) {
        SCOPED_TRACE(target->objectName().toStdString());
        form->vkTextBox1->setText(u"/before"_s);
        EXPECT_TRUE(dragAndDrop(target, *dragOf({ folder })));
        EXPECT_EQ(form->vkTextBox1->text(), folder);
        EXPECT_EQ(form->vkTextBox3->text(), keyword);
    }
}

// The picture window opened on a result: Left and Right step through the run's results (and
// no further than its ends), the caption follows, Space shows the original at its own pixels
// and Space again the reduced copy, Escape closes.
TEST_F(Form3GalleryTest, PictureWindowKeys)
{
    addResults(3);
    const QImage original = lis::test::makeScene(900, 700, 3).convertToFormat(QImage::Format_RGB32);
    ASSERT_TRUE(saveImage(original, resultPath(1), "PNG"));
    ASSERT_TRUE(form->ShowReport());
    form->LoadPics();
    showWindow();
    ASSERT_TRUE(form->previewEntry(0));
    const QPointer<FrmSplash> splash = form->splash();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(splash.data()));
    // As the keyboard delivers them: to whatever holds the focus in the picture window.
    const auto press = [&](Qt::Key key) { QTest::keyClick(splash->windowHandle(), key); };

    EXPECT_EQ(splash->caption(), u"1 of 3      photo.png"_s);
    press(Qt::Key_Left);
    EXPECT_EQ(splash->entry(), 0);
    EXPECT_EQ(splash->caption(), u"1 of 3      photo.png"_s);
    press(Qt::Key_Right);
    EXPECT_EQ(splash->entry(), 1);
    EXPECT_EQ(splash->caption(), u"2 of 3      photo.png"_s);
    EXPECT_EQ(splash->picture().pixel(200, 150), colourOf(1).rgb());
    EXPECT_EQ(QGuiApplication::clipboard()->image().pixel(200, 150), colourOf(1).rgb());
    EXPECT_EQ(form->ListView2->currentItem(), form->ListView2->topLevelItem(1));

    press(Qt::Key_Space);
    ASSERT_TRUE(splash->showsActualPixels());
    EXPECT_FALSE(splash->picture1()->isVisible());
    EXPECT_EQ(splash->caption(), u"2 of 3      photo.png      actual pixels, 900 x 700"_s);
    const auto *area = splash->findChild<QScrollArea *>(u"ActualPixels"_s);
    ASSERT_NE(area, nullptr);
    EXPECT_TRUE(area->isVisible());
    EXPECT_EQ(area->widget()->size(), QSize(900, 700));
    const QImage shown = area->widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), QSize(900, 700));
    for (const QPoint at : { QPoint(0, 0), QPoint(450, 350), QPoint(899, 699) })
        EXPECT_EQ(shown.pixel(at), original.pixel(at)) << at.x() << "," << at.y();
    press(Qt::Key_Space);
    EXPECT_FALSE(splash->showsActualPixels());
    EXPECT_TRUE(splash->picture1()->isVisible());
    EXPECT_EQ(splash->caption(), u"2 of 3      photo.png"_s);

    press(Qt::Key_Right);
    press(Qt::Key_Right);
    EXPECT_EQ(splash->entry(), 2);
    EXPECT_EQ(splash->caption(), u"3 of 3      photo.png"_s);
    EXPECT_EQ(splash->picture().pixel(200, 150), colourOf(2).rgb());
    press(Qt::Key_Escape);
    EXPECT_TRUE(!splash || !splash->isVisible());
    EXPECT_TRUE(QGuiApplication::clipboard()->image().isNull());
}
