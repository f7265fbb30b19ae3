#include "search/FolderWalk.h"

#include "core/FileNames.h"
#include "core/RunHooks.h"
#include "core/Settings.h"
#include "tests/support/TempAppFolder.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lis;

namespace {

class FolderWalkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tree.isValid() && config.isValid());
        settings = std::make_unique<Settings>(config.filePath(QStringLiteral("settings.ini")));
        setOptions(QStringLiteral("3"), QStringLiteral("3"));
    }

    void setOptions(const QString &hiddenFiles, const QString &subfolders)
    {
        settings->save(QStringLiteral("Search"), QStringLiteral("hiddenfiles"), hiddenFiles);
        settings->save(QStringLiteral("Search"), QStringLiteral("Subfolders"), subfolders);
    }
    QString at(const QString &relative) const { return tree.filePath(relative); }
    void touch(std::initializer_list<const char *> relatives)
    {
        for (const char *relative : relatives)
            ASSERT_TRUE(test::writeFile(at(QString::fromUtf8(relative)), "x")) << relative;
    }

    // The walk from the tree's root with keyword + "*.*"; entries relative to the root.
    QStringList walk(const QString &keyword, const RunHooks &hooks = {})
    {
        QString location = tree.path();
        counters = {};
        QStringList list2;
        FindFiles(location, keyword + QStringLiteral("*.*"), counters, list2,
            walkOptionsFrom(*settings), hooks);
        return relative(list2);
    }
    QStringList relative(const QStringList &paths) const
    {
        QStringList result;
        const QString prefix = tree.path() + u'/';
        for (const QString &path : paths)
            result.append(path.startsWith(prefix) ? path.mid(prefix.size()) : path);
        return result;
    }

    QTemporaryDir tree;
    QTemporaryDir config;
    std::unique_ptr<Settings> settings;
    WalkCounters counters;
};

QStringList list(std::initializer_list<const char *> items)
{
    QStringList result;
    for (const char *item : items)
        result.append(QString::fromUtf8(item));
    return result;
}

TEST_F(FolderWalkTest, FilesOfAFolderComeBeforeItsSubfolders)
{
    touch({ "a.jpg", "b.txt", "Sub/c.jpg" });
    EXPECT_EQ(walk(QStringLiteral("a")), list({ "a.jpg" }));
    EXPECT_EQ(walk(QStringLiteral("*")), list({ "a.jpg", "b.txt", "Sub/c.jpg" }));
    EXPECT_EQ(counters.files, 3);
    EXPECT_EQ(counters.dirs, 2);
    setOptions(QStringLiteral("3"), QStringLiteral("2"));
    EXPECT_EQ(walk(QStringLiteral("*")), list({ "a.jpg", "b.txt" }));
}

TEST_F(FolderWalkTest, EntriesComeInNtfsOrderAndSubfoldersDepthFirst)
{
    touch({ "B.jpg", "a_.jpg", "x.jpg", "X.jpg", "aB.jpg", "a.jpg", "Sub2/f.jpg",
        "sub1/deeper/g.jpg", "sub1/f.jpg", "aa/f.jpg" });
    EXPECT_EQ(walk(QStringLiteral("*")),
        list({ "a.jpg", "aB.jpg", "a_.jpg", "B.jpg", "X.jpg", "x.jpg", "aa/f.jpg", "sub1/f.jpg",
            "sub1/deeper/g.jpg", "Sub2/f.jpg" }));
}

TEST_F(FolderWalkTest, HiddenFilesAndHiddenFolders)
{
    touch({ ".h.jpg", "v.jpg", ".hid/v.jpg", ".hid/.w.jpg" });
    setOptions(QStringLiteral("2"), QStringLiteral("3"));
    EXPECT_EQ(walk(QString()), list({ "v.jpg", ".hid/v.jpg" }));
    setOptions(QStringLiteral("3"), QStringLiteral("3"));
    EXPECT_EQ(walk(QString()), list({ ".h.jpg", "v.jpg", ".hid/.w.jpg", ".hid/v.jpg" }));
}

TEST_F(FolderWalkTest, OptionValuesOutsideTwoAndThree)
{
    touch({ "a.jpg", "Sub/b.jpg" });
    struct Case
    {
        const char *hiddenFiles;
        const char *subfolders;
        std::initializer_list<const char *> expected;
        int foldersVisited;
    };
    const Case cases[] = {
        { "4", "3", {}, 2 }, // lists no files, still enters subfolders
        { "3", "5", { "a.jpg" }, 1 }, // enters no subfolders
        { " 3 ", "3", { "a.jpg", "Sub/b.jpg" }, 2 },
        // Missing or not a number ends the folder's visit: nothing below it either.
        { "", "3", {}, 1 },
        { "three", "3", {}, 1 },
        { "3", "", { "a.jpg" }, 1 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.hiddenFiles) + " / " + c.subfolders);
        setOptions(QString::fromUtf8(c.hiddenFiles), QString::fromUtf8(c.subfolders));
        EXPECT_EQ(walk(QString()), list(c.expected));
        EXPECT_EQ(counters.dirs, c.foldersVisited);
    }
}

TEST_F(FolderWalkTest, OptionsAreReadAfreshInEveryFolder)
{
    touch({ "a.jpg", ".b.jpg", "sub/.c.jpg" });
    setOptions(QStringLiteral("2"), QStringLiteral("3"));
    RunHooks hooks;
    // The Options window confirms while the root lists its files (the 6th yield, after five
    // entries of the subfolder phase).
    hooks.yield = [this, calls = 0]() mutable {
        if (++calls == 6)
            settings->save(
                QStringLiteral("Search"), QStringLiteral("hiddenfiles"), QStringLiteral("3"));
    };
    EXPECT_EQ(walk(QString(), hooks), list({ "a.jpg", "sub/.c.jpg" }));
}

TEST_F(FolderWalkTest, LocationWithOrWithoutTrailingSeparator)
{
    touch({ "a.jpg", "s/b.jpg" });
    for (const QString &location : { tree.path(), tree.path() + u'/' }) {
        QString path = location;
        QStringList list2;
        WalkCounters c;
        FindFiles(path, QStringLiteral("*.*"), c, list2, walkOptionsFrom(*settings), {});
        EXPECT_EQ(path, tree.path() + u'/');
        EXPECT_EQ(list2,
            QStringList({ tree.path() + QStringLiteral("/a.jpg"),
                tree.path() + QStringLiteral("/s/b.jpg") }));
    }
}

TEST_F(FolderWalkTest, KeywordNamingAPathFindsNothing)
{
    touch({ "Sub/c.jpg", "c.jpg" });
    EXPECT_TRUE(walk(QStringLiteral("Sub/c")).isEmpty());
    EXPECT_TRUE(walk(QStringLiteral("../")).isEmpty());
}

TEST_F(FolderWalkTest, LinksFifosAndOddEntries)
{
    touch({ "a.jpg", "sub/b.jpg" });
    ASSERT_EQ(symlink("..", at(QStringLiteral("sub/loop")).toLocal8Bit().constData()), 0);
    ASSERT_EQ(symlink("a.jpg", at(QStringLiteral("link.jpg")).toLocal8Bit().constData()), 0);
    ASSERT_EQ(symlink("gone.jpg", at(QStringLiteral("dangling.jpg")).toLocal8Bit().constData()), 0);
    ASSERT_EQ(mkfifo(at(QStringLiteral("fifo.jpg")).toLocal8Bit().constData(), 0600), 0);
    // A folder reached by a link is not entered, so the loop is walked once.
    EXPECT_EQ(walk(QString()), list({ "a.jpg", "link.jpg", "sub/b.jpg" }));
}

TEST_F(FolderWalkTest, AFolderMountedInsideItselfIsWalkedOnce)
{
    touch({ "f.jpg", "in/.keep" });
    const QByteArray root = QFile::encodeName(tree.path());
    const QByteArray inside = root + "/in";
    if (::mount(root.constData(), inside.constData(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "bind mounts need privileges this process lacks";
    const auto unmount = qScopeGuard([&] { ::umount2(inside.constData(), MNT_DETACH); });
    EXPECT_EQ(walk(QString()), list({ "f.jpg" }));
}

TEST_F(FolderWalkTest, NamesThatAreNotUtf8AreFoundWithTheirBytes)
{
    touch({ "good.jpg" });
    const QByteArray root = QFile::encodeName(tree.path());
    int fd = ::open(root + "/bad\xff.jpg", O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ASSERT_EQ(::mkdir(root + "/dir\xfe", 0755), 0);
    ASSERT_GE(fd = ::open(root + "/dir\xfe/inside.jpg", O_CREAT | O_WRONLY, 0644), 0);
    ::close(fd);
    QStringList found = walk(QString());
    QList<QByteArray> bytes;
    for (const QString &path : found)
        bytes.append(pathToBytes(path));
    EXPECT_EQ(bytes, (QList<QByteArray> { "bad\xff.jpg", "good.jpg", "dir\xfe/inside.jpg" }));
    // QTemporaryDir cannot name these to remove them.
    ::unlink(root + "/dir\xfe/inside.jpg");
    ::rmdir(root + "/dir\xfe");
    ::unlink(root + "/bad\xff.jpg");
}

TEST_F(FolderWalkTest, MissingLocationListsNothing)
{
    QString path = tree.filePath(QStringLiteral("not-there"));
    QStringList list2;
    FindFiles(path, QStringLiteral("*.*"), counters, list2, walkOptionsFrom(*settings), {});
    EXPECT_TRUE(list2.isEmpty());
    EXPECT_EQ(counters.dirs, 0);
}

// A folder that cannot be read ends only its own visit. Root reads every folder, so the walk
// runs in a child process that has given up root for "nobody".
TEST_F(FolderWalkTest, UnreadableFolderEndsOnlyItsOwnVisit)
{
    touch({ "a/x.jpg", "locked/y.jpg", "z/w.jpg" });
    ASSERT_TRUE(QFile::setPermissions(tree.path(),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
            | QFileDevice::ReadOther | QFileDevice::ExeOther));
    ASSERT_EQ(::chmod(QFile::encodeName(at(QStringLiteral("locked"))).constData(), 0), 0);
    QString location = tree.path();
    const auto runWalk = [&] {
        QStringList list2;
        WalkCounters c;
        FindFiles(location, QStringLiteral("*.*"), c, list2, walkOptionsFrom(*settings), {});
        return relative(list2);
    };
    const QStringList expected = list({ "a/x.jpg", "z/w.jpg" });
    if (::geteuid() != 0) {
        EXPECT_EQ(runWalk(), expected);
        return;
    }
    settings->sync(); // the child reads the options from memory
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(fds[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        const QByteArray out = runWalk().join(u'\n').toUtf8();
        const bool written = ::write(fds[1], out.constData(), size_t(out.size())) == out.size();
        ::_exit(written ? 0 : 3);
    }
    ::close(fds[1]);
    QByteArray received;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        received.append(buffer, n);
    ::close(fds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "could not become nobody or report back";
    EXPECT_EQ(QString::fromUtf8(received).split(u'\n'), expected);
    ::chmod(QFile::encodeName(at(QStringLiteral("locked"))).constData(), 0755);
}

TEST_F(FolderWalkTest, CancelKeepsWhatWasFoundAndEndsEveryPendingVisit)
{
    touch({ "a1.jpg", "a2.jpg", "s1/b1.jpg", "s1/b2.jpg", "s1/t/c.jpg", "s2/d.jpg", "s3/e.jpg" });
    const QStringList full = walk(QString());
    ASSERT_EQ(full.size(), 7);

    bool cancel = false;
    int cleanups = 0;
    int yields = 0;
    RunHooks hooks;
    hooks.cancelRequested = [&] { return cancel; };
    hooks.cancelCleanup = [&] { ++cleanups; };
    // The 20th yield comes at the second entry of s1/t, after s1's files were listed.
    hooks.yield = [&] {
        if (++yields == 20)
            cancel = true;
    };
    const QStringList found = walk(QString(), hooks);
    ASSERT_TRUE(cancel);
    EXPECT_EQ(found, full.mid(0, 4));
    // s1/t sees the flag, then s2 and s3 each end at their first entry.
    EXPECT_EQ(cleanups, 3);

    // Cancelled before the first entry: nothing listed, one clean-up.
    cleanups = 0;
    cancel = true;
    EXPECT_TRUE(walk(QString(), hooks).isEmpty());
    EXPECT_EQ(cleanups, 1);
}

// The command line walks several locations in turn into one list: a folder reached again, by
// another location, the same one twice or a link, is not walked again, so every file is listed
// once, in the order first found; excluded names and, when asked, hidden folders are left out.
TEST_F(FolderWalkTest, SeveralRootsListEachFileOnceWithinTheLimits)
{
    touch({ "a/x.jpg", "a/b/y.jpg", "a/b/c/z.jpg", "d/w.jpg", "d/.h.jpg", "d/.hid/v.jpg",
        "e/keep.jpg", "e/drop.tmp", "e/thumbs/t.jpg", "e/Thumbs/u.jpg", "e/.Trash-1000/r.jpg",
        "e/cache.tmp/s.jpg" });
    ASSERT_EQ(symlink("a", at(QStringLiteral("link-to-a")).toLocal8Bit().constData()), 0);
    const QByteArray odd = QFile::encodeName(at(QStringLiteral("e"))) + "/odd\xff.tmp";
    const int fd = ::open(odd.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const auto cleanUp = qScopeGuard([&] { ::unlink(odd.constData()); });

    struct Case
    {
        QStringList roots;
        WalkLimits limits;
        QStringList expected;
        qint64 folders;
    };
    const auto roots = [this](std::initializer_list<const char *> relatives) {
        QStringList paths;
        for (const char *r : relatives)
            paths.append(r[0] ? at(QString::fromUtf8(r)) : tree.path());
        return paths;
    };
    const WalkLimits none;
    const WalkLimits excluding {
        { QStringLiteral("*.tmp"), QStringLiteral(".Trash*"), QStringLiteral("thumbs") }, false
    };
    const WalkLimits noHiddenFolders { {}, true };
    const Case cases[] = {
        { roots({ "a", "a/b" }), none, list({ "a/x.jpg", "a/b/y.jpg", "a/b/c/z.jpg" }), 3 },
        { roots({ "a/b", "a" }), none, list({ "a/b/y.jpg", "a/b/c/z.jpg", "a/x.jpg" }), 3 },
        { roots({ "a", "a" }), none, list({ "a/x.jpg", "a/b/y.jpg", "a/b/c/z.jpg" }), 3 },
        { roots({ "link-to-a", "a/b/c", "a/" }), none,
            list({ "link-to-a/x.jpg", "link-to-a/b/y.jpg", "link-to-a/b/c/z.jpg" }), 3 },
        { roots({ "d", "missing", "a/b/c" }), none,
            list({ "d/.h.jpg", "d/w.jpg", "d/.hid/v.jpg", "a/b/c/z.jpg" }), 3 },
        { roots({ "d" }), noHiddenFolders, list({ "d/.h.jpg", "d/w.jpg" }), 1 },
        { roots({ "e" }), excluding, list({ "e/keep.jpg", "e/Thumbs/u.jpg" }), 2 },
        { roots({ "e/thumbs" }), excluding, list({ "e/thumbs/t.jpg" }), 1 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(relative(c.roots).join(u", ").toStdString());
        QStringList list2 { QStringLiteral("kept from before") };
        counters = {};
        FindFilesInRoots(c.roots, QStringLiteral("*.*"), counters, list2,
            walkOptionsFrom(*settings), {}, c.limits);
        EXPECT_EQ(relative(list2), QStringList { QStringLiteral("kept from before") } + c.expected);
        EXPECT_EQ(counters.files, c.expected.size());
        EXPECT_EQ(counters.dirs, c.folders);
    }
    // The window's walk keeps entering hidden folders and knows no exclusions.
    EXPECT_TRUE(walk(QString()).contains(QStringLiteral("e/.Trash-1000/r.jpg")));
}

TEST_F(FolderWalkTest, DeepTreeIsWalkedWithoutLimit)
{
    constexpr int depth = 2000;
    int fd = ::open(QFile::encodeName(tree.path()).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int level = 0; level < depth; ++level) {
        ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        ASSERT_GE(fd = next, 0);
    }
    const int file = ::openat(fd, "deep.jpg", O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(file, 0);
    ::close(file);
    ::close(fd);

    const QStringList found = walk(QStringLiteral("deep"));
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found.first(), QStringLiteral("d/").repeated(depth) + QStringLiteral("deep.jpg"));
    EXPECT_EQ(counters.dirs, depth + 1);
}

} // namespace
