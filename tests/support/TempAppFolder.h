#pragma once

#include "core/AppPaths.h"

#include <QTemporaryDir>

namespace lis::test {

// A sandbox copy of the built application folder: the pristine databases, the working folder
// and (on request) the ranking library, in a temporary folder removed at the end of the test.
class TempAppFolder
{
public:
    enum class Ranker { Without, With };
    explicit TempAppFolder(Ranker ranker = Ranker::Without);

    AppPaths paths() const { return AppPaths(m_dir.path()); }
    QString path() const { return m_dir.path(); }
    // A file or folder path inside the sandbox.
    QString filePath(const QString &relative) const { return m_dir.filePath(relative); }
    bool isValid() const { return m_dir.isValid(); }

private:
    QTemporaryDir m_dir;
};

// The built application folder, where the build puts the program and its files.
QString builtAppFolder();
// ../shared/testdata, or the empty string when it is not there.
QString sharedTestData();
// Whether the tests run on CI (CI=true), where the shared test material must be present.
bool onCi();

// Ends a test that needs the shared test material when it is missing: a skip on a developer's
// machine, a failure on CI, so a green CI run never hides tests that did not run.
#define LIS_NEED_SHARED_DATA(present, what)                                                        \
    do {                                                                                           \
        if (!(present)) {                                                                          \
            if (::lis::test::onCi())                                                               \
                FAIL() << "shared test data missing on CI: " << (what);                            \
            else                                                                                   \
                GTEST_SKIP() << "shared test data not found: " << (what);                          \
        }                                                                                          \
    } while (false)
// Writes a file with the given bytes, creating its folders; false on failure.
bool writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

} // namespace lis::test
