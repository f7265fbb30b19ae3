#include "core/AppPaths.h"

#include "tests/support/TempAppFolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace lis {
namespace {

// Where the files live: a portable folder keeps everything inside, an installed copy reads its
// data from share/ and works in the user's cache, and a layout with neither says what is missing
// in the portable folder's terms.
TEST(AppPathsTest, PortableAndInstalledLayouts)
{
    QTemporaryDir root;
    const QString cache = root.filePath(QStringLiteral("home/.cache"));

    const QString portable = root.filePath(QStringLiteral("portable"));
    ASSERT_TRUE(test::writeFile(portable + QStringLiteral("/Lumetra_Image_Search.mdb"), "db"));
    const AppPaths inside = AppPaths::forProgramIn(portable, cache);
    EXPECT_TRUE(inside.isPortable());
    EXPECT_EQ(inside.workFolder(), portable + QStringLiteral("/LIS"));

    const QString prefix = root.filePath(QStringLiteral("usr"));
    ASSERT_TRUE(test::writeFile(
        prefix + QStringLiteral("/share/lumetra-image-search/Lumetra_Image_Search.mdb"), "db"));
    ASSERT_TRUE(QDir().mkpath(prefix + QStringLiteral("/bin")));
    const AppPaths installed = AppPaths::forProgramIn(prefix + QStringLiteral("/bin"), cache);
    EXPECT_FALSE(installed.isPortable());
    EXPECT_EQ(installed.pristineDatabase(),
        prefix + QStringLiteral("/share/lumetra-image-search/Lumetra_Image_Search.mdb"));
    EXPECT_EQ(installed.helpPage(),
        prefix + QStringLiteral("/share/lumetra-image-search/help/index.html"));
    EXPECT_EQ(installed.workFolder(), cache + QStringLiteral("/Lumetra_Image_Search/LIS"));
    EXPECT_EQ(
        installed.installedRankerFolder(), prefix + QStringLiteral("/lib/lumetra-image-search"));

    const QString bare = root.filePath(QStringLiteral("bare"));
    ASSERT_TRUE(QDir().mkpath(bare));
    EXPECT_EQ(AppPaths::forProgramIn(bare, cache).pristineDatabase(),
        bare + QStringLiteral("/Lumetra_Image_Search.mdb"));
}

} // namespace
} // namespace lis
