#pragma once

#include <QImage>
#include <QWidget>

class QLabel;

namespace lis {

// The full-screen picture window. It shows whatever picture is on the clipboard when it opens;
// Escape empties the clipboard and closes it.
class FrmSplash final : public QWidget
{
    Q_OBJECT
public:
    explicit FrmSplash(QWidget *parent = nullptr);

    // Opens the window with the clipboard's picture, or brings an open one to the front
    // without reading the clipboard again.
    void showFromClipboard();
    QImage picture() const { return m_picture; }
    QLabel *picture1() const { return m_picture1; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placePicture();

    QLabel *m_picture1;
    QLabel *m_label1;
    QImage m_picture;
};

} // namespace lis
