#pragma once

#include "core/AppPaths.h"

#include <QString>
#include <memory>

namespace lis {

class ResultStore;

struct StartupResult
{
    std::unique_ptr<ResultStore> store;
    // Why results cannot be stored this session; empty when all is well.
    QString error;
};

// Prepares the working files for a new session: creates the working folder when it is missing,
// renews the working database from the pristine copy (so no result of an earlier process
// survives) and opens the result store on it.
StartupResult startUp(const AppPaths &paths);

} // namespace lis
