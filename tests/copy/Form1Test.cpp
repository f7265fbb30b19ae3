#include "copy/ui/Form1.h"

#include "rank/ResultsCopies.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TempAppFolder.h"
#include "tests/support/TestImages.h"
#include "widgets/XP_ProgressBar.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace lis;
using lis::test::FakePrompts;
using lis::test::readFile;
using lis::test::writeFile;

namespace {

const QString caption = QStringLiteral("Lumetra Image Search 1.0");

class Form1Test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir().mkpath(output()));
        copies.reset(dir.filePath(QStringLiteral("SR")));
        QApplication::clipboard()->clear();
    }
    QString output() const { return dir.filePath(QStringLiteral("out")); }
    QString workFolder() const { return dir.filePath(QStringLiteral("LIS")); }

    // Result files with distinct bytes; each gets a results copy of the given size when asked.
    QStringList makeResults(int count, QSize copySize = {})
    {
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            const QString path = dir.filePath(QStringLiteral("photos/r%1.jpg").arg(i));
            EXPECT_TRUE(writeFile(path, QByteArray("result ") + QByteArray::number(i)));
            if (copySize.isValid()) {
                const QImage scene = lis::test::makeScene(copySize.width(), copySize.height(), i);
                EXPECT_TRUE(lis::test::saveImage(scene, copies.assign(path), "BMP"));
            }
            paths.append(path);
        }
        return paths;
    }
    std::unique_ptr<Form1> open(const QStringList &paths)
    {
        auto results = std::make_shared<RunResults>();
        results->List1 = paths;
        results->copies = copies;
        return std::make_unique<Form1>(Form1::Inputs {
            std::move(results), prompts, [this] { ++pictureWindowShown; }, workFolder() });
    }
    QStringList outputFiles() const { return QDir(output()).entryList(QDir::Files, QDir::Name); }
    static int selectedCount(const Form1 &form)
    {
        return static_cast<int>(form.List1->selectedItems().size());
    }

    QTemporaryDir dir;
    ResultsCopies copies;
    FakePrompts prompts;
    int pictureWindowShown = 0;
};

TEST_F(Form1Test, OpensWithEveryResultSelectedAndTheFirstPreviewed)
{
    QStringList paths = makeResults(3, QSize(400, 300));
    const QString longPath = dir.filePath(QString(300, u'L') + QStringLiteral(".png"));
    paths.append(longPath);
    auto form = open(paths);

    EXPECT_EQ(form->windowTitle(), u"Copy Image Search Results");
    ASSERT_EQ(form->List1->count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(form->List1->item(i)->text(), paths[i]);
    EXPECT_EQ(selectedCount(*form), 4);
    EXPECT_EQ(form->List1->currentRow(), 0);
    EXPECT_EQ(form->StatusBar1->currentMessage(), u"4 File(s)");
    EXPECT_TRUE(form->vkOptionButton1->isChecked());
    EXPECT_TRUE(form->isButton2->isEnabled());
    EXPECT_FALSE(form->isButton3->isEnabled());
    EXPECT_EQ(form->Image4.size(), QSize(400, 300));
    EXPECT_EQ(form->Image4.pixel(200, 150), QImage(copies.copyFor(paths[0])).pixel(200, 150));
    EXPECT_EQ(form->Picture1->pixmap().size(), QSize(169, 137));
    EXPECT_TRUE(prompts.shown().isEmpty());
}

TEST_F(Form1Test, PreviewFollowsTheCurrentItemAndKeepsTheLastPictureWithoutACopy)
{
    QStringList paths = makeResults(2, QSize(300, 400));
    paths.append(makeResults(3).last()); // a result without a results copy
    auto form = open(paths);
    form->List1->setCurrentRow(1);
    EXPECT_EQ(form->Image4.size(), QSize(300, 400));
    EXPECT_EQ(form->Image4.pixel(10, 10), QImage(copies.copyFor(paths[1])).pixel(10, 10));
    form->List1->setCurrentRow(2);
    EXPECT_EQ(form->Image4.pixel(10, 10), QImage(copies.copyFor(paths[1])).pixel(10, 10));
}

TEST_F(Form1Test, SelectAllAndDeselectAll)
{
    const QPoint onIndicator(6, 8); // an option button takes clicks on its circle and caption only
    for (int count : { 1, 5 }) {
        auto form = open(makeResults(count));
        QTest::mouseClick(form->vkOptionButton2, Qt::LeftButton, {}, onIndicator);
        EXPECT_EQ(selectedCount(*form), 0);
        EXPECT_FALSE(form->CheckSelection());
        QTest::mouseClick(form->vkOptionButton1, Qt::LeftButton, {}, onIndicator);
        EXPECT_EQ(selectedCount(*form), count);
        form->List1->item(0)->setSelected(false);
        QTest::mouseClick(
            form->vkOptionButton1, Qt::LeftButton, {}, onIndicator); // again, while already on
        EXPECT_EQ(selectedCount(*form), count);
    }
}

TEST_F(Form1Test, StartRefusesWithoutAFolderOrASelection)
{
    auto form = open(makeResults(2));
    const QString notAFolder = dir.filePath(QStringLiteral("photos/r0.jpg"));
    for (const QString &text : { QString(), dir.filePath(QStringLiteral("missing")), notAFolder }) {
        prompts.clear();
        form->vkTextBox1->setText(text);
        QTest::mouseClick(form->isButton2, Qt::LeftButton);
        ASSERT_EQ(prompts.shown().size(), 1) << text.toStdString();
        EXPECT_EQ(prompts.shown()[0].caption, caption);
        EXPECT_EQ(prompts.shown()[0].text, u"Please select a valid output location and try again.");
        EXPECT_EQ(prompts.shown()[0].icon, MessageIcon::Warning);
    }
    // The working folder is emptied after every search: copies there would be lost.
    const QString results = workFolder() + QStringLiteral("/SR");
    ASSERT_TRUE(QDir().mkpath(results));
    const QString link = dir.filePath(QStringLiteral("work-link"));
    ASSERT_TRUE(QFile::link(workFolder(), link));
    for (const QString &text : { workFolder(), results + u'/', results + QStringLiteral("/../SR"),
             link + QStringLiteral("/SR/") }) {
        prompts.clear();
        form->vkTextBox1->setText(text);
        QTest::mouseClick(form->isButton2, Qt::LeftButton);
        ASSERT_EQ(prompts.shown().size(), 1) << text.toStdString();
        EXPECT_EQ(prompts.shown()[0].caption, caption);
        EXPECT_TRUE(prompts.shown()[0].text.contains(u"working folder"))
            << prompts.shown()[0].text.toStdString();
        EXPECT_EQ(prompts.shown()[0].icon, MessageIcon::Warning);
        EXPECT_TRUE(form->lastRun().results.isEmpty());
    }
    EXPECT_TRUE(QDir(results).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_EQ(QDir(workFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList { QStringLiteral("SR") });
    prompts.clear();
    form->vkTextBox1->setText(output());
    form->DeSelectAll();
    QTest::mouseClick(form->isButton2, Qt::LeftButton);
    ASSERT_EQ(prompts.shown().size(), 1);
    EXPECT_EQ(prompts.shown()[0].caption, caption);
    EXPECT_EQ(prompts.shown()[0].text, u"Please select a file or files to copy.");
    EXPECT_EQ(prompts.shown()[0].icon, MessageIcon::Information);
    EXPECT_TRUE(outputFiles().isEmpty());
    EXPECT_EQ(form->XP_ProgressBar1->value(), 0);
}

TEST_F(Form1Test, CopyingTwoOfTenRunsTheBarToTen)
{
    const QStringList paths = makeResults(10);
    auto form = open(paths);
    form->DeSelectAll();
    form->List1->item(3)->setSelected(true);
    form->List1->item(8)->setSelected(true);
    form->vkTextBox1->setText(output()); // typed by hand: no trailing separator
    QList<int> seen;
    QObject::connect(form.get(), &Form1::copyProgressed, [&](int done) {
        seen.append(done);
        EXPECT_FALSE(form->isButton2->isEnabled());
        EXPECT_TRUE(form->isButton3->isEnabled());
    });

    QTest::mouseClick(form->isButton2, Qt::LeftButton);

    EXPECT_EQ(seen.size(), 10);
    EXPECT_EQ(form->XP_ProgressBar1->max(), 10);
    EXPECT_EQ(form->XP_ProgressBar1->value(), 10);
    EXPECT_EQ(form->XP_ProgressBar1->color(), 0x00FF00u);
    EXPECT_TRUE(form->isButton2->isEnabled());
    EXPECT_FALSE(form->isButton3->isEnabled());
    EXPECT_EQ(outputFiles(), (QStringList { QStringLiteral("r3.jpg"), QStringLiteral("r8.jpg") }));
    EXPECT_EQ(readFile(output() + QStringLiteral("/r8.jpg")), QByteArray("result 8"));
    EXPECT_TRUE(prompts.shown().isEmpty());
}

TEST_F(Form1Test, CancelAsksAndYesStopsBeforeTheNextItem)
{
    for (const bool yes : { false, true }) {
        QDir(output()).removeRecursively();
        QDir().mkpath(output());
        prompts.clear();
        auto form = open(makeResults(6));
        form->vkTextBox1->setText(output());
        QObject::connect(form.get(), &Form1::copyProgressed, [&](int done) {
            if (done == 2) {
                prompts.queueAnswer(yes);
                QTest::mouseClick(form->isButton3, Qt::LeftButton);
            }
        });
        form->start();

        ASSERT_EQ(prompts.shown().size(), 1);
        EXPECT_EQ(prompts.shown()[0].kind, FakePrompts::Shown::Kind::Question);
        EXPECT_EQ(prompts.shown()[0].caption, caption);
        EXPECT_EQ(prompts.shown()[0].text, u"Are you sure you want to cancel?");
        EXPECT_EQ(form->lastRun().cancelled, yes);
        EXPECT_EQ(outputFiles().size(), yes ? 2 : 6);
        EXPECT_EQ(form->XP_ProgressBar1->max(), yes ? 0 : 6);
        EXPECT_EQ(form->XP_ProgressBar1->percent(), yes ? 0 : 100);
        EXPECT_EQ(form->XP_ProgressBar1->color(), yes ? 0xFFFFFFu : 0x00FF00u);
        EXPECT_TRUE(form->isButton2->isEnabled());
        EXPECT_FALSE(form->isButton3->isEnabled());
    }
}

TEST_F(Form1Test, CancelClickedDuringTheLoopIsSeenThroughTheEventLoop)
{
    auto form = open(makeResults(4));
    form->vkTextBox1->setText(output());
    prompts.queueAnswer(true);
    QTimer::singleShot(0, form->isButton3, [&] { form->isButton3->click(); });
    form->start();
    EXPECT_TRUE(form->lastRun().cancelled);
    EXPECT_TRUE(outputFiles().isEmpty());
    EXPECT_EQ(prompts.texts(), QStringList { QStringLiteral("Are you sure you want to cancel?") });
}

TEST_F(Form1Test, BrowseAppendsOneSeparatorAndCancelKeepsTheText)
{
    auto form = open(makeResults(1));
    form->vkTextBox1->setText(QStringLiteral("before"));
    prompts.queueFolder(QString());
    QTest::mouseClick(form->isButton1, Qt::LeftButton);
    EXPECT_EQ(form->vkTextBox1->text(), u"before");
    ASSERT_EQ(prompts.shown().size(), 1);
    EXPECT_EQ(prompts.shown()[0].caption,
        u"Lumetra Image Search 1.0 - Please select a location to copy image files.");
    EXPECT_TRUE(prompts.shown()[0].foldersOnly);

    prompts.queueFolder(output());
    form->browse();
    EXPECT_EQ(form->vkTextBox1->text(), QDir::toNativeSeparators(output()) + QDir::separator());
    prompts.queueFolder(QDir::rootPath());
    form->browse();
    EXPECT_EQ(
        form->vkTextBox1->text(), QDir::toNativeSeparators(QDir::rootPath()) + QDir::separator());
}

TEST_F(Form1Test, DoubleClickPutsTheResultsCopyOnTheClipboardAndOpensThePicture)
{
    QStringList paths = makeResults(1, QSize(500, 375));
    paths.append(makeResults(2).last()); // no results copy
    auto form = open(paths);

    QTest::mouseDClick(form->Picture1, Qt::LeftButton);
    EXPECT_EQ(pictureWindowShown, 1);
    const QImage onClipboard = QApplication::clipboard()->image();
    EXPECT_EQ(onClipboard.size(), QSize(500, 375));
    EXPECT_EQ(onClipboard.pixel(250, 100), QImage(copies.copyFor(paths[0])).pixel(250, 100));

    form->List1->setCurrentRow(1);
    QApplication::clipboard()->setText(QStringLiteral("untouched"));
    form->Picture1_DblClick();
    EXPECT_EQ(pictureWindowShown, 1);
    EXPECT_EQ(QApplication::clipboard()->text(), u"untouched");
}

TEST_F(Form1Test, ClosingDuringACopyCancelsItFirst)
{
    auto form = open(makeResults(5));
    form->vkTextBox1->setText(output());
    form->show();
    bool closedWhileCopying = true;
    QObject::connect(form.get(), &Form1::copyProgressed, [&](int done) {
        if (done == 1)
            closedWhileCopying = form->close();
    });
    form->start();
    EXPECT_FALSE(closedWhileCopying); // refused until the loop let go
    EXPECT_TRUE(form->lastRun().cancelled);
    EXPECT_EQ(outputFiles().size(), 1);
    EXPECT_FALSE(form->isVisible());
}

} // namespace
