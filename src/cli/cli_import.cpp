// Import of an exchange document: first read and check all of it into a plan
// (no data touched), then write the plan in one transaction.
#include "cli/cli_commands.h"
#include "cli/cli_document_scan.h"

#include "calc/section_totals.h"
#include "cli/cli_text.h"
#include "clients/client_fields.h"
#include "data/currency.h"
#include "data/datamodule.h"
#include "data/dates.h"
#include "data/db_functions.h"
#include "data/legal_questions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>
#include <algorithm>
#include <cmath>

namespace nettora::cli {

namespace {

using namespace document;

constexpr int kSqliteConstraint = 19;

// Result codes of the engine that say the data file could not take the
// writes (out of memory, read-only, I/O error, full disk, cannot open), as
// opposed to a refusal of the document's data.
bool isStorageFailure(int code)
{
    for (int c : {7, 8, 10, 13, 14})
        if (code == c)
            return true;
    return false;
}

struct FieldValue {
    int pos;
    QVariant value;  // QString for text, date and amount fields, double for other numbers
};

struct RowPlan {
    QString place;
    std::vector<FieldValue> values;
};

struct ScheduleRows {
    const TableDef *def;
    std::vector<RowPlan> rows;
};

struct StatementPlan {
    QString place;
    RowPlan row;
    QString description;
    std::vector<ScheduleRows> schedules;
};

struct ClientPlan {
    QString place;
    QHash<QString, QString> texts;  // by schema name; the client row is all text
    std::vector<StatementPlan> statements;
};

// Keys the import gives itself; a document that carries them is refused
// rather than silently ignored.
bool isAssigned(const QString &field)
{
    for (const char *n : {"Id", "ClientId", "StatementId", "Updated"})
        if (field.compare(QLatin1String(n), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QJsonObject objectAt(const QJsonValue &v, const QString &place)
{
    if (!v.isObject())
        refuse(place, QStringLiteral("an object is expected"));
    return v.toObject();
}

QJsonArray arrayAt(const QJsonValue &v, const QString &place)
{
    if (!v.isArray())
        refuse(place, QStringLiteral("an array is expected"));
    return v.toArray();
}

bool isLegalAnswer(const TableDef &def, const QString &field)
{
    if (def.name != QLatin1String("Legal"))
        return false;
    for (const legal::Question &q : legal::Questions)
        if (field == QLatin1String(q.answerField))
            return true;
    return false;
}

bool isStatementDate(const TableDef &def, const QString &field)
{
    return def.name == QLatin1String("Nettora") && field == QLatin1String("Date");
}

void onlyKeys(const QJsonObject &o, const QString &place, std::initializer_list<const char *> allowed)
{
    for (auto it = o.begin(); it != o.end(); ++it) {
        bool known = false;
        for (const char *a : allowed)
            known = known || it.key() == QLatin1String(a);
        if (!known) {
            QStringList names;
            for (const char *a : allowed)
                names << QStringLiteral("\"%1\"").arg(QLatin1String(a));
            refuse(child(place, it.key()), QStringLiteral("unknown key (expected %1)").arg(names.join(QStringLiteral(", "))));
        }
    }
}

RowPlan readRow(const QJsonValue &v, const TableDef &def, const QString &place, const NumberLiterals &numbers)
{
    RowPlan row{place, {}};
    const QJsonObject o = objectAt(v, place);
    QSet<int> seen;
    for (auto it = o.begin(); it != o.end(); ++it) {
        const QString at = child(place, it.key());
        if (isAssigned(it.key()))
            refuse(at, QStringLiteral("this field is assigned by the import and must not be given"));
        const int pos = def.fieldIndex(it.key());
        if (pos < 0)
            refuse(at, QStringLiteral("the table %1 has no such field").arg(def.name));
        if (seen.contains(pos))
            refuse(at, QStringLiteral("the field %1 is given twice").arg(def.fields[size_t(pos)].name));
        seen.insert(pos);
        const FieldDef &f = def.fields[size_t(pos)];
        const QJsonValue value = it.value();
        if (value.isNull())
            continue;  // the same as absent: empty
        switch (f.type) {
        case FieldType::Currency:
        case FieldType::Float: {
            if (!value.isDouble())
                refuse(at, QStringLiteral("a number is expected"));
            const double d = value.toDouble();
            const ValueRange range = valueRange(f);
            const auto outOfRange = [&] {
                refuse(at, QStringLiteral("the number is out of range (%1 to %2)")
                               .arg(QString::number(range.min, 'f', 0), QString::number(range.max, 'f', 0)));
            };
            if (!range.contains(d))
                outOfRange();
            if (f.type == FieldType::Currency) {
                const auto units = currencyUnits(QString::fromLatin1(numbers.value(at, QByteArray::number(d, 'g', 17))));
                if (!units)
                    outOfRange();
                row.values.push_back({pos, currencyText(*units)});
            } else {
                row.values.push_back({pos, d});
            }
            break;
        }
        case FieldType::Date: {
            if (!value.isString())
                refuse(at, QStringLiteral("a string is expected (a date MM/dd/yy)"));
            const QString s = value.toString();
            if (!s.trimmed().isEmpty() && dateTextToIso(s).isEmpty())
                refuse(at, QStringLiteral("\"%1\" is not a valid date (MM/dd/yy is expected)").arg(shortened(s)));
            row.values.push_back({pos, s});
            break;
        }
        case FieldType::Text:
        case FieldType::Memo: {
            if (!value.isString())
                refuse(at, QStringLiteral("a string is expected"));
            const QString s = value.toString();
            const qsizetype length = fieldChars(s);
            if (length < 0)
                refuse(at, QStringLiteral("the text is not valid Unicode: it holds a lone surrogate"));
            if (f.width > 0 && length > f.width)
                refuse(at, QStringLiteral("the text is longer than %1 character%2")
                               .arg(f.width)
                               .arg(f.width == 1 ? QString() : QStringLiteral("s")));
            // A legal answer is signed on paper: it is "Yes", "No", or not given.
            if (isLegalAnswer(def, f.name) && !s.isEmpty() && legal::statedAnswer(s).isEmpty())
                refuse(at, QStringLiteral("\"%1\" is not an answer: \"Yes\", \"No\" or empty is expected").arg(shortened(s)));
            // A statement's date is a text field; it takes what the
            // workspace takes and is kept in the same full form.
            if (isStatementDate(def, f.name) && !s.isEmpty()) {
                const QString date = fullDateText(s);
                if (date.isEmpty())
                    refuse(at, QStringLiteral("\"%1\" is not a valid date (month/day/year is expected, like 12/31/2025)")
                                   .arg(shortened(s)));
                row.values.push_back({pos, date});
                break;
            }
            row.values.push_back({pos, s});
            break;
        }
        default:
            refuse(at, QStringLiteral("this field cannot be imported"));
        }
    }
    return row;
}

// The income window derives a row's monthly amount from the annual one on
// every save; a document's own monthly amount is not taken (it is derived
// again once the annual amount is stored).
void dropMonthlyAmount(RowPlan &row, const TableDef &def)
{
    const int monthly = def.fieldIndex(QStringLiteral("MAmount"));
    std::erase_if(row.values, [monthly](const FieldValue &fv) { return fv.pos == monthly; });
}

bool hasMonthlyAmount(const TableDef &def)
{
    return def.name == QLatin1String("Incomes") || def.name == QLatin1String("Expenditure");
}

StatementPlan readStatement(const QJsonValue &v, const QString &place, const NumberLiterals &numbers)
{
    const QJsonObject o = objectAt(v, place);
    onlyKeys(o, place, {"fields", "schedules"});
    StatementPlan st;
    st.place = place;
    const TableDef &def = *findTable(QStringLiteral("Nettora"));
    st.row = readRow(o.value(QStringLiteral("fields")).isUndefined() ? QJsonObject() : o.value(QStringLiteral("fields")),
                     def, child(place, QStringLiteral("fields")), numbers);
    const int descPos = def.fieldIndex(QStringLiteral("Description"));
    for (const FieldValue &fv : st.row.values)
        if (fv.pos == descPos)
            st.description = fv.value.toString();

    const QJsonValue sv = o.value(QStringLiteral("schedules"));
    if (sv.isUndefined())
        return st;
    const QString schedulesPlace = child(place, QStringLiteral("schedules"));
    const QJsonObject schedules = objectAt(sv, schedulesPlace);
    QSet<const TableDef *> seen;
    for (auto it = schedules.begin(); it != schedules.end(); ++it) {
        const QString tablePlace = child(schedulesPlace, it.key());
        const TableDef *t = findTable(it.key());
        if (!t || !t->schedule || t->name.compare(it.key(), Qt::CaseInsensitive) != 0)
            refuse(tablePlace, QStringLiteral("unknown schedule table"));
        if (seen.contains(t))
            refuse(tablePlace, QStringLiteral("the table %1 is given twice").arg(t->name));
        seen.insert(t);
        ScheduleRows rows{t, {}};
        const QJsonArray a = arrayAt(it.value(), tablePlace);
        for (qsizetype i = 0; i < a.size(); ++i) {
            rows.rows.push_back(readRow(a.at(i), *t, item(tablePlace, i), numbers));
            if (hasMonthlyAmount(*t))
                dropMonthlyAmount(rows.rows.back(), *t);
        }
        st.schedules.push_back(std::move(rows));
    }
    return st;
}

ClientPlan readClient(const QJsonValue &v, const QString &place, const NumberLiterals &numbers)
{
    const QJsonObject o = objectAt(v, place);
    onlyKeys(o, place, {"fields", "statements"});
    ClientPlan c;
    c.place = place;
    const TableDef &def = *findTable(QStringLiteral("Client"));
    const QJsonValue fields = o.value(QStringLiteral("fields"));
    const RowPlan row =
        readRow(fields.isUndefined() ? QJsonObject() : fields, def, child(place, QStringLiteral("fields")), numbers);
    for (const FieldValue &fv : row.values)
        c.texts.insert(def.fields[size_t(fv.pos)].name, fv.value.toString());

    const QJsonValue sv = o.value(QStringLiteral("statements"));
    if (!sv.isUndefined()) {
        const QString statementsPlace = child(place, QStringLiteral("statements"));
        const QJsonArray a = arrayAt(sv, statementsPlace);
        for (qsizetype i = 0; i < a.size(); ++i)
            c.statements.push_back(readStatement(a.at(i), item(statementsPlace, i), numbers));
    }
    return c;
}

std::vector<ClientPlan> readDocument(const QByteArray &json)
{
    QJsonParseError err;
    QJsonDocument doc = QJsonDocument::fromJson(json, &err);
    if (err.error != QJsonParseError::NoError)
        notJson(json, err.offset, err.errorString());
    if (const qsizetype at = rawControlInString(json); at >= 0)
        notJson(json, at, QStringLiteral("a raw control character inside a string"));
    if (json.indexOf("\xEF\xBB\xBF", json.startsWith("\xEF\xBB\xBF") ? 3 : 0) >= 0)
        doc = QJsonDocument::fromJson(escapedByteOrderMarks(json));
    if (!doc.isObject())
        throw CliError(QStringLiteral("the document must be a JSON object"));
    const NumberLiterals numbers = scanNumbers(json);
    const QJsonObject root = doc.object();
    onlyKeys(root, QString(), {"format", "version", "clients"});
    if (root.value(QStringLiteral("format")) != QJsonValue(QStringLiteral("nettora")))
        refuse(QStringLiteral("format"), QStringLiteral("\"nettora\" is expected"));
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toDouble() != 1)
        refuse(QStringLiteral("version"), QStringLiteral("1 is expected"));
    const QJsonArray clients = arrayAt(root.value(QStringLiteral("clients")), QStringLiteral("clients"));

    std::vector<ClientPlan> plans;
    // The client table refuses a repeated name; said here with both places.
    QHash<QString, QString> names;
    for (qsizetype i = 0; i < clients.size(); ++i) {
        ClientPlan c = readClient(clients.at(i), item(QStringLiteral("clients"), i), numbers);
        // The client window saves no one without both names; neither does the import.
        for (const char *name : {"FirstName", "LastName"})
            if (c.texts.value(QLatin1String(name)).trimmed().isEmpty())
                refuse(child(child(c.place, QStringLiteral("fields")), QLatin1String(name)),
                       QStringLiteral("a client needs a first and a last name"));
        const QString key = c.texts.value(QStringLiteral("FirstName")) + QChar(0) + c.texts.value(QStringLiteral("MiddleInitial"))
                            + QChar(0) + c.texts.value(QStringLiteral("LastName"));
        if (names.contains(key))
            refuse(c.place, QStringLiteral("the same client as %1").arg(names.value(key)));
        names.insert(key, c.place);
        plans.push_back(std::move(c));
    }
    return plans;
}

bool anyGiven(const QHash<QString, QString> &texts, const QString &prefix,
              std::initializer_list<const char *> names)
{
    for (const char *n : names)
        if (!texts.value(prefix + QLatin1String(n)).isEmpty())
            return true;
    return false;
}

bool anyGiven(const QHash<QString, QString> &texts, const DerivedFields &fields)
{
    for (const DerivedField &d : fields)
        if (!texts.value(d.field).isEmpty())
            return true;
    return false;
}

// The composed fields, as the window's saves would have written them,
// whatever the document holds for them. The personal page is always saved;
// ClientDescription comes from the description of the client's last
// statement in the document. The employment pages count as saved when the
// document has anything of them, typed or composed (the window saves them
// without any check, so an empty page was saved too), the spouse pages only
// when a spouse is named (the window saves none before). A page never saved
// has no composed fields.
void composeClientFields(ClientPlan &c)
{
    QHash<QString, QString> &t = c.texts;
    const FieldReader row = fieldReader(t);
    const FieldReader nothing = fieldReader(QHash<QString, QString>());
    const auto employment = {"Employer", "Position", "YearsEmployed", "EAddress", "ECity", "EState", "EZip",
                             "BusinessPhone"};
    const bool employed = anyGiven(t, QString(), employment) || anyGiven(t, employmentPageFields(nothing));
    const bool spouse = anyGiven(t, QStringLiteral("S"), {"FirstName", "LastName"});
    const bool spouseEmployed =
        spouse && (anyGiven(t, QStringLiteral("S"), employment) || anyGiven(t, spouseEmploymentPageFields(nothing)));

    // No composed text of the document stays, whatever it says.
    for (const DerivedFields &page : {personalPageFields(nothing, QString()), employmentPageFields(nothing),
                                      spousePageFields(nothing), spouseEmploymentPageFields(nothing)})
        for (const DerivedField &d : page)
            t.remove(d.field);

    std::optional<QString> description;
    if (!c.statements.empty())
        description = c.statements.back().description;
    DerivedFields derived = personalPageFields(row, description);
    const auto add = [&derived](const DerivedFields &page) { derived.insert(derived.end(), page.begin(), page.end()); };
    if (employed)
        add(employmentPageFields(row));
    if (spouse)
        add(spousePageFields(row));
    if (spouseEmployed)
        add(spouseEmploymentPageFields(row));
    for (const DerivedField &d : derived)
        t.insert(d.field, d.value);
}

void writeValues(Table *t, const RowPlan &row)
{
    for (const FieldValue &fv : row.values) {
        if (fv.value.typeId() == QMetaType::Double)
            t->setAsFloat(fv.pos, fv.value.toDouble());
        else
            t->setAsString(fv.pos, fv.value.toString());
    }
}

qint64 postNew(Table *t)
{
    t->post();
    return dm1->db().lastInsertRowId();
}

}  // namespace

std::vector<ImportedClient> importDocument(const QByteArray &json)
{
    if (!dm1)
        throw CliError(QStringLiteral("no data directory is open"));
    std::vector<ClientPlan> plans = readDocument(json);
    for (ClientPlan &c : plans)
        composeClientFields(c);

    std::vector<ImportedClient> result;
    Database &db = dm1->db();
    Transaction tx(db);
    QString place;
    try {
        for (const ClientPlan &c : plans) {
            place = c.place;
            Table *client = dm1->tblClient;
            client->append();
            for (auto it = c.texts.cbegin(); it != c.texts.cend(); ++it)
                client->setAsString(it.key(), it.value());
            ImportedClient done;
            try {
                done.clientId = postNew(client);
            } catch (const EngineError &e) {
                if (e.code() != kSqliteConstraint)
                    throw;
                refuse(c.place, QStringLiteral("the client %1 already exists")
                                    .arg(composeFullName2(c.texts.value(QStringLiteral("FirstName")),
                                                          c.texts.value(QStringLiteral("MiddleInitial")),
                                                          c.texts.value(QStringLiteral("LastName")))));
            }
            const QString clientKey = QString::number(done.clientId);

            for (const StatementPlan &s : c.statements) {
                place = s.place;
                Table *statement = dm1->tblNettora;
                statement->append();
                statement->setAsString(QStringLiteral("ClientId"), clientKey);
                writeValues(statement, s.row);
                const qint64 statementId = postNew(statement);
                const QString statementKey = QString::number(statementId);
                for (const ScheduleRows &rows : s.schedules) {
                    Table *t = dm1->table(rows.def->name);
                    for (const RowPlan &r : rows.rows) {
                        place = r.place;
                        t->append();
                        t->setAsString(QStringLiteral("ClientId"), clientKey);
                        t->setAsString(QStringLiteral("StatementId"), statementKey);
                        writeValues(t, r);
                        if (hasMonthlyAmount(*rows.def))
                            DeriveMonthlyAmount(t);
                        t->post();
                    }
                }
                place = s.place;
                FilterStatementTables(clientKey, statementKey);
                RecalcAll();
                done.statementIds.push_back(statementId);
            }
            result.push_back(std::move(done));
        }
        tx.commit();
    } catch (const EngineError &e) {
        // Leaving the scope rolls the transaction back, which also drops
        // every cursor's pending row.
        if (isStorageFailure(e.code()))
            throw CliError(QStringLiteral("the data could not be written: %1; nothing was imported").arg(e.text()));
        refuse(place, e.text());
    }
    return result;
}

}  // namespace nettora::cli
