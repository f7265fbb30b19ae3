#pragma once

#include "dialogs/Prompts.h"

#include <QList>
#include <QString>
#include <deque>

namespace lis::test {

// A scripted person: answers come from queues the test fills, every prompt is recorded, and a
// question or folder dialog nobody scripted fails the test.
class FakePrompts final : public Prompts
{
public:
    struct Shown
    {
        enum class Kind { Message, Question, Folder } kind;
        QString caption;
        QString text;
        MessageIcon icon = MessageIcon::None;
        QString startFolder;
        bool foldersOnly = false;
    };

    void message(const QString &caption, const QString &text, MessageIcon icon) override;
    bool ask(const QString &caption, const QString &text) override;
    QString browseForFolder(
        const QString &title, const QString &startFolder, bool foldersOnly) override;

    void queueAnswer(bool yes) { m_answers.push_back(yes); }
    void queueFolder(const QString &folder) { m_folders.push_back(folder); }

    const QList<Shown> &shown() const { return m_shown; }
    QStringList texts() const;
    void clear() { m_shown.clear(); }

private:
    std::deque<bool> m_answers;
    std::deque<QString> m_folders;
    QList<Shown> m_shown;
};

} // namespace lis::test
