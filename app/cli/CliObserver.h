#pragma once

#include "app/cli/CliOptions.h"
#include "app/run/SearchRun.h"

#include <QElapsedTimer>
#include <atomic>
#include <cstdio>
#include <vector>

namespace lis {

// The opt-in phase breakdown (LIS_TIMINGS=1): wall time of each step of the run, printed on
// standard error after the report so normal output stays as it is.
class PhaseTimes
{
public:
    PhaseTimes();
    // Closes the phase under way, naming it.
    void mark(const char *phase);
    void print(std::FILE *stream) const;

private:
    bool m_enabled;
    QElapsedTimer m_clock;
    qint64 m_total = 0;
    std::vector<std::pair<const char *, qint64>> m_phases;
};

// What a run tells the command line: progress on standard error ("n of N" in every phase), and
// a signal as the cancel. On a terminal the progress is one line rewritten in place (without
// escape sequences when NO_COLOR is set); in plain mode it is ordinary lines at most once a
// second, for logs; otherwise nothing, so files and pipes get no progress at all.
class CliObserver final : public RunObserver
{
public:
    CliObserver(std::FILE *stream, ProgressMode mode, const std::atomic<int> &interrupted,
        PhaseTimes &times);

    void phaseStarted(Phase phase, qsizetype total) override;
    void progressed(Phase phase, qsizetype done) override;
    void keepAlive() override { }
    bool cancelRequested() override { return m_interrupted.load() != 0; }
    void cancelNoticed() override { }

    // The copies after the report, which the run itself does not make.
    void copyingStarted(qsizetype total);
    void copied(qsizetype done);
    // Ends the progress line of the phase under way.
    void finish();

private:
    enum class Style { Silent, Terminal, Plain };
    bool due() const;
    void show(const QString &text, bool force);
    void closePhase(const QString &last);

    std::FILE *m_stream;
    Style m_style;
    bool m_escapes;
    const std::atomic<int> &m_interrupted;
    PhaseTimes &m_times;
    QElapsedTimer m_clock;
    bool m_shown = false;
    qsizetype m_lastLength = 0;
    QString m_phaseText;
    qsizetype m_total = 0;
    qsizetype m_done = 0;
};

} // namespace lis
