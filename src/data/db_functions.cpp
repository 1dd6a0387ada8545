#include "data/db_functions.h"

#include "data/currency.h"
#include "data/datamodule.h"
#include "data/preparer.h"

#include <QFileInfo>

namespace nettora {

namespace {

const QString kDirectoryInvalid = QStringLiteral("Error:  Directory is Invalid\n\r");

// Keys go into filter expressions bare (Id = C), so only plain decimal
// numbers may pass; anything else would change the expression's meaning.
QString checkedKey(const QString &key, const char *what)
{
    const QString k = key.trimmed();
    bool digits = !k.isEmpty();
    for (const QChar c : k)
        digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!digits)
        throw EngineError(QStringLiteral("\"%1\" is not a valid %2 id.").arg(key, QLatin1String(what)));
    return k;
}

std::vector<Table *> scheduleTables()
{
    const auto &all = dm1->statementAndSchedules();
    return {all.begin() + 1, all.end()};
}

}  // namespace

void SetBrowseIndexes()
{
    const std::pair<Table *, const char *> indexes[] = {
        {dm1->tblNettora, "ID"},           {dm1->tblClient, "LF"},
        {dm1->tblCash, "RegisteredName"},  {dm1->tblInvestments, "Primary"},
        {dm1->tblRealEstate, "Primary"},   {dm1->tblPersonalAssets, "Primary"},
        {dm1->tblBusinessAssets, "Primary"}, {dm1->tblOtherAssets, "Primary"},
        {dm1->tblAuto, "Description"},     {dm1->tblAuto2, "Description"},
        {dm1->tblBank, "Description"},     {dm1->tblCreditCards, "Description"},
        {dm1->tblTaxes, "Description"},    {dm1->tblOther, "Description"},
        {dm1->tblContingent, "Description"}, {dm1->tblNotes, "Description"},
        {dm1->tblLifeInsurance, "Insured"}, {dm1->tblIncomes, "PRIMARY"},
        {dm1->tblExpenditure, "PRIMARY"}};
    for (const auto &[table, index] : indexes)
        table->setIndexName(QLatin1String(index));
}

void FilterStatementTables(const QString &clientId, const QString &statementId)
{
    const QString c = checkedKey(clientId, "client");
    SetBrowseIndexes();
    dm1->tblClient->setFilter(QStringLiteral("Id = ") + c);
    dm1->tblClient->setFiltered(true);
    dm1->tblClient->first();

    QString scheduleFilter;
    if (!statementId.isEmpty()) {
        const QString s = checkedKey(statementId, "statement");
        dm1->tblNettora->setFilter(QStringLiteral("ClientId = %1 and id = %2").arg(filterText(c), s));
        scheduleFilter = QStringLiteral("ClientId = %1 and Statementid = %2").arg(filterText(c), filterText(s));
    } else {
        scheduleFilter = QStringLiteral("ClientId = ") + filterText(c);
        dm1->tblNettora->setFilter(scheduleFilter);
    }
    dm1->tblNettora->setFiltered(true);
    dm1->tblNettora->first();

    for (Table *t : scheduleTables()) {
        t->setFilter(scheduleFilter);
        t->setFiltered(true);
        t->first();
    }
}

void ClearAllFilters()
{
    // The notes table keeps its filter, as it always has. Before the login
    // nothing is open, and there is nothing to clear.
    for (Table *t : dm1->tables())
        if (t != dm1->tblNotes && t->active())
            t->setFiltered(false);
}

QString CurrentClientId()
{
    return dm1->tblNettora->asString("ClientId");
}

QString CurrentStatementId()
{
    return dm1->tblNettora->asString("Id");
}

QString PreparerDisplayName()
{
    Table *u = dm1->tblUser;
    const QString company = u->asString("Company");
    return company.isEmpty() ? PreparerName() : company;
}

QString WindowCaption()
{
    const QString name = PreparerDisplayName().trimmed();
    return name.isEmpty() ? QStringLiteral("Nettora") : QStringLiteral("Nettora - ") + name;
}

void DeleteFilteredRows()
{
    Transaction tx(dm1->db());
    for (Table *t : dm1->statementAndSchedules()) {
        t->first();
        while (!t->isEmpty())
            t->remove();
    }
    tx.commit();
}

void DeriveMonthlyAmount(Table *row)
{
    const int annual = row->def().fieldIndex(QStringLiteral("Amount"));
    const int monthly = row->def().fieldIndex(QStringLiteral("MAmount"));
    if (row->isNull(QStringLiteral("Amount"))) {
        row->setAsString(monthly, QString());
        return;
    }
    // In whole ten-thousandths, half away from zero, so that no double
    // decides a tie or loses a digit of a large amount.
    const qint64 units = row->value(annual).toLongLong();
    const qint64 twelfth = units >= 0 ? (units + 6) / 12 : -((-units + 6) / 12);
    row->setAsString(monthly, currencyText(twelfth));
}

void DeleteStatement(const QString &clientId, const QString &statementId)
{
    Transaction tx(dm1->db());
    FilterStatementTables(clientId, statementId);
    DeleteFilteredRows();
    tx.commit();
}

QString ClientDeletionQuestion()
{
    // The question names the client it is about, when the row has a name.
    const QString name = dm1->tblClient->asString("FullName2");
    return name.isEmpty()
               ? QStringLiteral(
                     "Are you sure you want to \"Delete\" this \"Client\" and  the associated \"Financial Statements\"?")
               : QStringLiteral("Are you sure you want to \"Delete\" this \"Client\", %1, and  the associated "
                                "\"Financial Statements\"?")
                     .arg(name);
}

bool DeleteClientWithStatements()
{
    Table *clients = dm1->tblClient;
    const QString c = clients->asString("Id");
    if (c.isEmpty()) {
        ClearAllFilters();
        return false;
    }
    try {
        Transaction tx(dm1->db());
        clients->setFilter(QStringLiteral("Id = ") + checkedKey(c, "client"));
        clients->setFiltered(true);
        // Narrowed to the client alone, one pass removes every statement and
        // every schedule row carrying the client's id, orphans included. It
        // runs even when the client has no statement left: its schedule rows
        // go with it all the same.
        FilterStatementTables(c, QString());
        DeleteFilteredRows();
        clients->first();
        if (!clients->isEmpty())
            clients->remove();
        tx.commit();
        clients->setFiltered(false);
    } catch (...) {
        ClearAllFilters();
        throw;
    }
    ClearAllFilters();
    return true;
}

qint64 CopyStatement(const QString &date, const QString &description)
{
    Database &db = dm1->db();
    Table *st = dm1->tblNettora;
    const QString sourceId = st->asString("Id");
    if (sourceId.isEmpty())
        throw EngineError(QStringLiteral("There is no statement to roll forward."));

    Transaction tx(db);
    const QString clientId = st->asString("ClientId");
    std::vector<QVariant> source;
    for (int i = 0; i < st->fieldCount(); ++i)
        source.push_back(st->value(i));

    // The statement row: a new row takes its id from the engine, then every
    // other field from the source, the new date and description excepted.
    st->setIndexName(QStringLiteral("IDA"));
    st->setFiltered(false);
    st->append();
    st->post();
    // The newest row under "IDA" is the one just posted; narrowing to its id
    // finds it without listing every statement of the database.
    st->setFilter(QStringLiteral("Id = %1").arg(dm1->db().lastInsertRowId()));
    st->setFiltered(true);
    st->first();
    st->edit();
    const int dateField = st->fieldIndex(QStringLiteral("Date"));
    const int descriptionField = st->fieldIndex(QStringLiteral("Description"));
    for (int i = 1; i < st->fieldCount(); ++i) {
        if (i == dateField)
            st->setAsString(i, date);
        else if (i == descriptionField)
            st->setAsString(i, description);
        else
            st->setValue(i, source[size_t(i)]);
    }
    st->post();
    const QString newId = st->asString("Id");
    st->setFilter(QStringLiteral("ClientId = ") + filterText(clientId));
    st->setFiltered(true);

    // Each schedule: mark every source row as it is copied, so it leaves the
    // view and the loop moves on; the copies carry the new statement id and
    // match neither. Only rows this copy marked are cleared afterwards (the
    // marker index finds them), so the cost follows the statement's size,
    // not the database's.
    const QString sourceFilter = QStringLiteral("ClientID = %1 and StatementId = %2 and Updated = NULL")
                                     .arg(filterText(clientId), filterText(sourceId));
    for (Table *t : scheduleTables()) {
        const int statementField = t->fieldIndex(QStringLiteral("StatementId"));
        const int markerField = t->fieldIndex(QStringLiteral("Updated"));
        t->setFiltered(false);
        t->setFilter(sourceFilter);
        t->setFiltered(true);
        t->first();
        std::vector<QVariant> row(size_t(t->fieldCount()));
        while (!t->isEmpty()) {
            for (int i = 0; i < t->fieldCount(); ++i)
                row[size_t(i)] = t->value(i);
            t->edit();
            t->setAsString(markerField, QStringLiteral("Y"));
            t->post();
            t->append();
            for (int i = 0; i < t->fieldCount(); ++i) {
                if (i == statementField)
                    t->setAsString(i, newId);
                else if (i != markerField)
                    t->setValue(i, row[size_t(i)]);
            }
            t->post();
        }
        t->setFiltered(false);
        db.exec(QStringLiteral("UPDATE \"%1\" SET \"Updated\" = NULL WHERE \"Updated\" IS NOT NULL").arg(t->tableName()));
    }
    tx.commit();
    return newId.toLongLong();
}

bool CloseDatabase(QString *error)
{
    try {
        dm1->ACon1.disconnect();
        for (Table *t : dm1->tables())
            t->close();
        return true;
    } catch (const EngineError &) {
        if (error)
            *error = kDirectoryInvalid;
        return false;
    }
}

bool ReopenDatabase(QString *error)
{
    try {
        dm1->ACon1.connect(false);
        dm1->OpenNettoraTables();
        return true;
    } catch (const EngineError &) {
        if (error)
            *error = kDirectoryInvalid;
        return false;
    }
}

QString ProgramVersion()
{
    return QStringLiteral(NETTORA_VERSION);
}

}  // namespace nettora
