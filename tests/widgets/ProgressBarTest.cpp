#include "widgets/ProgressPainter.h"
#include "widgets/XP_ProgressBar.h"

#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

using namespace lis;

namespace {

constexpr OleColor green = 0x00FF00;
constexpr OleColor white = 0xFFFFFF;

QColor pixel(const QImage &image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

bool containsColor(const QImage &image, QColor color)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == color.rgb())
                return true;
    return false;
}

// A bar of the copy window's kind: style 3, 200 by 17 pixels.
std::unique_ptr<XP_ProgressBar> style3Bar(OleColor color)
{
    auto bar = std::make_unique<XP_ProgressBar>();
    bar->resize(200, 17);
    bar->setScrolling(3);
    bar->setBrushStyle(0);
    bar->setColor(color);
    return bar;
}

class PaintCounter final : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

TEST(XP_ProgressBar, DefaultsAndSystemHighlight)
{
    XP_ProgressBar bar;
    EXPECT_EQ(bar.max(), 100);
    EXPECT_EQ(bar.min(), 0);
    EXPECT_EQ(bar.percent(), 0);
    EXPECT_EQ(bar.scrolling(), 0);
    EXPECT_EQ(bar.brushStyle(), 4);
    EXPECT_FALSE(bar.showText());
    EXPECT_EQ(bar.color(), fromQColor(bar.palette().color(QPalette::Highlight)));

    bar.setColor(systemColor(SystemColor::ButtonFace));
    EXPECT_EQ(bar.color(), fromQColor(bar.palette().color(QPalette::Button)));
    EXPECT_EQ(bar.color() & systemColorFlag, 0u);
}

TEST(XP_ProgressBar, Style3FrameAndFillFollowTheColour)
{
    auto bar = style3Bar(white);
    bar->setMax(8);
    bar->setValue(4);
    QImage image = bar->renderImage();
    for (const QPoint p : { QPoint(0, 0), QPoint(50, 8), QPoint(150, 8), QPoint(199, 16) })
        EXPECT_EQ(pixel(image, p.x(), p.y()), QColor(Qt::white)) << p.x() << "," << p.y();

    // Switching to green shows frame and fill at once, without a new value.
    bar->setColor(green);
    image = bar->renderImage();
    const QColor frame(100, 255, 100);
    const QColor fill(180, 255, 180);
    EXPECT_EQ(pixel(image, 0, 0), frame);
    EXPECT_EQ(pixel(image, 199, 8), frame);
    EXPECT_EQ(pixel(image, 100, 16), frame);
    EXPECT_EQ(pixel(image, 1, 1), fill);
    EXPECT_EQ(pixel(image, 99, 15), fill);
    EXPECT_EQ(pixel(image, 100, 8), QColor(Qt::white)); // 50 % of 200 ends before x 100
}

TEST(XP_ProgressBar, ValueAboveMaxDrawsFull)
{
    auto bar = style3Bar(green);
    bar->setMax(8);
    bar->setValue(20);
    EXPECT_EQ(bar->percent(), 100);
    EXPECT_EQ(bar->value(), 8);
    const QImage image = bar->renderImage();
    EXPECT_EQ(pixel(image, 198, 8), QColor(180, 255, 180));
    EXPECT_EQ(pixel(image, 199, 8), QColor(180, 255, 180)); // the fill covers the right edge
}

TEST(XP_ProgressBar, MaxAloneKeepsTheFillAndMaxZeroKeepsItToo)
{
    auto bar = style3Bar(green);
    bar->setMax(8);
    bar->setValue(1);
    EXPECT_EQ(bar->percent(), 12);
    bar->setValue(3);
    EXPECT_EQ(bar->percent(), 38);
    const QImage at38 = bar->renderImage();

    bar->setMax(100);
    EXPECT_EQ(bar->percent(), 38);
    EXPECT_EQ(bar->renderImage(), at38);
    bar->setValue(10);
    EXPECT_EQ(bar->percent(), 10);

    bar->setMax(0);
    bar->setValue(0);
    EXPECT_EQ(bar->percent(), 10);
    bar->setMax(100);
    bar->setValue(100000000); // value * 100 leaves 32 bits
    EXPECT_EQ(bar->percent(), 10);
}

TEST(XP_ProgressBar, OnlyValueAndAppearanceChangesRepaint)
{
    QWidget window;
    window.resize(240, 40);
    auto *bar = new XP_ProgressBar(&window);
    bar->setGeometry(10, 10, 200, 17);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();

    PaintCounter counter;
    bar->installEventFilter(&counter);
    bar->setMax(8);
    bar->setMin(0);
    bar->setBrushStyle(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);

    bar->setValue(4);
    QTRY_VERIFY_WITH_TIMEOUT(counter.paints > 0, 2000);
    counter.paints = 0;
    bar->setColor(green);
    QTRY_VERIFY_WITH_TIMEOUT(counter.paints > 0, 2000);

    // What reaches the screen is the rendered bar.
    const QImage onScreen = bar->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(onScreen, bar->renderImage());
}

TEST(XP_ProgressBar, BackBufferOnlyGrows)
{
    XP_ProgressBar bar;
    bar.resize(120, 20);
    (void)bar.grab();
    bar.resize(60, 30);
    (void)bar.grab();
    EXPECT_EQ(bar.bufferSize(), QSize(120, 30));
}

TEST(XP_ProgressBar, EveryStyleFollowsThePercent)
{
    QImage pattern(8, 8, QImage::Format_RGB32);
    pattern.fill(Qt::red);
    for (int style = 0; style <= 9; ++style) {
        XP_ProgressBar bar;
        bar.resize(200, 20);
        bar.setColor(0x00A000);
        bar.setScrolling(style);
        bar.setImage(pattern);
        bar.setValue(0);
        const QImage empty = bar.renderImage();
        bar.setValue(60);
        const QImage partly = bar.renderImage();
        bar.setValue(100);
        const QImage full = bar.renderImage();
        EXPECT_NE(empty, partly) << "style " << style;
        EXPECT_NE(partly, full) << "style " << style;
    }
}

TEST(XP_ProgressBar, SegmentedStyleDrawsBlocksWithGaps)
{
    XP_ProgressBar bar;
    bar.resize(200, 20);
    bar.setColor(0x00A000);
    bar.setValue(50);
    const QImage image = bar.renderImage();
    const int row = 10;
    // Blocks start 3 pixels in: 6 coloured columns, then 2 white ones.
    for (int x = 3; x < 9; ++x)
        EXPECT_NE(pixel(image, x, row), QColor(Qt::white)) << x;
    EXPECT_EQ(pixel(image, 9, row), QColor(Qt::white));
    EXPECT_EQ(pixel(image, 10, row), QColor(Qt::white));
    EXPECT_NE(pixel(image, 11, row), QColor(Qt::white));
    EXPECT_EQ(pixel(image, 150, row), QColor(Qt::white));

    bar.setOrientation(1);
    bar.setValue(100);
    const QImage upright = bar.renderImage();
    EXPECT_NE(pixel(upright, 100, 16), QColor(Qt::white)); // fills from the bottom
}

TEST(XP_ProgressBar, TextOverTheFillIsDrawnAgainInTheFillColour)
{
    const QColor grey(0xC0, 0xC0, 0xC0);
    const QColor overFill = toQColor(lighten(green, 80));
    QFont font;
    font.setPixelSize(14);
    font.setStyleStrategy(QFont::NoAntialias); // whole pixels in the text colour
    ProgressBarLook look;
    look.color = green;
    look.scrolling = 6;
    look.showText = true;
    look.font = font;

    QImage image(200, 20, QImage::Format_RGB32);
    const auto draw = [&](int percent) {
        look.percent = percent;
        QPainter painter(&image);
        DrawProgressBar(painter, QPalette(), image.size(), look);
    };
    draw(0);
    EXPECT_TRUE(containsColor(image, grey));
    EXPECT_FALSE(containsColor(image, overFill));
    draw(100);
    EXPECT_FALSE(containsColor(image, grey));
    EXPECT_TRUE(containsColor(image, overFill));
    draw(50); // the fill ends inside the text: both colours
    EXPECT_TRUE(containsColor(image, grey));
    EXPECT_TRUE(containsColor(image, overFill));

    EXPECT_EQ(progressText(45, 3), QStringLiteral("45 %"));
    EXPECT_EQ(progressText(45, 2), QStringLiteral("Gathering Required Information"));
}

TEST(XP_ProgressBar, PropertiesPersistOnlyWhenChanged)
{
    XP_ProgressBar bar;
    PropertyBag saved = bar.writeProperties();
    EXPECT_EQ(saved.values().keys(), QStringList { QStringLiteral("Font") });

    XP_ProgressBar loaded;
    loaded.readProperties(PropertyBag({ { QStringLiteral("color"), 0xFFFFFFu },
        { QStringLiteral("SCROLLING"), 3 }, { QStringLiteral("brushstyle"), 0 },
        { QStringLiteral("Max"), 8 }, { QStringLiteral("Value"), 3 } }));
    EXPECT_EQ(loaded.color(), 0xFFFFFFu);
    EXPECT_EQ(loaded.scrolling(), 3);
    EXPECT_EQ(loaded.brushStyle(), 0);
    EXPECT_EQ(loaded.percent(), 38);

    saved = loaded.writeProperties();
    EXPECT_EQ(saved.read<int>(QStringLiteral("Scrolling"), -1), 3);
    EXPECT_EQ(saved.read<int>(QStringLiteral("BrushStyle"), -1), 0);
    EXPECT_FALSE(saved.contains(QStringLiteral("Orientation")));
}
