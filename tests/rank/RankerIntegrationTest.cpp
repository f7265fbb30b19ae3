#include "rank/ProcessFiles.h"
#include "rank/RankLibrary.h"
#include "rank/ResultsCopies.h"
#include "store/ResultStore.h"
#include "tests/rank/FoundTree.h"
#include "tests/rank/RankTestSupport.h"
#include "tests/support/TempAppFolder.h"

#include <gtest/gtest.h>

using namespace lis;
using namespace lis::test;

// In its own program: once the real library is loaded, a lookup by its bare name finds it,
// and the tests of a missing library could no longer see it missing.
// The real ranking library judges every working bitmap the loop writes (24-bit BMPs and BMPs
// taken over unchanged) and is never asked about a file that could not be prepared.
TEST(ProcessFiles, TheBuiltRankingLibraryJudgesEveryPreparedFile)
{
    const FoundTree tree;
    TempAppFolder app(TempAppFolder::Ranker::With);
    const AppPaths paths = app.paths();
    ASSERT_TRUE(renewWorkingDatabase(paths));
    ResultStore store(ResultStore::connectionString(paths.workingDatabase()));
    ResultsCopies copies(paths.resultsFolder());
    RankLibrary ranker(paths.appFolder());
    ASSERT_TRUE(ranker.isAvailable()) << "the ranking library was not built beside the program";
    const RunHooks hooks;
    const ProcessFilesResult result
        = ProcessFiles({ paths, store, ranker, hooks }, tree.paths(), copies);
    ASSERT_EQ(result.files.size(), tree.expected.size());
    for (size_t i = 0; i < tree.expected.size(); ++i) {
        SCOPED_TRACE(tree.expected[i].path.toStdString());
        if (tree.expected[i].bitmap.isValid())
            EXPECT_GE(result.files[i].rank, 1);
        else
            EXPECT_EQ(result.files[i].rank, 0);
    }
}
