#pragma once

#include <QStringList>
#include <cstdio>

namespace lis {

class AppPaths;
class Settings;

// Exit statuses of a command-line run.
enum CliExit : int {
    CliOk = 0,
    CliFailed = 1, // the working files could not be used, the report could not be written, or
                   // a copy failed
    CliBadInput = 2, // refused arguments, keyword or location
    CliCancelled = 130, // Ctrl+C (SIGINT)
    CliTerminated = 143, // SIGTERM
};

struct CliStreams
{
    std::FILE *out = stdout;
    std::FILE *err = stderr;
};

// One whole run without a window: walk, filter, working bitmaps, ranking library, store and
// report, through the same engine as the Search button, then the report on standard output.
// `userSettings` supplies the options the arguments leave out; it is never written.
int runCommandLine(const QStringList &arguments, const AppPaths &shared,
    const Settings &userSettings, CliStreams streams = {});

// Makes Ctrl+C and SIGTERM cancel a command-line run instead of killing it, so the run stops
// within one file and removes its working files (once per process).
void installInterruptHandler();

} // namespace lis
