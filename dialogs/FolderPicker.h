#pragma once

#include <QString>

namespace lis {

class Prompts;

inline const QString searchFolderTitle = QStringLiteral(
    "Lumetra Image Search 1.0 - Please select a location for searching image files.");
inline const QString copyFolderTitle
    = QStringLiteral("Lumetra Image Search 1.0 - Please select a location to copy image files.");

// The folder both pickers open at, whatever was picked before: the root of the system drive
// ("/" here), in native form.
QString pickerStartFolder();

// The two folder pickers. Each keeps its last result until it is called again: the chosen
// folder's path exactly as the dialog gives it (a root keeps its separator, any other folder has
// none at the end), or the empty string after a cancel. Callers act only on a non-empty result.
class FolderPickers
{
public:
    explicit FolderPickers(Prompts &prompts)
        : m_prompts(prompts)
    { }

    // The search location; any folder may be chosen. Returns pickedSearchPath().
    const QString &BrowseForSearchFolder();
    // The folder result images are copied to; the dialog offers folders only. Returns
    // pickedCopyPath().
    const QString &BrowseForCopyFolder();

    const QString &pickedSearchPath() const { return m_pickedSearchPath; }
    const QString &pickedCopyPath() const { return m_pickedCopyPath; }

private:
    Prompts &m_prompts;
    QString m_pickedSearchPath;
    QString m_pickedCopyPath;
};

} // namespace lis
