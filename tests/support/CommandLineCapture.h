#pragma once

#include "app/cli/CliRun.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <memory>

namespace lis::test {

struct CommandLineOutcome
{
    int status = 0;
    QString out;
    QString err;
};

// Runs the command line in this process with its two streams captured. Only for tests that link
// the command-line run.
inline CommandLineOutcome runCommandLineCaptured(
    QStringList args, const AppPaths &paths, const Settings &saved)
{
    struct Closer
    {
        void operator()(std::FILE *f) const { std::fclose(f); }
    };
    const auto readAll = [](std::FILE *f) {
        std::fflush(f);
        std::rewind(f);
        QByteArray bytes;
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            bytes.append(buffer, qsizetype(n));
        return QString::fromLocal8Bit(bytes);
    };
    const std::unique_ptr<std::FILE, Closer> out(std::tmpfile());
    const std::unique_ptr<std::FILE, Closer> err(std::tmpfile());
    args.prepend(QStringLiteral("lumetra-image-search"));
    const int status = runCommandLine(args, paths, saved, { out.get(), err.get() });
    return { status, readAll(out.get()), readAll(err.get()) };
}

} // namespace lis::test
