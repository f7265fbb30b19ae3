#include "store/Maintenance.h"

#include "dialogs/Prompts.h"

#include <SQLiteCpp/Database.h>
#include <memory>

namespace lis {

namespace {

std::unique_ptr<SQLite::Database> openExisting(const QString &file)
{
    try {
        return std::make_unique<SQLite::Database>(file.toStdString(), SQLite::OPEN_READWRITE);
    } catch (const std::exception &) {
        return nullptr;
    }
}

void execIgnoringFailure(SQLite::Database *db, const char *sql)
{
    if (!db)
        return;
    try {
        db->exec(sql);
    } catch (const std::exception &) { }
}

} // namespace

void CreateTableImageRank(const QString &maintenanceDatabase, Prompts &prompts)
{
    const auto db = openExisting(maintenanceDatabase);
    prompts.message(productCaption,
        db ? QStringLiteral("Database Connection successful!...Image_Rank")
           : QStringLiteral("Sorry, can't connect to the Database ...."),
        MessageIcon::None);
    execIgnoringFailure(db.get(), "CREATE TABLE Image_Rank (Rank Char(50), FileName Char(250))");
}

void DelTable(const QString &maintenanceDatabase, Prompts &prompts)
{
    const auto db = openExisting(maintenanceDatabase);
    execIgnoringFailure(db.get(), "DROP TABLE Image_Rank");
    prompts.message(
        productCaption, QStringLiteral("Image_Rank Table has been dropped"), MessageIcon::None);
}

} // namespace lis
