// The schedule reports: Assets (schedules A to H), Liabilities (I to O) and
// Annual Income and Expenses. Each schedule is a sub-detail over its table,
// with the title and column headings in its group header and the totals of
// the statement row in its group footer; an empty schedule prints nothing.
// The three styles share the columns; each draws its own bars and headings.
#include "reports/forms/form_parts.h"
#include "reports/forms/forms.h"

#include "data/engine.h"

namespace nettora::reports {

using namespace parts;

namespace {

struct Column {
    QStringList heading;  // one or two lines
    QString field;
    double x = 0, width = 0;
    Align align = Align::Left;
    QString suffix;  // a label right after the field, e.g. "%"
    QString total;   // the statement-row total printed under the column
    bool monthly = false;
};

Column text(const QStringList &heading, const char *field, double x, double width)
{
    return {heading, QString::fromLatin1(field), x, width, Align::Left, {}, {}, false};
}

Column centred(const QStringList &heading, const char *field, double x, double width)
{
    return {heading, QString::fromLatin1(field), x, width, Align::Center, {}, {}, false};
}

// A right-aligned column ending at right.
Column number(const QStringList &heading, const char *field, double right, double width, const char *total = nullptr)
{
    return {heading, QString::fromLatin1(field), right - width, width, Align::Right, {},
            total ? QString::fromLatin1(total) : QString(), false};
}

// A whole-percent column: the number right-aligned, then a "%" label.
Column percent(const QStringList &heading, const char *field, double right, double width)
{
    Column c = number(heading, field, right, width);
    c.suffix = QStringLiteral("%");
    return c;
}

constexpr double SuffixWidth = 8;

Column monthly(Column c)
{
    c.monthly = true;
    return c;
}

struct Schedule {
    QStringList title;  // one or two lines
    QString table;
    std::vector<Column> columns;
    QString totalCaption;
    bool twoLineRows = false;  // with the title holder and the lien holder under each row
    bool titleRunsOn = false;  // the title's labels stand side by side on one line
};

constexpr double LastRight = 715;
// A money column holds the largest amount a field may hold, with its sign,
// currency sign and separators, in bold 8 pt.
constexpr double MoneyWidth = 128;

// The real estate amounts: the full figure first, then the owned (or owed)
// share, headed as the entry windows head the shares.
Column fullValue(const char *field, const char *total)
{
    return number({"Market", "Value"}, field, 585, MoneyWidth, total);
}
Column ownedValue(const char *field, const char *total)
{
    return number({"Asset", "Value"}, field, LastRight, MoneyWidth, total);
}
Column fullBalance(const char *field, const char *total)
{
    return number({"Current", "Balance"}, field, 585, MoneyWidth, total);
}
Column owedBalance(const char *field, const char *total)
{
    return number({"Mortgage", "Liability"}, field, LastRight, MoneyWidth, total);
}

std::vector<Schedule> assetSchedules(Style style)
{
    std::vector<Schedule> s = {
        {{"Schedule A - Deposit Relationships"},
         "Cash",
         {text({"Type of Account"}, "Type", 8, 110), text({"Registered in Name of"}, "RegisteredName", 122, 170),
          text({"Bank"}, "Bank", 296, 140), text({"Account Number"}, "AccountNumber", 440, 140),
          number({"Current Balance"}, "Balance", LastRight, MoneyWidth, "CashOnHand")},
         "Total"},
        {{"Schedule B - Real Estate"},
         "RealEstate",
         {text({"Type"}, "Type", 8, 80), text({"Description"}, "Description", 92, 180),
          centred({"Year", "Acquired"}, "YearAcquired", 270, 48), percent({"% Owned"}, "PercentOwned", 386, 64),
          fullValue("MarketValue", "RealEstateTotalsAsset"), ownedValue("TMarketValue", "RealEstateTotals")},
         "Totals",
         true},
        {{"Schedule C - Securities"},
         "Investments",
         {number({"# Shares"}, "Shares", 62, 54), text({"Security"}, "Description", 72, 148),
          text({"Exchange"}, "Exchange", 224, 58), text({"Pledged"}, "Pledged", 286, 48),
          text({"Registered in Name of"}, "RegisteredName", 338, 110),
          number({"Purchase Price"}, "PurchasePrice", 585, MoneyWidth, "InvestmentPurchasePrice"),
          number({"Current Value"}, "MarketValue", LastRight, MoneyWidth, "InvestmentTotals")},
         "Totals"},
        {{"Schedule D - Automobiles"},
         "Auto",
         {text({"Model"}, "Model", 8, 230), text({"Year"}, "Year", 242, 60),
          number({"Monthly Payment"}, "MonthlyPayment", 455, MoneyWidth, "AutoPaymentTotal"),
          number({"Purchase Price"}, "PurchasePrice", 585, MoneyWidth, "AutoPurchasePrice"),
          number({"Current Value"}, "CurrentValue", LastRight, MoneyWidth, "AutoTotal")},
         "Totals"},
        {{"Schedule E - Cash Value of Life Insurance"},
         "LifeInsurance",
         {text({"Company"}, "Company", 8, 96), text({"Insured"}, "Insured", 108, 88),
          text({"Beneficiary"}, "Beneficiary", 200, 90), text({"Pledged?"}, "Pledged", 294, 52),
          text({"To Whom?"}, "PledgedTo", 350, 103), number({"Face Value"}, "FaceValue", 585, MoneyWidth, "LifeFace"),
          number({"Cash Value"}, "CashValue", LastRight, MoneyWidth, "LifeCash")},
         "Totals"},
        {{"Schedule F - Household and Personal Assets"},
         "PersonalAssets",
         {text({"Description"}, "Description", 8, 300), text({"Registered in the name of"}, "Registered", 312, 250),
          number({"Value"}, "Value", LastRight, 130, "PersonalAssets")},
         "Total"},
        {{"Schedule G - Business Assets"},
         "BusinessAssets",
         {text({"Description"}, "Description", 8, 300), text({"Registered in the name of"}, "Registered", 312, 250),
          number({"Value"}, "Value", LastRight, 130, "BusinessAssets")},
         "Total"},
        {{"Schedule H - Other Assets (Accounts and Notes Receivable, Restricted or Margin Accounts and All Other "
          "Assets)"},
         "OtherAssets",
         {text({"Type"}, "Type", 8, 168), text({"Description"}, "Description", 180, 196),
          text({"Registered in the name of"}, "Registered", 380, 200),
          number({"Value"}, "Value", LastRight, 130, "OtherAssetsTotal")},
         "Total"},
    };
    if (style == Style::Contemporary) {
        Schedule &h = s.back();
        h.title = QStringList{QStringLiteral("Schedule H"),
                              QStringLiteral("- Other Assets (Accounts and Notes Receivable, Restricted or Margin "
                                             "Accounts All Other Assets)")};
        h.titleRunsOn = true;
    }
    return s;
}

std::vector<Schedule> liabilitySchedules()
{
    return {
        {{"Schedule I - Notes Payable"},
         "Bank",
         {text({"Bank"}, "Bank", 8, 200), text({"Description"}, "Description", 212, 200),
          text({"Registered in name of"}, "Registered", 416, 170),
          number({"Amount"}, "Amount", LastRight, MoneyWidth, "BankLiability")},
         "Total"},
        {{"Schedule J - Mortgages Payable"},
         "RealEstate",
         {text({"Type"}, "Type", 8, 80), text({"Description"}, "Description", 92, 180),
          centred({"Year", "Acquired"}, "YearAcquired", 270, 48),
          percent({"% Liability"}, "PercentLiability", 386, 64),
          fullBalance("CurrentBalance", "TMortgageLiabilitiesTotals"),
          owedBalance("TCurrentLiability", "MortgageLiabilitiesTotals")},
         "Totals",
         true},
        {{"Schedule K - Credit Card Liability"},
         "CreditCards",
         {text({"Card Name"}, "Description", 8, 220), text({"Member Since (Year)"}, "MemberSince", 232, 130),
          number({"Card Limit"}, "CreditLimit", 585, MoneyWidth, "CreditCardLimit"),
          number({"Balance"}, "CurrentBalance", LastRight, MoneyWidth, "CreditCardLiability")},
         "Totals"},
        {{"Schedule L - Auto Liability"},
         "Auto2",
         {text({"Description"}, "Description", 8, 220), text({"Registered in the name of"}, "Registered", 232, 160),
          text({"Lien Holder"}, "LienHolder", 396, 170),
          number({"Loan Balance"}, "LoanBalance", LastRight, 130, "AutoLiability")},
         "Total"},
        {{"Schedule M - Tax Liability"},
         "Taxes",
         {text({"Type of Tax"}, "Description", 8, 200), text({"Explanation"}, "Explanation", 212, 360),
          number({"Amount"}, "Amount", LastRight, 130, "TaxLiability")},
         "Total"},
        {{"Schedule N - All Other Liabilities"},
         "Other",
         {text({"Description"}, "Description", 8, 440),
          number({"Monthly Payment"}, "MonthlyPayment", 585, MoneyWidth, "OtherLiabilityMonthlyPayment"),
          number({"Amount"}, "Amount", LastRight, MoneyWidth, "OtherLiability")},
         "Totals"},
        {{"Schedule O - Contingent Liabilities (Not Included in Net Worth Calculation)"},
         "Contingent",
         {text({"Type"}, "Description", 8, 150), text({"To Whom"}, "ToWhom", 162, 150),
          text({"Maturity Date"}, "Maturity", 316, 80),
          number({"Monthly Payment"}, "MonthlyPayment", 585, MoneyWidth, "ContingentLiabilityMonthlyPayment"),
          number({"Amount"}, "Amount", LastRight, MoneyWidth, "ContingentLiability")},
         "Totals"},
    };
}

std::vector<Schedule> incomeSchedules(Style style)
{
    // The Standard form stacks the two parts of the heading; the others run them on.
    const auto heading = [style](const char *what) {
        const QString w = QString::fromLatin1(what);
        if (style == Style::Standard)
            return QStringList{w, QStringLiteral("Detailed Summary")};
        return QStringList{w + QStringLiteral(" - Detailed Summary")};
    };
    return {
        {heading("Annual Income"),
         "Incomes",
         {text({"Type"}, "Type", 8, 222), text({"Description"}, "Description", 234, 218),
          monthly(number({"Monthly (Average)"}, "MAmount", 585, MoneyWidth, "MIncomeTotal")),
          number({"Yearly"}, "Amount", LastRight, MoneyWidth, "IncomeTotal")},
         "Totals"},
        {heading("Annual Expenditures"),
         "Expenditure",
         {text({"Type"}, "Type", 8, 222), text({"Description"}, "Description", 234, 218),
          monthly(number({"Monthly (Average)"}, "MAmount", 585, MoneyWidth, "MExpenseTotal")),
          number({"Yearly"}, "Amount", LastRight, MoneyWidth, "ExpenseTotal")},
         "Totals"},
    };
}

// Whether the user asked for the monthly column to stay blank.
bool monthlyLeftBlank(Table *user)
{
    return user && !user->isEmpty() && user->asString(QStringLiteral("PrintMonthlyIncome")) == QLatin1String("Y");
}

// Blanks the monthly figures when the user asked for it.
std::function<void(Control &, QString &)> monthlyHook(Table *user)
{
    return [user](Control &, QString &text) {
        if (monthlyLeftBlank(user))
            text.clear();
    };
}

const QString TitleControl = QStringLiteral("ScheduleTitle");

// The schedule's title from x, in the font given; labels that run on stand
// side by side, a later one wrapping in the rest of the line. The last label
// is the one a continued schedule marks " (continued)".
double addTitle(Band &header, const Schedule &s, double x, double y, const FontSpec &font, const QColor &color)
{
    double left = x;
    for (qsizetype i = 0; i < s.title.size(); ++i) {
        const QString &part = s.title[i];
        Control &l = header.label(left, y, part, font.size, true, Width - left).colored(color);
        if (i + 1 == s.title.size())
            l.named(TitleControl);
        if (s.titleRunsOn) {
            left += metrics::width(part + QLatin1Char(' '), font);
            if (i + 1 < s.title.size())
                l.rect.setWidth(metrics::width(part, font));
        } else {
            y += lineHeight(font);
        }
    }
    return s.titleRunsOn ? y + lineHeight(font) : y;
}

void addSchedule(Report &r, const Schedule &s, const Sources &src, Style style)
{
    Table *table = src.schedule(s.table);
    Band &rows = r.addSubDetail(table, s.twoLineRows ? 36 : 20, false, s.table);

    // Group header: the title and the column headings, on bars in the
    // Contemporary look, between rules in the others.
    const bool barred = style == Style::Contemporary;
    Band &header = r.addGroupHeader(rows, 0);
    header.continuedControl = TitleControl;
    double y;
    if (barred) {
        header.fillColor = Qt::black;
        y = addTitle(header, s, 6, 5, {12, true}, Qt::white) + 5;
    } else {
        y = addTitle(header, s, 0, 8, {10, true}, Qt::black);
        header.hline(0, Width, y + 3, 2);
        y += 7;
    }
    const double headingsRow = headingsHeight(s.columns);
    if (barred)
        looks::greyBar(header, y, 0, Width, headingsRow);
    const double headingsTop = barred ? y + 3 : y;
    for (const Column &c : s.columns)
        columnHeading(header, c.x, headingsTop, c.width, c.heading, c.align,
                      c.monthly ? monthlyHook(src.user) : nullptr);
    if (barred) {
        header.height = y + headingsRow;
    } else {
        y += headingsRow - 3;
        header.hline(0, Width, y, 0.75);
        header.height = y + 3;
    }

    // One row (or two lines) per table row, a dotted rule under each.
    for (const Column &c : s.columns) {
        const double suffix = c.suffix.isEmpty() ? 0 : SuffixWidth;
        Control &f = rows.field(QRectF(c.x, 4, c.width - suffix, lineHeight()), table, c.field, Small.size);
        f.align = c.align;
        if (c.monthly)
            f.hook(monthlyHook(src.user));
        if (!c.suffix.isEmpty())
            rows.label(c.x + c.width - suffix + 1, 4, c.suffix, Small.size);
    }
    if (s.twoLineRows) {
        captionAndField(rows, 92, 20, 396, QStringLiteral("Title in Name of:"), table, QStringLiteral("RegisteredName"));
        captionAndField(rows, 400, 20, LastRight, QStringLiteral("Lien Holder:"), table, QStringLiteral("LienHolder"));
    }
    rows.hline(8, 713, rows.height - 0.5, 0.75, PenStyle::Dotted);

    // Footer: the totals of the statement row, ruled above and below.
    Band &footer = r.addGroupFooter(rows, 30);
    footer.label(8, 8, s.totalCaption, Small.size, true);
    for (const Column &c : s.columns) {
        if (c.total.isEmpty())
            continue;
        Control &rule = footer.hline(c.x + 10, c.x + c.width, 3, 0.75);
        if (c.monthly)  // no rule over a total left blank
            rule.hook([user = src.user](Control &line, QString &) { line.visible = !monthlyLeftBlank(user); });
        Control &t = footer.field(QRectF(c.x, 8, c.width, lineHeight(SmallBold)), src.statement, c.total, Small.size,
                                  true);
        t.right();
        if (c.monthly)
            t.hook(monthlyHook(src.user));
    }
    footer.hline(0, Width, 26, 2);
}

std::unique_ptr<Report> buildDetails(PageKind page, const FormKind &kind, const Sources &src, const QString &caption,
                                     const QString &totalField, const std::vector<Schedule> &schedules)
{
    auto r = std::make_unique<Report>(formName(page, kind));

    Band &header = r->addBand(BandKind::PageHeader, 46, QStringLiteral("PageHeader"));
    const QString title = QStringLiteral("Financial Statement Details");
    if (kind.style == Style::Professional) {
        const double width = metrics::width(title, {14, true});
        header.label(714 - width, 6, title, 14, true, width).right().named(QStringLiteral("Title"));
    } else {
        const double titleLeft = std::min(444.0, 718 - metrics::width(title, {16, true}) - 8);
        header.label(titleLeft, 2, title, 16, true, 718 - titleLeft).centered().named(QStringLiteral("Title"));
    }
    header.hline(0, Width, 31, 0.75);
    header.hline(0, Width, 37, 3);

    // The section caption; the Standard look prints the total right after
    // it, the others at the right edge, the Professional one on a grey band.
    Band &section = r->addBand(BandKind::Title, 38, QStringLiteral("Section"));
    const FontSpec sectionFont{12, true};
    const bool grey = kind.style == Style::Professional;
    const double captionLeft = grey ? 6 : 0;
    if (grey)
        section.fillColor = looks::LightGrey;
    section.label(captionLeft, 6, caption, sectionFont.size, true);
    if (!totalField.isEmpty()) {
        const double lh = lineHeight(sectionFont);
        if (kind.style == Style::Standard) {
            const double x = metrics::width(caption, sectionFont) + 10;
            section.field(QRectF(x, 6, 250, lh), src.statement, totalField, sectionFont.size, true);
        } else {
            section.field(QRectF(LastRight - 250, 6, 250, lh), src.statement, totalField, sectionFont.size, true)
                .right();
        }
    }
    if (!grey)
        section.hline(0, Width, 6 + lineHeight(sectionFont) + 5, 2);

    for (const Schedule &s : schedules)
        addSchedule(*r, s, src, kind.style);
    return r;
}

}  // namespace

std::unique_ptr<Report> buildAssets(const FormKind &kind, const Sources &src)
{
    return buildDetails(PageKind::Assets, kind, src, QStringLiteral("Section 2 - Assets"),
                        QStringLiteral("TotalAssets"), assetSchedules(kind.style));
}

std::unique_ptr<Report> buildLiabilities(const FormKind &kind, const Sources &src)
{
    return buildDetails(PageKind::Liabilities, kind, src, QStringLiteral("Section 2 - Liabilities"),
                        QStringLiteral("TotalLiabilities"), liabilitySchedules());
}

std::unique_ptr<Report> buildIncomeAndExpenses(const FormKind &kind, const Sources &src)
{
    return buildDetails(PageKind::IncomeAndExpenses, kind, src,
                        QStringLiteral("Section 3 - Annual Income and Expenditures"), QString(),
                        incomeSchedules(kind.style));
}

}  // namespace nettora::reports
