#include "app/Form3.h"
#include "app/run/Startup.h"
#include "core/Settings.h"
#include "search/Form4.h"
#include "store/ResultStore.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/MainWindowTest.h"
#include "tests/support/TempAppFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace lis;
using lis::test::FakePrompts;
using lis::test::TempAppFolder;

namespace {

class MainWindowWiringTest : public lis::test::MainWindowTest
{
protected:
    QList<Form4 *> optionWindows() const
    {
        QList<Form4 *> visible;
        for (Form4 *window : form->findChildren<Form4 *>()) {
            if (window->isVisible())
                visible.append(window);
        }
        return visible;
    }
};

TEST_F(MainWindowWiringTest, BrowsePutsAChosenFolderIntoThePathBoxAndACancelChangesNothing)
{
    form->vkTextBox1->setText(QStringLiteral("/before"));
    prompts.queueFolder(QString());
    QTest::mouseClick(form->isButton1, Qt::LeftButton);
    EXPECT_EQ(form->vkTextBox1->text(), u"/before");

    prompts.queueFolder(QStringLiteral("/"));
    QTest::mouseClick(form->isButton1, Qt::LeftButton);
    EXPECT_EQ(form->vkTextBox1->text(), u"/");
    ASSERT_EQ(prompts.shown().size(), 2);
    EXPECT_EQ(prompts.shown()[1].startFolder, u"/");
}

TEST_F(MainWindowWiringTest, OptionsOpensOneModelessWindowThatClosesWithTheMainWindow)
{
    form->show();
    QTest::mouseClick(form->isButton8, Qt::LeftButton);
    QTest::mouseClick(form->isButton8, Qt::LeftButton);
    ASSERT_EQ(optionWindows().size(), 1);
    QPointer<Form4> options = optionWindows().first();
    EXPECT_FALSE(options->isModal());
    EXPECT_TRUE(form->isEnabled());

    // Confirmed, it is gone; the next opening is a fresh window on the saved settings.
    options->vkCheck2->setChecked(false);
    QTest::mouseClick(options->isButton1, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(options.isNull());
    QTest::mouseClick(form->isButton8, Qt::LeftButton);
    ASSERT_EQ(optionWindows().size(), 1);
    options = optionWindows().first();
    EXPECT_FALSE(options->vkCheck2->isChecked());

    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(options.isNull());
}

} // namespace
