// The search-and-rank run of the main window: validation, control states, status texts and the
// cancel protocol around the engine steps.
#include "app/Form3.h"
#include "app/ReportToolTips.h"
#include "app/run/RunSteps.h"
#include "app/run/SearchRun.h"
#include "dialogs/Prompts.h"
#include "rank/ImageProblem.h"
#include "report/ui/ReportListView.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTreeWidget>

namespace lis {

namespace {

MessageIcon refusalIcon(RunRefusal refusal)
{
    return refusal == RunRefusal::BlankKeyword ? MessageIcon::Information : MessageIcon::Warning;
}

} // namespace

// What a run tells the window: the status texts of its phases, the live event loop between
// entries, and the cancel flag and its clean-up.
class Form3::RunView final : public RunObserver
{
public:
    explicit RunView(Form3 &window)
        : m_window(window)
    { }

    void phaseStarted(Phase phase, qsizetype) override
    {
        switch (phase) {
        case Phase::Searching:
            m_window.StatusBar1->showMessage(searchingStatus);
            m_window.ClearReportList();
            break;
        case Phase::Ranking:
            break;
        case Phase::Reporting:
            m_window.StatusBar1->showMessage(rankingStatus);
            m_window.ClearReportList();
            m_window.List1.clear();
            break;
        }
    }
    void progressed(Phase, qsizetype) override { }
    void keepAlive() override { m_window.m_yield(); }
    bool cancelRequested() override { return m_window.CancelRequested; }
    void cancelNoticed() override { m_window.cancelCleanup(); }

private:
    Form3 &m_window;
};

void Form3::cancelCleanup()
{
    StatusBar1->clearMessage();
    isButton4->setEnabled(false);
    vkTextBox3->setReadOnly(false);
}

void Form3::enableStartControls()
{
    for (isButton *button : { isButton2, isButton1, isButton8 })
        button->setEnabled(true);
}

void Form3::restoreAfterCancel()
{
    enableStartControls();
    cancelCleanup();
}

void Form3::runSearch()
{
    // A run never starts while another is under way (Enter in the locked keyword box included).
    if (m_running || !isButton2->isEnabled())
        return;
    const QString keyword = vkTextBox3->text();
    const QString location = vkTextBox1->text();
    if (const RunRefusal refusal = checkRunInput(keyword, location); refusal != RunRefusal::None) {
        m_context.prompts.message(productCaption, refusalText(refusal), refusalIcon(refusal));
        if (refusal == RunRefusal::BlankKeyword)
            vkTextBox3->setFocus();
        return;
    }
    m_running = true;
    runSteps(keyword, location);
    m_running = false;
    emit runFinished();
    if (m_closeAfterRun)
        close();
}

void Form3::runSteps(const QString &keyword, const QString &location)
{
    List1.clear();
    List2.clear();
    List3.clear();
    m_results.reset();
    reportToolTips()->clear();

    isButton4->setEnabled(true);
    StatusBar1->clearMessage();
    for (isButton *button : { isButton2, isButton1, isButton8, isButton6, isButton5 })
        button->setEnabled(false);
    vkTextBox3->setReadOnly(true);
    isButton7->setEnabled(false);
    clearThumbnails();
    CancelRequested = false;
    m_yield.now();

    RunView view(*this);
    const RunOutcome outcome
        = m_search->run({ keyword, { location }, walkOptionsFrom(m_context.settings), {} }, view);
    List2 = outcome.List2;
    List3 = outcome.List3;
    PagePosition = 0;
    switch (outcome.end) {
    case RunOutcome::End::Finished:
        break;
    case RunOutcome::End::WorkFilesFailed:
    case RunOutcome::End::StoreFailed:
        // The program's own files, not the pictures: said once, and the run ends as a cancel.
        m_context.prompts.message(productCaption, outcome.message, MessageIcon::Warning);
        restoreAfterCancel();
        return;
    case RunOutcome::End::Cancelled:
        restoreAfterCancel();
        return;
    }

    showResults(outcome.results);
    if (ListView2->topLevelItemCount() > 0)
        ListView2->setCurrentItem(ListView2->topLevelItem(0));
    LoadPics();
    StatusBar1->showMessage(resultCountText(List1.size()));
    isButton6->setEnabled(false);
    if (List1.isEmpty()) {
        clearThumbnails();
        if (!CancelRequested)
            m_context.prompts.message(productCaption, noResultsText(keyword), MessageIcon::Warning);
    }
    enableStartControls();
    vkTextBox3->setReadOnly(false);
    FitReportColumns();
    isButton4->setEnabled(false);
    if (!List1.isEmpty())
        isButton7->setEnabled(true);
}

void Form3::cancelClicked()
{
    if (isButton2->isEnabled())
        return;
    if (m_context.prompts.ask(productCaption, QStringLiteral("Are you sure you want to cancel?")))
        CancelRequested = true;
}

QString Form3::explainResult(int row)
{
    if (row < 0 || row >= List1.size() || !m_results)
        return {};
    return explainOutcome(m_results->outcomeFor(List1[row]));
}

ReportToolTips *Form3::reportToolTips()
{
    if (!m_reportToolTips)
        m_reportToolTips
            = new ReportToolTips(ListView2, [this](int row) { return explainResult(row); });
    return m_reportToolTips;
}

bool Form3::ShowReport()
{
    ClearReportList();
    List1.clear();
    RunView view(*this);
    showResults(m_search->report(view));
    return !m_results->reportStopped;
}

void Form3::showResults(std::shared_ptr<const RunResults> results)
{
    m_results = std::move(results);
    fillReportList(ListView2, m_results->rows);
    List1 = m_results->List1;
}

} // namespace lis
