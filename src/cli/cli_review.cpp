// nettora-cli review: the findings and ratios of one statement, for people
// (tab-separated lines) or for a lender's tools (one JSON object).
#include "calc/review.h"
#include "cli/cli_commands.h"
#include "cli/cli_text.h"
#include "data/datamodule.h"
#include "data/engine.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace nettora::cli {

namespace {

bool statementExists(qint64 statementId)
{
    Statement st = dm1->db().prepare(QStringLiteral("SELECT 1 FROM \"Nettora\" WHERE \"Id\" = ?"));
    st.bind(1, statementId);
    return st.step();
}

QByteArray asJson(const Review &review)
{
    QJsonArray findings;
    for (const Finding &f : review.findings) {
        QJsonObject o{{QStringLiteral("check"), f.check},
                      {QStringLiteral("severity"), severityKey(f.severity)},
                      {QStringLiteral("message"), f.message},
                      {QStringLiteral("table"), f.table}};
        // No single row: null rather than a row id that is not one.
        o.insert(QStringLiteral("row"), f.row > 0 ? QJsonValue(double(f.row)) : QJsonValue());
        findings.append(o);
    }
    QJsonObject ratios;
    for (const Ratio &r : review.ratios)
        ratios.insert(r.name, r.value ? QJsonValue(*r.value) : QJsonValue());
    const QJsonObject doc{{QStringLiteral("statement"), double(review.statementId)},
                          {QStringLiteral("today"), review.today.toString(QStringLiteral("MM/dd/yyyy"))},
                          {QStringLiteral("findings"), findings},
                          {QStringLiteral("ratios"), ratios}};
    return QJsonDocument(doc).toJson(QJsonDocument::Indented);
}

QByteArray asLines(const Review &review)
{
    QStringList lines;
    for (const Finding &f : review.findings)
        lines << severityWords(f.severity) + QLatin1Char('\t') + printable(f.message) + QLatin1Char('\t')
                     + mendPageWords(f.page);
    if (review.findings.empty())
        lines << QStringLiteral("Nothing a lender would send back was found.");
    for (const Ratio &r : review.ratios)
        lines << r.name + QLatin1Char('\t') + ratioValueText(r) + QLatin1Char('\t') + r.formula;
    return (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

}  // namespace

ReviewOutput reviewReport(qint64 statementId, const QDate &today, bool json)
{
    if (!statementExists(statementId))
        throw CliError(QStringLiteral("there is no statement with the id %1").arg(statementId));
    const Review review = reviewStatement(dm1->db(), statementId, today);
    return {json ? asJson(review) : asLines(review), review.hasFix()};
}

}  // namespace nettora::cli
