#pragma once

#include "widgets/isButton.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;

namespace lis {

class Settings;

// The Options window: the image type a run ranks and the walk's two options. It is built afresh
// each time it opens (deleted on close) and reads the settings then; only "OK" saves.
class Form4 final : public QWidget
{
    Q_OBJECT
public:
    // The settings must outlive the window.
    explicit Form4(Settings &settings, QWidget *parent = nullptr);

    QLabel *Label4 = nullptr;
    QComboBox *Combo2 = nullptr;
    QFrame *Frame1 = nullptr;
    QCheckBox *vkCheck1 = nullptr; // Search hidden files
    QCheckBox *vkCheck2 = nullptr; // Search subfolders
    isButton *isButton1 = nullptr; // OK

private:
    void createControls();
    void load();
    void confirm();

    Settings &m_settings;
};

} // namespace lis
