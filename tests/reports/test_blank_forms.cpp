// The blank form sets: eleven forms per style written by the real
// nettora-cli from an empty data directory, read back from the PDF.
#include "cli/cli_process.h"
#include "pdf_tools.h"

#include "reports/print.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace nettora;
using namespace nettora::reports;
using namespace nettora::test;

namespace {

CliRun cliPdf(const QString &dataDir, const QStringList &args)
{
    return runProcess(QStringLiteral(NETTORA_CLI_PATH), QStringList{QStringLiteral("--data-dir"), dataDir} + args,
                      cliEnvironment());
}

// Text without line breaks or runs of blanks, so captions compare as written.
QString flat(QString text)
{
    return text.simplified();
}

struct StyleCase {
    const char *option;
    Style style;
    const char *prefix;
    const char *summaryTitle;
    int writingLines;
    // Mortgages (form 7): the lien holder before the year, and the last column.
    bool lienFirst;
    const char *mortgageLast;
    const char *notOnMortgages;
    // "Totals" captions on forms 4 and 8, "...name of:" headings on form 6.
    int totalsOnAutos, totalsOnCards, colonsOnOtherAssets;
};

const StyleCase Styles[] = {
    {"standard", Style::Standard, "TqrBlank_Standard", "PERSONAL FINANCIAL STATEMENT", 15, false, "Market", "Balance", 2, 1, 2},
    {"contemporary", Style::Contemporary, "TqrBlank_Cont", "PERSONAL FINANCIAL STATEMENT", 15, true, "Balance", "Market", 1, 0, 1},
    {"professional", Style::Professional, "TqrBlank_Pro", "Personal Financial Statement", 16, true, "Balance", "Market", 2, 0, 2},
};

// Section caption and block titles of forms 3 to 11.
const struct {
    const char *section;
    QStringList titles;
    QString total;
} SchedulePages[] = {
    {"Section 2 - Assets", {"Schedule A - Deposit Relationships", "Schedule B - Real Estate"}, "Total"},
    {"Section 2 - Assets (Cont.)", {"Schedule C - Securities", "Schedule D - Automobiles"}, "Totals"},
    {"Section 2 - Assets (Cont.)",
     {"Schedule E - Cash Value of Life Insurance", "Schedule F - Household and Personal Assets"}, "Totals"},
    {"Section 2 - Assets (Cont.)", {"Schedule G - Business Assets", "Schedule H - Other Assets"}, "Total"},
    {"Section 2 - Liabilities", {"Schedule I - Notes Payable", "Schedule J - Mortgages Payable"}, "Total"},
    {"Section 2 - Liabilities (Cont.)", {"Schedule K - Credit Card Liability", "Schedule L - Auto Liability"},
     "Total"},
    {"Section 2 - Liabilities (Cont.)", {"Schedule M - Tax Liability", "Schedule N - All Other Liabilities"},
     "Totals"},
    {"Section 2 - Liabilities (Cont.)", {"Schedule O - Contingent Liabilities (Not Included in Net Worth Calculation)"},
     "Totals"},
    {"Section 3 - Annual Income and Expenditures",
     {"Annual Income - Detailed Summary", "Annual Expenditures - Detailed Summary"}, "Totals"},
};

class BlankFormsTest : public ::testing::TestWithParam<StyleCase> {
protected:
    QTemporaryDir m_dir;  // the data directory: empty, no statement anywhere
};

TEST_P(BlankFormsTest, CliWritesTheElevenFormsFromAnEmptyDataDirectory)
{
    const StyleCase &c = GetParam();
    ASSERT_TRUE(m_dir.isValid());
    QTemporaryDir out;
    const QString file = QDir(out.path()).filePath(QStringLiteral("blank.pdf"));
    const CliRun w = cliPdf(m_dir.path(), {QStringLiteral("pdf"), QStringLiteral("--blank"),
                                           QString::fromLatin1(c.option), QStringLiteral("-o"), file});
    ASSERT_EQ(w.status, 0) << w.err.toStdString();
    ASSERT_EQ(pdfPageCount(file), 11);
    const QStringList pages = pdfPages(file);
    ASSERT_EQ(pages.size(), 11);

    EXPECT_TRUE(flat(pages[0]).contains(QString::fromLatin1(c.summaryTitle)));
    // The Professional blank summary shortens the first expenditure caption.
    EXPECT_EQ(pages[0].contains(QStringLiteral("(auto, credit cards)")), false);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Installment Payments")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Contacts (Spouse)")));
    EXPECT_EQ(pages[1].count(QStringLiteral("Signed")), 2);
    EXPECT_FALSE(pages[1].contains(QStringLiteral("No\n")));  // no answers on a blank form
    if (c.style == Style::Professional) {
        EXPECT_EQ(pages[1].count(QStringLiteral("Date:_______________")), 2);
    }
    // Numbered pages, so a set handed out loose can be put back in order.
    for (int i = 0; i < 11; ++i)
        EXPECT_TRUE(flat(pages[i]).contains(QStringLiteral("Page %1 of 11").arg(i + 1))) << i + 1;
    for (int i = 0; i < 9; ++i) {
        const QString text = flat(pages[i + 2]);
        SCOPED_TRACE(i + 3);
        EXPECT_TRUE(text.contains(QStringLiteral("Financial Statement Details")));
        EXPECT_TRUE(text.contains(QString::fromLatin1(SchedulePages[i].section)));
        for (const QString &title : SchedulePages[i].titles)
            EXPECT_TRUE(text.contains(title)) << title.toStdString();
    }
    EXPECT_EQ(pages[3].count(QStringLiteral("Totals")), c.totalsOnAutos);
    EXPECT_EQ(pages[7].count(QStringLiteral("Totals")), c.totalsOnCards);
    EXPECT_EQ(flat(pages[5]).count(QStringLiteral("Registered in the name of:")), c.colonsOnOtherAssets);
    EXPECT_EQ(flat(pages[5]).count(QStringLiteral("Registered in the name of")), 2);

    double lien = -1, acquired = -1;
    bool last = false, other = false;
    for (const PdfWord &word : pdfWords(file, 7)) {
        if (word.text == QLatin1String("Lien"))
            lien = word.xMin;
        if (word.text == QLatin1String("Acquired"))
            acquired = word.xMin;
        last = last || word.text == QLatin1String(c.mortgageLast);
        other = other || word.text == QLatin1String(c.notOnMortgages);
    }
    ASSERT_GE(lien, 0);
    ASSERT_GE(acquired, 0);
    EXPECT_EQ(lien < acquired, c.lienFirst);
    EXPECT_TRUE(last);
    EXPECT_FALSE(other);

    renderPage(file, 3, QStringLiteral("blank_%1_assets_a").arg(QString::fromLatin1(c.option)));
    renderPage(file, 2, QStringLiteral("blank_%1_legal").arg(QString::fromLatin1(c.option)));
}

TEST_P(BlankFormsTest, ScheduleBlocksHaveTheirWritingLines)
{
    const StyleCase &c = GetParam();
    const std::vector<SequenceForm> forms = blankSequence(c.style);
    ASSERT_EQ(forms.size(), 11u);
    EXPECT_EQ(forms[0].name, QString::fromLatin1(c.prefix));
    EXPECT_EQ(forms[10].name, QString::fromLatin1(c.prefix) + QStringLiteral("_Income"));
    EXPECT_EQ(forms[10].progress, QStringLiteral("Creating Annual Income and Expenses"));
    for (int i = 2; i < 11; ++i) {
        const auto report = forms[size_t(i)].build();
        int writing = 0;
        for (const auto &band : report->bands())
            for (const auto &ctl : band->controls())
                if (ctl->kind == Control::Kind::HLine && ctl->pen == PenStyle::Dotted && ctl->rect.width() > 600)
                    ++writing;
        EXPECT_EQ(writing, c.writingLines * int(SchedulePages[i - 2].titles.size())) << i + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Styles, BlankFormsTest, ::testing::ValuesIn(Styles),
                         [](const auto &info) { return std::string(info.param.option); });

}  // namespace
