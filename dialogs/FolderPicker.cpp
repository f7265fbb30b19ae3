#include "dialogs/FolderPicker.h"

#include "dialogs/Prompts.h"

#include <QDir>

namespace lis {

namespace {

// The dialog's answer as a native path. It is not trimmed: here a folder name may end in blanks,
// and trimming would name another folder.
QString pick(Prompts &prompts, const QString &title, bool foldersOnly)
{
    const QString chosen = prompts.browseForFolder(title, pickerStartFolder(), foldersOnly);
    return QDir::toNativeSeparators(chosen);
}

} // namespace

QString pickerStartFolder()
{
    QString root = QDir::toNativeSeparators(QDir::rootPath());
    if (!root.endsWith(QDir::separator()))
        root += QDir::separator();
    return root;
}

const QString &FolderPickers::BrowseForSearchFolder()
{
    m_pickedSearchPath = pick(m_prompts, searchFolderTitle, false);
    return m_pickedSearchPath;
}

const QString &FolderPickers::BrowseForCopyFolder()
{
    m_pickedCopyPath = pick(m_prompts, copyFolderTitle, true);
    return m_pickedCopyPath;
}

} // namespace lis
