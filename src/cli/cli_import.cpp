// Import of an exchange document: first read and check all of it into a plan
// (no data touched), then write the plan in one transaction.
#include "cli/cli_commands.h"

#include "calc/section_totals.h"
#include "clients/client_fields.h"
#include "data/datamodule.h"
#include "data/db_functions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>
#include <cmath>

namespace nettora::cli {

namespace {

constexpr int kSqliteConstraint = 19;

struct FieldValue {
    int pos;
    QVariant value;  // QString for text and date fields, double for numbers
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

[[noreturn]] void refuse(const QString &place, const QString &what)
{
    throw CliError(place.isEmpty() ? what : place + QStringLiteral(": ") + what);
}

QString child(const QString &place, const QString &key)
{
    return place.isEmpty() ? key : place + QLatin1Char('.') + key;
}

QString item(const QString &place, qsizetype i)
{
    return place + QStringLiteral("[%1]").arg(i);
}

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

RowPlan readRow(const QJsonValue &v, const TableDef &def, const QString &place)
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
            // Amounts are kept as a count of 1/10,000 dollar in 64 bits.
            if (!std::isfinite(d) || (f.type == FieldType::Currency && std::fabs(d) >= 9.0e14))
                refuse(at, QStringLiteral("the number is out of range"));
            row.values.push_back({pos, d});
            break;
        }
        case FieldType::Date: {
            if (!value.isString())
                refuse(at, QStringLiteral("a string is expected (a date MM/dd/yy)"));
            const QString s = value.toString();
            if (!s.trimmed().isEmpty() && dateTextToIso(s).isEmpty())
                refuse(at, QStringLiteral("\"%1\" is not a valid date (MM/dd/yy is expected)").arg(s));
            row.values.push_back({pos, s});
            break;
        }
        case FieldType::Text:
        case FieldType::Memo: {
            if (!value.isString())
                refuse(at, QStringLiteral("a string is expected"));
            const QString s = value.toString();
            if (f.width > 0 && s.size() > f.width)
                refuse(at, QStringLiteral("the text is longer than %1 character%2")
                               .arg(f.width)
                               .arg(f.width == 1 ? QString() : QStringLiteral("s")));
            row.values.push_back({pos, s});
            break;
        }
        default:
            refuse(at, QStringLiteral("this field cannot be imported"));
        }
    }
    return row;
}

StatementPlan readStatement(const QJsonValue &v, const QString &place)
{
    const QJsonObject o = objectAt(v, place);
    onlyKeys(o, place, {"fields", "schedules"});
    StatementPlan st;
    st.place = place;
    const TableDef &def = *findTable(QStringLiteral("Nettora"));
    st.row = readRow(o.value(QStringLiteral("fields")).isUndefined() ? QJsonObject() : o.value(QStringLiteral("fields")),
                     def, child(place, QStringLiteral("fields")));
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
        for (qsizetype i = 0; i < a.size(); ++i)
            rows.rows.push_back(readRow(a.at(i), *t, item(tablePlace, i)));
        st.schedules.push_back(std::move(rows));
    }
    return st;
}

ClientPlan readClient(const QJsonValue &v, const QString &place)
{
    const QJsonObject o = objectAt(v, place);
    onlyKeys(o, place, {"fields", "statements"});
    ClientPlan c;
    c.place = place;
    const TableDef &def = *findTable(QStringLiteral("Client"));
    const QJsonValue fields = o.value(QStringLiteral("fields"));
    const RowPlan row = readRow(fields.isUndefined() ? QJsonObject() : fields, def, child(place, QStringLiteral("fields")));
    for (const FieldValue &fv : row.values)
        c.texts.insert(def.fields[size_t(fv.pos)].name, fv.value.toString());

    const QJsonValue sv = o.value(QStringLiteral("statements"));
    if (!sv.isUndefined()) {
        const QString statementsPlace = child(place, QStringLiteral("statements"));
        const QJsonArray a = arrayAt(sv, statementsPlace);
        for (qsizetype i = 0; i < a.size(); ++i)
            c.statements.push_back(readStatement(a.at(i), item(statementsPlace, i)));
    }
    return c;
}

std::vector<ClientPlan> readDocument(const QByteArray &json)
{
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &err);
    if (err.error != QJsonParseError::NoError) {
        const QByteArray before = json.left(err.offset);
        const int line = int(before.count('\n')) + 1;
        const int column = int(err.offset - (before.lastIndexOf('\n') + 1)) + 1;
        throw CliError(QStringLiteral("not a JSON document: %1 at line %2, column %3")
                           .arg(err.errorString())
                           .arg(line)
                           .arg(column));
    }
    if (!doc.isObject())
        throw CliError(QStringLiteral("the document must be a JSON object"));
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
        ClientPlan c = readClient(clients.at(i), item(QStringLiteral("clients"), i));
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

// The composed fields, as the window's saves would have written them: the
// personal page always; the employment and spouse pages only where the
// document has something for them, since a page never filled in was never
// saved and its composed fields stay as the document has them.
void composeClientFields(ClientPlan &c)
{
    QHash<QString, QString> &t = c.texts;
    const FieldReader row = fieldReader(t);
    std::optional<QString> description;
    if (!c.statements.empty())
        description = c.statements.back().description;
    DerivedFields derived = personalPageFields(row, description);

    const auto employment = {"Employer", "Position", "YearsEmployed", "EAddress", "ECity", "EState", "EZip",
                             "BusinessPhone"};
    if (anyGiven(t, QString(), employment))
        for (auto &d : employmentPageFields(row))
            derived.push_back(d);
    if (anyGiven(t, QStringLiteral("S"), {"FirstName", "LastName"})) {
        for (auto &d : spousePageFields(row))
            derived.push_back(d);
        if (anyGiven(t, QStringLiteral("S"), employment))
            for (auto &d : spouseEmploymentPageFields(row))
                derived.push_back(d);
    }
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
        refuse(place, e.text());
    }
    return result;
}

}  // namespace nettora::cli
