#pragma once

class QApplication;

namespace lis {

// What the windows need of the desktop around them: the desktop entry and icon they belong to,
// and the faces they ask for (Tahoma, Arial), from metric-compatible fonts when the system has
// them.
void applyWindowLook(QApplication &app);

inline constexpr const char *desktopId = "io.lumetra.ImageSearch";

} // namespace lis
