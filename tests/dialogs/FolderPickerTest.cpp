#include "dialogs/FolderPicker.h"

#include "tests/support/FakePrompts.h"

#include <gtest/gtest.h>

using namespace lis;
using lis::test::FakePrompts;

namespace {

TEST(FolderPickerTest, EachPickerHasItsTitleStartsAtTheRootAndOnlyTheCopyPickerIsFoldersOnly)
{
    FakePrompts prompts;
    FolderPickers pickers(prompts);
    prompts.queueFolder(QStringLiteral("/photos"));
    prompts.queueFolder(QStringLiteral("/out"));
    EXPECT_EQ(pickers.BrowseForSearchFolder(), u"/photos");
    EXPECT_EQ(pickers.BrowseForCopyFolder(), u"/out");

    ASSERT_EQ(prompts.shown().size(), 2);
    const auto &search = prompts.shown()[0];
    EXPECT_EQ(search.kind, FakePrompts::Shown::Kind::Folder);
    EXPECT_EQ(search.caption,
        u"Lumetra Image Search 1.0 - Please select a location for searching "
        u"image files.");
    EXPECT_EQ(search.startFolder, u"/");
    EXPECT_FALSE(search.foldersOnly);
    const auto &copy = prompts.shown()[1];
    EXPECT_EQ(copy.caption,
        u"Lumetra Image Search 1.0 - Please select a location to copy image "
        u"files.");
    EXPECT_EQ(copy.startFolder, u"/");
    EXPECT_TRUE(copy.foldersOnly);
}

TEST(FolderPickerTest, ResultsAreKeptPerPickerAndACancelEmptiesOnlyItsOwn)
{
    FakePrompts prompts;
    FolderPickers pickers(prompts);
    prompts.queueFolder(QStringLiteral("/a"));
    prompts.queueFolder(QStringLiteral("/b"));
    pickers.BrowseForSearchFolder();
    pickers.BrowseForCopyFolder();

    prompts.queueFolder(QString()); // cancel
    EXPECT_TRUE(pickers.BrowseForSearchFolder().isEmpty());
    EXPECT_TRUE(pickers.pickedSearchPath().isEmpty());
    EXPECT_EQ(pickers.pickedCopyPath(), u"/b");
    // Every dialog opens at the root again, whatever was picked before.
    EXPECT_EQ(prompts.shown().last().startFolder, u"/");
}

TEST(FolderPickerTest, PathsComeBackAsChosen)
{
    FakePrompts prompts;
    FolderPickers pickers(prompts);
    // The root keeps its separator, other folders have none; blanks belong to the name here.
    for (const QString &folder :
        { QStringLiteral("/"), QStringLiteral("/photos/2008"), QStringLiteral("/photos/ trip "),
            QStringLiteral("/very/").repeated(200) + QStringLiteral("deep") }) {
        prompts.queueFolder(folder);
        EXPECT_EQ(pickers.BrowseForSearchFolder(), folder);
        prompts.queueFolder(folder);
        EXPECT_EQ(pickers.BrowseForCopyFolder(), folder);
    }
}

} // namespace
