#pragma once
// A data-entry window: the screen frame with one EntryPage per schedule and
// the side links to the pages and to the other entry windows. The assets,
// liabilities and income windows differ only in their page descriptions and
// links.

#include "kit/frame.h"
#include "entry/entrypage.h"

#include <vector>

namespace nettora {

class EntryWindow : public ScreenFrame {
    Q_OBJECT
public:
    explicit EntryWindow(QWidget *parent = nullptr);

    EntryPage *page(int number) const;
    EntryPage *activePage() const;
    const std::vector<EntryPage *> &pages() const { return m_pages; }

    // Opens page N as its side link does: refilter, recalculate, browse.
    void openEntryPage(int number);
    // Where something is to be mended: page N opened as its side link does
    // (unless it shows already), the row with that id selected, and, when a
    // field is named, that row in edit with the focus in the field's editor.
    void showRow(int number, qint64 row, const QString &field = QString());

    // The client and statement the window shows, taken from the current
    // statement as the window opens; every refilter and write uses these.
    QString clientId() const { return m_clientId; }
    QString statementId() const { return m_statementId; }

protected:
    // Builds the pages; call from the derived constructor, then link them.
    EntryPage *addEntryPage(PageSpec page);
    HoverLabel *linkToPage(const QString &caption, int number);
    // A link to another window: opens it, closes this window when it opened.
    HoverLabel *linkToWindow(const QString &caption, std::function<QWidget *()> open);
    // What such a link does: the next window opens on this window's
    // statement, and this one closes; false, with the engine's message shown,
    // when the other did not open.
    bool leaveTo(const std::function<QWidget *()> &open);
    HoverLabel *heading(const QString &caption);
    // The window opens on this page: refilter, and its recalculation unless
    // the page is to show the total the statement row holds.
    void openFirst(int number, bool recalculate = true);
    // The window takes the current statement as its own (caption, keys of
    // its pages); openFirst starts with it, a window without entry pages
    // calls it alone.
    void takeCurrentStatement();

    // Runs once, the first time the window shows: the window opens its page.
    virtual void firstShown() {}
    void showEvent(QShowEvent *event) override;
    void leave() override;
    std::optional<PendingInput> pendingInput() override;
    void closeEvent(QCloseEvent *event) override;
    bool isClosed() const { return m_closed; }
    // Menu entries clear the shared filters; a window that stays takes its
    // own statement back, with a row being typed still in edit.
    void menuAction(Entry e) override;
    // Every table narrowed to the window's own client and statement.
    void narrowToOwnStatement();

private:
    void showEntryPage(int number, bool recalculate);
    std::vector<EntryPage *> m_pages;
    QString m_clientId, m_statementId;
    bool m_opened = false;
    bool m_closed = false;
};

// "Personal Information" and the section links that every entry window has.
QWidget *openPersonalInformation();

}  // namespace nettora
