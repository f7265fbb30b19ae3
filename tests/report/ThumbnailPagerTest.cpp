#include "report/ThumbnailPager.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <set>

using namespace lis;
using NextOutcome = ThumbnailPager::NextOutcome;

namespace {

// The page as a person sees it: the three captions ("-" for an empty one), then which of
// Previous and Next are enabled.
std::string seen(const ThumbnailPager &pager)
{
    std::string text;
    for (int slot = 0; slot < ThumbnailPager::slotCount; ++slot) {
        const QString caption = pager.caption(slot);
        text += caption.isEmpty() ? std::string("-") : caption.toStdString();
        text += ' ';
    }
    text += pager.previousEnabled() ? "P" : "p";
    text += pager.nextEnabled() ? "N" : "n";
    return text;
}

// The entries the window is asked to load, in slot order ("-" = emptied, "." = untouched).
std::string loads(const ThumbnailPager::Changes &changes)
{
    std::string text;
    for (const auto &change : changes) {
        if (!change.changed)
            text += '.';
        else
            text += change.entry < 0 ? std::string("-") : std::to_string(change.entry);
    }
    return text;
}

ThumbnailPager firstPage(int count, std::set<int> goneEntries = {})
{
    ThumbnailPager pager;
    pager.LoadPics(count, 0, [&](int entry) { return !goneEntries.contains(entry); });
    return pager;
}

} // namespace

TEST(ThumbnailPager, OneToThreeResultsFitOnePage)
{
    EXPECT_EQ(seen(firstPage(1)), "1 - - pn");
    EXPECT_EQ(seen(firstPage(2)), "1 2 - pn");
    EXPECT_EQ(seen(firstPage(3)), "1 2 3 pn");
    EXPECT_EQ(firstPage(3).pagePosition(), 3);
    EXPECT_EQ(seen(firstPage(0)), "- - - pn");
}

// Clicks on Next ('N') and Previous ('P') from the first page, with what the person sees and
// which entries the window loads after each click, and the "End" messages shown on the way.
TEST(ThumbnailPager, ClickScripts)
{
    struct Step
    {
        char click;
        const char *seen;
        const char *loads;
    };
    struct Script
    {
        int count;
        std::vector<Step> steps;
        QStringList messages;
    };
    const std::vector<Script> scripts {
        { 3, { { 'N', "1 2 3 pn", "..." } }, { QStringLiteral("3 image files.") } },
        { 4, { { 'N', "4 - - Pn", "3--" }, { 'P', "1 2 3 pN", "012" } }, {} },
        { 5, { { 'N', "4 5 - Pn", "34-" }, { 'P', "1 2 3 pN", "012" } }, {} },
        { 6, { { 'N', "4 5 6 PN", "345" }, { 'N', "4 5 6 Pn", "..." }, { 'P', "1 2 3 pN", "012" } },
            { QStringLiteral("6 image files.") } },
        { 7,
            { { 'N', "4 5 6 PN", "345" }, { 'N', "7 - - Pn", "6--" }, { 'P', "4 5 6 PN", "345" },
                { 'P', "1 2 3 pN", "012" } },
            {} },
    };
    for (const Script &script : scripts) {
        QStringList messages;
        ThumbnailPager pager = firstPage(script.count);
        for (const Step &step : script.steps) {
            ThumbnailPager::Changes changes;
            if (step.click != 'N')
                changes = pager.LoadPreviousPics();
            else if (pager.nextClicked(&changes) == NextOutcome::EndOfList)
                messages.append(ThumbnailPager::endOfListText(pager.count()));
            EXPECT_EQ(seen(pager), step.seen) << script.count << step.click;
            EXPECT_EQ(loads(changes), step.loads) << script.count << step.click;
        }
        EXPECT_EQ(messages, script.messages) << script.count;
    }
}

// A first page whose second or third result file is gone shows that slot empty; paging still
// continues at position 4.
TEST(ThumbnailPager, FirstPageSkipsResultsWhoseFileIsGone)
{
    for (const auto &[gone, page] : std::vector<std::pair<std::set<int>, std::string>> {
             { { 1 }, "1 - 3 pN" }, { { 2 }, "1 2 - pN" }, { { 1, 2 }, "1 - - pN" } }) {
        ThumbnailPager pager = firstPage(5, gone);
        EXPECT_EQ(seen(pager), page);
        EXPECT_EQ(pager.nextClicked(), NextOutcome::Paged);
        EXPECT_EQ(seen(pager), "4 5 - Pn");
    }
    // The first slot is shown whatever happened to its file.
    EXPECT_EQ(seen(firstPage(5, { 0 })), "1 2 3 pN");
}

// Walking a long list to its end and back shows every position once per direction, pages
// beginning at 1, 4, 7 ..., and never reads outside the list.
TEST(ThumbnailPager, LongListsPageThroughEveryPosition)
{
    for (int count = 8; count <= 14; ++count) {
        ThumbnailPager pager = firstPage(count);
        std::vector<int> forward { 1, 2, 3 };
        int ends = 0;
        while (pager.nextEnabled()) {
            if (pager.nextClicked() == NextOutcome::EndOfList) {
                ++ends;
                break;
            }
            EXPECT_EQ(pager.position(0) % 3, 1) << count;
            for (int slot = 0; slot < 3; ++slot) {
                if (pager.position(slot) > 0)
                    forward.push_back(pager.position(slot));
            }
        }
        ASSERT_EQ(int(forward.size()), count);
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(forward[std::size_t(i)], i + 1) << count;
        EXPECT_EQ(ends, count % 3 == 0 ? 1 : 0) << count;

        while (pager.previousEnabled())
            pager.LoadPreviousPics();
        EXPECT_EQ(seen(pager), "1 2 3 pN") << count;
    }
}
