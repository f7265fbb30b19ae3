#include "widgets/isButton.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace lis;

namespace {

// A window with two standard buttons side by side and room around them.
class IsButtonTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window.resize(320, 120);
        first = new isButton(QStringLiteral("&Search"), &window);
        first->setGeometry(40, 40, 100, 28);
        first->setButtonStyle(5);
        second = new isButton(QStringLiteral("Next"), &window);
        second->setGeometry(160, 40, 100, 28);
        second->setButtonStyle(5);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // Mouse input goes through the window, as the platform delivers it, so that enter and leave
    // are worked out by the toolkit. Points are in the window's coordinates.
    static constexpr QPoint outside { 10, 10 };
    QPoint insideFirst() const { return first->geometry().center(); }
    QWindow *handle() { return window.windowHandle(); }
    void moveTo(QPoint p) { QTest::mouseMove(handle(), p); }
    void press(QPoint p) { QTest::mousePress(handle(), Qt::LeftButton, {}, p); }
    void release(QPoint p) { QTest::mouseRelease(handle(), Qt::LeftButton, {}, p); }
    void clickAt(QPoint p) { QTest::mouseClick(handle(), Qt::LeftButton, {}, p); }

    QImage look(isButton *button) const
    {
        return button->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    QWidget window;
    isButton *first = nullptr;
    isButton *second = nullptr;
};

QColor bgr(OleColor value)
{
    return toQColor(value);
}

// Counts the mouse presses that reach one widget itself.
class PressCounter final : public QObject
{
public:
    int presses = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonPress)
            ++presses;
        return false;
    }
};

} // namespace

TEST(isButtonDefaults, PropertiesWhenNothingIsStored)
{
    isButton button;
    EXPECT_EQ(button.buttonStyle(), 3);
    EXPECT_EQ(button.iconSize(), 16);
    EXPECT_EQ(button.iconAlign(), 1);
    EXPECT_EQ(button.captionAlign(), 0);
    EXPECT_EQ(button.nonThemeStyle(), 5);
    EXPECT_EQ(button.toolTipType(), 1);
    EXPECT_EQ(button.maskColor(), 0xC0C0C0u);
    EXPECT_EQ(button.backColor(), systemColor(SystemColor::ButtonFace));
    EXPECT_TRUE(button.isEnabled());
    EXPECT_FALSE(button.value());
    EXPECT_EQ(button.state(), ButtonState::Normal);

    button.setText(QStringLiteral("Copy..."));
    EXPECT_EQ(button.caption(), QStringLiteral("Copy..."));
    button.setButtonStyle(6); // no visual style here: the non-theme look stands in
    EXPECT_EQ(button.drawnStyle(), 5);
}

TEST(isButtonDefaults, PropertiesRoundTripByTheirStoredNames)
{
    isButton button;
    PropertyBag saved = button.writeProperties();
    QStringList keys = saved.values().keys();
    keys.sort();
    // The empty caption is left out; the font and three tooltip values are always written.
    EXPECT_EQ(keys,
        (QStringList { QStringLiteral("Font"), QStringLiteral("ToolTipIcon"),
            QStringLiteral("ToolTipType"), QStringLiteral("Tooltiptitle") }));

    isButton loaded;
    loaded.readProperties(PropertyBag({ { QStringLiteral("style"), 5 },
        { QStringLiteral("CAPTION"), QStringLiteral("Start") }, { QStringLiteral("ButtonType"), 1 },
        { QStringLiteral("usecustomcolors"), true }, { QStringLiteral("inonthemestyle"), 2 } }));
    EXPECT_EQ(loaded.buttonStyle(), 5);
    EXPECT_EQ(loaded.caption(), QStringLiteral("Start"));
    EXPECT_EQ(loaded.buttonType(), 1);
    EXPECT_TRUE(loaded.useCustomColors());
    EXPECT_EQ(loaded.nonThemeStyle(), 2);
    saved = loaded.writeProperties();
    EXPECT_EQ(saved.read<QString>(QStringLiteral("Caption"), QString()), QStringLiteral("Start"));
    EXPECT_TRUE(saved.contains(QStringLiteral("USeCustomColors")));
}

TEST_F(IsButtonTest, ReleaseInsideClicksOnceReleaseOutsideNever)
{
    QSignalSpy clicks(first, &isButton::clicked);
    PressCounter windowPresses;
    window.installEventFilter(&windowPresses);
    // Straight to the button, with no move before it.
    QTest::mousePress(first, Qt::LeftButton, {}, QPoint(50, 14));
    EXPECT_EQ(first->state(), ButtonState::Down);
    EXPECT_EQ(windowPresses.presses, 0); // the button keeps its press to itself
    QTest::mouseRelease(first, Qt::LeftButton, {}, QPoint(50, 14));
    EXPECT_EQ(clicks.count(), 1);

    press(insideFirst());
    moveTo(QPoint(200, 100));
    release(QPoint(200, 100));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_NE(first->state(), ButtonState::Down);

    QTest::mouseDClick(handle(), Qt::LeftButton, {}, insideFirst());
    // The second press of a double-click is a press like any other: two clicks.
    EXPECT_EQ(clicks.count(), 3);
}

TEST_F(IsButtonTest, EnterAndLeaveOncePerVisit)
{
    QSignalSpy entered(first, &isButton::mouseEntered);
    QSignalSpy left(first, &isButton::mouseLeft);
    moveTo(outside);
    for (int x = 45; x < 130; x += 10)
        moveTo(QPoint(x, 50));
    EXPECT_EQ(entered.count(), 1);
    EXPECT_EQ(left.count(), 0);
    EXPECT_EQ(first->state(), ButtonState::Hot);

    moveTo(outside);
    EXPECT_EQ(left.count(), 1);
    EXPECT_EQ(first->state(), ButtonState::Normal);

    moveTo(insideFirst());
    moveTo(insideFirst() + QPoint(3, 1));
    moveTo(outside);
    EXPECT_EQ(entered.count(), 2);
    EXPECT_EQ(left.count(), 2);
}

TEST_F(IsButtonTest, TooltipShowsWhileTheMouseIsOver)
{
    first->setToolTipText(QStringLiteral("Find the images"));
    first->setToolTipTitle(QStringLiteral("Search"));
    moveTo(outside);
    EXPECT_EQ(first->toolTipWindow(), nullptr);
    moveTo(insideFirst());
    ASSERT_NE(first->toolTipWindow(), nullptr);
    moveTo(outside);
    EXPECT_EQ(first->toolTipWindow(), nullptr);
}

TEST_F(IsButtonTest, ToggleStaysDownWhileItsValueIsTrue)
{
    first->setButtonType(1);
    QSignalSpy clicks(first, &isButton::clicked);
    clickAt(insideFirst());
    EXPECT_TRUE(first->value());
    EXPECT_EQ(first->drawnState(), ButtonState::Down);
    moveTo(outside);
    EXPECT_EQ(first->drawnState(), ButtonState::Down);

    clickAt(insideFirst());
    EXPECT_FALSE(first->value());
    EXPECT_NE(first->drawnState(), ButtonState::Down);
    EXPECT_EQ(clicks.count(), 2);

    // Released outside: no click and no flip.
    press(insideFirst());
    release(outside);
    EXPECT_FALSE(first->value());
    EXPECT_EQ(clicks.count(), 2);
}

TEST_F(IsButtonTest, SpaceClicksOnRelease)
{
    first->setFocus();
    QSignalSpy clicks(first, &isButton::clicked);
    QTest::keyPress(first, Qt::Key_Space);
    EXPECT_EQ(first->state(), ButtonState::Down);
    EXPECT_EQ(clicks.count(), 0);
    QTest::keyRelease(first, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(first->state(), ButtonState::Normal);
}

TEST_F(IsButtonTest, ArrowKeysMoveTheFocusLikeTab)
{
    first->setFocus();
    ASSERT_TRUE(first->hasFocus());
    QTest::keyClick(first, Qt::Key_Right);
    EXPECT_TRUE(second->hasFocus());
    QTest::keyClick(second, Qt::Key_Up);
    EXPECT_TRUE(first->hasFocus());
    QTest::keyClick(first, Qt::Key_Down);
    EXPECT_TRUE(second->hasFocus());
    QTest::keyClick(second, Qt::Key_Left);
    EXPECT_TRUE(first->hasFocus());
}

TEST_F(IsButtonTest, AccessKeyClicks)
{
    QSignalSpy clicks(first, &isButton::clicked);
    QSignalSpy otherClicks(second, &isButton::clicked);
    QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(otherClicks.count(), 0);
    EXPECT_EQ(first->state(), ButtonState::Normal);
}

TEST_F(IsButtonTest, DisabledButtonLooksGreyAndTakesNoInput)
{
    QPixmap icon(16, 16);
    icon.fill(QColor(200, 30, 40));
    first->setIcon(icon);
    first->setEnabled(false);
    QSignalSpy clicks(first, &isButton::clicked);
    QSignalSpy entered(first, &isButton::mouseEntered);

    moveTo(insideFirst());
    clickAt(insideFirst());
    QTest::keyClick(first, Qt::Key_Space);
    QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
    first->click();
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(entered.count(), 0);
    EXPECT_EQ(first->drawnState(), ButtonState::Disabled);

    const QImage image = look(first);
    EXPECT_EQ(QColor(image.pixel(50, 0)), bgr(0xBAC7C9)); // disabled border
    EXPECT_EQ(QColor(image.pixel(95, 3)), bgr(0xEAF4F5)); // disabled face
    // The icon, at the left margin, is grey: (200 + 30 + 40) / 3 = 90.
    const QPoint at = iconPosition(1, first->size(), 16, 3);
    EXPECT_EQ(QColor(image.pixel(at + QPoint(8, 8))), QColor(90, 90, 90));

    first->setEnabled(true);
    clickAt(insideFirst());
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(IsButtonTest, StandardLookByState)
{
    moveTo(outside);
    second->setFocus();
    QImage image = look(first);
    const QColor border = bgr(0x743C00);
    EXPECT_EQ(QColor(image.pixel(50, 0)), border);
    EXPECT_EQ(QColor(image.pixel(0, 14)), border);
    EXPECT_EQ(QColor(image.pixel(1, 1)), bgr(0x906E48));
    EXPECT_EQ(QColor(image.pixel(50, 1)), bgr(0xFBFCFC)); // top band starts
    EXPECT_EQ(QColor(image.pixel(50, 26)), bgr(0xC5D0D6)); // bottom band ends
    EXPECT_FALSE(first->mask().contains(QPoint(0, 0)));

    moveTo(insideFirst());
    image = look(first);
    EXPECT_EQ(QColor(image.pixel(50, 1)), bgr(0xCFF0FF)); // hot frame, top line
    EXPECT_EQ(QColor(image.pixel(50, 26)), bgr(0x1097E5)); // hot frame, bottom line

    press(insideFirst());
    image = look(first);
    EXPECT_EQ(QColor(image.pixel(50, 1)), bgr(0xC1CCD1)); // pressed face
    EXPECT_EQ(QColor(image.pixel(50, 0)), border);
    release(insideFirst());
    moveTo(outside);

    // A focused button at rest shows the blue frame.
    first->setFocus();
    image = look(first);
    EXPECT_EQ(QColor(image.pixel(50, 1)), bgr(0xFFE7CE));
    EXPECT_EQ(QColor(image.pixel(50, 26)), bgr(0xEE8269));
}

TEST(IconGrayscale, GreyIsTheMeanOfTheChannels)
{
    QImage colour(2, 1, QImage::Format_ARGB32);
    colour.setPixel(0, 0, qRgba(30, 60, 91, 255)); // 60.33
    colour.setPixel(1, 0, qRgba(255, 0, 0, 0));
    const QImage grey = grayscale(colour);
    EXPECT_EQ(grey.pixel(0, 0), qRgba(60, 60, 60, 255));
    EXPECT_EQ(qAlpha(grey.pixel(1, 0)), 0); // transparency kept

    QPixmap icon(4, 4);
    icon.fill(QColor(0, 0, 255));
    EXPECT_FALSE(PaintIconGrayscale(nullptr, icon, 0, 0, 4, 4));
    QImage target(8, 8, QImage::Format_RGB32);
    target.fill(Qt::white);
    {
        QPainter painter(&target);
        EXPECT_FALSE(PaintIconGrayscale(&painter, QPixmap(), 0, 0, 4, 4));
        EXPECT_TRUE(PaintIconGrayscale(&painter, icon, 2, 2, 4, 4));
    }
    EXPECT_EQ(QColor(target.pixel(3, 3)), QColor(85, 85, 85));
    EXPECT_EQ(QColor(target.pixel(0, 0)), QColor(Qt::white));
}
