#include "app/cli/CliObserver.h"

#include "core/FileNames.h"

#include <unistd.h>

namespace lis {

namespace {

constexpr qint64 terminalIntervalMs = 250;
constexpr qint64 plainIntervalMs = 1000;

} // namespace

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

CliObserver::CliObserver(
    std::FILE *stream, ProgressMode mode, const std::atomic<int> &interrupted, PhaseTimes &times)
    : m_stream(stream)
    , m_style(mode == ProgressMode::Plain                                ? Style::Plain
              : mode == ProgressMode::Auto && ::isatty(::fileno(stream)) ? Style::Terminal
                                                                         : Style::Silent)
    , m_escapes(qEnvironmentVariableIsEmpty("NO_COLOR"))
    , m_interrupted(interrupted)
    , m_times(times)
{
    m_clock.start();
}

bool CliObserver::due() const
{
    return m_clock.elapsed() >= (m_style == Style::Plain ? plainIntervalMs : terminalIntervalMs);
}

void CliObserver::phaseStarted(Phase phase, qsizetype total)
{
    switch (phase) {
    case Phase::Searching:
        break;
    case Phase::Ranking:
        closePhase(QStringLiteral("Found %1 image file(s)").arg(total));
        m_times.mark("walk");
        break;
    case Phase::Reporting:
        closePhase(QStringLiteral("Ranked %1 of %2").arg(m_done).arg(m_total));
        m_times.mark("ranking");
        break;
    }
    m_total = total;
    m_done = 0;
    m_phaseText = phase == Phase::Searching ? QStringLiteral("Searching... %1 file(s) found")
        : phase == Phase::Ranking           ? QStringLiteral("Ranking... %1 of %2")
                                            : QStringLiteral("Reporting... %1 of %2");
}

void CliObserver::progressed(Phase phase, qsizetype done)
{
    m_done = done;
    // The walk reports every listed file, so the text is only made when it will be shown.
    if (m_style == Style::Silent || !due())
        return;
    if (phase == Phase::Searching)
        show(m_phaseText.arg(done), false);
    else
        show(m_phaseText.arg(done).arg(m_total), false);
}

void CliObserver::copyingStarted(qsizetype total)
{
    m_total = total;
    m_done = 0;
    m_phaseText = QStringLiteral("Copying... %1 of %2");
}

void CliObserver::copied(qsizetype done)
{
    m_done = done;
    if (m_style != Style::Silent && due())
        show(m_phaseText.arg(done).arg(m_total), false);
}

void CliObserver::show(const QString &text, bool force)
{
    if (m_style == Style::Silent || (!force && !due()))
        return;
    m_clock.restart();
    QString line;
    if (m_style == Style::Plain) {
        line = text + u'\n';
    } else if (m_escapes) {
        line = u'\r' + text + QStringLiteral("\x1b[K");
    } else {
        // Blanks over what a longer line left, as an escape to clear it would do.
        line = u'\r' + text.leftJustified(m_lastLength);
    }
    m_lastLength = text.size();
    const QByteArray bytes = pathToBytes(line);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_stream);
    std::fflush(m_stream);
    m_shown = m_style == Style::Terminal;
}

void CliObserver::closePhase(const QString &last)
{
    show(last, true);
    finish();
}

void CliObserver::finish()
{
    if (m_shown) {
        std::fputc('\n', m_stream);
        std::fflush(m_stream);
    }
    m_shown = false;
    m_lastLength = 0;
}

} // namespace lis
