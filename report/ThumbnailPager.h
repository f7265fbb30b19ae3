#pragma once

#include <QString>
#include <array>
#include <functional>

namespace lis {

// The paging of the thumbnail pages, three results at a time, without a window. It holds what
// the window shows: the position under each of the three slots (0 = empty slot, no caption),
// which result entry each slot shows, the page position, and whether Next and Previous are
// enabled. Every operation reports which slots it filled so the window loads only those.
class ThumbnailPager
{
public:
    static constexpr int slotCount = 3;
    static constexpr int noEntry = -1;

    // What one operation asks the window to do: show entry k (0-based) in a slot, or empty it.
    struct SlotChange
    {
        bool changed = false;
        int entry = noEntry; // noEntry = empty the box and its caption
    };
    using Changes = std::array<SlotChange, slotCount>;

    // Whether the result file of an entry still exists.
    using ResultExists = std::function<bool(int entry)>;

    // The state of a window that is running or has no results: empty slots, both buttons off.
    void reset();

    // The first page, beginning at the selected entry of a list of `count` results. Slots 1
    // and 2 show their entries only when those result files exist; a skipped slot is empty.
    Changes LoadPics(int count, int selected, const ResultExists &resultExists);

    enum class NextOutcome { Paged, EndOfList };
    // A click on Next: when the page already shows the last result, disables Next and says
    // EndOfList (the window then tells how many image files there are, endOfListText); otherwise
    // the next page.
    NextOutcome nextClicked(Changes *changes = nullptr);

    Changes LoadNextPics();
    Changes LoadPreviousPics();

    int count() const { return m_count; }
    int position(int slot) const { return m_positions.at(std::size_t(slot)); }
    // The caption text of a slot: its position, or empty.
    QString caption(int slot) const;
    int pagePosition() const { return m_pagePosition; }
    bool nextEnabled() const { return m_nextEnabled; }
    bool previousEnabled() const { return m_previousEnabled; }

    static QString endOfListText(int count);

private:
    void fill(Changes &changes, int slot, int entry);
    void empty(Changes &changes, int slot);

    int m_count = 0;
    std::array<int, slotCount> m_positions {};
    int m_pagePosition = 0;
    bool m_nextEnabled = false;
    bool m_previousEnabled = false;
};

} // namespace lis
