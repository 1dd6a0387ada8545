// The workspace's add page (a new statement for the client) and update
// page (the selected statement rolled forward to a new date).
#include "app/fsmain.h"

#include "kit/app_state.h"
#include "kit/dialogs.h"
#include "calc/section_totals.h"
#include "data/datamodule.h"
#include "data/dates.h"
#include "data/db_functions.h"

namespace nettora {

void TfrmFSMain::beginAddRow()
{
    releaseRow();
    Table *statements = dm1->tblNettora;
    if (m_addOnExisting)
        statements->edit();  // on an empty list this begins a new row
    else
        statements->append();
}

void TfrmFSMain::showAddPage()
{
    beginAddRow();
    m_binder.load();
    openPage(tsAdd);
    addDate->setFocus();
}

void TfrmFSMain::addLinkClick()
{
    m_addOnExisting = false;
    guarded([this] { showAddPage(); });
}

void TfrmFSMain::addOkClick()
{
    Table *statements = dm1->tblNettora;
    try {
        if (statements->state() == RecordState::Browse)
            beginAddRow();
        m_binder.store(statements);
        if (statements->asString("Date").isEmpty()) {
            dialogs().error(QStringLiteral("Please enter the reporting date."));
            addDate->setFocus();
            return;
        }
        const QString date = fullDateText(statements->asString("Date"));
        if (date.isEmpty()) {
            dialogs().error(statementDateRefusal(statements->asString("Date")));
            addDate->setFocus();
            return;
        }
        statements->setAsString("Date", date);
        if (statements->asString("Description").isEmpty()) {
            dialogs().error(QStringLiteral("Please enter a description."));
            addDescription->setFocus();
            return;
        }
        FillEmptyTotals();
        // The statement belongs to the client this window was opened for,
        // whatever row the client table was left on.
        statements->setAsString("ClientId", m_clientId.isEmpty() ? dm1->tblClient->asString("Id") : m_clientId);
        statements->post();
    } catch (const EngineError &e) {
        dialogs().error(e.text());
        return;
    }
    showSelectPage();
}

void TfrmFSMain::addCancelClick()
{
    releaseRow();
    showSelectPage();
}

void TfrmFSMain::showUpdatePage()
{
    updateDate->clear();
    updateDescription->clear();
    openPage(tsUpdate);
    updateDate->setFocus();
}

void TfrmFSMain::updateOkClick()
{
    if (updateDate->text().isEmpty()) {
        dialogs().error(QStringLiteral("Please enter the reporting date."));
        updateDate->setFocus();
        return;
    }
    const QString date = fullDateText(updateDate->text());
    if (date.isEmpty()) {
        dialogs().error(statementDateRefusal(updateDate->text()));
        updateDate->setFocus();
        return;
    }
    if (updateDescription->text().isEmpty()) {
        dialogs().error(QStringLiteral("Please enter a description."));
        updateDescription->setFocus();
        return;
    }
    const QString description = updateDescription->text();
    releaseRow();
    const QString source = dm1->tblNettora->asString("Id");
    if (!guarded([&] { CopyStatement(date, description); })) {
        // The copy was undone as a whole; the page stays on its statement.
        if (!source.isEmpty())
            narrowToStatement(source);
        return;
    }
    m_narrowedStatement.clear();
    appState().clientMode = ClientMode::Edit;
    dialogs().confirmation(QStringLiteral("The financial statement was successfully updated."));
    mButtons();
    showSelectPage();
}

void TfrmFSMain::updateCancelClick()
{
    // Cancel on the update page abandons the roll-forward and returns to
    // the list, as the add page's Cancel does: the user is still choosing a
    // statement of this client, so going home would throw that away.
    const QString source = dm1->tblNettora->asString("Id");
    narrowToClient();
    showSelectPage();
    if (!source.isEmpty() && dm1->tblNettora->bookmarkValid(source.toLongLong())) {
        dm1->tblNettora->gotoBookmark(source.toLongLong());
        dbClient->syncFromCursor();
        updatePanel();
    }
}

}  // namespace nettora
