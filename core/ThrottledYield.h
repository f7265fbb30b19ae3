#pragma once

#include <QElapsedTimer>

namespace lis {

// Lets the window system process pending events from inside a long loop, at most every
// interval: enough to keep windows live and their Cancel buttons working, without paying for an
// event loop pass per folder entry or file chunk.
class ThrottledYield
{
public:
    static constexpr qint64 intervalMs = 10;

    // Processes events when the last pass is at least the interval ago.
    void operator()();
    // Processes events now.
    void now();

private:
    QElapsedTimer m_sinceLast;
};

} // namespace lis
