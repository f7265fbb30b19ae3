#include "tests/support/FakePrompts.h"

#include <gtest/gtest.h>

namespace lis::test {

void FakePrompts::message(const QString &caption, const QString &text, MessageIcon icon)
{
    m_shown.append({ Shown::Kind::Message, caption, text, icon, {}, false });
}

bool FakePrompts::ask(const QString &caption, const QString &text)
{
    m_shown.append({ Shown::Kind::Question, caption, text, MessageIcon::None, {}, false });
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return false;
    }
    const bool answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

QString FakePrompts::browseForFolder(
    const QString &title, const QString &startFolder, bool foldersOnly)
{
    m_shown.append(
        { Shown::Kind::Folder, title, title, MessageIcon::None, startFolder, foldersOnly });
    if (m_folders.empty()) {
        ADD_FAILURE() << "unexpected folder dialog: " << title.toStdString();
        return {};
    }
    QString folder = m_folders.front();
    m_folders.pop_front();
    return folder;
}

QStringList FakePrompts::texts() const
{
    QStringList result;
    for (const Shown &s : m_shown)
        result.append(s.text);
    return result;
}

} // namespace lis::test
