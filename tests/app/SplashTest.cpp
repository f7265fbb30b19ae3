#include "app/FrmSplash.h"
#include "app/SplashGeometry.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

using namespace lis;

TEST(SplashGeometry, CentresOnTheScreen)
{
    EXPECT_EQ(centredPicturePosition({ 1920, 1080 }, { 400, 300 }), QPoint(760, 390));
    EXPECT_EQ(centredPicturePosition({ 1920, 1080 }, { 500, 375 }), QPoint(710, 353));
    // Larger than the screen: a negative offset, the picture is cut at the edges.
    EXPECT_EQ(centredPicturePosition({ 800, 600 }, { 1000, 1000 }), QPoint(-100, -200));
}

TEST(FrmSplash, ShowsClipboardPictureAndEscapeClearsIt)
{
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::red);
    QApplication::clipboard()->setImage(image);

    FrmSplash splash;
    splash.showFromClipboard();
    ASSERT_FALSE(splash.picture().isNull());
    EXPECT_EQ(splash.picture().size(), QSize(400, 300));
    EXPECT_EQ(splash.picture1()->size(), QSize(400, 300));
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(splash.picture1()->pos(), centredPicturePosition(screen, QSize(400, 300)));
    auto *hint = splash.findChild<QLabel *>(QStringLiteral("Label1"));
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->text(), u"Press Escape to Exit");

    // Another key does nothing.
    QTest::keyClick(&splash, Qt::Key_A);
    EXPECT_TRUE(splash.isVisible());
    QTest::keyClick(&splash, Qt::Key_Escape);
    EXPECT_FALSE(splash.isVisible());
    EXPECT_TRUE(QApplication::clipboard()->image().isNull());
}

TEST(FrmSplash, SecondShowKeepsItsPicture)
{
    QImage first(40, 30, QImage::Format_RGB32);
    first.fill(Qt::blue);
    QApplication::clipboard()->setImage(first);
    FrmSplash splash;
    splash.showFromClipboard();
    QImage second(80, 60, QImage::Format_RGB32);
    second.fill(Qt::green);
    QApplication::clipboard()->setImage(second);
    splash.showFromClipboard();
    EXPECT_EQ(splash.picture().size(), QSize(40, 30));
}

TEST(FrmSplash, EmptyClipboardShowsOnlyTheHint)
{
    QApplication::clipboard()->clear();
    FrmSplash splash;
    splash.showFromClipboard();
    EXPECT_TRUE(splash.picture().isNull());
    EXPECT_FALSE(splash.picture1()->isVisible());
    EXPECT_TRUE(splash.isVisible());
}
