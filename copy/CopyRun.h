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
    QList<CopyResult> results; // one per item finished, in list order
    bool cancelled = false;

    qsizetype count(CopyStatus status) const;
    // Chosen items that did not arrive (see isCopyFailure); already there is not a failure.
    qsizetype failures() const;
};

// How a run treats the output folder.
struct CopyPolicy
{
    // What becomes of a regular file already under a result's name.
    ExistingFiles existingFiles = ExistingFiles::Replace;
    // Make the output folder, every missing level of it, just before the first copy (the copy
    // window refuses a folder that is not there, so it never asks for this).
    bool createMissingFolder = false;
};

// Copies the chosen items into the output folder, in list order. Before each item it yields and
// reads the cancel flag, and within a large file between each chunk of it; a cancel empties the
// bar and ends the run there: a file under way leaves nothing behind and is not listed. The bar
// advances after every item, chosen or not, failed or not. A failing item is recorded and the
// run goes on. No source file is ever changed: a destination that is one of the list's own
// files is never written to: the source itself is skipped, another result gets a numbered name
// beside it. A link in the folder is the user's and stays. What happens to other files of a
// result's name follows the policy:
//  - Replace: a file under a result's name is replaced (Replaced); a link there gets the copy
//    beside it under a numbered name, as does a second chosen result with a name this run wrote.
//  - Keep: nothing in the folder is replaced; see FileCopier::copyKeeping. A run repeated over
//    the same results adds no file.
// When the folder cannot be made, every chosen item fails with CopyProblem::NoFolder.
CopyRunResult copyItems(const QList<CopyItem> &items, const QString &outputFolder,
    const RunHooks &hooks, const CopyProgressHooks &progress = {}, const CopyPolicy &policy = {});

} // namespace lis
