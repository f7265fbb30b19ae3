#include "core/Settings.h"

#include <QSettings>
#include <limits>

namespace lis {

namespace {
const QString appName = QStringLiteral("Lumetra_Image_Search");

QString keyPath(const QString &section, const QString &key)
{
    return section + u'/' + key;
}
} // namespace

Settings::Settings()
    : m_store(std::make_unique<QSettings>(
        QSettings::NativeFormat, QSettings::UserScope, appName, appName))
{ }

Settings::Settings(const QString &iniFile)
    : m_store(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{ }

Settings::~Settings() = default;

QString Settings::get(const QString &section, const QString &key) const
{
    return m_store->value(keyPath(section, key), QString()).toString();
}

void Settings::save(const QString &section, const QString &key, const QString &value)
{
    m_store->setValue(keyPath(section, key), value);
}

int Settings::getInt16(const QString &section, const QString &key) const
{
    return settingToInt16(get(section, key));
}

void Settings::sync()
{
    m_store->sync();
}

QString Settings::fileName() const
{
    return m_store->fileName();
}

int settingToInt16(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < std::numeric_limits<qint16>::min()
        || value > std::numeric_limits<qint16>::max())
        return 0;
    return value;
}

} // namespace lis
