#include "widgets/PropertyBag.h"

namespace lis {

QVariant PropertyBag::read(const QString &name, const QVariant &defaultValue) const
{
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return it.value();
    }
    return defaultValue;
}

bool PropertyBag::contains(const QString &name) const
{
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace lis
