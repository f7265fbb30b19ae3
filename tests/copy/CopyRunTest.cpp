#include "copy/CopyRun.h"

#include "copy/CopySummary.h"
#include "core/FileNames.h"
#include "tests/support/TempAppFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lis;
using lis::test::readFile;
using lis::test::writeFile;

namespace {

// Distinct, recognisable bytes for each file, so a copy of the wrong file shows.
QByteArray bytesFor(const QString &name, int size = 4096)
{
    QByteArray bytes;
    bytes.reserve(size);
    const QByteArray seed = name.toUtf8();
    for (int i = 0; bytes.size() < size; ++i)
        bytes.append(static_cast<char>(seed.at(i % seed.size()) ^ (i * 31)));
    return bytes;
}

class CopyRunTest : public ::testing::Test
{
protected:
    QString sources() const { return dir.filePath(QStringLiteral("results")); }
    QString output() const { return dir.filePath(QStringLiteral("out")); }

    // Writes a result file with its own bytes and returns its path.
    QString result(const QString &name, int size = 4096)
    {
        const QString path = sources() + u'/' + name;
        EXPECT_TRUE(writeFile(path, bytesFor(name, size)));
        return path;
    }
    QStringList outputEntries() const
    {
        return QDir(output()).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir().mkpath(output()));
    }

    QTemporaryDir dir;
};

QList<CopyItem> allSelected(const QStringList &paths)
{
    QList<CopyItem> items;
    for (const QString &path : paths)
        items.append({ path, true });
    return items;
}

TEST_F(CopyRunTest, CopiesOnlyChosenItemsWhileTheBarCountsEveryItem)
{
    QList<CopyItem> items;
    for (int i = 0; i < 10; ++i)
        items.append({ result(QStringLiteral("img%1.jpg").arg(i)), i == 2 || i == 7 });

    QList<int> begun;
    QList<int> advanced;
    int resets = 0;
    const CopyProgressHooks progress { [&](int max) { begun.append(max); },
        [&](int value) { advanced.append(value); }, [&] { ++resets; } };
    const CopyRunResult run = copyItems(items, output(), RunHooks {}, progress);

    EXPECT_EQ(begun, QList<int> { 10 });
    EXPECT_EQ(advanced, (QList<int> { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 }));
    EXPECT_EQ(resets, 0);
    EXPECT_FALSE(run.cancelled);
    EXPECT_EQ(run.count(CopyStatus::Copied), 2);
    EXPECT_EQ(run.count(CopyStatus::NotSelected), 8);
    EXPECT_EQ(
        outputEntries(), (QStringList { QStringLiteral("img2.jpg"), QStringLiteral("img7.jpg") }));
    EXPECT_EQ(
        readFile(output() + QStringLiteral("/img7.jpg")), bytesFor(QStringLiteral("img7.jpg")));
}

// Any spelling of the output folder gets the copy inside it, under the whole of a long name.
TEST_F(CopyRunTest, EverySpellingOfTheFolderGetsTheCopyInside)
{
    const QString name = QString(240, u'n') + QStringLiteral(".jpg");
    const QString source = result(QString(200, u'd') + u'/' + QString(200, u'e') + u'/' + name);
    ASSERT_GT(source.size(), 600);
    ASSERT_FALSE(readFile(source).isEmpty());
    EXPECT_EQ(destinationFor(source, QStringLiteral("//")), u'/' + name);
    for (const QString &folder : { output(), output() + u'/', output() + QStringLiteral("//"),
             dir.filePath(QStringLiteral("./out")) }) {
        EXPECT_EQ(destinationFor(source, folder), output() + u'/' + name);
        const CopyRunResult run = copyItems(allSelected({ source }), folder, RunHooks {});
        // The first copy takes the free name, each later one replaces it.
        EXPECT_EQ(run.results.at(0).status,
            folder == output() ? CopyStatus::Copied : CopyStatus::Replaced)
            << folder.toStdString();
        EXPECT_EQ(readFile(output() + u'/' + name), readFile(source));
        EXPECT_EQ(outputEntries(), QStringList { name });
    }
}

TEST_F(CopyRunTest, ReplacesAnExistingFileAndKeepsTheSourceTime)
{
    const QString source = result(QStringLiteral("same.jpg"), 100000);
    const QDateTime stamp = QDateTime::fromSecsSinceEpoch(1500000000);
    {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    const QString target = output() + QStringLiteral("/same.jpg");
    ASSERT_TRUE(writeFile(target, QByteArray(10, 'x')));

    const CopyRunResult run = copyItems(allSelected({ source }), output(), RunHooks {});
    EXPECT_EQ(run.results.at(0).status, CopyStatus::Replaced);
    EXPECT_EQ(readFile(target), bytesFor(QStringLiteral("same.jpg"), 100000));
    EXPECT_EQ(QFileInfo(target).lastModified().toSecsSinceEpoch(), stamp.toSecsSinceEpoch());
    EXPECT_EQ(outputEntries(), QStringList { QStringLiteral("same.jpg") });
}

// Results from different folders that share a name all arrive; what was there before under the
// shared name is replaced, anything else is left alone.
TEST_F(CopyRunTest, ResultsSharingANameAllArrive)
{
    const QString first = result(QStringLiteral("2019/dup.jpg"));
    const QString second = result(QStringLiteral("2020/dup.jpg"));
    ASSERT_TRUE(writeFile(output() + QStringLiteral("/dup.jpg"), "last week's copy"));
    ASSERT_TRUE(writeFile(output() + QStringLiteral("/dup (2).jpg"), "someone else's"));

    const CopyRunResult run = copyItems(allSelected({ first, second }), output(), RunHooks {});
    EXPECT_EQ(run.results.at(0).status, CopyStatus::Replaced);
    EXPECT_EQ(run.results.at(1).status, CopyStatus::Copied); // a free numbered name
    EXPECT_EQ(readFile(output() + QStringLiteral("/dup.jpg")), readFile(first));
    EXPECT_EQ(readFile(output() + QStringLiteral("/dup (2).jpg")), QByteArray("someone else's"));
    EXPECT_EQ(readFile(output() + QStringLiteral("/dup (3).jpg")), readFile(second));
    EXPECT_EQ(outputEntries().size(), 3);
}

// Without leave to replace, the user's files stay byte for byte: a file that already holds the
// source's bytes (under the result's name or a numbered one) counts as already there, any other
// gets the first free numbered name beside it, and a second run adds nothing.
TEST_F(CopyRunTest, KeptFilesStayAndARerunAddsNothing)
{
    const QString same = result(QStringLiteral("same.jpg"));
    const QString dup = result(QStringLiteral("dup.jpg"));
    const QString otherDup = result(QStringLiteral("2020/dup.jpg"), 5000);
    const QString locked = result(QStringLiteral("locked.jpg"));
    const QString fresh = result(QStringLiteral("new.jpg"));
    const QString folder = result(QStringLiteral("taken.jpg"));
    ASSERT_TRUE(writeFile(output() + QStringLiteral("/same.jpg"), readFile(same)));
    ASSERT_TRUE(writeFile(output() + QStringLiteral("/dup.jpg"), "last week's dup"));
    ASSERT_TRUE(writeFile(output() + QStringLiteral("/dup (2).jpg"), "someone else's"));
    ASSERT_TRUE(writeFile(output() + QStringLiteral("/locked.jpg"), "read-only, other bytes"));
    ASSERT_TRUE(QFile::setPermissions(
        output() + QStringLiteral("/locked.jpg"), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    ASSERT_TRUE(writeFile(output() + QStringLiteral("/taken.jpg/inside.txt"), "a folder"));
    QMap<QString, QByteArray> before;
    for (const QString &name : outputEntries())
        before.insert(name, readFile(output() + u'/' + name));

    const QList<CopyItem> items = allSelected({ same, dup, otherDup, locked, fresh, folder });
    const CopyPolicy keep { ExistingFiles::Keep };
    const CopyRunResult first = copyItems(items, output(), RunHooks {}, {}, keep);
    ASSERT_EQ(first.results.size(), items.size());
    const QList<CopyStatus> expected { CopyStatus::AlreadyThere, CopyStatus::Copied,
        CopyStatus::Copied, CopyStatus::Copied, CopyStatus::Copied, CopyStatus::Copied };
    const QStringList landed { QStringLiteral("same.jpg"), QStringLiteral("dup (3).jpg"),
        QStringLiteral("dup (4).jpg"), QStringLiteral("locked (2).jpg"), QStringLiteral("new.jpg"),
        QStringLiteral("taken (2).jpg") };
    for (qsizetype i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(items[i].path.toStdString());
        EXPECT_EQ(first.results[i].status, expected[i]) << qPrintable(first.results[i].error);
        EXPECT_EQ(first.results[i].destination, output() + u'/' + landed[i]);
        EXPECT_EQ(readFile(first.results[i].destination), readFile(items[i].path));
    }
    EXPECT_EQ(first.failures(), 0);
    for (auto at = before.cbegin(); at != before.cend(); ++at)
        EXPECT_EQ(readFile(output() + u'/' + at.key()), at.value()) << qPrintable(at.key());
    EXPECT_EQ(summarizeCopies(items, first, output()).line,
        QStringLiteral("Copied 5, already there 1, replaced 0, failed 0 to ") + output());

    const QStringList afterFirst = outputEntries();
    const CopyRunResult second = copyItems(items, output(), RunHooks {}, {}, keep);
    EXPECT_EQ(second.count(CopyStatus::AlreadyThere), items.size());
    for (qsizetype i = 0; i < items.size(); ++i)
        EXPECT_EQ(second.results[i].destination, output() + u'/' + landed[i]);
    EXPECT_EQ(outputEntries(), afterFirst);
    EXPECT_EQ(summarizeCopies(items, second, output()).line,
        QStringLiteral("Copied 0, already there 6, replaced 0, failed 0 to ") + output());
}

// Copying results into a folder that holds results (their own folder, or a link to it) must
// leave every original exactly as it was, whatever the order of the list; a result whose name
// another result already has there comes in beside it.
TEST_F(CopyRunTest, OriginalsInTheOutputFolderAreNeverReplaced)
{
    const QString inOutput = output() + QStringLiteral("/dup.jpg");
    ASSERT_TRUE(writeFile(inOutput, bytesFor(QStringLiteral("original in output"))));
    const QString elsewhere = result(QStringLiteral("dup.jpg"));
    const QString own = result(QStringLiteral("own.jpg"));
    const QString link = dir.filePath(QStringLiteral("link-to-results"));
    ASSERT_TRUE(QFile::link(sources(), link));

    for (const QList<CopyItem> &items :
        { allSelected({ elsewhere, inOutput }), allSelected({ inOutput, elsewhere }) }) {
        const CopyRunResult run = copyItems(items, output(), RunHooks {});
        EXPECT_EQ(run.count(CopyStatus::Copied), 1);
        EXPECT_EQ(run.count(CopyStatus::SameFile), 1);
        EXPECT_EQ(readFile(inOutput), bytesFor(QStringLiteral("original in output")));
        const QString beside = output() + QStringLiteral("/dup (2).jpg");
        EXPECT_EQ(readFile(beside), bytesFor(QStringLiteral("dup.jpg")));
        QFile::remove(beside);
    }
    for (const QString &folder : { sources(), sources() + u'/', link }) {
        const CopyRunResult run = copyItems(allSelected({ own, elsewhere }), folder, RunHooks {});
        EXPECT_EQ(run.count(CopyStatus::SameFile), 2) << folder.toStdString();
    }
    EXPECT_EQ(readFile(own), bytesFor(QStringLiteral("own.jpg")));
    EXPECT_EQ(readFile(elsewhere), bytesFor(QStringLiteral("dup.jpg")));
    EXPECT_EQ(QDir(sources()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

// Files and folders under names that are not UTF-8, through the raw bytes of their names.
bool writeRaw(const QByteArray &path, const QByteArray &bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && written;
}

QByteArray readRaw(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray bytes;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, n);
    ::close(fd);
    return bytes;
}

QList<QByteArray> rawEntries(const QByteArray &folder)
{
    QList<QByteArray> names;
    if (DIR *dir = ::opendir(folder.constData())) {
        while (const dirent *entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                names.append(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A result whose name is not UTF-8 arrives under exactly its own bytes, in a folder whose name
// is not UTF-8 either; a second one of that name gets a numbered name past one already taken.
TEST_F(CopyRunTest, NamesThatAreNotUtf8KeepTheirBytes)
{
    const QByteArray sourceFolder = QFile::encodeName(sources());
    ASSERT_TRUE(QDir().mkpath(sources() + QStringLiteral("/2019")));
    const QByteArray first = sourceFolder + "/caf\xe9.jpg";
    const QByteArray second = sourceFolder + "/2019/caf\xe9.jpg";
    ASSERT_TRUE(writeRaw(first, bytesFor(QStringLiteral("first"))));
    ASSERT_TRUE(writeRaw(second, bytesFor(QStringLiteral("second"))));
    const QByteArray folder = QFile::encodeName(output()) + "/d\xe9j\xe0 vu";
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    ASSERT_TRUE(writeRaw(folder + "/caf\xe9 (2).jpg", "the user's own"));

    const CopyRunResult run = copyItems(
        allSelected({ pathFromBytes(first), pathFromBytes(second) }), pathFromBytes(folder), {});
    ASSERT_EQ(run.results.size(), 2);
    EXPECT_EQ(run.count(CopyStatus::Copied), 2) << qPrintable(run.results[0].error);
    EXPECT_EQ(pathToBytes(run.results[0].destination), folder + "/caf\xe9.jpg");
    EXPECT_EQ(readRaw(folder + "/caf\xe9.jpg"), bytesFor(QStringLiteral("first")));
    EXPECT_EQ(readRaw(folder + "/caf\xe9 (3).jpg"), bytesFor(QStringLiteral("second")));
    EXPECT_EQ(readRaw(folder + "/caf\xe9 (2).jpg"), QByteArray("the user's own"));
    EXPECT_EQ(rawEntries(folder),
        (QList<QByteArray> { "caf\xe9 (2).jpg", "caf\xe9 (3).jpg", "caf\xe9.jpg" }));
}

TEST_F(CopyRunTest, MissingOrUnusableSourcesAreSkippedAndTheLoopGoesOn)
{
    const QString vanished = result(QStringLiteral("gone.jpg"));
    const QString fifo = sources() + QStringLiteral("/pipe.jpg");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = sources() + QStringLiteral("/folder.jpg");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString kept = result(QStringLiteral("kept.jpg"));
    ASSERT_TRUE(QFile::remove(vanished));

    const CopyRunResult run
        = copyItems(allSelected({ vanished, fifo, folder, kept }), output(), RunHooks {});
    ASSERT_EQ(run.results.size(), 4);
    EXPECT_EQ(run.count(CopyStatus::SourceMissing), 3);
    EXPECT_EQ(run.results[3].status, CopyStatus::Copied);
    EXPECT_EQ(outputEntries(), QStringList { QStringLiteral("kept.jpg") });
}

// A read-only file under the final name is the user's to keep (the copy is skipped, as a copy
// onto a read-only file fails elsewhere); a folder there is never replaced either.
TEST_F(CopyRunTest, TargetsThatMustStayAreKeptAndTheLoopGoesOn)
{
    const QString locked = output() + QStringLiteral("/locked.jpg");
    ASSERT_TRUE(writeFile(locked, "user's own"));
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    const QString blocker = output() + QStringLiteral("/taken.jpg");
    ASSERT_TRUE(writeFile(blocker + QStringLiteral("/inside.txt"), "keep"));

    const CopyRunResult run
        = copyItems(allSelected({ result(QStringLiteral("locked.jpg")),
                        result(QStringLiteral("taken.jpg")), result(QStringLiteral("free.jpg")) }),
            output(), RunHooks {});
    EXPECT_EQ(run.results.at(0).status, CopyStatus::ReadOnlyTarget);
    EXPECT_EQ(run.results.at(1).status, CopyStatus::Failed);
    EXPECT_EQ(run.results.at(2).status, CopyStatus::Copied);
    EXPECT_EQ(readFile(locked), QByteArray("user's own"));
    EXPECT_EQ(readFile(blocker + QStringLiteral("/inside.txt")), QByteArray("keep"));
    EXPECT_EQ(outputEntries(),
        (QStringList { QStringLiteral("free.jpg"), QStringLiteral("locked.jpg"),
            QStringLiteral("taken.jpg") }));
}

// Lowers the largest file this process may write, as a full disk would stop it, and restores
// the limit afterwards.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_saved;
        lowered.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_saved {};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

TEST_F(CopyRunTest, WriteFailureMidCopyLeavesThePreviousFileWhole)
{
    const QString big = result(QStringLiteral("big.jpg"), 3 << 20);
    const QString small = result(QStringLiteral("small.jpg"), 1000);
    const QString target = output() + QStringLiteral("/big.jpg");
    ASSERT_TRUE(writeFile(target, "the copy made last week"));

    CopyRunResult run;
    {
        FileSizeLimit limit(256 * 1024);
        ASSERT_TRUE(limit.ok());
        run = copyItems(allSelected({ big, small }), output(), RunHooks {});
    }
    EXPECT_EQ(run.results.at(0).status, CopyStatus::Failed);
    EXPECT_FALSE(run.results.at(0).error.isEmpty());
    EXPECT_EQ(run.results.at(1).status, CopyStatus::Copied);
    const CopySummary summary = summarizeCopies(allSelected({ big, small }), run, output());
    EXPECT_EQ(summary.line,
        QStringLiteral("Copied 1, already there 0, replaced 0, failed 1 (no space left: 1) to ")
            + output());
    ASSERT_EQ(summary.failureLines.size(), 1);
    EXPECT_TRUE(summary.failureLines[0].startsWith(big + QStringLiteral(": no space left")))
        << qPrintable(summary.failureLines[0]);
    EXPECT_EQ(readFile(target), QByteArray("the copy made last week"));
    EXPECT_EQ(readFile(big), bytesFor(QStringLiteral("big.jpg"), 3 << 20));
    // No partial file is left behind under any name.
    EXPECT_EQ(
        outputEntries(), (QStringList { QStringLiteral("big.jpg"), QStringLiteral("small.jpg") }));
}

// A large file is copied in chunks with a yield between them, so the window stays live, and a
// cancel confirmed inside the file ends the run there: its scratch file goes, whatever held the
// name stays, the source is untouched. The longest time between two yields is recorded.
TEST_F(CopyRunTest, CancelInsideALargeFileStopsThere)
{
    const QString big = sources() + QStringLiteral("/big.jpg");
    ASSERT_TRUE(writeFile(big, "head"));
    constexpr qint64 bigSize = qint64(256) << 20;
    ASSERT_TRUE(QFile::resize(big, bigSize)); // sparse: reads fast, takes no room
    const QString target = output() + QStringLiteral("/big.jpg");
    ASSERT_TRUE(writeFile(target, "the copy made last week"));

    for (const ExistingFiles existing : { ExistingFiles::Replace, ExistingFiles::Keep }) {
        SCOPED_TRACE(int(existing));
        int yields = 0;
        int cleanups = 0;
        int resets = 0;
        std::chrono::nanoseconds longestGap {};
        auto lastYield = std::chrono::steady_clock::now();
        RunHooks hooks;
        hooks.yield = [&] {
            const auto now = std::chrono::steady_clock::now();
            longestGap = std::max(longestGap, now - lastYield);
            lastYield = now;
            ++yields;
        };
        // Confirmed a few chunks into the file (one yield comes before the item).
        hooks.cancelRequested = [&] { return yields >= 6; };
        hooks.cancelCleanup = [&] { ++cleanups; };
        const CopyProgressHooks progress { {}, {}, [&] { ++resets; } };
        const CopyRunResult run
            = copyItems(allSelected({ big }), output(), hooks, progress, { existing });

        EXPECT_TRUE(run.cancelled);
        EXPECT_TRUE(run.results.isEmpty());
        EXPECT_EQ(cleanups, 1);
        EXPECT_EQ(resets, 1);
        EXPECT_LT(yields, 20) << "the cancel was answered only after the file";
        EXPECT_EQ(outputEntries(), QStringList { QStringLiteral("big.jpg") });
        EXPECT_EQ(readFile(target), QByteArray("the copy made last week"));
        EXPECT_EQ(QFileInfo(big).size(), bigSize);
        RecordProperty(
            existing == ExistingFiles::Replace ? "longest_gap_us_replace" : "longest_gap_us_keep",
            int(std::chrono::duration_cast<std::chrono::microseconds>(longestGap).count()));
    }
}

TEST_F(CopyRunTest, CancelStopsBeforeTheNextItemAndEmptiesTheBar)
{
    QList<CopyItem> items;
    for (int i = 0; i < 6; ++i)
        items.append({ result(QStringLiteral("c%1.jpg").arg(i)), true });

    int done = 0;
    bool cancel = false;
    int cleanups = 0;
    QStringList events;
    RunHooks hooks;
    hooks.cancelRequested = [&] { return cancel; };
    hooks.cancelCleanup = [&] { ++cleanups; };
    const CopyProgressHooks progress { [&](int max) {
                                          events.append(QStringLiteral("begin %1").arg(max));
                                      },
        [&](int value) {
            done = value;
            cancel = value == 3; // the person confirms a cancel while item 3 is being copied
        },
        [&] { events.append(QStringLiteral("reset at %1").arg(done)); } };
    const CopyRunResult run = copyItems(items, output(), hooks, progress);

    EXPECT_TRUE(run.cancelled);
    EXPECT_EQ(run.results.size(), 3);
    EXPECT_EQ(cleanups, 1);
    EXPECT_EQ(events, (QStringList { QStringLiteral("begin 6"), QStringLiteral("reset at 3") }));
    EXPECT_EQ(outputEntries().size(), 3);
}

} // namespace
