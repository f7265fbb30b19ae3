// The search-and-rank run of the main window: validation, control states, status texts and the
// cancel protocol around the engine steps.
#include "app/Form3.h"
#include "app/ReportToolTips.h"
#include "app/run/RunSteps.h"
#include "core/RunHooks.h"
#include "dialogs/Prompts.h"
#include "rank/ImageProblem.h"
#include "rank/RankLibrary.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTreeWidget>

namespace lis {

namespace {

// Events are processed at most this often during a run: enough to keep the window live and the
// Cancel button working, without paying for an event loop pass per directory entry.
constexpr qint64 yieldIntervalMs = 10;

MessageIcon refusalIcon(RunRefusal refusal)
{
    return refusal == RunRefusal::BlankKeyword ? MessageIcon::Information : MessageIcon::Warning;
}

} // namespace

RunHooks Form3::makeRunHooks()
{
    RunHooks hooks;
    hooks.yield = [this] {
        if (!m_sinceYield.isValid() || m_sinceYield.elapsed() >= yieldIntervalMs) {
            QCoreApplication::processEvents();
            m_sinceYield.start();
        }
    };
    hooks.cancelRequested = [this] { return CancelRequested; };
    hooks.cancelCleanup = [this] { cancelCleanup(); };
    return hooks;
}

void Form3::cancelCleanup()
{
    StatusBar1->clearMessage();
    isButton4->setEnabled(false);
    vkTextBox3->setReadOnly(false);
}

void Form3::yieldNow()
{
    QCoreApplication::processEvents();
    m_sinceYield.start();
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
    lastRun = {};
    reportToolTips()->clear();

    isButton4->setEnabled(true);
    StatusBar1->clearMessage();
    for (isButton *button : { isButton2, isButton1, isButton8, isButton6, isButton5 })
        button->setEnabled(false);
    vkTextBox3->setReadOnly(true);
    isButton7->setEnabled(false);
    clearThumbnails();
    CancelRequested = false;
    yieldNow();

    StatusBar1->showMessage(searchingStatus);
    ClearReportList();
    const RunHooks hooks = makeRunHooks();
    const RunEngine engine { m_context.paths, walkOptionsFrom(m_context.settings), m_context.store,
        rankLibrary() };
    findImageFiles(engine, location, keyword, List2, List3, hooks);
    PagePosition = 0;
    if (CancelRequested) {
        restoreAfterCancel();
        return;
    }

    if (const auto error = prepareRanking(engine, resultsCopies)) {
        m_context.prompts.message(productCaption,
            error->message() + QStringLiteral(" The search was stopped."), MessageIcon::Warning);
        restoreAfterCancel();
        return;
    }
    lastRun = rankFoundFiles(engine, List3, resultsCopies, hooks);
    if (lastRun.writeFailure) {
        // The program's own files, not the pictures: said once, and the run ends as a cancel.
        m_context.prompts.message(
            productCaption, writeFailureMessage(*lastRun.writeFailure), MessageIcon::Warning);
        restoreAfterCancel();
        return;
    }
    if (CancelRequested) {
        restoreAfterCancel();
        return;
    }

    StatusBar1->showMessage(rankingStatus);
    ShowReport();
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
    if (row < 0 || row >= List1.size())
        return {};
    const QString &path = List1[row];
    const FileOutcome *outcome = lastRun.find(path);
    if (outcome && outcome->problem != ImageProblem::None)
        return QStringLiteral("Not ranked: %1").arg(describeProblem(outcome->problem));
    if (outcome && !outcome->ranked)
        return QStringLiteral("Not ranked: the ranking library is not available.");
    const QString copy = resultsCopies.copyFor(path);
    const auto scores = copy.isEmpty() ? std::nullopt : rankLibrary().imageRankDetails(copy, path);
    if (!scores || scores->rank == 0)
        return QStringLiteral("Not ranked: the ranking library could not judge this image.");
    const auto percent = [](double v) { return QString::number(qRound(qBound(0.0, v, 100.0))); };
    return QStringLiteral("Sharpness %1\nNoise %2\nExposure %3\nContrast %4\nCompression %5\n"
                          "(100 is best)")
        .arg(percent(scores->sharpness), percent(scores->noise), percent(scores->exposure),
            percent(scores->contrast), percent(scores->compression));
}

ReportToolTips *Form3::reportToolTips()
{
    if (!m_reportToolTips)
        m_reportToolTips
            = new ReportToolTips(ListView2, [this](int row) { return explainResult(row); });
    return m_reportToolTips;
}

RankLibrary &Form3::rankLibrary()
{
    if (!m_rankLibrary)
        m_rankLibrary = std::make_unique<RankLibrary>(m_context.paths.appFolder());
    return *m_rankLibrary;
}

} // namespace lis
