#include "app/Form3.h"
#include "app/FrmSplash.h"
#include "app/run/Startup.h"
#include "core/Settings.h"
#include "store/ResultStore.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/MainWindowTest.h"
#include "tests/support/TempAppFolder.h"
#include "tests/support/TestImages.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
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
};

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
