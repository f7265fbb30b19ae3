#include "core/ThrottledYield.h"

#include <QCoreApplication>

namespace lis {

void ThrottledYield::operator()()
{
    if (m_sinceLast.isValid() && m_sinceLast.elapsed() < intervalMs)
        return;
    now();
}

void ThrottledYield::now()
{
    QCoreApplication::processEvents();
    m_sinceLast.start();
}

} // namespace lis
