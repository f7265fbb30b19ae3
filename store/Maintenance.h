#pragma once

#include <QString>

namespace lis {

// What a table maintenance operation did: the message it gives the user (as the operations have
// always worded it), and, when the operation did not do its work, why.
struct MaintenanceResult
{
    QString message; // empty when there is nothing to say but the failure
    QString failure; // empty when the operation did its work

    bool succeeded() const { return failure.isEmpty(); }
};

// Creates the Image_Rank table in the maintenance database. The message says whether the
// database could be reached; a table that cannot be created (it exists already, say) is a
// failure.
MaintenanceResult CreateTableImageRank(const QString &maintenanceDatabase);
// Drops the Image_Rank table from the maintenance database; "has been dropped" only when it was.
MaintenanceResult DelTable(const QString &maintenanceDatabase);

} // namespace lis
