// The main window's ranked report, thumbnail pages and preview.

#include "app/Form3.h"
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
    if (m_results && putPreviewOnClipboard(List1, m_pager.position(index), m_results->copies))
        showSplashFromClipboard();
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
    isButton5->setEnabled(m_pager.nextEnabled());
    isButton6->setEnabled(m_pager.previousEnabled());
    PagePosition = m_pager.pagePosition();
}

} // namespace lis
