#pragma once

#include <QImage>
#include <QWidget>
#include <memory>

class QLabel;
class QScrollArea;

namespace lis {

struct RunResults;

// The full-screen picture window. It shows whatever picture is on the clipboard when it opens;
// Escape empties the clipboard and closes it. Opened on one of a run's results, it also steps
// through them: Left and Right show the previous and next result (its reduced copy, put on the
// clipboard in turn), a caption tells its position and file name, and Space shows the original
// photo at its own pixels, panned with the mouse, the wheel and Up and Down, until Space again.
class FrmSplash final : public QWidget
{
    Q_OBJECT
public:
    explicit FrmSplash(QWidget *parent = nullptr);
    ~FrmSplash() override;

    // Opens the window with the clipboard's picture, or brings an open one to the front
    // without reading the clipboard again. It steps through nothing.
    void showFromClipboard();
    // Opens the window on the result at a 0-based entry of the results, its reduced copy put on
    // the clipboard. False, with the window and the clipboard left as they were, when that
    // result has no picture to show (its file is gone, its copy unreadable).
    bool showResult(std::shared_ptr<const RunResults> results, int entry);

    QImage picture() const { return m_picture; }
    QLabel *picture1() const { return m_picture1; }
    // The results stepped through and the one shown, or null and -1 when the window shows the
    // clipboard alone.
    const RunResults *results() const { return m_results.get(); }
    int entry() const { return m_entry; }
    // Whether the original is shown at its own pixels, and that picture.
    bool showsActualPixels() const;
    QImage actualPixels() const { return m_original; }
    QString caption() const;

signals:
    // The window moved on to another result.
    void resultShown(int entry);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void openFullScreen();
    void showPicture(const QImage &picture);
    void stepTo(int entry);
    void toggleActualPixels();
    void leaveActualPixels();
    void updateCaption(const QString &note = {});
    void placePicture();

    QLabel *m_picture1;
    QLabel *m_label1;
    QLabel *m_caption;
    QLabel *m_keys;
    QScrollArea *m_actual;
    QLabel *m_actualPicture;
    QImage m_picture;
    QImage m_original;
    std::shared_ptr<const RunResults> m_results;
    int m_entry = -1;
    QPoint m_dragFrom;
    QPoint m_scrollFrom;
};

} // namespace lis
