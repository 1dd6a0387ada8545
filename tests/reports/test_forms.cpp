// The Standard statement forms on real data: their texts, hooks and layout
// on the drawing, and the statement as a PDF file.
#include "page_capture.h"
#include "pdf_tools.h"
#include "statement_fixture.h"

#include "data/db_functions.h"
#include "reports/engine/composite.h"
#include "reports/engine/output.h"
#include "reports/engine/preview_window.h"
#include "reports/forms/forms.h"
#include "reports/preview.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
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
    "Do You have a will?",
    "Are you presently involved in divorce proceedings?",
    "Have you ever taken bankruptcy?",
    "Are you a partner or officer in any other venture?",
    "Are you a defendant in any suit or legal action?",
    "Do you have any judgements against you?",
    "Have you executed any prenuptial or financial agreements with your spouse?",
    "Are any of your listed assets seperate property of your spouse?",
    "Are any of your listed assets held in estate, trust or any other name?",
    "Do any assets secure debts which have not been reported in the statement?",
};

class FormsTest : public StatementTest {
protected:
    std::vector<CapturedPage> form(PageKind page, Filing filing = Filing::Joint)
    {
        const std::unique_ptr<Report> r = buildForm(page, {Style::Standard, filing}, Sources::dataModule());
        r->prepare();
        for (const Overflow &o : r->overflows())
            ADD_FAILURE() << r->name().toStdString() << ": \"" << o.text.toStdString() << "\" does not fit "
                          << o.control.toStdString() << " (" << o.needed << " > " << o.available << ")";
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
    QTemporaryDir m_out;
};

void expectContainsAll(const QStringList &texts, const QStringList &wanted)
{
    for (const QString &w : wanted)
        EXPECT_TRUE(texts.contains(w)) << "missing \"" << w.toStdString() << "\"";
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
    EXPECT_EQ(answers, (QStringList{"Yes", "No", "No", "Yes", "No", "Yes", "No", "No", "No", "No"}));
    // "yes" in lower case is not "Yes"; a "No" hides an explanation that was
    // typed before; a "Yes" without one still shows its caption.
    const QStringList t = p.textList();
    EXPECT_EQ(countOf(t, QStringLiteral("Executor:")), 2);
    EXPECT_EQ(countOf(t, QStringLiteral("Explain:")), 1);
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
    setLegal({{"JudgementExplanation", QStringLiteral("Settled. ").repeated(40).trimmed()}});
    const CapturedPage longer = form(PageKind::LegalInformation).at(0);
    EXPECT_GT(longer.find(kQuestions[6])->baseline - longer.find(kQuestions[5])->baseline, gapBefore + 10);

    // Without a legal row every answer is "No" and no explanation prints.
    for (m_dm->tblLegal->first(); !m_dm->tblLegal->isEmpty();)
        m_dm->tblLegal->remove();
    const QStringList none = texts(PageKind::LegalInformation);
    EXPECT_EQ(countOf(none, QStringLiteral("No")), 10);
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
