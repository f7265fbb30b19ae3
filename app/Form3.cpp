#include "app/Form3.h"

#include "app/FrmSplash.h"
#include "copy/ui/Form1.h"
#include "core/Settings.h"
#include "core/WorkFolder.h"
#include "dialogs/FolderPicker.h"
#include "dialogs/Prompts.h"
#include "rank/RankLibrary.h"
#include "search/Form4.h"
#include "search/WalkOptions.h"
#include "widgets/XP_ProgressBar.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTreeWidget>
#include <QUrl>

namespace lis {

namespace {

// The window's client area: 12480 by 6870 twips at 15 twips per pixel.
constexpr QSize clientSize { 832, 458 };

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
    , m_search(std::make_unique<SearchRun>(m_context.paths, m_context.store))
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(productCaption);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(clientSize);
    createControls();
    connectGallery();
    restoreSettings();
}

Form3::~Form3() = default;

void Form3::createControls()
{
    vkTextBox3 = named<QLineEdit>(this, "vkTextBox3");
    vkTextBox3->setGeometry(10, 10, 300, 26);
    isButton2 = named<isButton>(this, "isButton2", QStringLiteral("Search"));
    isButton2->setGeometry(320, 10, 90, 26);
    connect(isButton2, &isButton::clicked, this, &Form3::runSearch);
    connect(vkTextBox3, &QLineEdit::returnPressed, this, &Form3::runSearch);
    lblTellMe
        = named<QLabel>(this, "lblTellMe", QStringLiteral("<a href=\"help\">Online Help</a>"));
    lblTellMe->setGeometry(730, 12, 92, 22);
    lblTellMe->setCursor(Qt::PointingHandCursor);
    lblTellMe->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(lblTellMe, &QLabel::linkActivated, this, &Form3::openHelp);

    ListView2 = named<QTreeWidget>(this, "ListView2");
    ListView2->setGeometry(10, 44, 600, 206);
    ListView2->setHeaderLabels(
        { QStringLiteral("Rank"), QStringLiteral("Name"), QStringLiteral("Size"),
            QStringLiteral("Type"), QStringLiteral("Width"), QStringLiteral("Height") });
    ListView2->setRootIsDecorated(false);
    ListView2->setUniformRowHeights(true);
    ListView2->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView2->setAllColumnsShowFocus(true);

    isButton4 = named<isButton>(this, "isButton4", QStringLiteral("Cancel"));
    isButton4->setGeometry(622, 44, 100, 28);
    isButton4->setEnabled(false);
    connect(isButton4, &isButton::clicked, this, &Form3::cancelClicked);
    isButton8 = named<isButton>(this, "isButton8", QStringLiteral("Options"));
    isButton8->setGeometry(622, 80, 100, 28);
    connect(isButton8, &isButton::clicked, this,
        [this] { showOptionsWindow(*this, m_context.settings); });
    isButton7 = named<isButton>(this, "isButton7", QStringLiteral("Copy..."));
    isButton7->setGeometry(622, 116, 100, 28);
    isButton7->setEnabled(false);
    connect(isButton7, &isButton::clicked, this, &Form3::showCopyWindow);

    vkTextBox1 = named<QLineEdit>(this, "vkTextBox1");
    vkTextBox1->setGeometry(10, 258, 500, 26);
    isButton1 = named<isButton>(this, "isButton1", QStringLiteral("Browse..."));
    isButton1->setGeometry(520, 258, 90, 26);
    connect(isButton1, &isButton::clicked, this, [this] {
        const QString picked = FolderPickers(m_context.prompts).BrowseForSearchFolder();
        if (!picked.isEmpty())
            vkTextBox1->setText(picked);
    });
    vkCheck1 = named<QCheckBox>(this, "vkCheck1", QStringLiteral("Remember search path"));
    vkCheck1->setGeometry(622, 258, 200, 26);

    Label9 = named<QLabel>(this, "Label9", QStringLiteral("Image Search Results:"));
    Label9->setGeometry(10, 290, 300, 20);
    static constexpr std::array<const char *, 3> captionNames { "Label2", "Label6", "Label7" };
    std::array<QLabel *, 3> captions {};
    for (int i = 0; i < 3; ++i) {
        Picture1[i] = named<QLabel>(this, "Picture1");
        Picture1[i]->setProperty("index", i);
        Picture1[i]->setGeometry(10 + i * 171, 312, 161, 89);
        Picture1[i]->setFrameShape(QFrame::StyledPanel);
        Picture1[i]->setAlignment(Qt::AlignCenter);
        captions[i] = named<QLabel>(this, captionNames[i]);
        captions[i]->setGeometry(10 + i * 171, 404, 161, 18);
        captions[i]->setAlignment(Qt::AlignCenter);
        // Red bold text on a pale orange ground, so positions stand out under the pictures.
        captions[i]->setStyleSheet(QStringLiteral(
            "QLabel { color: #FF0000; background-color: #FFE0C0; font-family: Tahoma; "
            "font-weight: bold; font-size: 9.75pt; }"));
    }
    Label2 = captions[0];
    Label6 = captions[1];
    Label7 = captions[2];

    isButton6 = named<isButton>(this, "isButton6", QStringLiteral("   Previous"));
    isButton6->setGeometry(540, 340, 100, 28);
    isButton6->setEnabled(false);
    isButton5 = named<isButton>(this, "isButton5", QStringLiteral("Next"));
    isButton5->setGeometry(650, 340, 100, 28);
    isButton5->setEnabled(false);
    // Every button of the window is the standard drawn button.
    for (isButton *button :
        { isButton2, isButton4, isButton8, isButton7, isButton1, isButton6, isButton5 })
        button->setButtonStyle(5);

    XP_ProgressBar1 = named<XP_ProgressBar>(this, "XP_ProgressBar1");
    XP_ProgressBar1->hide();

    StatusBar1 = named<QStatusBar>(this, "StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, clientSize.height() - 24, clientSize.width(), 24);
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
    QDesktopServices::openUrl(QUrl::fromLocalFile(m_context.paths.helpPage()));
}

FrmSplash *Form3::splash()
{
    if (!m_splash)
        m_splash = new FrmSplash(this);
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
