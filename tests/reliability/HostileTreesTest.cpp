// The engine on real folder trees that fight back: loops, special files, paths at the system's
// limit, names full of punctuation, files that vanish mid-run and very large folders.
#include "app/cli/CliRun.h"
#include "app/run/Startup.h"
#include "copy/CopyRun.h"
#include "core/FileNames.h"
#include "rank/WorkingBitmap.h"
#include "report/Gallery.h"
#include "report/Picture.h"
#include "tests/reliability/ReliabilitySupport.h"
#include "tests/support/CommandLineCapture.h"
#include "tests/support/CsvRecords.h"
#include "tests/support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lis;
using namespace lis::test;

namespace {

class HostileTreesTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(tree.isValid()); }

    QString picture(const QString &relative, int seed = 1, const char *format = "PNG")
    {
        const QString path = tree.filePath(relative);
        EXPECT_TRUE(writeFile(path, smallPicture(format, seed))) << qPrintable(path);
        return path;
    }

    // Every expected file is listed once, judged, reported verbatim and has its own thumbnail.
    void expectJudgedVerbatim(const PipelineResult &run, const QStringList &expected)
    {
        EXPECT_EQ(QSet<QString>(run.list3.cbegin(), run.list3.cend()),
            QSet<QString>(expected.cbegin(), expected.cend()));
        ASSERT_EQ(run.report.rows.size(), size_t(expected.size()));
        for (const ReportRow &row : run.report.rows) {
            SCOPED_TRACE(row.path.toStdString());
            EXPECT_TRUE(expected.contains(row.path)) << "path not reported verbatim";
            // The Name cell: the file name as created, less its last extension; backslashes,
            // line breaks and quotes are part of a Linux name.
            const QString file = row.path.mid(row.path.lastIndexOf(u'/') + 1);
            EXPECT_EQ(row.name, file.left(file.lastIndexOf(u'.')));
            EXPECT_GE(row.rank.toInt(), 1);
            EXPECT_FALSE(row.width.isEmpty());
            EXPECT_FALSE(loadThumbnail(pipeline.copies, row.path).isNull());
        }
    }

    QTemporaryDir tree;
    Pipeline pipeline;
};

bool makeFifo(const QString &path)
{
    return ::mkfifo(raw(path).constData(), 0644) == 0;
}

bool makeSocket(const QString &path, int &fd)
{
    fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray name = raw(path);
    if (fd < 0 || size_t(name.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    return ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
}

// Creates nested folders from `start` with components of `component` bytes until the path is
// about `length` bytes long; returns the deepest folder.
QString deepFolder(const QString &start, qsizetype length, qsizetype component)
{
    QString path = start;
    int level = 0;
    while (path.size() + component + 1 < length) {
        const QString name = QString(component - 3, u'd')
            + QStringLiteral("%1").arg(level++, 3, 10, QLatin1Char('0'));
        path += u'/' + name;
        if (::mkdir(raw(path).constData(), 0755) != 0)
            return {};
    }
    if (const qsizetype rest = length - path.size() - 1; rest > 0) {
        path += u'/' + QString(rest, u'r');
        if (::mkdir(raw(path).constData(), 0755) != 0)
            return {};
    }
    return path;
}

// A sandbox application folder at `folder` (on a disk of the test's choosing): the pristine
// databases and the ranking library of the build, as TempAppFolder lays them out.
bool layOutAppFolder(const QString &folder)
{
    const QDir built(builtAppFolder());
    const AppPaths paths(folder);
    bool ok = QDir().mkpath(paths.workFolder());
    ok = ok
        && QFile::copy(
            built.filePath(QStringLiteral("Lumetra_Image_Search.mdb")), paths.pristineDatabase());
    ok = ok
        && QFile::copy(built.filePath(QStringLiteral("Lumetra_Image_Ranker.mdb")),
            paths.maintenanceDatabase());
    for (const QString &library :
        built.entryList({ QStringLiteral("libLumetra_Image_Search.so*") }, QDir::Files))
        ok = ok && QFile::copy(built.filePath(library), QDir(folder).filePath(library));
    return ok;
}

// Keeps one path turning from a regular file into a FIFO and back as fast as it can, each swap a
// single atomic rename, until it is stopped.
class FifoSwapper
{
public:
    FifoSwapper(const QString &path, const QByteArray &picture)
        : m_target(raw(path))
        , m_file(m_target + ".file")
        , m_fifo(m_target + ".fifo")
        , m_staging(m_target + ".next")
    {
        QFile out(QString::fromLocal8Bit(m_file));
        m_ready = out.open(QIODevice::WriteOnly) && out.write(picture) == picture.size();
        out.close();
        m_ready = m_ready && ::mkfifo(m_fifo.constData(), 0644) == 0;
        if (m_ready)
            m_thread = std::thread([this] { swap(); });
    }
    ~FifoSwapper()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    bool isReady() const { return m_ready; }
    // A reader blocked in opening the FIFO is let go: a writer opens it and leaves at once.
    void releaseBlockedReader() const
    {
        const int fd = ::open(m_fifo.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0)
            ::close(fd);
    }

private:
    void swap()
    {
        for (bool fifo = false; !m_stop; fifo = !fifo) {
            if (::link((fifo ? m_fifo : m_file).constData(), m_staging.constData()) == 0)
                ::rename(m_staging.constData(), m_target.constData());
        }
    }

    QByteArray m_target, m_file, m_fifo, m_staging;
    bool m_ready = false;
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
};

} // namespace

// Links that loop, a link to a file, a dangling link, a FIFO and a socket named like pictures,
// and a picture at the end of a path of about 4,000 bytes, plus a folder beyond the system's path
// limit. The walk ends, special files are never opened, real pictures are all judged.
TEST_F(HostileTreesTest, LoopsSpecialFilesAndDeepPaths)
{
    QStringList expected { picture(QStringLiteral("hz_plain.png")) };
    ASSERT_TRUE(QDir().mkpath(tree.filePath(QStringLiteral("loop"))));
    ASSERT_EQ(::symlink("..", raw(tree.filePath(QStringLiteral("loop/up"))).constData()), 0);
    ASSERT_EQ(::symlink(".", raw(tree.filePath(QStringLiteral("loop/self"))).constData()), 0);
    ASSERT_EQ(
        ::symlink("hz_plain.png", raw(tree.filePath(QStringLiteral("hz_link.png"))).constData()),
        0);
    expected.append(tree.filePath(QStringLiteral("hz_link.png")));
    ASSERT_EQ(
        ::symlink("nowhere.png", raw(tree.filePath(QStringLiteral("hz_dangling.png"))).constData()),
        0);
    ASSERT_EQ(
        ::symlink("hz_chain2.png", raw(tree.filePath(QStringLiteral("hz_chain1.png"))).constData()),
        0);
    ASSERT_EQ(
        ::symlink("hz_chain1.png", raw(tree.filePath(QStringLiteral("hz_chain2.png"))).constData()),
        0);
    ASSERT_TRUE(makeFifo(tree.filePath(QStringLiteral("hz_fifo.jpg"))));
    int socketFd = -1;
    ASSERT_TRUE(makeSocket(tree.filePath(QStringLiteral("hz_socket.png")), socketFd));

    const QString deep = deepFolder(tree.path(), 4000 - 20, 200);
    ASSERT_FALSE(deep.isEmpty());
    expected.append(
        picture(QDir(tree.path()).relativeFilePath(deep) + QStringLiteral("/hz_deep.png")));
    EXPECT_GE(expected.last().toUtf8().size(), 3950);
    // One more level makes the path longer than the system takes in one call; it is found all
    // the same.
    const int deepFd = ::open(raw(deep).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(deepFd, 0);
    const QByteArray beyond(250, 'e');
    ASSERT_EQ(::mkdirat(deepFd, beyond.constData(), 0755), 0);
    const int fileFd
        = ::openat(deepFd, (beyond + "/hz_beyond.png").constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fileFd, 0);
    const QByteArray beyondBytes = smallPicture("PNG", 9);
    ASSERT_EQ(::write(fileFd, beyondBytes.constData(), size_t(beyondBytes.size())),
        ssize_t(beyondBytes.size()));
    ::close(fileFd);
    ::close(deepFd);
    const QString beyondFile
        = deep + u'/' + QString::fromLatin1(beyond) + QStringLiteral("/hz_beyond.png");
    ASSERT_GT(raw(beyondFile).size(), PATH_MAX);

    HangWatchdog watchdog;
    const PipelineResult run = pipeline.run(tree.path(), QStringLiteral("hz_"), {}, &watchdog);
    ::close(socketFd);
    expected.append(beyondFile);
    expectJudgedVerbatim(run, expected);

    // The temporary folder cannot remove what lies beyond the path limit; do it by parts.
    const int cleanupFd = ::open(raw(deep).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(cleanupFd, 0);
    EXPECT_EQ(::unlinkat(cleanupFd, (beyond + "/hz_beyond.png").constData(), 0), 0);
    EXPECT_EQ(::unlinkat(cleanupFd, beyond.constData(), AT_REMOVEDIR), 0);
    ::close(cleanupFd);
}

// Names with line breaks, quotes, %, wildcards, dashes, SQL text, non-ASCII letters and the
// longest name a folder takes: each is stored, ranked and reported exactly as it is, by the
// engine and by the command line's CSV and JSON output. A name that is not valid UTF-8 is found
// and stored with its exact bytes.
TEST_F(HostileTreesTest, OddNamesAreReportedVerbatim)
{
    const QStringList names {
        QStringLiteral("hz_new\nline.png"), QStringLiteral("hz_cr\rreturn.png"),
        QStringLiteral("hz_tab\there.png"), QStringLiteral("hz_quote\"double.png"),
        QStringLiteral("hz_quote'single.png"), QStringLiteral("hz_100%.png"),
        QStringLiteral("hz_%s%n%x%1.png"), QStringLiteral("hz_star*.png"),
        QStringLiteral("hz_what?.png"), QStringLiteral("hz_--help.png"),
        QStringLiteral("hz_x'); DROP TABLE Image_Rank;--.jpg"),
        QStringLiteral("hz_back\\slash.png"), QStringLiteral("hz_ spaces .png"),
        QStringLiteral("hz_..png"), QStringLiteral("hz_[a-z]{1}.png"),
        QStringLiteral("hz_semi;colon,comma.png"), QStringLiteral("hz_<tag>&amp;.png"),
        QString::fromUtf8("hz_\xc3\xbcn\xc3\xaf\xe2\x82\xac\xf0\x9f\x98\x80.png"),
        QStringLiteral("hz_") + QString(248, u'n') + QStringLiteral(".png"), // 255 bytes
    };
    QStringList expected;
    int seed = 1;
    for (const QString &name : names) {
        const QString path = picture(name, seed++, name.endsWith(u"jpg") ? "JPG" : "PNG");
        expected.append(path);
    }
    ASSERT_EQ(names.last().toUtf8().size(), 255);
    // Not UTF-8: written by its raw bytes.
    const QByteArray latin1 = raw(tree.path()) + "/hz_caf\xe9.png";
    ASSERT_TRUE(QFile(QString::fromLatin1(latin1)).exists() == false);
    const int fd = ::open(latin1.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    const QByteArray bytes = smallPicture("PNG", 77);
    ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    ::close(fd);
    // Files that begin with dashes, found with a keyword that begins with one.
    const QString dashed = picture(QStringLiteral("-hz_dash.png"), 50);
    const QString doubleDashed = picture(QStringLiteral("--hz_dash.png"), 51);

    HangWatchdog watchdog;
    const PipelineResult run = pipeline.run(tree.path(), QStringLiteral("hz_"), {}, &watchdog);
    const QString notUtf8 = pathFromBytes(latin1);
    expectJudgedVerbatim(run, QStringList(expected) << notUtf8);
    const std::vector<RankRow> stored = pipeline.store->reportRows();
    ASSERT_EQ(stored.size(), size_t(expected.size() + 1));
    for (const RankRow &row : stored)
        EXPECT_TRUE(expected.contains(row.fileName) || pathToBytes(row.fileName) == latin1)
            << qPrintable(row.fileName);

    const PipelineResult dashes = pipeline.run(tree.path(), QStringLiteral("-"), {}, &watchdog);
    EXPECT_EQ(QSet<QString>(dashes.list3.cbegin(), dashes.list3.cend()),
        QSet<QString>({ dashed, doubleDashed }));

    // The command line, on its own application folder: JSON and CSV carry every path verbatim.
    TempAppFolder cliApp(TempAppFolder::Ranker::With);
    Settings saved(cliApp.filePath(QStringLiteral("user.ini")));
    saved.save(QStringLiteral("AllImage"), QStringLiteral("filetypes"), QStringLiteral("5"));
    const auto cli = [&](const QStringList &args) {
        const auto outcome = lis::test::runCommandLineCaptured(args, cliApp.paths(), saved);
        return std::make_pair(outcome.status, outcome.out);
    };
    const auto [jsonStatus, json]
        = cli({ QStringLiteral("--search"), QStringLiteral("hz_"), QStringLiteral("--location"),
            tree.path(), QStringLiteral("--format"), QStringLiteral("json") });
    ASSERT_EQ(jsonStatus, 0);
    QStringList jsonPaths;
    for (const QJsonValue &row : QJsonDocument::fromJson(json.toUtf8()).array())
        jsonPaths.append(row.toObject()[QStringLiteral("Path")].toString());
    jsonPaths.removeIf([](const QString &path) { return path.contains(u"hz_caf"); });
    EXPECT_EQ(QSet<QString>(jsonPaths.cbegin(), jsonPaths.cend()),
        QSet<QString>(expected.cbegin(), expected.cend()));

    const auto [csvStatus, csv]
        = cli({ QStringLiteral("--search"), QStringLiteral("hz_"), QStringLiteral("--location"),
            tree.path(), QStringLiteral("--format"), QStringLiteral("csv") });
    ASSERT_EQ(csvStatus, 0);
    const std::vector<QStringList> records = lis::test::readCsvRecords(csv);
    ASSERT_EQ(records.size(), size_t(expected.size() + 2));
    const qsizetype pathColumn = records.front().indexOf(QStringLiteral("Path"));
    ASSERT_GE(pathColumn, 0) << qPrintable(records.front().join(u','));
    QStringList csvPaths;
    for (size_t i = 1; i < records.size(); ++i) {
        if (!records[i].value(pathColumn).contains(u"hz_caf"))
            csvPaths.append(records[i].value(pathColumn));
    }
    EXPECT_EQ(QSet<QString>(csvPaths.cbegin(), csvPaths.cend()),
        QSet<QString>(expected.cbegin(), expected.cend()));

    // A keyword that begins with dashes is a keyword, not an option.
    const auto [dashStatus, dashJson]
        = cli({ QStringLiteral("--search=--hz"), QStringLiteral("--location"), tree.path(),
            QStringLiteral("--format"), QStringLiteral("json") });
    EXPECT_EQ(dashStatus, 0);
    const QJsonArray dashRows = QJsonDocument::fromJson(dashJson.toUtf8()).array();
    ASSERT_EQ(dashRows.size(), 1) << qPrintable(dashJson);
    EXPECT_EQ(dashRows[0].toObject()[QStringLiteral("Path")].toString(), doubleDashed);
    ::unlink(latin1.constData()); // the temporary folder cannot name it
}

// Between the walk and the ranking, files are deleted or turned into something else; one more
// vanishes in the middle of the ranking. Every file still gets its row, the ones gone rank 0 with
// empty cells, nothing blocks on the FIFO, and the copy step skips what is gone.
TEST_F(HostileTreesTest, FilesVanishOrChangeMidRun)
{
    QStringList files;
    for (int i = 0; i < 8; ++i)
        files.append(picture(QStringLiteral("hz_%1.png").arg(i), i + 1));
    const QString replacement = tree.filePath(QStringLiteral("other.jpg"));
    ASSERT_TRUE(writeFile(replacement, smallPicture("JPG", 99, 700, 500)));

    bool mutated = false;
    bool deletedLater = false;
    RunHooks hooks;
    hooks.yield = [&] {
        // The results folder is set once the walk is over: this is the ranking loop's first yield.
        if (!mutated && !pipeline.copies.folder().isEmpty()) {
            mutated = true;
            QFile::remove(files[0]); // deleted
            writeFile(files[1], QByteArrayLiteral("garbage, not a picture")); // overwritten
            QFile::remove(files[2]);
            makeFifo(files[2]); // replaced by a FIFO
            QFile::remove(files[3]);
            QDir().mkpath(files[3]); // replaced by a folder
            QFile::remove(files[4]);
            QFile::copy(replacement, files[4]); // replaced by another picture (a JPEG)
            QFile::remove(files[5]);
            ::symlink("gone.png", raw(files[5]).constData()); // a dangling link
        }
        // Files 4 and 6 are the first two with copies: file 7 vanishes while the run is under way.
        if (!deletedLater && pipeline.copies.size() == 2) {
            deletedLater = true;
            QFile::remove(files[7]);
        }
    };
    HangWatchdog watchdog;
    const PipelineResult run = pipeline.run(tree.path(), QStringLiteral("hz_"), hooks, &watchdog);
    ASSERT_TRUE(mutated);
    ASSERT_TRUE(deletedLater);
    ASSERT_EQ(run.report.rows.size(), size_t(files.size()));
    ASSERT_EQ(run.ranked.files.size(), size_t(files.size()));
    const QSet<int> judged { 4, 6 };
    for (int i = 0; i < files.size(); ++i) {
        const FileOutcome *outcome = run.ranked.find(files[i]);
        ASSERT_NE(outcome, nullptr) << i;
        EXPECT_TRUE(outcome->rowStored) << i;
        if (judged.contains(i)) {
            EXPECT_GE(outcome->rank, 1) << i;
            continue;
        }
        EXPECT_EQ(outcome->rank, 0) << i;
        EXPECT_NE(outcome->problem, ImageProblem::None) << i;
        EXPECT_TRUE(outcome->resultsCopy.isEmpty()) << i;
    }
    EXPECT_EQ(run.ranked.find(files[0])->problem, ImageProblem::Missing);
    EXPECT_EQ(run.ranked.find(files[7])->problem, ImageProblem::Missing);
    const QSet<int> notAFile { 0, 2, 3, 5, 7 };
    for (const ReportRow &row : run.report.rows) {
        const int i = int(files.indexOf(row.path));
        ASSERT_GE(i, 0) << qPrintable(row.path);
        if (judged.contains(i))
            continue;
        EXPECT_TRUE(row.width.isEmpty()) << i;
        EXPECT_TRUE(row.height.isEmpty()) << i;
        EXPECT_EQ(row.size.isEmpty(), notAFile.contains(i)) << i;
        EXPECT_TRUE(previewPicture(run.report.List1, row.position, pipeline.copies).isNull()) << i;
    }

    // The copy step over the report: what is gone or no longer a file is skipped, never blocks.
    QTemporaryDir output;
    QList<CopyItem> items;
    for (const QString &path : run.report.List1)
        items.append({ path, true });
    const CopyRunResult copied = copyItems(items, output.path(), {});
    EXPECT_FALSE(copied.cancelled);
    EXPECT_EQ(copied.count(CopyStatus::Copied), 3); // 1 (garbage, still a file), 4 and 6
    EXPECT_EQ(copied.count(CopyStatus::SourceMissing), notAFile.size());
}

// The folder and the file the user cannot read. The suite runs as root, who reads everything, so
// the run happens in a child process that drops to an unprivileged user.
TEST_F(HostileTreesTest, UnreadableFolderAndFileAsUnprivilegedUser)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to switch to an unprivileged user";
    const QStringList readable { picture(QStringLiteral("hz_open.png"), 1),
        picture(QStringLiteral("sub/hz_open2.png"), 2) };
    const QString deniedFile = picture(QStringLiteral("hz_denied.png"), 3);
    picture(QStringLiteral("closed/hz_hidden.png"), 4);
    // The sandbox folders are root's; open them to the other user, then close the denied parts.
    for (const QString &root : { tree.path(), pipeline.app.path() }) {
        ASSERT_EQ(std::system(qPrintable(QStringLiteral("chmod -R a+rwX '%1'").arg(root))), 0);
    }
    ASSERT_EQ(::chmod(raw(deniedFile).constData(), 0), 0);
    ASSERT_EQ(::chmod(raw(tree.filePath(QStringLiteral("closed"))).constData(), 0), 0);

    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(channel[0]);
        QByteArray verdict;
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            verdict = "could not switch user";
        } else if (::access(raw(deniedFile).constData(), R_OK) == 0) {
            verdict = "denied file still readable";
        } else {
            const PipelineResult run = pipeline.run(tree.path(), QStringLiteral("hz_"));
            const FileOutcome *denied = run.ranked.find(deniedFile);
            if (run.list3.size() != 3)
                verdict += "listed " + QByteArray::number(run.list3.size()) + " files; ";
            if (!denied || denied->rank != 0 || denied->problem == ImageProblem::None
                || !denied->resultsCopy.isEmpty())
                verdict += "the unreadable file was judged; ";
            for (const QString &path : readable) {
                const FileOutcome *ok = run.ranked.find(path);
                if (!ok || ok->rank < 1)
                    verdict += "a readable file was not judged: " + path.toUtf8() + "; ";
            }
            if (run.report.rows.size() != 3)
                verdict += "report has " + QByteArray::number(qsizetype(run.report.rows.size()))
                    + " rows; ";
            if (verdict.isEmpty())
                verdict = "ok";
        }
        const ssize_t written = ::write(channel[1], verdict.constData(), size_t(verdict.size()));
        ::_exit(written == verdict.size() ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray verdict;
    char buffer[1024];
    ssize_t n = 0;
    while ((n = ::read(channel[0], buffer, sizeof buffer)) > 0)
        verdict.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::chmod(raw(tree.filePath(QStringLiteral("closed"))).constData(), 0755);
    EXPECT_TRUE(WIFEXITED(status)) << "the child crashed, status " << status;
    EXPECT_EQ(verdict, "ok");
}

// A folder of 50,000 files (5,000 under sanitizers): the walk, the filter, the store and the
// report handle them all, the few real pictures rank first and every empty file ranks 0.
TEST_F(HostileTreesTest, FiftyThousandFilesInOneFolder)
{
    const int count = kLightRun ? 5000 : 50000;
    const QByteArray folder = raw(tree.filePath(QStringLiteral("many")));
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    for (int i = 0; i < count; ++i) {
        const QByteArray name = folder + "/hz_" + QByteArray::number(i).rightJustified(6, '0')
            + (i % 3 == 0        ? ".jpg"
                    : i % 3 == 1 ? ".png"
                                 : ".txt");
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    const QStringList real { picture(QStringLiteral("many/hz_real1.jpg"), 1, "JPG"),
        picture(QStringLiteral("many/hz_real2.png"), 2),
        picture(QStringLiteral("many/hz_real3.bmp"), 3, "BMP") };
    const int images = count - count / 3 + real.size();

    HangWatchdog watchdog;
    const PipelineResult run = pipeline.run(tree.path(), QStringLiteral("hz_"), {}, &watchdog);
    EXPECT_EQ(run.list2.size(), count + real.size());
    ASSERT_EQ(run.list3.size(), images);
    EXPECT_EQ(QSet<QString>(run.list3.cbegin(), run.list3.cend()).size(), images);
    ASSERT_EQ(run.report.rows.size(), size_t(images));
    QSet<QString> top;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(run.report.rows[size_t(i)].position, i + 1);
        top.insert(run.report.rows[size_t(i)].path);
    }
    EXPECT_EQ(top, QSet<QString>(real.cbegin(), real.cend()));
    int zeros = 0;
    for (const ReportRow &row : run.report.rows)
        zeros += row.rank == u"0" ? 1 : 0;
    EXPECT_EQ(zeros, images - real.size());
    EXPECT_EQ(run.report.rows.back().position, images);
    RecordProperty("longest_step_ms", int(watchdog.longestStep().count()));
}

// A file can turn into a FIFO between any check that it is a regular file and its opening. One
// path keeps being swapped between a picture and a FIFO while every step that reads the user's
// files works on it over and over: the preparation, the loader check, the read-ahead stamp, the
// report's header and size cells, the picture loader and the ranking library's look at the
// source. Opening a FIFO for reading waits for a writer, so a step that opens by path after
// checking blocks sooner or later; here a step that does not return within a few seconds is
// counted and let go.
TEST_F(HostileTreesTest, FileSwappedForAFifoNeverBlocksAnyStep)
{
    const QString path = tree.filePath(QStringLiteral("hz_swapped.jpg"));
    FifoSwapper swapper(path, smallPicture("JPG", 3, 64, 48));
    ASSERT_TRUE(swapper.isReady());
    const QString bitmap = tree.filePath(QStringLiteral("working.bmp"));
    ASSERT_TRUE(writeFile(bitmap, smallPicture("BMP", 4, 64, 48)));
    ASSERT_TRUE(pipeline.ranker->isAvailable());

    const std::vector<std::pair<const char *, std::function<void()>>> steps {
        { "prepareBitmap", [&] { prepareBitmap(path); } },
        { "BMPCheck", [&] { BMPCheck(path); } },
        { "stampSource", [&] { stampSource(path); } },
        { "readImageSize", [&] { readImageSize(path); } },
        { "makeReportRow",
            [&] {
                makeReportRow(1, { path, QStringLiteral("1") });
            } },
        { "LoadPictureFile", [&] { LoadPictureFile(path); } },
        { "ImageRankSource", [&] { pipeline.ranker->imageRank(bitmap, path); } },
    };
    using Clock = std::chrono::steady_clock;
    const auto perStep = std::chrono::milliseconds(kLightRun ? 3000 : 1500);
    QStringList blocked;
    for (const auto &[name, step] : steps) {
        std::atomic<int> rounds { 0 };
        std::atomic<bool> stop { false };
        std::atomic<bool> finished { false };
        std::thread worker([&, step = step] {
            while (!stop) {
                step();
                ++rounds;
            }
            finished = true;
        });
        const auto end = Clock::now() + perStep;
        int seen = 0;
        bool wasBlocked = false;
        auto lastProgress = Clock::now();
        while (Clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (rounds != seen) {
                seen = rounds;
                lastProgress = Clock::now();
            } else if (Clock::now() - lastProgress > std::chrono::seconds(4)) {
                wasBlocked = true;
                swapper.releaseBlockedReader();
                lastProgress = Clock::now();
            }
        }
        stop = true;
        while (!finished) { // the last round may block too: let it go until it returns
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (Clock::now() - lastProgress > std::chrono::seconds(4)) {
                wasBlocked = true;
                swapper.releaseBlockedReader();
            }
        }
        worker.join();
        if (wasBlocked)
            blocked.append(QString::fromLatin1(name));
        RecordProperty(name, int(rounds));
        EXPECT_GT(rounds, 0) << name << " never finished a round";
    }
    EXPECT_TRUE(blocked.isEmpty()) << "blocked on a FIFO: " << qPrintable(blocked.join(u' '));
}

// The program's own working files cannot be written: the disk of the application folder fills
// up during a run. That is no fault of the user's pictures: the run stops at the first file
// whose working bitmap cannot be written, names the folder and the reason, and the command line
// exits 1 instead of reporting every picture as unreadable.
TEST_F(HostileTreesTest, FullDiskForTheWorkingFilesStopsTheRunWithTheReason)
{
    SmallDisk disk(16 << 20); // room for the ranking library and its model
    if (!disk.isMounted())
        GTEST_SKIP() << "no private tmpfs (needs root)";
    const QString appFolder = disk.filePath(QStringLiteral("app"));
    ASSERT_TRUE(layOutAppFolder(appFolder));
    const AppPaths paths(appFolder);
    for (int i = 0; i < 4; ++i)
        picture(QStringLiteral("hz_%1.png").arg(i), i + 1);
    ASSERT_TRUE(writeFile(tree.filePath(QStringLiteral("hz_big.png")),
        smallPicture("PNG", 9, 1200, 900))); // a 500 x 375 working bitmap: 550 KB
    const TreePrint before = fingerprint(raw(tree.path()));
    QTemporaryDir settingsFolder;
    Settings saved(settingsFolder.filePath(QStringLiteral("user.ini")));
    saved.save(QStringLiteral("AllImage"), QStringLiteral("filetypes"), QStringLiteral("5"));
    // Room for the working database and the small pictures' bitmaps, not for the big one's.
    ASSERT_TRUE(disk.fillUntil(320 * 1024));

    const auto outcome = lis::test::runCommandLineCaptured(
        { QStringLiteral("--search"), QStringLiteral("hz_"), QStringLiteral("--location"),
            tree.path(), QStringLiteral("--format"), QStringLiteral("csv") },
        paths, saved);
    EXPECT_EQ(outcome.status, 1) << qPrintable(outcome.err);
    const QStringList errors = outcome.err.split(u'\n').filter(QStringLiteral("error:"));
    ASSERT_EQ(errors.size(), 1) << qPrintable(outcome.err);
    EXPECT_TRUE(errors[0].startsWith(QStringLiteral("lumetra-image-search: error: ")));
    EXPECT_TRUE(errors[0].contains(paths.workFolder())) << qPrintable(errors[0]);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("No space left on device")))
        << qPrintable(errors[0]);
    EXPECT_FALSE(outcome.err.contains(QStringLiteral("could not be read")))
        << qPrintable(outcome.err);
    EXPECT_TRUE(outcome.out.isEmpty()) << "no report after a stopped run";
    EXPECT_TRUE(differences(before, fingerprint(raw(tree.path()))).isEmpty());
}

// The working folder turns read-only once the program has started (a remount, say). The run
// stops at the first working bitmap it cannot write instead of blaming every picture.
TEST_F(HostileTreesTest, ReadOnlyWorkingFolderStopsTheRunWithoutBlamingThePictures)
{
    const SmallDisk namespaceOnly(64 * 1024); // enters a mount namespace of this process's own
    if (!namespaceOnly.isMounted())
        GTEST_SKIP() << "no private mounts (needs root)";
    for (int i = 0; i < 3; ++i)
        picture(QStringLiteral("hz_%1.png").arg(i), i + 1);
    const QByteArray work = raw(pipeline.paths().workFolder());
    ASSERT_EQ(::mount(work.constData(), work.constData(), nullptr, MS_BIND, nullptr), 0);
    ASSERT_EQ(
        ::mount(nullptr, work.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr), 0);
    const TreePrint before = fingerprint(raw(tree.path()));

    const PipelineResult run = pipeline.run(tree.path(), QStringLiteral("hz_"));
    ::umount2(work.constData(), MNT_DETACH);

    EXPECT_TRUE(run.ranked.unreadable().empty()) << "the pictures were blamed";
    EXPECT_TRUE(run.ranked.files.empty()) << "the run went on after the first failure";
    ASSERT_TRUE(run.ranked.writeFailure.has_value());
    EXPECT_EQ(run.ranked.writeFailure->path, pipeline.paths().workingBitmap());
    EXPECT_EQ(run.ranked.writeFailure->error, EROFS);
    EXPECT_TRUE(writeFailureMessage(*run.ranked.writeFailure)
                    .contains(QStringLiteral("Read-only file system")));
    EXPECT_TRUE(differences(before, fingerprint(raw(tree.path()))).isEmpty());
}
