#include "app/Form3.h"

#include "app/WindowLook.h"
#include "app/run/Startup.h"
#include "core/Settings.h"
#include "store/ResultStore.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/MainWindowTest.h"
#include "tests/support/TempAppFolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
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

// The thumbnail column down the left edge, placed in twips at 15 twips per pixel.
TEST_F(Form3Test, ThumbnailColumnStandsAtItsTwipsPlaces)
{
    struct Place
    {
        const char *what;
        QWidget *control;
        QRect twips;
    };
    const Place places[] = {
        { "Picture1(0)", form->Picture1[0], { 120, 600, 2415, 1335 } },
        { "Picture1(1)", form->Picture1[1], { 120, 2400, 2415, 1335 } },
        { "Picture1(2)", form->Picture1[2], { 120, 4080, 2415, 1335 } },
        { "Label2", form->Label2, { 120, 1920, 1815, 375 } },
        { "Label6", form->Label6, { 120, 3720, 1935, 255 } },
        { "Label7", form->Label7, { 120, 5520, 2415, 255 } },
        { "isButton6", form->isButton6, { 120, 6000, 1095, 375 } },
        { "isButton5", form->isButton5, { 1440, 6000, 1095, 375 } },
    };
    for (const Place &place : places) {
        SCOPED_TRACE(place.what);
        const QRect &t = place.twips;
        EXPECT_EQ(place.control->geometry(),
            QRect(t.x() / 15, t.y() / 15, t.width() / 15, t.height() / 15));
    }
    EXPECT_EQ(form->Picture1[1]->geometry(), QRect(8, 160, 161, 89)); // one converted by hand
    EXPECT_EQ(form->isButton5->geometry(), QRect(96, 400, 73, 25));
}

// Every control lies inside the client area, none covers another, and each one's text fits in
// the window's own faces: Tahoma (Wine's, as the program registers it) and the Arial metrics.
TEST_F(Form3Test, EveryControlFitsWithoutOverlapOrClipping)
{
    applyWindowLook(*qApp);
    form = openWindow(*settings);
    if (QFontInfo(form->isButton2->font()).family() != u"Tahoma")
        GTEST_SKIP() << "Wine's Tahoma is not installed (fonts-wine)";
    // The widest texts the controls show: a three-digit position under each picture.
    for (QLabel *caption : { form->Label2, form->Label6, form->Label7 })
        caption->setText(QStringLiteral("888"));

    QList<QWidget *> controls;
    for (QWidget *child : form->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!child->isHidden())
            controls.append(child);
    }
    ASSERT_GE(controls.size(), 19);
    const QRect client(QPoint(0, 0), QSize(832, 458));
    // The first two captions begin on the last row of the box above them: their twips say so.
    const auto fixedOverlap = [this](const QWidget *a, const QWidget *b) {
        const auto pair = [&](const QWidget *x, const QWidget *y) {
            return (a == x && b == y) || (a == y && b == x);
        };
        return pair(form->Picture1[0], form->Label2) || pair(form->Picture1[1], form->Label6);
    };
    for (qsizetype i = 0; i < controls.size(); ++i) {
        const QWidget *control = controls[i];
        const QRect place = control->geometry();
        SCOPED_TRACE(control->objectName().toStdString());
        EXPECT_TRUE(client.contains(place));
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            const QRect shared = place.intersected(controls[j]->geometry());
            if (fixedOverlap(control, controls[j]))
                EXPECT_EQ(shared.height(), 1) << controls[j]->objectName().toStdString();
            else
                EXPECT_TRUE(shared.isEmpty()) << controls[j]->objectName().toStdString();
        }
        if (const auto *button = qobject_cast<const isButton *>(control)) {
            // The drawn button keeps its caption 4 pixels inside its edges.
            const QFontMetrics metrics(button->font());
            EXPECT_LE(metrics.horizontalAdvance(button->text()), place.width() - 8);
            EXPECT_LE(metrics.height(), place.height() - 8);
        } else if (qobject_cast<const QLabel *>(control) || qobject_cast<const QCheckBox *>(control)
            || qobject_cast<const QLineEdit *>(control)) {
            // A text box scrolls its text; the others must show all of theirs.
            const QSize needed = control->sizeHint();
            if (!qobject_cast<const QLineEdit *>(control)) {
                EXPECT_LE(needed.width(), place.width());
            }
            EXPECT_LE(needed.height(), place.height());
        }
    }
    // The report list ends where the paging buttons end, beside the thumbnails.
    EXPECT_EQ(form->ListView2->geometry().bottom(), form->isButton5->geometry().bottom());
    EXPECT_GT(form->ListView2->geometry().left(), form->Picture1[0]->geometry().right());
    EXPECT_EQ(form->StatusBar1->geometry().bottom(), client.bottom());
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
