#include "cli/cli_commands.h"

#include "calc/section_totals.h"
#include "cli/cli_text.h"
#include "data/currency.h"
#include "data/datamodule.h"
#include "data/db_functions.h"

#include <cstdlib>

namespace nettora::cli {

namespace {

// One line per record: a tab or line break inside a text would split it;
// any other control character is shown escaped.
QString cell(QString s)
{
    for (QChar &c : s)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    return printable(s);
}

// Two decimals rounded as the program shows them.
QString amount(Table *t, const QString &field)
{
    if (t->isNull(field))
        return QString();
    const qint64 cents = roundedCents(t->asFloat(field));
    const qint64 magnitude = std::llabs(cents);
    return QStringLiteral("%1%2.%3")
        .arg(cents < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

}  // namespace

QStringList listStatements(const QString &search)
{
    if (!dm1)
        throw CliError(QStringLiteral("no data directory is open"));
    Table *clients = dm1->tblClient;
    clients->setIndexName(QStringLiteral("LF"));
    // The client window's last-name search: only the final * is a wildcard,
    // so whatever was typed is matched literally.
    clients->setFilter(search.isEmpty() ? QString()
                                        : QStringLiteral("Lower(LastName) = ") + filterText(foldCase(search) + QLatin1Char('*')));
    clients->setFiltered(!search.isEmpty());
    clients->first();

    Table *statements = dm1->tblNettora;
    statements->setIndexName(QStringLiteral("DATEDESCRIPTION"));
    QStringList lines;
    for (; !clients->eof(); clients->next()) {
        const QString fullName = cell(clients->asString(QStringLiteral("FullName")));
        statements->setFilter(QStringLiteral("ClientId = ") + filterText(clients->asString(QStringLiteral("Id"))));
        statements->setFiltered(true);
        statements->first();
        if (statements->isEmpty()) {
            lines << QStringList{QString(), fullName, QString(), QString(), QString()}.join(QLatin1Char('\t'));
            continue;
        }
        for (; !statements->eof(); statements->next())
            lines << QStringList{statements->asString(QStringLiteral("Id")), fullName,
                                 cell(statements->asString(QStringLiteral("Date"))),
                                 cell(statements->asString(QStringLiteral("Description"))),
                                 amount(statements, QStringLiteral("NetWorth"))}
                         .join(QLatin1Char('\t'));
    }
    return lines;
}

void recalcStatement(qint64 statementId)
{
    if (!dm1)
        throw CliError(QStringLiteral("no data directory is open"));
    Table *statements = dm1->tblNettora;
    statements->setFilter(QStringLiteral("Id = %1").arg(statementId));
    statements->setFiltered(true);
    statements->first();
    if (statements->isEmpty())
        throw CliError(QStringLiteral("there is no statement with the id %1").arg(statementId));
    const QString clientId = statements->asString(QStringLiteral("ClientId"));

    Transaction tx(dm1->db());
    FilterStatementTables(clientId, QString::number(statementId));
    RecalcAll();
    tx.commit();
}

}  // namespace nettora::cli
