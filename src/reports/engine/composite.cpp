#include "reports/engine/composite.h"

#include "reports/engine/preview_window.h"

namespace nettora::reports {

void CompositeReport::prepare()
{
    m_reports.clear();
    m_pages.clear();
    if (onAddReports)
        onAddReports(*this);
    const double reserve = numbered ? footerHeight(footer) : 0;
    for (Report *r : m_reports) {
        r->page.footerHeight = reserve;
        r->prepare();
        m_pages.insert(m_pages.end(), r->pages().begin(), r->pages().end());
        // The composite holds the pages now (pictures share their data).
        r->releasePages();
    }
    if (numbered)
        addFooters(m_pages, footer);
}

void CompositeReport::preview(QWidget *parent)
{
    prepare();
    PreviewWindow window(m_pages, parent);
    if (onNotes)
        window.setNotes(onNotes());
    window.exec();
}

}  // namespace nettora::reports
