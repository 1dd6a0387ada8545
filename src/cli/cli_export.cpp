#include "cli/cli_commands.h"

#include "data/datamodule.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace nettora::cli {

namespace {

bool isKey(const QString &field)
{
    for (const char *n : {"Id", "ClientId", "StatementId", "Updated"})
        if (field.compare(QLatin1String(n), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QJsonObject rowObject(Table *t)
{
    QJsonObject o;
    const TableDef &def = t->def();
    for (int pos = 0; pos < t->fieldCount(); ++pos) {
        const FieldDef &f = def.fields[size_t(pos)];
        if (isKey(f.name) || t->isNull(f.name))
            continue;
        switch (f.type) {
        case FieldType::Currency:
        case FieldType::Float: o.insert(f.name, t->asFloat(pos)); break;
        case FieldType::Logical: o.insert(f.name, t->asInteger(f.name) != 0); break;
        default: {
            const QString s = t->asString(pos);
            if (!s.isEmpty())
                o.insert(f.name, s);
        }
        }
    }
    return o;
}

// Narrows a cursor to the rows of one client (and statement) in the given
// order; the keys are decimal numbers the program wrote itself.
void narrow(Table *t, const QString &index, const QString &filter)
{
    t->setIndexName(index);
    t->setFilter(filter);
    t->setFiltered(true);
    t->first();
}

}  // namespace

QByteArray exportDocument(std::optional<qint64> clientId)
{
    if (!dm1)
        throw CliError(QStringLiteral("no data directory is open"));
    Table *clients = dm1->tblClient;
    clients->setIndexName(QStringLiteral("ID"));
    clients->setFilter(clientId ? QStringLiteral("Id = %1").arg(*clientId) : QString());
    clients->setFiltered(bool(clientId));
    clients->first();
    if (clientId && clients->isEmpty())
        throw CliError(QStringLiteral("there is no client with the id %1").arg(*clientId));

    QJsonArray clientArray;
    for (; !clients->eof(); clients->next()) {
        const QString c = clients->asString(QStringLiteral("Id"));
        QJsonArray statementArray;
        Table *statements = dm1->tblNettora;
        narrow(statements, QStringLiteral("IDA"), QStringLiteral("ClientId = ") + filterText(c));
        for (; !statements->eof(); statements->next()) {
            const QString s = statements->asString(QStringLiteral("Id"));
            QJsonObject schedules;
            const auto &all = dm1->statementAndSchedules();
            for (auto it = all.begin() + 1; it != all.end(); ++it) {
                Table *t = *it;
                narrow(t, QString(), QStringLiteral("ClientId = %1 and StatementId = %2").arg(filterText(c), filterText(s)));
                QJsonArray rows;
                for (; !t->eof(); t->next())
                    rows.append(rowObject(t));
                if (!rows.isEmpty())
                    schedules.insert(t->tableName(), rows);
            }
            QJsonObject statement{{QStringLiteral("fields"), rowObject(statements)}};
            if (!schedules.isEmpty())
                statement.insert(QStringLiteral("schedules"), schedules);
            statementArray.append(statement);
        }
        QJsonObject client{{QStringLiteral("fields"), rowObject(clients)}};
        if (!statementArray.isEmpty())
            client.insert(QStringLiteral("statements"), statementArray);
        clientArray.append(client);
    }
    const QJsonObject root{{QStringLiteral("format"), QStringLiteral("nettora")},
                           {QStringLiteral("version"), 1},
                           {QStringLiteral("clients"), clientArray}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

}  // namespace nettora::cli
