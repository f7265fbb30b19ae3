#include "search/FolderWalk.h"

#include "core/FileNames.h"
#include "core/RunHooks.h"
#include "search/FolderEntries.h"
#include "search/Wildcard.h"

#include <QFile>
#include <algorithm>
#include <fnmatch.h>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace lis {

namespace {

// One folder on the walk's stack: its path in both forms, and the subfolders still to visit.
struct Visit
{
    QString path;
    QByteArray rawPath;
    QStringList subfolders;
    qsizetype nextSubfolder = 0;
    FolderId id;
};

// The command line's limits, with the globs in the bytes fnmatch(3) reads, and the folders
// every root walked so far has visited.
class WalkFence
{
public:
    explicit WalkFence(const WalkLimits &limits)
        : m_skipHiddenFolders(limits.skipHiddenFolders)
    {
        for (const QString &glob : limits.excludes)
            m_excludes.push_back(pathToBytes(glob));
    }

    bool excludes(const FolderEntry &entry) const
    {
        if (entry.kind == FolderEntry::Kind::Folder && m_skipHiddenFolders && entry.isHidden())
            return true;
        if (m_excludes.empty())
            return false;
        const QByteArray name = pathToBytes(entry.name);
        return std::any_of(m_excludes.cbegin(), m_excludes.cend(), [&](const QByteArray &glob) {
            return ::fnmatch(glob.constData(), name.constData(), 0) == 0;
        });
    }
    // False when the folder was visited before, through this root or an earlier one.
    bool firstVisit(const FolderId &id) { return m_visited.insert({ id.device, id.inode }).second; }

private:
    std::vector<QByteArray> m_excludes;
    bool m_skipHiddenFolders;
    std::set<std::pair<quint64, quint64>> m_visited;
};

class FolderWalk
{
public:
    FolderWalk(const QString &pattern, WalkCounters &counters, QStringList &list2,
        const WalkOptionsSource &options, const RunHooks &hooks, WalkFence *fence = nullptr)
        : m_pattern(pattern)
        , m_counters(counters)
        , m_list(list2)
        , m_options(options)
        , m_hooks(hooks)
        , m_fence(fence)
    { }

    void run(const QString &start)
    {
        std::vector<Visit> stack;
        stack.push_back({ start, pathToBytes(start), {}, 0, {} });
        visit(stack);
        while (!stack.empty()) {
            Visit &top = stack.back();
            if (top.nextSubfolder == top.subfolders.size()) {
                stack.pop_back();
                continue;
            }
            const QString &name = top.subfolders[top.nextSubfolder++];
            m_hooks.doYield();
            Visit child { top.path + name + u'/', top.rawPath + pathToBytes(name) + '/', {}, 0,
                {} };
            stack.push_back(std::move(child));
            visit(stack);
        }
    }

private:
    // The three phases of the folder on top of the stack; its subfolders are left in it for the
    // walk to enter.
    void visit(std::vector<Visit> &stack)
    {
        Visit &folder = stack.back();
        const std::optional<FolderListing> listing = readFolderEntries(folder.rawPath);
        if (!listing)
            return;
        // A folder mounted inside itself is entered once: the walk always ends.
        folder.id = listing->id;
        const auto ancestors = stack.cend() - 1;
        if (std::any_of(
                stack.cbegin(), ancestors, [&](const Visit &v) { return v.id == folder.id; }))
            return;
        if (m_fence && !m_fence->firstVisit(folder.id))
            return;
        ++m_counters.dirs;
        const std::vector<FolderEntry> &entries = listing->entries;

        QStringList subfolders;
        for (const FolderEntry &entry : entries) {
            if (cancelSeen())
                return;
            if (entry.kind == FolderEntry::Kind::Folder && !(m_fence && m_fence->excludes(entry)))
                subfolders.append(entry.name);
        }

        const std::optional<qint16> hidden = m_options().hiddenFiles;
        if (!hidden)
            return;
        if (*hidden == WalkOptions::off || *hidden == WalkOptions::on) {
            for (const FolderEntry &entry : entries) {
                if (entry.kind != FolderEntry::Kind::File
                    || (entry.isHidden() && *hidden != WalkOptions::on)
                    || !m_pattern.matches(entry.name) || (m_fence && m_fence->excludes(entry)))
                    continue;
                if (cancelSeen())
                    return;
                QString path;
                path.reserve(folder.path.size() + entry.name.size());
                m_list.append(path.append(folder.path).append(entry.name));
                m_hooks.doProgress(m_list.size());
                ++m_counters.files;
            }
        }

        const std::optional<qint16> enter = m_options().subfolders;
        if (enter && *enter == WalkOptions::on)
            folder.subfolders = std::move(subfolders);
    }

    bool cancelSeen()
    {
        m_hooks.doYield();
        if (!m_hooks.isCancelRequested())
            return false;
        m_hooks.doCancelCleanup();
        return true;
    }

    const WildcardPattern m_pattern;
    WalkCounters &m_counters;
    QStringList &m_list;
    const WalkOptionsSource &m_options;
    const RunHooks &m_hooks;
    WalkFence *m_fence;
};

} // namespace

void FindFiles(QString &path, const QString &pattern, WalkCounters &counters, QStringList &list2,
    const WalkOptionsSource &options, const RunHooks &hooks)
{
    if (!path.endsWith(u'/'))
        path += u'/';
    FolderWalk(pattern, counters, list2, options, hooks).run(path);
}

void FindFilesInRoots(const QStringList &roots, const QString &pattern, WalkCounters &counters,
    QStringList &list2, const WalkOptionsSource &options, const RunHooks &hooks,
    const WalkLimits &limits)
{
    WalkFence fence(limits);
    for (QString root : roots) {
        if (hooks.isCancelRequested())
            return;
        if (!root.endsWith(u'/'))
            root += u'/';
        FolderWalk(pattern, counters, list2, options, hooks, &fence).run(root);
    }
}

} // namespace lis
