#pragma once
// The client window: the second step of every action started on the home
// window. The user finds the client (a case-insensitive prefix search on the
// last name, or on the first name on the delete page) and OK hands over, by
// the client window mode, to the statement workspace or to the client deletion.

#include "kit/dbgrid.h"
#include "kit/frame.h"

#include <QLineEdit>
#include <QPushButton>

namespace nettora {

class TfrmClient : public ScreenFrame {
    Q_OBJECT
public:
    explicit TfrmClient(QWidget *parent = nullptr);

    // Selection page.
    QWidget *tsClient;
    QLabel *lblHeader, *lblClientName;
    QLineEdit *edClientSearch;
    QPushButton *bReset, *bOK;
    DbGrid *dbClient;

    // Delete page.
    QWidget *tsDeleteSelect;
    QLineEdit *edClientDelete;
    QPushButton *bResetDelete, *bCancelDelete, *bOKDelete, *bDelete;
    DbGrid *dbDeleteClient;

    HoverLabel *addClientLink, *blankStatementLink;  // "   Add New Client", "   Print Blank Statement"

    void bOKClick();
    void bOKDeleteClick();
    void bDeleteClick();

protected:
    void menuAction(Entry e) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void showClientPage();
    void showDeletePage();
    // Narrows the client list to what the page's search box holds.
    void applySearch();
    void reset(QLineEdit *search);
    void refreshLists();
    void showClientName();
    void openWorkspace();
    // The chosen client with its statements, after the routine's question.
    void deleteChosenClient();
    void showHome();

    bool m_closed = false;
};

}  // namespace nettora
