#pragma once

#include "app/AppContext.h"
#include "rank/ResultsCopies.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QTreeWidget;

namespace lis {

class FrmSplash;

// The main window: keyword and location, the ranked report, three thumbnails, and the buttons
// that start and steer a run. Its controls keep the names the rest of the program knows them by.
class Form3 final : public QWidget
{
    Q_OBJECT
public:
    explicit Form3(AppContext context, QWidget *parent = nullptr);
    ~Form3() override;

    // The full-screen picture window, created on first use.
    FrmSplash *splash();
    void showSplashFromClipboard();

    // Windows that close when the main window closes.
    void registerChildWindow(QWidget *window);

    // "Copy...": opens the copy results window for the current results, or brings an open one
    // to the front. Does nothing while there are no results.
    void showCopyWindow();

    QLineEdit *vkTextBox3 = nullptr; // keyword
    QPushButton *isButton2 = nullptr; // Search
    QTreeWidget *ListView2 = nullptr; // report
    QPushButton *isButton4 = nullptr; // Cancel
    QPushButton *isButton8 = nullptr; // Options
    QPushButton *isButton7 = nullptr; // Copy...
    QLineEdit *vkTextBox1 = nullptr; // location
    QPushButton *isButton1 = nullptr; // Browse...
    QCheckBox *vkCheck1 = nullptr; // Remember search path
    QPushButton *isButton6 = nullptr; // Previous
    QPushButton *isButton5 = nullptr; // Next
    std::array<QLabel *, 3> Picture1 {};
    QLabel *Label9 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *lblTellMe = nullptr;
    QStatusBar *StatusBar1 = nullptr;

    // The hidden working lists: result paths in report order, raw matches, found image files.
    QStringList List1;
    QStringList List2;
    QStringList List3;
    // Where each result's reduced copy lives in the results folder.
    ResultsCopies resultsCopies;

    bool CancelRequested = false;
    int PagePosition = 0;

    const AppContext &context() const { return m_context; }

signals:
    void helpRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void restoreSettings();
    void saveSettings();
    void openHelp();

    AppContext m_context;
    QPointer<FrmSplash> m_splash;
    QList<QPointer<QWidget>> m_childWindows;
    QPointer<QWidget> m_copyWindow;
};

} // namespace lis
