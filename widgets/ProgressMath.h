#pragma once

#include "widgets/OleColor.h"

#include <QRect>
#include <optional>

namespace lis::progress {

// The fill level for a value: value * 100 / max + min, rounded half to even. No result (the
// caller keeps its percent) when max is 0 or value * 100 or the result leaves 32 bits.
std::optional<int> percentForValue(int value, int max, int min);

// The value read back from a percent: percent / 100 * max, divided by min when min is above 0.
int valueForPercent(int percent, int max, int min);

// Colour of line i of a gradient over span lines, computed with a single-precision step.
OleColor gradientColor(OleColor startRgb, OleColor endRgb, int span, int i);

// Style 3's fill: (1, 1) to the percent of the client width, one pixel above the bottom.
QRect style3FillRect(int percent, int clientWidth, int clientHeight);

// percent * clientWidth / divisor, rounded: the fill end of the styles that divide by 100 or 101.
int fillEnd(int percent, int clientWidth, int divisor);

// The segmented styles: the far edge of the filled run, snapped back to a whole number of
// steps from start; never before start. fraction = percent / 98, a negative one counts as 0.
int segmentedFillEnd(int percent, int start, int length, int step);

// Where the percentage text goes: centred in the client area, rounded half to even.
QRect centredTextRect(QSize textSize, int clientRight, int clientBottom);

} // namespace lis::progress
