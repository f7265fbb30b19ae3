#include "search/FolderEntries.h"

#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace lis {

namespace {

struct DirCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};

bool isAscii(const char *text, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80)
            return false;
    }
    return true;
}

// Regular files and links to them count as files; a link is never a folder to the walk.
FolderEntry::Kind kindOfLinkTarget(const QByteArray &path)
{
    struct stat target
    {
    };
    if (stat(path.constData(), &target) == 0 && S_ISREG(target.st_mode))
        return FolderEntry::Kind::File;
    return FolderEntry::Kind::Other;
}

FolderEntry::Kind kindOf(const dirent &entry, const QByteArray &folder)
{
    switch (entry.d_type) {
    case DT_DIR:
        return FolderEntry::Kind::Folder;
    case DT_REG:
        return FolderEntry::Kind::File;
    case DT_LNK:
        return kindOfLinkTarget(folder + entry.d_name);
    case DT_UNKNOWN:
        break;
    default:
        return FolderEntry::Kind::Other;
    }
    // Some file systems do not say; ask the entry itself. One that vanished lists as nothing.
    const QByteArray path = folder + entry.d_name;
    struct stat own
    {
    };
    if (lstat(path.constData(), &own) != 0)
        return FolderEntry::Kind::Other;
    if (S_ISDIR(own.st_mode))
        return FolderEntry::Kind::Folder;
    if (S_ISREG(own.st_mode))
        return FolderEntry::Kind::File;
    if (S_ISLNK(own.st_mode))
        return kindOfLinkTarget(path);
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
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.constData()));
    if (!dir)
        return std::nullopt;
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
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    errno = 0;
    while (const dirent *entry = readdir(dir.get())) {
        const size_t length = strlen(entry->d_name);
        FolderEntry item;
        const QByteArrayView rawName(entry->d_name, qsizetype(length));
        if (isAscii(entry->d_name, length)) {
            item.name = QString::fromLatin1(rawName);
        } else {
            decoder.resetState();
            item.name = decoder.decode(rawName);
            if (decoder.hasError())
                continue;
        }
        if (item.name == u"." || item.name == u"..")
            item.kind = FolderEntry::Kind::Dots;
        else
            item.kind = kindOf(*entry, folder);
        keyed.push_back({ orderKey(item.name), std::move(item) });
        errno = 0;
    }
    if (errno != 0)
        return std::nullopt;

    std::sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        if (const int order = QStringView(a.key).compare(QStringView(b.key)); order != 0)
            return order < 0;
        // Valid UTF-8 orders like its UTF-16 form for names that differ only in case.
        return QStringView(a.entry.name).compare(QStringView(b.entry.name)) < 0;
    });
    listing.entries.reserve(keyed.size());
    for (Keyed &k : keyed)
        listing.entries.push_back(std::move(k.entry));
    return listing;
}

} // namespace lis
