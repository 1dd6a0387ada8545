#include "entry/liabilities.h"

#include "kit/btn_functions.h"
#include "calc/section_totals.h"
#include "entry/amounts.h"
#include "entry/page_parts.h"
#include "entry/assets.h"

namespace nettora {

namespace {

using namespace pageparts;

// The Mortgages page explains its boxes with the Real Estate page's words.
QStringList realEstateHint(const QString &field)
{
    static const std::vector<EditorSpec> editors = [] {
        for (const PageSpec &p : assetPages())
            if (p.table == QLatin1String("RealEstate"))
                return p.editors;
        return std::vector<EditorSpec>{};
    }();
    for (const EditorSpec &e : editors)
        if (e.field == field)
            return e.hint;
    return {};
}

EditorSpec mortgage(const char *name, const char *caption, const char *field, EditorKind kind = EditorKind::Text)
{
    EditorSpec e = ed(name, caption, field, kind);
    e.hint = realEstateHint(e.field);
    if (kind == EditorKind::Percent)
        e.suffix = QStringLiteral("%");
    return e;
}

PageSpec page(int number, const char *name, const char *title, const char *table, const char *order,
              const char *total, void (*recalc)())
{
    PageSpec p;
    p.number = number;
    p.name = QString::fromLatin1(name);
    p.title = QString::fromLatin1(title);
    p.table = QString::fromLatin1(table);
    // These lists set no order of their own: they keep the browse order that
    // narrowing to the statement gives the table.
    p.order = QString::fromLatin1(order);
    p.totalField = QString::fromLatin1(total);
    p.recalc = recalc;
    return p;
}

}  // namespace

std::vector<PageSpec> liabilityPages()
{
    std::vector<PageSpec> pages;

    PageSpec autos = page(4, "tsAutos", "Liabilities - Autos", "Auto2", "Description", "AutoLiability", RecalcAutoLoans);
    autos.columns = {text("Description", "Auto Description", 350), amount("LoanBalance", "Loan Balance", 100)};
    autos.editors = {
        ed("d4_1", "* Description:", "Description", EditorKind::Text,
           {"Description:", "Brief description which includes the year, make, and model."}),
        ed("d4_2", "* Loan Balance:", "LoanBalance", EditorKind::Money,
           {"Loan Balance:", "The total amount currently owed on the auto."}),
        ed("d4_3", "Registered in Name of:", "Registered", EditorKind::Text,
           {"Registered in the name of:", "The owner or title holder of the vehicle."}),
        ed("d4_4", "Lien Holder:", "LienHolder", EditorKind::Text,
           {"Lien Holder:", "Bank, company, or individual who holds the auto loan."}),
    };
    autos.focusEditor = QStringLiteral("d4_1");
    autos.checks = {required("d4_1", "Description"), required("d4_2", "Loan Balance")};
    autos.deleteQuestion = deleteQuestion("You have selected to DELETE the auto liability ");
    pages.push_back(autos);

    PageSpec bank = page(5, "tsBank", "Liabilities - Bank", "Bank", "Description", "BankLiability", RecalcBankNotes);
    bank.columns = {text("Description", "Description", 240), text("Bank", "Bank", 110),
                    amount("Amount", "Amount", 100)};
    bank.editors = {
        ed("d5_1", "* Description:", "Description", EditorKind::Text,
           {"Description:", "Brief description of the bank note(liability)."}),
        ed("d5_2", "*  Bank:", "Bank", EditorKind::Text,
           {"Bank:", "Registered name of the bank that holds the note."}),
        ed("d5_3", "* Amount:", "Amount", EditorKind::Money,
           {"Amount:", "The amount currently owed on the Bank note(liability)."}),
        ed("d5_4", "Registered in Name of:", "Registered", EditorKind::Text,
           {"Registered in the name of:", "Individual, group or company, whose name is signed on.",
            "bank the loan documents."}),
    };
    bank.focusEditor = QStringLiteral("d5_1");
    bank.checks = {required("d5_1", "Description"), required("d5_2", "Bank"), required("d5_3", "Amount")};
    bank.deleteQuestion = deleteQuestion("You have selected to DELETE the liability ", "Description", QLatin1Char('\''));
    bank.okName = QStringLiteral("b5Ok");
    pages.push_back(bank);

    PageSpec cards = page(1, "tsCreditCard", "Liabilities - Credit Cards", "CreditCards", "Description", "CreditCardLiability",
                          RecalcCreditCards);
    cards.columns = {text("Description", "Card Name", 250), amount("CreditLimit", "Credit Limit", 75),
                     amount("CurrentBalance", "Balance", 125)};
    cards.editors = {
        ed("d1_1", "* Card Name:", "Description", EditorKind::Text,
           {"Card Name: ", "Brief Description of the Credit Card.", "Example: ABC Bank - Viza card."}),
        ed("d1_2", "* Card Balance:", "CurrentBalance", EditorKind::Money,
           {"Card Balance: ", "The current amount owed on the Credit Card."}),
        ed("d1_3", "Card Limit:", "CreditLimit", EditorKind::Money,
           {"Card Limit: ", "The total amount of credit that us allowed to be .", "used on the credit card."}),
        ed("d1_4", "Member Since (Year):", "MemberSince", EditorKind::Text,
           {"Member Since (Year): ", "The year th the credit card was issued."}),
    };
    cards.focusEditor = QStringLiteral("d1_1");
    cards.checks = {required("d1_1", "Card Name"), required("d1_2", "Card Balance")};
    cards.deleteQuestion = deleteQuestion("You have selected to DELETE the account ");
    pages.push_back(cards);

    // The properties of the assets window's Real Estate page, seen for their
    // mortgages; the same recalculation writes both totals.
    PageSpec mortgages = page(3, "tsRealEstate", "Liabilities - Mortgages", "RealEstate", "Primary",
                              "MortgageLiabilitiesTotals", RecalcRealEstate);
    // The amount columns are wide enough for their headings.
    mortgages.columns = {text("Type", "Property Type", 88), text("Description", "Description", 170),
                         amount("CurrentBalance", "Current Balance", 104),
                         amount("TCurrentLiability", "Mortgage Liability", 114)};
    EditorSpec type = ed("d3_2", "* Property Type:", "Type", EditorKind::Choice);
    type.items = {"", "Homestead", "Vacation", "Investment", "Rental", "Other"};
    mortgages.editors = {
        mortgage("d3_1", "* Description:", "Description"),
        type,
        mortgage("d3_3", "* Year Acquired:", "YearAcquired", EditorKind::Number),
        mortgage("d3_4", "* Percent Owned:", "PercentOwned", EditorKind::Percent),
        mortgage("d3_5", "* Percent of Liability:", "PercentLiability", EditorKind::Percent),
        mortgage("d3_6", "Lien Holder:", "LienHolder"),
        mortgage("d3_7", "Market Value:", "MarketValue", EditorKind::Money),
        mortgage("d3_8", "* Current Balance:", "CurrentBalance", EditorKind::Money),
        mortgage("d3_11", "Title in Name of:", "RegisteredName"),
    };
    mortgages.focusEditor = QStringLiteral("d3_1");
    mortgages.checks = {required("d3_1", "Description"),
                        oneOf("d3_2", "Property Type", {"Homestead", "Vacation", "Investment", "Rental", "Other"}),
                        required("d3_3", "Year Acquired"), required("d3_4", "Percent Owned"),
                        required("d3_5", "Percent Liability"), required("d3_8", "Current Balance")};
    // Deleting the mortgage deletes the property, market value and all.
    mortgages.deleteQuestion = deleteQuestion("You have selected to DELETE the real estate asset ");
    pages.push_back(mortgages);

    PageSpec taxes = page(6, "tsTaxes", "Liabilities - Taxes", "Taxes", "Description", "TaxLiability", RecalcTaxes);
    taxes.columns = {text("Description", "Type of Tax", 160), text("Explanation", "Description", 190),
                     amount("Amount", "Amount", 100)};
    taxes.editors = {
        ed("d6_1", "* Type of Tax:", "Description", EditorKind::Text,
           {"Type of tax:", "Name of the tax owed. Example: 1040 tax."}),
        ed("d6_2", "* Explanation:", "Explanation", EditorKind::Text,
           {"Explanation:", "Brief explanation of why the tax is owed."}),
        ed("d6_3", "* Amount:", "Amount", EditorKind::Money, {"Amount:", "Total amount of tax owed."}),
    };
    taxes.focusEditor = QStringLiteral("d6_1");
    taxes.checks = {required("d6_1", "Type of Tax"), required("d6_2", "Description"), required("d6_3", "Amount")};
    taxes.deleteQuestion = deleteQuestion("You have selected to DELETE the tax liability ");
    pages.push_back(taxes);

    PageSpec other = page(8, "tsOther", "Liabilities - Other", "Other", "Description", "OtherLiability", RecalcOtherLiabilities);
    other.columns = {text("Description", "Description", 250), amount("MonthlyPayment", "Monthly Payment", 110),
                     amount("Amount", "Amount Owed", 100)};
    other.editors = {
        ed("d8_1", "* Description:", "Description", EditorKind::Text,
           {"Description:", "Brief description of the liability."}),
        ed("d8_2", "* Monthly Payment:", "MonthlyPayment", EditorKind::Money,
           {"Monthly Payment:", "The amount paid on this liability every month."}),
        ed("d8_3", "* Amount Owed:", "Amount", EditorKind::Money,
           {"Amount Owed:", "The total amount owed on the liability."}),
    };
    other.focusEditor = QStringLiteral("d8_1");
    other.checks = {required("d8_1", "Description"), required("d8_2", "Monthly Payment"),
                    required("d8_3", "Amount Owed")};
    other.deleteQuestion = deleteQuestion("You have selected to DELETE the liability ");
    pages.push_back(other);

    PageSpec contingent = page(2, "tsContingent", "Liabilities - Contingent", "Contingent", "Description", "ContingentLiability",
                               RecalcContingent);
    contingent.columns = {text("Description", "Type", 200), text("ToWhom", "To Whom", 150),
                          amount("Amount", "Amount", 100)};
    const QStringList kinds = {"Endorser or Co-Maker", "Guarantor", "Involvement in Pending Legal Action",
                               "On Leases or Contracts", "Special Debts (such as Alimony, Child Support, Etc...)",
                               "Other"};
    EditorSpec kind = ed("d2_1", "* Type:", "Description", EditorKind::Choice,
                         {"Type: ", "The description of the liability.  If the drop down list",
                          "does not match the description, choose 'Other'."});
    kind.items = QStringList{""} + kinds;
    EditorSpec maturity = ed("d2_5", "Maturity Date:", "Maturity", EditorKind::Date,
                             {"Maturity Date: ", "The date the liability ends or is completely paid."});
    maturity.suffix = QStringLiteral("(Example: 12/31/09)");
    contingent.editors = {
        kind,
        ed("d2_2", "* To Whom:", "ToWhom", EditorKind::Text,
           {"To Whom: ", "Who the liability is listed with or owed to."}),
        ed("d2_3", "* Amount:", "Amount", EditorKind::Money, {"Amount: ", "The total owed on the liability."}),
        ed("d2_4", "Monthly Payment:", "MonthlyPayment", EditorKind::Money,
           {"Monthly Payment: ", "The amount paid towards the contingent liability every month."}),
        maturity,
        ed("d2_6", "Explanation:", "Explanation", EditorKind::Text,
           {"Explanation: ", "A brief description of the contingent liability"}),
    };
    contingent.focusEditor = QStringLiteral("d2_1");
    contingent.checks = {oneOf("d2_1", "Type", kinds), required("d2_2", "To Whom"), required("d2_3", "Amount")};
    contingent.deleteQuestion = deleteQuestion("You have selected to DELETE the liability ");
    pages.push_back(contingent);
    return pages;
}

TfrmLiabilities::TfrmLiabilities(QWidget *parent) : EntryWindow(parent)
{
    setObjectName(QStringLiteral("TfrmLiabilities"));
    for (PageSpec &p : liabilityPages())
        addEntryPage(std::move(p));
    linkToWindow(QStringLiteral("   Personal Information"), openPersonalInformation)->setObjectName(QStringLiteral("s1"));
    linkToWindow(QStringLiteral("   Assets"), OpenAssetsWindow)->setObjectName(QStringLiteral("s2"));
    heading(QStringLiteral("   Liabilities"))->setObjectName(QStringLiteral("s11"));
    const struct {
        const char *name, *caption;
        int page;
    } links[] = {{"s6", "     - Autos", 4},     {"s7", "     - Bank", 5},   {"s3", "     - Credit Cards", 1},
                 {"s5", "     - Mortgages", 3}, {"s8", "     - Taxes ", 6}, {"s10", "     - Other", 8},
                 {"s9", "     - Contingent", 2}};
    for (const auto &l : links)
        linkToPage(QString::fromLatin1(l.caption), l.page)->setObjectName(QString::fromLatin1(l.name));
    linkToWindow(QStringLiteral("   Income"), OpenIncomeWindow)->setObjectName(QStringLiteral("s14"));
    linkToWindow(QStringLiteral("   Expenses"), OpenExpensesWindow)->setObjectName(QStringLiteral("s15"));
    linkToWindow(QStringLiteral("   Legal"), OpenLegalWindow)->setObjectName(QStringLiteral("s12"));
    linkToWindow(QStringLiteral("   Notes"), OpenNotesWindow)->setObjectName(QStringLiteral("s13"));
}

void TfrmLiabilities::firstShown()
{
    // The Autos page shows the total the statement row holds; only its
    // side link recomputes it.
    openFirst(4, false);
}

}  // namespace nettora
