#include "widgets/ProgressMath.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lis::progress {

namespace {

bool fitsInt32(double value)
{
    return value >= static_cast<double>(std::numeric_limits<int>::min()) - 0.5
        && value < static_cast<double>(std::numeric_limits<int>::max()) + 0.5;
}

} // namespace

std::optional<int> percentForValue(int value, int max, int min)
{
    if (max == 0)
        return std::nullopt;
    const qint64 scaled = static_cast<qint64>(value) * 100;
    if (scaled > std::numeric_limits<int>::max() || scaled < std::numeric_limits<int>::min())
        return std::nullopt;
    const double percent = static_cast<double>(scaled) / max + min;
    if (!fitsInt32(percent))
        return std::nullopt;
    return roundHalfEven(percent);
}

int valueForPercent(int percent, int max, int min)
{
    const double divisor = min > 0 ? min : 1;
    return roundHalfEven(percent / 100.0 * max / divisor);
}

OleColor gradientColor(OleColor startRgb, OleColor endRgb, int span, int i)
{
    const auto channel = [span, i](int start, int end) {
        const float step
            = span == 0 ? 0.0f : static_cast<float>(end - start) / static_cast<float>(span);
        const float value = static_cast<float>(start) + step * static_cast<float>(i);
        return std::clamp(roundHalfEven(value), 0, 255);
    };
    return rgbColor(channel(redOf(startRgb), redOf(endRgb)),
        channel(greenOf(startRgb), greenOf(endRgb)), channel(blueOf(startRgb), blueOf(endRgb)));
}

QRect style3FillRect(int percent, int clientWidth, int clientHeight)
{
    const int right = roundHalfEven(percent / 100.0 * clientWidth);
    return QRect(QPoint(1, 1), QPoint(right - 1, clientHeight - 2));
}

int fillEnd(int percent, int clientWidth, int divisor)
{
    return roundHalfEven(static_cast<double>(percent) * clientWidth / divisor);
}

int segmentedFillEnd(int percent, int start, int length, int step)
{
    const double fraction = std::max(0.0, percent / 98.0);
    const int raw = roundHalfEven(fraction * length);
    if (step <= 0)
        return start + raw;
    const int snapped = std::max(0, raw - raw % step);
    return start + snapped;
}

QRect centredTextRect(QSize textSize, int clientRight, int clientBottom)
{
    const int left = roundHalfEven(clientRight / 2.0 - textSize.width() / 2.0);
    const int top = roundHalfEven(clientBottom / 2.0 - textSize.height() / 2.0);
    return QRect(QPoint(left, top), textSize);
}

} // namespace lis::progress
