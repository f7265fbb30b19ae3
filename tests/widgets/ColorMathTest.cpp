#include "widgets/ButtonPainter.h"
#include "widgets/GdiCanvas.h"
#include "widgets/OleColor.h"
#include "widgets/ProgressMath.h"

#include <QPainter>
#include <QPalette>
#include <climits>
#include <gtest/gtest.h>

using namespace lis;

namespace {

struct PercentCase
{
    int value;
    int max;
    int min;
    std::optional<int> percent;
};

class PercentForValue : public ::testing::TestWithParam<PercentCase>
{
};

} // namespace

TEST_P(PercentForValue, RoundsHalfToEvenAndRefusesImpossibleValues)
{
    const PercentCase c = GetParam();
    EXPECT_EQ(progress::percentForValue(c.value, c.max, c.min), c.percent);
}

INSTANTIATE_TEST_SUITE_P(Cases, PercentForValue,
    ::testing::Values(PercentCase { 1, 8, 0, 12 }, // 12.5 goes to the even neighbour
        PercentCase { 3, 8, 0, 38 }, // 37.5 goes to the even neighbour
        PercentCase { 5, 8, 0, 62 }, PercentCase { 7, 8, 0, 88 },
        PercentCase { 20, 8, 0, 250 }, // above max: not clamped here
        PercentCase { -1, 8, 0, -12 }, PercentCase { 1, 3, 0, 33 },
        PercentCase { 50, 100, 5, 55 }, // min is an offset
        PercentCase { 0, 0, 0, std::nullopt }, // max 0
        PercentCase { 21474837, 100, 0, std::nullopt }, // value * 100 overflows
        PercentCase { INT_MIN / 50, 100, 0, std::nullopt },
        PercentCase { 21474836, 1, 100, std::nullopt }, // result leaves 32 bits
        PercentCase { 21474836, 100, 0, 21474836 }));

TEST(ProgressMath, ValueReadsBackFromPercent)
{
    EXPECT_EQ(progress::valueForPercent(12, 8, 0), 1); // 0.96
    EXPECT_EQ(progress::valueForPercent(38, 8, 0), 3); // 3.04
    EXPECT_EQ(progress::valueForPercent(50, 10, 0), 5);
    EXPECT_EQ(progress::valueForPercent(50, 10, 2), 2); // 5 divided by min 2: 2.5 goes to 2
    EXPECT_EQ(progress::valueForPercent(25, 2, 0), 0); // 0.5 goes to the even neighbour
}

TEST(ProgressMath, FillGeometry)
{
    EXPECT_EQ(progress::style3FillRect(50, 200, 20), QRect(QPoint(1, 1), QPoint(99, 18)));
    EXPECT_EQ(progress::style3FillRect(100, 200, 20).right(), 199);
    EXPECT_TRUE(progress::style3FillRect(0, 200, 20).isEmpty());
    // 1 % of 150 is 1.5: to the even neighbour.
    EXPECT_EQ(progress::style3FillRect(1, 150, 20).right(), 1);
    EXPECT_EQ(progress::fillEnd(50, 202, 101), 100);

    // Blocks of 8 from the start; 50 % of 194 over 98 is 98.98, snapped back to 96.
    EXPECT_EQ(progress::segmentedFillEnd(50, 3, 194, 8), 3 + 96);
    EXPECT_EQ(progress::segmentedFillEnd(50, 3, 194, 2), 3 + 98);
    EXPECT_EQ(progress::segmentedFillEnd(-40, 3, 194, 8), 3);
    EXPECT_EQ(progress::segmentedFillEnd(3, 3, 194, 8), 3); // less than one block

    EXPECT_EQ(progress::centredTextRect(QSize(30, 13), 200, 20), QRect(85, 4, 30, 13));
    // 101 / 2 - 30 / 2 = 35.5: to the even neighbour, 36.
    EXPECT_EQ(progress::centredTextRect(QSize(30, 12), 101, 21).topLeft(), QPoint(36, 4));
}

TEST(ColorMath, LightenAndBlendPerChannel)
{
    constexpr OleColor green = 0x00FF00;
    EXPECT_EQ(lighten(green, 100), rgbColor(100, 255, 100));
    EXPECT_EQ(lighten(green, 180), rgbColor(180, 255, 180));
    EXPECT_EQ(lighten(0xFFFFFF, 100), 0xFFFFFFu);
    EXPECT_EQ(lighten(rgbColor(10, 200, 37), 0), rgbColor(10, 200, 37));
    EXPECT_EQ(lighten(rgbColor(10, 200, 37), 255), 0xFFFFFFu);
    // 100 + 200 * 155 \ 255 = 100 + 121 (whole-number division, 121.57 not rounded up)
    EXPECT_EQ(redOf(lighten(rgbColor(200, 0, 0), 100)), 221);

    EXPECT_EQ(blend(0xFFFFFF, 0x000000, 255), 0xFFFFFFu);
    EXPECT_EQ(blend(0xFFFFFF, 0x000000, 0), 0x000000u);
    EXPECT_EQ(blend(rgbColor(100, 0, 255), 0, 200), rgbColor(78, 0, 200)); // 78.43
    EXPECT_EQ(blend(0, rgbColor(0, 0, 255), 100), rgbColor(0, 0, 155));
}

TEST(ColorMath, GradientRunsFromStartToEnd)
{
    const OleColor start = rgbColor(0, 100, 255);
    const OleColor end = rgbColor(255, 100, 0);
    EXPECT_EQ(progress::gradientColor(start, end, 10, 0), start);
    EXPECT_EQ(progress::gradientColor(start, end, 10, 10), end);
    EXPECT_EQ(progress::gradientColor(start, end, 10, 5), rgbColor(128, 100, 128)); // 127.5
    EXPECT_EQ(progress::gradientColor(start, end, 0, 0), start);
}

TEST(ColorMath, SystemColoursTranslateThroughThePaletteOrTheFixedTable)
{
    QPalette palette;
    palette.setColor(QPalette::Active, QPalette::Highlight, QColor(10, 20, 30));
    palette.setColor(QPalette::Active, QPalette::Button, QColor(40, 50, 60));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(70, 80, 90));
    palette.setColor(QPalette::Active, QPalette::ToolTipBase, QColor(1, 2, 3));

    EXPECT_EQ(translateColor(0x8000000D, palette), rgbColor(10, 20, 30));
    EXPECT_EQ(translateColor(systemColor(SystemColor::ButtonFace), palette), rgbColor(40, 50, 60));
    EXPECT_EQ(translateColor(systemColor(SystemColor::GrayText), palette), rgbColor(70, 80, 90));
    EXPECT_EQ(translateColor(systemColor(SystemColor::InfoBackground), palette), rgbColor(1, 2, 3));
    EXPECT_EQ(
        translateColor(systemColor(SystemColor::ActiveCaption), palette), rgbColor(0, 84, 227));
    EXPECT_EQ(translateColor(systemColorFlag | 200, palette), 0u);
    // Plain colours keep their RGB; stray bits above it are dropped.
    EXPECT_EQ(translateColor(0x00FF00, palette), 0x00FF00u);
    EXPECT_EQ(translateColor(0x01123456, palette), 0x123456u);
    EXPECT_EQ(toQColor(0x743C00), QColor(0x00, 0x3C, 0x74));
    EXPECT_EQ(fromQColor(QColor(0x00, 0x3C, 0x74)), 0x743C00u);
}

TEST(ButtonGeometry, IconPlacementAndStyleFallback)
{
    const QSize button(81, 30);
    EXPECT_EQ(iconPosition(0, button, 16, 3), QPoint(32, 7)); // 32.5 and 7: to even
    EXPECT_EQ(iconPosition(1, button, 16, 3), QPoint(3, 7));
    EXPECT_EQ(iconPosition(2, button, 16, 3), QPoint(62, 7));
    EXPECT_EQ(iconPosition(3, button, 16, 7), QPoint(32, 7));
    EXPECT_EQ(iconPosition(4, button, 16, 7), QPoint(32, 7));
    EXPECT_EQ(iconPosition(1, QSize(40, 23), 16, 3), QPoint(3, 4)); // 3.5: to even

    EXPECT_EQ(iconMargin(5), 3);
    EXPECT_EQ(iconMargin(9), 6);
    EXPECT_EQ(iconMargin(10), 7);
    EXPECT_EQ(effectiveButtonStyle(6, 2), 2);
    EXPECT_EQ(effectiveButtonStyle(6, 6), 5);
    EXPECT_EQ(effectiveButtonStyle(5, 2), 5);

    // The caption keeps away from the icon's side.
    EXPECT_GE(captionRect(button, true, 1, 16, 3).left(), 19);
    EXPECT_LE(captionRect(button, true, 2, 16, 3).right(), 81 - 19);
    EXPECT_EQ(captionRect(button, false, 1, 16, 3), QRect(QPoint(4, 4), QPoint(76, 25)));
}

TEST(ButtonGeometry, StandardLookCutsItsCorners)
{
    const QRegion region = buttonRegion(5, QSize(20, 10));
    EXPECT_FALSE(region.contains(QPoint(0, 0)));
    EXPECT_FALSE(region.contains(QPoint(19, 9)));
    EXPECT_TRUE(region.contains(QPoint(1, 0)));
    EXPECT_TRUE(region.contains(QPoint(10, 5)));
    EXPECT_EQ(buttonRegion(1, QSize(20, 10)), QRegion(0, 0, 20, 10));
    EXPECT_FALSE(buttonRegion(10, QSize(40, 20)).contains(QPoint(1, 1)));
}

TEST(GdiCanvas, GradientArgumentsActAsRightAndBottomOfItsLines)
{
    QImage image(12, 10, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        GdiCanvas canvas(painter, QPalette());
        // Lines x = 2 + i for i = 0..5, each from y 2 down to (not including) y 6.
        canvas.gradient(rgbColor(0, 0, 0), rgbColor(250, 0, 0), 2, 2, 5, 6, true);
    }
    EXPECT_EQ(QColor(image.pixel(2, 2)), QColor(0, 0, 0));
    EXPECT_EQ(QColor(image.pixel(7, 5)), QColor(250, 0, 0));
    EXPECT_EQ(QColor(image.pixel(4, 3)), QColor(100, 0, 0));
    EXPECT_EQ(QColor(image.pixel(8, 3)), QColor(Qt::white));
    EXPECT_EQ(QColor(image.pixel(4, 6)), QColor(Qt::white));
    EXPECT_EQ(QColor(image.pixel(1, 3)), QColor(Qt::white));

    // Edges: an etched edge is shadow outside-top-left, highlight inside.
    QPalette palette;
    palette.setColor(QPalette::Dark, QColor(10, 10, 10));
    palette.setColor(QPalette::Light, QColor(250, 250, 250));
    {
        QPainter painter(&image);
        GdiCanvas canvas(painter, palette);
        canvas.drawEdge(0, 0, 12, 10, 6);
    }
    EXPECT_EQ(QColor(image.pixel(5, 0)), QColor(10, 10, 10));
    EXPECT_EQ(QColor(image.pixel(5, 1)), QColor(250, 250, 250));
    EXPECT_EQ(QColor(image.pixel(5, 9)), QColor(250, 250, 250));
    EXPECT_EQ(QColor(image.pixel(5, 8)), QColor(10, 10, 10));
}
