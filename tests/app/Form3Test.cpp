#include "app/Form3.h"

#include "app/run/Startup.h"
#include "core/Settings.h"
#include "store/ResultStore.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/MainWindowTest.h"
#include "tests/support/TempAppFolder.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace lis;
using lis::test::FakePrompts;
using lis::test::TempAppFolder;

namespace {

// Each test opens the windows it needs over the fixture's sandbox, the way a user restarts.
class Form3Test : public lis::test::MainWindowTest
{
};

} // namespace

TEST_F(Form3Test, FirstStartOnCleanSettings)
{
    auto settings = openSettings();
    auto form = openWindow(*settings);
    EXPECT_TRUE(form->vkTextBox1->text().isEmpty());
    EXPECT_FALSE(form->vkCheck1->isChecked());
    EXPECT_EQ(settings->get(QStringLiteral("Search"), QStringLiteral("Subfolders")), u"3");
    EXPECT_EQ(settings->get(QStringLiteral("Search"), QStringLiteral("hiddenfiles")), u"3");
    EXPECT_TRUE(prompts.shown().isEmpty());
}

TEST_F(Form3Test, ControlsAndCaptionsAtOpen)
{
    auto settings = openSettings();
    auto form = openWindow(*settings);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Lumetra Image Search 1.0"));
    EXPECT_EQ(form->size(), QSize(832, 458));
    EXPECT_EQ(form->isButton2->text(), u"Search");
    EXPECT_EQ(form->isButton6->text(), u"   Previous");
    EXPECT_EQ(form->vkCheck1->text(), u"Remember search path");
    EXPECT_FALSE(form->isButton4->isEnabled());
    EXPECT_FALSE(form->isButton7->isEnabled());
    EXPECT_FALSE(form->isButton5->isEnabled());
    EXPECT_FALSE(form->isButton6->isEnabled());
    QStringList headers;
    for (int i = 0; i < form->ListView2->columnCount(); ++i)
        headers.append(form->ListView2->headerItem()->text(i));
    EXPECT_EQ(headers.join(u','), QStringLiteral("Rank,Name,Size,Type,Width,Height"));
}

TEST_F(Form3Test, RepairsOnlyMissingOrNonNumericOptions)
{
    struct Case
    {
        const char *stored;
        const char *after;
    };
    for (const Case c : { Case { "2", "2" }, Case { "0", "3" }, Case { "abc", "3" },
             Case { "", "3" }, Case { "3", "3" }, Case { " 2 ", " 2 " } }) {
        SCOPED_TRACE(c.stored);
        auto settings = openSettings();
        settings->save(
            QStringLiteral("Search"), QStringLiteral("Subfolders"), QString::fromLatin1(c.stored));
        settings->save(
            QStringLiteral("Search"), QStringLiteral("hiddenfiles"), QString::fromLatin1(c.stored));
        auto form = openWindow(*settings);
        EXPECT_EQ(settings->get(QStringLiteral("Search"), QStringLiteral("Subfolders")),
            QString::fromLatin1(c.after));
        EXPECT_EQ(settings->get(QStringLiteral("Search"), QStringLiteral("hiddenfiles")),
            QString::fromLatin1(c.after));
    }
}

TEST_F(Form3Test, RemembersThePathOnlyWhenTicked)
{
    {
        auto settings = openSettings();
        auto form = openWindow(*settings);
        form->vkTextBox1->setText(QStringLiteral("/home/user/Pictures"));
        form->vkCheck1->setChecked(true);
        form->close();
    }
    {
        auto settings = openSettings();
        EXPECT_EQ(settings->get(QStringLiteral("Search"), QStringLiteral("path")),
            u"/home/user/Pictures");
        EXPECT_EQ(settings->get(QStringLiteral("check"), QStringLiteral("searchpath")), u"1");
        auto form = openWindow(*settings);
        EXPECT_EQ(form->vkTextBox1->text(), u"/home/user/Pictures");
        EXPECT_TRUE(form->vkCheck1->isChecked());
        form->vkCheck1->setChecked(false);
        form->close();
    }
    auto settings = openSettings();
    EXPECT_EQ(settings->get(QStringLiteral("Search"), QStringLiteral("path")), QString());
    EXPECT_EQ(settings->get(QStringLiteral("check"), QStringLiteral("searchpath")), u"0");
    auto form = openWindow(*settings);
    EXPECT_TRUE(form->vkTextBox1->text().isEmpty());
    EXPECT_FALSE(form->vkCheck1->isChecked());
}

TEST_F(Form3Test, CloseRemovesResultsFolderWithReadOnlyFiles)
{
    const QString results = app.paths().resultsFolder();
    const QString copy = results + QStringLiteral("/a.jpg");
    ASSERT_TRUE(lis::test::writeFile(copy, "BM"));
    QFile::setPermissions(copy, QFileDevice::ReadOwner);
    auto settings = openSettings();
    auto form = openWindow(*settings);
    form->show();
    form->close();
    EXPECT_FALSE(QDir(results).exists());
    // Closing again with nothing to remove is harmless.
    form->close();
    EXPECT_TRUE(QFile::exists(app.paths().workingDatabase()));

    // A link in the results folder's place goes as a link; the user's folder it points at stays.
    QTemporaryDir users;
    const QString kept = users.filePath(QStringLiteral("photos/kept.jpg"));
    ASSERT_TRUE(lis::test::writeFile(kept, "kept"));
    ASSERT_TRUE(QFile::link(users.filePath(QStringLiteral("photos")), results));
    auto again = openWindow(*settings);
    again->show();
    again->close();
    EXPECT_FALSE(QFileInfo(results).isSymLink());
    EXPECT_EQ(lis::test::readFile(kept), "kept");
}

TEST_F(Form3Test, CloseClosesEveryOtherWindow)
{
    auto settings = openSettings();
    auto form = openWindow(*settings);
    QWidget other;
    other.show();
    form->registerChildWindow(&other);
    form->show();
    form->close();
    EXPECT_FALSE(other.isVisible());
}
