#include "copy/ui/Form1.h"

#include "rank/ResultsCopies.h"
#include "tests/reliability/ReliabilitySupport.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/SmallDisk.h"
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
#include <sys/stat.h>

using namespace lis;
using lis::test::differences;
using lis::test::FakePrompts;
using lis::test::fingerprint;
using lis::test::raw;
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
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
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
    // Start again, never the output box, where the next key would change the folder.
    EXPECT_EQ(form->focusWidget(), form->isButton2)
        << qPrintable(form->focusWidget() ? form->focusWidget()->objectName() : QString());
}

TEST_F(Form1Test, CancelAsksAndYesStopsBeforeTheNextItem)
{
    for (const bool yes : { false, true }) {
        QDir(output()).removeRecursively();
        QDir().mkpath(output());
        prompts.clear();
        auto form = open(makeResults(6));
        form->vkTextBox1->setText(output());
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->isButton2->setFocus();
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
        EXPECT_EQ(form->focusWidget(), form->isButton2)
            << qPrintable(form->focusWidget() ? form->focusWidget()->objectName() : QString());
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

// One run that fails for each reason a person can act on: the disk fills up, a result went away
// since the search, a read-only file of the name is kept; then a folder that takes no files. Each
// run says once, at its end, how many chosen results did not arrive and why, and every file that
// was there stays as it was.
TEST_F(Form1Test, CopiesThatFailAreCountedAndToldOnceAtTheEnd)
{
    lis::test::SmallDisk disk(2 << 20);
    if (!disk.isMounted())
        GTEST_SKIP() << "a private tmpfs needs root";
    const QStringList small = makeResults(4);
    const QString big = dir.filePath(QStringLiteral("photos/big.jpg"));
    ASSERT_TRUE(writeFile(big, QByteArray(600 * 1024, 'B')));
    const QString out = disk.filePath(QStringLiteral("out"));
    ASSERT_TRUE(writeFile(out + QStringLiteral("/r2.jpg"), "the user's own"));
    ASSERT_EQ(::chmod(raw(out + QStringLiteral("/r2.jpg")).constData(), 0444), 0);
    ASSERT_TRUE(writeFile(out + QStringLiteral("/notes.txt"), "the user's notes"));
    ASSERT_TRUE(disk.fillUntil(100 * 1024));
    ASSERT_TRUE(QFile::remove(small[1]));
    const QByteArray photos = raw(dir.filePath(QStringLiteral("photos")));
    const auto sourcesBefore = fingerprint(photos);
    const auto outputBefore = fingerprint(raw(out));

    auto form = open({ small[0], big, small[1], small[2], small[3] });
    form->vkTextBox1->setText(out);
    QTest::mouseClick(form->isButton2, Qt::LeftButton);

    ASSERT_EQ(prompts.shown().size(), 1);
    EXPECT_EQ(prompts.shown()[0].caption, caption);
    EXPECT_EQ(prompts.shown()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(prompts.shown()[0].text,
        QStringLiteral("3 of the 5 chosen results were not copied to %1.\n\n"
                       "No space left on the disk: 1\n    %2\n"
                       "The result file is gone or is no longer a file: 1\n    %3\n"
                       "A read-only file of that name is kept: 1\n    %4")
            .arg(out, big, small[1], small[2]));
    EXPECT_EQ(form->XP_ProgressBar1->value(), 5); // the bar as ever: every item counted
    EXPECT_EQ(form->XP_ProgressBar1->max(), 5);
    EXPECT_EQ(differences(outputBefore, fingerprint(raw(out))),
        QStringList({ QStringLiteral("added: r0.jpg"), QStringLiteral("added: r3.jpg") }));
    EXPECT_EQ(differences(sourcesBefore, fingerprint(photos)), QStringList());

    ASSERT_TRUE(disk.makeReadOnly());
    const auto readOnlyBefore = fingerprint(raw(out));
    prompts.clear();
    form->DeSelectAll();
    form->List1->item(0)->setSelected(true);
    form->List1->item(4)->setSelected(true);
    form->start();
    ASSERT_EQ(prompts.shown().size(), 1);
    EXPECT_EQ(prompts.shown()[0].text,
        QStringLiteral("2 of the 2 chosen results were not copied to %1.\n\n"
                       "The output folder cannot be written to: 2\n    %2\n    %3")
            .arg(out, small[0], small[3]));
    EXPECT_EQ(differences(readOnlyBefore, fingerprint(raw(out))), QStringList());
    EXPECT_EQ(differences(sourcesBefore, fingerprint(photos)), QStringList());
}

// A cancel confirmed while a large file is under way stops the copy within that file: its
// scratch file goes, the older copy that holds its name in the output folder and the source
// stay as they were. The result that failed before it is still told, with what was not reached.
TEST_F(Form1Test, CancelConfirmedInsideALargeFileStopsThere)
{
    const QString big = dir.filePath(QStringLiteral("photos/big.jpg"));
    ASSERT_TRUE(writeFile(big, "head"));
    constexpr qint64 bigSize = qint64(256) << 20;
    ASSERT_TRUE(QFile::resize(big, bigSize)); // sparse: read in full, but takes no room
    ASSERT_TRUE(writeFile(output() + QStringLiteral("/big.jpg"), "the copy made last week"));
    const QString gone = makeResults(1).first();
    ASSERT_TRUE(QFile::remove(gone));
    const QByteArray photos = raw(dir.filePath(QStringLiteral("photos")));
    const auto sourcesBefore = fingerprint(photos);
    const auto outputBefore = fingerprint(raw(output()));

    auto form = open({ gone, big });
    form->vkTextBox1->setText(output());
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    // The person clicks Cancel and says Yes once part of the file is in its scratch copy.
    qint64 partWritten = 0;
    QTimer watcher;
    watcher.setInterval(1);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        const QFileInfoList scratch = QDir(output()).entryInfoList(
            { QStringLiteral(".lis-copy-*") }, QDir::Files | QDir::Hidden);
        if (partWritten > 0 || scratch.isEmpty() || scratch[0].size() < (16 << 20))
            return;
        partWritten = scratch[0].size();
        prompts.queueAnswer(true);
        QTest::mouseClick(form->isButton3, Qt::LeftButton);
    });
    watcher.start();
    QTest::mouseClick(form->isButton2, Qt::LeftButton);
    watcher.stop();

    ASSERT_GT(partWritten, 0) << "the copy never yielded inside the file";
    EXPECT_LT(partWritten, bigSize);
    EXPECT_TRUE(form->lastRun().cancelled);
    EXPECT_EQ(form->lastRun().results.size(), 1); // the file under way is not listed
    EXPECT_EQ(prompts.texts(),
        QStringList({ QStringLiteral("Are you sure you want to cancel?"),
            QStringLiteral("1 of the 2 chosen results was not copied to %1.\n\n"
                           "The result file is gone or is no longer a file: 1\n    %2\n\n"
                           "The copy was cancelled with 1 chosen result not yet copied.")
                .arg(output(), gone) }));
    EXPECT_EQ(differences(outputBefore, fingerprint(raw(output()))), QStringList());
    EXPECT_EQ(differences(sourcesBefore, fingerprint(photos)), QStringList());
    EXPECT_EQ(form->XP_ProgressBar1->max(), 0);
    EXPECT_EQ(form->focusWidget(), form->isButton2)
        << qPrintable(form->focusWidget() ? form->focusWidget()->objectName() : QString());
}

} // namespace
