#include "app/cli/CliObserver.h"

#include "core/FileNames.h"

namespace lis {

PhaseTimes::PhaseTimes()
    : m_enabled(qEnvironmentVariableIntValue("LIS_TIMINGS") == 1)
{
    m_clock.start();
}

void PhaseTimes::mark(const char *phase)
{
    if (m_enabled)
        m_phases.push_back({ phase, m_clock.nsecsElapsed() - m_total });
    m_total = m_clock.nsecsElapsed();
}

void PhaseTimes::print(std::FILE *stream) const
{
    if (!m_enabled)
        return;
    for (const auto &[phase, nanoseconds] : m_phases) {
        std::fprintf(stream, "lis-timing %-12s %9.3f s %5.1f%%\n", phase, double(nanoseconds) / 1e9,
            m_total > 0 ? 100.0 * double(nanoseconds) / double(m_total) : 0.0);
    }
    std::fprintf(stream, "lis-timing %-12s %9.3f s\n", "total", double(m_total) / 1e9);
}

CliObserver::CliObserver(std::FILE *stream, const std::atomic<bool> &interrupted, PhaseTimes &times)
    : m_stream(stream)
    , m_interrupted(interrupted)
    , m_times(times)
{
    m_clock.start();
}

void CliObserver::phaseStarted(Phase phase, qsizetype total)
{
    switch (phase) {
    case Phase::Searching:
        break;
    case Phase::Ranking:
        show(QStringLiteral("Found %1 image file(s)").arg(total), true);
        finish();
        m_times.mark("walk");
        break;
    case Phase::Reporting:
        show(QStringLiteral("Ranked %1 of %2").arg(m_done).arg(m_total), true);
        finish();
        m_times.mark("ranking");
        break;
    }
    m_phase = phase;
    m_total = total;
    m_done = 0;
}

void CliObserver::progressed(Phase phase, qsizetype done)
{
    m_done = done;
    // The walk reports every listed file, so the text is only made when it will be shown.
    if (!due())
        return;
    if (phase == Phase::Searching)
        show(QStringLiteral("Searching... %1 file(s) found").arg(done), false);
    else if (phase == Phase::Ranking)
        show(QStringLiteral("Ranking... %1 of %2").arg(done).arg(m_total), false);
}

void CliObserver::show(const QString &text, bool force)
{
    if (!force && !due())
        return;
    m_clock.restart();
    const QByteArray bytes = pathToBytes(u'\r' + text + QStringLiteral("\x1b[K"));
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_stream);
    std::fflush(m_stream);
    m_shown = true;
}

void CliObserver::finish()
{
    if (m_shown) {
        std::fputc('\n', m_stream);
        std::fflush(m_stream);
    }
    m_shown = false;
}

} // namespace lis
