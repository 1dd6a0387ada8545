// The client information window's saves: the checks of each page, the
// client row and its statement written, and the engine's refusals told.
#include "clients/clientadd.h"
#include "clients/clientadd_rows.h"

#include "kit/btn_functions.h"
#include "kit/dialogs.h"
#include "clients/client_fields.h"
#include "data/dates.h"
#include "data/datamodule.h"
#include "data/db_functions.h"
#include "data/filter.h"
#include "kit/app_state.h"

#include <QDate>

namespace nettora {

using clientadd::beginEditing;

namespace {

const QString kClientExists = QStringLiteral("This client already exists.");

bool isUniqueBreach(const QString &engineText)
{
    return engineText.contains(QLatin1String("UNIQUE constraint failed"));
}

}  // namespace

void TfrmClientAdd::refuse(const QString &message, const QString &focusField)
{
    pageCheckFailed = true;
    dialogs().error(message);
    if (QWidget *w = editor(focusField))
        w->setFocus();
}

void TfrmClientAdd::reportPostFailure(const QString &engineText)
{
    pageCheckFailed = true;
    dialogs().error(isUniqueBreach(engineText) ? kClientExists : engineText);
}

QString TfrmClientAdd::currentValue(const QString &field) const
{
    if (QWidget *page = currentPage()) {
        const FieldBinder &b = m_pages.at(page).binder;
        if (QWidget *w = b.editorOf(field)) {
            if (auto *e = qobject_cast<QLineEdit *>(w))
                return e->text();
            if (auto *cb = qobject_cast<QComboBox *>(w))
                return cb->currentText();
        }
    }
    Table *t = (field == QLatin1String("Date") || field == QLatin1String("Description")) ? dm1->tblNettora
                                                                                        : dm1->tblClient;
    return t->asString(field);
}

// ------------------------------------------------------------------ saving

void TfrmClientAdd::GetButtonFunction()
{
    pageCheckFailed = false;
    QWidget *page = currentPage();
    if (!page)
        return;
    // Take the focus off the editor being typed in, as the user leaving it would.
    if (QWidget *f = focusWidget(); f && page->isAncestorOf(f))
        page->setFocus();
    if (page == tsClientPersonal)
        UpdatePersonalInformation();
    else if (page == tsClientReporting)
        ReportingDate();
    else if (page == tsPersonalEmployment)
        PersonalEmployment();
    else if (page == tsPersonalContacts)
        PersonalContacts();
    else if (page == tsSpouseInfo)
        UpdateSpouseInformation();
    else if (page == tsSpouseEmployment)
        SpouseEmployment();
    else if (page == tsSpouseContacts)
        SpouseContacts();
}

bool TfrmClientAdd::personalChecks(const QString &p)
{
    Table *c = dm1->tblClient;
    QString message, focus;
    // Each failing check overrides the one before, so the last one is
    // reported; the last name is only looked at with a first name given.
    if (c->asString(p + "FirstName").isEmpty()) {
        message = QStringLiteral("Please enter \"First Name\".");
        focus = p + "FirstName";
    } else if (c->asString(p + "LastName").isEmpty()) {
        message = QStringLiteral("Please enter \"Last Name\".");
        focus = p + "LastName";
    }
    if (c->asString(p + "MaritalStatus").isEmpty()) {
        message = QStringLiteral("Please enter \"Marital Status\".");
        focus = p + "MaritalStatus";
    }
    if (c->asString(p + "Dependents").trimmed().isEmpty()) {
        message = QStringLiteral("Please enter the number of \"Dependants\".");
        focus = p + "Dependents";
    }
    if (message.isEmpty())
        return true;
    refuse(message, focus);
    return false;
}

void TfrmClientAdd::UpdatePersonalInformation()
{
    Table *c = dm1->tblClient;
    Table *st = dm1->tblNettora;
    const bool adding = addMode();
    if (!storePage(tsClientPersonal, c, adding))
        return;
    if (!personalChecks(QString()))
        return;

    try {
        std::optional<QString> description;
        if (!adding)
            description = st->asString("Description");
        for (const DerivedField &d : personalPageFields(fieldReader(*c), description))
            c->setAsString(d.field, d.value);
    } catch (const EngineError &) {
        c->cancel();
        st->cancel();
        pageCheckFailed = true;
        return;
    }

    if (adding) {
        Database &db = dm1->db();
        QString clientId, statementId;
        try {
            // The client and its first statement are stored together or not at all.
            Transaction tx(db);
            c->post();
            clientId = QString::number(db.lastInsertRowId());
            st->append();
            st->setAsString("ClientId", clientId);
            st->setAsString("Date", QDate::currentDate().toString(QStringLiteral("MM/dd/yyyy")));
            st->post();
            statementId = QString::number(db.lastInsertRowId());
            tx.commit();
        } catch (const EngineError &e) {
            c->cancel();
            st->cancel();
            reportPostFailure(e.text());
            // A fresh row for the next attempt; the editors keep what was typed.
            try {
                c->append();
            } catch (const EngineError &) {
            }
            return;
        }
        appState().selectedClientId = clientId;
        m_clientId = clientId;
        m_statementId = statementId;
        guarded([&] {
            c->setIndexName(QStringLiteral("ID"));
            c->setFilter(QStringLiteral("Id = ") + filterText(clientId));
            c->setFiltered(true);
            c->first();
            FilterStatementTables(clientId, statementId);
        });
    } else {
        const QString id = c->asString("Id");
        try {
            c->post();
        } catch (const EngineError &e) {
            c->cancel();
            reportPostFailure(e.text());
            return;
        }
        appState().selectedClientId = id;
    }
    appState().clientMode = ClientMode::Edit;
    closePage();
}

void TfrmClientAdd::UpdateSpouseInformation()
{
    saveClientPage(tsSpouseInfo, QStringLiteral("S"), spousePageFields);
}

void TfrmClientAdd::PersonalEmployment()
{
    saveClientPage(tsPersonalEmployment, std::nullopt, employmentPageFields);
}

void TfrmClientAdd::SpouseEmployment()
{
    saveClientPage(tsSpouseEmployment, std::nullopt, spouseEmploymentPageFields);
}

bool TfrmClientAdd::storePage(QWidget *page, Table *t, bool append)
{
    const bool stored = guarded([&] {
        beginEditing(t, append);
        m_pages.at(page).binder.store(t);
    });
    if (!stored)
        pageCheckFailed = true;
    return stored;
}

void TfrmClientAdd::saveClientPage(QWidget *page, const std::optional<QString> &checkPrefix, Derive derive)
{
    Table *c = dm1->tblClient;
    if (!storePage(page, c, false))
        return;
    if (checkPrefix && !personalChecks(*checkPrefix))
        return;
    if (!derive) {
        // The contacts pages: nothing derived, and posted without the
        // client's narrowing that the other pages renew.
        if (!guarded([c] { c->post(); })) {
            pageCheckFailed = true;
            return;
        }
        closePage();
        return;
    }
    if (!guarded([&] {
            for (const DerivedField &d : derive(fieldReader(*c)))
                c->setAsString(d.field, d.value);
        })) {
        pageCheckFailed = true;
        return;
    }
    postClientTail();
}

void TfrmClientAdd::postClientTail()
{
    Table *c = dm1->tblClient;
    QString id = c->asString("Id");
    try {
        c->post();
    } catch (const EngineError &e) {
        reportPostFailure(e.text());  // the edit stays, to be corrected
        return;
    }
    if (id.isEmpty())
        id = QString::number(dm1->db().lastInsertRowId());
    // The id of the row just posted, not the last row of whatever the table
    // shows, is what becomes the selected client.
    appState().selectedClientId = id;
    guarded([&] {
        c->setIndexName(QStringLiteral("LF"));
        c->setFilter(QStringLiteral("Id = ") + filterText(id));
        c->setFiltered(true);
        c->first();
    });
    appState().clientMode = ClientMode::Edit;
    closePage();
}

void TfrmClientAdd::PersonalContacts()
{
    saveClientPage(tsPersonalContacts, std::nullopt, nullptr);
}

void TfrmClientAdd::SpouseContacts()
{
    saveClientPage(tsSpouseContacts, std::nullopt, nullptr);
}

void TfrmClientAdd::ReportingDate()
{
    Table *c = dm1->tblClient;
    Table *st = dm1->tblNettora;
    // The date as stored, before the page's editors are stored over it.
    QString storedDate;
    const bool began = guarded([&] {
        beginEditing(st, false);
        storedDate = st->asString("Date");
    });
    if (!began) {
        pageCheckFailed = true;
        return;
    }
    if (!storePage(tsClientReporting, st, false))
        return;
    const QString date = st->asString("Date");
    const QString description = st->asString("Description");
    const QString fullName2 = c->asString("FullName2");
    if (date.isEmpty()) {
        refuse(QStringLiteral("Please enter the reporting date."), QStringLiteral("Date"));
        return;
    }
    // A date typed here is a real one, kept in full; one stored before in
    // another form stays as it is until it is changed.
    if (date != storedDate) {
        const QString full = fullDateText(date);
        if (full.isEmpty()) {
            refuse(statementDateRefusal(date), QStringLiteral("Date"));
            return;
        }
        st->setAsString("Date", full);
    }
    if (description.isEmpty()) {
        refuse(QStringLiteral("Please enter a description."), QStringLiteral("Description"));
        return;
    }
    try {
        // The description and the client's line that quotes it change together.
        Transaction tx(dm1->db());
        beginEditing(c, false);
        c->setAsString("ClientDescription", composeClientDescription(fullName2, description));
        c->post();
        st->post();
        tx.commit();
    } catch (const EngineError &e) {
        c->cancel();
        pageCheckFailed = true;
        dialogs().error(e.text());
        return;
    }
    closePage();
}

}  // namespace nettora
