// The workspace's review page: the findings and ratios of the selected
// statement, Open to where a finding is mended, Back, and the refusals, as
// real widgets over a real data directory.
#include "support/window_fixture.h"

#include "calc/section_totals.h"
#include "clients/client_fields.h"
#include "clients/clientadd.h"
#include "data/legal_questions.h"
#include "entry/assets.h"
#include "entry/legal.h"
#include "entry/liabilities.h"
#include "kit/look.h"
#include "settings/options.h"

#include <QApplication>
#include <QDate>
#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QTest>

using namespace nettora;
using namespace nettora::test;

namespace {

// The legal answers with every question answered "No" but the one given.
std::vector<std::pair<const char *, QString>> legalAnswersBut(int unanswered)
{
    std::vector<std::pair<const char *, QString>> out;
    for (int i = 0; i < legal::QuestionCount; ++i)
        if (i != unanswered)
            out.emplace_back(legal::Questions[i].answerField, QStringLiteral("No"));
    return out;
}

QStringList rowTexts(const QTableWidget *list)
{
    QStringList out;
    for (int r = 0; r < list->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < list->columnCount(); ++c)
            cells << list->item(r, c)->text();
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

}  // namespace

class ReviewPage : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        makeHome();
        ann = addClient("Ann", "Able");
        setClient({{"FullName", composeFullName("Ann", QString(), "Able")},
                   {"FullName2", composeFullName2("Ann", QString(), "Able")},
                   {"Address", "1 Main Street"},
                   {"City", "Springfield"},
                   {"State", "IL"},
                   {"Zip", "62701"},
                   {"SSN", "123-45-6789"}});
    }

    // A statement dated ten days ago: a cash account, a card over its limit
    // among others, every legal question answered but the eighth (on the
    // second legal page), and its totals worked out.
    qint64 smallStatement(const QString &description = QStringLiteral("Annual"))
    {
        const qint64 s = addStatement(ann, recentDate, description);
        addRow(dm1->tblCash, ann, s,
               {{"RegisteredName", "Ann Able"}, {"Type", "Checking Account"}, {"Bank", "First Bank"},
                {"Balance", "2000"}, {"Pledged", "No"}});
        addRow(dm1->tblCreditCards, ann, s, {{"Description", "Amex"}, {"CurrentBalance", "100"}, {"CreditLimit", "5000"}});
        addRow(dm1->tblCreditCards, ann, s, {{"Description", "Visa"}, {"CurrentBalance", "1500"}, {"CreditLimit", "1000"}});
        dm1->tblLegal->append();
        dm1->tblLegal->setAsString("ClientId", QString::number(ann));
        dm1->tblLegal->setAsString("StatementId", QString::number(s));
        for (const auto &[field, value] : legalAnswersBut(7))
            dm1->tblLegal->setAsString(QString::fromLatin1(field), value);
        dm1->tblLegal->post();
        FilterStatementTables(QString::number(ann), QString::number(s));
        RecalcAll();
        ClearAllFilters();
        return s;
    }

    // The workspace in mode with the review link clicked.
    TfrmFSMain *reviewed(const QString &mode)
    {
        TfrmFSMain *fs = openWorkspace(ann, mode);
        click(fs->reviewLink);
        QApplication::processEvents();
        return fs;
    }

    qint64 ann = 0;
    const QString recentDate = QDate::currentDate().addDays(-10).toString(QStringLiteral("MM/dd/yyyy"));
};

TEST_F(ReviewPage, ShowsTheFindingsFixesFirstAndTheRatios)
{
    smallStatement();
    TfrmFSMain *fs = reviewed("Print");
    ASSERT_EQ(fs->currentPage(), fs->tsReview);
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
    EXPECT_TRUE(labelTexts(fs->tsReview).contains("Review Before Signing"));
    EXPECT_EQ(fs->lblReviewClient->text(), "Client: " + composeFullName2("Ann", QString(), "Able"));
    EXPECT_EQ(fs->lblReviewStatement->text(), "Statement: " + recentDate + " - Annual");
    EXPECT_EQ(rowTexts(fs->reviewFindings),
              (QStringList{"Fix before signing|The legal question \"Are any of your listed assets separate property "
                           "of your spouse?\" is not answered.|Legal > Legal 2",
                           "Worth a look|The credit card \"Visa\" owes $1,500.00, over its limit of $1,000.00.|"
                           "Liabilities > Credit Cards"}));
    EXPECT_EQ(fs->reviewFindings->item(0, 0)->background().color(), look::Orange);
    EXPECT_EQ(fs->reviewFindings->item(1, 0)->background().color(), look::Green);
    EXPECT_FALSE(fs->lblNoFindings->isVisible());
    EXPECT_TRUE(fs->reviewLink->isVisible());

    // Every ratio with its words, formula and value, in the review's order.
    const Review &r = fs->review();
    ASSERT_EQ(fs->reviewRatios->rowCount(), int(r.ratios.size()));
    for (int i = 0; i < fs->reviewRatios->rowCount(); ++i) {
        const Ratio &ratio = r.ratios[size_t(i)];
        EXPECT_EQ(rowTexts(fs->reviewRatios)[i],
                  ratioWords(ratio) + "|" + ratio.formula + "|" + ratioValueText(ratio));
    }
    EXPECT_EQ(rowTexts(fs->reviewRatios)[0],
              "Liquid assets|cash + securities other than retirement accounts + cash value of life insurance|$2,000.00");
    EXPECT_TRUE(rowTexts(fs->reviewRatios).contains("Debt to income|monthly debt payments / monthly income|not defined"));

    // Nothing is cut off: every text wraps within its cell's height, and
    // the lists scroll.
    for (QTableWidget *list : {fs->reviewFindings, fs->reviewRatios}) {
        // The text's room in a cell: the column less the style's margin on each side.
        const int margin = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
        for (int row = 0; row < list->rowCount(); ++row)
            for (int col = 0; col < list->columnCount(); ++col) {
                const QString text = list->item(row, col)->text();
                EXPECT_EQ(list->item(row, col)->toolTip(), text);
                const QRect need = QFontMetrics(list->font()).boundingRect(
                    QRect(0, 0, list->columnWidth(col) - margin, 10000), Qt::TextWordWrap, text);
                EXPECT_LE(need.height(), list->rowHeight(row)) << text.toStdString();
            }
        EXPECT_NE(list->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    }
    saveScreenshot(fs, "workspace_review");
}

TEST_F(ReviewPage, AStatementWithNothingToSendBackSaysSo)
{
    const qint64 s = addStatement(ann, recentDate, "Quarter");
    dm1->tblLegal->append();
    dm1->tblLegal->setAsString("ClientId", QString::number(ann));
    dm1->tblLegal->setAsString("StatementId", QString::number(s));
    for (const auto &[field, value] : legalAnswersBut(-1))
        dm1->tblLegal->setAsString(QString::fromLatin1(field), value);
    dm1->tblLegal->post();
    TfrmFSMain *fs = reviewed("Edit");
    ASSERT_EQ(fs->currentPage(), fs->tsReview);
    EXPECT_TRUE(fs->lblNoFindings->isVisible());
    EXPECT_EQ(fs->lblNoFindings->text(), "Nothing a lender would send back was found.");
    EXPECT_FALSE(fs->reviewFindings->isVisible());
    EXPECT_FALSE(fs->bReviewOpen->isEnabled());
}

TEST_F(ReviewPage, WithoutAStatementTheLinkRefusesAndTheWorkspaceStays)
{
    const struct {
        const char *mode;
        QWidget *TfrmFSMain::*page;
    } cases[] = {{"Delete", &TfrmFSMain::tsSelect}, {"Add", &TfrmFSMain::tsAdd}};
    for (const auto &c : cases) {
        m_dialogs->clear();
        TfrmFSMain *fs = reviewed(c.mode);
        EXPECT_EQ(m_dialogs->texts(), QStringList{"There is no financial statement available to \"Review\""}) << c.mode;
        EXPECT_EQ(m_dialogs->shown().front().kind, "error");
        EXPECT_EQ(fs->currentPage(), fs->*c.page) << c.mode;
        EXPECT_TRUE(fs->isVisible());
        fs->close();
    }
}

TEST_F(ReviewPage, TypingOnTheAddPageIsAskedAboutFirst)
{
    smallStatement();
    TfrmFSMain *fs = openWorkspace(ann, "Add");
    ASSERT_EQ(fs->currentPage(), fs->tsAdd);
    type(fs->addDate, "12/31/2025");
    m_dialogs->answerSaveQuestions({SaveChoice::Cancel});
    click(fs->reviewLink);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Save the changes to Add Financial Statement?"});
    EXPECT_EQ(fs->currentPage(), fs->tsAdd);
    EXPECT_EQ(fs->addDate->text(), "12/31/2025");
}

TEST_F(ReviewPage, BackReturnsToTheSelectionPageOnTheStatementReviewed)
{
    smallStatement("Annual");
    smallStatement("Second");
    TfrmFSMain *fs = openWorkspace(ann, "Update");
    fs->dbClient->selectRow(1);
    const QString chosen = dm1->tblNettora->asString("Description");
    click(fs->reviewLink);
    ASSERT_EQ(fs->currentPage(), fs->tsReview);
    EXPECT_TRUE(fs->lblReviewStatement->text().endsWith(" - " + chosen));
    click(fs->bReviewBack);
    EXPECT_EQ(fs->currentPage(), fs->tsSelect);
    EXPECT_EQ(fs->dbClient->rowTexts().size(), 2);
    EXPECT_EQ(dm1->tblNettora->asString("Description"), chosen);
    EXPECT_EQ(fs->dbClient->currentIndex().row(), 1);
}

TEST_F(ReviewPage, TheLinkShowsInEveryMode)
{
    smallStatement();
    for (const char *mode : {"Add", "Edit", "Update", "Delete", "Print", "Email", "PDF"}) {
        TfrmFSMain *fs = openWorkspace(ann, mode);
        EXPECT_TRUE(fs->reviewLink->isVisible()) << mode;
        EXPECT_EQ(fs->reviewLink->text(), "   Review");
        EXPECT_EQ(fs->reviewLink->objectName(), "sReview");
        fs->close();
    }
}

// Open takes the finding to its window and page, with its row current and
// the focus in the editor of its field.
TEST_F(ReviewPage, OpenGoesToWhereTheFindingIsMended)
{
    setClient({{"SSN", ""}});
    setUser({{"Preparer", "Y"}, {"FirstName", "Pat"}, {"City", "Springfield"}});
    const qint64 s = smallStatement();
    addRow(dm1->tblCash, ann, s,
           {{"RegisteredName", "Ann Able"}, {"Type", "Savings Account"}, {"Bank", "Second Bank"},
            {"Balance", "500"}, {"Pledged", "Yes"}});
    FilterStatementTables(QString::number(ann), QString::number(s));
    RecalcAll();
    ClearAllFilters();

    const struct {
        const char *check, *window, *page, *rowField, *rowText;
        const char *editor;  // the focused editor's object name
    } cases[] = {
        {"pledged_without_whom", "TfrmAssets", "tsCash", "Bank", "Second Bank", "d1_7"},
        {"credit_card_over_limit", "TfrmLiabilities", "tsCreditCard", "Description", "Visa", "d1_2"},
        {"legal_unanswered", "TfrmLegal", "tsLegal2", nullptr, nullptr, "d2_5"},
        {"client_ssn_missing", "TfrmClientAdd", "tsClientPersonal", nullptr, nullptr, nullptr},
        {"preparer_particulars_missing", "TfrmOptions", "tsUser", nullptr, nullptr, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.check);
        m_dialogs->clear();
        TfrmFSMain *fs = reviewed("Print");
        ASSERT_EQ(fs->currentPage(), fs->tsReview);
        const auto &findings = fs->review().findings;
        int at = -1;
        for (size_t i = 0; i < findings.size(); ++i)
            if (findings[i].check == QLatin1String(c.check) && at < 0)
                at = int(i);
        ASSERT_GE(at, 0);
        const Finding finding = findings[size_t(at)];
        fs->reviewFindings->setCurrentCell(at, 1);
        click(fs->bReviewOpen);
        QApplication::processEvents();
        EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
        EXPECT_EQ(shownWindow<TfrmFSMain>(), nullptr);
        EXPECT_EQ(appState().clientMode, ClientMode::Edit);

        QWidget *w = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->isVisible() && top->objectName() == QLatin1String(c.window))
                w = top;
        ASSERT_NE(w, nullptr);
        auto *frame = qobject_cast<ScreenFrame *>(w);
        ASSERT_NE(frame, nullptr);
        ASSERT_NE(frame->currentPage(), nullptr);
        EXPECT_EQ(frame->currentPage()->objectName(), c.page);
        if (c.rowField) {
            auto *entry = qobject_cast<EntryWindow *>(w);
            ASSERT_NE(entry, nullptr);
            Table *t = entry->activePage()->table();
            EXPECT_EQ(t->bookmark(), finding.row);
            EXPECT_EQ(t->asString(QString::fromLatin1(c.rowField)), c.rowText);
            EXPECT_EQ(entry->activePage()->grid->currentIndex().row(), t->recNo());
        }
        QWidget *expectedFocus = nullptr;
        if (auto *client = qobject_cast<TfrmClientAdd *>(w))
            expectedFocus = client->editor(finding.field);
        else if (auto *options = qobject_cast<TfrmOptions *>(w))
            expectedFocus = options->edAddress;
        else
            expectedFocus = w->findChild<QWidget *>(QString::fromLatin1(c.editor));
        ASSERT_NE(expectedFocus, nullptr);
        EXPECT_EQ(w->focusWidget(), expectedFocus);
        closeScreenWindows(home);
    }
}

// Enter on a finding, and a double-click on one, open it as Open does.
TEST_F(ReviewPage, EnterOrADoubleClickOnAFindingOpensIt)
{
    smallStatement();
    for (const bool enter : {true, false}) {
        SCOPED_TRACE(enter ? "Enter" : "double-click");
        TfrmFSMain *fs = reviewed("Edit");
        ASSERT_EQ(fs->currentPage(), fs->tsReview);
        fs->reviewFindings->setCurrentCell(1, 1);
        if (enter) {
            fs->reviewFindings->setFocus();
            QTest::keyClick(fs->reviewFindings, Qt::Key_Return);
        } else {
            const QRect cell = fs->reviewFindings->visualRect(fs->reviewFindings->model()->index(1, 1));
            QTest::mouseDClick(fs->reviewFindings->viewport(), Qt::LeftButton, {}, cell.center());
        }
        QApplication::processEvents();
        EXPECT_EQ(shownWindow<TfrmFSMain>(), nullptr);
        auto *liabilities = shownWindow<EntryWindow>();
        ASSERT_NE(liabilities, nullptr);
        EXPECT_EQ(liabilities->objectName(), "TfrmLiabilities");
        EXPECT_EQ(liabilities->activePage()->table()->asString("Description"), "Visa");
        closeScreenWindows(home);
    }
}
