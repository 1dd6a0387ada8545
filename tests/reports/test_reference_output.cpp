// Every form as it prepares, dumped item by item and held to the reference
// files under tests/reports/reference: a layout change fails here with the
// lines it moved, not only on a look at the preview.
#include "page_capture.h"
#include "reference_files.h"
#include "statement_fixture.h"

#include "reports/print.h"

#include <QDate>
#include <QDir>
#include <set>

using namespace nettora;
using namespace nettora::reports;
using namespace nettora::test;

namespace {

// The letter is dated this day, so the files do not change with the calendar.
const QDate LetterDay(2026, 1, 15);

const Style Styles[] = {Style::Standard, Style::Contemporary, Style::Professional};

QString styleName(Style style)
{
    switch (style) {
    case Style::Standard: return QStringLiteral("standard");
    case Style::Contemporary: return QStringLiteral("contemporary");
    case Style::Professional: return QStringLiteral("professional");
    }
    return QString();
}

QString filingName(Filing filing)
{
    return filing == Filing::Joint ? QStringLiteral("joint") : QStringLiteral("single");
}

// "Creating Assets Schedule A" -> "Assets Schedule A"
QString title(const QString &progress)
{
    QString s = progress;
    return s.remove(QStringLiteral("Creating "));
}

// "Creating Assets Schedule A" -> "assets-schedule-a"
QString slug(const QString &progress)
{
    return title(progress).toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
}

QString statementFile(Style style, Filing filing, int index, const SequenceForm &form)
{
    return QStringLiteral("%1-%2-%3-%4.txt").arg(styleName(style), filingName(filing)).arg(index + 1).arg(slug(form.progress));
}

QString blankFile(Style style, int index, const SequenceForm &form)
{
    return QStringLiteral("blank-%1-%2-%3.txt").arg(styleName(style)).arg(index + 1, 2, 10, QLatin1Char('0')).arg(slug(form.progress));
}

QString reviewFile(Style style)
{
    return QStringLiteral("review-%1.txt").arg(styleName(style));
}

QString frontFile(const SequenceForm &form)
{
    return QStringLiteral("front-%1.txt").arg(slug(form.progress));
}

// One form prepared as a document of its own, with the document's footer.
QString dumpForm(const SequenceForm &form, const DocumentFooter &footer, const QString &what)
{
    QStringList warnings;
    const std::vector<PreparedPage> pages =
        prepareSequence({form}, footer, nullptr, [&warnings](const QString &w) { warnings << w; });
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join(QLatin1Char('\n')).toStdString();
    return QStringLiteral("# %1: %2\n").arg(form.name, what) + dumpPages(pages);
}

struct StatementCase {
    Style style;
    Filing filing;
};

class ReferenceStatementTest : public StatementTest, public ::testing::WithParamInterface<StatementCase> {};

TEST_P(ReferenceStatementTest, EveryFormMatchesItsReference)
{
    const auto [style, filing] = GetParam();
    StatementOptions options;
    options.joint = filing == Filing::Joint;
    load(options);
    Sources sources = Sources::dataModule();
    sources.today = LetterDay;
    ASSERT_EQ(filingOf(sources.client), filing);
    const std::vector<SequenceForm> forms = statementPages({style, filing}, sources);
    ASSERT_EQ(forms.size(), 5u);
    for (size_t i = 0; i < forms.size(); ++i) {
        const QString what = QStringLiteral("%1, %2 style, %3 filing")
                                 .arg(title(forms[i].progress), styleName(style), filingName(filing));
        EXPECT_TRUE(matchesReference(statementFile(style, filing, int(i), forms[i]),
                                     dumpForm(forms[i], statementFooter(sources), what)));
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, ReferenceStatementTest,
                         ::testing::Values(StatementCase{Style::Standard, Filing::Single},
                                           StatementCase{Style::Standard, Filing::Joint},
                                           StatementCase{Style::Contemporary, Filing::Single},
                                           StatementCase{Style::Contemporary, Filing::Joint},
                                           StatementCase{Style::Professional, Filing::Single},
                                           StatementCase{Style::Professional, Filing::Joint}),
                         [](const ::testing::TestParamInfo<StatementCase> &info) {
                             return (styleName(info.param.style) + QLatin1Char('_') + filingName(info.param.filing))
                                 .toStdString();
                         });

class ReferenceBlankTest : public DataDirTest, public ::testing::WithParamInterface<Style> {};

TEST_P(ReferenceBlankTest, EveryBlankFormMatchesItsReference)
{
    const Style style = GetParam();
    const std::vector<SequenceForm> forms = blankSequence(style);
    ASSERT_EQ(forms.size(), 11u);
    for (size_t i = 0; i < forms.size(); ++i)
        EXPECT_TRUE(matchesReference(
            blankFile(style, int(i), forms[i]),
            dumpForm(forms[i], DocumentFooter(), QStringLiteral("blank %1, %2 style").arg(title(forms[i].progress), styleName(style)))));
}

INSTANTIATE_TEST_SUITE_P(Forms, ReferenceBlankTest, ::testing::ValuesIn(Styles),
                         [](const ::testing::TestParamInfo<Style> &info) { return styleName(info.param).toStdString(); });

class ReferenceFrontPagesTest : public StatementTest {
protected:
    // The front pages of a joint statement with a preparer filled in.
    std::vector<SequenceForm> frontPages()
    {
        setUser({{"Company", "Kelmor Accounting"}, {"FirstName", "Pat"}, {"MiddleInitial", ""}, {"LastName", "Kelmor"},
                 {"FullName", "Pat Kelmor, CPA"}, {"Address", "400 Main Street"}, {"Address2", "Suite 12"},
                 {"City", "Dallas"}, {"State", "TX"}, {"Zip", "75201"}, {"Address3", "400 Main Street, Suite 12"},
                 {"CityStateZip", "Dallas, TX 75201"}, {"Phone", "214-555-0000"}, {"Fax", "214-555-0001"},
                 {"FaxNumber", "Fax: 214-555-0001"}, {"EmailAddress", "pat@kelmor.example"},
                 {"Compilation", "Y"}, {"Preparer", "Y"}});
        load();
        m_sources = Sources::dataModule();
        m_sources.today = LetterDay;
        std::vector<SequenceForm> front;
        for (const SequenceForm &f : statementSequence(Style::Standard, Output::Pdf, m_sources))
            if (f.name == QLatin1String("TqrPreparer") || f.name == QLatin1String("TqrCompilation"))
                front.push_back(f);
        return front;
    }
    Sources m_sources;
};

TEST_F(ReferenceFrontPagesTest, PreparerPageAndCompilationReportMatchTheirReferences)
{
    const std::vector<SequenceForm> front = frontPages();
    ASSERT_EQ(front.size(), 2u);
    for (const SequenceForm &f : front)
        EXPECT_TRUE(matchesReference(frontFile(f), dumpForm(f, statementFooter(m_sources),
                                                            QStringLiteral("%1, every style").arg(title(f.progress)))));
}

// The review page of the joint statement with one question answered "Yes"
// and left unexplained, reviewed on the letter's day.
class ReferenceReviewTest : public StatementTest, public ::testing::WithParamInterface<Style> {};

TEST_P(ReferenceReviewTest, ReviewPageMatchesItsReference)
{
    const Style style = GetParam();
    setUser({{"PrintReview", "Y"}});
    load();
    setLegal({{"Bankruptcy", QStringLiteral("Yes")}, {"BankruptcyExplanation", QString()}});
    Sources sources = Sources::dataModule();
    sources.today = LetterDay;
    const SequenceForm review = statementSequence(style, Output::Pdf, sources).back();
    ASSERT_EQ(review.name, reviewFormName(style));
    EXPECT_TRUE(matchesReference(reviewFile(style),
                                 dumpForm(review, statementFooter(sources),
                                          QStringLiteral("Review, %1 style").arg(styleName(style)))));
}

INSTANTIATE_TEST_SUITE_P(Forms, ReferenceReviewTest, ::testing::ValuesIn(Styles),
                         [](const ::testing::TestParamInfo<Style> &info) { return styleName(info.param).toStdString(); });

// A form renamed or dropped leaves no reference file behind that no test reads.
TEST_F(ReferenceFrontPagesTest, EveryReferenceFileBelongsToAForm)
{
    if (updatingReferences())
        GTEST_SKIP() << "the files are being written";
    std::set<QString> expected;
    for (const SequenceForm &f : frontPages())
        expected.insert(frontFile(f));
    for (Style style : Styles) {
        for (Filing filing : {Filing::Single, Filing::Joint}) {
            const std::vector<SequenceForm> forms = statementPages({style, filing}, Sources());
            for (size_t i = 0; i < forms.size(); ++i)
                expected.insert(statementFile(style, filing, int(i), forms[i]));
        }
        expected.insert(reviewFile(style));
        const std::vector<SequenceForm> blank = blankSequence(style);
        for (size_t i = 0; i < blank.size(); ++i)
            expected.insert(blankFile(style, int(i), blank[i]));
    }
    QStringList unread;
    for (const QString &f : QDir(referenceDir()).entryList(QDir::Files, QDir::Name))
        if (!expected.erase(f))
            unread << f;
    EXPECT_TRUE(unread.isEmpty()) << "no form writes " << unread.join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(expected.empty()) << "missing: " << QStringList(expected.begin(), expected.end()).join(QStringLiteral(", ")).toStdString();
}

// The excerpt a failure shows: the first changed lines with their context.
TEST(ReferenceDifferenceTest, ShowsTheFirstChangedLinesWithContext)
{
    const QString a = QStringLiteral("one\ntwo\nthree\nfour\nfive\nsix\nseven\n");
    const QString b = QStringLiteral("one\ntwo\nthree\nfour\nFIVE\nsix\nseven\n");
    EXPECT_EQ(firstDifference(a, a), QString());
    EXPECT_EQ(firstDifference(a, b), QStringLiteral("@@ -2,7 +2,7 @@\n two\n three\n four\n-five\n+FIVE\n six\n seven\n \n"));
    EXPECT_EQ(firstDifference(QStringLiteral("a\nb\n"), QStringLiteral("a\nb\nc\n")),
              QStringLiteral("@@ -1,3 +1,4 @@\n a\n b\n+c\n \n"));
}

}  // namespace
