#include "search/WalkOptions.h"

#include "core/Settings.h"

namespace lis {

QString WalkOptions::stored(bool enabled)
{
    return QString::number(switchValue(enabled));
}

WalkOptions readWalkOptions(const Settings &settings)
{
    using namespace SettingKeys;
    WalkOptions options;
    options.hiddenFiles = parseInt16Setting(settings.get(searchSection, hiddenFilesKey));
    options.subfolders = parseInt16Setting(settings.get(searchSection, subfoldersKey));
    options.fileTypes = qint16(settings.getInt16(allImageSection, fileTypesKey));
    return options;
}

WalkOptionsSource walkOptionsFrom(const Settings &settings)
{
    return [&settings] { return readWalkOptions(settings); };
}

WalkOptionsSource fixedWalkOptions(WalkOptions options)
{
    return [options] { return options; };
}

bool needsRepair(const std::optional<qint16> &stored)
{
    return stored.value_or(0) == 0;
}

void repairWalkOptions(Settings &settings)
{
    using namespace SettingKeys;
    for (const QString &key : { subfoldersKey, hiddenFilesKey }) {
        if (needsRepair(parseInt16Setting(settings.get(searchSection, key))))
            settings.save(searchSection, key, WalkOptions::stored(true));
    }
}

WalkOptions repaired(WalkOptions options)
{
    for (std::optional<qint16> *value : { &options.hiddenFiles, &options.subfolders }) {
        if (needsRepair(*value))
            *value = WalkOptions::on;
    }
    return options;
}

} // namespace lis
