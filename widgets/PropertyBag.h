#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace lis {

// The stored properties of a control, read by name without regard to case, each with the
// default used when it is absent.
class PropertyBag final
{
public:
    PropertyBag() = default;
    explicit PropertyBag(QVariantMap values)
        : m_values(std::move(values))
    { }

    QVariant read(const QString &name, const QVariant &defaultValue) const;
    template<typename T> T read(const QString &name, const T &defaultValue) const
    {
        const QVariant value = read(name, QVariant::fromValue(defaultValue));
        return value.canConvert<T>() ? value.value<T>() : defaultValue;
    }

    void write(const QString &name, const QVariant &value) { m_values.insert(name, value); }
    // Written only when it differs from its default.
    template<typename T> void write(const QString &name, const T &value, const T &defaultValue)
    {
        if (!(value == defaultValue))
            write(name, QVariant::fromValue(value));
    }

    const QVariantMap &values() const { return m_values; }
    bool contains(const QString &name) const;

private:
    QVariantMap m_values;
};

} // namespace lis
