// Print assembly on real data: which pages a request plays and in which
// order, on paper (the preview) and in PDF files; the compilation report's
// letter and the preparer page.
#include "page_capture.h"
#include "pdf_tools.h"
#include "statement_fixture.h"

#include "data/datamodule.h"
#include "data/db_functions.h"
#include "data/engine.h"
#include "reports/engine/output.h"
#include "reports/engine/preview_window.h"
#include "reports/pdf_save.h"
#include "reports/print.h"

#include <QApplication>
#include <QDate>
#include <QJsonObject>
#include <algorithm>
#include <cmath>
#include <QDir>
#include <QJsonArray>
#include <QLabel>
#include <QTimer>

using namespace nettora;
using namespace nettora::reports;
using namespace nettora::test;

namespace {

// What a page is, by a text only it has.
QString pageMark(const QString &text)
{
    const std::pair<const char *, const char *> marks[] = {
        {"Compilation Report", "compilation"},
        {"Preparer's Information", "preparer"},
        {"PERSONAL FINANCIAL STATEMENT", "summary"},
        {"Section 4 - Legal Information", "legal"},
        {"Section 2 - Assets", "assets"},
        {"Section 2 - Liabilities", "liabilities"},
        {"Section 3 - Annual Income and Expenditures", "income"},
    };
    for (const auto &[needle, mark] : marks)
        if (text.contains(QString::fromLatin1(needle)))
            return QString::fromLatin1(mark);
    return QStringLiteral("more");  // a page a schedule goes on to
}

class PrintTest : public StatementTest {
protected:
    // The pages the preview of a print choice shows, each as its text; the
    // dialogs shown instead when nothing is previewed.
    QStringList previewed(PrintChoice choice, int *alive = nullptr)
    {
        QStringList pages;
        const int before = Report::liveCount();
        QTimer::singleShot(0, [&] {
            auto *w = qobject_cast<PreviewWindow *>(QApplication::activeModalWidget());
            if (!w)
                return;
            if (alive)
                *alive = Report::liveCount() - before;
            for (const CapturedPage &p : captureAll(w->pages()))
                pages << p.textList().join(QLatin1Char(' '));
            w->close();
        });
        printChoice(choice, nullptr);
        QApplication::processEvents();
        EXPECT_EQ(Report::liveCount(), before) << "every report object of the request is released";
        return pages;
    }

    QString pdfOf(const QString &name, Style style = Style::Standard)
    {
        const QString file = QDir(m_out.path()).filePath(name + QStringLiteral(".pdf"));
        writePdf(file, prepareDocument(style));
        return file;
    }

    QTemporaryDir m_out;
};

QStringList marks(const QStringList &pages)
{
    QStringList out;
    for (const QString &p : pages)
        if (const QString m = pageMark(p); m != QLatin1String("more"))
            out << m;
    return out;
}

}  // namespace

TEST_F(PrintTest, PagesAndOrderFollowTheOptionsAndTheFilingOnPaperAndInPdf)
{
    setUser({{"Company", "Kelmor Accounting"}, {"FirstName", "Pat"}, {"LastName", "Kelmor"}});
    for (const bool joint : {true, false}) {
        if (!joint)
            m_dm->db().exec(QStringLiteral("DELETE FROM Client"));
        load({.joint = joint, .firstName = joint ? "John" : "Jim"});
        const QString summary = joint ? QStringLiteral("TqrJoint") : QStringLiteral("TqrSingle");
        // The other styles: the same pages in front, in the same orders, then
        // the style's own five forms.
        for (const auto &[style, choice] : {std::pair{Style::Contemporary, PrintChoice::Contemporary},
                                            std::pair{Style::Professional, PrintChoice::Professional}})
            for (const bool compilation : {false, true})
                for (const bool preparer : {false, true}) {
                    SCOPED_TRACE(QStringLiteral("style %1 joint %2 compilation %3 preparer %4")
                                     .arg(int(style)).arg(joint).arg(compilation).arg(preparer).toStdString());
                    const auto yn = [](bool on) { return on ? QStringLiteral("Y") : QStringLiteral("N"); };
                    setUser({{"Compilation", yn(compilation)}, {"Preparer", yn(preparer)}});
                    QStringList front;
                    if (compilation)
                        front << "compilation";
                    if (preparer)
                        front << "preparer";
                    QStringList frontPdf = front;
                    std::reverse(frontPdf.begin(), frontPdf.end());
                    const FormKind kind{style, joint ? Filing::Joint : Filing::Single};
                    QStringList expectedNames;
                    for (const QString &f : front)
                        expectedNames << (f == "compilation" ? "TqrCompilation" : "TqrPreparer");
                    for (PageKind page : {PageKind::NetWorthSummary, PageKind::LegalInformation, PageKind::Assets,
                                          PageKind::Liabilities, PageKind::IncomeAndExpenses})
                        expectedNames << formName(page, kind);
                    QStringList sequence;
                    for (const SequenceForm &f : statementSequence(style, Output::Paper, Sources::dataModule()))
                        sequence << f.name;
                    EXPECT_EQ(sequence, expectedNames);

                    const QStringList paper = previewed(choice);
                    EXPECT_EQ(marks(paper).mid(0, front.size()), front);
                    const QStringList pdf = pdfPages(pdfOf(QStringLiteral("styled"), style));
                    EXPECT_EQ(marks(pdf).mid(0, frontPdf.size()), frontPdf);
                    EXPECT_EQ(pdf.size(), paper.size());
                    EXPECT_GE(pdf.size(), front.size() + 5);
                    EXPECT_TRUE(pdf.join(QString()).contains(QStringLiteral("165,000.00")));
                }
        for (const bool compilation : {false, true})
            for (const bool preparer : {false, true})
                for (const bool monthly : {false, true}) {
                    SCOPED_TRACE(QStringLiteral("joint %1 compilation %2 preparer %3 monthly %4")
                                     .arg(joint).arg(compilation).arg(preparer).arg(monthly).toStdString());
                    const auto yn = [](bool on) { return on ? QStringLiteral("Y") : QStringLiteral("N"); };
                    setUser({{"Compilation", yn(compilation)}, {"Preparer", yn(preparer)},
                             {"PrintMonthlyIncome", yn(monthly)}});

                    QStringList front, frontPdf, names = {summary, summary + "_Sect4", "TqrSingle_Details",
                                                          "TqrSingle_Details_L", "TqrSingle_Details_Inc"};
                    if (compilation)
                        front << "compilation";
                    if (preparer)
                        front << "preparer";
                    frontPdf = front;
                    std::reverse(frontPdf.begin(), frontPdf.end());
                    const QStringList statement{"summary", "legal", "assets", "liabilities", "income"};

                    QStringList sequence;
                    for (const SequenceForm &f : statementSequence(Style::Standard, Output::Paper, Sources::dataModule()))
                        sequence << f.name;
                    QStringList expectedNames;
                    for (const QString &f : front)
                        expectedNames << (f == "compilation" ? "TqrCompilation" : "TqrPreparer");
                    EXPECT_EQ(sequence, expectedNames + names);

                    int alive = 0;
                    const QStringList paper = previewed(PrintChoice::Standard, &alive);
                    EXPECT_EQ(marks(paper), front + statement);
                    EXPECT_EQ(alive, int(front.size()) + 5);

                    const QString file = pdfOf(QStringLiteral("document"));
                    const QStringList pdf = pdfPages(file);
                    EXPECT_EQ(marks(pdf), frontPdf + statement);
                    EXPECT_EQ(pdf.size(), paper.size());
                    EXPECT_EQ(pdf.filter(QStringLiteral("Section 1b - Spouse Information")).size(), joint ? 1 : 0);
                    const QString income = pdf.filter(QStringLiteral("Section 3 - Annual Income and Expenditures")).join("");
                    EXPECT_EQ(income.contains(QStringLiteral("Monthly (Average)")), !monthly);
                    EXPECT_EQ(income.contains(QStringLiteral("13,750.00")), !monthly);
                    EXPECT_TRUE(income.contains(QStringLiteral("165,000.00")));
                }
    }
}

TEST_F(PrintTest, EveryStyleHasItsFormsAndCompositeWhatEverTheFiling)
{
    setUser({{"Compilation", "Y"}, {"Preparer", "Y"}});
    const struct {
        Style style;
        bool joint;
        const char *composite;
        QStringList forms;
    } cases[] = {
        {Style::Standard, false, "qrcr1",
         {"TqrSingle", "TqrSingle_Sect4", "TqrSingle_Details", "TqrSingle_Details_L", "TqrSingle_Details_Inc"}},
        {Style::Standard, true, "qrcr2",
         {"TqrJoint", "TqrJoint_Sect4", "TqrSingle_Details", "TqrSingle_Details_L", "TqrSingle_Details_Inc"}},
        {Style::Contemporary, false, "qrcr3",
         {"TqrCont_Single", "TqrCont_Single_Sect4", "TqrCont_Joint_Details", "TqrCont_Joint_Details_L",
          "TqrCont_Joint_Details_Inc"}},
        {Style::Contemporary, true, "qrcr4",
         {"TqrCont_Joint", "TqrCont_Joint_Sect4", "TqrCont_Joint_Details", "TqrCont_Joint_Details_L",
          "TqrCont_Joint_Details_Inc"}},
        {Style::Professional, false, "qrcr5",
         {"TqrPro_Single", "TqrPro_Single_Sect4", "TqrPro_Details", "TqrPro_Details_L", "TqrPro_Details_Inc"}},
        {Style::Professional, true, "qrcr6",
         {"TqrPro_Joint", "TqrPro_Joint_Sect4", "TqrPro_Details", "TqrPro_Details_L", "TqrPro_Details_Inc"}},
    };
    load({.joint = true});
    const QStringList joint{QString::number(m_clientId), QString::number(m_statementId)};
    load({.joint = false, .firstName = "Jim"});
    const QStringList single{QString::number(m_clientId), QString::number(m_statementId)};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.composite);
        const QStringList &keys = c.joint ? joint : single;
        FilterStatementTables(keys[0], keys[1]);
        EXPECT_EQ(compositeName(c.style, filingOf(m_dm->tblClient)), c.composite);
        QStringList names, progress;
        for (const SequenceForm &f : statementSequence(c.style, Output::Pdf, Sources::dataModule())) {
            names << f.name;
            progress << f.progress;
        }
        EXPECT_EQ(names, QStringList({"TqrPreparer", "TqrCompilation"}) + c.forms);
        EXPECT_EQ(progress, (QStringList{"Creating Preparer Information", "Creating Compilation Report",
                                         "Creating Net Worth Summary", "Creating Legal Information", "Creating Assets",
                                         "Creating Liabilities", "Creating Annual Income and Expenses"}));
    }
}

TEST_F(PrintTest, SpouseNamePartsAloneDecideTheJointLetterAndASpouseLastNameKeepsTheSingleLayout)
{
    // Paragraph 1 of the letter for the three ways a client can be named.
    const struct {
        const char *what;
        std::vector<std::pair<const char *, const char *>> fields;  // over a client without spouse
        const char *names;
        bool joint;
    } cases[] = {
        {"client with initial, spouse first and last", {{"SFirstName", "Mary"}, {"SLastName", "Smith"}},
         "John Q. Smith and Mary Smith", true},
        {"no spouse", {}, "John Q. Smith", false},
        {"spouse last name only", {{"SLastName", "Jones"}}, "John Q. Smith and  Jones", false},
        {"client without initial", {{"MiddleInitial", ""}, {"SMiddleInitial", "A"}}, "John Smith and  A. ", false},
    };
    setUser({{"FirstName", "Pat"}, {"MiddleInitial", "R"}, {"LastName", "Kelmor"}});
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        m_dm->db().exec(QStringLiteral("DELETE FROM Client"));
        QJsonObject client = statementClient({.joint = false});
        QJsonObject fields = client.value(QStringLiteral("fields")).toObject();
        for (const auto &[k, v] : c.fields)
            fields.insert(QString::fromLatin1(k), QString::fromLatin1(v));
        client.insert(QStringLiteral("fields"), fields);
        load(client);
        EXPECT_EQ(filingOf(m_dm->tblClient) == Filing::Joint, c.joint);

        const QString letter =
            compilationLetter(m_dm->tblClient, m_dm->tblNettora, m_dm->tblUser, QDate(2026, 3, 5));
        const QStringList lines = letter.split(QLatin1Char('\n'));
        ASSERT_EQ(lines.size(), 22);
        EXPECT_EQ(lines[0], "03/05/2026");
        EXPECT_EQ(lines[3], QStringLiteral("We have compiled the statement of financial condition and supplementary "
                                           "schedules for ")
                                + QString::fromLatin1(c.names)
                                + QStringLiteral(" as of 12/31/2025, included in the accompanying prescribed form in "
                                                 "accordance with Statements on Standards for  Accounting and Review "
                                                 "Services issued by the American Institute of Certified Public "
                                                 "Accountants."));
        EXPECT_TRUE(lines[6].startsWith("Our compilation was limited to presenting in the form of financial condition"));
        EXPECT_TRUE(lines[6].endsWith("do not express an opinion or any other form of assurance on them."));
        EXPECT_TRUE(lines[9].contains("accounting principles.  Accordingly, these financial statements are not designed"));
        EXPECT_EQ(lines[12], "Sincerely,");
        EXPECT_EQ(lines[17], "Pat R. Kelmor");
        for (int empty : {1, 2, 4, 5, 7, 8, 10, 11, 13, 14, 15, 16, 18, 19, 20, 21})
            EXPECT_EQ(lines[empty], QString()) << empty;
    }
}

TEST_F(PrintTest, CompilationReportAndPreparerPageOnPaper)
{
    setUser({{"Company", "Kelmor Accounting"}, {"FirstName", "Pat"}, {"MiddleInitial", ""}, {"LastName", "Kelmor"},
             {"FullName", "Pat Kelmor, CPA"}, {"Address", "400 Main Street"}, {"Address2", "Suite 12"},
             {"City", "Dallas"}, {"State", "TX"}, {"Zip", "75201"}, {"Address3", "400 Main Street, Suite 12"},
             {"CityStateZip", "Dallas, TX 75201"}, {"Phone", "214-555-0000"}, {"Fax", "214-555-0001"},
             {"FaxNumber", "Fax: 214-555-0001"}, {"EmailAddress", "pat@kelmor.example"},
             {"Compilation", "Y"}, {"Preparer", "Y"}});
    load();
    const QString file = pdfOf(QStringLiteral("front"));
    EXPECT_EQ(runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), file}).status, 0);
    renderPage(file, 1, QStringLiteral("print_preparer_page"));
    renderPage(file, 2, QStringLiteral("print_compilation_report"));

    const std::vector<CapturedPage> preparer = captureAll([&] {
        auto r = buildPreparerPage(Sources::dataModule());
        r->prepare();
        return r->pages();
    }());
    ASSERT_EQ(preparer.size(), 1u);
    const CapturedPage &p = preparer[0];
    for (const char *t : {"Name:", "John Q. Smith", "Statement Ending Date:", "12/31/2025", "Business Phone:",
                          "972-555-0199", "Residence Phone:", "214-555-0101", "Email Address:", "john@smith.example",
                          "Preparer's Information", "Signature", "Date"})
        EXPECT_TRUE(p.has(QString::fromLatin1(t))) << t;
    const std::pair<const char *, const char *> rows[] = {
        {"Firm:", "Kelmor Accounting"}, {"Name:", "Pat Kelmor"},       {"Address:", "400 Main Street"},
        {"Suite, Box, Etc:", "Suite 12"}, {"City, State, Zip:", "Dallas, TX  75201"}, {"Phone:", "214-555-0000"},
        {"Fax:", "214-555-0001"},        {"Email:", "pat@kelmor.example"},
    };
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(rows[i].first);
        const DrawnText *value = p.find(QString::fromLatin1(rows[i].second));
        ASSERT_NE(value, nullptr);
        EXPECT_NEAR(value->x, 48 + 314, 0.05);
        EXPECT_NEAR(value->size, 10, 0.01);
        // The captions end at one right edge; "Name:" is also the client's box caption.
        const DrawnText *caption = nullptr;
        for (const DrawnText &t : p.texts)
            if (t.text == QLatin1String(rows[i].first) && std::abs(t.baseline - value->baseline) < 0.5)
                caption = &t;
        ASSERT_NE(caption, nullptr);
        EXPECT_NEAR(caption->right(), 48 + 310, 0.05);
        if (i > 0) {
            EXPECT_NEAR(value->baseline - p.find(QString::fromLatin1(rows[i - 1].second))->baseline, 20, 0.05);
        }
    }

    const std::vector<CapturedPage> compilation = captureAll([&] {
        auto r = buildCompilationReport(Sources::dataModule());
        r->prepare();
        return r->pages();
    }());
    ASSERT_EQ(compilation.size(), 1u);
    const CapturedPage &c = compilation[0];
    const DrawnText *company = c.find(QStringLiteral("Kelmor Accounting"));
    ASSERT_NE(company, nullptr);
    EXPECT_NEAR(company->size, 14, 0.01);
    for (const char *t : {"Pat Kelmor, CPA", "400 Main Street, Suite 12", "Dallas, TX 75201", "Fax: 214-555-0001",
                          "pat@kelmor.example", "Compilation Report", "Sincerely,", "Pat Kelmor"})
        EXPECT_TRUE(c.has(QString::fromLatin1(t))) << t;
    EXPECT_TRUE(c.has(QDate::currentDate().toString(QStringLiteral("MM/dd/yyyy")))) << "dated the day it prints";
    const QString all = c.textList().join(QLatin1Char(' '));
    EXPECT_TRUE(all.contains(QStringLiteral("schedules for John Q. Smith and Mary A. Smith as of 12/31/2025,")));
    EXPECT_TRUE(all.contains(QStringLiteral("Standards for  Accounting"))) << "the double blank stays on paper";
    EXPECT_TRUE(all.contains(QStringLiteral("principles.  Accordingly")));
    for (const DrawnText &t : c.texts)
        EXPECT_LE(t.right(), 48 + 720 + 0.01) << t.text.toStdString();
}

TEST_F(PrintTest, ChangedOptionsShowInTheNextRequestAndOtherStylesTakeTheSamePath)
{
    load();
    setUser({{"Compilation", "Y"}, {"Preparer", "Y"}});
    EXPECT_EQ(marks(previewed(PrintChoice::Standard)).mid(0, 3),
              (QStringList{"compilation", "preparer", "summary"}));
    setUser({{"Compilation", "y"}, {"Preparer", "N"}});
    EXPECT_EQ(marks(previewed(PrintChoice::Standard)).mid(0, 1), QStringList{"summary"});
    EXPECT_TRUE(m_dialogs->shown().empty());

    // The other styles go through the same assembly: their own forms as
    // built for the request, never the Standard ones.
    const QStringList standard = previewed(PrintChoice::Standard);
    for (const auto &[choice, style] : {std::pair{PrintChoice::Contemporary, Style::Contemporary},
                                        std::pair{PrintChoice::Professional, Style::Professional}}) {
        m_dialogs->clear();
        QStringList expected;
        const DocumentFooter footer = statementFooter(Sources::dataModule());
        std::vector<PreparedPage> pages;
        for (const SequenceForm &f : statementSequence(style, Output::Paper, Sources::dataModule())) {
            auto r = f.build();
            r->page.footerHeight = footerHeight(footer);
            r->prepare();
            pages.insert(pages.end(), r->pages().begin(), r->pages().end());
        }
        addFooters(pages, footer);
        for (const CapturedPage &p : captureAll(pages))
            expected << p.textList().join(QLatin1Char(' '));
        const QStringList shown = previewed(choice);
        EXPECT_FALSE(shown.isEmpty());
        EXPECT_EQ(shown, expected);
        EXPECT_NE(shown, standard);
        EXPECT_TRUE(m_dialogs->shown().empty());
    }

    // A blank choice: the style's eleven blank forms, one page each, the
    // statement's figures nowhere.
    for (const auto &[blank, style] : {std::pair{PrintChoice::StandardBlank, Style::Standard},
                                       std::pair{PrintChoice::ContemporaryBlank, Style::Contemporary},
                                       std::pair{PrintChoice::ProfessionalBlank, Style::Professional}}) {
        m_dialogs->clear();
        int alive = 0;
        const QStringList shown = previewed(blank, &alive);
        EXPECT_EQ(shown.size(), 11);
        EXPECT_EQ(alive, 11);
        EXPECT_FALSE(shown.join(QString()).contains(QStringLiteral("165,000.00")));
        EXPECT_EQ(blankCompositeName(style), style == Style::Standard       ? "qrcr7"
                                             : style == Style::Professional ? "qrcr8"
                                                                            : "qrcr9");
        EXPECT_TRUE(m_dialogs->shown().empty());
    }
}

TEST_F(PrintTest, NamesInAnyScriptPrintAsThemselvesAndAFieldNoFontCanDrawIsNamed)
{
    const QString names[] = {QStringLiteral("देवनागरी"), QStringLiteral("مرحبا"), QStringLiteral("中文银行")};
    QJsonObject client = statementClient({.joint = false});
    QJsonObject fields = client.value(QStringLiteral("fields")).toObject();
    fields.insert(QStringLiteral("FirstName"), names[0]);
    fields.insert(QStringLiteral("LastName"), names[1]);
    fields.insert(QStringLiteral("Employer"), names[2]);
    client.insert(QStringLiteral("fields"), fields);
    load(client);
    QStringList warnings;
    const QString file = QDir(m_out.path()).filePath(QStringLiteral("scripts.pdf"));
    writePdf(file, prepareDocument(Style::Standard, nullptr, [&warnings](const QString &l) { warnings << l; }));
    EXPECT_EQ(warnings, QStringList());
    const QString text = foldedText(pdfText(file, 1));
    for (const QString &name : names)
        EXPECT_TRUE(text.contains(foldedText(name))) << name.toStdString() << " in " << text.toStdString();

    // U+E000 is in no installed font: the PDF (and so the e-mail) status
    // says so after the form's line, and the preview under its pages.
    setClient({{"Employer", QStringLiteral("Acme \uE000 Works")}});
    const QString line = QStringLiteral("Some characters of the field Employer (Net Worth Summary) cannot be printed: "
                                        "no installed font has U+E000.");
    QStringList status;
    saveStatementPdf(Style::Standard, m_out.path(), QStringLiteral("odd.pdf"),
                     [&status](const QString &l) { status << l; });
    const qsizetype at = status.indexOf(QStringLiteral("Creating Net Worth Summary"));
    ASSERT_GE(at, 0) << status.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(status.value(at + 1), line);
    EXPECT_EQ(status.count(line), 1);

    QString notes;
    QTimer::singleShot(0, [&notes] {
        if (auto *w = qobject_cast<PreviewWindow *>(QApplication::activeModalWidget())) {
            notes = w->lNotes->isVisible() ? w->lNotes->text() : QStringLiteral("(hidden)");
            w->close();
        }
    });
    printChoice(PrintChoice::Standard, nullptr);
    EXPECT_EQ(notes, line);
}
