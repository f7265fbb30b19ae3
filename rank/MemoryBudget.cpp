#include "rank/MemoryBudget.h"

#include <algorithm>

namespace lis {

MemoryBudget::Reservation::Reservation(Reservation &&other) noexcept
    : m_budget(std::exchange(other.m_budget, nullptr))
    , m_bytes(std::exchange(other.m_bytes, 0))
{ }

MemoryBudget::Reservation &MemoryBudget::Reservation::operator=(Reservation &&other) noexcept
{
    if (this != &other) {
        release();
        m_budget = std::exchange(other.m_budget, nullptr);
        m_bytes = std::exchange(other.m_bytes, 0);
    }
    return *this;
}

void MemoryBudget::Reservation::shrinkTo(qint64 bytes)
{
    bytes = std::clamp<qint64>(bytes, 0, m_bytes);
    if (m_budget && bytes < m_bytes)
        m_budget->giveBack(m_bytes - bytes);
    m_bytes = bytes;
}

std::optional<MemoryBudget::Reservation> MemoryBudget::reserve(qint64 bytes)
{
    bytes = std::max<qint64>(bytes, 0);
    if (bytes > m_total)
        return std::nullopt;
    std::unique_lock lock(m_mutex);
    m_freed.wait(lock, [&] { return m_used + bytes <= m_total; });
    m_used += bytes;
    return Reservation(this, bytes);
}

qint64 MemoryBudget::inUse() const
{
    const std::lock_guard lock(m_mutex);
    return m_used;
}

void MemoryBudget::giveBack(qint64 bytes)
{
    {
        const std::lock_guard lock(m_mutex);
        m_used -= bytes;
    }
    m_freed.notify_all();
}

} // namespace lis
