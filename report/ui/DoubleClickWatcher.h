#pragma once

#include <QObject>

namespace lis {

// Tells when one of the watched widgets is double-clicked with the left button, by the index
// it was given. Lets plain labels act as thumbnail boxes.
class DoubleClickWatcher final : public QObject
{
    Q_OBJECT
public:
    explicit DoubleClickWatcher(QObject *parent = nullptr)
        : QObject(parent)
    { }

    void watch(QObject *target, int index);

signals:
    void doubleClicked(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace lis
