#include "rank/ResultsCopies.h"

#include <gtest/gtest.h>

using lis::ResultsCopies;

TEST(ResultsCopies, SameNameInTwoFoldersGetsDistinctCopies)
{
    ResultsCopies copies(QStringLiteral("/app/LIS/SR"));
    EXPECT_EQ(copies.assign(QStringLiteral("/a/cat.jpg")), u"/app/LIS/SR/cat.jpg");
    EXPECT_EQ(copies.assign(QStringLiteral("/b/cat.jpg")), u"/app/LIS/SR/cat (2).jpg");
    EXPECT_EQ(copies.assign(QStringLiteral("/c/CAT.jpg")), u"/app/LIS/SR/CAT (3).jpg");
    EXPECT_EQ(copies.assign(QStringLiteral("/d/cat (2).jpg")), u"/app/LIS/SR/cat (2) (2).jpg");
    // Asking again gives the same copy; the map is how viewers find a result's picture.
    EXPECT_EQ(copies.assign(QStringLiteral("/b/cat.jpg")), u"/app/LIS/SR/cat (2).jpg");
    EXPECT_EQ(copies.copyFor(QStringLiteral("/a/cat.jpg")), u"/app/LIS/SR/cat.jpg");
    EXPECT_EQ(copies.copyFor(QStringLiteral("/x/none.jpg")), QString());
}

TEST(ResultsCopies, NamesWithoutExtensionAndResets)
{
    ResultsCopies copies(QStringLiteral("/sr"));
    EXPECT_EQ(copies.assign(QStringLiteral("/a/catjpg")), u"/sr/catjpg");
    EXPECT_EQ(copies.assign(QStringLiteral("/b/catjpg")), u"/sr/catjpg (2)");
    EXPECT_EQ(copies.assign(QStringLiteral("/b/.hidden.jpg")), u"/sr/.hidden.jpg");
    EXPECT_EQ(copies.assign(QStringLiteral("/c/.hidden.jpg")), u"/sr/.hidden (2).jpg");
    copies.reset(QStringLiteral("/other"));
    EXPECT_EQ(copies.size(), 0);
    EXPECT_EQ(copies.assign(QStringLiteral("/b/catjpg")), u"/other/catjpg");
}
