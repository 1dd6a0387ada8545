// The review page: where it goes in a printed statement and its files, and
// that every sentence prints in full however many there are.
#include "page_capture.h"
#include "pdf_tools.h"
#include "statement_fixture.h"

#include "calc/review.h"
#include "data/datamodule.h"
#include "reports/engine/output.h"
#include "reports/engine/preview_window.h"
#include "reports/pdf_save.h"
#include "reports/print.h"

#include <QApplication>
#include <QDir>
#include <QRegularExpression>
#include <QTimer>

using namespace nettora;
using namespace nettora::reports;
using namespace nettora::test;

namespace {

const Style Styles[] = {Style::Standard, Style::Contemporary, Style::Professional};

// Text without its blanks and line ends, so a wrapped sentence reads as one.
QString joined(QString text)
{
    return text.remove(QRegularExpression(QStringLiteral("\\s+")));
}

class ReviewPageTest : public StatementTest {
protected:
    QString file() const { return QDir(m_out.path()).filePath(QStringLiteral("statement.pdf")); }
    // The statement's file as the PDF page writes it; its pages as text.
    QStringList pdfFile(Style style)
    {
        saveStatementPdf(style, m_out.path(), QStringLiteral("statement.pdf"), nullptr);
        return pdfTextPages(file());
    }
    // The words of the findings' middle column on a page (1-based), so that
    // a wrapped sentence is not read across the column beside it.
    QString findingColumn(int page)
    {
        // Points from the paper's edge: the half-inch margin, then the column.
        const double left = (48 + 124) * 0.75 - 1, right = (48 + 544) * 0.75 + 1;
        QStringList words;
        for (const PdfWord &w : pdfWords(file(), page))
            if (w.xMin >= left && w.xMax <= right)
                words << w.text;
        return joined(words.join(QString()));
    }

    // The last page of the print preview, as its texts.
    QString lastPreviewedPage(PrintChoice choice)
    {
        QString last;
        QTimer::singleShot(0, [&] {
            auto *w = qobject_cast<PreviewWindow *>(QApplication::activeModalWidget());
            if (!w)
                return;
            const std::vector<CapturedPage> pages = captureAll(w->pages());
            if (!pages.empty())
                last = pages.back().textList().join(QLatin1Char(' '));
            w->close();
        });
        printChoice(choice, nullptr);
        QApplication::processEvents();
        return last;
    }

    QStringList sequenceNames(Style style, Output output)
    {
        QStringList names;
        for (const SequenceForm &f : statementSequence(style, output, Sources::dataModule()))
            names << f.name;
        return names;
    }

    QTemporaryDir m_out;
};

}  // namespace

TEST_F(ReviewPageTest, FollowsTheSchedulesOnlyWhenTheOptionIsOn)
{
    load();
    // A question answered "Yes" without its explanation is sent back.
    setLegal({{"Bankruptcy", QStringLiteral("Yes")}, {"BankruptcyExplanation", QString()}});
    const Review made = reviewStatement(m_dm->db(), m_statementId, QDate::currentDate());
    ASSERT_TRUE(made.hasFix());
    const PrintChoice choices[] = {PrintChoice::Standard, PrintChoice::Contemporary, PrintChoice::Professional};
    for (size_t i = 0; i < std::size(Styles); ++i) {
        const Style style = Styles[i];
        for (const bool on : {false, true}) {
            SCOPED_TRACE(QStringLiteral("style %1 review %2").arg(int(style)).arg(on).toStdString());
            setUser({{"PrintReview", on ? QStringLiteral("Y") : QStringLiteral("N")},
                     {"Compilation", QStringLiteral("Y")}});
            const QString income = formName(PageKind::IncomeAndExpenses, {style, Filing::Joint});
            for (Output output : {Output::Paper, Output::Pdf})
                EXPECT_EQ(sequenceNames(style, output).last(), on ? reviewFormName(style) : income);

            const QStringList pdf = pdfFile(style);
            ASSERT_FALSE(pdf.isEmpty());
            EXPECT_TRUE(joined(pdf.last()).contains(joined(statementFooter(Sources::dataModule()).centre)));
            // The review is the tail of the file: from its first page to the last.
            qsizetype first = pdf.size();
            while (first > 0 && pdf[first - 1].contains(QStringLiteral("Review")))
                --first;
            EXPECT_EQ(first < pdf.size(), on);
            const QString review = joined(pdf.mid(first).join(QString()));
            QString sentences;
            for (qsizetype p = first; p < pdf.size(); ++p)
                sentences += findingColumn(int(p) + 1);
            for (const Finding &f : made.findings)
                EXPECT_EQ(sentences.contains(joined(f.message)), on) << f.message.toStdString();
            EXPECT_EQ(review.contains(joined(severityWords(Severity::Fix))), on);
            for (qsizetype p = 0; p < first; ++p)
                EXPECT_FALSE(pdf[p].contains(QStringLiteral("Fix before signing")));
            if (on) {
                EXPECT_TRUE(pdf[first - 1].contains(QStringLiteral("Section 3 - Annual Income and Expenditures"))
                            || pdf[first - 1].contains(QStringLiteral("Financial Statement Details")));
            }

            EXPECT_EQ(lastPreviewedPage(choices[i]).contains(QStringLiteral("Fix before signing")), on);
        }
    }
}

TEST_F(ReviewPageTest, ManyLongFindingsWrapAndGoOnToFurtherPagesEachWithTheFooter)
{
    load();
    const Sources sources = Sources::dataModule();
    Review many = reviewStatement(m_dm->db(), m_statementId, QDate(2026, 6, 30));
    many.findings.clear();
    for (int i = 0; i < 40; ++i)
        many.findings.push_back(
            {QStringLiteral("long"), i < 20 ? Severity::Fix : Severity::Look,
             QStringLiteral("Finding number %1 says at some length that the deposit account \"Checking at First "
                            "National\" has no account number, so the lender cannot confirm it with the bank "
                            "before the loan closes.")
                 .arg(i + 1),
             MendPage::Cash, QStringLiteral("Cash"), 0, QString()});
    const Review none{m_statementId, QDate(2026, 6, 30), {}, many.ratios};

    for (const Style style : Styles) {
        SCOPED_TRACE(int(style));
        const DocumentFooter footer = statementFooter(sources);
        const auto pdfOf = [&](const Review &review) {
            const SequenceForm form{reviewFormName(style), QStringLiteral("Creating Review"),
                                    [&] { return buildReviewPage(style, review, sources); }};
            const QString file = QDir(m_out.path()).filePath(QStringLiteral("review.pdf"));
            writePdf(file, prepareSequence({form}, footer, nullptr));
            return pdfTextPages(file);
        };

        const QStringList pages = pdfOf(many);
        ASSERT_GE(pages.size(), 2);
        // Left for people to look at.
        renderPage(QDir(m_out.path()).filePath(QStringLiteral("review.pdf")), 1,
                   QStringLiteral("review_%1").arg(reviewFormName(style)));
        for (const QString &page : pages) {
            EXPECT_TRUE(page.contains(QStringLiteral("Review")));
            EXPECT_TRUE(joined(page).contains(joined(footer.left))) << page.toStdString();
            EXPECT_TRUE(joined(page).contains(joined(footer.centre)));
        }
        const QString all = joined(pages.join(QString()));
        for (const Finding &f : many.findings)
            EXPECT_TRUE(all.contains(joined(f.message))) << f.message.toStdString();
        for (const Ratio &r : many.ratios) {
            EXPECT_TRUE(all.contains(joined(r.formula))) << r.formula.toStdString();
            EXPECT_TRUE(all.contains(joined(ratioValueText(r))));
        }
        EXPECT_LT(all.lastIndexOf(QStringLiteral("Fixbeforesigning")), all.indexOf(QStringLiteral("Worthalook")));
        EXPECT_FALSE(all.contains(joined(nothingFoundLine())));

        const QString quiet = joined(pdfOf(none).join(QString()));
        EXPECT_TRUE(quiet.contains(joined(nothingFoundLine())));
        EXPECT_FALSE(quiet.contains(QStringLiteral("Worthalook")));
    }
}
