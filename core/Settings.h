#pragma once

#include <QHash>
#include <QString>
#include <memory>
#include <optional>

class QSettings;

namespace lis {

// The per-user settings store. Every value is a string and a missing one reads as the empty
// string; sections become groups, keys stay keys. Values keep their meaning forever, since they
// outlive every version of the program that wrote them.
class Settings
{
public:
    // The user's own store (an INI file under the XDG config folder on Linux).
    Settings();
    // A store in the given INI file, for tests and tools that must not touch the user's.
    explicit Settings(const QString &iniFile);
    // The user's settings file: $XDG_CONFIG_HOME/Lumetra_Image_Search/Lumetra_Image_Search.conf.
    static QString userFile();
    ~Settings();
    Settings(const Settings &) = delete;
    Settings &operator=(const Settings &) = delete;

    QString get(const QString &section, const QString &key) const;
    void save(const QString &section, const QString &key, const QString &value);
    // The value read as a 16-bit integer; missing or not a number gives 0.
    int getInt16(const QString &section, const QString &key) const;
    void sync();
    QString fileName() const { return m_fileName; }
    // Why the file is not used, when it is something other than a plain file (a FIFO would
    // block every start): the values then live in memory only and nothing is saved.
    const QString &ignoredReason() const { return m_ignoredReason; }

private:
    QString m_fileName;
    QString m_ignoredReason;
    std::unique_ptr<QSettings> m_store; // null while the file is ignored
    QHash<QString, QString> m_inMemory;
};

namespace SettingKeys {
inline const QString searchSection = QStringLiteral("Search");
inline const QString pathKey = QStringLiteral("path");
inline const QString subfoldersKey = QStringLiteral("Subfolders");
inline const QString hiddenFilesKey = QStringLiteral("hiddenfiles");
inline const QString checkSection = QStringLiteral("check");
inline const QString searchPathKey = QStringLiteral("searchpath");
inline const QString allImageSection = QStringLiteral("AllImage");
inline const QString fileTypesKey = QStringLiteral("filetypes");
} // namespace SettingKeys

// A stored text read as a 16-bit integer: leading and trailing blanks ignored, an optional sign,
// decimal digits; nothing for anything else or a value out of the 16-bit range.
std::optional<qint16> parseInt16Setting(const QString &text);
// The same with 0 for nothing, the way the settings readers count a missing value.
int settingToInt16(const QString &text);

} // namespace lis
