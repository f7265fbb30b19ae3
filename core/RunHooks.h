#pragma once

#include <QtGlobal>
#include <functional>

namespace lis {

// What a long-running engine loop needs from whoever drives it. A window passes hooks that keep
// itself live and read its cancel flag; the command line passes its own; tests script them.
struct RunHooks
{
    // Lets the window system process pending events (the GUI may skip calls that come too soon).
    std::function<void()> yield;
    // Whether the user has confirmed a cancel.
    std::function<bool()> cancelRequested;
    // Runs each time a loop notices the cancel flag: the window empties its status text,
    // disables Cancel and unlocks the keyword box.
    std::function<void()> cancelCleanup;
    // How far a loop has come: files listed by the walk, files done by the ranking loop.
    std::function<void(qsizetype done)> progress;

    void doYield() const
    {
        if (yield)
            yield();
    }
    bool isCancelRequested() const { return cancelRequested && cancelRequested(); }
    void doCancelCleanup() const
    {
        if (cancelCleanup)
            cancelCleanup();
    }
    void doProgress(qsizetype done) const
    {
        if (progress)
            progress(done);
    }
};

} // namespace lis
