// The Standard statement forms on real data: their texts, hooks and layout
// on the drawing, and the statement as a PDF file.
#include "page_capture.h"
#include "pdf_tools.h"
#include "statement_fixture.h"

#include "kit/money.h"
#include "data/currency.h"
#include "data/datamodule.h"
#include "data/db_functions.h"
#include "data/engine.h"
#include "reports/engine/composite.h"
#include "reports/engine/output.h"
#include "reports/engine/preview_window.h"
#include "reports/forms/forms.h"
#include "reports/preview.h"

#include <QApplication>
#include <QDir>
#include <map>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QTimer>

using namespace nettora;
using namespace nettora::reports;
using namespace nettora::test;

namespace {

const QStringList kCertification = {
    "The information contained in this statement and supporting schedules is provided to induce you to extend or to "
    "continue the extension of credit to the undersigned",
    "or to others upon the guaranty of the undersigned.  The undersigned acknowledges and understands that you are "
    "relying upon the information provided herein in ",
    "deciding to grant or continue credit or to accept a guaranty thereof.  The undersigned represents, warrants and "
    "certifies that the information provided herein is true, ",
    "correct and complete to the best of the undersigned's knowledge.  The undersigned agrees to notify you "
    "immediately and in writing of any changes in name, address, ",
    "or employment and of any material adverse change (1) in any of the information contained in this statement or "
    "(2) in the financial condition of the undersigned or ",
    "(3) in the ability of the undersigned to perform its obligations to you.  In the absence of such notice or a new "
    "and full written statement, this should be considered ",
    "as a continuing statement and substantially correct.  You are authorized to make all inquiries you deem "
    "necessary to verify the accuracy of the information",
    "contained herein, and to determine the credit worthiness of the undersigned.  The undersigned authorizes you to "
    "answer questions about your credit experience ",
    "with the undersigned.",
};

const QStringList kQuestions = {
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

class FormsTest : public StatementTest {
protected:
    std::vector<CapturedPage> form(PageKind page, Filing filing = Filing::Joint)
    {
        const std::unique_ptr<Report> r = preparedForm(page, {Style::Standard, filing});
        return captureAll(r->pages());
    }
    QStringList texts(PageKind page, Filing filing = Filing::Joint)
    {
        QStringList out;
        for (const CapturedPage &p : form(page, filing))
            out << p.textList();
        return out;
    }
    QString pdf(const QString &name)
    {
        const QString file = QDir(m_out.path()).filePath(name + QStringLiteral(".pdf"));
        writeStatementPdf(file, Style::Standard);
        return file;
    }
    // Every number of the statement and its schedules at one end of its
    // field's range.
    void setEveryFigure(bool largest)
    {
        for (Table *t : m_dm->statementAndSchedules()) {
            const int rows = t->recordCount();
            for (int i = 0; i < rows; ++i) {
                t->moveToRecNo(i);
                t->edit();
                for (const FieldDef &f : t->def().fields)
                    if (f.type == FieldType::Currency || f.type == FieldType::Float)
                        t->setAsFloat(f.name, largest ? valueRange(f).max : valueRange(f).min);
                t->post();
            }
        }
    }
    QTemporaryDir m_out;
};

const PageKind kAllPages[] = {PageKind::NetWorthSummary, PageKind::LegalInformation, PageKind::Assets,
                              PageKind::Liabilities, PageKind::IncomeAndExpenses};

// A box of a form that shows a number, in page units, with the text it must
// show whole and how many times its band prints.
struct FigureBox {
    double left, right;
    double size;
    QString text;
    int times;
    double width() const { return right - left; }
};

std::vector<FigureBox> figureBoxes(const Report &r)
{
    std::map<const Band *, int> times;
    for (const auto &b : r.bands())
        times[b.get()] = 1;
    for (const auto &b : r.bands()) {
        if (b->kind != BandKind::SubDetail)
            continue;
        const int rows = b->dataSet ? b->dataSet->recordCount() : 0;
        times[b.get()] = rows;
        for (const Band *g : {b->groupHeader, b->groupFooter})
            if (g)
                times[g] = rows > 0 || b->printIfEmpty ? 1 : 0;
    }
    std::vector<FigureBox> out;
    for (const auto &b : r.bands())
        for (const auto &c : b->controls()) {
            if (c->kind != Control::Kind::Field || !c->table || c->table->isEmpty())
                continue;
            const FieldType type = c->table->def().fields[size_t(c->table->fieldIndex(c->field))].type;
            if (type != FieldType::Currency && type != FieldType::Float)
                continue;
            const QString text = type == FieldType::Currency ? formatMoney(c->table->asFloat(c->field))
                                                             : c->table->asString(c->field);
            out.push_back({48 + c->rect.left(), 48 + c->rect.right(), c->font.size, text, times[b.get()]});
        }
    return out;
}

// The narrowest box showing text that holds the extent (boxes of one column
// hold the narrower ones of another).
const FigureBox *boxHolding(const std::vector<FigureBox> &boxes, const QString &text, double left, double right)
{
    const FigureBox *found = nullptr;
    for (const FigureBox &b : boxes)
        if (b.text == text && left >= b.left - 0.05 && right <= b.right + 0.05 && (!found || b.width() < found->width()))
            found = &b;
    return found;
}

// Each wanted text, as one text or wrapped over consecutive ones.
void expectContainsAll(const QStringList &texts, const QStringList &wanted)
{
    const QString all = texts.join(QLatin1Char(' '));
    for (const QString &w : wanted)
        EXPECT_TRUE(texts.contains(w) || all.contains(w)) << "missing \"" << w.toStdString() << "\"";
}

int countOf(const QStringList &texts, const QString &t)
{
    return int(texts.count(t));
}

}  // namespace

TEST_F(FormsTest, NetWorthSummaryPrintsEveryCaptionAndTheStatementRow)
{
    load();
    const QStringList t = texts(PageKind::NetWorthSummary);
    expectContainsAll(t, {"PERSONAL FINANCIAL STATEMENT", "Section 1a - Personal Information", "Date: ", "12/31/2025",
                          "Name: ", "Dependants:", "Birthdate: ", "Driver's Lic. #: ", "SS#: ", "Address: ", "City: ",
                          "State: ", "Zip: ", "Employer: ", "Position: ", "# of Years: ", "Employer's Address: ",
                          "Business Phone:", "Residence Phone: ", "E-Mail:", "Section 1b - Spouse Information",
                          "Section 2 - Statement of Financial Condition", "Assets", "In Dollars", "Liabilities",
                          "Cash: (Refer to Schedule A)", "Real Estate: (B)", "Securities: (C)", "Automobiles: (D)",
                          "Cash Value Life Insurance: (E)", "Household and Personal Assets: (F)",
                          "Business Assets: (G)", "Accounts and Notes Receivable: (H)",
                          "Restricted or Margin Accounts: (H)", "All Other Assets: (H)", "Total Assets:",
                          "Notes Payable: (Refer to Schedule I)", "Mortgages Payable: (J)",
                          "Credit Card Liability: (K)", "Auto Liability: (L)", "Tax Liability: (M)",
                          "All Other Liabilities: (N)", "Contingent Liabilities:", "(Does not affect Net Worth)",
                          "Total Liabilities:", "Total Liabilities & Net Worth:", "Net Worth:",
                          "(Total Assets - Total Liabilities)", "Section 3 - Annual Income", "Annual Expenditures",
                          "Salaries & Wages (Individual):", "Salaries & Wages (Spouse):", "Bonuses & Commissions:",
                          "Dividends & Interest Income:", "Net Real Estate Income:", "Oil & Gas Income/Royalties:",
                          "All Other Income:", "Total Income:", "Installment Payments:", "Lease Obligations:",
                          "Mortgage Payments:", "Other Debt Service:", "Alimony, Child Support, etc:",
                          "Auto, Life & Health Insurance Premiums:", "All Other Expenditures:", "Rental Payments:",
                          "Total Expenditures:"});
    // Client fields, the spouse's in the joint form, and composed ones.
    expectContainsAll(t, {"John Q. Smith", "Mary A. Smith", "D1234567 - TX", "Acme Industries", "Dallas Medical Center",
                          "john@smith.example", "mary@smith.example", "Irving", "75038"});
    EXPECT_EQ(countOf(t, QStringLiteral("Name: ")), 2);
    EXPECT_EQ(countOf(t, QStringLiteral("City: ")), 4);
    // Amounts of the statement row, right-aligned in their columns.
    const CapturedPage p = form(PageKind::NetWorthSummary).at(0);
    const struct {
        const char *caption;
        const char *amount;
        double right;
        bool bold;
    } amounts[] = {
        {"Cash: (Refer to Schedule A)", "$60,500.55", 48 + 356, false},
        {"Total Assets:", "$874,550.80", 48 + 356, true},
        {"Notes Payable: (Refer to Schedule I)", "$15,000.00", 48 + 712, false},
        {"Contingent Liabilities:", "$50,000.00", 48 + 712, false},
        {"Net Worth:", "$563,200.05", 48 + 712, true},
        {"Total Income:", "$408,600.00", 48 + 356, true},
        {"Total Expenditures:", "$33,600.00", 48 + 712, true},
    };
    for (const auto &a : amounts) {
        SCOPED_TRACE(a.caption);
        const DrawnText *caption = p.find(QString::fromLatin1(a.caption));
        ASSERT_NE(caption, nullptr);
        const DrawnText *amount = nullptr;
        for (const DrawnText &d : p.texts)
            if (d.text == QLatin1String(a.amount) && std::abs(d.baseline - caption->baseline) < 0.01)
                amount = &d;
        ASSERT_NE(amount, nullptr) << "on the caption's row";
        EXPECT_NEAR(amount->right(), a.right, 0.05);
        EXPECT_EQ(amount->bold, a.bold);
        EXPECT_EQ(caption->bold, a.bold);
    }
    // The liabilities column leaves the row of "Business Assets: (G)" empty;
    // Contingent Liabilities stands on the row of receivables.
    EXPECT_EQ(p.lineAt(p.find(QStringLiteral("Business Assets: (G)"))->baseline),
              QStringLiteral("Business Assets: (G) $15,000.00"));
    EXPECT_NEAR(p.find(QStringLiteral("Contingent Liabilities:"))->baseline,
                p.find(QStringLiteral("Accounts and Notes Receivable: (H)"))->baseline, 0.01);
    // Sections: bold 10 pt headings between 3-unit rules.
    const DrawnText *heading = p.find(QStringLiteral("Section 2 - Statement of Financial Condition"));
    EXPECT_TRUE(heading->bold);
    EXPECT_NEAR(heading->size, 10, 0.01);
    int heavyRules = 0;
    for (const DrawnLine &l : p.lines)
        heavyRules += std::abs(l.width - 3) < 0.01 && l.line.dy() == 0 ? 1 : 0;
    EXPECT_EQ(heavyRules, 8);  // two for each of the four headings
}

TEST_F(FormsTest, PreparerLinesPrintOnlyWhenPreparerIsY)
{
    load();
    const struct {
        const char *preparer;
        bool shown;
    } cases[] = {{"Y", true}, {"N", false}, {"", false}, {"y", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.preparer);
        setUser({{"Preparer", QString::fromLatin1(c.preparer)},
                 {"Company", "Kelmor Accounting"},
                 {"FullName", "Pat Kelmor"},
                 {"Phone", "214-555-0000"}});
        const QStringList t = texts(PageKind::NetWorthSummary);
        for (const char *line : {"Kelmor Accounting", "Pat Kelmor", "214-555-0000"})
            EXPECT_EQ(t.contains(QString::fromLatin1(line)), c.shown) << line;
        EXPECT_TRUE(t.contains(QStringLiteral("PERSONAL FINANCIAL STATEMENT")));
    }
}

TEST_F(FormsTest, LegalAnswersAreYesOrNoWithExplanationsOnlyForYes)
{
    load();
    const std::vector<CapturedPage> pages = form(PageKind::LegalInformation);
    ASSERT_EQ(pages.size(), 1u);
    const CapturedPage &p = pages[0];
    // Answers stand on their question's line, in table order.
    QStringList answers;
    for (const QString &q : kQuestions) {
        const DrawnText *question = p.find(q);
        ASSERT_NE(question, nullptr) << q.toStdString();
        answers << p.lineAt(question->baseline).mid(q.size() + 1);
    }
    // Only what was answered: "yes" in lower case and the questions never
    // answered state nothing.
    EXPECT_EQ(answers, (QStringList{"Yes", "No", "", "Yes", "No", "Yes", "", "", "", ""}));
    // A "No" hides an explanation that was typed before; a "Yes" without one
    // still shows its caption, the window's caption.
    const QStringList t = p.textList();
    EXPECT_EQ(countOf(t, QStringLiteral("Executor:")), 1);
    EXPECT_EQ(countOf(t, QStringLiteral("Explain:")), 2);
    EXPECT_TRUE(t.contains(QStringLiteral("Mary A. Smith")));
    EXPECT_TRUE(t.contains(QStringLiteral("A small-claims judgement from 2019, settled in full.")));
    EXPECT_FALSE(t.contains(QStringLiteral("typed in lower case")));
    EXPECT_FALSE(t.contains(QStringLiteral("left from before")));
    EXPECT_FALSE(t.contains(QStringLiteral("X")));
    expectContainsAll(t, kCertification);
    expectContainsAll(t, {"Section 4 - Legal Information", "Contacts (Personal)", "Contacts (Spouse)", "Accountant:",
                          "Attorney:", "Banker:", "Investment Advisor:", "Carla Diaz CPA", "North Star Wealth",
                          "Signed ", "Date ______________________",
                          "(I have read and I understand the above paragraph.)"});
    for (const QString &line : kCertification)
        EXPECT_NEAR(p.find(line)->size, 7, 0.01);

    // A long explanation wraps and pushes the questions after it down.
    const double gapBefore = p.find(kQuestions[6])->baseline - p.find(kQuestions[5])->baseline;
    setLegal({{"JudgementExplanation", QStringLiteral("Settled. ").repeated(33).trimmed()}});  // within the width of 300
    const CapturedPage longer = form(PageKind::LegalInformation).at(0);
    EXPECT_GT(longer.find(kQuestions[6])->baseline - longer.find(kQuestions[5])->baseline, gapBefore + 10);

    // Without a legal row nothing was answered: no answer and no explanation prints.
    for (m_dm->tblLegal->first(); !m_dm->tblLegal->isEmpty();)
        m_dm->tblLegal->remove();
    const QStringList none = texts(PageKind::LegalInformation);
    EXPECT_EQ(countOf(none, QStringLiteral("No")), 0);
    EXPECT_EQ(countOf(none, QStringLiteral("Yes")), 0);
    EXPECT_EQ(countOf(none, QStringLiteral("Executor:")) + countOf(none, QStringLiteral("Explain:")), 0);
}

TEST_F(FormsTest, SingleAndJointFilersGetTheirOwnSummaryAndLegalPages)
{
    struct Case {
        const char *name;
        bool spouseFirstName;
        bool spouseLastName;
        Filing filing;
    };
    const Case cases[] = {
        {"single", false, false, Filing::Single},
        {"spouse last name only", false, true, Filing::Single},
        {"joint", true, true, Filing::Joint},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QJsonObject client = statementClient({.joint = c.spouseFirstName});
        if (c.spouseLastName && !c.spouseFirstName) {
            QJsonObject fields = client.value(QStringLiteral("fields")).toObject();
            fields.insert(QStringLiteral("SLastName"), QStringLiteral("Jones"));
            fields.insert(QStringLiteral("FirstName"), QStringLiteral("Jim"));
            client.insert(QStringLiteral("fields"), fields);
        }
        load(client);
        EXPECT_EQ(filingOf(m_dm->tblClient), c.filing);
        const bool joint = c.filing == Filing::Joint;
        EXPECT_EQ(formName(PageKind::NetWorthSummary, {Style::Standard, c.filing}),
                  joint ? QStringLiteral("TqrJoint") : QStringLiteral("TqrSingle"));
        EXPECT_EQ(formName(PageKind::LegalInformation, {Style::Standard, c.filing}),
                  joint ? QStringLiteral("TqrJoint_Sect4") : QStringLiteral("TqrSingle_Sect4"));
        for (PageKind k : {PageKind::Assets, PageKind::Liabilities, PageKind::IncomeAndExpenses})
            EXPECT_TRUE(formName(k, {Style::Standard, c.filing}).startsWith(QStringLiteral("TqrSingle_Details")));

        const std::vector<CapturedPage> summary = form(PageKind::NetWorthSummary, filingOf(m_dm->tblClient));
        const QStringList s = summary.at(0).textList();
        EXPECT_EQ(s.contains(QStringLiteral("Section 1b - Spouse Information")), joint);
        EXPECT_EQ(countOf(s, QStringLiteral("Name: ")), joint ? 2 : 1);
        // Only the single form frames the whole printable area.
        bool pageFrame = false;
        for (const DrawnRect &r : summary.at(0).rects)
            pageFrame = pageFrame || (std::abs(r.rect.height() - (960 - 1.5)) < 0.1 && r.penWidth > 0);
        EXPECT_EQ(pageFrame, !joint);

        const QStringList legal = texts(PageKind::LegalInformation, filingOf(m_dm->tblClient));
        EXPECT_EQ(legal.contains(QStringLiteral("Contacts")), !joint);
        EXPECT_EQ(legal.contains(QStringLiteral("Contacts (Personal)")), joint);
        EXPECT_EQ(legal.contains(QStringLiteral("Contacts (Spouse)")), joint);
        EXPECT_EQ(countOf(legal, QStringLiteral("Signed ")), joint ? 2 : 1);
        EXPECT_EQ(countOf(legal, QStringLiteral("Phone:")), joint ? 8 : 4);
        EXPECT_EQ(legal.contains(QStringLiteral("Ray Ortiz CPA")), joint);
        m_dm->db().exec(QStringLiteral("DELETE FROM Client; DELETE FROM Nettora; DELETE FROM Legal"));
    }
}

TEST_F(FormsTest, SchedulesPrintTitlesHeadingsRowsAndStatementTotals)
{
    load();
    const QStringList assets = texts(PageKind::Assets);
    expectContainsAll(assets, {"Financial Statement Details", "Section 2 - Assets", "$874,550.80",
                               "Schedule A - Deposit Relationships", "Type of Account", "Registered in Name of", "Bank",
                               "Account Number", "Current Balance", "Schedule B - Real Estate", "Type", "Description",
                               "Year", "Acquired", "% Owned", "Asset", "Value", "Market", "Title in Name of:",
                               "Lien Holder:", "Schedule C - Securities", "# Shares", "Security", "Exchange", "Pledged",
                               "Purchase Price", "Current Value", "Schedule D - Automobiles", "Model", "Monthly Payment",
                               "Schedule E - Cash Value of Life Insurance", "Company", "Insured", "Beneficiary",
                               "Pledged?", "To Whom?", "Face Value", "Cash Value",
                               "Schedule F - Household and Personal Assets", "Registered in the name of",
                               "Schedule G - Business Assets",
                               "Schedule H - Other Assets (Accounts and Notes Receivable, Restricted or Margin Accounts "
                               "and All Other Assets)",
                               "Total", "Totals", "812.5", "2004", "%", "Home Mortgage Co"});
    const QStringList liabilities = texts(PageKind::Liabilities);
    expectContainsAll(liabilities,
                      {"Section 2 - Liabilities", "$311,350.75", "Schedule I - Notes Payable", "Registered in name of",
                       "Amount", "Schedule J - Mortgages Payable", "% Liability", "Mortgage", "Liability", "Current",
                       "Balance", "Schedule K - Credit Card Liability", "Card Name", "Member Since (Year)", "Card Limit",
                       "Schedule L - Auto Liability", "Lien Holder", "Loan Balance", "Schedule M - Tax Liability",
                       "Type of Tax", "Explanation", "Schedule N - All Other Liabilities",
                       "Schedule O - Contingent Liabilities (Not Included in Net Worth Calculation)", "To Whom",
                       "Maturity Date", "06/30/2027"});
    const QStringList income = texts(PageKind::IncomeAndExpenses);
    expectContainsAll(income, {"Section 3 - Annual Income and Expenditures", "Annual Income", "Annual Expenditures",
                               "Monthly (Average)", "Yearly", "$34,050.00", "$408,600.00", "$2,800.00", "$33,600.00"});
    EXPECT_EQ(countOf(income, QStringLiteral("Detailed Summary")), 2);

    // Schedules B and J list the same real estate rows with their own amounts.
    const CapturedPage b = form(PageKind::Assets).at(0);
    const CapturedPage j = form(PageKind::Liabilities).at(0);
    const auto rowOf = [](const CapturedPage &p, const QString &first) {
        return p.lineAt(p.find(first)->baseline);
    };
    EXPECT_EQ(rowOf(b, QStringLiteral("Rental")), QStringLiteral("Rental Lake cabin 2015 50 % $180,000.00 $90,000.00"));
    EXPECT_EQ(rowOf(j, QStringLiteral("Rental")), QStringLiteral("Rental Lake cabin 2015 50 % $90,000.00 $45,000.00"));
    EXPECT_EQ(rowOf(b, QStringLiteral("Title in Name of:")),
              QStringLiteral("Title in Name of: John Smith and Paul Green Lien Holder: Lakeside Bank"));
    // Rows follow the table's index (type, then description); the footer
    // carries the statement row's totals under their columns.
    EXPECT_LT(b.find(QStringLiteral("Rental"))->baseline, b.find(QStringLiteral("Residence"))->baseline);
    const DrawnText *totals = nullptr;
    for (const DrawnText &t : b.texts)
        if (t.text == QLatin1String("Totals") && t.baseline > b.find(QStringLiteral("Residence"))->baseline && !totals)
            totals = &t;
    ASSERT_NE(totals, nullptr);
    EXPECT_EQ(b.lineAt(totals->baseline), QStringLiteral("Totals $665,000.00 $575,000.00"));
    EXPECT_NEAR(b.find(QStringLiteral("$575,000.00"))->right(), 48 + 715, 0.05);
    EXPECT_TRUE(b.find(QStringLiteral("$575,000.00"))->bold);
}

TEST_F(FormsTest, TotalsComeFromTheStatementRowAsStored)
{
    load();
    // A total that no recalculation has touched prints as stored.
    Table *s = m_dm->tblNettora;
    s->edit();
    s->setAsFloat(QStringLiteral("CashOnHand"), 999);
    s->post();
    const CapturedPage summary = form(PageKind::NetWorthSummary).at(0);
    EXPECT_EQ(summary.lineAt(summary.find(QStringLiteral("Cash: (Refer to Schedule A)"))->baseline),
              QStringLiteral("Cash: (Refer to Schedule A) $999.00 Notes Payable: (Refer to Schedule I) $15,000.00"));
    const CapturedPage assets = form(PageKind::Assets).at(0);
    EXPECT_EQ(assets.lineAt(assets.find(QStringLiteral("Total"))->baseline), QStringLiteral("Total $999.00"));
}

TEST_F(FormsTest, EmptySchedulesPrintNoBlockAtAll)
{
    load();
    for (Table *t = m_dm->tblInvestments; !t->isEmpty();) {
        t->first();
        t->remove();
    }
    const CapturedPage p = form(PageKind::Assets).at(0);
    const QStringList t = p.textList();
    EXPECT_FALSE(t.contains(QStringLiteral("Schedule C - Securities")));
    EXPECT_FALSE(t.contains(QStringLiteral("# Shares")));
    // Schedule D follows the footer of schedule B directly.
    const qsizetype afterB = t.indexOf(QStringLiteral("$575,000.00"));
    ASSERT_GE(afterB, 0);
    EXPECT_EQ(t.value(afterB + 1), QStringLiteral("Schedule D - Automobiles"));

    // A statement without any schedule row: title and section caption only.
    m_dm->db().exec(QStringLiteral("DELETE FROM Cash"));
    load({.joint = false, .schedules = false, .firstName = "Ann"});
    EXPECT_EQ(texts(PageKind::Assets, Filing::Single),
              (QStringList{"Financial Statement Details", "Section 2 - Assets", "$0.00"}));
    EXPECT_EQ(texts(PageKind::Liabilities, Filing::Single),
              (QStringList{"Financial Statement Details", "Section 2 - Liabilities", "$0.00"}));
    EXPECT_EQ(texts(PageKind::IncomeAndExpenses, Filing::Single),
              (QStringList{"Financial Statement Details", "Section 3 - Annual Income and Expenditures"}));
    // An empty statement still prints its summary and legal pages.
    const QStringList summary = texts(PageKind::NetWorthSummary, Filing::Single);
    EXPECT_TRUE(summary.contains(QStringLiteral("Total Assets:")));
    // Never answered: the page states no answer at all.
    const QStringList legalTexts = texts(PageKind::LegalInformation, Filing::Single);
    EXPECT_EQ(countOf(legalTexts, QStringLiteral("No")) + countOf(legalTexts, QStringLiteral("Yes")), 0);
}

TEST_F(FormsTest, LongScheduleContinuesUnderTheRepeatedTitle)
{
    load({.extraCashRows = 60});
    const std::vector<CapturedPage> pages = form(PageKind::Assets);
    ASSERT_GE(pages.size(), 2u);
    QStringList holders;
    int titles = 0, footers = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "page " << i + 1);
        ASSERT_FALSE(pages[i].texts.empty());
        EXPECT_EQ(pages[i].texts.front().text, QStringLiteral("Financial Statement Details"));
        titles += pages[i].has(QStringLiteral("Schedule A - Deposit Relationships")) ? 1 : 0;
        EXPECT_EQ(pages[i].has(QStringLiteral("Section 2 - Assets")), i == 0);
        for (const DrawnText &t : pages[i].texts) {
            if (t.text.startsWith(QStringLiteral("Account holder ")))
                holders << t.text;
            if (t.text == QLatin1String("$122,330.55"))  // 60,500.55 and the 60 certificates of 1,001 to 1,060
                ++footers;
            EXPECT_LE(t.baseline, 48 + 960);
        }
    }
    EXPECT_EQ(titles, 1);
    EXPECT_EQ(footers, 1);
    ASSERT_EQ(holders.size(), 60);
    EXPECT_TRUE(std::is_sorted(holders.begin(), holders.end())) << "the index order holds across pages";
    EXPECT_TRUE(pages[1].has(QStringLiteral("Account holder 060")));
}

TEST_F(FormsTest, MonthlyColumnIsBlankedByPrintMonthlyIncome)
{
    load();
    const struct {
        const char *value;
        bool blank;
    } cases[] = {{"Y", true}, {"N", false}, {"", false}, {"y", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        setUser({{"PrintMonthlyIncome", QString::fromLatin1(c.value)}});
        const CapturedPage p = form(PageKind::IncomeAndExpenses).at(0);
        const QStringList t = p.textList();
        for (const char *monthly : {"Monthly (Average)", "$13,750.00", "$20,000.00", "$300.00", "$34,050.00",
                                    "$2,200.00", "$600.00", "$2,800.00"})
            EXPECT_EQ(t.contains(QString::fromLatin1(monthly)), !c.blank) << monthly;
        // The other columns stay where they were.
        for (const char *kept : {"Yearly", "$165,000.00", "$408,600.00", "$33,600.00", "Mortgage Payment"})
            EXPECT_TRUE(t.contains(QString::fromLatin1(kept))) << kept;
        EXPECT_NEAR(p.find(QStringLiteral("$408,600.00"))->right(), 48 + 715, 0.05);
        EXPECT_EQ(countOf(t, QStringLiteral("Type")), 2);
        // No total rule stands over a blank monthly column: only the yearly
        // totals carry one (two schedules), or both columns do.
        int totalRules = 0;
        for (const DrawnLine &l : p.lines)
            totalRules += !l.dotted && l.line.dy() == 0 && std::abs(l.width - 0.75) < 0.01
                          && std::abs(l.line.length() - (128 - 10)) < 0.5;
        EXPECT_EQ(totalRules, c.blank ? 2 : 4);
    }
}

TEST_F(FormsTest, EveryCaptionFitsItsBoxOnEveryForm)
{
    // form() reports every text that had to be cut to its control.
    for (bool joint : {false, true}) {
        load({.joint = joint, .firstName = joint ? "John" : "Jim"});
        const Filing f = joint ? Filing::Joint : Filing::Single;
        for (PageKind k : {PageKind::NetWorthSummary, PageKind::LegalInformation, PageKind::Assets,
                           PageKind::Liabilities, PageKind::IncomeAndExpenses}) {
            SCOPED_TRACE(formName(k, {Style::Standard, f}).toStdString());
            for (const CapturedPage &p : form(k, f))
                for (const DrawnText &t : p.texts) {
                    EXPECT_GE(t.x, 48 - 0.01) << t.text.toStdString();
                    EXPECT_LE(t.right(), 48 + 720 + 0.01) << t.text.toStdString();
                }
        }
    }
}

TEST_F(FormsTest, StatementPdfHasTheFormsInOrderWithEmbeddedFonts)
{
    setUser({{"Preparer", "Y"}, {"Company", "Kelmor Accounting"}, {"FullName", "Pat Kelmor"}, {"Phone", "214-555-0000"}});
    load();
    QStringList progress;
    const std::vector<PreparedPage> pages = prepareStatement(Style::Standard, [&](const QString &l) { progress << l; });
    EXPECT_EQ(progress, (QStringList{"Creating Net Worth Summary", "Creating Legal Information", "Creating Assets",
                                     "Creating Liabilities", "Creating Annual Income and Expenses"}));
    const QString file = pdf(QStringLiteral("joint"));
    const QStringList texts = pdfPages(file);
    ASSERT_EQ(texts.size(), int(pages.size()));
    ASSERT_EQ(texts.size(), 6);
    const char *const firstLines[] = {"PERSONAL FINANCIAL STATEMENT", "Section 4 - Legal Information",
                                      "Section 2 - Assets", "Financial Statement Details", "Section 2 - Liabilities",
                                      "Section 3 - Annual Income and Expenditures"};
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(texts[i].contains(QString::fromLatin1(firstLines[i]))) << i + 1;
    EXPECT_TRUE(texts[0].contains(QStringLiteral("Kelmor Accounting")));
    EXPECT_TRUE(texts[0].contains(QStringLiteral("Section 1b - Spouse Information")));
    EXPECT_TRUE(texts[1].contains(QStringLiteral("Yes")));
    EXPECT_TRUE(texts[1].contains(QStringLiteral("No")));
    EXPECT_TRUE(texts[1].contains(QStringLiteral("Contacts (Spouse)")));
    EXPECT_TRUE(texts[3].contains(QStringLiteral("Brokerage margin"))) << "schedule H goes on over the page";

    const QString info = pdfInfo(file);
    EXPECT_TRUE(info.contains(QStringLiteral("612 x 792 pts (letter)"))) << info.toStdString();
    EXPECT_EQ(runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), file}).status, 0);
    const ToolRun fonts = runTool(QStringLiteral("pdffonts"), {file});
    const QStringList rows = fonts.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(rows.isEmpty());
    for (const QString &row : rows) {
        EXPECT_TRUE(row.startsWith(QStringLiteral("LiberationSans"))) << row.toStdString();
        EXPECT_TRUE(row.contains(QStringLiteral("TrueType")) && row.contains(QStringLiteral(" yes "))) << row.toStdString();
    }
    for (int page : {1, 2, 3, 5, 6})
        renderPage(file, page, QStringLiteral("statement_joint_page%1").arg(page));

    m_dm->db().exec(QStringLiteral("DELETE FROM Client"));
    load({.joint = false, .firstName = "Jim"});
    const QString single = pdf(QStringLiteral("single"));
    EXPECT_FALSE(pdfText(single, 1).contains(QStringLiteral("Spouse Information")));
    renderPage(single, 1, QStringLiteral("statement_single_page1"));
    renderPage(single, 2, QStringLiteral("statement_single_page2"));
}

TEST_F(FormsTest, PreviewPlaysTheCompositeAndReleasesItsReports)
{
    load();
    const int before = Report::liveCount();
    int pages = 0, alive = 0;
    QStringList firsts;
    QTimer::singleShot(0, [&] {
        auto *w = qobject_cast<PreviewWindow *>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        pages = w->pageCount();
        alive = Report::liveCount() - before;
        for (const CapturedPage &p : captureAll(w->pages()))
            firsts << (p.texts.empty() ? QString() : p.texts.front().text);
        saveScreenshot(w, QStringLiteral("statement_preview"));
        w->close();
    });
    showStatementPreview(nullptr);
    EXPECT_EQ(pages, 6);
    EXPECT_EQ(alive, 5) << "the five forms of the request";
    EXPECT_EQ(Report::liveCount(), before) << "released when the preview closes";
    EXPECT_EQ(firsts, (QStringList{"PERSONAL FINANCIAL STATEMENT", "Section 4 - Legal Information",
                                   "Financial Statement Details", "Financial Statement Details",
                                   "Financial Statement Details", "Financial Statement Details"}));
    EXPECT_TRUE(m_dialogs->shown().empty());

    // A failing table surfaces as an error box and still releases everything.
    m_dm->tblLegal->close();
    showStatementPreview(nullptr);
    ASSERT_EQ(m_dialogs->shown().size(), 1u);
    EXPECT_EQ(m_dialogs->shown()[0].kind, QStringLiteral("error"));
    EXPECT_EQ(Report::liveCount(), before);
    m_dm->tblLegal->open();
}

TEST_F(FormsTest, EveryFigureShowsWholeInsideItsBoxAtTheEndsOfItsRange)
{
    for (bool joint : {false, true}) {
        load({.joint = joint, .firstName = joint ? "John" : "Jim"});
        setUser({{"PrintMonthlyIncome", "N"}});
        const Filing f = joint ? Filing::Joint : Filing::Single;
        for (bool largest : {true, false}) {
            setEveryFigure(largest);
            for (PageKind k : kAllPages) {
                SCOPED_TRACE(formName(k, {Style::Standard, f}).toStdString() + (largest ? " largest" : " smallest"));
                const std::unique_ptr<Report> r = buildForm(k, {Style::Standard, f}, Sources::dataModule());
                r->prepare();
                const std::vector<FigureBox> boxes = figureBoxes(*r);
                int expected = 0, drawn = 0;
                for (const FigureBox &b : boxes)
                    expected += b.times;
                EXPECT_EQ(expected > 0, k != PageKind::LegalInformation);
                // A figure wider than its box breaks onto further lines of
                // the box: its pieces, in order, give it back whole.
                std::map<const FigureBox *, QString> pieces;
                for (const CapturedPage &p : captureAll(r->pages()))
                    for (const DrawnText &t : p.texts) {
                        const FigureBox *box = boxHolding(boxes, t.text, t.x, t.right());
                        if (!box) {
                            static const QRegularExpression figurePiece(QStringLiteral("^[-$0-9,.]+$"));
                            if (t.text.size() < 4 || !figurePiece.match(t.text).hasMatch())
                                continue;
                            for (const FigureBox &b : boxes)
                                if (b.text.contains(t.text) && t.x >= b.left - 0.05 && t.right() <= b.right + 0.05)
                                    box = &b;
                            if (!box)  // a year or a count typed in a text field
                                continue;
                            pieces[box] += t.text;
                        } else {
                            ++drawn;
                        }
                        // Never set smaller than the form's size.
                        EXPECT_NEAR(t.size, box->size, 0.01) << t.text.toStdString();
                    }
                for (const auto &[box, text] : pieces) {
                    EXPECT_EQ(text, box->text.repeated(box->times));
                    drawn += box->times;
                }
                EXPECT_EQ(drawn, expected);
            }
        }
    }

    // The PDF file lays the figures out the same way.
    const std::unique_ptr<Report> r = buildForm(PageKind::NetWorthSummary, {Style::Standard, Filing::Joint},
                                                Sources::dataModule());
    r->prepare();
    const QString file = QDir(m_out.path()).filePath(QStringLiteral("figures.pdf"));
    writePdf(file, r->pages());
    const std::vector<FigureBox> boxes = figureBoxes(*r);
    const QString smallest = formatMoney(-MaxCurrency);
    int inPdf = 0, onPage = 0;
    for (const FigureBox &b : boxes)
        onPage += b.text == smallest ? b.times : 0;
    for (const PdfWord &w : pdfWords(file, 1)) {
        if (w.text != smallest)
            continue;
        ++inPdf;
        EXPECT_NE(boxHolding(boxes, w.text, w.xMin / 0.75 + 0.2, w.xMax / 0.75 - 0.2), nullptr)
            << w.xMin / 0.75 << " to " << w.xMax / 0.75;
    }
    EXPECT_GT(onPage, 20);
    EXPECT_EQ(inPdf, onPage);
    renderPage(file, 1, QStringLiteral("statement_smallest_figures"));
}

TEST_F(FormsTest, LongNameWrapsWholeInItsBoxAtTheFormsSize)
{
    const struct {
        const char *first;
        const char *last;
    } names[] = {
        {"Bartholomew", "Montgomery-Fitzgerald"},
        {"Alexandrina-Konstantina-Marie", "Wolfeschlegelsteinhausenberge"},
    };
    for (const auto &n : names) {
        SCOPED_TRACE(n.last);
        QJsonObject client = statementClient({.joint = false, .firstName = n.first});
        QJsonObject fields = client.value(QStringLiteral("fields")).toObject();
        fields.insert(QStringLiteral("LastName"), QString::fromLatin1(n.last));
        client.insert(QStringLiteral("fields"), fields);
        load(client);
        const QString fullName = m_dm->tblClient->asString(QStringLiteral("FullName2"));
        ASSERT_TRUE(fullName.endsWith(QLatin1String(n.last))) << fullName.toStdString();

        const std::unique_ptr<Report> r = buildForm(PageKind::NetWorthSummary, {Style::Standard, Filing::Single},
                                                    Sources::dataModule());
        r->prepare();
        const QRectF box = r->control(QStringLiteral("FullName2"))->rect.translated(48, 0);
        const CapturedPage p = capture(r->preparedPage(0));
        const DrawnText *caption = p.find(QStringLiteral("Name: "));
        ASSERT_NE(caption, nullptr);
        // The name's lines, from the caption's baseline down to the next row,
        // inside the box.
        const DrawnText *address = p.find(QStringLiteral("Address: "));
        ASSERT_NE(address, nullptr);
        QStringList lines;
        for (const DrawnText &t : p.texts)
            if (t.baseline > caption->baseline - 0.25 && t.baseline < address->baseline - 1 && t.x >= box.left() - 0.05
                && t.x < box.right()) {
                EXPECT_LE(t.right(), box.right() + 0.05) << t.text.toStdString();
                EXPECT_NEAR(t.size, 8, 0.01);
                lines << t.text;
            }
        EXPECT_GT(lines.size(), 1);
        EXPECT_EQ(lines.join(QString()).remove(QLatin1Char(' ')), QString(fullName).remove(QLatin1Char(' ')));
        EXPECT_FALSE(lines.join(QString()).contains(QChar(0x2026)));
        // The row under the name moved down by the lines it took.
        EXPECT_GE(address->baseline - caption->baseline, 25 + (lines.size() - 1) * metrics::lineHeight({8, false}) - 0.05);
    }
}

TEST_F(FormsTest, ScheduleFooterNeverStartsAPage)
{
    // The deposit rows that fill the first page, counted on a schedule that
    // runs over it; with exactly as many the footer falls at the page break.
    const QStringList types = {"Certificate", "Checking", "Savings"};
    const auto rowsOn = [&](const CapturedPage &p) {
        int n = 0;
        for (const DrawnText &t : p.texts)
            n += types.contains(t.text) ? 1 : 0;
        return n;
    };
    load({.extraCashRows = 60});
    const int fill = rowsOn(form(PageKind::Assets).at(0));
    ASSERT_GT(fill, 10);
    ASSERT_LT(fill, 62);

    load({.extraCashRows = fill - 2, .firstName = "Jim"});
    const QString total = formatMoney(m_dm->tblNettora->asFloat(QStringLiteral("CashOnHand")));
    const std::vector<CapturedPage> pages = form(PageKind::Assets);
    int rows = 0, footers = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "page " << i + 1);
        const CapturedPage &p = pages[i];
        rows += rowsOn(p);
        const DrawnText *footer = p.find(total);
        if (!footer)
            continue;
        ++footers;
        EXPECT_EQ(p.lineAt(footer->baseline), QStringLiteral("Total ") + total);
        EXPECT_EQ(p.texts.front().text, QStringLiteral("Financial Statement Details"));
        int above = 0;
        for (const DrawnText &t : p.texts)
            above += types.contains(t.text) && t.baseline < footer->baseline ? 1 : 0;
        EXPECT_GE(above, 1) << "the footer comes with at least the last row";
        // A page the schedule goes on with opens with its repeated title.
        if (i > 0) {
            EXPECT_EQ(p.texts.at(1).text, QStringLiteral("Schedule A - Deposit Relationships (continued)"));
        }
    }
    EXPECT_EQ(footers, 1);
    EXPECT_EQ(rows, fill);
}
