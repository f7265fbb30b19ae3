#include "tests/reliability/ReliabilitySupport.h"

#include "app/run/RunSteps.h"
#include "app/run/Startup.h"
#include "tests/support/TestImages.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QImageWriter>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lis::test {

HangWatchdog::HangWatchdog(std::chrono::seconds limit)
    : m_limit(limit)
    , m_thread([this] { watch(); })
{ }

HangWatchdog::~HangWatchdog()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void HangWatchdog::step(const QString &what)
{
    const std::lock_guard lock(m_mutex);
    const auto now = Clock::now();
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_since);
    if (took > m_longest) {
        m_longest = took;
        m_longestName = m_current;
    }
    m_current = what;
    m_since = now;
}

std::chrono::milliseconds HangWatchdog::longestStep() const
{
    const std::lock_guard lock(m_mutex);
    return m_longest;
}

QString HangWatchdog::longestStepName() const
{
    const std::lock_guard lock(m_mutex);
    return m_longestName;
}

void HangWatchdog::watch()
{
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        m_wake.wait_for(lock, std::chrono::seconds(1));
        if (!m_stop && Clock::now() - m_since > m_limit) {
            std::fprintf(stderr, "HANG: no progress for %lld s during: %s\n",
                static_cast<long long>(m_limit.count()), qPrintable(m_current));
            std::fflush(stderr);
            std::abort();
        }
    }
}

Pipeline::Pipeline()
{
    using namespace SettingKeys;
    settings = std::make_unique<Settings>(app.filePath(QStringLiteral("user.ini")));
    settings->save(searchSection, subfoldersKey, QStringLiteral("3"));
    settings->save(searchSection, hiddenFilesKey, QStringLiteral("3"));
    settings->save(allImageSection, fileTypesKey, QStringLiteral("5"));
    StartupResult started = startUp(app.paths());
    store = std::move(started.store);
    ranker = std::make_unique<RankLibrary>(app.path());
}

PipelineResult Pipeline::run(
    const QString &location, const QString &keyword, RunHooks hooks, HangWatchdog *watchdog)
{
    PipelineResult result;
    const RunEngine engine { app.paths(), walkOptionsFrom(*settings), *store, *ranker };
    const std::function<void()> outerYield = hooks.yield;
    qsizetype yields = 0;
    bool ranking = false;
    hooks.yield = [&] {
        if (watchdog) {
            // Four yields per file in the ranking loop: one at the top, three inside.
            const qsizetype index = yields / 4;
            watchdog->step(ranking && index < result.list3.size()
                    ? QStringLiteral("ranking file #%1: %2").arg(index).arg(result.list3.at(index))
                    : QStringLiteral("walk, %1 found").arg(result.list2.size()));
        }
        ++yields;
        if (outerYield)
            outerYield();
    };
    findImageFiles(engine, location, keyword, result.list2, result.list3, hooks);
    prepareRanking(engine, copies);
    ranking = true;
    yields = 0;
    result.ranked = rankFoundFiles(engine, result.list3, copies, hooks);
    ranking = false;
    if (watchdog)
        watchdog->step(QStringLiteral("report"));
    hooks.yield = outerYield;
    result.report = ShowReport(*store, hooks);
    return result;
}

namespace {

QByteArray digestOf(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return QByteArrayLiteral("<unreadable>");
    QCryptographicHash hash(QCryptographicHash::Sha1);
    char buffer[1 << 16];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        hash.addData(QByteArrayView(buffer, n));
    ::close(fd);
    return hash.result().toHex();
}

void printInto(const QByteArray &root, const QByteArray &relative, TreePrint &print)
{
    const QByteArray folder = relative.isEmpty() ? root : root + '/' + relative;
    DIR *dir = ::opendir(folder.constData());
    if (!dir) {
        print[relative + "/<unlistable>"] = {};
        return;
    }
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray rel = relative.isEmpty() ? name : relative + '/' + name;
        const QByteArray full = root + '/' + rel;
        struct stat st
        {
        };
        if (::lstat(full.constData(), &st) != 0)
            continue;
        EntryPrint entryPrint;
        entryPrint.mode = st.st_mode;
        entryPrint.size = S_ISDIR(st.st_mode) ? 0 : qint64(st.st_size);
        entryPrint.mtimeNs
            = S_ISDIR(st.st_mode) ? 0 : qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        if (S_ISREG(st.st_mode)) {
            entryPrint.digest = digestOf(full);
        } else if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlink(full.constData(), target, sizeof target);
            entryPrint.digest = QByteArray(target, n > 0 ? qsizetype(n) : 0);
        }
        print[rel] = entryPrint;
        if (S_ISDIR(st.st_mode))
            printInto(root, rel, print);
    }
    ::closedir(dir);
}

} // namespace

TreePrint fingerprint(const QByteArray &root)
{
    TreePrint print;
    printInto(root, {}, print);
    return print;
}

QStringList differences(const TreePrint &before, const TreePrint &after)
{
    QStringList lines;
    for (const auto &[path, print] : before) {
        const auto it = after.find(path);
        if (it == after.end())
            lines.append(QStringLiteral("removed: ") + QString::fromLocal8Bit(path));
        else if (!(it->second == print))
            lines.append(QStringLiteral("changed: ") + QString::fromLocal8Bit(path));
    }
    for (const auto &[path, print] : after) {
        if (!before.count(path))
            lines.append(QStringLiteral("added: ") + QString::fromLocal8Bit(path));
    }
    return lines;
}

qint64 resetPeakRss()
{
    // "5" resets the peak resident size to the current one (Linux 4.0 and later).
    if (FILE *f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
    return peakRssKib();
}

qint64 peakRssKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    struct rusage usage
    {
    };
    if (getrusage(RUSAGE_SELF, &usage) == 0)
        return usage.ru_maxrss;
    return -1;
}

QByteArray smallPicture(const char *format, int seed, int width, int height)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(90);
    writer.write(makeScene(width, height, seed));
    return bytes;
}

QByteArray raw(const QString &path)
{
    return QFile::encodeName(path);
}

} // namespace lis::test
