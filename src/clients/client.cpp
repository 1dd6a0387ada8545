#include "clients/client.h"

#include "kit/btn_functions.h"
#include "kit/dialogs.h"
#include "kit/pagetext.h"
#include "data/datamodule.h"
#include "data/db_functions.h"
#include "data/filter.h"
#include "kit/app_state.h"

#include <QCloseEvent>
#include <QSignalBlocker>

namespace nettora {

namespace {

const QString kPickClient = QStringLiteral("Please select a client to work with.");
const QString kNoStatements = QStringLiteral("There are no financial statements available for this client.");
const QString kNothingToDelete = QStringLiteral("No financial statements available to delete.");

std::vector<GridColumn> clientColumns()
{
    return {{QStringLiteral("FullName"), QStringLiteral("Select Client"), 0}};
}

}  // namespace

TfrmClient::TfrmClient(QWidget *parent) : ScreenFrame(false, parent)
{
    using namespace pagetext;
    setObjectName(QStringLiteral("TfrmClient"));
    Table *clients = dm1->tblClient;

    tsClient = new QWidget;
    tsClient->setObjectName(QStringLiteral("tsClient"));
    lblHeader = heading(tsClient, QStringLiteral("Select a Client "), 6);
    lblHeader->setObjectName(QStringLiteral("lblHeader"));
    lblClientName = nameInHeading(tsClient, QStringLiteral("lblClientName"), 6);
    caption(tsClient, QStringLiteral("Client Search:"), 12, 43, 95);
    edClientSearch = new QLineEdit(tsClient);
    edClientSearch->setObjectName(QStringLiteral("edClientSearch"));
    edClientSearch->setGeometry(110, 40, 200, 22);
    bReset = button(tsClient, QStringLiteral("Reset"), QStringLiteral("bReset"), 318, 38);
    dbClient = new DbGrid(clients, clientColumns(), tsClient);
    dbClient->setObjectName(QStringLiteral("dbClient"));
    dbClient->setGeometry(12, 72, PageWidth - 24, 306);
    bOK = button(tsClient, QStringLiteral("OK"), QStringLiteral("bOK"), PageWidth - 92, 390);
    bOK->setDefault(true);

    tsDeleteSelect = new QWidget;
    tsDeleteSelect->setObjectName(QStringLiteral("tsDeleteSelect"));
    heading(tsDeleteSelect, QStringLiteral("Delete Financial Statement"), 6);
    line(tsDeleteSelect,
         QStringLiteral("To delete a financial statement - select a \"client\" below and click on \"OK\""), 12, 32);
    caption(tsDeleteSelect, QStringLiteral("Client Search:"), 12, 55, 95);
    edClientDelete = new QLineEdit(tsDeleteSelect);
    edClientDelete->setObjectName(QStringLiteral("edClientDelete"));
    edClientDelete->setGeometry(110, 52, 200, 22);
    bResetDelete = button(tsDeleteSelect, QStringLiteral("Reset"), QStringLiteral("bResetDelete"), 318, 50);
    dbDeleteClient = new DbGrid(clients, clientColumns(), tsDeleteSelect);
    dbDeleteClient->setObjectName(QStringLiteral("dbDeleteClient"));
    dbDeleteClient->setGeometry(12, 82, PageWidth - 24, 176);
    bCancelDelete = button(tsDeleteSelect, QStringLiteral("Cancel"), QStringLiteral("bCancelDelete"), PageWidth - 180, 264);
    bOKDelete = button(tsDeleteSelect, QStringLiteral("OK"), QStringLiteral("bOKDelete"), PageWidth - 92, 264);
    bOKDelete->setDefault(true);
    heading(tsDeleteSelect, QStringLiteral("Delete Client"), 302);
    int y = 330;
    for (const char *text :
         {"To delete a \"client\" and all of the financial statements associated with that \"client\", please click on ",
          "the \"Delete\" button below.  It is important to note that once this \"client\" has been deleted - any  ",
          "associated data will be lost permanently."}) {
        line(tsDeleteSelect, QString::fromLatin1(text), 12, y);
        y += 14;
    }
    bDelete = button(tsDeleteSelect, QStringLiteral("Delete"), QStringLiteral("bDelete"), PageWidth - 92, 390);

    addPage(tsClient);
    addPage(tsDeleteSelect);
    addClientLink = addSideLink(QStringLiteral("   Add New Client"), nullptr, [this] {
        appState().clientMode = ClientMode::Add;
        if (OpenClientInformationWindow())
            close();
    });
    addClientLink->setObjectName(QStringLiteral("s1"));
    blankStatementLink =
        addSideLink(QStringLiteral("   Print Blank Statement"), nullptr, [] { OpenBlankStatementWindow(); });
    blankStatementLink->setObjectName(QStringLiteral("s2"));

    connect(edClientSearch, &QLineEdit::textChanged, this, &TfrmClient::applySearch);
    connect(edClientDelete, &QLineEdit::textChanged, this, &TfrmClient::applySearch);
    connect(bReset, &QPushButton::clicked, this, [this] { reset(edClientSearch); });
    connect(bResetDelete, &QPushButton::clicked, this, [this] { reset(edClientDelete); });
    connect(bOK, &QPushButton::clicked, this, &TfrmClient::bOKClick);
    connect(bOKDelete, &QPushButton::clicked, this, &TfrmClient::bOKDeleteClick);
    // Enter in a search box reaches OK as the default button; a double-click
    // or Enter on a client chooses it as OK does.
    connect(dbClient, &DbGrid::rowOpened, this, &TfrmClient::bOKClick);
    connect(dbDeleteClient, &DbGrid::rowOpened, this, &TfrmClient::bOKDeleteClick);
    connect(bDelete, &QPushButton::clicked, this, &TfrmClient::bDeleteClick);
    connect(bCancelDelete, &QPushButton::clicked, this, &TfrmClient::showHome);
    for (DbGrid *g : {dbClient, dbDeleteClient})
        connect(g, &DbGrid::rowChanged, this, &TfrmClient::showClientName);

    clients->setIndexName(QStringLiteral("LF"));
    clients->first();
    if (appState().clientMode == ClientMode::Delete) {
        showDeletePage();
        addClientLink->hide();
        blankStatementLink->hide();
        return;
    }
    showClientPage();
    const bool add = appState().clientMode == ClientMode::Add;
    if (!add)
        lblHeader->setText(QStringLiteral("Select Client to ") + modeWord(appState().clientMode));
    addClientLink->setVisible(add);
    blankStatementLink->setVisible(appState().clientMode == ClientMode::Print);
    if (blankStatementLink->isVisibleTo(this))
        blankStatementLink->move(addClientLink->pos());  // the only link stands at the top
}

void TfrmClient::showClientPage()
{
    dm1->tblClient->setIndexName(QStringLiteral("LF"));
    openPage(tsClient);
    refreshLists();
    edClientSearch->setFocus();
}

void TfrmClient::showDeletePage()
{
    dm1->tblClient->setIndexName(QStringLiteral("LF"));
    openPage(tsDeleteSelect);
    refreshLists();
    edClientDelete->setFocus();
}

void TfrmClient::applySearch()
{
    const bool deletePage = currentPage() == tsDeleteSelect;
    const QString typed = (deletePage ? edClientDelete : edClientSearch)->text();
    Table *clients = dm1->tblClient;
    guarded([&] {
        if (typed.isEmpty()) {
            clients->setFiltered(false);
        } else {
            // Only the trailing * is a wildcard; quotes, % and _ typed by the
            // user are matched as they are.
            const QString field = deletePage ? QStringLiteral("FirstName") : QStringLiteral("LastName");
            clients->setFilter(QStringLiteral("Lower(%1) = ").arg(field) + filterText(foldCase(typed) + QLatin1Char('*')));
            clients->setFiltered(true);
        }
    });
    refreshLists();
}

void TfrmClient::reset(QLineEdit *search)
{
    dm1->tblClient->setFiltered(false);
    search->clear();
    refreshLists();
    search->setFocus();
}

void TfrmClient::refreshLists()
{
    dbClient->refresh();
    dbDeleteClient->refresh();
    showClientName();
}

void TfrmClient::showClientName()
{
    lblClientName->setText(dm1->tblClient->asString("FullName2"));
}

void TfrmClient::bOKClick()
{
    Table *clients = dm1->tblClient;
    if (clients->asString("FullName").isEmpty()) {
        dialogs().error(kPickClient);
        return;
    }
    appState().selectedClientId = clients->asString("Id");
    const ClientMode mode = appState().clientMode;
    if (mode == ClientMode::Delete) {
        deleteChosenClient();
        return;
    }
    try {
        FilterStatementTables(appState().selectedClientId, QString());
        if (mode != ClientMode::Add && dm1->tblNettora->asString("ClientId").isEmpty()) {
            dialogs().error(kNoStatements);
            ClearAllFilters();
            refreshLists();
            return;
        }
    } catch (const EngineError &e) {
        dialogs().error(e.text());
        refreshLists();
        return;
    }
    openWorkspace();
}

void TfrmClient::deleteChosenClient()
{
    Table *clients = dm1->tblClient;
    const Bookmark chosen = clients->bookmark();
    if (!dialogs().warning(ClientDeletionQuestion())) {
        ClearAllFilters();  // No leaves every filter off, as a deletion does
    } else {
        guarded([] {
            if (DeleteClientWithStatements())
                dialogs().confirmation(QStringLiteral("The \"Client\" was successfully deleted."));
            else
                dialogs().confirmation(QStringLiteral("There is no \"Client\" selected to delete."));
        });
    }
    // The routine leaves every filter off. The list shows what the search
    // box says: all remaining clients once the box is emptied after a
    // deletion, and the search as typed, on the same client, when the
    // client is still there.
    if (!clients->bookmarkValid(chosen)) {
        const QSignalBlocker quiet(edClientSearch);
        edClientSearch->clear();
    }
    applySearch();
    if (clients->bookmarkValid(chosen)) {
        clients->gotoBookmark(chosen);
        dbClient->syncFromCursor();
        showClientName();
    }
    edClientSearch->setFocus();
}

void TfrmClient::bOKDeleteClick()
{
    Table *clients = dm1->tblClient;
    const QString id = clients->asString("Id");
    try {
        // No client in the list means nothing to delete either.
        if (!id.isEmpty()) {
            FilterStatementTables(id, QString());
            if (!dm1->tblNettora->asString("Id").isEmpty()) {
                openWorkspace();
                return;
            }
        }
        dialogs().error(kNothingToDelete);
        ClearAllFilters();
    } catch (const EngineError &e) {
        dialogs().error(e.text());
    }
    refreshLists();
}

void TfrmClient::bDeleteClick()
{
    appState().clientMode = ClientMode::Delete;
    showClientPage();
    // The first-name search of the delete page does not carry over.
    applySearch();
    lblHeader->setText(QStringLiteral("Select Client to ") + modeWord(appState().clientMode));
}

void TfrmClient::openWorkspace()
{
    OpenStatementWorkspace();
    close();
}

void TfrmClient::showHome()
{
    ShowHomeWindow();
    close();
}

void TfrmClient::menuAction(Entry e)
{
    ScreenFrame::menuAction(e);
    // An opener clears every filter before it opens its window; when none
    // opened (or the about box came and went), the list must again follow
    // the search box.
    if (!m_closed)
        applySearch();
}

void TfrmClient::closeEvent(QCloseEvent *event)
{
    m_closed = true;
    ScreenFrame::closeEvent(event);
}

}  // namespace nettora
