// The blank form sets: eleven one-page forms per style for a borrower who
// fills them in by hand. The summary and legal pages are the joint forms
// built over no tables; the schedule pages are declared below as blocks of
// headings, writing lines and a total caption.
#include "reports/forms/form_parts.h"
#include "reports/forms/forms.h"

namespace nettora::reports {

using namespace parts;

namespace {

struct BlankColumn {
    QStringList heading;  // one or two lines
    double width = 0;
    bool amount = false;  // right-aligned, with a rule for its total
};

struct BlankBlock {
    QString title;
    std::vector<BlankColumn> columns;
    QString totalCaption;
};

struct BlankPage {
    const char *suffix;
    const char *progress;
    const char *section;
    std::vector<BlankBlock> blocks;
};

BlankColumn col(const QStringList &heading, double width)
{
    return {heading, width, false};
}

BlankColumn amt(const QStringList &heading, double width = 110)
{
    return {heading, width, true};
}

// Blocks B and J: the real estate columns, the lien holder first outside the Standard style.
std::vector<BlankColumn> realEstateColumns(Style style, const char *share, const QStringList &last)
{
    std::vector<BlankColumn> c = {col({"Type"}, 70), col({"Description"}, 150), col({"Title in Name of:"}, 130)};
    const BlankColumn year = col({"Year", "Acquired"}, 56), lien = col({"Lien Holder:"}, 120);
    if (style == Style::Standard) {
        c.push_back(year);
        c.push_back(lien);
    } else {
        c.push_back(lien);
        c.push_back(year);
    }
    c.push_back(amt({QString::fromLatin1(share)}, 60));
    c.push_back(amt(last, 90));
    return c;
}

std::vector<BlankPage> blankPages(Style style)
{
    const bool standard = style == Style::Standard;
    const QString regNoColon = style == Style::Contemporary ? QStringLiteral("Registered in the name of")
                                                            : QStringLiteral("Registered in the name of:");
    const QString cardTotal = standard ? QStringLiteral("Totals") : QStringLiteral("Total");
    const QString autoTotal = style == Style::Contemporary ? QStringLiteral("Total") : QStringLiteral("Totals");
    const QStringList jLast = standard ? QStringList{"Market", "Value"} : QStringList{"Current", "Balance"};
    return {
        {"_Assets_A", "Creating Assets Schedule A", "Section 2 - Assets",
         {{"Schedule A - Deposit Relationships",
           {col({"Type of Account"}, 120), col({"Registered in Name of:"}, 170), col({"Bank"}, 140),
            col({"Account Number"}, 130), amt({"Current Balance"}, 120)},
           "Total"},
          {"Schedule B - Real Estate", realEstateColumns(style, "% Owned", {"Market", "Value"}), "Total"}}},
        {"_Assets_B", "Creating Assets Schedule B", "Section 2 - Assets (Cont.)",
         {{"Schedule C - Securities",
           {col({"# Shares"}, 60), col({"Security"}, 130), col({"Exchange"}, 70), col({"Pledged"}, 60),
            col({"Registered in Name of:"}, 150), amt({"Purchase Price"}, 100), amt({"Current Value"}, 100)},
           "Totals"},
          {"Schedule D - Automobiles",
           {col({"Model"}, 240), col({"Year"}, 80), amt({"Monthly Payment"}, 120), amt({"Purchase Price"}, 120),
            amt({"Current Value"}, 120)},
           autoTotal}}},
        {"_Assets_C", "Creating Assets Schedule C", "Section 2 - Assets (Cont.)",
         {{"Schedule E - Cash Value of Life Insurance",
           {col({"Company"}, 110), col({"Insured"}, 100), col({"Benificiary"}, 100), col({"Pledged?"}, 60),
            col({"To Whom?"}, 110), amt({"Face Value"}, 100), amt({"Cash Value"}, 100)},
           "Totals"},
          {"Schedule F - Household and Personal Assets",
           {col({"Description"}, 300), col({"Registered in the name of:"}, 250), amt({"Value"}, 130)},
           "Total"}}},
        {"_Assets_D", "Creating Assets Schedule D", "Section 2 - Assets (Cont.)",
         {{"Schedule G - Business Assets",
           {col({"Description"}, 300), col({"Registered in the name of:"}, 250), amt({"Value"}, 130)},
           "Total"},
          {"Schedule H - Other Assets (Accounts and Notes Receivable, Restricted or Margin Accounts and All Other "
           "Assets)",
           {col({"Type"}, 160), col({"Description"}, 190), col({regNoColon}, 200), amt({"Value"}, 130)},
           "Total"}}},
        {"_L_A", "Creating Liabilities Schedule A", "Section 2 - Liabilities",
         {{"Schedule I - Notes Payable",
           {col({"Bank"}, 200), col({"Description"}, 200), col({"Registered in name of:"}, 170), amt({"Amount"}, 120)},
           "Total"},
          {"Schedule J - Mortgages Payable", realEstateColumns(style, "% Liability", jLast), "Total"}}},
        {"_L_B", "Creating Liabilities Schedule B", "Section 2 - Liabilities (Cont.)",
         {{"Schedule K - Credit Card Liability",
           {col({"Card Name"}, 220), col({"Member Since (Year)"}, 150), amt({"Card Limit"}, 150),
            amt({"Balance"}, 150)},
           cardTotal},
          {"Schedule L - Auto Liability",
           {col({"Description"}, 210), col({"Registered in the name of:"}, 170), col({"Lein Holder"}, 170),
            amt({"Loan Balance"}, 130)},
           "Total"}}},
        {"_L_C", "Creating Liabilities Schedule C", "Section 2 - Liabilities (Cont.)",
         {{"Schedule M - Tax Liability",
           {col({"Type of Tax"}, 200), col({"Explanation"}, 350), amt({"Amount"}, 130)},
           "Total"},
          {"Schedule N - All Other Liabilities",
           {col({"Description"}, 430), amt({"Monthly Payment"}, 120), amt({"Amount"}, 130)},
           "Totals"}}},
        {"_L_D", "Creating Liabilities Schedule D", "Section 2 - Liabilities (Cont.)",
         {{"Schedule O - Contingent Liabilities (Not Included in Net Worth Calculation)",
           {col({"Type"}, 150), col({"To Whom"}, 150), col({"Maturity Date"}, 110), amt({"Monthly Payment"}, 130),
            amt({"Amount"}, 130)},
           "Totals"}}},
        {"_Income", "Creating Annual Income and Expenses", "Section 3 - Annual Income and Expenditures",
         {{"Annual Income - Detailed Summary",
           {col({"Type"}, 220), col({"Description"}, 240), amt({"Monthly"}, 110), amt({"Yearly"}, 110)},
           "Totals"},
          {"Annual Expenditures - Detailed Summary",
           {col({"Type"}, 220), col({"Description"}, 240), amt({"Monthly"}, 110), amt({"Yearly"}, 110)},
           "Totals"}}},
    };
}

QString blankPrefix(Style style)
{
    switch (style) {
    case Style::Standard: return QStringLiteral("TqrBlank_Standard");
    case Style::Contemporary: return QStringLiteral("TqrBlank_Cont");
    case Style::Professional: return QStringLiteral("TqrBlank_Pro");
    }
    return QString();
}

constexpr double LineSpacing = 20;  // 1/96 inch units between writing lines
constexpr double Left = 8, Right = 715, Gap = 6;

// One block from y: the title, the headings row, the writing lines and the
// total caption with a rule under each amount column; returns its foot.
double addBlock(Band &b, double y, const BlankBlock &block, Style style)
{
    const FontSpec titleFont{style == Style::Contemporary ? 11.0 : 10.0, true};
    // A title longer than the line wraps in its own size; its bar grows with it.
    const double titleSize = titleFont.size;
    if (style == Style::Contemporary) {
        looks::blackBarHeading(b, y, block.title, titleSize).named(block.title);
        y += looks::BarHeight;
    } else if (style == Style::Professional) {
        looks::insetBarHeading(b, y, block.title, titleSize).named(block.title);
        y += looks::BarHeight;
    } else {
        b.label(0, y + 4, block.title, titleSize, true, Width).named(block.title);
        y += 4 + lineHeight({titleSize, true});
        b.hline(0, Width, y + 2, 2);
        y += 4;
    }

    const double headingsRow = headingsHeight(block.columns);
    if (style == Style::Contemporary)
        looks::greyBar(b, y, 0, Width, headingsRow);
    // Columns from the left; the amount columns keep to the right edge.
    double used = 0;
    for (const BlankColumn &c : block.columns)
        used += c.width;
    const double spare = std::max(0.0, (Right - Left) - used - Gap * double(block.columns.size() - 1));
    std::vector<QRectF> spans;
    double x = Left;
    for (const BlankColumn &c : block.columns) {
        const double w = c.width + (c.amount ? 0 : spare / double(block.columns.size()));
        spans.emplace_back(x, 0, w, 0);
        x += w + Gap;
    }
    const double shift = Right - (spans.back().right());
    for (std::size_t i = 0; i < spans.size(); ++i)
        if (block.columns[i].amount)
            spans[i].translate(shift, 0);
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const BlankColumn &c = block.columns[i];
        columnHeading(b, spans[i].left(), y + 3, spans[i].width(), c.heading, c.amount ? Align::Right : Align::Left);
    }
    y += headingsRow;
    if (style != Style::Contemporary)
        b.hline(0, Width, y, 0.75);

    const int lines = style == Style::Professional ? 16 : 15;
    for (int i = 1; i <= lines; ++i)
        b.hline(Left, Right - 2, y + i * LineSpacing, 0.75, PenStyle::Dotted);
    y += lines * LineSpacing + 6;

    b.label(Left, y + 4, block.totalCaption, Small.size, true);
    for (std::size_t i = 0; i < spans.size(); ++i)
        if (block.columns[i].amount)
            b.hline(spans[i].left() + 10, spans[i].right(), y + 4 + lineHeight(SmallBold), 0.75);
    y += 8 + lineHeight(SmallBold);
    b.hline(0, Width, y, 2);
    return y + 10;
}

std::unique_ptr<Report> buildBlankSchedulePage(Style style, const BlankPage &page)
{
    auto r = std::make_unique<Report>(blankPrefix(style) + QString::fromLatin1(page.suffix));
    Band &header = r->addBand(BandKind::PageHeader, 46, QStringLiteral("PageHeader"));
    const QString title = QStringLiteral("Financial Statement Details");
    const double width = metrics::width(title, {16, true});
    header.label(718 - width - 8, 2, title, 16, true, width + 8).right().named(QStringLiteral("Title"));
    header.hline(0, Width, 31, 0.75);
    header.hline(0, Width, 37, 3);

    Band &body = r->addBand(BandKind::Title, 0, QStringLiteral("Body"));
    const FontSpec sectionFont{12, true};
    double y = 0;
    if (style == Style::Professional)
        looks::greyBar(body, y, 0, Width, lineHeight(sectionFont) + 12);
    body.label(style == Style::Professional ? 6 : 0, 6, QString::fromLatin1(page.section), sectionFont.size, true)
        .named(QStringLiteral("Section"));
    y = 6 + lineHeight(sectionFont) + 6;
    if (style != Style::Professional)
        body.hline(0, Width, y, 2);
    y += 8;
    for (const BlankBlock &block : page.blocks)
        y = addBlock(body, y, block, style);
    body.height = y;
    return r;
}

}  // namespace

std::vector<SequenceForm> blankForms(Style style)
{
    Sources none;
    none.blank = true;
    const FormKind joint{style, Filing::Joint};
    std::vector<SequenceForm> forms;
    forms.push_back({blankPrefix(style), QStringLiteral("Creating Net Worth Summary"), [joint, none] { return buildNetWorthSummary(joint, none); }});
    forms.push_back({blankPrefix(style) + QStringLiteral("_Sect4"), QStringLiteral("Creating Legal Information"),
                     [joint, none] { return buildLegalInformation(joint, none); }});
    for (const BlankPage &page : blankPages(style))
        forms.push_back({blankPrefix(style) + QString::fromLatin1(page.suffix), QString::fromLatin1(page.progress),
                         [style, page] { return buildBlankSchedulePage(style, page); }});
    return forms;
}

}  // namespace nettora::reports
