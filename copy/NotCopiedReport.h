#pragma once

#include "copy/CopyRun.h"

#include <QString>

namespace lis {

// What the copy window tells a person at the end of a run about the chosen results that did not
// arrive: how many of the chosen ones, then each cause with its count and its results (the first
// few of them), causes in the order first met. A cancelled run also says how many chosen results
// it did not reach. Empty when every chosen result that the run reached arrived, so a run that
// went well, or was only cancelled, says nothing.
QString notCopiedReport(
    const QList<CopyItem> &items, const CopyRunResult &run, const QString &outputFolder);

} // namespace lis
