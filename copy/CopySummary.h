#pragma once

#include "copy/CopyRun.h"

#include <QString>
#include <QStringList>

namespace lis {

// What a copy run came to, in words for the command line.
struct CopySummary
{
    // One line per chosen item that did not arrive: "SOURCE: why", in list order.
    QStringList failureLines;
    // "Copied 3, already there 2, replaced 0, failed 1 (no space left: 1) to /out": copied are
    // new files, already there also counts results that lie in the folder themselves, and the
    // failures are counted by reason in the order first seen. A cancelled run ends with
    // "; cancelled, N not copied", N being the chosen items it did not reach.
    QString line;
};

CopySummary summarizeCopies(
    const QList<CopyItem> &items, const CopyRunResult &run, const QString &outputFolder);

} // namespace lis
