// The schedule forms of the Contemporary and Professional styles beside the
// Standard ones: titles, headings, rows and totals on the drawing, each
// style's bars and rules, the real estate headings over their figures, and
// the forms as PDF files.
#include "page_capture.h"
#include "pdf_tools.h"
#include "statement_fixture.h"

#include "data/datamodule.h"
#include "reports/engine/output.h"
#include "reports/forms/forms.h"

#include <QDir>
#include <QTemporaryDir>

using namespace nettora;
using namespace nettora::reports;
using namespace nettora::test;

namespace {

const QColor kGrey(0xD3, 0xD3, 0xD3);

struct Look {
    Style style;
    const char *name;
    const char *forms;  // class name of the assets form; the others add _L and _Inc
    double titleSize;   // schedule titles
    QColor titleColor;
    bool bars;          // black title bar and grey heading bar instead of rules
    bool greySection;   // the section caption on a grey band, without a rule under it
    double pageTitleSize;
    bool pageTitleRight;  // right-aligned ending at 714, else centred in 444..718
};

const Look kStandard{Style::Standard, "standard", "TqrSingle_Details", 10, Qt::black, false, false, 16, false};
const Look kContemporary{Style::Contemporary, "contemporary", "TqrCont_Joint_Details", 12, Qt::white, true, false,
                         16, false};
const Look kProfessional{Style::Professional, "professional", "TqrPro_Details", 10, Qt::black, false, true, 14, true};

struct PageCase {
    PageKind kind;
    const char *suffix;
    const char *caption;
    const char *sectionTotal;  // empty: none
    const char *firstTitle;    // as the Contemporary and Professional forms word it
    const char *firstHeading;
    QStringList texts;         // headings, rows and totals every style prints
};

const PageCase kPages[] = {
    {PageKind::Assets, "", "Section 2 - Assets", "$874,550.80", "Schedule A - Deposit Relationships", "Type of Account",
     {"Type of Account", "Registered in Name of", "Bank", "Account Number", "Current Balance",
      "Schedule B - Real Estate", "Type", "Description", "Year", "Acquired", "% Owned", "Asset", "Value", "Market",
      "Title in Name of:", "Lien Holder:", "Schedule C - Securities", "# Shares", "Security", "Exchange", "Pledged",
      "Purchase Price", "Current Value", "Schedule D - Automobiles", "Model", "Monthly Payment",
      "Schedule E - Cash Value of Life Insurance", "Company", "Insured", "Beneficiary", "Pledged?", "To Whom?",
      "Face Value", "Cash Value", "Schedule F - Household and Personal Assets", "Registered in the name of",
      "Schedule G - Business Assets", "Total", "Totals", "812.5", "2004", "%", "Home Mortgage Co", "Lake cabin",
      "$665,000.00", "$575,000.00"}},
    {PageKind::Liabilities, "_L", "Section 2 - Liabilities", "$311,350.75", "Schedule I - Notes Payable", "Bank",
     {"Registered in name of", "Amount", "Schedule J - Mortgages Payable", "% Liability", "Mortgage", "Liability",
      "Current", "Balance", "Schedule K - Credit Card Liability", "Card Name", "Member Since (Year)", "Card Limit",
      "Schedule L - Auto Liability", "Lien Holder", "Loan Balance", "Schedule M - Tax Liability", "Type of Tax",
      "Explanation", "Schedule N - All Other Liabilities",
      "Schedule O - Contingent Liabilities (Not Included in Net Worth Calculation)", "To Whom", "Maturity Date",
      "06/30/2027", "Title in Name of:", "Lien Holder:", "Totals"}},
    {PageKind::IncomeAndExpenses, "_Inc", "Section 3 - Annual Income and Expenditures", "",
     "Annual Income - Detailed Summary", "Type",
     {"Type", "Description", "Monthly (Average)", "Yearly", "$34,050.00", "$408,600.00", "$2,800.00", "$33,600.00",
      "Annual Expenditures - Detailed Summary", "Mortgage Payment", "Totals"}},
};

const QString kScheduleH = QStringLiteral(
    "Schedule H - Other Assets (Accounts and Notes Receivable, Restricted or Margin Accounts and All Other Assets)");

class StyledSchedulesTest : public StatementTest {
protected:
    std::unique_ptr<Report> prepared(PageKind page, Style style, Filing filing = Filing::Joint)
    {
        return preparedForm(page, {style, filing});
    }
    std::vector<CapturedPage> form(PageKind page, Style style, Filing filing = Filing::Joint)
    {
        return captureAll(prepared(page, style, filing)->pages());
    }
    QTemporaryDir m_out;
};

QStringList allTexts(const std::vector<CapturedPage> &pages)
{
    QStringList out;
    for (const CapturedPage &p : pages)
        out << p.textList();
    return out;
}

// A filled rectangle of the colour holding the point.
const DrawnRect *fillAt(const CapturedPage &p, const QColor &color, double x, double y)
{
    for (const DrawnRect &r : p.rects)
        if (r.fill.isValid() && r.fill.rgb() == color.rgb() && r.rect.contains(x, y))
            return &r;
    return nullptr;
}

bool ruleBetween(const CapturedPage &p, double width, double top, double bottom)
{
    for (const DrawnLine &l : p.lines)
        if (std::abs(l.width - width) < 0.01 && l.line.dy() == 0 && l.line.y1() > top && l.line.y1() < bottom
            && std::abs(l.line.length() - 720) < 1)
            return true;
    return false;
}

// The text t whose right end is at right.
const DrawnText *endingAt(const CapturedPage &p, const QString &t, double right)
{
    for (const DrawnText &d : p.texts)
        if (d.text == t && std::abs(d.right() - right) < 0.1)
            return &d;
    return nullptr;
}

}  // namespace

TEST_F(StyledSchedulesTest, EachStyleDrawsItsLookOverTheSameSchedules)
{
    for (bool joint : {true, false}) {
        load({.joint = joint, .firstName = joint ? "John" : "Jim"});
        const Filing filing = joint ? Filing::Joint : Filing::Single;
        for (const Look &look : {kContemporary, kProfessional}) {
            for (const PageCase &pc : kPages) {
                const QString name = QString::fromLatin1(look.forms) + QString::fromLatin1(pc.suffix);
                SCOPED_TRACE(name.toStdString() + (joint ? " joint" : " single"));
                EXPECT_EQ(formName(pc.kind, {look.style, filing}), name);
                const std::vector<CapturedPage> pages = form(pc.kind, look.style, filing);
                ASSERT_FALSE(pages.empty());
                const QStringList t = allTexts(pages);
                for (const QString &w : pc.texts)
                    EXPECT_TRUE(t.contains(w)) << "missing \"" << w.toStdString() << "\"";
                for (const CapturedPage &p : pages)
                    for (const DrawnText &d : p.texts) {
                        EXPECT_GE(d.x, 48 - 0.01) << d.text.toStdString();
                        EXPECT_LE(d.right(), 48 + 720 + 0.01) << d.text.toStdString();
                    }
                // Both filings print the same schedule pages.
                if (!joint) {
                    EXPECT_EQ(t, allTexts(form(pc.kind, look.style, Filing::Joint)));
                }

                // Title wording of this style.
                if (pc.kind == PageKind::Assets) {
                    EXPECT_EQ(t.contains(kScheduleH), look.style != Style::Contemporary);
                    EXPECT_EQ(t.contains(QStringLiteral("Schedule H")), look.style == Style::Contemporary);
                    const QString rest = QStringLiteral("- Other Assets (Accounts and Notes Receivable, Restricted "
                                                        "or Margin Accounts All Other Assets)");
                    // The Contemporary title's second label runs on from the
                    // first, in the title's size, wrapping rather than shrinking.
                    for (const CapturedPage &p : pages) {
                        const DrawnText *first = p.find(QStringLiteral("Schedule H"));
                        if (!first)
                            continue;
                        QStringList pieces;
                        const DrawnText *second = nullptr;
                        for (const DrawnText &d : p.texts)
                            if (d.size == first->size && d.bold && d.baseline >= first->baseline - 0.05
                                && d.baseline < first->baseline + 40 && &d != first) {
                                pieces << d.text;
                                if (!second)
                                    second = &d;
                            }
                        ASSERT_NE(second, nullptr);
                        const QString joined = pieces.join(QLatin1Char(' '));
                        EXPECT_TRUE(joined == rest || joined == rest + QStringLiteral(" (continued)")) << joined.toStdString();
                        EXPECT_NEAR(first->baseline, second->baseline, 0.05);
                        EXPECT_GT(second->x, first->right());
                        EXPECT_EQ(second->color.rgb(), QColor(Qt::white).rgb());
                    }
                }
                if (pc.kind == PageKind::IncomeAndExpenses) {
                    EXPECT_FALSE(t.contains(QStringLiteral("Detailed Summary")));
                    EXPECT_FALSE(t.contains(QStringLiteral("Annual Income")));
                }

                const CapturedPage &p = pages[0];
                // Page title.
                const DrawnText &title = p.texts.front();
                EXPECT_EQ(title.text, QStringLiteral("Financial Statement Details"));
                EXPECT_TRUE(title.bold);
                EXPECT_NEAR(title.size, look.pageTitleSize, 0.01);
                // Centred in a box from 444 to 718, widened leftwards as far as a
                // wider title needs, or right-aligned at 714.
                if (look.pageTitleRight) {
                    EXPECT_NEAR(title.right(), 48 + 714, 0.1);
                } else {
                    EXPECT_NEAR(48 + 718 - title.right(), std::max((274 - title.width) / 2, 4.0), 0.1);
                }

                // Section band: caption, total at the right edge, grey band or rule.
                const DrawnText *caption = p.find(QString::fromLatin1(pc.caption));
                ASSERT_NE(caption, nullptr);
                EXPECT_NEAR(caption->size, 12, 0.01);
                if (*pc.sectionTotal) {
                    const DrawnText *total = p.find(QString::fromLatin1(pc.sectionTotal));
                    ASSERT_NE(total, nullptr);
                    EXPECT_NEAR(total->baseline, caption->baseline, 0.01);
                    EXPECT_NEAR(total->right(), 48 + 715, 0.1);
                    EXPECT_TRUE(total->bold);
                }
                const DrawnRect *band = fillAt(p, kGrey, caption->x, caption->baseline - 2);
                EXPECT_EQ(band != nullptr, look.greySection);
                if (band) {
                    EXPECT_NEAR(band->rect.width(), 720, 0.1);
                }

                // First schedule: title on a black bar in white, headings on a
                // full-width grey bar, or both between rules.
                const QString firstTitle = QString::fromLatin1(pc.firstTitle);
                const DrawnText *schedule = p.find(firstTitle);
                ASSERT_NE(schedule, nullptr) << firstTitle.toStdString();
                EXPECT_NEAR(schedule->size, look.titleSize, 0.01);
                EXPECT_TRUE(schedule->bold);
                EXPECT_EQ(schedule->color.rgb(), look.titleColor.rgb());
                const DrawnText *heading = nullptr;
                for (const DrawnText &d : p.texts)
                    if (d.text == QLatin1String(pc.firstHeading) && d.baseline > schedule->baseline && !heading)
                        heading = &d;
                ASSERT_NE(heading, nullptr);
                EXPECT_TRUE(heading->bold);
                EXPECT_NEAR(heading->size, 8, 0.01);
                EXPECT_EQ(fillAt(p, Qt::black, schedule->x, schedule->baseline - 2) != nullptr, look.bars);
                const DrawnRect *bar = fillAt(p, kGrey, heading->x, heading->baseline - 2);
                EXPECT_EQ(bar != nullptr, look.bars);
                if (bar) {
                    EXPECT_NEAR(bar->rect.left(), 48, 0.1);
                    EXPECT_NEAR(bar->rect.width(), 720, 0.1);
                    EXPECT_LT(bar->rect.top(), heading->baseline - 6);
                }
                EXPECT_EQ(ruleBetween(p, 2, schedule->baseline, heading->baseline), !look.bars);
                EXPECT_EQ(ruleBetween(p, 2, caption->baseline, schedule->baseline), !look.greySection);
            }
        }
    }
}

TEST_F(StyledSchedulesTest, RowsAndFootersCarryTheStatementFiguresInEveryStyle)
{
    load();
    for (const Look &look : {kContemporary, kProfessional}) {
        SCOPED_TRACE(look.name);
        const CapturedPage b = form(PageKind::Assets, look.style).at(0);
        const CapturedPage j = form(PageKind::Liabilities, look.style).at(0);
        const CapturedPage inc = form(PageKind::IncomeAndExpenses, look.style).at(0);
        const auto rowOf = [](const CapturedPage &p, const QString &first) {
            const DrawnText *d = p.find(first);
            return d ? p.lineAt(d->baseline) : QString();
        };
        EXPECT_EQ(rowOf(b, QStringLiteral("Rental")), QStringLiteral("Rental Lake cabin 2015 50 % $180,000.00 $90,000.00"));
        EXPECT_EQ(rowOf(j, QStringLiteral("Rental")), QStringLiteral("Rental Lake cabin 2015 50 % $90,000.00 $45,000.00"));
        EXPECT_EQ(rowOf(b, QStringLiteral("Title in Name of:")),
                  QStringLiteral("Title in Name of: John Smith and Paul Green Lien Holder: Lakeside Bank"));
        EXPECT_EQ(rowOf(b, QStringLiteral("$575,000.00")), QStringLiteral("Totals $665,000.00 $575,000.00"));
        EXPECT_EQ(rowOf(inc, QStringLiteral("$408,600.00")), QStringLiteral("Totals $34,050.00 $408,600.00"));
        EXPECT_EQ(rowOf(inc, QStringLiteral("$33,600.00")), QStringLiteral("Totals $2,800.00 $33,600.00"));
        for (const char *total : {"$575,000.00", "$408,600.00"}) {
            const CapturedPage &p = QLatin1String(total) == QLatin1String("$575,000.00") ? b : inc;
            EXPECT_NEAR(p.find(QString::fromLatin1(total))->right(), 48 + 715, 0.05) << total;
            EXPECT_TRUE(p.find(QString::fromLatin1(total))->bold) << total;
        }
        EXPECT_LT(b.find(QStringLiteral("Rental"))->baseline, b.find(QStringLiteral("Residence"))->baseline);
        // Every row has its dotted rule.
        int dotted = 0;
        for (const DrawnLine &l : b.lines)
            dotted += l.dotted ? 1 : 0;
        EXPECT_GE(dotted, 2 + 3 + 2);  // deposits, real estate, securities at least
    }
}

TEST_F(StyledSchedulesTest, RealEstateHeadingsStandOverTheirFigures)
{
    // The full market value and balance under "Market Value" and "Current
    // Balance"; the owned and owed shares under "Asset Value" and "Mortgage
    // Liability", as the entry windows name the shares.
    load();
    const struct {
        PageKind page;
        const char *full, *share;            // figures of the Rental row
        const char *fullHead[2], *shareHead[2];
    } cases[] = {
        {PageKind::Assets, "$180,000.00", "$90,000.00", {"Market", "Value"}, {"Asset", "Value"}},
        {PageKind::Liabilities, "$90,000.00", "$45,000.00", {"Current", "Balance"}, {"Mortgage", "Liability"}},
    };
    for (const Look &look : {kStandard, kContemporary, kProfessional}) {
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(look.name) + " " + c.full);
            const std::unique_ptr<Report> r = prepared(c.page, look.style);
            const CapturedPage p = capture(r->preparedPage(0));
            const DrawnText *rental = p.find(QStringLiteral("Rental"));
            ASSERT_NE(rental, nullptr);
            for (const auto &[figure, head] : {std::pair{c.full, c.fullHead}, std::pair{c.share, c.shareHead}}) {
                const DrawnText *amount = nullptr;
                for (const DrawnText &d : p.texts)
                    if (d.text == QLatin1String(figure) && std::abs(d.baseline - rental->baseline) < 0.5)
                        amount = &d;
                ASSERT_NE(amount, nullptr) << figure;
                const DrawnText *top = endingAt(p, QString::fromLatin1(head[0]), amount->right());
                ASSERT_NE(top, nullptr) << head[0] << " over " << figure;
                const DrawnText *bottom = nullptr;
                for (const DrawnText &d : p.texts)
                    if (d.text == QLatin1String(head[1]) && std::abs(d.right() - amount->right()) < 0.1
                        && d.baseline > top->baseline && d.baseline < top->baseline + 12)
                        bottom = &d;
                EXPECT_NE(bottom, nullptr) << head[1] << " under " << head[0];
                EXPECT_LT(top->baseline, amount->baseline);
            }

            // The same in the PDF file, word by word.
            const QString file = QDir(m_out.path()).filePath(QStringLiteral("%1_%2.pdf").arg(look.name).arg(c.full));
            writePdf(file, r->pages());
            const std::vector<PdfWord> words = pdfWords(file, 1);
            const PdfWord *rentalWord = nullptr;
            for (const PdfWord &w : words)
                if (w.text == QLatin1String("Rental") && !rentalWord)
                    rentalWord = &w;
            ASSERT_NE(rentalWord, nullptr);
            for (const auto &[figure, head] : {std::pair{c.full, c.fullHead}, std::pair{c.share, c.shareHead}}) {
                const PdfWord *amount = nullptr;
                for (const PdfWord &w : words)
                    if (w.text == QLatin1String(figure) && std::abs(w.yMax - rentalWord->yMax) < 1)
                        amount = &w;
                ASSERT_NE(amount, nullptr) << figure;
                int over = 0;
                for (const PdfWord &w : words)
                    if ((w.text == QLatin1String(head[0]) || w.text == QLatin1String(head[1]))
                        && std::abs(w.xMax - amount->xMax) < 1 && w.yMax < amount->yMin && w.yMax > amount->yMin - 40)
                        ++over;
                EXPECT_EQ(over, 2) << head[0] << " " << head[1] << " over " << figure;
            }
        }
    }
}

TEST_F(StyledSchedulesTest, MonthlyColumnIsBlankedByPrintMonthlyIncome)
{
    load();
    for (const Look &look : {kContemporary, kProfessional}) {
        for (const char *value : {"Y", "N", ""}) {
            SCOPED_TRACE(std::string(look.name) + " PrintMonthlyIncome=" + value);
            setUser({{"PrintMonthlyIncome", QString::fromLatin1(value)}});
            const bool blank = QLatin1String(value) == QLatin1String("Y");
            const CapturedPage p = form(PageKind::IncomeAndExpenses, look.style).at(0);
            const QStringList t = p.textList();
            for (const char *monthly : {"Monthly (Average)", "$13,750.00", "$20,000.00", "$300.00", "$34,050.00",
                                        "$2,200.00", "$600.00", "$2,800.00"})
                EXPECT_EQ(t.contains(QString::fromLatin1(monthly)), !blank) << monthly;
            for (const char *kept : {"Yearly", "$165,000.00", "$408,600.00", "$33,600.00", "Mortgage Payment"})
                EXPECT_TRUE(t.contains(QString::fromLatin1(kept))) << kept;
            EXPECT_NEAR(p.find(QStringLiteral("$408,600.00"))->right(), 48 + 715, 0.05);
            EXPECT_EQ(t.count(QStringLiteral("Type")), 2);
            // The grey heading bar stays whole over the blank column.
            if (look.bars) {
                const DrawnText *yearly = p.find(QStringLiteral("Yearly"));
                EXPECT_NE(fillAt(p, kGrey, 48 + 500, yearly->baseline - 2), nullptr);
            }
        }
    }
}

TEST_F(StyledSchedulesTest, PdfFilesShowEveryScheduleForm)
{
    load();
    for (const Look &look : {kContemporary, kProfessional}) {
        for (const PageCase &pc : kPages) {
            const QString name = QStringLiteral("schedules_%1%2").arg(QLatin1String(look.name), QLatin1String(pc.suffix));
            SCOPED_TRACE(name.toStdString());
            const std::unique_ptr<Report> r = prepared(pc.kind, look.style);
            const QString file = QDir(m_out.path()).filePath(name + QStringLiteral(".pdf"));
            writePdf(file, r->pages());
            ASSERT_EQ(pdfPageCount(file), r->pageCount());
            const QString text = pdfText(file).simplified();
            for (const char *w : {"Financial Statement Details", pc.caption, pc.firstTitle, pc.sectionTotal})
                EXPECT_TRUE(text.contains(QString::fromLatin1(w))) << w;
            for (const QString &w : pc.texts)
                EXPECT_TRUE(text.contains(w)) << w.toStdString();
            EXPECT_EQ(runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), file}).status, 0);
            renderPage(file, 1, name);
        }
    }
}
