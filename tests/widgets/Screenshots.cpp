// Takes screenshots of the main window after a real run over the shared test images, and of the
// copy window with its progress bar part-way, so the drawn buttons and bar can be looked at.
// Usage (under a display or offscreen): lis-screenshots <output folder> [keyword [folder]]

#include "app/Form3.h"
#include "app/run/Startup.h"
#include "core/Settings.h"
#include "dialogs/Prompts.h"
#include "store/ResultStore.h"
#include "tests/support/TempAppFolder.h"
#include "widgets/XP_ProgressBar.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <cstdio>
#include <functional>

using namespace lis;

namespace {

// Nobody is there to answer: messages are printed, questions answered No, folders cancelled.
class PrintingPrompts final : public Prompts
{
public:
    void message(const QString &caption, const QString &text, MessageIcon) override
    {
        std::fprintf(stderr, "[%s] %s\n", qPrintable(caption), qPrintable(text));
    }
    bool ask(const QString &caption, const QString &text) override
    {
        message(caption, text, MessageIcon::None);
        return false;
    }
    QString browseForFolder(const QString &, const QString &, bool) override { return {}; }
};

bool saveShot(QWidget *window, const QString &path)
{
    QCoreApplication::processEvents();
    const bool saved = window->grab().save(path);
    std::fprintf(stderr, "%s %s\n", saved ? "saved" : "could not save", qPrintable(path));
    return saved;
}

bool waitUntil(const std::function<bool()> &condition, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(50);
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: lis-screenshots <output folder> [keyword [folder]]\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString keyword = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("test");
    if (!out.exists() && !QDir().mkpath(out.path()))
        return 1;

    test::TempAppFolder sandbox(test::TempAppFolder::Ranker::With);
    StartupResult started = startUp(sandbox.paths());
    if (!started.error.isEmpty() || !started.store) {
        std::fprintf(stderr, "start-up failed: %s\n", qPrintable(started.error));
        return 1;
    }
    Settings settings(sandbox.filePath(QStringLiteral("settings.ini")));
    PrintingPrompts prompts;
    Form3 form(AppContext { sandbox.paths(), settings, *started.store, prompts });
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;

    form.vkTextBox3->setText(keyword);
    form.vkTextBox1->setText(argc > 3
            ? QString::fromLocal8Bit(argv[3])
            : QDir(test::sharedTestData())
                  .filePath(QStringLiteral("images/libjpeg-turbo-testimages")));
    QTest::mouseClick(form.isButton2, Qt::LeftButton);
    if (!waitUntil(
            [&] { return form.isButton2->isEnabled() && !form.isButton4->isEnabled(); }, 120000))
        std::fprintf(stderr, "the run did not finish in time\n");
    // Rest the mouse over Search so its hot look shows.
    QTest::mouseMove(form.windowHandle(), form.isButton2->geometry().center());
    bool ok = saveShot(&form, out.filePath(QStringLiteral("main-window.png")));

    form.showCopyWindow();
    QWidget *copyWindow = nullptr;
    waitUntil(
        [&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->objectName() == u"Form1" && w->isVisible())
                    copyWindow = w;
            return copyWindow != nullptr;
        },
        5000);
    if (copyWindow) {
        // Shown part-way (2 of 3 copied) in the copy window's colours, as during a copy.
        if (auto *bar
            = copyWindow->findChild<XP_ProgressBar *>(QStringLiteral("XP_ProgressBar1"))) {
            bar->setVisible(true);
            bar->setMax(3);
            bar->setColor(0x00FF00);
            bar->setValue(2);
        }
        ok = saveShot(copyWindow, out.filePath(QStringLiteral("copy-window.png"))) && ok;
    } else {
        std::fprintf(stderr, "no copy window opened (no results?)\n");
    }
    return ok ? 0 : 1;
}
