#include "entry/assets.h"

#include "kit/btn_functions.h"
#include "calc/section_totals.h"
#include "kit/app_state.h"
#include "entry/amounts.h"
#include "entry/page_parts.h"

namespace nettora {

namespace {

using namespace pageparts;

const QStringList kPledgedHint = {QStringLiteral("Pledged:"),
                                  QStringLiteral("An account that has been identified and set aside as security"),
                                  QStringLiteral("for borrowing by the holder of the loan.")};

std::vector<EditorSpec> registeredDescriptionValue(int n)
{
    const QString p = QStringLiteral("d%1_").arg(n);
    auto e = [&](int k, const char *caption, const char *field, EditorKind kind, QStringList hint) {
        EditorSpec s = ed("", caption, field, kind, std::move(hint));
        s.name = p + QString::number(k);
        return s;
    };
    return {e(1, "* Registered in Name of:", "Registered", EditorKind::Text,
              {"Registered in Name of:", "Enter the name of the person, people, or party that ", "owns the asset."}),
            e(2, "* Description:", "Description", EditorKind::Text, {"Description:", "A brief explanation of the asset."}),
            e(3, "* Value:", "Value", EditorKind::Money,
              {"Value:", "The price at which the asset can be sold at this point in time."})};
}

std::vector<CheckSpec> registeredDescriptionValueChecks(int n)
{
    const QString p = QStringLiteral("d%1_").arg(n);
    return {required(p + QLatin1Char('1'), "Registered in Name of"), required(p + QLatin1Char('2'), "Description"),
            required(p + QLatin1Char('3'), "Value")};
}

}  // namespace

std::vector<PageSpec> assetPages()
{
    std::vector<PageSpec> pages;

    PageSpec cash;
    cash.number = 1;
    cash.name = QStringLiteral("tsCash");
    cash.title = QStringLiteral("Assets - Cash");
    cash.table = QStringLiteral("Cash");
    cash.order = QStringLiteral("TYPE");
    cash.columns = {text("Type", "Type of Account", 120), text("RegisteredName", "Registered Name", 230),
                    amount("Balance", "Balance", 100)};
    cash.editors = {
        ed("d1_1", "* Registered Name:", "RegisteredName", EditorKind::Text,
           {"Registered Name:", "The name that the account is listed as with the  ", "financial institution."}),
        choice("d1_2", "* Type of Account:", "Type",
               {"", "Cash on Hand ", "Checking Account", "Savings Account", "Certificate of Deposit",
                "Money Market Account"},
               {"Type of Account:", "The type of account that is holding the cash.  Select one ",
                "from the drop down list of the accounts."}),
        ed("d1_3", "Bank:", "Bank", EditorKind::Text,
           {"Bank:", "The name of the financial institution (Bank) that is the  ", "holder of the cash."}),
        ed("d1_4", "Account Number:", "AccountNumber", EditorKind::Text,
           {"Account Number:", "Unique code assigned to an account in order to differentiate   ",
            "the account from others."}),
        ed("d1_5", "* Current Balance:", "Balance", EditorKind::Money,
           {"Current Balance:", "The amount of Cash that is in the account at this point in time."}),
        choice("d1_6", "Pledged?", "Pledged", {"No", "Yes"}, kPledgedHint),
        ed("d1_7", "To Whom:", "PledgedTo"),
    };
    cash.focusEditor = QStringLiteral("d1_1");
    cash.checks = {required("d1_1", "Registered Name"),
                   oneOf("d1_2", "Type of Account",
                         {"Cash on Hand", "Checking Account", "Savings Account", "Certificate of Deposit",
                          "Money Market Account"}),
                   required("d1_5", "Current Balance"), oneOf("d1_6", "Pledged", {"No", "Yes"}, true)};
    cash.deleteQuestion = deleteQuestion("You have selected to DELETE the account ", "RegisteredName");
    cash.totalField = QStringLiteral("CashOnHand");
    cash.recalc = RecalcCash;
    cash.hintName = QStringLiteral("lbldef_cash");
    cash.hideHintsOnShow = true;
    cash.pledged = PledgedSpec{QStringLiteral("d1_6"), QStringLiteral("d1_7")};
    pages.push_back(cash);

    PageSpec inv;
    inv.number = 2;
    inv.name = QStringLiteral("tsInvestments");
    inv.title = QStringLiteral("Assets - Investments");
    inv.table = QStringLiteral("Investments");
    inv.order = QStringLiteral("INVESTMENTTYPE");
    inv.columns = {text("InvestmentType", "Investment Type", 120), text("Description", "Description", 230),
                   amount("MarketValue", "Market Value", 100)};
    const QStringList exchanges = {"Unlisted", "AMEX", "BSE", "CBOE", "CBOT", "CHX", "CME", "KCBT",
                                   "MGE", "NASDAQ", "NYBOT", "NYMEX", "NYSE", "PHLX", "PSE", "Other"};
    inv.editors = {
        ed("d2_1", "* Description:", "Description", EditorKind::Text,
           {"Description:", "Enter a brief description of the Investment.  Example: if the",
            "investment is a stock, enter the ticker symbol."}),
        ed("d2_2", "Registered in Name of:", "RegisteredName", EditorKind::Text,
           {"Registered in Name of:", "Enter the name of the person, people, or party that owns the", "investment."}),
        choice("d2_3", "* Investment Type:", "InvestmentType",
               {"", "401K", "Bond", "Mutual Fund", "Retirement Account", "SEP/IRA", "Stock", "Other"}),
        choice("d2_4", "* Exchange:", "Exchange", QStringList{""} + exchanges,
               {"Exchange:", "Any organization that provides a marketplace where securities, ",
                "options, futures, or commodities can be traded."}),
        ed("d2_5", "Shares:", "Shares", EditorKind::Number,
           {"Shares:", "Certificates representing one unit of ownership in a corporation, ", "mutual fund, etc..."}),
        ed("d2_6", "Purchase Price:", "PurchasePrice", EditorKind::Money,
           {"Purchase Price:", "The initial price paid to obtain ownership of a security. Enter the",
            "total purchase price, not the price of each individual share."}),
        ed("d2_7", "* Current Market Value:", "MarketValue", EditorKind::Money,
           {"Current Market Value:", "The price at which the investment can be sold at this point in time.",
            "Enter the total current market value."}),
        choice("d2_8", "* Pledged:", "Pledged", {"No", "Yes"}, kPledgedHint),
        ed("d2_9", "To Whom:", "PledgedTo"),
    };
    inv.focusEditor = QStringLiteral("d2_1");
    inv.checks = {required("d2_1", "Description"),
                  oneOf("d2_3", "Investment Type",
                        {"401K", "Bond", "Mutual Fund", "Retirement Account", "SEP/IRA", "Stock", "Other",
                         "Other Retirement Account"}),
                  oneOf("d2_4", "Exchange", exchanges), required("d2_7", "Current Market Value"),
                  oneOf("d2_8", "Pledged", {"No", "Yes"})};
    inv.deleteQuestion = deleteQuestion("You have selected to DELETE the investment ");
    inv.totalField = QStringLiteral("InvestmentTotals");
    inv.recalc = RecalcInvestments;
    inv.hintName = QStringLiteral("lbldef_inv");
    inv.hideHintsOnShow = true;
    inv.pledged = PledgedSpec{QStringLiteral("d2_8"), QStringLiteral("d2_9")};
    pages.push_back(inv);

    PageSpec re;
    re.number = 3;
    re.name = QStringLiteral("tsRealEstate");
    re.title = QStringLiteral("Assets - Real Estate");
    re.table = QStringLiteral("RealEstate");
    re.order = QStringLiteral("PRIMARY");
    re.columns = {text("Type", "Property Type", 85), text("Description", "Description", 175),
                  amount("MarketValue", "Market Value", 95), amount("TMarketValue", "Asset Value", 95)};
    EditorSpec owned = ed("d3_4", "* Percent Owned:", "PercentOwned", EditorKind::Percent,
                          {"Percent Owned:", "Enter the percent of the property owned.  if you own 50% of",
                           "the property, enter 50 not .50."});
    owned.suffix = QStringLiteral("%");
    EditorSpec liable = ed("d3_5", "* Percent of Liability:", "PercentLiability", EditorKind::Percent,
                           {"Percent of Liability:",
                            "Enter the percent of the liability (Amount you are responsible for).",
                            "If you are liable for 50% of the property, enter 50 not .50."});
    liable.suffix = QStringLiteral("%");
    re.editors = {
        ed("d3_1", "* Description:", "Description", EditorKind::Text,
           {"Description:", "Enter a brief description of the Real Estate. The description",
            "can be the address or any other description."}),
        choice("d3_2", "* Property Type:", "Type", {"", "Homestead", "Investment", "Rental", "Vacation", "Other"}),
        ed("d3_3", "* Year Acquired:", "YearAcquired", EditorKind::Number,
           {"Year Acquired:", "Enter the year the property was purchased/acquired, not the", "year it was built"}),
        owned,
        liable,
        ed("d3_6", "Lien Holder:", "LienHolder", EditorKind::Text,
           {"Lien Holder:", "An entity holding a mortgage or having a legal claim on a ",
            "property of another person as security for a debt. "}),
        ed("d3_7", "* Market Value:", "MarketValue", EditorKind::Money,
           {"Market Value:", "The price at which the investment can be sold at this point in time.",
            "Enter the total current market value."}),
        ed("d3_8", "Current Balance:", "CurrentBalance", EditorKind::Money,
           {"Current Balance:", "The total amount owed on the property."}),
        ed("d3_11", "Title in Name of:", "RegisteredName", EditorKind::Text,
           {"Title in name of:", "The name/names listed on the title."}),
    };
    re.focusEditor = QStringLiteral("d3_1");
    re.checks = {required("d3_1", "Description"),
                 oneOf("d3_2", "Property Type", {"Homestead", "Investment", "Rental", "Vacation", "Other"}),
                 required("d3_3", "Year Acquired"), required("d3_4", "Percent Owned"),
                 required("d3_5", "Percent Liability"), required("d3_7", "Market Value")};
    re.deleteQuestion = deleteQuestion("You have selected to DELETE the real estate asset ");
    re.totalField = QStringLiteral("RealEstateTotals");
    re.recalc = RecalcRealEstate;
    re.hintName = QStringLiteral("lbldef_RE");
    re.hideHintsOnShow = true;
    pages.push_back(re);

    PageSpec autos;
    autos.number = 4;
    autos.name = QStringLiteral("tsAutos");
    autos.title = QStringLiteral("Assets - Autos");
    autos.table = QStringLiteral("Auto");
    autos.order = QStringLiteral("DESCRIPTION");
    autos.columns = {text("Description", "Auto Description", 350), amount("CurrentValue", "Current Value", 100)};
    EditorSpec year = ed("d4_2", "* Year:", "Year", EditorKind::Text, {"Year:", "Enter the year the Automobile was made."});
    year.maxLength = 4;
    autos.editors = {
        ed("d4_1", "* Model:", "Model", EditorKind::Text, {"Model:", "Enter the Make, Model, Style, or Brand of the Auto."}),
        year,
        ed("d4_3", "Total Purchase Price:", "PurchasePrice", EditorKind::Money,
           {"Total Purchase Price:", "The initial price paid to obtain ownership of the automobile."}),
        ed("d4_4", "* Total Current Value:", "CurrentValue", EditorKind::Money,
           {"Total Current Value:", "The price at which the auto can be sold at this point in time."}),
        ed("d4_5", "Monthly Payment:", "MonthlyPayment", EditorKind::Money,
           {"Monthly Payment:", "The total Principal and Interest paid monthly."}),
    };
    autos.focusEditor = QStringLiteral("d4_1");
    autos.checks = {required("d4_1", "Model"), required("d4_2", "Year"), required("d4_4", "Total Current Value")};
    autos.deleteQuestion = deleteQuestion("You have selected to DELETE the auto estate asset ");
    autos.totalField = QStringLiteral("AutoTotal");
    autos.recalc = RecalcAutos;
    autos.hintName = QStringLiteral("lbldef_auto");
    // The list shows a description no editor has: "2004 Accord".
    autos.beforePost = [](Table *t) {
        t->setAsString("Description", t->asString("Year") + QLatin1Char(' ') + t->asString("Model"));
    };
    pages.push_back(autos);

    PageSpec life;
    life.number = 5;
    life.name = QStringLiteral("tsLifeInsurance");
    life.title = QStringLiteral("Assets - Life Insurance");
    life.table = QStringLiteral("LifeInsurance");
    life.order = QStringLiteral("INSURED");
    life.columns = {text("Company", "Company", 130), text("Insured", "Insured", 130),
                    amount("FaceValue", "Face Value", 100), amount("CashValue", "Cash Value", 90)};
    life.editors = {
        ed("d5_1", "* Insured:", "Insured", EditorKind::Text, {"Insured:", "Enter the name on the Life Insurance Policy."}),
        ed("d5_2", "*  Company:", "Company", EditorKind::Text,
           {"Company:", "The name of the company that holds the Life ", "Insurance Policy."}),
        ed("d5_3", "* Beneficiary:", "Beneficiary", EditorKind::Text,
           {"Beneficiary:", "An individual, institution, trustee, or estate, which receives, ",
            "benefits under a will, insurance policy, or other contract."}),
        ed("d5_4", "* Face Value:", "FaceValue", EditorKind::Money,
           {"Face Value:", "the basic amount that the policy is worth, though it may ",
            "be increased by term riders or reduced by a policy loan."}),
        ed("d5_5", "* Cash Value:", "CashValue", EditorKind::Money,
           {"Cash Value:", "Policy that provides a benefit upon the policy holders ",
            "death and also acculmulates cash value to be paid before death."}),
        choice("d5_6", "* Pledged:", "Pledged", {"", "Yes", "No"}, kPledgedHint),
        ed("d5_7", "To Whom:", "PledgedTo"),
    };
    life.focusEditor = QStringLiteral("d5_1");
    life.checks = {required("d5_1", "Insured"), required("d5_2", "Company"), required("d5_3", "Beneficiary"),
                   required("d5_4", "Face Value"), required("d5_5", "Cash Value"), oneOf("d5_6", "Pledged", {"Yes", "No"})};
    life.deleteQuestion = [](Table *t) {
        return QStringLiteral("You have selected to DELETE ") + t->asString("Insured")
               + QStringLiteral("'s life insurance policy.\n\r\n\rDo you wish to continue?");
    };
    life.totalField = QStringLiteral("LifeCash");
    life.recalc = RecalcLifeInsurance;
    life.hintName = QStringLiteral("lbldef_life");
    life.pledged = PledgedSpec{QStringLiteral("d5_6"), QStringLiteral("d5_7")};
    life.okName = QStringLiteral("b5Ok");
    pages.push_back(life);

    const struct {
        int n;
        const char *name, *title, *table, *order, *total, *hint, *opening;
        void (*recalc)();
    } simple[] = {
        {6, "tsPersonal", "Assets - Personal", "PersonalAssets", "PRIMARY", "PersonalAssets", "lbldef_per",
         "You have selected to DELETE the personal asset ", RecalcPersonalAssets},
        {7, "tsBusiness", "Assets - Business", "BusinessAssets", "REGISTERED", "BusinessAssets", "lbldef_bus",
         "You have selected to DELETE the business asset ", RecalcBusinessAssets},
    };
    for (const auto &s : simple) {
        PageSpec p;
        p.number = s.n;
        p.name = QString::fromLatin1(s.name);
        p.title = QString::fromLatin1(s.title);
        p.table = QString::fromLatin1(s.table);
        p.order = QString::fromLatin1(s.order);
        p.columns = {text("Description", "Description", 200), text("Registered", "Registered in Name of", 150),
                     amount("Value", "Value", 100)};
        p.editors = registeredDescriptionValue(s.n);
        p.focusEditor = QStringLiteral("d%1_1").arg(s.n);
        p.checks = registeredDescriptionValueChecks(s.n);
        p.deleteQuestion = deleteQuestion(s.opening);
        p.totalField = QString::fromLatin1(s.total);
        p.recalc = s.recalc;
        p.hintName = QString::fromLatin1(s.hint);
        pages.push_back(p);
    }

    PageSpec other;
    other.number = 8;
    other.name = QStringLiteral("tsOther");
    other.title = QStringLiteral("Assets - Other");
    other.table = QStringLiteral("OtherAssets");
    other.order = QStringLiteral("REGISTERED");
    other.columns = {text("Description", "Description", 200), text("Registered", "Registered in Name of", 150),
                     amount("Value", "Value", 100)};
    const QStringList otherTypes = {"Restricted or Margin Account", "Accounts and Notes Receivable", "All Other Assets"};
    other.editors = {choice("dbAssets", "Asset Type:", "Type", QStringList{""} + otherTypes,
                            {"Asset Type:", "Select a description of the asset ", "from the drop down list."})};
    for (const EditorSpec &e : registeredDescriptionValue(8))
        other.editors.push_back(e);
    other.focusEditor = QStringLiteral("dbAssets");
    other.checks = {oneOf("dbAssets", "Asset Type", otherTypes)};
    for (const CheckSpec &c : registeredDescriptionValueChecks(8))
        other.checks.push_back(c);
    other.deleteQuestion = deleteQuestion("You have selected to DELETE the other asset ");
    other.totalField = QStringLiteral("OtherAssetsTotal");
    other.recalc = RecalcOtherAssets;
    other.hintName = QStringLiteral("lbldef_oth");
    other.subTotals = {{QStringLiteral("Restricted or Margin Account"), QStringLiteral("MarginAccounts")},
                       {QStringLiteral("Accounts and Notes Receivable"), QStringLiteral("NotesReceivable")},
                       {QStringLiteral("All Other Assets"), QStringLiteral("OtherAssets")}};
    pages.push_back(other);
    return pages;
}

TfrmAssets::TfrmAssets(QWidget *parent) : EntryWindow(parent)
{
    setObjectName(QStringLiteral("TfrmAssets"));
    for (PageSpec &p : assetPages())
        addEntryPage(std::move(p));
    linkToWindow(QStringLiteral("   Personal Information"), openPersonalInformation)->setObjectName(QStringLiteral("s1"));
    heading(QStringLiteral("   Assets"))->setObjectName(QStringLiteral("s2"));
    const char *captions[] = {"     - Cash", "     - Investments", "     - Real Estate", "     - Autos",
                              "     - Life Insurance", "     - Personal ", "     - Business", "     - Other"};
    for (int i = 0; i < 8; ++i)
        linkToPage(QString::fromLatin1(captions[i]), i + 1)->setObjectName(QStringLiteral("s%1").arg(i + 3));
    linkToWindow(QStringLiteral("   Liabilities"), OpenLiabilitiesWindow)->setObjectName(QStringLiteral("s11"));
    linkToWindow(QStringLiteral("   Legal"), OpenLegalWindow)->setObjectName(QStringLiteral("s12"));
    linkToWindow(QStringLiteral("   Notes"), OpenNotesWindow)->setObjectName(QStringLiteral("s13"));
    linkToWindow(QStringLiteral("   Income"), OpenIncomeWindow)->setObjectName(QStringLiteral("s14"));
    linkToWindow(QStringLiteral("   Expenses"), OpenExpensesWindow)->setObjectName(QStringLiteral("s15"));
}

void TfrmAssets::firstShown()
{
    openFirst(1);  // always the Cash page, with the cash recalculation
}

}  // namespace nettora
