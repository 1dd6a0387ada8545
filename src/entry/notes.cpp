#include "entry/notes.h"

#include "kit/btn_functions.h"
#include "entry/page_parts.h"

namespace nettora {

PageSpec notesPage()
{
    PageSpec p;
    p.number = 2;  // b2Add, d2_1: the names the notes page has always had
    p.name = QStringLiteral("tsNotes");
    p.title = QStringLiteral("Notes");
    p.table = QStringLiteral("Notes");
    p.order = QStringLiteral("DESCRIPTION");
    p.columns = {pageparts::text("Description", "Description", 350)};
    p.editors = {pageparts::ed(QStringLiteral("d2_1"), "* Note Description:", "Description"),
                 pageparts::ed(QStringLiteral("d2_2"), "* Note:", "Details", EditorKind::Memo)};
    p.focusEditor = QStringLiteral("d2_1");
    // A text of nothing but line breaks is a text: only an empty one is refused.
    p.checks = {pageparts::required(QStringLiteral("d2_1"), "Note Description"),
                pageparts::required(QStringLiteral("d2_2"), "Note Details")};
    p.deleteQuestion = pageparts::deleteQuestion("You have selected to DELETE the note ");
    return p;
}

TfrmNotes::TfrmNotes(QWidget *parent) : EntryWindow(parent)
{
    setObjectName(QStringLiteral("TfrmNotes"));
    EntryPage *notes = addEntryPage(notesPage());
    linkToWindow(QStringLiteral("   Personal Information"), openPersonalInformation)->setObjectName(QStringLiteral("s1"));
    linkToWindow(QStringLiteral("   Assets"), OpenAssetsWindow)->setObjectName(QStringLiteral("s2"));
    linkToWindow(QStringLiteral("   Liabilities"), OpenLiabilitiesWindow)->setObjectName(QStringLiteral("s3"));
    linkToWindow(QStringLiteral("   Income"), OpenIncomeWindow)->setObjectName(QStringLiteral("s6"));
    linkToWindow(QStringLiteral("   Expenses"), OpenExpensesWindow)->setObjectName(QStringLiteral("s5"));
    linkToWindow(QStringLiteral("   Legal"), OpenLegalWindow)->setObjectName(QStringLiteral("s4"));
    // The heading of this window, lit while its page shows; a click does nothing.
    HoverLabel *own = addSideLink(QStringLiteral("   Notes"), notes);
    own->setObjectName(QStringLiteral("s7"));
    own->setFocusPolicy(Qt::NoFocus);
}

void TfrmNotes::firstShown()
{
    openFirst(2);
}

}  // namespace nettora
