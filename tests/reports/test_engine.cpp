// The report engine on its own: band order and iteration, print-if-empty,
// page breaks, hooks, stretching memos, composites, and what reaches paper
// and PDF files.
#include "page_capture.h"
#include "pdf_tools.h"
#include "support/testsupport.h"

#include "data/db_functions.h"
#include "reports/engine/composite.h"
#include "reports/engine/glyphs.h"
#include "reports/engine/output.h"
#include "reports/engine/preview_window.h"
#include "reports/engine/report.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

using namespace nettora;
using namespace nettora::reports;
using namespace nettora::test;

namespace {

class EngineTest : public DataDirTest {
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        m_client = addClient(QStringLiteral("Ann"), QStringLiteral("Lee"));
        m_statement = addStatement(m_client);
    }

    // Cash rows "Account 001" ... in the order of the Type index.
    void addAccounts(int count)
    {
        for (int i = 1; i <= count; ++i)
            addRow(m_dm->tblCash, m_client, m_statement,
                   {{"Type", QStringLiteral("Account %1").arg(i, 3, 10, QLatin1Char('0'))}, {"Balance", QString::number(i)}});
    }

    Table *cash()
    {
        FilterStatementTables(QString::number(m_client), QString::number(m_statement));
        m_dm->tblCash->setIndexName(QStringLiteral("TYPE"));
        return m_dm->tblCash;
    }

    // Page header, title, and a sub-detail over the cash rows with its group
    // header and footer.
    std::unique_ptr<Report> accountsReport(bool printIfEmpty, double rowHeight = 20)
    {
        auto r = std::make_unique<Report>(QStringLiteral("Accounts"));
        r->addBand(BandKind::PageHeader, 40).label(0, 10, QStringLiteral("HEADER"), 10, true);
        r->addBand(BandKind::Title, 30).label(0, 5, QStringLiteral("TITLE"), 12, true);
        Band &rows = r->addSubDetail(cash(), rowHeight, printIfEmpty, QStringLiteral("Cash"));
        rows.field(QRectF(8, 4, 200, 13), m_dm->tblCash, QStringLiteral("Type"));
        rows.field(QRectF(600, 4, 115, 13), m_dm->tblCash, QStringLiteral("Balance")).right();
        Band &header = r->addGroupHeader(rows, 24);
        header.label(0, 4, QStringLiteral("Accounts"), 10, true).named(QStringLiteral("GroupTitle"));
        header.continuedControl = QStringLiteral("GroupTitle");
        r->addGroupFooter(rows, 24).label(0, 4, QStringLiteral("End"), 8, true);
        return r;
    }

    qint64 m_client = 0, m_statement = 0;
};

QStringList allTexts(const Report &r)
{
    QStringList out;
    for (const CapturedPage &p : captureAll(r.pages()))
        out << p.textList();
    return out;
}

}  // namespace

TEST_F(EngineTest, SubDetailRepeatsForEachRowBetweenItsGroupHeaderAndFooter)
{
    struct Case {
        int rows;
        bool printIfEmpty;
        QStringList texts;
    };
    const Case cases[] = {
        {3, false,
         {"HEADER", "TITLE", "Accounts", "Account 001", "$1.00", "Account 002", "$2.00", "Account 003", "$3.00", "End"}},
        {3, true,
         {"HEADER", "TITLE", "Accounts", "Account 001", "$1.00", "Account 002", "$2.00", "Account 003", "$3.00", "End"}},
        {0, false, {"HEADER", "TITLE"}},
        {0, true, {"HEADER", "TITLE", "Accounts", "End"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.rows << " rows, print if empty " << c.printIfEmpty);
        m_dm->db().exec(QStringLiteral("DELETE FROM Cash"));
        addAccounts(c.rows);
        auto r = accountsReport(c.printIfEmpty);
        if (c.rows > 0) {
            cash()->first();
            cash()->next();  // the cursor stands on the second row
        }
        r->prepare();
        ASSERT_EQ(r->pageCount(), 1);
        EXPECT_EQ(allTexts(*r), c.texts);
        const CapturedPage page = capture(r->preparedPage(0));
        for (size_t i = 1; i < page.texts.size(); ++i)
            EXPECT_GE(page.texts[i].baseline, page.texts[i - 1].baseline - 0.01) << page.texts[i].text.toStdString();
        if (c.rows > 0) {
            // Band positions: header 40, title 30, group header 24, rows of 20.
            EXPECT_NEAR(page.find(QStringLiteral("Account 002"))->baseline - page.find(QStringLiteral("Account 001"))->baseline, 20, 0.01);
            EXPECT_EQ(m_dm->tblCash->asString("Type"), QStringLiteral("Account 002")) << "the cursor goes back where it was";
        }
    }
}

TEST_F(EngineTest, DetailBandAndSubDetailsRepeatForEachRowOfTheReportTable)
{
    // Two statements of one client: the report walks the statements, and
    // each statement's cash rows under it (the sub-detail follows the master
    // row through its filter, set by the detail band's hook).
    const qint64 second = addStatement(m_client, QStringLiteral("06/30/2025"), QStringLiteral("Half"));
    addAccounts(2);
    addRow(m_dm->tblCash, m_client, second, {{"Type", QStringLiteral("Half-year account")}});
    Table *statements = m_dm->tblNettora;
    statements->setIndexName(QStringLiteral("IDA"));
    statements->setFilter(QStringLiteral("ClientId = \"%1\"").arg(m_client));
    statements->setFiltered(true);
    Table *accounts = m_dm->tblCash;
    accounts->setIndexName(QStringLiteral("TYPE"));
    accounts->setFiltered(true);

    Report r(QStringLiteral("Statements"));
    r.dataSet = statements;
    Band &detail = r.addBand(BandKind::Detail, 20);
    detail.field(QRectF(0, 0, 300, 13), statements, QStringLiteral("Description"), 10, true);
    detail.beforePrint = [&](Band &, bool &) {
        accounts->setFilter(QStringLiteral("StatementId = \"%1\"").arg(statements->asString(QStringLiteral("Id"))));
    };
    r.addSubDetail(accounts, 20, false).field(QRectF(8, 0, 300, 13), accounts, QStringLiteral("Type"));
    r.addBand(BandKind::Summary, 20).label(0, 0, QStringLiteral("Summary"), 8);
    r.addBand(BandKind::PageFooter, 20).label(0, 0, QStringLiteral("Footer"), 8);
    r.prepare();
    ASSERT_EQ(r.pageCount(), 1);
    const CapturedPage p = capture(r.preparedPage(0));
    EXPECT_EQ(p.textList(), (QStringList{"Annual", "Account 001", "Account 002", "Half", "Half-year account", "Summary",
                                         "Footer"}));
    EXPECT_NEAR(p.find(QStringLiteral("Footer"))->baseline - 48 - 960 + 20, metrics::ascent({8, false}), 0.05)
        << "the page footer sits at the foot of the page";
}

TEST_F(EngineTest, LongTableContinuesOnNewPagesUnderTheRepeatedPageAndGroupHeaders)
{
    addAccounts(100);
    auto r = accountsReport(false);
    r->prepare();
    // 960 units a page: header 40; page 1 has the title and group header, 
    // then rows of 20.
    const std::vector<CapturedPage> pages = captureAll(r->pages());
    ASSERT_EQ(pages.size(), 3u);
    QStringList rows;
    for (size_t p = 0; p < pages.size(); ++p) {
        SCOPED_TRACE(testing::Message() << "page " << p + 1);
        ASSERT_FALSE(pages[p].texts.empty());
        EXPECT_EQ(pages[p].texts.front().text, QStringLiteral("HEADER"));
        EXPECT_NEAR(pages[p].texts.front().baseline, pages[0].texts.front().baseline, 0.01);
        // The group's heading opens every page it runs on, marked after the first.
        EXPECT_EQ(pages[p].texts.at(1).text, p == 0 ? QStringLiteral("TITLE") : QStringLiteral("Accounts (continued)"));
        EXPECT_EQ(pages[p].has(QStringLiteral("Accounts")), p == 0);
        EXPECT_EQ(pages[p].has(QStringLiteral("End")), p == 2) << "the footer prints once, after the last row";
        for (const DrawnText &t : pages[p].texts) {
            EXPECT_LE(t.baseline, 48 + 960) << "nothing below the bottom margin";
            if (t.text.startsWith(QStringLiteral("Account ")))
                rows << t.text;
        }
    }
    ASSERT_EQ(rows.size(), 100);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(rows[i], QStringLiteral("Account %1").arg(i + 1, 3, 10, QLatin1Char('0')));
    // Page 1: 960 - 40 - 30 - 24 = 866 → 43 rows; later pages 960 - 40 - 24
    // = 896 → 44 rows.
    EXPECT_TRUE(pages[0].has(QStringLiteral("Account 043")));
    EXPECT_FALSE(pages[0].has(QStringLiteral("Account 044")));
    EXPECT_TRUE(pages[1].has(QStringLiteral("Account 087")));
    EXPECT_FALSE(pages[1].has(QStringLiteral("Account 088")));
}

TEST_F(EngineTest, GroupHeaderMovesToTheNextPageWithItsFirstRow)
{
    addAccounts(1);
    auto r = accountsReport(false);
    // A title tall enough that the header (24) fits but not with a row (20).
    for (const auto &b : r->bands())
        if (b->kind == BandKind::Title)
            b->height = 960 - 40 - 30;
    r->prepare();
    const auto pages = captureAll(r->pages());
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_FALSE(pages[0].has(QStringLiteral("Accounts")));
    EXPECT_EQ(pages[1].textList(), (QStringList{"HEADER", "Accounts", "Account 001", "$1.00", "End"}));
}

TEST_F(EngineTest, GroupFooterNeverStartsAPage)
{
    // Rows that fill the first page, counted on a table that runs over it.
    addAccounts(100);
    auto full = accountsReport(false);
    full->prepare();
    int fill = 0;
    for (const DrawnText &t : capture(full->preparedPage(0)).texts)
        fill += t.text.startsWith(QStringLiteral("Account ")) ? 1 : 0;
    ASSERT_GT(fill, 1);

    struct Case {
        const char *name;
        int rows;
        double titleHeight;  // 0: as designed
    };
    const Case cases[] = {
        {"as many rows as fill the first page", fill, 0},
        // Room for the group header and the one row, not for the footer.
        {"one row under a tall title", 1, 960 - 40 - 24 - 20},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        m_dm->db().exec(QStringLiteral("DELETE FROM Cash"));
        addAccounts(c.rows);
        auto r = accountsReport(false);
        for (const auto &b : r->bands())
            if (b->kind == BandKind::Title && c.titleHeight > 0)
                b->height = c.titleHeight;
        r->prepare();
        const std::vector<CapturedPage> pages = captureAll(r->pages());
        ASSERT_EQ(pages.size(), 2u);
        QStringList rows;
        for (const CapturedPage &p : pages)
            for (const DrawnText &t : p.texts)
                if (t.text.startsWith(QStringLiteral("Account ")))
                    rows << t.text;
        ASSERT_EQ(rows.size(), c.rows);
        EXPECT_EQ(rows.last(), QStringLiteral("Account %1").arg(c.rows, 3, 10, QLatin1Char('0')));
        const QStringList second = pages[1].textList();
        EXPECT_EQ(second.mid(second.size() - 3),
                  (QStringList{QStringLiteral("Account %1").arg(c.rows, 3, 10, QLatin1Char('0')),
                               QStringLiteral("$%1.00").arg(c.rows), "End"}))
            << "the last row moves over with the footer";
        EXPECT_EQ(second.first(), QStringLiteral("HEADER"));
        EXPECT_FALSE(pages[0].has(QStringLiteral("End")));
        EXPECT_EQ(pages[0].has(QStringLiteral("Accounts")), c.rows > 1) << "the group header keeps with its first row";
    }
}

TEST(ReportHooks, ChangeTextsAndShowOrHideControls)
{
    int disabledHookRuns = 0;
    Report r(QStringLiteral("Hooks"));
    Band &b = r.addBand(BandKind::Title, 200);
    b.label(0, 0, QStringLiteral("X"), 8).named(QStringLiteral("answer")).hook([](Control &, QString &t) { t = QStringLiteral("Yes"); });
    b.label(0, 20, QStringLiteral("Explain:"), 8).named(QStringLiteral("caption"));
    b.label(0, 40, QStringLiteral("blanked"), 8).hook([](Control &, QString &t) { t.clear(); });
    b.label(0, 60, QStringLiteral("hides the next"), 8).hook([&r](Control &, QString &) { r.control(QStringLiteral("hidden"))->visible = false; });
    b.label(0, 80, QStringLiteral("hidden"), 8).named(QStringLiteral("hidden"));
    b.label(0, 100, QStringLiteral("disabled"), 8).named(QStringLiteral("disabled")).hook([&](Control &, QString &) { ++disabledHookRuns; });
    b.label(0, 120, QStringLiteral("re-enabled"), 8).named(QStringLiteral("late"));
    b.label(0, 140, QStringLiteral("shows an earlier one"), 8).hook([&r](Control &, QString &) { r.control(QStringLiteral("late"))->visible = true; });
    r.beforePrint = [](Report &rep, bool &) {
        rep.control(QStringLiteral("disabled"))->enabled = false;
        rep.control(QStringLiteral("caption"))->enabled = false;
        rep.control(QStringLiteral("late"))->visible = false;
    };
    r.prepare();
    EXPECT_EQ(allTexts(r), (QStringList{"Yes", "hides the next", "re-enabled", "shows an earlier one"}));
    EXPECT_EQ(disabledHookRuns, 0);

    r.beforePrint = [](Report &, bool &print) { print = false; };
    r.prepare();
    EXPECT_EQ(r.pageCount(), 0);
}

TEST(ReportBands, StretchingMemoPushesWhatFollowsAndLengthensFrames)
{
    const QString longText = QStringLiteral("word ").repeated(120).trimmed();
    Report r(QStringLiteral("Stretch"));
    Band &b = r.addBand(BandKind::Title, 100);
    b.box(QRectF(0, 0, 720, 100), 3).named(QStringLiteral("frame"));
    b.vline(360, 0, 100, 1).named(QStringLiteral("rule"));
    b.label(10, 10, QStringLiteral("Caption"), 8);
    b.label(100, 10, longText, 8, false, 200, 12).wrapped();
    b.label(10, 40, QStringLiteral("Below"), 8);
    b.label(100, 40, longText, 8, false, 200, 12).named(QStringLiteral("plain"));
    r.addBand(BandKind::Summary, 20).label(0, 0, QStringLiteral("Next band"), 8);
    r.prepare();
    const CapturedPage p = capture(r.preparedPage(0));

    const FontSpec f{8, false};
    const int lines = int(metrics::wrap(longText, 200, f).size());
    ASSERT_GT(lines, 5);
    const double extra = lines * metrics::lineHeight(f) - 12;
    EXPECT_NEAR(p.find(QStringLiteral("Below"))->baseline - p.find(QStringLiteral("Caption"))->baseline, 30 + extra, 0.01);
    // The plain label wraps as the memo does: nothing is cut, and both push.
    EXPECT_NEAR(p.find(QStringLiteral("Next band"))->baseline - p.find(QStringLiteral("Caption"))->baseline,
                90 + 2 * extra, 0.01);
    for (const DrawnText &t : p.texts)
        EXPECT_LE(t.width, 200.01) << t.text.toStdString();
    int wordsLines = 0;
    for (const DrawnText &t : p.texts)
        wordsLines += t.text.startsWith(QStringLiteral("word")) ? 1 : 0;
    EXPECT_EQ(wordsLines, 2 * lines);
    // The frame and the column rule grew with the band.
    bool frameGrew = false, ruleGrew = false;
    for (const DrawnRect &rect : p.rects)
        frameGrew = frameGrew || std::abs(rect.rect.height() - (100 + 2 * extra - 3)) < 0.05;
    for (const DrawnLine &l : p.lines)
        ruleGrew = ruleGrew || std::abs(std::abs(l.line.dy()) - (100 + 2 * extra)) < 0.05;
    EXPECT_TRUE(frameGrew);
    EXPECT_TRUE(ruleGrew);
}

TEST(ReportBands, TitleBandsKeepTogetherAndFramesCloseAtEachPageFoot)
{
    // Twelve framed blocks of 100 units after a title of 200: the first page
    // takes seven; the last two are kept with the closing band, which pulls
    // them onto the second page together.
    Report r(QStringLiteral("Blocks"));
    Band &title = r.addBand(BandKind::Title, 200);
    title.label(0, 0, QStringLiteral("TITLE"), 10, true);
    for (int i = 1; i <= 12; ++i) {
        Band &b = r.addBand(BandKind::Title, 100, QStringLiteral("Block%1").arg(i));
        b.label(10, 10, QStringLiteral("Block %1").arg(i), 8);
        b.frameGroup = 1;
        b.frameWidth = 3;
        b.keepWithNext = i >= 11;
    }
    Band &closing = r.addBand(BandKind::Title, 150, QStringLiteral("Closing"));
    closing.label(0, 10, QStringLiteral("Closing lines"), 8);
    r.page.footerHeight = 20;
    r.prepare();
    const std::vector<CapturedPage> pages = captureAll(r.pages());
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_TRUE(pages[0].has(QStringLiteral("Block 7")));
    EXPECT_FALSE(pages[0].has(QStringLiteral("Block 8")));
    for (const char *t : {"Block 10", "Block 11", "Block 12", "Closing lines"})
        EXPECT_TRUE(pages[1].has(QString::fromLatin1(t))) << t;
    // One frame per page around the blocks that page holds, and nothing in the
    // footer's room.
    for (size_t p = 0; p < pages.size(); ++p) {
        int frames = 0;
        for (const DrawnRect &rect : pages[p].rects) {
            frames += rect.penWidth > 2;
            EXPECT_LE(rect.rect.bottom(), 48 + 960 - 20 + 0.01);
        }
        EXPECT_EQ(frames, 1);
    }
    const DrawnRect *first = nullptr;
    for (const DrawnRect &rect : pages[0].rects)
        first = rect.penWidth > 2 ? &rect : first;
    ASSERT_NE(first, nullptr);
    // The frame's outer edge is the blocks' extent (captured along the pen's middle).
    EXPECT_NEAR(first->rect.top() - 1.5, 48 + 200, 0.05);
    EXPECT_NEAR(first->rect.height() + 3, 700, 0.05);
}

TEST(ReportBands, ABandTallerThanAPageGoesOnOnTheNextBetweenItsLines)
{
    // A letter longer than a page: every line prints once, in order, inside
    // the margins, none torn across the break.
    QStringList paragraphs;
    for (int i = 1; i <= 140; ++i)
        paragraphs << QStringLiteral("Line %1 of the letter").arg(i, 3, 10, QLatin1Char('0'));
    Report r(QStringLiteral("Letter"));
    Band &b = r.addBand(BandKind::Title, 40);
    b.label(0, 0, QStringLiteral("Letterhead"), 10, true);
    b.label(0, 20, paragraphs.join(QLatin1Char('\n')), 11, false, 689, 20).wrapped();
    b.box(QRectF(0, 18, 720, 22), 1);
    r.prepare();
    const std::vector<CapturedPage> pages = captureAll(r.pages());
    ASSERT_GE(pages.size(), 2u);
    QStringList lines;
    for (const CapturedPage &p : pages)
        for (const DrawnText &t : p.texts) {
            EXPECT_LE(t.baseline, 48 + 960) << t.text.toStdString();
            if (t.text.startsWith(QStringLiteral("Line ")))
                lines << t.text;
        }
    EXPECT_EQ(lines, paragraphs);
    for (const CapturedPage &p : pages)
        for (const DrawnRect &rect : p.rects)
            EXPECT_LE(rect.rect.bottom(), 48 + 960 + 0.01);
}

TEST(ReportText, LaidOutWidthsAreTheWidthsOnEveryOutput)
{
    // Right and centred texts land where the layout put them only when the
    // layout measures text as the replayed picture draws it.
    const QString text = QStringLiteral("Total Liabilities & Net Worth: $1,234,567.89");
    Report r(QStringLiteral("Metrics"));
    Band &b = r.addBand(BandKind::Title, 800);
    int row = 0;
    for (double size : {7.0, 8.0, 10.0, 12.0, 14.0, 16.0})
        for (bool bold : {false, true}) {
            b.label(100, 30 * row, text, size, bold, 600).right();
            ++row;
        }
    r.prepare();
    const CapturedPage p = capture(r.preparedPage(0));
    ASSERT_EQ(p.texts.size(), 12u);
    for (const DrawnText &t : p.texts) {
        SCOPED_TRACE(testing::Message() << t.size << (t.bold ? " bold" : ""));
        EXPECT_NEAR(t.right(), 48 + 700, 0.05);
        EXPECT_NEAR(t.width, metrics::width(text, {t.size, t.bold}), 0.05);
    }

    // The same in a PDF file: 0.75 points per unit.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("metrics.pdf"));
    writePdf(file, r.pages());
    std::vector<double> rights;
    double lastRight = 0;
    for (const PdfWord &w : pdfWords(file, 1))
        if (w.text.startsWith(QLatin1Char('$')))
            rights.push_back(w.xMax), lastRight = w.xMax;
    ASSERT_EQ(rights.size(), 12u);
    for (double x : rights)
        EXPECT_NEAR(x, 748 * 0.75, 0.3);
    EXPECT_GT(lastRight, 0);
}

TEST(ReportText, OtherScriptsPrintInInstalledFontsAndMeasureAsDrawn)
{
    // Liberation Sans has none of these but Greek: they are drawn in the
    // installed font that has them, and must be measured in it too, or a
    // right-aligned text misses its edge.
    const struct {
        QString text;
        const char *font;  // one pdffonts lists; Arabic is in more than one
    } cases[] = {
        {QStringLiteral("देवनागरी"), "NotoSansDevanagari"},
        {QStringLiteral("مرحبا بالعالم"), ""},
        {QStringLiteral("中文银行"), "NotoSansCJK"},
        {QStringLiteral("Ελληνικά"), "LiberationSans"},
    };
    Report r(QStringLiteral("Scripts"));
    Band &b = r.addBand(BandKind::Title, 400);
    for (size_t i = 0; i < std::size(cases); ++i)
        b.label(100, 30 * double(i), cases[i].text, 10, false, 600).right();
    r.prepare();
    EXPECT_TRUE(r.undrawables().empty());

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("scripts.pdf"));
    writePdf(file, r.pages());
    const QString fonts = runTool(QStringLiteral("pdffonts"), {file}).out;
    const QString text = foldedText(pdfText(file));
    const std::vector<PdfWord> words = pdfWords(file, 1);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].text.toStdString());
        EXPECT_TRUE(text.contains(foldedText(cases[i].text))) << text.toStdString();
        EXPECT_TRUE(fonts.contains(QLatin1String(cases[i].font))) << fonts.toStdString();
        // Rows are 22.5 points apart from the top margin at 36.
        double right = 0;
        for (const PdfWord &w : words)
            if (int((w.yMin - 36) / 22.5) == int(i))
                right = std::max(right, w.xMax);
        EXPECT_NEAR(right, 748 * 0.75, 0.5);
    }
    for (const QString &line : fonts.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2))
        EXPECT_TRUE(line.contains(QStringLiteral(" yes "))) << "embedded: " << line.toStdString();
}

TEST(ReportText, ATextIsReportedExactlyWhenItDoesNotPrintAsItself)
{
    // Samples of many scripts in a PDF file: what its text layer gives back
    // printed as itself; anything else must have been reported. (Thaana,
    // here, has an installed font that Qt does not fall back to: it prints
    // as filled boxes.)
    const QString samples[] = {
        QStringLiteral("Ἀθῆναι Ελλάδα"), QStringLiteral("Москва"),      QStringLiteral("שלום"),
        QStringLiteral("مرحبا"),          QStringLiteral("देवनागरी"),   QStringLiteral("বাংলা"),
        QStringLiteral("ภาษาไทย"),        QStringLiteral("ქართული"),
        QStringLiteral("Հայերեն"),        QStringLiteral("አማርኛ"),       QStringLiteral("한국어"),
        QStringLiteral("日本語かな"),     QStringLiteral("ދިވެހި"),      QStringLiteral("ꦗꦮ"),
        QStringLiteral("x\uE000y"),       QStringLiteral("\u0378z"),
    };
    Report r(QStringLiteral("Samples"));
    Band &b = r.addBand(BandKind::Title, 900);
    for (size_t i = 0; i < std::size(samples); ++i)
        b.label(0, 20 * double(i), samples[i], 10).named(QStringLiteral("s%1").arg(i));
    r.prepare();
    QStringList reported;
    for (const Report::Undrawable &u : r.undrawables())
        reported << u.control;

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("samples.pdf"));
    writePdf(file, r.pages());
    const QString text = foldedText(pdfText(file));
    int printed = 0;
    for (size_t i = 0; i < std::size(samples); ++i) {
        SCOPED_TRACE(samples[i].toStdString());
        const bool asItself = text.contains(foldedText(samples[i]));
        EXPECT_NE(asItself, reported.contains(QStringLiteral("s%1").arg(i)));
        printed += asItself ? 1 : 0;
    }
    EXPECT_GE(printed, 12);
}

TEST(ReportText, TextIsCutOnlyBetweenWholeCharacters)
{
    // An emoji is two units and a consonant with its vowel sign two
    // characters; half of one draws as a box or a stray sign. A room just
    // short of two of them takes one.
    const FontSpec f{10, false};
    for (const QString &unit : {QStringLiteral("\U0001F600"), QStringLiteral("कि")}) {
        SCOPED_TRACE(unit.toStdString());
        const QString text = unit.repeated(5);
        const double room = metrics::width(unit.repeated(2), f) - 0.2;
        EXPECT_EQ(metrics::fit(text, room, f), unit);
        EXPECT_EQ(metrics::wrap(text, room, f), QStringList(5, unit));
    }
}

TEST(ReportText, CharactersNoInstalledFontHasAreFoundEachOnce)
{
    const QChar lone(0xDC00);
    const struct {
        QString text;
        QString missing;
    } cases[] = {
        {QStringLiteral("John Q. Smith & Co., $1,234.50"), QString()},
        {QStringLiteral("देवनागरी مرحبا 中文 Ελληνικά ♥"), QString()},
        // Never drawn anyway: breaks, blanks, format characters, a variation selector.
        {QStringLiteral("a\tb\r\nc\u00A0d\u3000e\u200Bf\u00ADg\u200Dh\u2028i\uFE0F"), QString()},
        {QStringLiteral("x\uE000y\uE000z"), QStringLiteral("\uE000")},
        {QStringLiteral("\U000F0001 and \u0378"), QStringLiteral("\U000F0001\u0378")},
        // Only a colour emoji font has it, if any: its glyphs print empty.
        {QStringLiteral("party \U0001F973"), QStringLiteral("\U0001F973")},
        {QStringLiteral("half ") + lone, QString(lone)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(codePoints(c.text, 100).toStdString());
        EXPECT_EQ(undrawableCharacters(c.text), c.missing);
    }
    EXPECT_EQ(codePoints(QStringLiteral("\U000F0001\u0378")), QStringLiteral("U+F0001, U+0378"));
    EXPECT_EQ(codePoints(QStringLiteral("\uE000\uE001\uE002"), 2), QStringLiteral("U+E000, U+E001 and 1 more"));
}

TEST_F(EngineTest, ReportNamesEachControlWhoseTextHasCharactersNoFontHas)
{
    for (const char *type : {"Plain", "Odd \uE001", "Odd again \uE001", "Other \uE002"})
        addRow(m_dm->tblCash, m_client, m_statement, {{"Type", QString::fromUtf8(type)}, {"Balance", "1"}});
    Report r(QStringLiteral("Odd"));
    r.addBand(BandKind::PageHeader, 20).label(0, 0, QStringLiteral("Head \uE000"), 8).named(QStringLiteral("head"));
    Band &b = r.addBand(BandKind::Title, 20);
    b.label(0, 0, QStringLiteral("Fine"), 8).named(QStringLiteral("fine"));
    b.label(100, 0, QStringLiteral("Unnamed \uE003"), 8);
    r.addSubDetail(cash(), 15, true).field(QRectF(0, 0, 300, 13), m_dm->tblCash, QStringLiteral("Type"));
    r.addBand(BandKind::Summary, 900);  // a second page, so the page header prints twice
    using U = Report::Undrawable;
    const auto expected = std::vector<std::tuple<QString, QString, QString>>{
        {"Odd", "head", "\uE000"}, {"Odd", "Unnamed \uE003", "\uE003"}, {"Odd", "Type", "\uE001"}, {"Odd", "Type", "\uE002"}};
    for (int run = 0; run < 2; ++run) {
        r.prepare();
        ASSERT_EQ(r.pageCount(), 2);
        std::vector<std::tuple<QString, QString, QString>> got;
        for (const U &u : r.undrawables())
            got.emplace_back(u.report, u.control, u.characters);
        EXPECT_EQ(got, expected) << "run " << run;
    }
}

TEST(ReportOutput, PdfPagesAreLetterWithTextInEmbeddedTrueTypeFonts)
{
    Report r(QStringLiteral("Pages"));
    Band &b = r.addBand(BandKind::Title, 40);
    b.label(0, 0, QStringLiteral("Topleft"), 10, true);
    b.hline(0, 720, 30, 3);
    r.addBand(BandKind::Summary, 950).label(0, 0, QStringLiteral("Second"), 10);
    r.prepare();
    ASSERT_EQ(r.pageCount(), 2);
    EXPECT_EQ(r.preparedPage(0).sizeTenthsMm, QSize(2159, 2794));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("pages.pdf"));
    writePdf(file, r.pages(), QStringLiteral("Test"));
    EXPECT_EQ(pdfPageCount(file), 2);
    EXPECT_TRUE(pdfInfo(file).contains(QStringLiteral("612 x 792 pts (letter)"))) << pdfInfo(file).toStdString();
    const ToolRun fonts = runTool(QStringLiteral("pdffonts"), {file});
    EXPECT_TRUE(fonts.out.contains(QStringLiteral("LiberationSans-Bold"))) << fonts.out.toStdString();
    for (const QString &line : fonts.out.split(QLatin1Char('\n')).mid(2, -1)) {
        if (line.trimmed().isEmpty())
            continue;
        EXPECT_TRUE(line.contains(QStringLiteral("TrueType"))) << line.toStdString();
        EXPECT_TRUE(line.contains(QStringLiteral(" yes "))) << "embedded: " << line.toStdString();
    }
    EXPECT_EQ(runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), file}).status, 0);
    // At full size from the top-left corner: 48 units are 36 points.
    const auto words = pdfWords(file, 1);
    ASSERT_FALSE(words.empty());
    EXPECT_EQ(words[0].text, QStringLiteral("Topleft"));
    EXPECT_NEAR(words[0].xMin, 36, 0.5);
    EXPECT_EQ(pdfText(file, 2).trimmed(), QStringLiteral("Second"));
}

TEST(ReportOutput, PrinterGetsThePageRangeAndCopiesAtFullSize)
{
    std::vector<PreparedPage> pages;
    for (int i = 1; i <= 4; ++i) {
        Report r(QStringLiteral("P%1").arg(i));
        r.addBand(BandKind::Title, 20).label(0, 0, QStringLiteral("Page%1").arg(i), 10);
        r.prepare();
        pages.push_back(r.preparedPage(0));
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("printed.pdf"));
    QPrinter printer(QPrinter::HighResolution);  // 1200 dpi
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(2, 3);
    printer.setCopyCount(2);
    printer.setCollateCopies(true);
    printPages(printer, pages);
    const QStringList texts = pdfPages(file);
    QStringList trimmed;
    for (const QString &t : texts)
        trimmed << t.trimmed();
    EXPECT_EQ(trimmed, (QStringList{"Page2", "Page3", "Page2", "Page3"}));
    const auto words = pdfWords(file, 1);
    ASSERT_EQ(words.size(), 1u);
    EXPECT_NEAR(words[0].xMin, 36, 0.5) << "a 96 dpi picture on a 1200 dpi page is not scaled twice";
    EXPECT_NEAR(words[0].xMax - words[0].xMin, metrics::width(QStringLiteral("Page2"), {10, false}) * 0.75, 0.3);
}

TEST(ReportComposite, AsksForItsReportsEachTimeAndKeepsTheirOrder)
{
    std::vector<std::unique_ptr<Report>> reports;
    for (const char *name : {"A", "B", "C"}) {
        auto r = std::make_unique<Report>(QString::fromLatin1(name));
        Band &b = r->addBand(BandKind::Title, 20);
        b.label(0, 0, QString::fromLatin1(name) + QStringLiteral("1"), 10);
        if (QLatin1String(name) == QLatin1String("B"))
            r->addBand(BandKind::Summary, 950).label(0, 0, QStringLiteral("B2"), 10);
        reports.push_back(std::move(r));
    }
    std::vector<int> order = {0, 1, 2};
    int asked = 0;
    CompositeReport composite(QStringLiteral("qrcr1"));
    composite.onAddReports = [&](CompositeReport &c) {
        ++asked;
        for (int i : order)
            c.addReport(reports[size_t(i)].get());
    };
    const auto pageTexts = [&] {
        QStringList out;
        for (const CapturedPage &p : captureAll(composite.pages()))
            out << p.textList().join(QLatin1Char(' '));
        return out;
    };
    composite.prepare();
    EXPECT_EQ(pageTexts(), (QStringList{"A1", "B1", "B2", "C1"}));
    order = {2, 0};
    composite.prepare();
    EXPECT_EQ(pageTexts(), (QStringList{"C1", "A1"}));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(composite.reports().size(), 2u);
}

TEST(ReportPreview, NavigatesZoomsAndOffersPageRangeAndCopies)
{
    std::vector<std::unique_ptr<Report>> reports;
    CompositeReport composite;
    for (int i = 1; i <= 3; ++i) {
        reports.push_back(std::make_unique<Report>(QStringLiteral("R%1").arg(i)));
        reports.back()->addBand(BandKind::Title, 30).label(0, 0, QStringLiteral("Report page %1").arg(i), 14, true);
    }
    composite.onAddReports = [&](CompositeReport &c) {
        for (auto &r : reports)
            c.addReport(r.get());
    };
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto *w = qobject_cast<PreviewWindow *>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        seen = true;
        EXPECT_EQ(w->pageCount(), 3);
        EXPECT_EQ(w->lPage->text(), QStringLiteral("Page 1 of 3"));
        EXPECT_FALSE(w->bPrior->isEnabled());
        w->bNext->click();
        EXPECT_EQ(w->lPage->text(), QStringLiteral("Page 2 of 3"));
        w->bLast->click();
        EXPECT_EQ(w->currentPage(), 2);
        EXPECT_FALSE(w->bNext->isEnabled());
        w->bFirst->click();
        EXPECT_EQ(w->currentPage(), 0);
        w->setZoom(1.0);
        const QSize full = w->findChild<QScrollArea *>()->widget()->size();
        w->cbZoom->setCurrentIndex(6);
        w->cbZoom->activated(6);  // 200%
        const QSize doubled = w->findChild<QScrollArea *>()->widget()->size();
        EXPECT_NEAR(doubled.width() - 32, 2 * (full.width() - 32), 2);
        EXPECT_EQ(w->cbZoom->currentText(), QStringLiteral("200%"));
        w->cbZoom->setCurrentIndex(0);
        w->cbZoom->activated(0);  // whole page
        saveScreenshot(w, QStringLiteral("reports_preview_window"));

        QTimer::singleShot(0, [&] {
            auto *d = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(d->minPage(), 1);
            EXPECT_EQ(d->maxPage(), 3);
            EXPECT_TRUE(d->testOption(QAbstractPrintDialog::PrintPageRange));
            EXPECT_NE(d->findChild<QSpinBox *>(QStringLiteral("copies")), nullptr) << "a number of copies";
            d->reject();
        });
        w->bPrint->click();
        w->bClose->click();
    });
    composite.preview(nullptr);
    EXPECT_TRUE(seen);
}
