#include "app/cli/CliRun.h"

#include "app/run/Session.h"
#include "core/InstanceLock.h"
#include "core/Settings.h"
#include "tests/support/CommandLineCapture.h"
#include "tests/support/TempAppFolder.h"
#include "tests/support/TestImages.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace lis;
using lis::test::TempAppFolder;

namespace {

using Outcome = lis::test::CommandLineOutcome;

class CliRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(photos.isValid());
        using lis::test::makeScene;
        using lis::test::saveImage;
        // Three photos of different quality, one unreadable file, and a file of another kind.
        ASSERT_TRUE(saveImage(
            makeScene(900, 600, 1), photos.filePath(QStringLiteral("sun1.jpg")), "JPG", 95));
        QImage soft = makeScene(300, 200, 2)
                          .scaled(900, 600, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        ASSERT_TRUE(saveImage(soft, photos.filePath(QStringLiteral("sun2.png")), "PNG"));
        ASSERT_TRUE(saveImage(
            makeScene(400, 300, 3), photos.filePath(QStringLiteral("sub/sun3.bmp")), "BMP"));
        ASSERT_TRUE(lis::test::writeFile(photos.filePath(QStringLiteral("sun4.jpg")),
            QByteArray("\xff\xd8\xff\xe0 broken", 12)));
        ASSERT_TRUE(lis::test::writeFile(photos.filePath(QStringLiteral("sun5.txt")), "text"));
        saved = std::make_unique<Settings>(app.filePath(QStringLiteral("user.ini")));
        saved->save(QStringLiteral("AllImage"), QStringLiteral("filetypes"), QStringLiteral("5"));
        saved->sync();
    }

    Outcome run(const QStringList &args)
    {
        return lis::test::runCommandLineCaptured(args, app.paths(), *saved);
    }

    TempAppFolder app { TempAppFolder::Ranker::With };
    QTemporaryDir photos;
    std::unique_ptr<Settings> saved;
};

} // namespace

TEST_F(CliRunTest, JsonReportInRankOrderWithEveryFile)
{
    const Outcome r
        = run({ QStringLiteral("--search"), QStringLiteral("sun"), QStringLiteral("--location"),
            photos.path(), QStringLiteral("--format"), QStringLiteral("json") });
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray rows = QJsonDocument::fromJson(r.out.toUtf8()).array();
    ASSERT_EQ(rows.size(), 4) << r.out.toStdString();
    int previousRank = INT_MAX;
    QStringList names;
    for (int i = 0; i < rows.size(); ++i) {
        const QJsonObject row = rows[i].toObject();
        EXPECT_EQ(row[QStringLiteral("Position")].toInt(), i + 1);
        const int rank = row[QStringLiteral("Rank")].toInt();
        EXPECT_LE(rank, previousRank);
        previousRank = rank;
        names.append(row[QStringLiteral("Name")].toString());
    }
    // The unreadable file is last, with rank 0, and said so on standard error.
    EXPECT_EQ(rows.last().toObject()[QStringLiteral("Path")].toString(),
        photos.filePath(QStringLiteral("sun4.jpg")));
    EXPECT_EQ(rows.last().toObject()[QStringLiteral("Rank")].toInt(), 0);
    EXPECT_EQ(rows.last().toObject()[QStringLiteral("Problem")].toString(), u"damaged");
    EXPECT_TRUE(r.err.contains(u"1 file(s) could not be read"));
    EXPECT_TRUE(names.contains(u"sun3"));
    // The working folder is cleaned up as the window's close does.
    EXPECT_FALSE(QDir(app.paths().resultsFolder()).exists());
}

TEST_F(CliRunTest, TableAndCsvCarryTheSameRows)
{
    const QStringList base { QStringLiteral("--search"), QStringLiteral("sun"),
        QStringLiteral("--location"), photos.path(), QStringLiteral("--no-subfolders"),
        QStringLiteral("--type"), QStringLiteral("jpeg") };
    const Outcome table = run(base);
    ASSERT_EQ(table.status, 0);
    const QStringList tableLines = table.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(tableLines.size(), 3); // header, sun1.jpg, sun4.jpg
    EXPECT_TRUE(tableLines[0].startsWith(u"Position"));
    EXPECT_TRUE(tableLines[1].endsWith(photos.filePath(QStringLiteral("sun1.jpg"))));

    const Outcome csv
        = run(base + QStringList { QStringLiteral("--format"), QStringLiteral("csv") });
    ASSERT_EQ(csv.status, 0);
    const QStringList csvLines = csv.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(csvLines.size(), 3);
    EXPECT_TRUE(csvLines[1].startsWith(QStringLiteral("1,")
        + photos.filePath(QStringLiteral("sun1.jpg")) + QStringLiteral(",sun1,")));
    EXPECT_TRUE(csvLines[2].contains(u",0,")); // the broken file ranks 0
    // The saved settings were not changed by the overrides.
    EXPECT_EQ(saved->get(QStringLiteral("AllImage"), QStringLiteral("filetypes")), u"5");
    EXPECT_EQ(saved->get(QStringLiteral("Search"), QStringLiteral("Subfolders")), QString());
}

TEST_F(CliRunTest, RefusalsExitWithStatusTwo)
{
    const Outcome blank = run({ QStringLiteral("--search"), QStringLiteral("   "),
        QStringLiteral("--location"), photos.path() });
    EXPECT_EQ(blank.status, 2);
    EXPECT_EQ(blank.err.trimmed(), u"lumetra-image-search: error: the keyword '   ' is blank");
    EXPECT_TRUE(blank.out.isEmpty());

    const Outcome file = run({ QStringLiteral("--search"), QStringLiteral("sun"),
        QStringLiteral("--location"), photos.filePath(QStringLiteral("sun5.txt")) });
    EXPECT_EQ(file.status, 2);
    EXPECT_EQ(file.err.trimmed(),
        QStringLiteral("lumetra-image-search: error: the location '")
            + photos.filePath(QStringLiteral("sun5.txt")) + QStringLiteral("' is not a folder"));

    const Outcome usage = run({ QStringLiteral("--search"), QStringLiteral("sun"),
        QStringLiteral("--format"), QStringLiteral("xml") });
    EXPECT_EQ(usage.status, 2);
}

TEST_F(CliRunTest, NoResultsExitsZeroAndSaysSo)
{
    const Outcome r = run({ QStringLiteral("--search"), QStringLiteral("moon"),
        QStringLiteral("--location"), photos.path() });
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains(u"No results found for moon"));
}

TEST_F(CliRunTest, CopyToTakesTheBestResults)
{
    QTemporaryDir out;
    const QByteArray original = lis::test::readFile(photos.filePath(QStringLiteral("sun1.jpg")));
    const Outcome r = run({ QStringLiteral("--search"), QStringLiteral("sun"),
        QStringLiteral("--location"), photos.path(), QStringLiteral("--format"),
        QStringLiteral("json"), QStringLiteral("--copy-to"), out.path(), QStringLiteral("--top"),
        QStringLiteral("2") });
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray rows = QJsonDocument::fromJson(r.out.toUtf8()).array();
    ASSERT_GE(rows.size(), 2);
    QStringList expected;
    for (int i = 0; i < 2; ++i)
        expected.append(
            QFileInfo(rows[i].toObject()[QStringLiteral("Path")].toString()).fileName());
    expected.sort();
    QStringList copied = QDir(out.path()).entryList(QDir::Files);
    copied.sort();
    EXPECT_EQ(copied, expected);
    // The originals are untouched.
    EXPECT_EQ(lis::test::readFile(photos.filePath(QStringLiteral("sun1.jpg"))), original);
}

// The window's working files are its own: a run goes on beside an open window, in a working
// folder of its own that it removes at the end, and leaves the window's files as they were.
TEST_F(CliRunTest, RunsBesideAnOpenWindowWithoutTouchingItsFiles)
{
    ASSERT_TRUE(QDir().mkpath(app.paths().resultsFolder()));
    const InstanceLock window(app.paths().lockFile());
    ASSERT_TRUE(window.isLocked());
    const QString windowCopy = app.paths().resultsFolder() + QStringLiteral("/shown.jpg");
    ASSERT_TRUE(lis::test::writeFile(windowCopy, "the window's thumbnail"));
    ASSERT_TRUE(lis::test::writeFile(app.paths().workingDatabase(), "the window's rows"));
    const Outcome r
        = run({ QStringLiteral("--search"), QStringLiteral("sun"), QStringLiteral("--location"),
            photos.path(), QStringLiteral("--format"), QStringLiteral("csv") });
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count(u"sun"), 2 * 4) << r.out.toStdString(); // name and path of four
    EXPECT_EQ(lis::test::readFile(windowCopy), "the window's thumbnail");
    EXPECT_EQ(lis::test::readFile(app.paths().workingDatabase()), "the window's rows");
    EXPECT_TRUE(QDir(privateRunsFolder(app.paths()))
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
}

// A report that cannot be written (a full disk, a reader gone) fails the run and says so; the
// working files are cleaned up all the same.
TEST_F(CliRunTest, AReportThatCannotBeWrittenFailsTheRun)
{
    struct Closer
    {
        void operator()(std::FILE *f) const { std::fclose(f); }
    };
    const std::unique_ptr<std::FILE, Closer> full(std::fopen("/dev/full", "w"));
    ASSERT_TRUE(full);
    const std::unique_ptr<std::FILE, Closer> err(std::tmpfile());
    const QStringList args { QStringLiteral("lumetra-image-search"), QStringLiteral("--search"),
        QStringLiteral("sun"), QStringLiteral("--location"), photos.path(),
        QStringLiteral("--format"), QStringLiteral("csv") };
    EXPECT_EQ(runCommandLine(args, app.paths(), *saved, { full.get(), err.get() }), 1);
    std::rewind(err.get());
    char text[512] = {};
    EXPECT_GT(std::fread(text, 1, sizeof text - 1, err.get()), 0u);
    EXPECT_TRUE(QByteArray(text).contains("the report could not be written (No space left"))
        << text;
    EXPECT_FALSE(QDir(app.paths().resultsFolder()).exists());
}

// The location is used exactly as typed: a folder whose name begins with a blank is not its
// neighbour without the blank, in the report or in the copies.
TEST_F(CliRunTest, ALocationIsSearchedExactlyAsTyped)
{
    const QString blank = photos.filePath(QStringLiteral(" dir"));
    const QString plain = photos.filePath(QStringLiteral("dir"));
    ASSERT_TRUE(lis::test::saveImage(
        lis::test::makeScene(64, 48, 7), blank + QStringLiteral("/moon.png"), "PNG"));
    ASSERT_TRUE(lis::test::saveImage(
        lis::test::makeScene(80, 60, 8), plain + QStringLiteral("/moon.png"), "PNG"));
    QTemporaryDir out;
    // Typed relative to the current folder, the location itself begins with the blank.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(photos.path()));
    const auto restore = qScopeGuard([&] { QDir::setCurrent(previous); });
    const Outcome r = run({ QStringLiteral("--search"), QStringLiteral("moon"),
        QStringLiteral("--location"), QStringLiteral(" dir"), QStringLiteral("--format"),
        QStringLiteral("json"), QStringLiteral("--copy-to"), out.path() });
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray rows = QJsonDocument::fromJson(r.out.toUtf8()).array();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].toObject()[QStringLiteral("Path")].toString(), u" dir/moon.png");
    EXPECT_EQ(rows[0].toObject()[QStringLiteral("Width")].toInt(), 64);
    EXPECT_EQ(lis::test::readFile(out.filePath(QStringLiteral("moon.png"))),
        lis::test::readFile(blank + QStringLiteral("/moon.png")));
}

// Copies never replace what the user already has: other bytes under a result's name get a
// numbered name beside it, a rerun adds nothing, and only --overwrite replaces.
TEST_F(CliRunTest, CopiesKeepWhatIsThereAndRerunsAddNothing)
{
    QTemporaryDir out;
    const QString older = out.filePath(QStringLiteral("sun1.jpg"));
    ASSERT_TRUE(lis::test::writeFile(older, "the user's own older picture"));
    const QByteArray source = lis::test::readFile(photos.filePath(QStringLiteral("sun1.jpg")));
    const QStringList copy { QStringLiteral("--search"), QStringLiteral("sun1"),
        QStringLiteral("--location"), photos.path(), QStringLiteral("--copy-to"), out.path() };
    const Outcome first = run(copy);
    ASSERT_EQ(first.status, 0) << first.err.toStdString();
    EXPECT_EQ(lis::test::readFile(older), "the user's own older picture");
    EXPECT_EQ(lis::test::readFile(out.filePath(QStringLiteral("sun1 (2).jpg"))), source);
    EXPECT_TRUE(first.err.contains(u"Copied 1, already there 0")) << first.err.toStdString();

    const Outcome again = run(copy);
    ASSERT_EQ(again.status, 0);
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files).size(), 2);
    EXPECT_TRUE(again.err.contains(u"Copied 0, already there 1")) << again.err.toStdString();

    const Outcome overwrite = run(copy + QStringList { QStringLiteral("--overwrite") });
    ASSERT_EQ(overwrite.status, 0);
    EXPECT_EQ(lis::test::readFile(older), source);
    EXPECT_TRUE(overwrite.err.contains(u"replaced 1")) << overwrite.err.toStdString();
}

// Several roots are walked in turn with a file found twice listed once; exclusions leave out
// files and folders by name, and hidden folders can be left out.
TEST_F(CliRunTest, SeveralRootsAndExclusions)
{
    ASSERT_TRUE(lis::test::saveImage(lis::test::makeScene(64, 48, 9),
        photos.filePath(QStringLiteral(".Trash/sun8.png")), "PNG"));
    const auto paths = [&](QStringList extra) {
        const Outcome r
            = run(QStringList { QStringLiteral("--search"), QStringLiteral("sun"),
                      QStringLiteral("--location"), photos.path(), QStringLiteral("--paths") }
                + extra);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        QStringList names;
        for (const QString &line : r.out.split(u'\n', Qt::SkipEmptyParts))
            names.append(QDir(photos.path()).relativeFilePath(line));
        names.sort();
        return names;
    };
    EXPECT_EQ(paths({ QStringLiteral("--location"), photos.filePath(QStringLiteral("sub")) }),
        QStringList({ u".Trash/sun8.png"_qs, u"sub/sun3.bmp"_qs, u"sun1.jpg"_qs, u"sun2.png"_qs,
            u"sun4.jpg"_qs }));
    EXPECT_EQ(paths({ QStringLiteral("--exclude"), QStringLiteral("sun[24]*"),
                  QStringLiteral("--exclude"), QStringLiteral("sub"),
                  QStringLiteral("--skip-hidden-folders") }),
        QStringList({ u"sun1.jpg"_qs }));
}
