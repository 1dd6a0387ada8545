#include "cli/cli_pdf.h"

#include "cli/cli_commands.h"
#include "data/datamodule.h"
#include "data/db_functions.h"
#include "reports/engine/output.h"
#include "reports/print.h"

#include <QBuffer>
#include <functional>
#include <optional>
#include <vector>

namespace nettora::cli {

namespace {

const struct {
    const char *name;
    reports::Style style;
} kStyles[] = {
    {"standard", reports::Style::Standard},
    {"contemporary", reports::Style::Contemporary},
    {"professional", reports::Style::Professional},
};

std::optional<reports::Style> findStyle(const QString &style)
{
    for (const auto &s : kStyles)
        if (style == QLatin1String(s.name))
            return s.style;
    return std::nullopt;
}

reports::Style styleNamed(const QString &style)
{
    if (const std::optional<reports::Style> s = findStyle(style))
        return *s;
    throw CliError(QStringLiteral("the style %1 is not available").arg(style));
}

// The prepared pages as a PDF document; a failing report is the user's error.
QByteArray pdfDocument(const std::function<std::vector<reports::PreparedPage>()> &prepare)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    try {
        reports::writePdf(buffer, prepare(), QStringLiteral("Personal Financial Statement"));
    } catch (const reports::ReportError &e) {
        throw CliError(e.text());
    }
    return buffer.data();
}

}  // namespace

void selectStatement(qint64 statementId)
{
    Table *statements = dm1->tblNettora;
    statements->setFilter(QStringLiteral("Id = %1").arg(statementId));
    statements->setFiltered(true);
    statements->first();
    if (statements->isEmpty())
        throw CliError(QStringLiteral("there is no statement with the id %1").arg(statementId));
    FilterStatementTables(statements->asString(QStringLiteral("ClientId")), QString::number(statementId));
    if (dm1->tblClient->isEmpty())
        throw CliError(QStringLiteral("the statement %1 has no client").arg(statementId));
}

bool isPdfStyle(const QString &style)
{
    return findStyle(style).has_value();
}

QByteArray statementPdf(qint64 statementId, const QString &style, const Warning &warning)
{
    if (!dm1)
        throw CliError(QStringLiteral("no data directory is open"));
    if (!isPdfStyle(style))
        throw CliError(QStringLiteral("the style %1 is not available").arg(style));
    selectStatement(statementId);
    return pdfDocument([&style, &warning] { return reports::prepareDocument(styleNamed(style), nullptr, warning); });
}

QByteArray blankPdf(const QString &style, const Warning &warning)
{
    const reports::Style chosen = styleNamed(style);
    return pdfDocument([chosen, &warning] { return reports::prepareBlankDocument(chosen, nullptr, warning); });
}

}  // namespace nettora::cli
