// The run's ranking step reads ahead on a second core; with the real ranking library (which
// carries each file's source information from one call to the next) it must leave exactly what
// ranking one file at a time leaves: the same rows in the same order, the same results copies
// and the same last working bitmap.

#include "app/run/RunSteps.h"
#include "app/run/Startup.h"
#include "core/RunHooks.h"
#include "core/Settings.h"
#include "rank/RankLibrary.h"
#include "rank/ResultsCopies.h"
#include "store/ResultStore.h"
#include "tests/support/TempAppFolder.h"
#include "tests/support/TestImages.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <set>

using namespace lis;

namespace {

struct EndState
{
    std::vector<std::pair<QString, QString>> rows; // (FileName, Rank) in report order
    std::map<QString, QByteArray> resultsCopies; // file name -> bytes
    QByteArray workingBitmap;
    std::vector<QString> copyOf; // each found file's results copy name, in list order
};

EndState endStateOf(const AppPaths &paths, const ResultStore &store, const QStringList &found,
    const ResultsCopies &copies)
{
    EndState state;
    for (const RankRow &row : store.reportRows())
        state.rows.emplace_back(row.fileName, row.rank);
    const QDir results(paths.resultsFolder());
    for (const QString &name : results.entryList(QDir::Files))
        state.resultsCopies[name] = test::readFile(results.filePath(name));
    state.workingBitmap = test::readFile(paths.workingBitmap());
    for (const QString &path : found)
        state.copyOf.push_back(QFileInfo(copies.copyFor(path)).fileName());
    return state;
}

// One sandbox application folder with the built ranking library, started up.
struct Sandbox
{
    test::TempAppFolder app { test::TempAppFolder::Ranker::With };
    AppPaths paths = app.paths();
    StartupResult started = startUp(paths);
    Settings settings { app.filePath(QStringLiteral("settings.ini")) };
    RankLibrary ranker { paths.appFolder() };
    ResultsCopies copies;
};

} // namespace

TEST(RunModes, TheRunsReadAheadLeavesWhatOneFileAtATimeLeaves)
{
    QTemporaryDir photos;
    ASSERT_TRUE(photos.isValid());
    // JPEGs at different qualities (the library judges compression from the source), every
    // other format, a name that repeats in two folders, and a damaged file between good ones.
    const struct
    {
        const char *name;
        const char *format;
        int width, height, quality;
    } files[] = {
        { "sea1.jpg", "JPG", 1600, 1200, 95 },
        { "sea2.jpg", "JPG", 900, 1400, 40 },
        { "x/sea3.jpg", "JPG", 640, 480, 70 },
        { "y/sea3.jpg", "JPG", 2000, 1000, 85 },
        { "sea4.png", "PNG", 1200, 800, 0 },
        { "sea5.tif", "TIFF", 700, 500, 0 },
        { "sea6.bmp", "BMP", 450, 300, 0 },
        { "sea7.bmp", "BMP", 1100, 600, 0 },
        { "sea8.jpg", "JPG", 3000, 2000, 20 },
        { "sea9.jpg", "JPG", 520, 390, 100 },
    };
    int seed = 0;
    for (const auto &f : files) {
        ASSERT_TRUE(test::saveImage(test::makeScene(f.width, f.height, ++seed),
            photos.filePath(QString::fromUtf8(f.name)), f.format, f.quality));
    }
    const QByteArray whole = test::readFile(photos.filePath(QStringLiteral("sea1.jpg")));
    ASSERT_TRUE(
        test::writeFile(photos.filePath(QStringLiteral("sea0.jpg")), whole.left(whole.size() / 2)));

    Sandbox run, oneFile;
    ASSERT_TRUE(run.started.error.isEmpty() && oneFile.started.error.isEmpty());
    ASSERT_TRUE(run.ranker.isAvailable()) << "the ranking library was not built beside the program";
    using namespace SettingKeys;
    run.settings.save(searchSection, subfoldersKey, QStringLiteral("3")); // enter subfolders
    run.settings.save(searchSection, hiddenFilesKey, QStringLiteral("2")); // leave hidden out
    run.settings.save(allImageSection, fileTypesKey, QStringLiteral("5")); // every image type
    const RunHooks hooks;

    // The window's and the command line's path: walk, prepare, rank.
    const RunEngine engine { run.paths, walkOptionsFrom(run.settings), *run.started.store,
        run.ranker };
    QStringList list2, found;
    findImageFiles(engine, photos.path(), QStringLiteral("sea"), list2, found, hooks);
    ASSERT_EQ(found.size(), qsizetype(std::size(files)) + 1);
    prepareRanking(engine, run.copies);
    const ProcessFilesResult ranked = rankFoundFiles(engine, found, run.copies, hooks);

    // The same list, one file at a time.
    const RunEngine single { oneFile.paths, walkOptionsFrom(oneFile.settings),
        *oneFile.started.store, oneFile.ranker };
    prepareRanking(single, oneFile.copies);
    const ProcessFilesResult reference
        = ProcessFiles({ oneFile.paths, *oneFile.started.store, oneFile.ranker, hooks }, found,
            oneFile.copies, PipelineMode::OneFile);

    ASSERT_EQ(ranked.files.size(), reference.files.size());
    for (size_t i = 0; i < ranked.files.size(); ++i) {
        SCOPED_TRACE(found.at(qsizetype(i)).toStdString());
        EXPECT_EQ(ranked.files[i].rank, reference.files[i].rank);
        EXPECT_EQ(ranked.files[i].problem, reference.files[i].problem);
    }
    const EndState a = endStateOf(run.paths, *run.started.store, found, run.copies);
    const EndState b = endStateOf(oneFile.paths, *oneFile.started.store, found, oneFile.copies);
    EXPECT_EQ(a.rows, b.rows);
    EXPECT_EQ(a.resultsCopies, b.resultsCopies);
    EXPECT_EQ(a.workingBitmap, b.workingBitmap);
    EXPECT_EQ(a.copyOf, b.copyOf);
    // Not a vacuous match: the good files were judged, differently, and the damaged one was not.
    EXPECT_EQ(a.resultsCopies.size(), std::size(files));
    EXPECT_EQ(ranked.unreadable().size(), 1u);
    std::set<std::int32_t> ranks;
    for (const FileOutcome &f : ranked.files)
        ranks.insert(f.rank);
    EXPECT_GE(ranks.size(), std::size(files) - 1);
}
