#pragma once

#include <QString>

namespace lis {

inline const QString productCaption = QStringLiteral("Lumetra Image Search 1.0");

enum class MessageIcon { None, Information, Warning };

// Everything that needs a person: message boxes and folder dialogs. Windows and engine code get
// one of these; the program passes the Qt one, tests a scripted fake.
class Prompts
{
public:
    virtual ~Prompts() = default;

    // A message with an OK button.
    virtual void message(const QString &caption, const QString &text, MessageIcon icon) = 0;
    // A Yes/No question with the question icon; true for Yes.
    virtual bool ask(const QString &caption, const QString &text) = 0;
    // A folder-browsing dialog; the empty string when the user cancels.
    virtual QString browseForFolder(
        const QString &title, const QString &startFolder, bool foldersOnly)
        = 0;
};

} // namespace lis
