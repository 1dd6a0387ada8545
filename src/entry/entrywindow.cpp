#include "entry/entrywindow.h"

#include "kit/btn_functions.h"
#include "kit/dialogs.h"
#include "data/datamodule.h"
#include "data/db_functions.h"
#include "kit/app_state.h"

#include <QCloseEvent>

namespace nettora {

QWidget *openPersonalInformation()
{
    appState().clientMode = ClientMode::Edit;
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

void EntryWindow::openEntryPage(int number)
{
    showEntryPage(number, true);
}

void EntryWindow::showRow(int number, qint64 row, const QString &field)
{
    if (!page(number))
        return;
    if (activePage() != page(number))
        openEntryPage(number);
    EntryPage *p = activePage();
    if (p != page(number))
        return;
    bool selected = false;
    if (!guarded([&] { selected = p->selectRowId(row); }) || !selected)
        return;
    QWidget *editor = p->editorOfField(field);
    if (!editor)
        return;
    p->editClick();
    if (editor->isVisibleTo(p) && editor->isEnabled())
        editor->setFocus(Qt::OtherFocusReason);
}

void EntryWindow::showEntryPage(int number, bool recalculate)
{
    EntryPage *p = page(number);
    if (!p)
        return;
    // Narrowing drops a row left half-typed on the page being left: it is
    // never saved without its checks and keys.
    appState().entry = EntryState::Open;
    narrowToOwnStatement();
    if (recalculate && p->description().recalc)
        p->description().recalc();
    p->applyState();
    openPage(p);
    p->pageShown();
}

void EntryWindow::narrowToOwnStatement()
{
    FilterStatementTables(m_clientId, m_statementId);
}

void EntryWindow::takeCurrentStatement()
{
    setWindowTitle(WindowCaption());
    m_clientId = CurrentClientId();
    m_statementId = CurrentStatementId();
    for (EntryPage *p : m_pages)
        p->setStatement(m_clientId, m_statementId);
}

void EntryWindow::openFirst(int number, bool recalculate)
{
    takeCurrentStatement();
    showEntryPage(number, recalculate);
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
    return addSideLink(caption, nullptr, [this, open] { leaveTo(open); });
}

bool EntryWindow::leaveTo(const std::function<QWidget *()> &open)
{
    appState().entry = EntryState::Open;
    // The next window opens on this window's statement; narrowing drops a
    // row being typed.
    if (!guarded([this] { narrowToOwnStatement(); }))
        return false;
    if (!open())
        return false;
    close();
    return true;
}

HoverLabel *EntryWindow::heading(const QString &caption)
{
    HoverLabel *title = addSideLink(caption);
    title->setFocusPolicy(Qt::NoFocus);  // a title over its links: nothing to press
    return title;
}

void EntryWindow::showEvent(QShowEvent *event)
{
    ScreenFrame::showEvent(event);
    if (!m_opened) {
        m_opened = true;
        firstShown();
    }
}

void EntryWindow::leave()
{
    appState().entry = EntryState::Open;
    ScreenFrame::leave();
}

std::optional<ScreenFrame::PendingInput> EntryWindow::pendingInput()
{
    EntryPage *p = activePage();
    if (!p || !dm1 || !p->hasTypedChanges())
        return std::nullopt;
    return PendingInput{p->description().title,
                        [p] {
                            p->okClick();
                            const RecordState s = p->table()->state();
                            return s != RecordState::Edit && s != RecordState::Insert;
                        },
                        [p] { p->cancelClick(); }};
}

void EntryWindow::menuAction(Entry e)
{
    // Clearing the filters, or the narrowing below, drops a row being typed.
    // If this window stays, the row is taken up again; the editors keep what
    // was typed.
    EntryPage *page = activePage();
    Table *t = page ? page->table() : nullptr;
    const RecordState pending = t ? t->state() : RecordState::Inactive;
    const bool editing = pending == RecordState::Edit || pending == RecordState::Insert;
    const qint64 row = pending == RecordState::Edit ? t->bookmark() : 0;
    ScreenFrame::menuAction(e);
    if (m_closed)
        return;
    if (editing) {
        // The page narrows to the statement (the window's) itself.
        page->resumeEditing(pending == RecordState::Insert, row);
        return;
    }
    guarded([&] {
        narrowToOwnStatement();
        if (!page)
            return;
        page->pageShown();
        page->applyState();
    });
}

void EntryWindow::closeEvent(QCloseEvent *event)
{
    m_closed = true;
    appState().entry = EntryState::Open;
    ScreenFrame::closeEvent(event);
}

}  // namespace nettora
