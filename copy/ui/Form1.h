#pragma once

#include "copy/CopyRun.h"
#include "core/ThrottledYield.h"
#include "dialogs/FolderPicker.h"
#include "report/RunResults.h"
#include "widgets/isButton.h"

#include <QImage>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QStatusBar;

namespace lis {

class Prompts;
class XP_ProgressBar;

// The copy results window: lists the last run's result files, previews the chosen one from its
// results copy, and copies the selected files into an output folder.
class Form1 final : public QWidget
{
    Q_OBJECT
public:
    struct Inputs
    {
        // The run the window was opened for: its results in report order and their copies.
        std::shared_ptr<const RunResults> results;
        Prompts &prompts; // messages, the question and the copy folder picker
        // Opens the full-screen picture window with the clipboard's picture.
        std::function<void()> showPictureWindow;
        // The program's working folder, emptied after every run: never a place to copy to.
        QString workFolder;
    };

    explicit Form1(Inputs inputs, QWidget *parent = nullptr);
    ~Form1() override;

    // Procedures the buttons and the list run; public so the main window and tests can drive them.
    int CopyListItems(const QStringList &source);
    void SelectALLAPI();
    void DeSelectAll();
    bool CheckSelection() const;
    void CopyImage();
    void List1_Click();
    void Picture1_DblClick();
    void browse(); // "Browse..."
    void start(); // "Start"
    void cancel(); // "Cancel"

    bool isCopying() const { return m_copying; }
    // What the last copy did with each item it reached.
    const CopyRunResult &lastRun() const { return m_lastRun; }

    QGroupBox *Frame1 = nullptr;
    QListWidget *List1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QLabel *Picture1 = nullptr;
    QImage Image4; // the preview picture as loaded, before fitting
    QRadioButton *vkOptionButton1 = nullptr; // Select All
    QRadioButton *vkOptionButton2 = nullptr; // Deselect All
    XP_ProgressBar *XP_ProgressBar1 = nullptr;
    isButton *isButton2 = nullptr; // Start
    isButton *isButton3 = nullptr; // Cancel
    QLineEdit *vkTextBox1 = nullptr; // output folder
    isButton *isButton1 = nullptr; // Browse...
    QStatusBar *StatusBar1 = nullptr;

    bool CancelCopy = false;

signals:
    // After each item of a copy, with the number of items done.
    void copyProgressed(int done);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void load();
    QList<CopyItem> itemsToCopy() const;
    QString previewPathOfCurrent() const;

    const std::shared_ptr<const RunResults> m_results;
    Prompts &m_prompts;
    FolderPickers m_pickers;
    std::function<void()> m_showPictureWindow;
    QString m_workFolder;
    CopyRunResult m_lastRun;
    ThrottledYield m_yield;
    bool m_copying = false;
    bool m_closeWhenIdle = false;
};

} // namespace lis
