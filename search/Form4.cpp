#include "search/Form4.h"

#include "core/Settings.h"
#include "search/WalkOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>

namespace lis {

namespace {

template<typename T, typename... Args> T *named(QWidget *parent, const char *name, Args &&...args)
{
    auto *control = new T(std::forward<Args>(args)..., parent);
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

// A stored walk option applied to its box: off unticks, on ticks, other numbers leave the box
// alone. One that needs its repair is stored as on and ticks the box.
void applyOption(Settings &settings, const QString &key, QCheckBox *box)
{
    const std::optional<qint16> stored
        = parseInt16Setting(settings.get(SettingKeys::searchSection, key));
    if (needsRepair(stored)) {
        settings.save(SettingKeys::searchSection, key, WalkOptions::stored(true));
        box->setChecked(true);
    } else if (*stored == WalkOptions::off || *stored == WalkOptions::on) {
        box->setChecked(*stored == WalkOptions::on);
    }
}

} // namespace

Form4::Form4(Settings &settings, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Options"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    createControls();
    load();
}

void Form4::createControls()
{
    // 4230 by 2760 twips at 15 twips per pixel.
    setFixedSize(282, 184);
    Label4 = named<QLabel>(this, "Label4", QStringLiteral("Type of file:"));
    Label4->setGeometry(12, 12, 258, 20);
    Combo2 = named<QComboBox>(this, "Combo2");
    Combo2->setEditable(false);
    Combo2->setGeometry(12, 34, 258, 26);

    Frame1 = named<QFrame>(this, "Frame1");
    Frame1->setFrameShape(QFrame::StyledPanel);
    Frame1->setGeometry(12, 70, 258, 64);
    vkCheck1 = named<QCheckBox>(Frame1, "vkCheck1", QStringLiteral("Search hidden files"));
    vkCheck1->setGeometry(10, 6, 238, 24);
    vkCheck2 = named<QCheckBox>(Frame1, "vkCheck2", QStringLiteral("Search subfolders"));
    vkCheck2->setGeometry(10, 34, 238, 24);

    isButton1 = named<isButton>(this, "isButton1", QStringLiteral("OK"));
    isButton1->setButtonStyle(5);
    isButton1->setGeometry(182, 144, 88, 28);
    connect(isButton1, &isButton::clicked, this, &Form4::confirm);
}

void Form4::load()
{
    Combo2->addItems({ QStringLiteral("JPEG Images"), QStringLiteral("PNG Images"),
        QStringLiteral("GIF Images"), QStringLiteral("BMP Images"), QStringLiteral("TIFF Images"),
        QStringLiteral("Search All Images") });
    // The stored type is not read back: the window always opens on the first entry.
    Combo2->setCurrentIndex(0);
    applyOption(m_settings, SettingKeys::subfoldersKey, vkCheck2);
    applyOption(m_settings, SettingKeys::hiddenFilesKey, vkCheck1);
    m_settings.sync();
}

void Form4::confirm()
{
    m_settings.save(SettingKeys::searchSection, SettingKeys::hiddenFilesKey,
        WalkOptions::stored(vkCheck1->isChecked()));
    m_settings.save(SettingKeys::searchSection, SettingKeys::subfoldersKey,
        WalkOptions::stored(vkCheck2->isChecked()));
    m_settings.save(SettingKeys::allImageSection, SettingKeys::fileTypesKey,
        QString::number(Combo2->currentIndex()));
    m_settings.sync();
    close();
}

} // namespace lis
