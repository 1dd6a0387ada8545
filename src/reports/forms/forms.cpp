#include "reports/forms/forms.h"

#include "data/datamodule.h"
#include "data/engine.h"

namespace nettora::reports {

Table *Sources::schedule(const QString &tableName) const
{
    if (blank || !dm1)
        return nullptr;
    return dm1->table(tableName);
}

Sources Sources::dataModule()
{
    Sources s;
    s.client = dm1->tblClient;
    s.statement = dm1->tblNettora;
    s.user = dm1->tblUser;
    s.legal = dm1->tblLegal;
    return s;
}

QString formName(PageKind page, const FormKind &kind)
{
    const bool joint = kind.filing == Filing::Joint;
    QString summary, details;
    switch (kind.style) {
    case Style::Standard:
        summary = joint ? QStringLiteral("TqrJoint") : QStringLiteral("TqrSingle");
        details = QStringLiteral("TqrSingle_Details");
        break;
    case Style::Contemporary:
        summary = joint ? QStringLiteral("TqrCont_Joint") : QStringLiteral("TqrCont_Single");
        details = QStringLiteral("TqrCont_Joint_Details");
        break;
    case Style::Professional:
        summary = joint ? QStringLiteral("TqrPro_Joint") : QStringLiteral("TqrPro_Single");
        details = QStringLiteral("TqrPro_Details");
        break;
    }
    switch (page) {
    case PageKind::NetWorthSummary: return summary;
    case PageKind::LegalInformation: return summary + QStringLiteral("_Sect4");
    case PageKind::Assets: return details;
    case PageKind::Liabilities: return details + QStringLiteral("_L");
    case PageKind::IncomeAndExpenses: return details + QStringLiteral("_Inc");
    }
    return QString();
}

QString progressLine(PageKind page)
{
    switch (page) {
    case PageKind::NetWorthSummary: return QStringLiteral("Creating Net Worth Summary");
    case PageKind::LegalInformation: return QStringLiteral("Creating Legal Information");
    case PageKind::Assets: return QStringLiteral("Creating Assets");
    case PageKind::Liabilities: return QStringLiteral("Creating Liabilities");
    case PageKind::IncomeAndExpenses: return QStringLiteral("Creating Annual Income and Expenses");
    }
    return QString();
}

std::unique_ptr<Report> buildForm(PageKind page, const FormKind &kind, const Sources &sources)
{
    switch (page) {
    case PageKind::NetWorthSummary: return buildNetWorthSummary(kind, sources);
    case PageKind::LegalInformation: return buildLegalInformation(kind, sources);
    case PageKind::Assets: return buildAssets(kind, sources);
    case PageKind::Liabilities: return buildLiabilities(kind, sources);
    case PageKind::IncomeAndExpenses: return buildIncomeAndExpenses(kind, sources);
    }
    return nullptr;
}

Filing filingOf(Table *client)
{
    if (client && !client->isEmpty() && !client->asString(QStringLiteral("SFirstName")).isEmpty())
        return Filing::Joint;
    return Filing::Single;
}

}  // namespace nettora::reports
