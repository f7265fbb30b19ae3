#pragma once

#include "app/AppContext.h"
#include "app/run/SearchRun.h"
#include "core/ThrottledYield.h"
#include "report/ThumbnailPager.h"
#include "widgets/isButton.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <array>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QStatusBar;
class QTreeWidget;

namespace lis {

class FrmSplash;
class XP_ProgressBar;
class ReportToolTips;

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

    // The ranked report: fills ListView2 and List1 from the result store, highest rank first.
    // False when it found the cancel flag and stopped (status emptied, Cancel disabled, keyword
    // box unlocked; the rows so far stay).
    bool ShowReport();
    void ClearReportList();
    void FitReportColumns();
    // The thumbnail pages. clearThumbnails empties the three boxes and captions and disables
    // Next and Previous; LoadPics shows the page beginning at the given entry of List1.
    void clearThumbnails();
    void LoadPics(int selected = 0);
    void nextClicked(); // "Next": the end-of-list message, or the next page
    void LoadNextPics();
    void LoadPreviousPics(); // "Previous"
    // Double-click on thumbnail box 0, 1 or 2: previews that result's copy.
    void Picture1_DblClick(int index);

    QLineEdit *vkTextBox3 = nullptr; // keyword
    isButton *isButton2 = nullptr; // Search
    QTreeWidget *ListView2 = nullptr; // report
    isButton *isButton4 = nullptr; // Cancel
    isButton *isButton8 = nullptr; // Options
    isButton *isButton7 = nullptr; // Copy...
    QLineEdit *vkTextBox1 = nullptr; // location
    isButton *isButton1 = nullptr; // Browse...
    QCheckBox *vkCheck1 = nullptr; // Remember search path
    isButton *isButton6 = nullptr; // Previous
    isButton *isButton5 = nullptr; // Next
    XP_ProgressBar *XP_ProgressBar1 = nullptr; // kept hidden; nothing in this window sets it
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

    bool CancelRequested = false;
    int PagePosition = 0;

    // "Search" and Enter in the keyword box: one whole run.
    void runSearch();
    // "Cancel": asks, and on Yes sets the cancel flag the run's loops read.
    void cancelClicked();
    bool isRunning() const { return m_running; }
    // The run engine of this window: its ranking library binding and the ranking phase's
    // results copies.
    SearchRun &search() { return *m_search; }
    // What the last finished run found, or null.
    const std::shared_ptr<const RunResults> &results() const { return m_results; }
    // Why the result at a report row ranked where it did, or why it could not be read.
    QString explainResult(int row);

signals:
    void runFinished();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void restoreSettings();
    void saveSettings();
    void openHelp();
    void connectGallery();
    void showPage(const ThumbnailPager::Changes &changes);

    void runSteps(const QString &keyword, const QString &location);
    void showResults(std::shared_ptr<const RunResults> results);
    void cancelCleanup();
    void enableStartControls();
    void restoreAfterCancel();

    AppContext m_context;
    ReportToolTips *reportToolTips();

    class RunView;
    std::unique_ptr<SearchRun> m_search;
    std::shared_ptr<const RunResults> m_results;
    ThrottledYield m_yield;
    ReportToolTips *m_reportToolTips = nullptr; // owned by ListView2
    bool m_running = false;
    bool m_closeAfterRun = false;
    QPointer<FrmSplash> m_splash;
    QList<QPointer<QWidget>> m_childWindows;
    QPointer<QWidget> m_copyWindow;
    ThumbnailPager m_pager;
};

} // namespace lis
