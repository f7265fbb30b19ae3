#include "rank/ProcessFiles.h"

#include "rank/RankLibrary.h"
#include "rank/ResultsCopies.h"
#include "store/ResultStore.h"
#include "tests/rank/FoundTree.h"
#include "tests/rank/RankTestSupport.h"
#include "tests/support/TempAppFolder.h"
#include "tests/support/TestImages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

using namespace lis;
using namespace lis::test;

namespace {

// A sandbox application folder with a fresh working database and its store.
struct Sandbox
{
    TempAppFolder app;
    AppPaths paths = app.paths();
    bool renewed = renewWorkingDatabase(paths);
    ResultStore store { ResultStore::connectionString(paths.workingDatabase()) };
    ResultsCopies copies { paths.resultsFolder() };
};

ProcessFilesResult run(Sandbox &box, RankLibrary &ranker, const QStringList &files,
    PipelineMode mode, const RunHooks &hooks = {})
{
    return ProcessFiles({ box.paths, box.store, ranker, hooks }, files, box.copies, mode);
}

std::map<QString, QByteArray> resultsFolderContents(const AppPaths &paths)
{
    std::map<QString, QByteArray> contents;
    const QDir dir(paths.resultsFolder());
    for (const QString &name : dir.entryList(QDir::Files))
        contents[name] = readFile(dir.filePath(name));
    return contents;
}

class ProcessFilesModes : public ::testing::TestWithParam<PipelineMode>
{
};

} // namespace

TEST_P(ProcessFilesModes, RanksEveryFoundFileInOrder)
{
    const FoundTree tree;
    std::map<QString, FileStamp> before;
    for (const Expected &e : tree.expected)
        before[e.path] = stampOf(e.path);
    Sandbox box;
    ASSERT_TRUE(box.renewed);
    ASSERT_TRUE(box.store.AddImageRank(QStringLiteral("/left/over.jpg"), 7)); // an earlier run
    FakeRankerProbe probe;
    probe.reset();
    const auto ranker = RankLibrary::forFile(fakeRankerFile());

    const ProcessFilesResult result = run(box, *ranker, tree.paths(), GetParam());

    EXPECT_FALSE(result.cancelled);
    const auto rows = rowsInOrder(box.paths);
    ASSERT_EQ(rows.size(), tree.expected.size());
    ASSERT_EQ(result.files.size(), tree.expected.size());
    int judged = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const Expected &e = tree.expected[i];
        const FileOutcome &outcome = result.files[i];
        SCOPED_TRACE(e.path.toStdString());
        // The stand-in ranks by the working bitmap's width + 1: the row shows which picture
        // was ranked, and an unreadable file never carries the previous file's rank.
        const int rank = e.bitmap.isValid() ? e.bitmap.width() + 1 : 0;
        EXPECT_EQ(rows[i].first, e.path);
        EXPECT_EQ(rows[i].second, QString::number(rank));
        EXPECT_EQ(outcome.path, e.path);
        EXPECT_EQ(outcome.rank, rank);
        EXPECT_EQ(outcome.problem, e.problem);
        EXPECT_EQ(outcome.ranked, e.bitmap.isValid());
        EXPECT_TRUE(outcome.rowStored);
        if (e.bitmap.isValid()) {
            ++judged;
            EXPECT_EQ(outcome.resultsCopy, box.paths.resultsFolder() + u'/' + e.copyName);
            EXPECT_EQ(box.copies.copyFor(e.path), outcome.resultsCopy);
            EXPECT_EQ(bmpSize(readFile(outcome.resultsCopy)), e.bitmap);
            // Made from the picture that was ranked, without reading the source again.
            EXPECT_EQ(
                outcome.signature, signatureOf(QImage::fromData(readFile(outcome.resultsCopy))));
        } else {
            EXPECT_TRUE(outcome.resultsCopy.isEmpty());
            EXPECT_FALSE(outcome.signature); // a file that was not judged stands alone
        }
        EXPECT_EQ(stampOf(e.path), before[e.path]); // sources are only ever read
    }
    EXPECT_EQ(resultsFolderContents(box.paths).size(), size_t(judged));
    EXPECT_EQ(result.unreadable().size(), tree.expected.size() - size_t(judged));
    EXPECT_EQ(probe.calls(), judged);
    EXPECT_EQ(probe.lastText(), box.paths.workingBitmap().toUtf8());
    EXPECT_EQ(probe.lastSource(), tree.expected.back().path);
    // The last file was a narrow BMP: the working bitmap is its exact bytes.
    EXPECT_EQ(readFile(box.paths.workingBitmap()), readFile(tree.expected.back().path));
    EXPECT_FALSE(QFileInfo::exists(box.paths.scratchBitmap()));
}

TEST_P(ProcessFilesModes, CancelDuringTheSecondFileKeepsTwoRows)
{
    QTemporaryDir root;
    QStringList files;
    for (int i = 0; i < 5; ++i) {
        files << root.filePath(QStringLiteral("p%1.png").arg(i));
        ASSERT_TRUE(saveImage(makeScene(100 + i, 50, i), files.last(), "PNG"));
    }
    Sandbox box;
    const auto ranker = RankLibrary::forFile(fakeRankerFile());
    int checks = 0;
    int cleanups = 0;
    bool cancel = false;
    RunHooks hooks;
    hooks.cancelRequested = [&] {
        ++checks;
        return cancel;
    };
    hooks.yield = [&] {
        if (checks == 2) // the user confirms a cancel while the second file is under way
            cancel = true;
    };
    hooks.cancelCleanup = [&] { ++cleanups; };

    const ProcessFilesResult result = run(box, *ranker, files, GetParam(), hooks);

    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(cleanups, 1);
    ASSERT_EQ(result.files.size(), 2u);
    const auto rows = rowsInOrder(box.paths);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].first, files[1]);
    EXPECT_EQ(rows[1].second, QStringLiteral("102"));
    EXPECT_EQ(resultsFolderContents(box.paths).size(), 2u);
    EXPECT_EQ(bmpSize(readFile(box.paths.workingBitmap())), QSize(101, 50));
}

// Files change after the walk, while the run is under way: the loop sees each file as it is
// when its turn comes, even a file already read ahead.
TEST_P(ProcessFilesModes, FilesChangedDuringTheRunAreSeenAsTheyAreWhenReached)
{
    QTemporaryDir root;
    QStringList files;
    for (int i = 0; i < 6; ++i) {
        files << root.filePath(QStringLiteral("p%1.png").arg(i));
        ASSERT_TRUE(saveImage(makeScene(100 + i, 50, i), files.last(), "PNG"));
    }
    Sandbox box;
    const auto ranker = RankLibrary::forFile(fakeRankerFile());
    int checks = 0, yieldsInFile = 0;
    bool changed = false;
    RunHooks hooks;
    hooks.cancelRequested = [&] {
        ++checks;
        yieldsInFile = 0;
        return false;
    };
    hooks.yield = [&] {
        if (checks == 2 && ++yieldsInFile == 2 && !changed) {
            changed = true;
            QFile::remove(files[2]);
            writeFile(files[3], QByteArray(4000, '\x11'));
            QFile::remove(files[4]);
            saveImage(makeScene(150, 40, 9), files[4], "PNG");
        }
    };
    const ProcessFilesResult result = run(box, *ranker, files, GetParam(), hooks);
    ASSERT_TRUE(changed);
    ASSERT_EQ(result.files.size(), 6u);
    EXPECT_EQ(result.files[2].problem, ImageProblem::Missing);
    EXPECT_EQ(result.files[3].problem, ImageProblem::Unsupported);
    EXPECT_EQ(result.files[4].rank, 151);
    EXPECT_EQ(result.files[5].rank, 106);
    const auto rows = rowsInOrder(box.paths);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[2].second, u"0");
    EXPECT_EQ(rows[3].second, u"0");
}

TEST_P(ProcessFilesModes, WithoutTheLibraryEveryFileGetsRankZero)
{
    const FoundTree tree;
    Sandbox box; // holds no ranking library
    RankLibrary ranker(box.paths.appFolder());
    const ProcessFilesResult result = run(box, ranker, tree.paths(), GetParam());
    const auto rows = rowsInOrder(box.paths);
    ASSERT_EQ(rows.size(), tree.expected.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].first, tree.expected[i].path);
        EXPECT_EQ(rows[i].second, u"0");
        EXPECT_FALSE(result.files[i].ranked);
        EXPECT_FALSE(result.files[i].signature); // rank 0: never part of a stack
        // Preparation does not depend on the library: copies are still made.
        EXPECT_EQ(result.files[i].resultsCopy.isEmpty(), !tree.expected[i].bitmap.isValid());
    }
    EXPECT_EQ(ranker.loadAttempts(), 1);
}

INSTANTIATE_TEST_SUITE_P(BothModes, ProcessFilesModes,
    ::testing::Values(PipelineMode::OneFile, PipelineMode::ReadAhead),
    [](const auto &info) { return info.param == PipelineMode::OneFile ? "OneFile" : "ReadAhead"; });

// Reading ahead on a second core is invisible: the same rows, results copies and working
// bitmap as one file at a time.
TEST(ProcessFiles, ReadAheadLeavesTheSameEndState)
{
    const FoundTree tree;
    Sandbox oneFile, readAhead;
    const auto ranker = RankLibrary::forFile(fakeRankerFile());
    run(oneFile, *ranker, tree.paths(), PipelineMode::OneFile);
    run(readAhead, *ranker, tree.paths(), PipelineMode::ReadAhead);
    EXPECT_EQ(rowsInOrder(oneFile.paths), rowsInOrder(readAhead.paths));
    EXPECT_EQ(resultsFolderContents(oneFile.paths), resultsFolderContents(readAhead.paths));
    EXPECT_EQ(readFile(oneFile.paths.workingBitmap()), readFile(readAhead.paths.workingBitmap()));
}

// The files read ahead hold their bitmaps until their turn; far more of them than may be held
// at once (about 70 MiB here) still pass through, each in its turn.
TEST(ProcessFiles, ReadAheadRunsThroughMoreBitmapsThanItMayHoldAhead)
{
    QTemporaryDir root;
    const QString first = root.filePath(QStringLiteral("p000.png"));
    ASSERT_TRUE(saveImage(makeScene(500, 400, 1), first, "PNG"));
    QStringList files { first };
    for (int i = 1; i < 120; ++i) {
        files << root.filePath(QStringLiteral("p%1.png").arg(i, 3, 10, QLatin1Char('0')));
        ASSERT_TRUE(QFile::copy(first, files.last()));
    }
    Sandbox box;
    const auto ranker = RankLibrary::forFile(fakeRankerFile());
    const ProcessFilesResult result = run(box, *ranker, files, PipelineMode::ReadAhead);
    ASSERT_EQ(result.files.size(), files.size());
    for (const FileOutcome &file : result.files)
        EXPECT_EQ(file.rank, 501) << file.path.toStdString();
    EXPECT_EQ(rowsInOrder(box.paths).size(), files.size());
}

TEST(ProcessFiles, LibraryIsLoadedOnceAndEveryRunStartsFromAnEmptyTable)
{
    const FoundTree tree;
    Sandbox box;
    FakeRankerProbe probe;
    probe.reset();
    const auto ranker = RankLibrary::forFile(fakeRankerFile());
    run(box, *ranker, tree.paths(), PipelineMode::OneFile);
    box.copies.reset(box.paths.resultsFolder());
    run(box, *ranker, tree.paths(), PipelineMode::OneFile);
    EXPECT_EQ(rowsInOrder(box.paths).size(), tree.expected.size());
    EXPECT_EQ(ranker->loadAttempts(), 1);
    const auto judged = std::count_if(tree.expected.begin(), tree.expected.end(),
        [](const Expected &e) { return e.bitmap.isValid(); });
    EXPECT_EQ(probe.calls(), 2 * judged);

    const ProcessFilesResult empty = run(box, *ranker, {}, PipelineMode::OneFile);
    EXPECT_TRUE(empty.files.empty());
    EXPECT_TRUE(rowsInOrder(box.paths).empty());
}
