#pragma once

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

// What a run tells the command line: progress on standard error, at most a few times a second
// so a terminal keeps up, and Ctrl+C as the cancel.
class CliObserver final : public RunObserver
{
public:
    CliObserver(std::FILE *stream, const std::atomic<bool> &interrupted, PhaseTimes &times);

    void phaseStarted(Phase phase, qsizetype total) override;
    void progressed(Phase phase, qsizetype done) override;
    void keepAlive() override { }
    bool cancelRequested() override { return m_interrupted.load(); }
    void cancelNoticed() override { }
    // Ends the progress line of the phase under way.
    void finish();

private:
    bool due() const { return m_clock.elapsed() >= 250; }
    void show(const QString &text, bool force);

    std::FILE *m_stream;
    const std::atomic<bool> &m_interrupted;
    PhaseTimes &m_times;
    QElapsedTimer m_clock;
    bool m_shown = false;
    Phase m_phase = Phase::Searching;
    qsizetype m_total = 0;
    qsizetype m_done = 0;
};

} // namespace lis
