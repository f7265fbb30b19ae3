#include "store/ResultStore.h"

#include "core/FileNames.h"
#include "core/UserFile.h"
#include "store/VbaVal.h"

#include <QFileInfo>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>
#include <sys/stat.h>

namespace lis {

namespace {

const QString providerPrefix = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=");
const QString providerSuffix
    = QStringLiteral(";Persist Security Info=False; JET OLEDB:Database Password=rowan.58.tz");

void sqlVal(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_double(context, 0);
        return;
    }
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const int bytes = sqlite3_value_bytes(argv[0]);
    sqlite3_result_double(context, vbaVal(QString::fromUtf8(text, bytes)));
}

QString fromSqlText(const SQLite::Column &column)
{
    return QString::fromUtf8(static_cast<const char *>(column.getBlob()), column.getBytes());
}

// Paths are stored as the bytes the file system knows them by, so a name that is not UTF-8
// reads back as the same file.
std::string pathText(const QString &path)
{
    return pathToBytes(path).toStdString();
}

QString pathFromSqlText(const SQLite::Column &column)
{
    return pathFromBytes(
        QByteArrayView(static_cast<const char *>(column.getBlob()), column.getBytes()));
}

} // namespace

QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.mid(first, last - first);
}

QString ResultStore::connectionString(const QString &databaseFile)
{
    return providerPrefix + databaseFile + providerSuffix;
}

QString ResultStore::dataSource(const QString &connectionString)
{
    static const QString key = QStringLiteral("Data Source=");
    const qsizetype start = connectionString.indexOf(key);
    if (start < 0)
        return {};
    const qsizetype from = start + key.size();
    // The file name ends where the next property starts, so a path may hold ';' only if no
    // "Persist Security Info" follows it; ours always ends with the known suffix.
    const qsizetype end = connectionString.endsWith(providerSuffix)
        ? connectionString.size() - providerSuffix.size()
        : connectionString.indexOf(u';', from);
    return connectionString.mid(from, end < 0 ? -1 : end - from);
}

ResultStore::ResultStore(const QString &connectionString)

{
    const QString file = dataSource(connectionString);
    const auto info = statPath(file, false);
    if (file.isEmpty() || !info || !S_ISREG(info->st_mode)) {
        m_openError = QStringLiteral("The result database %1 does not exist.").arg(file);
        return;
    }
    try {
        // A link put in place of the working copy must never lead the store to another file.
        auto db = std::make_unique<SQLite::Database>(
            pathText(file), SQLite::OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW);
        // The working copy is renewed at every start and outlives no process.
        db->exec("PRAGMA journal_mode=MEMORY");
        db->exec("PRAGMA synchronous=OFF");
        sqlite3_create_function(db->getHandle(), "val", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
            nullptr, &sqlVal, nullptr, nullptr);
        if (!db->tableExists("Image_Rank")) {
            m_openError
                = QStringLiteral("The result database %1 holds no Image_Rank table.").arg(file);
            return;
        }
        m_db = std::move(db);
    } catch (const std::exception &e) {
        m_openError = QStringLiteral("The result database %1 cannot be opened: %2")
                          .arg(file, QString::fromUtf8(e.what()));
    }
}

ResultStore::~ResultStore() = default;

bool ResultStore::AddImageRank(const QString &path, std::int32_t rank)
{
    if (!m_db)
        return false;
    try {
        SQLite::Statement insert(*m_db, "INSERT INTO Image_Rank (Rank, FileName) VALUES (?, ?)");
        insert.bind(1, std::to_string(rank));
        insert.bind(2, pathText(path));
        insert.exec();
        return true;
    } catch (const std::exception &e) {
        noteWriteError(QString::fromUtf8(e.what()));
        return false;
    }
}

bool ResultStore::DeleteRecords()
{
    m_writeError.clear();
    if (!m_db)
        return false;
    try {
        m_db->exec("DELETE FROM Image_Rank");
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

std::vector<RankRow> ResultStore::reportRows() const
{
    std::vector<RankRow> rows;
    if (!m_db)
        return rows;
    try {
        SQLite::Statement query(*m_db, "SELECT * FROM Image_Rank ORDER by val(Rank)");
        while (query.executeStep())
            rows.push_back({ trimBlanks(fromSqlText(query.getColumn(0))),
                pathFromSqlText(query.getColumn(1)) });
    } catch (const std::exception &) {
        // Rows read before the failure are what the report gets.
    }
    return rows;
}

ResultStore::Batch::Batch(ResultStore &store)
    : m_store(store)
{
    if (!m_store.m_db)
        return;
    try {
        m_store.m_db->exec("BEGIN");
        m_active = true;
    } catch (const std::exception &) { }
}

ResultStore::Batch::~Batch()
{
    commit();
}

bool ResultStore::Batch::commit()
{
    if (!m_active)
        return true;
    m_active = false;
    try {
        m_store.m_db->exec("COMMIT");
        return true;
    } catch (const std::exception &e) {
        // Every row of the batch is gone with the rollback; whoever ran it must say so.
        m_store.noteWriteError(QString::fromUtf8(e.what()));
        try {
            m_store.m_db->exec("ROLLBACK");
        } catch (const std::exception &) { }
        return false;
    }
}

void ResultStore::noteWriteError(const QString &what)
{
    if (m_writeError.isEmpty())
        m_writeError = what;
}

} // namespace lis
