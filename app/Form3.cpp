#include "app/Form3.h"

#include "app/FrmSplash.h"
#include "copy/ui/Form1.h"
#include "core/Settings.h"
#include "core/WorkFolder.h"
#include "dialogs/FolderPicker.h"
#include "dialogs/Prompts.h"
#include "rank/RankLibrary.h"
#include "report/Gallery.h"
#include "report/ui/Desktop.h"
#include "report/ui/ReportListView.h"
#include "search/Form4.h"
#include "search/WalkOptions.h"
#include "widgets/XP_ProgressBar.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTreeWidget>

namespace lis {

namespace {

// The window's client area: 12480 by 6870 twips at 15 twips per pixel.
constexpr QSize clientSize { 832, 458 };

QRect fromTwips(QRect twips)
{
    return { twipsToPixels(twips.x()), twipsToPixels(twips.y()), twipsToPixels(twips.width()),
        twipsToPixels(twips.height()) };
}

QFont windowFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(8.25);
    return font;
}

QFont buttonFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(9.75);
    return font;
}

template<typename T, typename... Args> T *named(QWidget *parent, const char *name, Args &&...args)
{
    auto *control = new T(std::forward<Args>(args)..., parent);
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

// One Options window at a time; a closed one has deleted itself, so the next opening reads the
// settings afresh.
void showOptionsWindow(Form3 &main, Settings &settings)
{
    Form4 *options = main.findChild<Form4 *>(QString(), Qt::FindDirectChildrenOnly);
    if (!options || !options->isVisible()) {
        options = new Form4(settings, &main);
        main.registerChildWindow(options);
    }
    options->show();
    options->raise();
    options->activateWindow();
}

} // namespace

Form3::Form3(AppContext context, QWidget *parent)
    : QWidget(parent)
    , m_context(std::move(context))
    , m_desktop(&Desktop::system())
    , m_search(std::make_unique<SearchRun>(m_context.paths, m_context.store))
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(productCaption);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(clientSize);
    createControls();
    connectGallery();
    connectReview();
    restoreSettings();
}

Form3::~Form3() = default;

void Form3::createControls()
{
    // The controls' faces: Tahoma as the window was laid out for (registered from Wine's fonts
    // when the system has them), the buttons a size larger as in the copy window.
    setFont(windowFont());

    // The thumbnail column down the left edge has fixed places; the rest is a grid around it:
    // the keyword box above the column, then to its right the location row, the options row,
    // the heading row and the report list down to the paging buttons' bottom edge.
    vkTextBox3 = named<QLineEdit>(this, "vkTextBox3");
    vkTextBox3->setGeometry(8, 8, 161, 25);
    vkTextBox3->setPlaceholderText(QStringLiteral("Keyword"));
    vkTextBox3->setToolTip(QStringLiteral("Finds the image files whose names begin with this"));
    vkTextBox1 = named<QLineEdit>(this, "vkTextBox1");
    vkTextBox1->setGeometry(177, 8, 439, 25);
    vkTextBox1->setPlaceholderText(QStringLiteral("Folder to search"));
    isButton1 = named<isButton>(this, "isButton1", QStringLiteral("Browse..."));
    isButton1->setGeometry(624, 8, 96, 25);
    connect(isButton1, &isButton::clicked, this, [this] {
        const QString picked = FolderPickers(m_context.prompts).BrowseForSearchFolder();
        if (!picked.isEmpty())
            vkTextBox1->setText(picked);
    });
    isButton2 = named<isButton>(this, "isButton2", QStringLiteral("Search"));
    isButton2->setGeometry(728, 8, 96, 25);
    connect(isButton2, &isButton::clicked, this, &Form3::runSearch);
    connect(vkTextBox3, &QLineEdit::returnPressed, this, &Form3::runSearch);

    vkCheck1 = named<QCheckBox>(this, "vkCheck1", QStringLiteral("Remember search path"));
    vkCheck1->setGeometry(177, 40, 160, 25);
    lblTellMe
        = named<QLabel>(this, "lblTellMe", QStringLiteral("<a href=\"help\">Online Help</a>"));
    lblTellMe->setGeometry(520, 40, 96, 25);
    lblTellMe->setCursor(Qt::PointingHandCursor);
    lblTellMe->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(lblTellMe, &QLabel::linkActivated, this, &Form3::openHelp);
    isButton8 = named<isButton>(this, "isButton8", QStringLiteral("Options"));
    isButton8->setGeometry(624, 40, 96, 25);
    connect(isButton8, &isButton::clicked, this,
        [this] { showOptionsWindow(*this, m_context.settings); });
    isButton4 = named<isButton>(this, "isButton4", QStringLiteral("Cancel"));
    isButton4->setGeometry(728, 40, 96, 25);
    isButton4->setEnabled(false);
    connect(isButton4, &isButton::clicked, this, &Form3::cancelClicked);

    Label9 = named<QLabel>(this, "Label9", QStringLiteral("Image Search Results:"));
    Label9->setGeometry(177, 72, 439, 25);
    Label9->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    isButton7 = named<isButton>(this, "isButton7", QStringLiteral("Copy..."));
    isButton7->setGeometry(728, 72, 96, 25);
    isButton7->setEnabled(false);
    connect(isButton7, &isButton::clicked, this, &Form3::showCopyWindow);

    ListView2 = named<QTreeWidget>(this, "ListView2");
    ListView2->setGeometry(177, 104, 647, 321);
    setUpReportList(ListView2);

    static constexpr std::array<const char *, 3> captionNames { "Label2", "Label6", "Label7" };
    static constexpr std::array<QRect, 3> pictureTwips { QRect(120, 600, 2415, 1335),
        QRect(120, 2400, 2415, 1335), QRect(120, 4080, 2415, 1335) };
    static constexpr std::array<QRect, 3> captionTwips { QRect(120, 1920, 1815, 375),
        QRect(120, 3720, 1935, 255), QRect(120, 5520, 2415, 255) };
    std::array<QLabel *, 3> captions {};
    for (std::size_t i = 0; i < 3; ++i) {
        captions[i] = named<QLabel>(this, captionNames[i]);
        captions[i]->setGeometry(fromTwips(captionTwips[i]));
        captions[i]->setAlignment(Qt::AlignCenter);
        // Red bold text on a pale orange ground, so positions stand out under the pictures.
        captions[i]->setStyleSheet(QStringLiteral(
            "QLabel { color: #FF0000; background-color: #FFE0C0; font-family: Tahoma; "
            "font-weight: bold; font-size: 9.75pt; }"));
        Picture1[i] = named<QLabel>(this, "Picture1");
        Picture1[i]->setProperty("index", int(i));
        Picture1[i]->setGeometry(fromTwips(pictureTwips[i]));
        Picture1[i]->setFrameShape(QFrame::StyledPanel);
        Picture1[i]->setAlignment(Qt::AlignCenter);
        // The first two captions begin on the box's last row; the box stays whole above them.
        Picture1[i]->raise();
    }
    Label2 = captions[0];
    Label6 = captions[1];
    Label7 = captions[2];

    isButton6 = named<isButton>(this, "isButton6", QStringLiteral("   Previous"));
    isButton6->setGeometry(fromTwips({ 120, 6000, 1095, 375 }));
    isButton6->setEnabled(false);
    isButton5 = named<isButton>(this, "isButton5", QStringLiteral("Next"));
    isButton5->setGeometry(fromTwips({ 1440, 6000, 1095, 375 }));
    isButton5->setEnabled(false);
    // Every button of the window is the standard drawn button.
    for (isButton *button :
        { isButton2, isButton4, isButton8, isButton7, isButton1, isButton6, isButton5 }) {
        button->setButtonStyle(5);
        button->setFont(buttonFont());
    }

    XP_ProgressBar1 = named<XP_ProgressBar>(this, "XP_ProgressBar1");
    XP_ProgressBar1->hide();

    StatusBar1 = named<QStatusBar>(this, "StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, clientSize.height() - 24, clientSize.width(), 24);

    // Tab goes through the search controls in reading order, then the results.
    const std::array<QWidget *, 11> tabOrder { vkTextBox3, vkTextBox1, isButton1, isButton2,
        vkCheck1, isButton8, isButton4, isButton7, ListView2, isButton6, isButton5 };
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void Form3::restoreSettings()
{
    Settings &settings = m_context.settings;
    vkTextBox1->setText(settings.get(SettingKeys::searchSection, SettingKeys::pathKey));
    vkCheck1->setChecked(
        settings.get(SettingKeys::checkSection, SettingKeys::searchPathKey) == u"1");
    repairWalkOptions(settings);
    settings.sync();
}

void Form3::saveSettings()
{
    Settings &settings = m_context.settings;
    const bool remember = vkCheck1->isChecked();
    settings.save(SettingKeys::searchSection, SettingKeys::pathKey,
        remember ? vkTextBox1->text() : QString());
    settings.save(SettingKeys::checkSection, SettingKeys::searchPathKey,
        remember ? QStringLiteral("1") : QStringLiteral("0"));
    settings.sync();
}

void Form3::openHelp()
{
    m_desktop->open(fileUrl(m_context.paths.helpPage()));
}

FrmSplash *Form3::splash()
{
    if (!m_splash) {
        m_splash = new FrmSplash(this);
        // The report follows the picture window, so the user comes back to the result last seen.
        connect(m_splash, &FrmSplash::resultShown, this, [this](int entry) {
            if (!m_running && m_results && m_splash->results() == m_results.get()
                && entry < ListView2->topLevelItemCount())
                ListView2->setCurrentItem(ListView2->topLevelItem(entry));
        });
    }
    return m_splash;
}

void Form3::showSplashFromClipboard()
{
    splash()->showFromClipboard();
}

void Form3::registerChildWindow(QWidget *window)
{
    m_childWindows.append(window);
}

void Form3::showCopyWindow()
{
    if (List1.isEmpty())
        return;
    if (!m_copyWindow) {
        // A window of its own that shares the results it was opened with; it deletes itself when
        // closed, and goes with this window at the latest.
        auto *window
            = new Form1({ m_results, m_context.prompts, [this] { showSplashFromClipboard(); },
                            m_context.paths.workFolder() },
                this);
        window->setAttribute(Qt::WA_DeleteOnClose);
        m_copyWindow = window;
        registerChildWindow(window);
    }
    m_copyWindow->show();
    m_copyWindow->raise();
    m_copyWindow->activateWindow();
}

void Form3::closeEvent(QCloseEvent *event)
{
    if (m_running) {
        // The run ends at its next check, as a cancel does; the window closes after it.
        CancelRequested = true;
        m_closeAfterRun = true;
        event->ignore();
        return;
    }
    saveSettings();
    WorkFolder(m_context.paths).removeResultsFolder();
    for (const QPointer<QWidget> &window : std::as_const(m_childWindows)) {
        if (window)
            window->close();
    }
    if (m_splash)
        m_splash->close();
    event->accept();
}

} // namespace lis
