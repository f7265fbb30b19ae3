#pragma once

#include <QString>

namespace lis {

class Prompts;

// Creates the Image_Rank table in the maintenance database and says whether the database
// could be reached.
void CreateTableImageRank(const QString &maintenanceDatabase, Prompts &prompts);
// Drops the Image_Rank table from the maintenance database and says so.
void DelTable(const QString &maintenanceDatabase, Prompts &prompts);

} // namespace lis
