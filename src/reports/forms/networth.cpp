// Net Worth Summary: preparer lines and title in the page header, then one
// title band per section (personal information, the spouse's, the statement
// of financial condition, the annual income and expenditures), framed
// together, so that a section grown by long values moves to a further page.
#include "kit/vendor.h"
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
         {306, "Birthdate: ", "Birthday"},
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
    const char *other;  // Contemporary and Professional; empty: the Standard words
    const char *field;
    bool bold = false;
    const char *note = nullptr;  // Contemporary and Professional: a second text after the caption
    const char *proBlank = nullptr;  // the Professional blank form's single caption, where it differs
};

const AmountRow Assets[] = {
    {"Cash: (Refer to Schedule A)", "Cash", "CashOnHand", false, "(Refer to Schedule A)", "Cash (Refer to Schedule A)"},
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
    {"Notes Payable: (Refer to Schedule I)", "Notes Payable", "BankLiability", false, "(Refer to Schedule I)",
     "Notes Payable (Refer to Schedule I)"},
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

// Income and expenditure captions; the Standard style adds a colon, and only
// the Professional style uses the longer words.
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
    {"Installment Payments", "Installment Payments (auto, credit cards)", "Installment_Exp", false, nullptr,
     "Installment Payments"},
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
// An amount column holds the largest amount a field may hold, with its sign,
// currency sign and separators, in bold 8 pt.
constexpr double LeftCaption = 10, LeftAmountEnd = 356, RightCaption = 370, RightAmountEnd = 712;
constexpr double AmountWidth = 128;
constexpr double ColumnRules[] = {LeftAmountEnd - AmountWidth - 4, 362, RightAmountEnd - AmountWidth - 4};

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

// Which words a column's captions use in each style: the asset and liability
// captions change from the Contemporary style on, the income and expenditure
// ones only in the Professional style (where one grows longer).
enum class Words { FromContemporary, FromProfessional };

QString captionOf(const AmountRow &row, Style style, Words words)
{
    const bool other = *row.other
                       && (style == Style::Professional || (style == Style::Contemporary && words == Words::FromContemporary));
    return QString::fromLatin1(other ? row.other : row.standard);
}

// One column of caption/amount rows; Standard captions get a colon when asked,
// Professional ones a dot leader up to the amount. Returns where each row's
// caption (with its note) ends, for the notes added after some of them.
std::vector<double> amountColumn(Band &b, double y, const AmountRow *rows, int count, double captionX,
                                 double amountEnd, Table *statement, bool addColon, Style style = Style::Standard,
                                 Words words = Words::FromContemporary, bool blank = false)
{
    std::vector<double> ends(size_t(count), captionX);
    for (int i = 0; i < count; ++i) {
        const AmountRow &row = rows[i];
        if (!*row.field)
            continue;
        const double top = y + i * RowHeight + TextInset;
        const bool single = blank && style == Style::Professional && row.proBlank;
        QString caption = single ? QString::fromLatin1(row.proBlank) : captionOf(row, style, words);
        if (addColon && style == Style::Standard)
            caption += QLatin1Char(':');
        const FontSpec font{Small.size, row.bold};
        b.label(captionX, top, caption, Small.size, row.bold);
        double end = captionX + metrics::width(caption, font);
        if (row.note && style != Style::Standard && !single) {
            const QString note = QString::fromLatin1(row.note);
            b.label(end + 3, top, note, Small.size);
            end += 3 + metrics::width(note, Small);
        }
        ends[size_t(i)] = end;
        amount(b, amountEnd, top, statement, QString::fromLatin1(row.field), row.bold, AmountWidth);
    }
    return ends;
}

void rowRules(Band &b, double top, int rows)
{
    for (int i = 1; i < rows; ++i)
        b.hline(0, Width, top + i * RowHeight, 0.75);
    for (double x : ColumnRules)
        b.vline(x, top, top + rows * RowHeight, 0.75);
}

// The Professional personal data: values only, in two columns under a grey
// bar carrying the two column headings.
struct ProLine {
    const char *left;
    const char *right;
};
const ProLine ProPersonalLines[] = {
    {"FullName2", "Employer"},         {"Address", "EAddress"}, {"CityStateZip", "ECityStateZip"},
    {"PersonalPhone", "BusinessPhone"}, {"SSN", "Position"},    {"dlbdate", "YearsEmployed2"},
    {"MarriedDependants", "Email"},
};
constexpr double ProLeft = 29, ProRight = 357, ProLineHeight = 17;

double proPersonalSection(Band &b, double y, Table *client, const QString &prefix, const QString &leftHeading,
                          const QString &rightHeading)
{
    looks::greyBar(b, y, looks::InsetBarLeft, looks::InsetBarRight);
    looks::barText(b, ProLeft, y, leftHeading);
    looks::barText(b, ProRight, y, rightHeading);
    y += looks::BarHeight + 4;
    for (const ProLine &line : ProPersonalLines) {
        b.field(QRectF(ProLeft, y, ProRight - 8 - ProLeft, lineHeight()), client, prefix + QString::fromLatin1(line.left));
        b.field(QRectF(ProRight, y, looks::InsetBarRight - ProRight, lineHeight()), client,
                prefix + QString::fromLatin1(line.right));
        y += ProLineHeight;
    }
    return y + 2;
}

// A section heading of the Contemporary (black bar) or Professional (inset
// grey bar) look; returns its foot.
double styledHeading(Band &b, double y, Style style, const QString &text, double size)
{
    if (style == Style::Contemporary)
        return looks::blackBar(b, y, text, size);
    looks::insetBarHeading(b, y, text, size);
    return y + looks::BarHeight;
}

// The bold column-heading row of a two-column section: on a grey bar in the
// Contemporary style.
double columnHeadings(Band &b, double y, Style style, const QString &left, const QString &right)
{
    if (style == Style::Contemporary)
        looks::greyBar(b, y, 0, Width, RowHeight);
    b.label(LeftCaption, y + TextInset, left, Small.size, true);
    b.label(LeftAmountEnd - AmountWidth, y + TextInset, QStringLiteral("In Dollars"), Small.size, true, AmountWidth).right();
    b.label(RightCaption, y + TextInset, right, Small.size, true);
    b.label(RightAmountEnd - AmountWidth, y + TextInset, QStringLiteral("In Dollars"), Small.size, true, AmountWidth).right();
    return y + RowHeight;
}

// Rows of the two columns: thin rules in the Contemporary style, dot leaders
// from each caption to its amount in the Professional one.
void styledRowMarks(Band &b, double top, int rows, Style style, const std::vector<double> &leftEnds,
                    const std::vector<double> &rightEnds)
{
    if (style == Style::Contemporary) {
        for (int i = 1; i < rows; ++i)
            b.hline(0, Width, top + i * RowHeight, 0.5);
        b.vline(ColumnRules[1], top, top + rows * RowHeight, 0.5);
        return;
    }
    for (int i = 0; i < rows; ++i) {
        const double rowTop = top + i * RowHeight + TextInset;
        if (leftEnds[size_t(i)] > LeftCaption)
            looks::dotLeader(b, leftEnds[size_t(i)] + 3, LeftAmountEnd - AmountWidth, rowTop);
        if (rightEnds[size_t(i)] > RightCaption)
            looks::dotLeader(b, rightEnds[size_t(i)] + 3, RightAmountEnd - AmountWidth, rowTop);
    }
}

// The body's sections, framed together on every page they occupy.
constexpr int BodyFrame = 1;

Band &section(Report &r, const QString &name, double frameWidth)
{
    Band &b = r.addBand(BandKind::Title, 0, name);
    b.frameGroup = BodyFrame;
    b.frameWidth = frameWidth;
    return b;
}

void standardBody(Report &r, bool joint, const Sources &src)
{
    constexpr double Frame = 1.5;
    Band &personal = section(r, QStringLiteral("Personal"), Frame);
    double y = standard::sectionHeading(personal, 0, QStringLiteral("Section 1a - Personal Information"));
    // The statement date at the right end of the first heading.
    const double dateLeft = 640;
    personal.label(dateLeft - 40, 9, QStringLiteral("Date: "), Small.size, false, 40).right();
    personal.field(QRectF(dateLeft, 9, Width - 4 - dateLeft, lineHeight()), src.statement, QStringLiteral("Date"));
    personal.height = personalSection(personal, y, src.client, QString());
    if (joint) {
        Band &spouse = section(r, QStringLiteral("Spouse"), Frame);
        y = standard::sectionHeading(spouse, 0, QStringLiteral("Section 1b - Spouse Information"));
        spouse.height = personalSection(spouse, y, src.client, QStringLiteral("S"));
    }

    Band &condition = section(r, QStringLiteral("Condition"), Frame);
    y = standard::sectionHeading(condition, 0, QStringLiteral("Section 2 - Statement of Financial Condition"));
    const double columnsTop = y;
    condition.label(LeftCaption, y + TextInset, QStringLiteral("Assets"), Small.size, true);
    condition.label(LeftAmountEnd - AmountWidth, y + TextInset, QStringLiteral("In Dollars"), Small.size, true, AmountWidth)
        .right();
    condition.label(RightCaption, y + TextInset, QStringLiteral("Liabilities"), Small.size, true);
    condition.label(RightAmountEnd - AmountWidth, y + TextInset, QStringLiteral("In Dollars"), Small.size, true, AmountWidth)
        .right();
    y += RowHeight;
    amountColumn(condition, y, Assets, 11, LeftCaption, LeftAmountEnd, src.statement, false);
    amountColumn(condition, y, Liabilities, 11, RightCaption, RightAmountEnd, src.statement, false);
    // The notes after two liability captions.
    // The contingent note keeps left of the amount column's rule, on a
    // further line if need be.
    const double contingentTop = y + 7 * RowHeight + TextInset;
    const double noteX = RightCaption + metrics::width(QStringLiteral("Contingent Liabilities:"), Small) + 4;
    labelOnBaseline(condition, noteX, contingentTop, QStringLiteral("(Does not affect Net Worth)"), {7, false})
        .rect.setWidth(ColumnRules[2] - 4 - noteX);
    condition.label(RightCaption + metrics::width(QStringLiteral("Net Worth:"), SmallBold) + 4,
                    y + 10 * RowHeight + TextInset, QStringLiteral("(Total Assets - Total Liabilities)"), Small.size);
    y += 11 * RowHeight;
    rowRules(condition, columnsTop, 12);
    condition.height = y;

    Band &income = section(r, QStringLiteral("Income"), Frame);
    income.hline(0, Width, standard::HeadingRule / 2, standard::HeadingRule);
    income.label(6, 6, QStringLiteral("Section 3 - Annual Income"), 10, true);
    income.label(RightCaption, 6, QStringLiteral("Annual Expenditures"), 10, true);
    income.hline(0, Width, standard::HeadingHeight - standard::HeadingRule / 2, standard::HeadingRule);
    y = standard::HeadingHeight;
    amountColumn(income, y, Income, 9, LeftCaption, LeftAmountEnd, src.statement, true);
    amountColumn(income, y, Expenditures, 9, RightCaption, RightAmountEnd, src.statement, true);
    rowRules(income, y, 9);
    income.height = y + 9 * RowHeight;
}

void styledBody(Report &r, Style style, bool joint, const Sources &src)
{
    const bool pro = style == Style::Professional;
    constexpr double Frame = looks::BandFrame;
    // The joint Contemporary form sets its headings larger.
    const double headingSize = style == Style::Contemporary && joint ? 12 : 10;
    if (pro) {
        Band &personal = section(r, QStringLiteral("Personal"), Frame);
        personal.height = proPersonalSection(personal, 2, src.client, QString(), QStringLiteral("Personal Information"),
                                             QStringLiteral("Employment Information"));
        if (joint) {
            Band &spouse = section(r, QStringLiteral("Spouse"), Frame);
            spouse.height = proPersonalSection(spouse, 0, src.client, QStringLiteral("S"),
                                               QStringLiteral("Spouse's Information"),
                                               QStringLiteral("Spouse's Employment Information"));
        }
    } else {
        Band &personal = section(r, QStringLiteral("Personal"), Frame);
        double y = looks::blackBar(personal, 0, QStringLiteral("Personal Information"), headingSize);
        // The statement date, white, at the right end of the first bar.
        personal.field(QRectF(Width - 6 - 150, (looks::BarHeight - lineHeight()) / 2, 150, lineHeight()), src.statement,
                       QStringLiteral("Date"))
            .right()
            .colored(Qt::white);
        personal.height = personalSection(personal, y, src.client, QString());
        if (joint) {
            Band &spouse = section(r, QStringLiteral("Spouse"), Frame);
            y = looks::blackBar(spouse, 0, QStringLiteral("Spouse Information"), headingSize);
            spouse.height = personalSection(spouse, y, src.client, QStringLiteral("S"));
        }
    }

    Band &condition = section(r, QStringLiteral("Condition"), Frame);
    double y = styledHeading(condition, 0, style, QStringLiteral("Statement of Financial Condition (Balance Sheet)"),
                             headingSize);
    y = columnHeadings(condition, y, style, QStringLiteral("Assets"), QStringLiteral("Liabilities"));
    const std::vector<double> assetEnds =
        amountColumn(condition, y, Assets, 11, LeftCaption, LeftAmountEnd, src.statement, false, style,
                     Words::FromContemporary, src.blank);
    std::vector<double> liabilityEnds = amountColumn(condition, y, Liabilities, 11, RightCaption, RightAmountEnd,
                                                     src.statement, false, style, Words::FromContemporary, src.blank);
    // The notes after two liability captions; leaders start after them. The
    // note keeps clear of the amount column, on a further line if need be.
    double &contingentEnd = liabilityEnds[7];
    const double noteX = contingentEnd + 4;
    const QString contingentNote = QStringLiteral("(Does not affect Net Worth)");
    const FontSpec noteFont{7, false};
    const double noteRoom = RightAmountEnd - AmountWidth - 4 - noteX;
    labelOnBaseline(condition, noteX, y + 7 * RowHeight + TextInset, contingentNote, noteFont).rect.setWidth(noteRoom);
    contingentEnd = noteX + metrics::width(metrics::wrap(contingentNote, noteRoom, noteFont).value(0), noteFont);
    const QString netWorthNote = QStringLiteral("(Total Assets - Total Liabilities)");
    double &netWorthEnd = liabilityEnds[10];
    condition.label(netWorthEnd + 4, y + 10 * RowHeight + TextInset, netWorthNote, Small.size);
    netWorthEnd += 4 + metrics::width(netWorthNote, Small);
    styledRowMarks(condition, y, 11, style, assetEnds, liabilityEnds);
    condition.height = y + 11 * RowHeight;

    Band &income = section(r, QStringLiteral("Income"), Frame);
    y = styledHeading(income, 0, style, QStringLiteral("Annual Income and Expenditures"), headingSize);
    y = columnHeadings(income, y, style, QStringLiteral("Annual Income"), QStringLiteral("Annual Expenditures"));
    const std::vector<double> incomeEnds = amountColumn(income, y, Income, 9, LeftCaption, LeftAmountEnd,
                                                        src.statement, false, style, Words::FromProfessional, src.blank);
    const std::vector<double> expenseEnds = amountColumn(income, y, Expenditures, 9, RightCaption, RightAmountEnd,
                                                         src.statement, false, style, Words::FromProfessional,
                                                         src.blank);
    styledRowMarks(income, y, 9, style, incomeEnds, expenseEnds);
    y += 9 * RowHeight;

    if (pro && !joint) {
        y += 10;
        income.label(0, y, vendor::ProductWebAddress, Small.size, true, Width)
            .centered()
            .named(QStringLiteral("WebAddress"));
        y += lineHeight(SmallBold) + 6;
    }
    income.height = y;
}

}  // namespace

std::unique_ptr<Report> buildNetWorthSummary(const FormKind &kind, const Sources &src)
{
    const bool joint = kind.filing == Filing::Joint;
    const bool pro = kind.style == Style::Professional;
    auto r = std::make_unique<Report>(formName(PageKind::NetWorthSummary, kind));
    if (!joint && kind.style == Style::Standard)
        r->pageFrameWidth = 1.5;

    Band &header = r->addBand(BandKind::PageHeader, 50, QStringLiteral("PageHeader"));
    constexpr double Inset = 6;
    if (!src.blank) {
        for (int i = 0; i < 3; ++i) {
            const QString field = QStringList{QStringLiteral("Company"), QStringLiteral("FullName"), QStringLiteral("Phone")}[i];
            header.field(QRectF(Inset, 5 + i * 13, 380, lineHeight()), src.user, field);
        }
    }
    const FontSpec titleFont{pro ? 12.0 : 14.0, true};
    header.label(300, 8, pro ? QStringLiteral("Personal Financial Statement") : QStringLiteral("PERSONAL FINANCIAL STATEMENT"),
                 titleFont.size, true, Width - 2 * Inset - 300)
        .right()
        .named(QStringLiteral("Title"));
    if (pro)  // the date's right end under the title's
        header.field(QRectF(Width - 2 * Inset - 200, 8 + lineHeight(titleFont) + 2, 200, lineHeight()), src.statement,
                     QStringLiteral("Date"))
            .right();
    if (kind.style != Style::Standard)
        looks::bandFrame(header, 0, header.height - 4);

    if (kind.style == Style::Standard)
        standardBody(*r, joint, src);
    else
        styledBody(*r, kind.style, joint, src);

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
