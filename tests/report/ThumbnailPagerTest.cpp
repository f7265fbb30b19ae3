#include "report/ThumbnailPager.h"

#include "tests/support/FakePrompts.h"

#include <gtest/gtest.h>
#include <set>

using namespace lis;
using lis::test::FakePrompts;
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
    pager.loadPics(count, 0, [&](int entry) { return !goneEntries.contains(entry); });
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

TEST(ThumbnailPager, FourResults)
{
    FakePrompts prompts;
    ThumbnailPager pager = firstPage(4);
    EXPECT_EQ(seen(pager), "1 2 3 pN");

    ThumbnailPager::Changes changes;
    EXPECT_EQ(pager.nextClicked(prompts, &changes), NextOutcome::Paged);
    EXPECT_EQ(seen(pager), "4 - - Pn");
    EXPECT_EQ(loads(changes), "3--");
    EXPECT_EQ(pager.pagePosition(), 0);

    EXPECT_EQ(loads(pager.loadPreviousPics()), "012");
    EXPECT_EQ(seen(pager), "1 2 3 pN");
    EXPECT_TRUE(prompts.shown().isEmpty());
}

TEST(ThumbnailPager, FiveResults)
{
    FakePrompts prompts;
    ThumbnailPager pager = firstPage(5);
    ThumbnailPager::Changes changes;
    pager.nextClicked(prompts, &changes);
    EXPECT_EQ(seen(pager), "4 5 - Pn");
    EXPECT_EQ(loads(changes), "34-");
}

TEST(ThumbnailPager, SixResultsEndWithTheEndMessage)
{
    FakePrompts prompts;
    ThumbnailPager pager = firstPage(6);
    EXPECT_EQ(pager.nextClicked(prompts), NextOutcome::Paged);
    EXPECT_EQ(seen(pager), "4 5 6 PN");
    EXPECT_TRUE(prompts.shown().isEmpty());

    EXPECT_EQ(pager.nextClicked(prompts), NextOutcome::EndOfList);
    EXPECT_EQ(seen(pager), "4 5 6 Pn");
    ASSERT_EQ(prompts.shown().size(), 1);
    EXPECT_EQ(prompts.shown()[0].caption, u"End");
    EXPECT_EQ(prompts.shown()[0].text, u"6 image files.");
    EXPECT_EQ(prompts.shown()[0].icon, MessageIcon::Information);
}

TEST(ThumbnailPager, SevenResultsPageForwardAndBack)
{
    FakePrompts prompts;
    ThumbnailPager pager = firstPage(7);
    pager.nextClicked(prompts);
    EXPECT_EQ(seen(pager), "4 5 6 PN");
    pager.nextClicked(prompts);
    EXPECT_EQ(seen(pager), "7 - - Pn");
    pager.loadPreviousPics();
    EXPECT_EQ(seen(pager), "4 5 6 PN");
    pager.loadPreviousPics();
    EXPECT_EQ(seen(pager), "1 2 3 pN");
    EXPECT_TRUE(prompts.shown().isEmpty());
}

TEST(ThumbnailPager, FewResultsNextClickOnlyTellsTheCount)
{
    FakePrompts prompts;
    ThumbnailPager pager = firstPage(3);
    EXPECT_EQ(pager.nextClicked(prompts), NextOutcome::EndOfList);
    EXPECT_EQ(seen(pager), "1 2 3 pn");
    ASSERT_EQ(prompts.texts(), QStringList({ QStringLiteral("3 image files.") }));
}

// A first page whose second or third result file is gone shows that slot empty; paging still
// continues at position 4.
TEST(ThumbnailPager, FirstPageSkipsResultsWhoseFileIsGone)
{
    FakePrompts prompts;
    for (const auto &[gone, page] : std::vector<std::pair<std::set<int>, std::string>> {
             { { 1 }, "1 - 3 pN" }, { { 2 }, "1 2 - pN" }, { { 1, 2 }, "1 - - pN" } }) {
        ThumbnailPager pager = firstPage(5, gone);
        EXPECT_EQ(seen(pager), page);
        pager.nextClicked(prompts);
        EXPECT_EQ(seen(pager), "4 5 - Pn");
    }
    // The first slot is shown whatever happened to its file.
    EXPECT_EQ(seen(firstPage(5, { 0 })), "1 2 3 pN");
    EXPECT_TRUE(prompts.shown().isEmpty());
}

// Walking a long list to its end and back shows every position once per direction, pages
// beginning at 1, 4, 7 ..., and never reads outside the list.
TEST(ThumbnailPager, LongListsPageThroughEveryPosition)
{
    for (int count = 8; count <= 14; ++count) {
        FakePrompts prompts;
        ThumbnailPager pager = firstPage(count);
        std::vector<int> forward { 1, 2, 3 };
        while (pager.nextEnabled()) {
            if (pager.nextClicked(prompts) == NextOutcome::EndOfList)
                break;
            EXPECT_EQ(pager.position(0) % 3, 1) << count;
            for (int slot = 0; slot < 3; ++slot) {
                if (pager.position(slot) > 0)
                    forward.push_back(pager.position(slot));
            }
        }
        ASSERT_EQ(int(forward.size()), count);
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(forward[std::size_t(i)], i + 1) << count;
        EXPECT_EQ(prompts.shown().size(), count % 3 == 0 ? 1 : 0) << count;

        while (pager.previousEnabled())
            pager.loadPreviousPics();
        EXPECT_EQ(seen(pager), "1 2 3 pN") << count;
    }
}
