// The Contemporary and Professional Net Worth Summary and Legal Information
// forms on real data: their words, figures, hooks and looks on the drawing,
// and as a PDF file.
#include "kit/vendor.h"
#include "page_capture.h"
#include "pdf_tools.h"
#include "statement_fixture.h"

#include "data/datamodule.h"
#include "data/engine.h"
#include "reports/engine/output.h"
#include "reports/forms/forms.h"

#include <QDir>
#include <QTemporaryDir>

using namespace nettora;
using namespace nettora::reports;
using namespace nettora::test;

namespace {

constexpr double M = 48;  // the page margin, in layout units

struct StyleCase {
    Style style;
    Filing filing;
    const char *name;
};

const StyleCase kCases[] = {
    {Style::Contemporary, Filing::Single, "contemporary_single"},
    {Style::Contemporary, Filing::Joint, "contemporary_joint"},
    {Style::Professional, Filing::Single, "professional_single"},
    {Style::Professional, Filing::Joint, "professional_joint"},
};

class StyledSummaryTest : public StatementTest {
protected:
    void loadFor(Filing filing) { load({.joint = filing == Filing::Joint}); }
    // Prepares a form; a text cut to its control, or printed past the
    // printable width or over a band frame, fails the test.
    std::vector<PreparedPage> prepared(PageKind page, const FormKind &kind)
    {
        const std::unique_ptr<Report> r = preparedForm(page, kind);
        // Inside the band frames of the styled forms, texts keep clear of the pen.
        const double clear = kind.style == Style::Standard ? 0 : 1.5;
        for (const CapturedPage &p : captureAll(r->pages()))
            for (const DrawnText &t : p.texts) {
                EXPECT_GE(t.x, M + clear - 0.01) << t.text.toStdString();
                EXPECT_LE(t.right(), M + 720 - clear + 0.01) << t.text.toStdString();
            }
        return r->pages();
    }
    CapturedPage page(PageKind kind, const StyleCase &c)
    {
        const std::vector<PreparedPage> pages = prepared(kind, {c.style, c.filing});
        EXPECT_EQ(pages.size(), 1u);
        return capture(pages.at(0));
    }
};

// Each wanted text, as one text or wrapped over consecutive ones.
void expectContainsAll(const QStringList &texts, const QStringList &wanted)
{
    const QString all = texts.join(QLatin1Char(' '));
    for (const QString &w : wanted)
        EXPECT_TRUE(texts.contains(w) || all.contains(w))
            << "missing \"" << w.toStdString() << "\"";
}

// The filled rectangle under a text's baseline, or nullptr.
const DrawnRect *barUnder(const CapturedPage &p, const DrawnText &t)
{
    for (const DrawnRect &r : p.rects)
        if (r.fill.isValid() && r.rect.contains(QPointF(t.x + 1, t.baseline - 2)))
            return &r;
    return nullptr;
}

// A text on the same baseline as another, or nullptr.
const DrawnText *onRowOf(const CapturedPage &p, const DrawnText &caption, const QString &text)
{
    for (const DrawnText &d : p.texts)
        if (d.text == text && std::abs(d.baseline - caption.baseline) < 0.01)
            return &d;
    return nullptr;
}

const QColor kGrey(0xD3, 0xD3, 0xD3);

}  // namespace

TEST_F(StyledSummaryTest, NetWorthSummaryOfEveryStyleShowsItsWordsFiguresAndLook)
{
    for (const StyleCase &c : kCases) {
        SCOPED_TRACE(c.name);
        loadFor(c.filing);
        const bool joint = c.filing == Filing::Joint;
        const bool pro = c.style == Style::Professional;
        const CapturedPage p = page(PageKind::NetWorthSummary, c);
        const QStringList t = p.textList();
        expectContainsAll(t, {"Statement of Financial Condition (Balance Sheet)", "Assets", "In Dollars", "Liabilities",
                              "Cash", "(Refer to Schedule A)", "Real Estate (B)", "Securities (C)", "Automobiles (D)",
                              "Cash Value Life Insurance (E)", "Household and Personal Assets (F)",
                              "Business Assets (G)", "Accounts and Notes Receivable (H)",
                              "Restricted or Margin Accounts (H)", "All Other Assets (H)", "Total Assets",
                              "Notes Payable", "(Refer to Schedule I)", "Mortgages Payable (J)",
                              "Credit Card Liability (K)", "Auto Liability (L)", "Tax Liability (M)",
                              "All Other Liabilities (N)", "Contingent Liabilities (O) ", "(Does not affect Net Worth)",
                              "Total Liabilities", "Total Liabilities & Net Worth", "Net Worth",
                              "(Total Assets - Total Liabilities)", "Annual Income and Expenditures", "Annual Income",
                              "Annual Expenditures", "Salaries & Wages (Individual)", "Salaries & Wages (Spouse)",
                              "Bonuses & Commissions", "Dividends & Interest Income", "Net Real Estate Income",
                              "Oil & Gas Income/Royalties", "All Other Income", "Total Income", "Lease Obligations",
                              "Mortgage Payments", "Other Debt Service", "Alimony, Child Support, etc",
                              "Auto, Life & Health Insurance Premiums", "All Other Expenditures", "Rental Payments",
                              "Total Expenditures", "12/31/2025", "John Q. Smith", "Acme Industries",
                              "john@smith.example"});
        EXPECT_EQ(t.count(QStringLiteral("In Dollars")), 4);
        EXPECT_EQ(t.contains(QStringLiteral("Installment Payments (auto, credit cards)")), pro);
        EXPECT_EQ(t.contains(QStringLiteral("Installment Payments")), !pro);
        EXPECT_FALSE(t.contains(QStringLiteral("Total Assets:")));
        EXPECT_EQ(t.contains(QStringLiteral("Mary A. Smith")), joint);
        EXPECT_EQ(t.contains(QStringLiteral("Dallas Medical Center")), joint);

        // Figures of the statement row on their caption's row, right-aligned.
        const struct {
            const char *caption, *amount;
            double right;
            bool bold;
        } amounts[] = {
            {"Cash", "$60,500.55", M + 356, false},
            {"Total Assets", "$874,550.80", M + 356, true},
            {"Notes Payable", "$15,000.00", M + 712, false},
            {"Contingent Liabilities (O) ", "$50,000.00", M + 712, false},
            {"Net Worth", "$563,200.05", M + 712, true},
            {"Total Income", "$408,600.00", M + 356, true},
            {"Total Expenditures", "$33,600.00", M + 712, true},
        };
        for (const auto &a : amounts) {
            SCOPED_TRACE(a.caption);
            const DrawnText *caption = p.find(QString::fromLatin1(a.caption));
            ASSERT_NE(caption, nullptr);
            const DrawnText *amount = onRowOf(p, *caption, QString::fromLatin1(a.amount));
            ASSERT_NE(amount, nullptr) << "on the caption's row";
            EXPECT_NEAR(amount->right(), a.right, 0.05);
            EXPECT_EQ(amount->bold, a.bold);
            EXPECT_EQ(caption->bold, a.bold);
            // Professional captions lead the eye to their amount with dots.
            bool leader = false;
            for (const DrawnLine &l : p.lines)
                leader = leader
                         || (l.dotted && l.line.dy() == 0 && std::abs(l.line.y1() - caption->baseline) < 0.5
                             && std::min(l.line.x1(), l.line.x2()) > caption->right()
                             && std::max(l.line.x1(), l.line.x2()) <= amount->x);
            // The contingent row's note fills its line up to the amount column.
            EXPECT_EQ(leader, pro && QByteArray(a.caption) != "Contingent Liabilities (O) ");
        }
        EXPECT_NEAR(p.find(QStringLiteral("Contingent Liabilities (O) "))->baseline,
                    p.find(QStringLiteral("Accounts and Notes Receivable (H)"))->baseline, 0.01);

        // Section headings: white on black bars, or black on inset grey bars.
        QStringList headings = {"Statement of Financial Condition (Balance Sheet)", "Annual Income and Expenditures",
                                "Personal Information"};
        if (joint)
            headings << (pro ? "Spouse's Information" : "Spouse Information");
        if (pro)
            headings << "Employment Information";
        if (pro && joint)
            headings << "Spouse's Employment Information";
        for (const QString &h : headings) {
            SCOPED_TRACE(h.toStdString());
            const DrawnText *heading = p.find(h);
            ASSERT_NE(heading, nullptr);
            EXPECT_TRUE(heading->bold);
            EXPECT_NEAR(heading->size, c.style == Style::Contemporary && joint ? 12 : 10, 0.01);
            const DrawnRect *bar = barUnder(p, *heading);
            ASSERT_NE(bar, nullptr);
            if (pro) {
                EXPECT_EQ(bar->fill, kGrey);
                EXPECT_NEAR(bar->rect.left(), M + 21, 0.5);
                EXPECT_NEAR(bar->rect.right(), M + 716, 0.5);
                EXPECT_EQ(heading->color, QColor(Qt::black));
            } else {
                EXPECT_EQ(bar->fill, QColor(Qt::black));
                EXPECT_NEAR(bar->rect.width(), 720, 0.5);
                EXPECT_EQ(heading->color, QColor(Qt::white));
            }
        }
        // Column-heading rows on a full-width grey bar in the Contemporary style.
        for (const char *h : {"Assets", "Annual Income"}) {
            const DrawnRect *bar = barUnder(p, *p.find(QString::fromLatin1(h)));
            EXPECT_EQ(bar != nullptr, !pro) << h;
            if (bar) {
                EXPECT_EQ(bar->fill, kGrey);
                EXPECT_NEAR(bar->rect.width(), 720, 0.5);
            }
        }

        // Personal data: captions and fields, or two captionless columns of
        // the composed fields.
        EXPECT_EQ(t.count(QStringLiteral("Name: ")), pro ? 0 : joint ? 2 : 1);
        EXPECT_EQ(t.contains(QStringLiteral("Driver's Lic. #: ")), !pro);
        for (const char *composed :
             {"Dallas, TX  75001", "D1234567 - TX - 04/12/1970", "Employed for 7 years.", "Married with 2 dependants."})
            EXPECT_EQ(t.contains(QString::fromLatin1(composed)), pro) << composed;
        for (const char *composed : {"Dallas, TX  75010", "D7654321 - TX - 09/03/1972", "Employed for 12 years."})
            EXPECT_EQ(t.contains(QString::fromLatin1(composed)), pro && joint) << composed;
        if (pro) {
            const DrawnText *name = p.find(QStringLiteral("John Q. Smith"));
            EXPECT_NEAR(name->x, M + 29, 0.5);
            EXPECT_EQ(p.lineAt(name->baseline), QStringLiteral("John Q. Smith Acme Industries"));
            EXPECT_NEAR(p.find(QStringLiteral("Acme Industries"))->x, M + 357, 0.5);
        }

        // Title and date: the Professional date stands in the header under
        // the title; the Contemporary one is white in the first black bar.
        const DrawnText *title =
            p.find(pro ? QStringLiteral("Personal Financial Statement") : QStringLiteral("PERSONAL FINANCIAL STATEMENT"));
        ASSERT_NE(title, nullptr);
        EXPECT_NEAR(title->size, pro ? 12 : 14, 0.01);
        const DrawnText *date = p.find(QStringLiteral("12/31/2025"));
        if (pro) {
            EXPECT_GT(date->baseline, title->baseline);
            EXPECT_NEAR(date->right(), title->right(), 0.5);
            EXPECT_LT(date->baseline, M + 52);
        } else {
            EXPECT_EQ(date->color, QColor(Qt::white));
            ASSERT_NE(barUnder(p, *date), nullptr);
            EXPECT_EQ(barUnder(p, *date), barUnder(p, *p.find(QStringLiteral("Personal Information"))));
        }
        // Header and body each in a frame; no frame around the whole page.
        int frames = 0;
        for (const DrawnRect &r : p.rects)
            if (r.penWidth > 0 && std::abs(r.rect.width() - 720) < 2)
                ++frames;
        EXPECT_EQ(frames, 2);
        // The web address closes the Professional single form only.
        const bool web = t.contains(vendor::ProductWebAddress);
        EXPECT_EQ(web, pro && !joint);
        if (web) {
            const DrawnText *w = p.find(vendor::ProductWebAddress);
            EXPECT_TRUE(w->bold);
            EXPECT_NEAR(w->x + w->width / 2, M + 360, 1);
            EXPECT_GT(w->baseline, p.find(QStringLiteral("Total Expenditures"))->baseline);
        }
        m_dm->db().exec(QStringLiteral("DELETE FROM Client; DELETE FROM Nettora; DELETE FROM Legal"));
    }
}

TEST_F(StyledSummaryTest, PreparerLinesPrintOnEveryStyleOnlyWhenPreparerIsY)
{
    load();
    for (Style style : {Style::Standard, Style::Contemporary, Style::Professional})
        for (const char *preparer : {"Y", "N", "y"}) {
            SCOPED_TRACE(std::string(preparer) + " style " + std::to_string(int(style)));
            setUser({{"Preparer", QString::fromLatin1(preparer)},
                     {"Company", "Kelmor Accounting"},
                     {"FullName", "Pat Kelmor"},
                     {"Phone", "214-555-0000"}});
            const QStringList t =
                capture(prepared(PageKind::NetWorthSummary, {style, Filing::Joint}).at(0)).textList();
            const bool shown = QLatin1String(preparer) == QLatin1String("Y");
            for (const char *line : {"Kelmor Accounting", "Pat Kelmor", "214-555-0000"})
                EXPECT_EQ(t.contains(QString::fromLatin1(line)), shown) << line;
            EXPECT_TRUE(t.contains(QStringLiteral("PERSONAL FINANCIAL STATEMENT"))
                        || t.contains(QStringLiteral("Personal Financial Statement")));
        }
}

TEST_F(StyledSummaryTest, LegalInformationOfEveryStyleAnswersYesOrNoWithExplanationsOnlyForYes)
{
    const QStringList questions = {
        "Do you have a will?",
        "Are you presently involved in divorce proceedings?",
        "Have you taken bankruptcy in the past 15 years?",
        "Are you a partner or officer in any other venture?",
        "Are you a defendant in any suit or legal action?",
        "Do you have any judgements against you?",
        "Have you executed any prenuptial or financial agreements with your spouse?",
        "Are any of your listed assets separate property of your spouse?",
        "Are any of your listed assets held in estate, trust or any other name?",
        "Do any assets secure debts which have not been reported in the statement?",
    };
    for (const StyleCase &c : kCases) {
        SCOPED_TRACE(c.name);
        loadFor(c.filing);
        const bool joint = c.filing == Filing::Joint;
        const bool pro = c.style == Style::Professional;
        const CapturedPage p = page(PageKind::LegalInformation, c);
        QStringList answers;
        for (const QString &q : questions) {
            const DrawnText *question = p.find(q);
            ASSERT_NE(question, nullptr) << q.toStdString();
            answers << p.lineAt(question->baseline).mid(q.size() + 1);
        }
        EXPECT_EQ(answers, (QStringList{"Yes", "No", "", "Yes", "No", "Yes", "", "", "", ""}));
        const QStringList t = p.textList();
        EXPECT_FALSE(t.contains(QStringLiteral("Do You have a will?")));
        EXPECT_EQ(t.count(QStringLiteral("Executor:")), 1);
        EXPECT_EQ(t.count(QStringLiteral("Explain:")), 2);
        EXPECT_TRUE(t.contains(QStringLiteral("A small-claims judgement from 2019, settled in full.")));
        EXPECT_FALSE(t.contains(QStringLiteral("typed in lower case")));
        EXPECT_FALSE(t.contains(QStringLiteral("left from before")));
        EXPECT_FALSE(t.contains(QStringLiteral("X")));
        EXPECT_EQ(t.count(QStringLiteral("Signed ")), joint ? 2 : 1);
        EXPECT_EQ(t.count(QStringLiteral("Phone:")), joint ? 8 : 4);
        EXPECT_EQ(t.contains(QStringLiteral("Contacts")), !joint);
        EXPECT_EQ(t.contains(QStringLiteral("Contacts (Spouse)")), joint);
        expectContainsAll(t, {"Carla Diaz CPA", "Investment Advisor:", "with the undersigned.",
                              "(I have read and I understand the above paragraph.)"});

        // The heading on its bar; the Professional page names the client and
        // the statement's date above it.
        const DrawnText *heading = p.find(QStringLiteral("Legal Information"));
        ASSERT_NE(heading, nullptr);
        EXPECT_TRUE(heading->bold);
        const DrawnRect *bar = barUnder(p, *heading);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->fill, pro ? kGrey : QColor(Qt::black));
        EXPECT_EQ(heading->color, pro ? QColor(Qt::black) : QColor(Qt::white));
        EXPECT_EQ(t.contains(QStringLiteral("John Q. Smith")), pro);
        EXPECT_EQ(t.contains(QStringLiteral("12/31/2025")), pro);
        if (pro) {
            EXPECT_LT(p.find(QStringLiteral("John Q. Smith"))->baseline, heading->baseline);
            EXPECT_EQ(p.lineAt(p.find(QStringLiteral("John Q. Smith"))->baseline),
                      QStringLiteral("John Q. Smith 12/31/2025"));
        }
        m_dm->db().exec(QStringLiteral("DELETE FROM Client; DELETE FROM Nettora; DELETE FROM Legal"));
    }
}

TEST_F(StyledSummaryTest, StyledPagesWriteARealPdfWithEmbeddedFonts)
{
    QTemporaryDir out;
    setUser({{"Preparer", "Y"}, {"Company", "Kelmor Accounting"}, {"FullName", "Pat Kelmor"}, {"Phone", "214-555-0000"}});
    for (const StyleCase &c : kCases) {
        SCOPED_TRACE(c.name);
        loadFor(c.filing);
        std::vector<PreparedPage> pages;
        for (PageKind k : {PageKind::NetWorthSummary, PageKind::LegalInformation})
            for (PreparedPage &pg : prepared(k, {c.style, c.filing}))
                pages.push_back(std::move(pg));
        const QString file = QDir(out.path()).filePath(QString::fromLatin1(c.name) + QStringLiteral(".pdf"));
        writePdf(file, pages, QStringLiteral("Personal Financial Statement"));
        const QStringList texts = pdfPages(file);
        ASSERT_EQ(texts.size(), 2);
        const bool pro = c.style == Style::Professional;
        for (const char *s : {"Statement of Financial Condition (Balance Sheet)", "Kelmor Accounting", "$563,200.05"})
            EXPECT_TRUE(texts[0].contains(QString::fromLatin1(s))) << s;
        EXPECT_EQ(texts[0].contains(vendor::ProductWebAddress), pro && c.filing == Filing::Single);
        for (const char *s : {"Legal Information", "Do you have a will?", "with the undersigned."})
            EXPECT_TRUE(texts[1].contains(QString::fromLatin1(s))) << s;
        const QStringList rows =
            runTool(QStringLiteral("pdffonts"), {file}).out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
        ASSERT_FALSE(rows.isEmpty());
        for (const QString &row : rows)
            EXPECT_TRUE(row.contains(QStringLiteral("TrueType")) && row.contains(QStringLiteral(" yes ")))
                << row.toStdString();
        renderPage(file, 1, QStringLiteral("%1_summary").arg(QString::fromLatin1(c.name)));
        renderPage(file, 2, QStringLiteral("%1_legal").arg(QString::fromLatin1(c.name)));
        m_dm->db().exec(QStringLiteral("DELETE FROM Client; DELETE FROM Nettora; DELETE FROM Legal"));
    }
}
