#include "store/ResultStore.h"

#include "app/run/Startup.h"
#include "core/FileNames.h"
#include "store/Maintenance.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempAppFolder.h"

#include <QDir>
#include <QFile>
#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>

using namespace lis;
using lis::test::FakePrompts;
using lis::test::TempAppFolder;

namespace {

QStringList ranks(const std::vector<RankRow> &rows)
{
    QStringList out;
    for (const RankRow &row : rows)
        out.append(row.rank);
    return out;
}

class ResultStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(app.isValid());
        started = startUp(app.paths());
        ASSERT_TRUE(started.error.isEmpty()) << started.error.toStdString();
    }
    ResultStore &store() { return *started.store; }

    TempAppFolder app;
    StartupResult started;
};

} // namespace

TEST_F(ResultStoreTest, ConnectionTextNamesTheWorkingCopy)
{
    const QString expected = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=")
        + app.path()
        + QStringLiteral("/LIS/Lumetra_Image_Search.mdb;Persist Security "
                         "Info=False; JET OLEDB:Database Password=rowan.58.tz");
    EXPECT_EQ(ResultStore::connectionString(app.paths().workingDatabase()), expected);
    EXPECT_EQ(ResultStore::dataSource(expected), app.paths().workingDatabase());
}

TEST_F(ResultStoreTest, ReportOrdersByNumericRank)
{
    ASSERT_TRUE(store().AddImageRank(QStringLiteral("/p/a.jpg"), 10));
    ASSERT_TRUE(store().AddImageRank(QStringLiteral("/p/b.jpg"), 9));
    ASSERT_TRUE(store().AddImageRank(QStringLiteral("/p/c.jpg"), 100));
    ASSERT_TRUE(store().AddImageRank(QStringLiteral("/p/d.jpg"), -3));
    EXPECT_EQ(ranks(store().reportRows()),
        (QStringList { QStringLiteral("-3"), QStringLiteral("9"), QStringLiteral("10"),
            QStringLiteral("100") }));
}

TEST_F(ResultStoreTest, RankTextWithoutLeadingNumberSortsAsZero)
{
    ASSERT_TRUE(store().AddImageRank(QStringLiteral("/p/a.jpg"), 5));
    ASSERT_TRUE(store().AddImageRank(QStringLiteral("/p/b.jpg"), -1));
    // A row written by another tool: the rank column holds no number.
    {
        SQLite::Database raw(app.paths().workingDatabase().toStdString(), SQLite::OPEN_READWRITE);
        raw.exec("INSERT INTO Image_Rank VALUES ('abc', '/p/x.jpg')");
    }
    EXPECT_EQ(ranks(store().reportRows()),
        (QStringList { QStringLiteral("-1"), QStringLiteral("abc"), QStringLiteral("5") }));
}

// Blanks at either end are part of a file's name, and names need not be UTF-8: every path comes
// back as the file it named.
TEST_F(ResultStoreTest, PathsAreStoredVerbatim)
{
    const QStringList paths {
        QStringLiteral(" /photos/ lead and trail.jpg  "),
        pathFromBytes("/photos/caf\xE9 \xFF.jpg"),
        QStringLiteral("/photos/x'); DROP TABLE Image_Rank;--.jpg"),
        QStringLiteral("/photos/\"quoted\" 100% *?.jpg"),
        QStringLiteral("/photos/ünïcödé 写真.jpg"),
        QString(600, u'a') + QStringLiteral(".jpg"),
    };
    for (const QString &path : paths)
        ASSERT_TRUE(store().AddImageRank(path, 1));
    const auto rows = store().reportRows();
    ASSERT_EQ(rows.size(), paths.size());
    for (qsizetype i = 0; i < paths.size(); ++i)
        EXPECT_EQ(pathToBytes(rows[size_t(i)].fileName), pathToBytes(paths[i]));
}

TEST_F(ResultStoreTest, DeleteRecordsEmptiesTheTable)
{
    store().AddImageRank(QStringLiteral("/a.jpg"), 1);
    store().AddImageRank(QStringLiteral("/b.jpg"), 2);
    ASSERT_TRUE(store().DeleteRecords());
    EXPECT_TRUE(store().reportRows().empty());
    EXPECT_TRUE(store().AddImageRank(QStringLiteral("/c.jpg"), 3));
    EXPECT_EQ(store().reportRows().size(), 1u);
}

TEST_F(ResultStoreTest, BatchedRowsAreAllCommitted)
{
    {
        ResultStore::Batch batch(store());
        for (int i = 0; i < 500; ++i)
            store().AddImageRank(QStringLiteral("/p/%1.jpg").arg(i), i);
    }
    EXPECT_EQ(store().reportRows().size(), 500u);
}

// A batch that cannot be committed (the disk is full) loses its rows; the store says so instead
// of leaving an empty table that reads as "no results".
TEST(ResultStoreBatch, ACommitThatFailsIsReported)
{
    lis::test::SmallDisk disk(256 * 1024);
    if (!disk.isMounted())
        GTEST_SKIP() << "no private mount for a small disk";
    const AppPaths paths(disk.path());
    ASSERT_TRUE(QDir().mkpath(paths.workFolder()));
    ASSERT_TRUE(
        QFile::copy(lis::test::builtAppFolder() + QStringLiteral("/Lumetra_Image_Search.mdb"),
            paths.pristineDatabase()));
    StartupResult started = startUp(paths);
    ASSERT_TRUE(started.error.isEmpty()) << qPrintable(started.error);
    ResultStore &store = *started.store;
    ASSERT_TRUE(disk.fillUntil(0));
    bool committed = true;
    {
        ResultStore::Batch batch(store);
        for (int i = 0; i < 2000; ++i)
            store.AddImageRank(QStringLiteral("/p/%1/").arg(i) + QString(200, u'x'), i);
        committed = batch.commit();
    }
    EXPECT_FALSE(committed && store.writeError().isEmpty());
    EXPECT_TRUE(store.writeError().contains(u"full")) << qPrintable(store.writeError());
    // A new run starts with a clean slate.
    store.DeleteRecords();
    EXPECT_TRUE(store.writeError().isEmpty());
}

TEST_F(ResultStoreTest, RowsDoNotSurviveARestart)
{
    store().AddImageRank(QStringLiteral("/p/old.jpg"), 7);
    started.store.reset();
    StartupResult again = startUp(app.paths());
    ASSERT_TRUE(again.error.isEmpty());
    EXPECT_TRUE(again.store->reportRows().empty());
}

TEST(Startup, CreatesMissingWorkFolder)
{
    TempAppFolder app;
    QDir(app.paths().workFolder()).removeRecursively();
    const StartupResult started = startUp(app.paths());
    EXPECT_TRUE(started.error.isEmpty()) << started.error.toStdString();
    EXPECT_TRUE(QFile::exists(app.paths().workingDatabase()));
}

TEST(Startup, MissingPristineDatabaseIsOneClearError)
{
    TempAppFolder app;
    QFile::remove(app.paths().pristineDatabase());
    const StartupResult started = startUp(app.paths());
    EXPECT_TRUE(started.error.contains(QStringLiteral("is missing")));
    EXPECT_EQ(started.store, nullptr);
}

TEST(Startup, UnopenableWorkingDatabaseIsAnError)
{
    TempAppFolder app;
    // A pristine file that is not a database at all.
    ASSERT_TRUE(lis::test::writeFile(app.paths().pristineDatabase(), "not a database"));
    const StartupResult started = startUp(app.paths());
    EXPECT_FALSE(started.error.isEmpty());
    ASSERT_NE(started.store, nullptr);
    EXPECT_FALSE(started.store->AddImageRank(QStringLiteral("/a.jpg"), 1));
    EXPECT_TRUE(started.store->reportRows().empty());
}

// Each operation's message, and whether it says it failed: a second create or drop, a file that
// is not a database and a missing file are failures, never "dropped" or "successful" alone.
TEST(Maintenance, CreateAndDropSayWhatHappened)
{
    TempAppFolder app;
    const QString file = app.paths().maintenanceDatabase();
    const QString garbage = app.filePath(QStringLiteral("garbage.mdb"));
    ASSERT_TRUE(lis::test::writeFile(garbage, QByteArray(4096, 'x')));
    const QString missing = app.filePath(QStringLiteral("nowhere/none.mdb"));
    const QString connected = QStringLiteral("Database Connection successful!...Image_Rank");
    const QString noConnection = QStringLiteral("Sorry, can't connect to the Database ....");
    const QString dropped = QStringLiteral("Image_Rank Table has been dropped");

    struct Step
    {
        MaintenanceResult result;
        QString message;
        bool succeeded;
    };
    const Step steps[] = {
        { CreateTableImageRank(file), connected, true },
        { CreateTableImageRank(file), connected, false }, // the table exists already
        { DelTable(file), dropped, true },
        { DelTable(file), {}, false }, // no table to drop
        { CreateTableImageRank(garbage), noConnection, false },
        { DelTable(garbage), noConnection, false },
        { CreateTableImageRank(missing), noConnection, false },
        { DelTable(missing), noConnection, false },
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(qPrintable(step.result.message + u'|' + step.result.failure));
        EXPECT_EQ(step.result.message, step.message);
        EXPECT_EQ(step.result.succeeded(), step.succeeded);
    }
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_EQ(lis::test::readFile(garbage), QByteArray(4096, 'x'));
}
