// Net Worth Summary: preparer lines and title in the page header, then one
// title band holding personal information, the statement of financial
// condition and the annual income and expenditures.
#include "reports/forms/form_parts.h"
#include "reports/forms/forms.h"

#include "data/engine.h"

namespace nettora::reports {

using namespace parts;

namespace {

struct CaptionField {
    double x;
    const char *caption;
    const char *field;
};

// The five rows of personal particulars; the spouse's rows bind the same
// fields with an "S" in front.
const std::vector<std::vector<CaptionField>> &personalRows()
{
    static const std::vector<std::vector<CaptionField>> rows = {
        {{4, "Name: ", "FullName2"},
         {212, "Dependants:", "Dependents"},
         {301, "Birthdate: ", "Birthday"},
         {436, "Driver's Lic. #: ", "DriversLicenseandState"},
         {609, "SS#: ", "SSN"}},
        {{4, "Address: ", "Address"}, {302, "City: ", "City"}, {436, "State: ", "State"}, {512, "Zip: ", "Zip"}},
        {{4, "Employer: ", "Employer"}, {302, "Position: ", "Position"}, {512, "# of Years: ", "YearsEmployed"}},
        {{4, "Employer's Address: ", "EAddress"},
         {302, "City: ", "ECity"},
         {436, "State: ", "EState"},
         {512, "Zip: ", "EZip"}},
        {{4, "Business Phone:", "BusinessPhone"},
         {215, "Residence Phone: ", "PersonalPhone"},
         {435, "E-Mail:", "Email"}},
    };
    return rows;
}

// A caption/amount row; an empty field leaves the row empty.
struct AmountRow {
    const char *standard;
    const char *other;  // Contemporary and Professional
    const char *field;
    bool bold = false;
};

const AmountRow Assets[] = {
    {"Cash: (Refer to Schedule A)", "Cash (Refer to Schedule A)", "CashOnHand"},
    {"Real Estate: (B)", "Real Estate (B)", "RealEstateTotals"},
    {"Securities: (C)", "Securities (C)", "InvestmentTotals"},
    {"Automobiles: (D)", "Automobiles (D)", "AutoTotal"},
    {"Cash Value Life Insurance: (E)", "Cash Value Life Insurance (E)", "LifeCash"},
    {"Household and Personal Assets: (F)", "Household and Personal Assets (F)", "PersonalAssets"},
    {"Business Assets: (G)", "Business Assets (G)", "BusinessAssets"},
    {"Accounts and Notes Receivable: (H)", "Accounts and Notes Receivable (H)", "NotesReceivable"},
    {"Restricted or Margin Accounts: (H)", "Restricted or Margin Accounts (H)", "MarginAccounts"},
    {"All Other Assets: (H)", "All Other Assets (H)", "OtherAssets"},
    {"Total Assets:", "Total Assets", "TotalAssets", true},
};

const AmountRow Liabilities[] = {
    {"Notes Payable: (Refer to Schedule I)", "Notes Payable (Refer to Schedule I)", "BankLiability"},
    {"Mortgages Payable: (J)", "Mortgages Payable (J)", "MortgageLiabilitiesTotals"},
    {"Credit Card Liability: (K)", "Credit Card Liability (K)", "CreditCardLiability"},
    {"Auto Liability: (L)", "Auto Liability (L)", "AutoLiability"},
    {"Tax Liability: (M)", "Tax Liability (M)", "TaxLiability"},
    {"All Other Liabilities: (N)", "All Other Liabilities (N)", "OtherLiability"},
    {"", "", ""},
    {"Contingent Liabilities:", "Contingent Liabilities (O) ", "ContingentLiability"},
    {"Total Liabilities:", "Total Liabilities", "TotalLiabilities", true},
    {"Total Liabilities & Net Worth:", "Total Liabilities & Net Worth", "TotalLiabilitiesandNetWorth", true},
    {"Net Worth:", "Net Worth", "NetWorth", true},
};

// Income and expenditure captions; the Standard style adds a colon.
const AmountRow Income[] = {
    {"Salaries & Wages (Individual)", "", "Salary"},
    {"Salaries & Wages (Spouse)", "", "Salary_Spouse"},
    {"Bonuses & Commissions", "", "Bonus"},
    {"Dividends & Interest Income", "", "Dividends"},
    {"Net Real Estate Income", "", "RealEstateIncome"},
    {"Oil & Gas Income/Royalties", "", "OilIncome"},
    {"All Other Income", "", "OtherIncome"},
    {"", "", ""},
    {"Total Income", "", "IncomeTotal", true},
};

const AmountRow Expenditures[] = {
    {"Installment Payments", "Installment Payments (auto, credit cards)", "Installment_Exp"},
    {"Lease Obligations", "", "Lease_Exp"},
    {"Mortgage Payments", "", "Mortgage_Exp"},
    {"Other Debt Service", "", "OtherDebt_Exp"},
    {"Alimony, Child Support, etc", "", "Alimony_Exp"},
    {"Auto, Life & Health Insurance Premiums", "", "Insurance_Exp"},
    {"All Other Expenditures", "", "Other_Exp"},
    {"Rental Payments", "", "Rental_Exp"},
    {"Total Expenditures", "", "ExpenseTotal", true},
};

// The column grid of the two-column sections: captions from 10 (left) and
// 370 (right), amounts ending at 356 and 712, rules between the columns.
constexpr double LeftCaption = 10, LeftAmountEnd = 356, RightCaption = 370, RightAmountEnd = 712;
constexpr double ColumnRules[] = {258, 362, 610};

double personalSection(Band &b, double y, Table *client, const QString &prefix)
{
    const auto &rows = personalRows();
    for (size_t r = 0; r < rows.size(); ++r) {
        const double top = y + double(r) * RowHeight;
        for (size_t i = 0; i < rows[r].size(); ++i) {
            const CaptionField &cf = rows[r][i];
            const double end = i + 1 < rows[r].size() ? rows[r][i + 1].x - 4 : Width - 4;
            captionAndField(b, cf.x, top + TextInset, end, QString::fromLatin1(cf.caption), client,
                            prefix + QString::fromLatin1(cf.field));
        }
        if (r + 1 < rows.size())
            b.hline(0, Width, top + RowHeight, 0.75);
    }
    return y + double(rows.size()) * RowHeight;
}

// One column of caption/amount rows; Standard captions get a colon when asked.
void amountColumn(Band &b, double y, const AmountRow *rows, int count, double captionX, double amountEnd,
                  Table *statement, bool addColon)
{
    for (int i = 0; i < count; ++i) {
        const AmountRow &row = rows[i];
        if (!*row.field)
            continue;
        const double top = y + i * RowHeight + TextInset;
        QString caption = QString::fromLatin1(row.standard);
        if (addColon)
            caption += QLatin1Char(':');
        b.label(captionX, top, caption, Small.size, row.bold);
        amount(b, amountEnd, top, statement, QString::fromLatin1(row.field), row.bold, 94);
    }
}

void rowRules(Band &b, double top, int rows)
{
    for (int i = 1; i < rows; ++i)
        b.hline(0, Width, top + i * RowHeight, 0.75);
    for (double x : ColumnRules)
        b.vline(x, top, top + rows * RowHeight, 0.75);
}

}  // namespace

std::unique_ptr<Report> buildNetWorthSummary(const FormKind &kind, const Sources &src)
{
    requireBuiltStyle(kind);
    const bool joint = kind.filing == Filing::Joint;
    auto r = std::make_unique<Report>(formName(PageKind::NetWorthSummary, kind));
    if (!joint)
        r->pageFrameWidth = 1.5;

    Band &header = r->addBand(BandKind::PageHeader, 52, QStringLiteral("PageHeader"));
    constexpr double Inset = 6;
    if (!src.blank) {
        for (int i = 0; i < 3; ++i) {
            const QString field = QStringList{QStringLiteral("Company"), QStringLiteral("FullName"), QStringLiteral("Phone")}[i];
            header.field(QRectF(Inset, 5 + i * 13, 380, lineHeight()), src.user, field);
        }
    }
    header.label(300, 8, QStringLiteral("PERSONAL FINANCIAL STATEMENT"), 14, true, Width - 2 * Inset - 300)
        .right()
        .named(QStringLiteral("Title"));

    Band &body = r->addBand(BandKind::Title, 0, QStringLiteral("Body"));
    double y = standard::sectionHeading(body, 0, QStringLiteral("Section 1a - Personal Information"));
    // The statement date at the right end of the first heading.
    body.label(560, 9, QStringLiteral("Date: "), Small.size, false, 94).right();
    body.field(QRectF(656, 9, 58, lineHeight()), src.statement, QStringLiteral("Date"));
    y = personalSection(body, y, src.client, QString());
    if (joint) {
        y = standard::sectionHeading(body, y, QStringLiteral("Section 1b - Spouse Information"));
        y = personalSection(body, y, src.client, QStringLiteral("S"));
    }

    y = standard::sectionHeading(body, y, QStringLiteral("Section 2 - Statement of Financial Condition"));
    const double columnsTop = y;
    body.label(LeftCaption, y + TextInset, QStringLiteral("Assets"), Small.size, true);
    body.label(LeftAmountEnd - 94, y + TextInset, QStringLiteral("In Dollars"), Small.size, true, 94).right();
    body.label(RightCaption, y + TextInset, QStringLiteral("Liabilities"), Small.size, true);
    body.label(RightAmountEnd - 94, y + TextInset, QStringLiteral("In Dollars"), Small.size, true, 94).right();
    y += RowHeight;
    amountColumn(body, y, Assets, 11, LeftCaption, LeftAmountEnd, src.statement, false);
    amountColumn(body, y, Liabilities, 11, RightCaption, RightAmountEnd, src.statement, false);
    // The notes after two liability captions.
    const double contingentTop = y + 7 * RowHeight + TextInset;
    labelOnBaseline(body, RightCaption + metrics::width(QStringLiteral("Contingent Liabilities:"), Small) + 4,
                    contingentTop, QStringLiteral("(Does not affect Net Worth)"), {7, false});
    body.label(RightCaption + metrics::width(QStringLiteral("Net Worth:"), SmallBold) + 4, y + 10 * RowHeight + TextInset,
               QStringLiteral("(Total Assets - Total Liabilities)"), Small.size);
    y += 11 * RowHeight;
    rowRules(body, columnsTop, 12);

    body.hline(0, Width, y + standard::HeadingRule / 2, standard::HeadingRule);
    body.label(6, y + 6, QStringLiteral("Section 3 - Annual Income"), 10, true);
    body.label(RightCaption, y + 6, QStringLiteral("Annual Expenditures"), 10, true);
    body.hline(0, Width, y + standard::HeadingHeight - standard::HeadingRule / 2, standard::HeadingRule);
    y += standard::HeadingHeight;
    amountColumn(body, y, Income, 9, LeftCaption, LeftAmountEnd, src.statement, true);
    amountColumn(body, y, Expenditures, 9, RightCaption, RightAmountEnd, src.statement, true);
    rowRules(body, y, 9);
    y += 9 * RowHeight;

    body.box(QRectF(0, 0, Width, y), 1.5);
    body.height = y;

    // Preparer lines only when the user asked for them.
    Table *user = src.user;
    r->beforePrint = [user](Report &rep, bool &) {
        const bool show = user && !user->isEmpty() && user->asString(QStringLiteral("Preparer")) == QLatin1String("Y");
        for (const char *name : {"Company", "FullName", "Phone"}) {
            if (Control *c = rep.control(QString::fromLatin1(name))) {
                c->enabled = show;
                c->visible = show;
            }
        }
    };
    return r;
}

}  // namespace nettora::reports
