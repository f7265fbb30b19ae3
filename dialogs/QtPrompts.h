#pragma once

#include "dialogs/Prompts.h"

class QWidget;

namespace lis {

// Prompts shown with Qt's message boxes and file dialog, parented to a window.
class QtPrompts final : public Prompts
{
public:
    explicit QtPrompts(QWidget *parent = nullptr)
        : m_parent(parent)
    { }

    void setParent(QWidget *parent) { m_parent = parent; }
    void message(const QString &caption, const QString &text, MessageIcon icon) override;
    bool ask(const QString &caption, const QString &text) override;
    QString browseForFolder(
        const QString &title, const QString &startFolder, bool foldersOnly) override;

private:
    QWidget *m_parent;
};

} // namespace lis
