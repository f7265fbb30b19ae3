#pragma once

#include "app/Form3.h"
#include "app/run/Startup.h"
#include "core/Settings.h"
#include "store/ResultStore.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TempAppFolder.h"

#include <gtest/gtest.h>
#include <memory>

namespace lis::test {

// A main window over a sandbox application folder, with a settings file of its own and a
// scripted person answering its prompts. Only for tests that link the main window.
class MainWindowTest : public ::testing::Test
{
protected:
    explicit MainWindowTest(TempAppFolder::Ranker ranker = TempAppFolder::Ranker::Without)
        : app(ranker)
    { }

    void SetUp() override
    {
        ASSERT_TRUE(app.isValid());
        started = startUp(app.paths());
        ASSERT_TRUE(started.error.isEmpty()) << started.error.toStdString();
        settings = openSettings();
        form = openWindow(*settings);
    }

    std::unique_ptr<Settings> openSettings() const
    {
        return std::make_unique<Settings>(app.filePath(QStringLiteral("settings.ini")));
    }
    std::unique_ptr<Form3> openWindow(Settings &windowSettings)
    {
        return std::make_unique<Form3>(
            AppContext { app.paths(), windowSettings, *started.store, prompts });
    }

    TempAppFolder app;
    StartupResult started;
    FakePrompts prompts;
    std::unique_ptr<Settings> settings;
    std::unique_ptr<Form3> form;
};

} // namespace lis::test
