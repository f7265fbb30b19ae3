#include "app/run/Session.h"

#include "app/run/Startup.h"
#include "core/WorkFolder.h"
#include "store/ResultStore.h"

#include <QDir>

namespace lis {

SessionOpening openSession(const AppPaths &paths)
{
    SessionOpening opening;
    if (const auto error = WorkFolder(paths).ensureFolder()) {
        opening.code = SessionOpening::Code::WorkFolderUnusable;
        opening.message = error->message();
        return opening;
    }
    auto lock = std::make_unique<InstanceLock>(paths.lockFile());
    switch (lock->state()) {
    case InstanceLock::State::Held:
        break;
    case InstanceLock::State::HeldByOther:
        opening.code = SessionOpening::Code::AlreadyRunning;
        opening.message = QStringLiteral("Lumetra Image Search is already running; its working "
                                         "files are in use.");
        return opening;
    case InstanceLock::State::Failed:
        opening.code = SessionOpening::Code::WorkFolderUnusable;
        opening.message = WorkFileError { paths.lockFile(), lock->failure() }.message();
        return opening;
    }
    StartupResult started = startUp(paths);
    if (!started.error.isEmpty()) {
        opening.code = SessionOpening::Code::StoreUnusable;
        opening.message = started.error;
        return opening;
    }
    opening.session = { std::move(lock), std::move(started.store) };
    return opening;
}

} // namespace lis
