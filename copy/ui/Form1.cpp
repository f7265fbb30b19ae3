#include "copy/ui/Form1.h"

#include "copy/CopyDestination.h"
#include "dialogs/Prompts.h"
#include "rank/ResultsCopies.h"
#include "report/Picture.h"
#include "widgets/XP_ProgressBar.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStatusBar>

namespace lis {

namespace {

inline const QString windowCaption = QStringLiteral("Copy Image Search Results");
inline const QString noOutputFolderText
    = QStringLiteral("Please select a valid output location and try again.");
inline const QString workFolderText
    = QStringLiteral("The output location is inside the program's working folder, which is emptied "
                     "after every search. Please select another output location.");
inline const QString noSelectionText = QStringLiteral("Please select a file or files to copy.");
inline const QString cancelQuestion = QStringLiteral("Are you sure you want to cancel?");

constexpr OleColor barGreen = 0x00FF00;
constexpr OleColor barWhite = 0xFFFFFF;

// The layout is given in twips; at 15 twips per pixel every position is a whole pixel.
constexpr int twipsPerPixel = 15;
constexpr QRect twips(int left, int top, int width, int height)
{
    return { left / twipsPerPixel, top / twipsPerPixel, width / twipsPerPixel,
        height / twipsPerPixel };
}
constexpr QSize clientSize { 11070 / twipsPerPixel, 5610 / twipsPerPixel };

template<typename T, typename... Args> T *named(QWidget *parent, const char *name, Args &&...args)
{
    auto *control = new T(std::forward<Args>(args)..., parent);
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

QFont controlFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(9.75);
    return font;
}

} // namespace

Form1::Form1(Inputs inputs, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_results(std::move(inputs.results))
    , m_prompts(inputs.prompts)
    , m_pickers(inputs.prompts)
    , m_showPictureWindow(std::move(inputs.showPictureWindow))
    , m_workFolder(std::move(inputs.workFolder))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(windowCaption);
    setFixedSize(clientSize);
    createControls();
    load();
}

Form1::~Form1() = default;

void Form1::createControls()
{
    Frame1 = named<QGroupBox>(this, "Frame1", QStringLiteral("Path"));
    Frame1->setGeometry(twips(120, 120, 7935, 4335));
    List1 = named<QListWidget>(Frame1, "List1");
    List1->setGeometry(twips(120, 240, 7695, 3840));
    List1->setSelectionMode(QAbstractItemView::MultiSelection);
    List1->setSortingEnabled(false);
    List1->setTextElideMode(Qt::ElideNone); // long paths scroll sideways, never cut short
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    Frame2 = named<QGroupBox>(this, "Frame2", QStringLiteral("Preview"));
    Frame2->setGeometry(twips(8160, 120, 2775, 2415));
    Picture1 = named<QLabel>(Frame2, "Picture1");
    Picture1->setGeometry(twips(120, 240, 2535, 2055));
    Picture1->setAlignment(Qt::AlignCenter);
    Picture1->installEventFilter(this);

    vkOptionButton1 = named<QRadioButton>(this, "vkOptionButton1", QStringLiteral("Select All"));
    vkOptionButton1->setGeometry(twips(8280, 2640, 2415, 255));
    vkOptionButton1->setChecked(true);
    vkOptionButton2 = named<QRadioButton>(this, "vkOptionButton2", QStringLiteral("Deselect All"));
    vkOptionButton2->setGeometry(twips(8280, 3000, 2655, 255));

    XP_ProgressBar1 = named<XP_ProgressBar>(this, "XP_ProgressBar1");
    XP_ProgressBar1->setGeometry(twips(8280, 3360, 2655, 255));
    XP_ProgressBar1->setColor(barWhite);
    XP_ProgressBar1->setScrolling(3);
    XP_ProgressBar1->setBrushStyle(0);
    XP_ProgressBar1->setFont(controlFont());

    isButton2 = named<isButton>(this, "isButton2", QStringLiteral("Start"));
    isButton2->setGeometry(twips(8280, 3840, 1215, 375));
    isButton3 = named<isButton>(this, "isButton3", QStringLiteral("Cancel"));
    isButton3->setGeometry(twips(9720, 3840, 1215, 375));
    isButton3->setEnabled(false);

    vkTextBox1 = named<QLineEdit>(this, "vkTextBox1");
    vkTextBox1->setGeometry(twips(120, 4680, 7935, 375));
    isButton1 = named<isButton>(this, "isButton1", QStringLiteral("Browse..."));
    isButton1->setGeometry(twips(8280, 4680, 1215, 375));
    for (isButton *button : { isButton1, isButton2, isButton3 }) {
        button->setButtonStyle(5);
        button->setFont(controlFont());
    }

    StatusBar1 = named<QStatusBar>(this, "StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, clientSize.height() - 22, clientSize.width(), 22);

    connect(List1, &QListWidget::currentRowChanged, this, &Form1::List1_Click);
    connect(vkOptionButton1, &QRadioButton::clicked, this, &Form1::SelectALLAPI);
    connect(vkOptionButton2, &QRadioButton::clicked, this, &Form1::DeSelectAll);
    connect(isButton1, &isButton::clicked, this, &Form1::browse);
    connect(isButton2, &isButton::clicked, this, &Form1::start);
    connect(isButton3, &isButton::clicked, this, &Form1::cancel);
}

void Form1::load()
{
    const int count = CopyListItems(m_results ? m_results->List1 : QStringList());
    StatusBar1->showMessage(QString::number(count) + QStringLiteral(" File(s)"));
    SelectALLAPI();
    if (count == 0)
        return;
    // Making the first item current (selected, as it was) previews it.
    const QSignalBlocker quiet(List1);
    List1->item(0)->setSelected(false);
    List1->setCurrentRow(0, QItemSelectionModel::Select);
    List1_Click();
}

int Form1::CopyListItems(const QStringList &source)
{
    for (const QString &path : source) {
        auto *item = new QListWidgetItem(path, List1);
        item->setToolTip(path);
    }
    return List1->count();
}

void Form1::SelectALLAPI()
{
    List1->selectAll();
}

void Form1::DeSelectAll()
{
    List1->clearSelection();
}

bool Form1::CheckSelection() const
{
    for (int i = 0; i < List1->count(); ++i) {
        if (List1->item(i)->isSelected())
            return true;
    }
    return false;
}

QString Form1::previewPathOfCurrent() const
{
    const QListWidgetItem *current = List1->currentItem();
    return current && m_results ? m_results->copies.copyFor(current->text()) : QString();
}

void Form1::List1_Click()
{
    const LoadedPicture loaded = LoadPictureFile(previewPathOfCurrent());
    if (loaded.isNull())
        return; // no results copy to show: the preview keeps what it had
    Image4 = loaded.picture;
    const QImage fitted = ResizePicture(Image4, Picture1->size(), Qt::white, true);
    Picture1->setPixmap(QPixmap::fromImage(fitted));
}

void Form1::Picture1_DblClick()
{
    // The clipboard and the picture window are touched only once there is a picture to show.
    const LoadedPicture loaded = LoadPictureFile(previewPathOfCurrent());
    if (loaded.isNull())
        return;
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setImage(loaded.picture);
    if (m_showPictureWindow)
        m_showPictureWindow();
}

void Form1::browse()
{
    const QString &picked = m_pickers.BrowseForCopyFolder();
    if (!picked.isEmpty())
        vkTextBox1->setText(picked + QDir::separator());
}

void Form1::start()
{
    if (!isButton2->isEnabled())
        return;
    switch (checkCopyDestination(vkTextBox1->text(), m_workFolder)) {
    case DestinationRefusal::None:
        break;
    case DestinationRefusal::NotAFolder:
        m_prompts.message(productCaption, noOutputFolderText, MessageIcon::Warning);
        return;
    case DestinationRefusal::InsideWorkFolder:
        m_prompts.message(productCaption, workFolderText, MessageIcon::Warning);
        return;
    }
    if (!CheckSelection()) {
        m_prompts.message(productCaption, noSelectionText, MessageIcon::Information);
        return;
    }
    CopyImage();
}

void Form1::cancel()
{
    if (!isButton3->isEnabled())
        return;
    if (m_prompts.ask(productCaption, cancelQuestion))
        CancelCopy = true;
}

QList<CopyItem> Form1::itemsToCopy() const
{
    QList<CopyItem> items;
    items.reserve(List1->count());
    for (int i = 0; i < List1->count(); ++i) {
        const QListWidgetItem *item = List1->item(i);
        items.append({ item->text(), item->isSelected() });
    }
    return items;
}

void Form1::CopyImage()
{
    XP_ProgressBar1->setVisible(true);
    isButton3->setEnabled(true);
    isButton2->setEnabled(false);
    CancelCopy = false;
    m_copying = true;

    RunHooks hooks;
    hooks.yield = [this] { m_yield(); };
    hooks.cancelRequested = [this] { return CancelCopy; };
    CopyProgressHooks progress;
    progress.begin = [this](int maximum) {
        XP_ProgressBar1->setMax(maximum);
        XP_ProgressBar1->setValue(0);
    };
    progress.advance = [this](int done) {
        XP_ProgressBar1->setColor(barGreen);
        XP_ProgressBar1->setValue(done);
        emit copyProgressed(done);
    };
    progress.reset = [this] {
        XP_ProgressBar1->setValue(0);
        XP_ProgressBar1->setColor(barWhite);
        XP_ProgressBar1->setMax(0);
    };
    m_lastRun = copyItems(itemsToCopy(), vkTextBox1->text(), hooks, progress);

    m_copying = false;
    isButton3->setEnabled(false);
    isButton2->setEnabled(true);
    if (m_closeWhenIdle) {
        m_closeWhenIdle = false;
        close();
    }
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (m_copying) {
        // The window goes once the loop has let go of it, at the start of the next item.
        CancelCopy = true;
        m_closeWhenIdle = true;
        event->ignore();
        return;
    }
    event->accept();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Picture1 && event->type() == QEvent::MouseButtonDblClick) {
        Picture1_DblClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace lis
