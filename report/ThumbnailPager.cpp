#include "report/ThumbnailPager.h"

namespace lis {

void ThumbnailPager::reset()
{
    *this = ThumbnailPager();
}

QString ThumbnailPager::caption(int slot) const
{
    const int shown = position(slot);
    return shown > 0 ? QString::number(shown) : QString();
}

QString ThumbnailPager::endOfListText(int count)
{
    return QString::number(count) + QStringLiteral(" image files.");
}

void ThumbnailPager::fill(Changes &changes, int slot, int entry)
{
    if (entry < 0 || entry >= m_count) {
        empty(changes, slot);
        return;
    }
    changes[std::size_t(slot)] = { true, entry };
    m_positions[std::size_t(slot)] = entry + 1;
}

void ThumbnailPager::empty(Changes &changes, int slot)
{
    changes[std::size_t(slot)] = { true, noEntry };
    m_positions[std::size_t(slot)] = 0;
}

ThumbnailPager::Changes ThumbnailPager::LoadPics(
    int count, int selected, const ResultExists &resultExists)
{
    Changes changes;
    m_count = std::max(0, count);
    m_previousEnabled = false;
    fill(changes, 0, selected);
    for (int slot = 1; slot < slotCount; ++slot) {
        const int entry = selected + slot;
        if (entry < m_count && resultExists && resultExists(entry))
            fill(changes, slot, entry);
        else
            empty(changes, slot);
    }
    m_nextEnabled = m_count >= 4;
    m_pagePosition = selected + 3;
    return changes;
}

ThumbnailPager::NextOutcome ThumbnailPager::nextClicked(Changes *changes)
{
    if (m_positions[0] + 3 > m_count) {
        m_nextEnabled = false;
        return NextOutcome::EndOfList;
    }
    const Changes paged = LoadNextPics();
    if (changes)
        *changes = paged;
    return NextOutcome::Paged;
}

ThumbnailPager::Changes ThumbnailPager::LoadNextPics()
{
    Changes changes;
    // After a first page whose last slot was skipped, the page position still reads the
    // position after it, so the next page begins where it should.
    if (m_positions[2] > 0)
        m_pagePosition = m_positions[2];
    for (int slot = 0; slot < slotCount; ++slot)
        empty(changes, slot);
    ++m_pagePosition;

    if (m_pagePosition == m_count) {
        fill(changes, 0, m_count - 1);
        m_pagePosition = 0;
        m_nextEnabled = false;
        m_previousEnabled = true;
        return changes;
    }
    for (int slot = 0; slot < slotCount && m_pagePosition < m_count; ++slot) {
        if (slot > 0)
            ++m_pagePosition;
        fill(changes, slot, m_pagePosition - 1);
    }
    if (m_positions[0] == 0 || m_positions[1] == 0 || m_positions[2] == 0)
        m_nextEnabled = false;
    m_previousEnabled = true;
    return changes;
}

ThumbnailPager::Changes ThumbnailPager::LoadPreviousPics()
{
    Changes changes;
    const int first = m_positions[0] - 3;
    // Only a page after the first has a previous page; anything else would read before the
    // start of the list.
    if (m_positions[0] == 0 || first < 1)
        return changes;
    m_pagePosition = first;
    for (int slot = 0; slot < slotCount; ++slot) {
        if (slot > 0)
            ++m_pagePosition;
        fill(changes, slot, m_pagePosition - 1);
    }
    if (m_positions[0] == 1)
        m_previousEnabled = false;
    m_nextEnabled = true;
    return changes;
}

} // namespace lis
