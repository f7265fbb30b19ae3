#include "app/Form3.h"
#include "app/FrmSplash.h"
#include "app/run/Startup.h"
#include "copy/ui/Form1.h"
#include "core/Settings.h"
#include "store/ResultStore.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/MainWindowTest.h"
#include "tests/support/TempAppFolder.h"
#include "tests/support/TestImages.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace lis;

namespace {

class CopyFromMainWindowTest : public lis::test::MainWindowTest
{
protected:
    static QList<Form1 *> copyWindows()
    {
        QList<Form1 *> windows;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *window = qobject_cast<Form1 *>(widget); window && window->isVisible())
                windows.append(window);
        }
        return windows;
    }
};

TEST_F(CopyFromMainWindowTest, OpensOneWindowOnlyWhenThereAreResults)
{
    form->showCopyWindow();
    EXPECT_TRUE(copyWindows().isEmpty());

    // Two results of a finished run, the second one gone from the disk since.
    const QString result = app.filePath(QStringLiteral("photos/a.jpg"));
    ASSERT_TRUE(lis::test::writeFile(result, "a"));
    ASSERT_TRUE(started.store->AddImageRank(result, 2));
    ASSERT_TRUE(started.store->AddImageRank(app.filePath(QStringLiteral("photos/b.jpg")), 1));
    ASSERT_TRUE(form->ShowReport());
    form->isButton7->setEnabled(true);
    QTest::mouseClick(form->isButton7, Qt::LeftButton);
    QTest::mouseClick(form->isButton7, Qt::LeftButton);
    const QList<Form1 *> windows = copyWindows();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(windows[0]->List1->count(), 2);
    EXPECT_EQ(windows[0]->List1->item(1)->text(), form->List1[1]);
    EXPECT_EQ(
        windows[0]->parentWidget(), form.get()); // a window of its own, gone with the main one
    EXPECT_TRUE(windows[0]->isWindow());
    EXPECT_TRUE(windows[0]->testAttribute(Qt::WA_DeleteOnClose));
}

TEST_F(CopyFromMainWindowTest, DoubleClickedPreviewOpensThePictureWindow)
{
    const QString result = app.filePath(QStringLiteral("photos/p.jpg"));
    ASSERT_TRUE(lis::test::writeFile(result, "p"));
    form->search().resultsCopies().reset(app.paths().resultsFolder());
    ASSERT_TRUE(lis::test::saveImage(
        lis::test::makeScene(320, 240), form->search().resultsCopies().assign(result), "BMP"));
    ASSERT_TRUE(started.store->AddImageRank(result, 1));
    ASSERT_TRUE(form->ShowReport());
    form->showCopyWindow();
    ASSERT_EQ(copyWindows().size(), 1);

    QTest::mouseDClick(copyWindows()[0]->Picture1, Qt::LeftButton);
    ASSERT_NE(form->splash(), nullptr);
    EXPECT_TRUE(form->splash()->isVisible());
    EXPECT_EQ(form->splash()->picture().size(), QSize(320, 240));
}

} // namespace
