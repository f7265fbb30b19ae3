#pragma once

#include "core/AppPaths.h"

namespace lis {

class Settings;
class ResultStore;
class Prompts;

// What every window of a session shares. The objects are owned by whoever starts the session
// (main, or a test) and outlive every window.
struct AppContext
{
    AppPaths paths;
    Settings &settings;
    ResultStore &store;
    Prompts &prompts;
};

} // namespace lis
