#include "dialogs/QtPrompts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace lis {

void QtPrompts::message(const QString &caption, const QString &text, MessageIcon icon)
{
    const auto boxIcon = [icon] {
        switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::None:
            break;
        }
        return QMessageBox::NoIcon;
    }();
    QMessageBox box(boxIcon, caption, text, QMessageBox::Ok, m_parent);
    box.exec();
}

bool QtPrompts::ask(const QString &caption, const QString &text)
{
    return QMessageBox::question(m_parent, caption, text, QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes;
}

QString QtPrompts::browseForFolder(
    const QString &title, const QString &startFolder, bool foldersOnly)
{
    QFileDialog::Options options;
    if (foldersOnly)
        options |= QFileDialog::ShowDirsOnly;
    return QFileDialog::getExistingDirectory(m_parent, title, startFolder, options);
}

} // namespace lis
