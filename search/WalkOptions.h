#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace lis {

class Settings;

// The options a walk and its filter run with, as the settings store holds them. Stored values
// keep their meaning forever: for the two switches "3" is on and "2" off, any other number lists
// no files / enters no subfolders, and a value that is missing or not a 16-bit number ends each
// folder's visit (nothing in it is listed or entered).
struct WalkOptions
{
    static constexpr qint16 on = 3;
    static constexpr qint16 off = 2;

    std::optional<qint16> hiddenFiles = on;
    std::optional<qint16> subfolders = on;
    qint16 fileTypes = 0; // the Options window's type index; missing or not a number is 0

    bool operator==(const WalkOptions &) const = default;

    // The text stored for a switch.
    static QString stored(bool enabled);
    static qint16 switchValue(bool enabled) { return enabled ? on : off; }
};

// Where the walk gets its options: it asks again in every folder it visits, so a window can hand
// it the settings store (an "OK" in the Options window during a walk applies from the next
// folder on) while the command line hands it fixed values.
using WalkOptionsSource = std::function<WalkOptions()>;

// The options as stored now.
WalkOptions readWalkOptions(const Settings &settings);
WalkOptionsSource walkOptionsFrom(const Settings &settings);
WalkOptionsSource fixedWalkOptions(WalkOptions options);

// Whether a stored switch needs its repair to "3": missing, not a number, or 0.
bool needsRepair(const std::optional<qint16> &stored);
// Writes "3" for each switch that needs it, as the main window does when it opens.
void repairWalkOptions(Settings &settings);
// The same repair, on a copy only: for runs that must not write the user's settings.
WalkOptions repaired(WalkOptions options);

} // namespace lis
