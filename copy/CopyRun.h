#pragma once

#include "copy/FileCopier.h"
#include "core/RunHooks.h"

#include <QList>
#include <QString>
#include <functional>

namespace lis {

// One entry of the copy list: a result file and whether the user chose it.
struct CopyItem
{
    QString path;
    bool selected = false;
};

// How a copy run drives a progress bar. The bar counts every item of the list, chosen or not.
struct CopyProgressHooks
{
    std::function<void(int maximum)> begin; // show the bar: maximum = item count, value 0
    std::function<void(int value)> advance; // one more item done: green, value = items done
    std::function<void()> reset; // cancelled: value 0, white, maximum 0
};

struct CopyRunResult
{
    QList<CopyResult> results; // one per item reached, in list order
    bool cancelled = false;

    qsizetype count(CopyStatus status) const;
    // Chosen items that did not arrive (see isCopyFailure).
    qsizetype failures() const;
};

// Copies the chosen items into the output folder, in list order. Before each item it yields and
// reads the cancel flag; a cancel empties the bar and ends the run before that item. A failing
// item is recorded and the run goes on. No source file is ever changed: a destination that is
// one of the list's own files is never written to: the source itself is skipped, another result
// gets a numbered name beside it. A file already in the folder under a result's name is
// replaced; a link there is the user's and stays, the copy gets a numbered name beside it, as
// does a second chosen result with a name this run already wrote.
CopyRunResult copyItems(const QList<CopyItem> &items, const QString &outputFolder,
    const RunHooks &hooks, const CopyProgressHooks &progress = {});

} // namespace lis
