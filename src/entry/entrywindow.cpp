#include "entry/entrywindow.h"

#include "app/btn_functions.h"
#include "data/datamodule.h"
#include "data/db_functions.h"
#include "data/globals.h"

#include <QCloseEvent>

namespace nettora {

QWidget *openPersonalInformation()
{
    ClientWindowMode = QStringLiteral("Edit");
    return OpenClientInformationWindow();
}

EntryWindow::EntryWindow(QWidget *parent) : ScreenFrame(false, parent)
{
    setPageTop(81);
}

EntryPage *EntryWindow::addEntryPage(PageSpec page)
{
    auto *p = new EntryPage(std::move(page));
    connect(p, &EntryPage::previewRequested, this, [this] { ShowStatementPreview(this); });
    addPage(p);
    m_pages.push_back(p);
    return p;
}

EntryPage *EntryWindow::page(int number) const
{
    for (EntryPage *p : m_pages)
        if (p->description().number == number)
            return p;
    return nullptr;
}

EntryPage *EntryWindow::activePage() const
{
    return qobject_cast<EntryPage *>(currentPage());
}

void EntryWindow::discardPending()
{
    for (EntryPage *p : m_pages)
        p->discardPending();
}

void EntryWindow::openEntryPage(int number)
{
    EntryPage *p = page(number);
    if (!p)
        return;
    // A row left half-typed on the page being left is dropped, never saved
    // without its checks and keys.
    discardPending();
    EntryMode = QStringLiteral("Open");
    FilterStatementTables(CurrentClientId(), CurrentStatementId());
    if (p->description().recalc)
        p->description().recalc();
    p->applyState();
    openPage(p);
    p->pageShown();
}

void EntryWindow::openFirst(int number)
{
    setWindowTitle(PreparerDisplayName());
    openEntryPage(number);
}

HoverLabel *EntryWindow::linkToPage(const QString &caption, int number)
{
    HoverLabel *link = addSideLink(caption, page(number), [this, number] {
        // The frame has shown the page already; run the rest of its opening.
        openEntryPage(number);
    });
    return link;
}

HoverLabel *EntryWindow::linkToWindow(const QString &caption, std::function<QWidget *()> open)
{
    return addSideLink(caption, nullptr, [this, open] {
        discardPending();
        EntryMode = QStringLiteral("Open");
        if (open())
            close();
    });
}

HoverLabel *EntryWindow::heading(const QString &caption)
{
    return addSideLink(caption);
}

void EntryWindow::leave()
{
    discardPending();
    EntryMode = QStringLiteral("Open");
    ScreenFrame::leave();
}

void EntryWindow::closeEvent(QCloseEvent *event)
{
    discardPending();
    EntryMode = QStringLiteral("Open");
    ScreenFrame::closeEvent(event);
}

}  // namespace nettora
