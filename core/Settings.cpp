#include "core/Settings.h"

#include "core/UserFile.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <limits>

namespace lis {

namespace {
const QString appName = QStringLiteral("Lumetra_Image_Search");

QString keyPath(const QString &section, const QString &key)
{
    return section + u'/' + key;
}

// Qt reads the file (and its lock file when saving) as soon as the store is made; anything but
// a plain file there could block that read forever or be replaced by the save.
QString whyUnusable(const QString &file)
{
    for (const QString &path : { file, file + QStringLiteral(".lock") }) {
        const auto info = statPath(path, true);
        if (info && !S_ISREG(info->st_mode))
            return QStringLiteral("%1 is not a regular file").arg(QDir::toNativeSeparators(path));
        if (!info && statPath(path, false))
            return QStringLiteral("%1 is a broken link").arg(QDir::toNativeSeparators(path));
    }
    return {};
}
} // namespace

QString Settings::userFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' + appName
        + u'/' + appName + QStringLiteral(".conf");
}

Settings::Settings()
    : Settings(userFile())
{ }

Settings::Settings(const QString &iniFile)
    : m_fileName(iniFile)
    , m_ignoredReason(whyUnusable(iniFile))
{
    if (m_ignoredReason.isEmpty())
        m_store = std::make_unique<QSettings>(iniFile, QSettings::IniFormat);
}

Settings::~Settings() = default;

QString Settings::get(const QString &section, const QString &key) const
{
    if (!m_store)
        return m_inMemory.value(keyPath(section, key));
    return m_store->value(keyPath(section, key), QString()).toString();
}

void Settings::save(const QString &section, const QString &key, const QString &value)
{
    if (!m_store) {
        m_inMemory.insert(keyPath(section, key), value);
        return;
    }
    m_store->setValue(keyPath(section, key), value);
}

int Settings::getInt16(const QString &section, const QString &key) const
{
    return settingToInt16(get(section, key));
}

void Settings::sync()
{
    if (m_store)
        m_store->sync();
}

std::optional<qint16> parseInt16Setting(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < std::numeric_limits<qint16>::min()
        || value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(value);
}

int settingToInt16(const QString &text)
{
    return parseInt16Setting(text).value_or(0);
}

} // namespace lis
