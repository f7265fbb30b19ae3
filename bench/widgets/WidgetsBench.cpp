// How long one frame of the drawn widgets takes: the progress bar in each style at the copy
// window's size, a full value-change-to-screen cycle through a shown bar, and the standard button
// in each state. Run offscreen: QT_QPA_PLATFORM=offscreen ./widgets_bench [frames]

#include "widgets/XP_ProgressBar.h"
#include "widgets/isButton.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <cstdio>

using namespace lis;

namespace {

template<typename F> double microsecondsPerFrame(int frames, F &&drawFrame)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < frames; ++i)
        drawFrame(i);
    return static_cast<double>(timer.nsecsElapsed()) / 1000.0 / frames;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const QSize copyWindowBar(177, 17);

    std::printf("progress bar %dx%d, %d frames each\n", copyWindowBar.width(),
        copyWindowBar.height(), frames);
    for (int style = 0; style <= 9; ++style) {
        XP_ProgressBar bar;
        bar.resize(copyWindowBar);
        bar.setScrolling(style);
        bar.setColor(0x00FF00);
        bar.setShowText(true);
        QImage target(copyWindowBar, QImage::Format_RGB32);
        const double us = microsecondsPerFrame(frames, [&](int i) {
            bar.setValue(i % 101);
            QPainter painter(&target);
            bar.render(&painter);
        });
        std::printf("  style %d: %8.1f us per frame\n", style, us);
    }

    {
        QWidget window;
        window.resize(300, 60);
        auto *bar = new XP_ProgressBar(&window);
        bar->setGeometry(10, 10, copyWindowBar.width(), copyWindowBar.height());
        bar->setScrolling(3);
        bar->setColor(0x00FF00);
        window.show();
        QCoreApplication::processEvents();
        const double us = microsecondsPerFrame(frames, [&](int i) {
            bar->setValue(i % 101);
            bar->repaint();
        });
        std::printf("value change to screen (shown bar, style 3): %8.1f us per value\n", us);
    }

    std::printf("standard button 100x28, %d frames each\n", frames);
    for (const auto &[name, enabled, style] : { std::tuple { "normal", true, 5 },
             std::tuple { "disabled", false, 5 }, std::tuple { "gradient (3)", true, 3 } }) {
        isButton button(QStringLiteral("&Search"));
        button.resize(100, 28);
        button.setButtonStyle(style);
        button.setEnabled(enabled);
        QImage target(button.size(), QImage::Format_ARGB32_Premultiplied);
        const double us = microsecondsPerFrame(frames, [&](int) {
            QPainter painter(&target);
            button.render(&painter);
        });
        std::printf("  %-13s %8.1f us per frame\n", name, us);
    }
    return 0;
}
