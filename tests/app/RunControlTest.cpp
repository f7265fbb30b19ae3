#include "app/Form3.h"
#include "app/FrmSplash.h"
#include "app/ReportToolTips.h"
#include "app/SelectSimilar.h"
#include "app/SplashGeometry.h"
#include "app/run/Startup.h"
#include "core/Settings.h"
#include "report/RunResults.h"
#include "store/ResultStore.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/MainWindowTest.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempAppFolder.h"
#include "tests/support/TestImages.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <map>

using namespace lis;
using lis::test::FakePrompts;
using lis::test::TempAppFolder;

namespace {

using Shown = FakePrompts::Shown;

class RunControlTest : public lis::test::MainWindowTest
{
protected:
    RunControlTest()
        : MainWindowTest(TempAppFolder::Ranker::With)
    { }

    void SetUp() override
    {
        ASSERT_TRUE(photos.isValid());
        MainWindowTest::SetUp();
        settings->save(
            QStringLiteral("AllImage"), QStringLiteral("filetypes"), QStringLiteral("5"));
        form->show();
    }

    // Writes `count` photos named <prefix>1.jpg ... into `folder` (relative to the photo tree).
    void makePhotos(int count, const QString &prefix = QStringLiteral("sun"),
        const QString &folder = {}, QSize size = { 160, 120 })
    {
        for (int i = 1; i <= count; ++i) {
            const QString path
                = photos.filePath(folder + prefix + QString::number(i) + QStringLiteral(".jpg"));
            ASSERT_TRUE(lis::test::saveImage(
                lis::test::makeScene(size.width(), size.height(), i), path, "JPG", 60 + i * 2));
        }
    }

    void search(const QString &keyword)
    {
        form->vkTextBox3->setText(keyword);
        form->vkTextBox1->setText(photos.path());
        QTest::mouseClick(form->isButton2, Qt::LeftButton);
    }

    QStringList captions() const
    {
        return { form->Label2->text(), form->Label6->text(), form->Label7->text() };
    }

    QStringList messageTexts() const
    {
        QStringList out;
        for (const Shown &s : prompts.shown()) {
            if (s.kind == Shown::Kind::Message)
                out.append(s.text);
        }
        return out;
    }

    QTemporaryDir photos;
};

} // namespace

TEST_F(RunControlTest, WholeRunFromTheSearchButton)
{
    makePhotos(12);
    search(QStringLiteral("sun"));
    EXPECT_EQ(form->List1.size(), 12);
    EXPECT_EQ(form->StatusBar1->currentMessage(), u"12  File(s)");
    EXPECT_TRUE(form->isButton7->isEnabled());
    EXPECT_TRUE(form->isButton2->isEnabled());
    EXPECT_TRUE(form->isButton1->isEnabled());
    EXPECT_TRUE(form->isButton8->isEnabled());
    EXPECT_FALSE(form->isButton4->isEnabled());
    EXPECT_FALSE(form->isButton6->isEnabled());
    EXPECT_TRUE(form->isButton5->isEnabled()); // more than one page
    EXPECT_FALSE(form->vkTextBox3->isReadOnly());
    EXPECT_EQ(form->ListView2->topLevelItemCount(), 12);
    EXPECT_EQ(form->ListView2->topLevelItem(0)->text(0), u"1");
    EXPECT_EQ(form->Label2->text(), u"1");
    EXPECT_EQ(started.store->reportRows().size(), 12u);
    EXPECT_TRUE(messageTexts().isEmpty());
}

TEST_F(RunControlTest, EnterInTheKeywordBoxRunsToo)
{
    makePhotos(2);
    form->vkTextBox3->setText(QStringLiteral("sun"));
    form->vkTextBox1->setText(photos.path());
    form->vkTextBox3->setFocus();
    QTest::keyClick(form->vkTextBox3, Qt::Key_Return);
    EXPECT_EQ(form->List1.size(), 2);
    EXPECT_EQ(form->StatusBar1->currentMessage(), u"2  File(s)");
    EXPECT_FALSE(form->isButton5->isEnabled()); // one page only
}

TEST_F(RunControlTest, BlankKeywordIsRefusedWithFocusInTheBox)
{
    makePhotos(1);
    form->vkTextBox1->setFocus();
    search(QStringLiteral("   "));
    ASSERT_EQ(prompts.shown().size(), 1);
    EXPECT_EQ(prompts.shown()[0].text, u"Please enter search keyword.");
    EXPECT_EQ(prompts.shown()[0].caption, u"Lumetra Image Search 1.0");
    EXPECT_EQ(prompts.shown()[0].icon, MessageIcon::Information);
    EXPECT_EQ(form->focusWidget(), form->vkTextBox3);
    EXPECT_TRUE(form->isButton2->isEnabled());
    EXPECT_TRUE(form->List1.isEmpty());
}

TEST_F(RunControlTest, FileAsLocationIsRefused)
{
    makePhotos(1);
    form->vkTextBox3->setText(QStringLiteral("sun"));
    form->vkTextBox1->setText(photos.filePath(QStringLiteral("sun1.jpg")));
    QTest::mouseClick(form->isButton2, Qt::LeftButton);
    EXPECT_EQ(messageTexts(),
        QStringList { QStringLiteral("Please select a valid search location and try again.") });
    EXPECT_EQ(prompts.shown()[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(form->StatusBar1->currentMessage().isEmpty());
}

TEST_F(RunControlTest, NoResultsSaysSoAndLeavesCopyDisabled)
{
    makePhotos(2);
    search(QStringLiteral("moon"));
    EXPECT_EQ(messageTexts(), QStringList { QStringLiteral(" No results found for moon") });
    EXPECT_EQ(prompts.shown()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(form->StatusBar1->currentMessage(), u"0  File(s)");
    EXPECT_FALSE(form->isButton7->isEnabled());
    EXPECT_FALSE(form->isButton4->isEnabled());
}

TEST_F(RunControlTest, CancelWithNoRunAsksNothing)
{
    form->isButton4->setEnabled(true); // even if it could be clicked
    QTest::mouseClick(form->isButton4, Qt::LeftButton);
    EXPECT_TRUE(prompts.shown().isEmpty());
    EXPECT_FALSE(form->CancelRequested);
}

TEST_F(RunControlTest, CancelDuringTheWalkKeepsThePreviousResults)
{
    makePhotos(3);
    search(QStringLiteral("sun"));
    ASSERT_EQ(started.store->reportRows().size(), 3u);
    const QStringList copiesBefore = QDir(app.paths().resultsFolder()).entryList(QDir::Files);
    ASSERT_EQ(copiesBefore.size(), 3);

    prompts.queueAnswer(true);
    // The click lands at the run's first chance to process events, before the walk.
    QTimer::singleShot(
        0, form.get(), [this] { QTest::mouseClick(form->isButton4, Qt::LeftButton); });
    search(QStringLiteral("sun"));
    EXPECT_EQ(prompts.shown().last().text, u"Are you sure you want to cancel?");
    EXPECT_TRUE(form->StatusBar1->currentMessage().isEmpty());
    EXPECT_FALSE(form->isButton4->isEnabled());
    EXPECT_TRUE(form->isButton2->isEnabled());
    EXPECT_FALSE(form->isButton7->isEnabled());
    EXPECT_FALSE(form->vkTextBox3->isReadOnly());
    EXPECT_TRUE(form->List1.isEmpty());
    EXPECT_EQ(form->ListView2->topLevelItemCount(), 0);
    // The table and the results folder are as the previous run left them.
    EXPECT_EQ(started.store->reportRows().size(), 3u);
    EXPECT_EQ(QDir(app.paths().resultsFolder()).entryList(QDir::Files), copiesBefore);
}

TEST_F(RunControlTest, CancelDuringRankingKeepsRowsButBuildsNoReport)
{
    makePhotos(8, QStringLiteral("sun"), {}, { 900, 700 });
    prompts.queueAnswer(true);
    QTimer poll;
    bool clicked = false;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, form.get(), [&] {
        // Once a row is stored the ranking is under way.
        if (!clicked && !started.store->reportRows().empty()) {
            clicked = true;
            QTest::mouseClick(form->isButton4, Qt::LeftButton);
        }
    });
    poll.start();
    search(QStringLiteral("sun"));
    poll.stop();
    ASSERT_TRUE(clicked);
    const size_t rows = started.store->reportRows().size();
    EXPECT_GE(rows, 1u);
    EXPECT_LT(rows, 8u);
    EXPECT_TRUE(form->List1.isEmpty());
    EXPECT_EQ(form->ListView2->topLevelItemCount(), 0);
    EXPECT_TRUE(form->StatusBar1->currentMessage().isEmpty());
    EXPECT_FALSE(form->isButton7->isEnabled());
    EXPECT_TRUE(form->isButton2->isEnabled());
}

TEST_F(RunControlTest, CancelAnsweredNoLetsTheRunFinish)
{
    makePhotos(4);
    prompts.queueAnswer(false);
    QTimer::singleShot(
        0, form.get(), [this] { QTest::mouseClick(form->isButton4, Qt::LeftButton); });
    search(QStringLiteral("sun"));
    EXPECT_EQ(prompts.shown().first().text, u"Are you sure you want to cancel?");
    EXPECT_EQ(form->List1.size(), 4);
    EXPECT_EQ(form->StatusBar1->currentMessage(), u"4  File(s)");
}

TEST_F(RunControlTest, PagingThroughSevenResults)
{
    makePhotos(7);
    search(QStringLiteral("sun"));
    ASSERT_EQ(form->List1.size(), 7);
    EXPECT_EQ(captions(),
        (QStringList { QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3") }));
    QTest::mouseClick(form->isButton5, Qt::LeftButton);
    EXPECT_EQ(captions(),
        (QStringList { QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6") }));
    EXPECT_TRUE(form->isButton6->isEnabled());
    EXPECT_TRUE(form->isButton5->isEnabled());
    QTest::mouseClick(form->isButton5, Qt::LeftButton);
    EXPECT_EQ(captions(), (QStringList { QStringLiteral("7"), QString(), QString() }));
    EXPECT_FALSE(form->isButton5->isEnabled());
    EXPECT_TRUE(form->Picture1[1]->pixmap().isNull());
    // The disabled Next hands the focus to Previous, never to a text box where the next key
    // would replace the keyword.
    EXPECT_EQ(form->focusWidget(), form->isButton6);
    EXPECT_FALSE(form->vkTextBox3->hasSelectedText());
    QTest::mouseClick(form->isButton6, Qt::LeftButton);
    EXPECT_EQ(captions(),
        (QStringList { QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6") }));
    QTest::mouseClick(form->isButton6, Qt::LeftButton);
    EXPECT_EQ(captions().first(), u"1");
    EXPECT_FALSE(form->isButton6->isEnabled());
    EXPECT_EQ(form->focusWidget(), form->isButton5);
    EXPECT_TRUE(messageTexts().isEmpty());
}

TEST_F(RunControlTest, NextAfterAFullLastPageSaysEnd)
{
    makePhotos(6);
    search(QStringLiteral("sun"));
    QTest::mouseClick(form->isButton5, Qt::LeftButton);
    EXPECT_EQ(captions().last(), u"6");
    ASSERT_TRUE(form->isButton5->isEnabled());
    QTest::mouseClick(form->isButton5, Qt::LeftButton);
    ASSERT_EQ(prompts.shown().size(), 1);
    EXPECT_EQ(prompts.shown()[0].caption, u"End");
    EXPECT_EQ(prompts.shown()[0].text, u"6 image files.");
    EXPECT_EQ(prompts.shown()[0].icon, MessageIcon::Information);
    EXPECT_FALSE(form->isButton5->isEnabled());
    EXPECT_EQ(captions().first(), u"4");
    EXPECT_EQ(form->focusWidget(), form->isButton6);
}

TEST_F(RunControlTest, PreviewOfPositionFiveOpensItsResultsCopyCentred)
{
    makePhotos(7, QStringLiteral("sun"), {}, { 640, 480 });
    search(QStringLiteral("sun"));
    ASSERT_EQ(form->List1.size(), 7);
    QTest::mouseClick(form->isButton5, Qt::LeftButton);
    ASSERT_EQ(form->Label6->text(), u"5");
    QTest::mouseDClick(form->Picture1[1], Qt::LeftButton);
    FrmSplash *splash = form->splash();
    ASSERT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->picture().size(), QSize(500, 375));
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(splash->picture1()->pos(), centredPicturePosition(screen, QSize(500, 375)));
    // The picture is the fifth result's own copy.
    const QString copy = form->results()->copies.copyFor(form->List1[4]);
    EXPECT_EQ(splash->picture().convertToFormat(QImage::Format_RGB32),
        QImage(copy).convertToFormat(QImage::Format_RGB32));
    QTest::keyClick(splash, Qt::Key_Escape);
}

TEST_F(RunControlTest, TwoResultsOfOneNameShowTheirOwnPictures)
{
    ASSERT_TRUE(lis::test::saveImage(QImage(lis::test::makeScene(200, 150, 1)),
        photos.filePath(QStringLiteral("a/sun.png")), "PNG"));
    QImage red(200, 150, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(lis::test::saveImage(red, photos.filePath(QStringLiteral("b/sun.png")), "PNG"));
    search(QStringLiteral("sun"));
    ASSERT_EQ(form->List1.size(), 2);
    const QString first = form->results()->copies.copyFor(form->List1[0]);
    const QString second = form->results()->copies.copyFor(form->List1[1]);
    EXPECT_NE(first, second);
    EXPECT_NE(QImage(first).convertToFormat(QImage::Format_RGB32),
        QImage(second).convertToFormat(QImage::Format_RGB32));
    for (int i = 0; i < 2; ++i) {
        const QImage copy = QImage(form->results()->copies.copyFor(form->List1[i]));
        const bool isRed = copy.pixelColor(100, 75) == QColor(Qt::red);
        EXPECT_EQ(isRed, form->List1[i].contains(u"/b/"));
    }
}

TEST_F(RunControlTest, ClosingDuringARunEndsTheRunFirst)
{
    makePhotos(6, QStringLiteral("sun"), {}, { 800, 600 });
    QTimer::singleShot(0, form.get(), [this] { form->close(); });
    search(QStringLiteral("sun"));
    EXPECT_FALSE(form->isRunning());
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(QDir(app.paths().resultsFolder()).exists());
}

TEST_F(RunControlTest, RowsExplainTheirRank)
{
    makePhotos(2);
    ASSERT_TRUE(lis::test::writeFile(
        photos.filePath(QStringLiteral("sun9.jpg")), QByteArray("\xff\xd8\xff\xe0 broken", 12)));
    search(QStringLiteral("sun"));
    ASSERT_EQ(form->List1.size(), 3);
    // The unreadable file ranks 0, so it is last, and its row says why.
    EXPECT_TRUE(form->List1.last().endsWith(u"sun9.jpg"));
    EXPECT_TRUE(form->explainResult(2).startsWith(u"Not ranked: "));
    const QString good = form->explainResult(0);
    EXPECT_TRUE(good.contains(u"Sharpness")) << good.toStdString();
    EXPECT_TRUE(good.contains(u"Compression"));
    EXPECT_TRUE(form->explainResult(3).isEmpty());
}

// Two frames of one photo and a photo unlike them: the frames' rows say where each stands in
// their stack, and "Select Similar" on one selects the other.
TEST_F(RunControlTest, SimilarPhotosSayTheirPlaceAndSelectTogether)
{
    const QString images
        = lis::test::sharedTestData() + QStringLiteral("/iqa/biq2021-train-more/images/");
    const QString burst = images + QStringLiteral("ss01 (1006).jpg");
    const QString other = images + QStringLiteral("ss01 (1011).jpg");
    LIS_NEED_SHARED_DATA(QFile::exists(burst) && QFile::exists(other), images.toStdString());
    ASSERT_TRUE(QFile::copy(burst, photos.filePath(QStringLiteral("sunA.jpg"))));
    ASSERT_TRUE(lis::test::saveImage(
        QImage(burst), photos.filePath(QStringLiteral("sunA-copy.jpg")), "JPG", 70));
    ASSERT_TRUE(QFile::copy(other, photos.filePath(QStringLiteral("sunB.jpg"))));
    search(QStringLiteral("sun"));
    ASSERT_EQ(form->List1.size(), 3);
    ASSERT_TRUE(form->results());
    std::map<QString, int> rowOf;
    for (int row = 0; row < 3; ++row)
        rowOf[QFileInfo(form->List1[row]).fileName()] = row;
    const int a = rowOf[QStringLiteral("sunA.jpg")], copy = rowOf[QStringLiteral("sunA-copy.jpg")];
    const int best = std::min(a, copy), second = std::max(a, copy);
    EXPECT_TRUE(form->explainResult(best).endsWith(u"\nBest of 2 similar photos"))
        << form->explainResult(best).toStdString();
    EXPECT_TRUE(form->explainResult(second).endsWith(u"\n2nd of 2 similar photos"));
    EXPECT_FALSE(form->explainResult(rowOf[QStringLiteral("sunB.jpg")]).contains(u"similar"));

    QTreeWidget *report = form->ListView2;
    report->clearSelection();
    report->topLevelItem(second)->setSelected(true);
    selectSimilarRows(report, *form->results(), second);
    EXPECT_TRUE(report->topLevelItem(best)->isSelected());
    EXPECT_TRUE(report->topLevelItem(second)->isSelected());
    EXPECT_FALSE(report->topLevelItem(rowOf[QStringLiteral("sunB.jpg")])->isSelected());
    report->clearSelection();
    selectSimilarRows(report, *form->results(), rowOf[QStringLiteral("sunB.jpg")]);
    EXPECT_TRUE(report->selectedItems().isEmpty());
}

TEST(ReportToolTips, StackPlacesInWords)
{
    const std::pair<StackPlace, const char *> cases[] = {
        { { 1, 1, 1 }, "" },
        { { 1, 1, 3 }, "Best of 3 similar photos" },
        { { 1, 2, 3 }, "2nd of 3 similar photos" },
        { { 1, 3, 3 }, "3rd of 3 similar photos" },
        { { 1, 4, 40 }, "4th of 40 similar photos" },
        { { 1, 11, 40 }, "11th of 40 similar photos" },
        { { 1, 12, 40 }, "12th of 40 similar photos" },
        { { 1, 13, 40 }, "13th of 40 similar photos" },
        { { 1, 21, 40 }, "21st of 40 similar photos" },
        { { 1, 22, 40 }, "22nd of 40 similar photos" },
        { { 1, 33, 40 }, "33rd of 40 similar photos" },
        { { 1, 111, 200 }, "111th of 200 similar photos" },
    };
    for (const auto &[place, text] : cases)
        EXPECT_EQ(describeStackPlace(place), QString::fromLatin1(text));
}

// The disk of the application folder fills up during a run. The pictures are not to blame: one
// warning names the working folder and the reason, and the run ends as a cancel does, with the
// rows stored so far kept, the controls restored and no report.
TEST(RunControlFullDisk, WorkingFilesThatCannotBeWrittenStopTheRunWithOneWarning)
{
    lis::test::SmallDisk disk(16 << 20); // room for the ranking library and its model
    if (!disk.isMounted())
        GTEST_SKIP() << "no private tmpfs (needs root)";
    const AppPaths paths(disk.filePath(QStringLiteral("app")));
    const QDir built(lis::test::builtAppFolder());
    ASSERT_TRUE(QDir().mkpath(paths.workFolder()));
    ASSERT_TRUE(QFile::copy(
        built.filePath(QStringLiteral("Lumetra_Image_Search.mdb")), paths.pristineDatabase()));
    for (const QString &library :
        built.entryList({ QStringLiteral("libLumetra_Image_Search.so*") }, QDir::Files))
        ASSERT_TRUE(
            QFile::copy(built.filePath(library), QDir(paths.appFolder()).filePath(library)));
    const StartupResult started = startUp(paths);
    ASSERT_TRUE(started.error.isEmpty()) << started.error.toStdString();
    QTemporaryDir elsewhere;
    Settings settings(elsewhere.filePath(QStringLiteral("settings.ini")));
    settings.save(QStringLiteral("AllImage"), QStringLiteral("filetypes"), QStringLiteral("5"));
    FakePrompts prompts;
    Form3 form(AppContext { paths, settings, *started.store, prompts });
    form.show();
    // The first picture's working bitmap fits on the disk, the second one's does not.
    const QString photos = elsewhere.filePath(QStringLiteral("photos"));
    ASSERT_TRUE(lis::test::saveImage(
        lis::test::makeScene(160, 120, 1), photos + QStringLiteral("/sun1.jpg"), "JPG"));
    ASSERT_TRUE(lis::test::saveImage(
        lis::test::makeScene(1200, 900, 2), photos + QStringLiteral("/sun2.jpg"), "JPG"));
    ASSERT_TRUE(lis::test::saveImage(
        lis::test::makeScene(160, 120, 3), photos + QStringLiteral("/sun3.jpg"), "JPG"));
    ASSERT_TRUE(disk.fillUntil(320 * 1024));

    form.vkTextBox3->setText(QStringLiteral("sun"));
    form.vkTextBox1->setText(photos);
    QTest::mouseClick(form.isButton2, Qt::LeftButton);

    ASSERT_EQ(prompts.shown().size(), 1) << qPrintable(prompts.texts().join(u'|'));
    const Shown &warning = prompts.shown().front();
    EXPECT_EQ(warning.kind, Shown::Kind::Message);
    EXPECT_EQ(warning.caption, lis::productCaption);
    EXPECT_EQ(warning.icon, MessageIcon::Warning);
    EXPECT_TRUE(warning.text.contains(paths.workFolder())) << qPrintable(warning.text);
    EXPECT_TRUE(warning.text.contains(QStringLiteral("No space left on device")))
        << qPrintable(warning.text);
    EXPECT_EQ(started.store->reportRows().size(), 1u); // the first picture's row is kept
    EXPECT_TRUE(form.List1.isEmpty());
    EXPECT_EQ(form.ListView2->topLevelItemCount(), 0);
    EXPECT_TRUE(form.StatusBar1->currentMessage().isEmpty());
    EXPECT_TRUE(form.isButton2->isEnabled());
    EXPECT_FALSE(form.isButton4->isEnabled());
    EXPECT_FALSE(form.isButton7->isEnabled());
    EXPECT_FALSE(form.vkTextBox3->isReadOnly());
}
