#include "store/Maintenance.h"

#include "core/FileNames.h"

#include <SQLiteCpp/Database.h>
#include <memory>

namespace lis {

namespace {

const QString cannotConnect = QStringLiteral("Sorry, can't connect to the Database ....");

// The database, or nothing when the file is missing or is not a database at all: SQLite opens
// any file lazily, so the schema is read once to be sure.
std::unique_ptr<SQLite::Database> connect(const QString &file, QString &why)
{
    try {
        auto db = std::make_unique<SQLite::Database>(
            pathToBytes(file).toStdString(), SQLite::OPEN_READWRITE);
        db->exec("SELECT count(*) FROM sqlite_master");
        return db;
    } catch (const std::exception &e) {
        why = QString::fromUtf8(e.what());
        return nullptr;
    }
}

QString run(SQLite::Database &db, const char *sql)
{
    try {
        db.exec(sql);
        return {};
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    }
}

} // namespace

MaintenanceResult CreateTableImageRank(const QString &maintenanceDatabase)
{
    QString why;
    const auto db = connect(maintenanceDatabase, why);
    if (!db)
        return { cannotConnect, why };
    const QString failed = run(*db, "CREATE TABLE Image_Rank (Rank Char(50), FileName Char(250))");
    return { QStringLiteral("Database Connection successful!...Image_Rank"),
        failed.isEmpty() ? QString()
                         : QStringLiteral("The Image_Rank table was not created: %1").arg(failed) };
}

MaintenanceResult DelTable(const QString &maintenanceDatabase)
{
    QString why;
    const auto db = connect(maintenanceDatabase, why);
    if (!db)
        return { cannotConnect, why };
    const QString failed = run(*db, "DROP TABLE Image_Rank");
    if (!failed.isEmpty())
        return { {}, QStringLiteral("The Image_Rank table was not dropped: %1").arg(failed) };
    return { QStringLiteral("Image_Rank Table has been dropped"), {} };
}

} // namespace lis
