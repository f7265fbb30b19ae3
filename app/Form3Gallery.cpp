// The main window's ranked report, thumbnail pages and preview.

#include "app/Form3.h"
#include "app/FrmSplash.h"
#include "core/FileNames.h"
#include "core/UserFile.h"
#include "dialogs/Prompts.h"
#include "report/Gallery.h"
#include "report/ReportModel.h"
#include "report/ui/DoubleClickWatcher.h"
#include "report/ui/ReportListView.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QStatusBar>
#include <QTreeWidget>

namespace lis {

void Form3::connectGallery()
{
    connect(isButton5, &isButton::clicked, this, &Form3::nextClicked);
    connect(isButton6, &isButton::clicked, this, &Form3::LoadPreviousPics);
    auto *watcher = new DoubleClickWatcher(this);
    for (int index = 0; index < ThumbnailPager::slotCount; ++index)
        watcher->watch(Picture1[std::size_t(index)], index);
    connect(watcher, &DoubleClickWatcher::doubleClicked, this, &Form3::Picture1_DblClick);
}

void Form3::ClearReportList()
{
    lis::ClearReportList(ListView2);
}

void Form3::FitReportColumns()
{
    lis::FitReportColumns(ListView2);
}

void Form3::clearThumbnails()
{
    m_pager.reset();
    showPage({ { { true, ThumbnailPager::noEntry }, { true, ThumbnailPager::noEntry },
        { true, ThumbnailPager::noEntry } } });
}

void Form3::LoadPics(int selected)
{
    const auto resultExists = [this](int entry) {
        if (entry < 0 || entry >= List1.size())
            return false;
        const auto info = statPath(List1.at(entry), true);
        return info && S_ISREG(info->st_mode);
    };
    showPage(m_pager.LoadPics(int(List1.size()), selected, resultExists));
}

void Form3::nextClicked()
{
    ThumbnailPager::Changes changes;
    if (m_pager.nextClicked(&changes) == ThumbnailPager::NextOutcome::EndOfList)
        m_context.prompts.message(QStringLiteral("End"),
            ThumbnailPager::endOfListText(m_pager.count()), MessageIcon::Information);
    showPage(changes);
}

void Form3::LoadNextPics()
{
    showPage(m_pager.LoadNextPics());
}

void Form3::LoadPreviousPics()
{
    showPage(m_pager.LoadPreviousPics());
}

void Form3::Picture1_DblClick(int index)
{
    if (index < 0 || index >= ThumbnailPager::slotCount)
        return;
    previewEntry(m_pager.position(index) - 1);
}

bool Form3::previewEntry(int entry)
{
    if (!m_results || entry < 0 || entry >= List1.size())
        return false;
    if (!resultStillThere(List1.at(entry)))
        return false;
    if (splash()->showResult(m_results, entry))
        return true;
    m_context.prompts.message(productCaption,
        QStringLiteral("The picture of this result cannot be shown:\n%1")
            .arg(displayPath(List1.at(entry))),
        MessageIcon::Warning);
    return false;
}

void Form3::showPage(const ThumbnailPager::Changes &changes)
{
    const std::array<QLabel *, ThumbnailPager::slotCount> captions { Label2, Label6, Label7 };
    for (int slot = 0; slot < ThumbnailPager::slotCount; ++slot) {
        const ThumbnailPager::SlotChange &change = changes[std::size_t(slot)];
        QLabel *box = Picture1[std::size_t(slot)];
        if (change.changed) {
            const QImage thumbnail = m_results && change.entry >= 0 && change.entry < List1.size()
                ? loadThumbnail(m_results->copies, List1.at(change.entry))
                : QImage();
            if (thumbnail.isNull())
                box->clear();
            else
                box->setPixmap(QPixmap::fromImage(thumbnail));
        }
        captions[std::size_t(slot)]->setText(m_pager.caption(slot));
    }
    // The button that stays enabled is enabled first, so it can take the focus of the other.
    const bool next = m_pager.nextEnabled();
    const bool previous = m_pager.previousEnabled();
    if (next)
        isButton5->setEnabled(true);
    if (previous)
        isButton6->setEnabled(true);
    if (!next)
        disableKeepingFocus(isButton5, { isButton6 });
    if (!previous)
        disableKeepingFocus(isButton6, { isButton5 });
    PagePosition = m_pager.pagePosition();
}

void Form3::disableKeepingFocus(QWidget *control, std::initializer_list<QWidget *> heirs)
{
    if (control->window()->focusWidget() == control) {
        QWidget *heir = ListView2;
        for (QWidget *candidate : heirs) {
            if (candidate->isEnabled()) {
                heir = candidate;
                break;
            }
        }
        heir->setFocus(Qt::OtherFocusReason);
    }
    control->setEnabled(false);
}

} // namespace lis
