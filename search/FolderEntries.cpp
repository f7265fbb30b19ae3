#include "search/FolderEntries.h"

#include "core/FileNames.h"
#include "core/UserFile.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace lis {

namespace {

struct DirCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};

// Regular files and links to them count as files; a link is never a folder to the walk. Entries
// are asked about relative to the open folder, so paths of any length work.
FolderEntry::Kind kindOfLinkTarget(int folder, const char *name)
{
    struct stat target
    {
    };
    if (fstatat(folder, name, &target, 0) == 0 && S_ISREG(target.st_mode))
        return FolderEntry::Kind::File;
    return FolderEntry::Kind::Other;
}

FolderEntry::Kind kindOf(const dirent &entry, int folder)
{
    switch (entry.d_type) {
    case DT_DIR:
        return FolderEntry::Kind::Folder;
    case DT_REG:
        return FolderEntry::Kind::File;
    case DT_LNK:
        return kindOfLinkTarget(folder, entry.d_name);
    case DT_UNKNOWN:
        break;
    default:
        return FolderEntry::Kind::Other;
    }
    // Some file systems do not say; ask the entry itself. One that vanished lists as nothing.
    struct stat own
    {
    };
    if (fstatat(folder, entry.d_name, &own, AT_SYMLINK_NOFOLLOW) != 0)
        return FolderEntry::Kind::Other;
    if (S_ISDIR(own.st_mode))
        return FolderEntry::Kind::Folder;
    if (S_ISREG(own.st_mode))
        return FolderEntry::Kind::File;
    if (S_ISLNK(own.st_mode))
        return kindOfLinkTarget(folder, entry.d_name);
    return FolderEntry::Kind::Other;
}

// NTFS keeps names ordered by their upper-cased UTF-16 units.
QString orderKey(const QString &name)
{
    const auto isLower = [](QChar c) { return c.unicode() >= 0x80 || c.isLower(); };
    if (std::none_of(name.cbegin(), name.cend(), isLower))
        return name; // shared, no copy
    QString key = name;
    for (QChar &c : key) {
        const char16_t u = c.unicode();
        if (u >= u'a' && u <= u'z')
            c = QChar(char16_t(u - (u'a' - u'A')));
        else if (u >= 0x80)
            c = c.toUpper();
    }
    return key;
}

} // namespace

std::optional<FolderListing> readFolderEntries(const QByteArray &folder)
{
    UniqueFd opened = openPathBytes(folder, O_RDONLY | O_DIRECTORY | O_NONBLOCK);
    if (!opened.isValid())
        return std::nullopt;
    std::unique_ptr<DIR, DirCloser> dir(fdopendir(opened.get()));
    if (!dir)
        return std::nullopt;
    opened.release(); // the listing owns it now
    FolderListing listing;
    struct stat own
    {
    };
    if (fstat(dirfd(dir.get()), &own) != 0)
        return std::nullopt;
    listing.id = { quint64(own.st_dev), quint64(own.st_ino) };

    struct Keyed
    {
        QString key;
        FolderEntry entry;
    };
    std::vector<Keyed> keyed;
    errno = 0;
    while (const dirent *entry = readdir(dir.get())) {
        FolderEntry item;
        item.name = pathFromBytes(entry->d_name);
        if (item.name == u"." || item.name == u"..")
            item.kind = FolderEntry::Kind::Dots;
        else
            item.kind = kindOf(*entry, dirfd(dir.get()));
        keyed.push_back({ orderKey(item.name), std::move(item) });
        errno = 0;
    }
    if (errno != 0)
        return std::nullopt;

    std::sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        if (const int order = QStringView(a.key).compare(QStringView(b.key)); order != 0)
            return order < 0;
        // Names that differ only in case order by their UTF-16 form.
        return QStringView(a.entry.name).compare(QStringView(b.entry.name)) < 0;
    });
    listing.entries.reserve(keyed.size());
    for (Keyed &k : keyed)
        listing.entries.push_back(std::move(k.entry));
    return listing;
}

} // namespace lis
