#pragma once

#include <QtGlobal>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace lis {

// Memory shared by every picture being prepared at once. Before it allocates anything large, a
// preparation reserves what its decoding will take at most; a reservation that does not fit now
// waits until others are done, so however many files are decoded ahead, together they stay
// within the budget. A reservation larger than the whole budget is refused at once.
class MemoryBudget
{
public:
    explicit MemoryBudget(qint64 bytes)
        : m_total(bytes)
    { }
    Q_DISABLE_COPY_MOVE(MemoryBudget)

    // Bytes held until it is destroyed (or shrunk).
    class Reservation
    {
    public:
        Reservation() = default;
        ~Reservation() { release(); }
        Reservation(Reservation &&other) noexcept;
        Reservation &operator=(Reservation &&other) noexcept;
        Reservation(const Reservation &) = delete;
        Reservation &operator=(const Reservation &) = delete;

        qint64 bytes() const { return m_bytes; }
        // Gives back what is no longer needed.
        void shrinkTo(qint64 bytes);
        void release() { shrinkTo(0); }

    private:
        friend class MemoryBudget;
        Reservation(MemoryBudget *budget, qint64 bytes)
            : m_budget(budget)
            , m_bytes(bytes)
        { }
        MemoryBudget *m_budget = nullptr;
        qint64 m_bytes = 0;
    };

    // Waits until `bytes` are free and takes them; nothing when they exceed the whole budget.
    std::optional<Reservation> reserve(qint64 bytes);

    qint64 total() const { return m_total; }
    qint64 inUse() const;

private:
    void giveBack(qint64 bytes);

    const qint64 m_total;
    mutable std::mutex m_mutex;
    std::condition_variable m_freed;
    qint64 m_used = 0;
};

} // namespace lis
