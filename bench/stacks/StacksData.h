// Generated stacks for the stacks benchmark: each real photo becomes a stack of damaged frames
// around its undamaged original, a pair of overlapping views of one scene (different photos,
// taken seconds apart), or a photo alone.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace lis::bench {

struct GeneratedFile
{
    QString path;
    int stack = 0; // the true stack: one per source photo and kind
    bool original = false; // the undamaged frame of its stack
    QString damage; // "original", "crop", "shift", "exposure", "blur", "jpeg", "turn", "view"
};

// Writes the generated photos of `sources` into `folder`, choices driven by `seed`.
std::vector<GeneratedFile> generateStacks(
    const QStringList &sources, unsigned seed, const QString &folder);

// The JPEG photos of a folder, in name order.
QStringList photosIn(const QString &folder);

} // namespace lis::bench
