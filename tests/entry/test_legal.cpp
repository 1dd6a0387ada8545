// The legal questionnaire as real widgets on a real data directory: the one
// legal row of a statement, the explanations that go with "Yes", and what
// OK, Cancel and leaving the window do with the answers.
#include "entry/statement_fixture.h"

#include "app/windows.h"
#include "data/db_functions.h"
#include "kit/app_state.h"
#include "entry/legal.h"
#include "entry/notes.h"
#include "kit/btn_functions.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTest>
#include <QTimer>

using namespace nettora;
using namespace nettora::test;

namespace {

struct QuestionCase {
    int page;
    const char *answer, *explanation, *answerField, *explanationField, *caption;
};

const QuestionCase kQuestions[] = {
    {1, "d1_1", "d1_2", "Will", "WillExplanation", "Executor:"},
    {1, "d1_3", "d1_4", "Divorce", "DivorceExplanation", "Explain:"},
    {1, "d1_5", "d1_6", "Bankruptcy", "BankruptcyExplanation", "Explain:"},
    {1, "d1_7", "d1_8", "Partner", "PartnerExplanation", "Explain:"},
    {1, "d1_9", "d1_10", "Defendant", "DefendantExplanation", "Explain:"},
    {2, "d2_1", "d2_2", "Judgement", "JudgementExplanation", "Explain:"},
    {2, "d2_3", "d2_4", "Prenuptial", "PrenuptialExplanation", "Explain:"},
    {2, "d2_5", "d2_6", "SpouseAssets", "SpouseAssetsExplanation", "Explain:"},
    {2, "d2_7", "d2_8", "EstateAssets", "EstateAssetsExplanation", "Explain:"},
    {2, "d2_9", "d2_10", "DebtAssets", "DebtAssetsExplanation", "Explain:"},
};

void choose(QComboBox *box, const char *item)
{
    box->setCurrentIndex(box->findText(QString::fromLatin1(item), Qt::MatchExactly | Qt::MatchCaseSensitive));
}

}  // namespace

class Legal : public StatementTest {
protected:
    void addStatements() override
    {
        other = addStatement(client, "06/30/2025", "Half");
        statement = addStatement(client);
    }
    TfrmLegal *open()
    {
        narrow();
        auto *w = qobject_cast<TfrmLegal *>(OpenLegalWindow());
        QApplication::processEvents();
        return w;
    }
    HoverLabel *link(QWidget *w, const char *name) { return w->findChild<HoverLabel *>(QLatin1String(name)); }
    // Legal rows of the statement, with an optional further condition.
    int ownRows(const QString &where = QString())
    {
        return countRows(QStringLiteral("Legal"),
                         QStringLiteral("ClientId = '%1' AND StatementId = '%2'").arg(client).arg(statement)
                             + (where.isEmpty() ? QString() : QStringLiteral(" AND ") + where));
    }
};

TEST_F(Legal, TheStatementsOneRowFromFirstOpeningToNotes)
{
    QPointer<TfrmLegal> w = open();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), WindowCaption());
    EXPECT_EQ(w->currentPage(), w->firstLegalPage);
    EXPECT_EQ(w->focusWidget(), w->answer("d1_1"));
    // The first opening starts the row with the statement's keys; nothing is
    // stored yet.
    EXPECT_EQ(dm1->tblLegal->state(), RecordState::Insert);
    EXPECT_EQ(dm1->tblLegal->asString("ClientId"), QString::number(client));
    EXPECT_EQ(dm1->tblLegal->asString("StatementId"), QString::number(statement));
    EXPECT_EQ(countRows("Legal"), 0);

    // Cancel on the new row leaves nothing behind, and only the side links.
    click(w->firstPageCancel);
    EXPECT_EQ(countRows("Legal"), 0);
    EXPECT_EQ(w->currentPage(), nullptr);
    EXPECT_EQ(dm1->tblLegal->state(), RecordState::Browse);

    // The page opened again starts the row again; OK stores it once.
    click(link(w, "s5"));
    EXPECT_EQ(w->currentPage(), w->firstLegalPage);
    EXPECT_EQ(w->focusWidget(), w->answer("d1_1"));
    choose(w->answer("d1_1"), "Yes");
    type(w->explanation("d1_2"), "Bob Able");
    choose(w->answer("d1_3"), "No");
    click(w->firstPageOk);
    EXPECT_EQ(countRows("Legal"), 1);
    EXPECT_EQ(ownRows("Will = 'Yes' AND WillExplanation = 'Bob Able' AND Divorce = 'No'"), 1);
    // OK on page 1 leads to page 2 with the row in edit again.
    EXPECT_EQ(w->currentPage(), w->secondLegalPage);
    EXPECT_EQ(w->focusWidget(), w->answer("d2_1"));
    EXPECT_EQ(dm1->tblLegal->state(), RecordState::Edit);

    // OK on page 2 saves and opens the notes of the same statement.
    choose(w->answer("d2_1"), "No");
    click(w->secondPageOk);
    QApplication::processEvents();
    EXPECT_TRUE(w.isNull() || !w->isVisible());
    EXPECT_EQ(countRows("Legal"), 1);
    EXPECT_EQ(ownRows("Judgement = 'No' AND Will = 'Yes'"), 1);
    TfrmNotes *notes = shownWindow<TfrmNotes>();
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(notes->clientId(), QString::number(client));
    EXPECT_EQ(notes->statementId(), QString::number(statement));
    EXPECT_EQ(appState().entry, EntryState::Open);
    EXPECT_TRUE(notes->page(2)->addButton->isVisible());

    // Later openings edit that row: the saved "Yes" shows its explanation,
    // other answers do not, and OK twice without changes adds nothing.
    closeScreenWindows();
    w = open();
    EXPECT_EQ(dm1->tblLegal->state(), RecordState::Edit);
    EXPECT_EQ(w->answer("d1_1")->currentText(), "Yes");
    EXPECT_EQ(w->explanation("d1_2")->text(), "Bob Able");
    EXPECT_TRUE(w->explanation("d1_2")->isVisible());
    EXPECT_TRUE(w->explanationCaption("d1_2")->isVisible());
    EXPECT_FALSE(w->explanation("d1_4")->isVisibleTo(w));
    EXPECT_FALSE(w->explanation("d2_2")->isVisibleTo(w));
    click(w->firstPageOk);
    click(w->secondPageOk);
    QApplication::processEvents();
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
    EXPECT_EQ(countRows("Legal"), 1);
    EXPECT_EQ(ownRows("Will = 'Yes' AND WillExplanation = 'Bob Able'"), 1);
    EXPECT_NE(shownWindow<TfrmNotes>(), nullptr);
}

TEST_F(Legal, SwitchingPagesSavesAndCancelDropsOnlyWhatWasNotSaved)
{
    TfrmLegal *w = open();
    choose(w->answer("d1_5"), "Yes");
    type(w->explanation("d1_6"), "2010");
    click(w->firstPageOk);
    // Page 2 typed and kept by switching back to page 1; the change made
    // there afterwards is what Cancel drops.
    choose(w->answer("d2_3"), "Yes");
    click(link(w, "s5"));
    EXPECT_EQ(ownRows("Prenuptial = 'Yes'"), 1);
    choose(w->answer("d1_5"), "No");
    click(w->firstPageCancel);
    EXPECT_EQ(countRows("Legal"), 1);
    EXPECT_EQ(ownRows("Bankruptcy = 'Yes' AND BankruptcyExplanation = '2010' AND Prenuptial = 'Yes'"), 1);
    // The next opening of a page shows what is stored.
    click(link(w, "s5"));
    EXPECT_EQ(w->answer("d1_5")->currentText(), "Yes");
    EXPECT_EQ(w->explanation("d1_6")->text(), "2010");
    EXPECT_TRUE(w->explanation("d1_6")->isVisible());
}

// Every question: "Yes" shows its explanation and puts the cursor there;
// leaving "Yes" hides it and erases it, from the box and from the row.
TEST_F(Legal, AnExplanationLivesOnlyWithYes)
{
    TfrmLegal *w = open();
    for (const QuestionCase &q : kQuestions) {
        SCOPED_TRACE(q.answer);
        click(link(w, q.page == 1 ? "s5" : "s6"));
        QComboBox *answer = w->answer(QLatin1String(q.answer));
        QLineEdit *explanation = w->explanation(QLatin1String(q.explanation));
        QLabel *caption = w->explanationCaption(QLatin1String(q.explanation));
        ASSERT_TRUE(answer && explanation && caption);
        EXPECT_EQ(caption->text(), QLatin1String(q.caption));
        EXPECT_FALSE(explanation->isVisible());
        choose(answer, "Yes");
        EXPECT_TRUE(explanation->isVisible());
        EXPECT_TRUE(caption->isVisible());
        EXPECT_EQ(w->focusWidget(), explanation);
        type(explanation, "Because");
        choose(answer, "No");
        EXPECT_FALSE(explanation->isVisible());
        EXPECT_FALSE(caption->isVisible());
        EXPECT_EQ(explanation->text(), "");
        EXPECT_EQ(dm1->tblLegal->asString(QLatin1String(q.explanationField)), "");
        // Only the exact text "Yes" counts; anything typed is kept as typed.
        choose(answer, "Yes");
        type(explanation, "Again");
        type(answer, "yes");
        EXPECT_FALSE(explanation->isVisible());
        EXPECT_EQ(explanation->text(), "");
    }
    click(w->secondPageOk);
    for (const QuestionCase &q : kQuestions)
        EXPECT_EQ(ownRows(QStringLiteral("%1 = 'yes' AND ifnull(%2, '') = ''").arg(QLatin1String(q.answerField),
                                                                       QLatin1String(q.explanationField))),
                  1)
            << q.answerField;
}

// Leaving by a side link or the frame saves what was typed on both pages;
// a frame action after which the window stays keeps the row open as typed.
TEST_F(Legal, LeavingSavesTheAnswers)
{
    const struct {
        const char *way;
        bool leaves;
    } cases[] = {{"s1", true}, {"s2", true}, {"s7", true}, {"mExit", true}, {"mAbout", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.way);
        closeScreenWindows();
        if (ownRows() > 0) {
            FilterStatementTables(QString::number(client), QString::number(statement));
            dm1->tblLegal->first();
            dm1->tblLegal->remove();
        }
        ASSERT_EQ(countRows("Legal"), 0);
        QPointer<TfrmLegal> w = open();
        choose(w->answer("d1_1"), "Yes");
        type(w->explanation("d1_2"), "Bob Able");
        click(link(w, "s6"));
        choose(w->answer("d2_9"), "Yes");
        type(w->explanation("d2_10"), "Car loan");
        QTimer::singleShot(0, [] {
            if (auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                modal->reject();
        });
        click(w->findChild<HoverLabel *>(QLatin1String(c.way)));
        QApplication::processEvents();
        EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
        EXPECT_EQ(w.isNull() || !w->isVisible(), c.leaves);
        if (!c.leaves) {
            // Switching to page 2 stored page 1; page 2 is still open as typed.
            EXPECT_EQ(ownRows("ifnull(DebtAssets, '') = ''"), 1);
            EXPECT_EQ(w->explanation("d2_10")->text(), "Car loan");
            click(w->secondPageOk);
            QApplication::processEvents();
        }
        EXPECT_EQ(countRows("Legal"), 1);
        EXPECT_EQ(ownRows("Will = 'Yes' AND WillExplanation = 'Bob Able' AND DebtAssets = 'Yes' AND "
                          "DebtAssetsExplanation = 'Car loan'"),
                  1);
    }
}

// Each page as the user sees it: every caption fits its label, nothing
// overlaps, everything lies inside the page.
TEST_F(Legal, PagesAreLaidOutCleanly)
{
    TfrmLegal *w = open();
    for (int n : {1, 2}) {
        click(link(w, n == 1 ? "s5" : "s6"));
        QWidget *page = n == 1 ? w->firstLegalPage : w->secondLegalPage;
        for (const QuestionCase &q : kQuestions)
            if (q.page == n)
                choose(w->answer(QLatin1String(q.answer)), "Yes");
        saveScreenshot(w, QStringLiteral("legal_page%1").arg(n));
        std::vector<QWidget *> shown;
        for (QWidget *c : page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (c->isVisible())
                shown.push_back(c);
        ASSERT_GE(shown.size(), 24u);
        for (QWidget *c : shown) {
            EXPECT_TRUE(page->rect().contains(c->geometry())) << c->objectName().toStdString();
            if (auto *l = qobject_cast<QLabel *>(c); l && l->objectName() != "lblClient") {
                EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width()) << l->text().toStdString();
            }
        }
        for (size_t i = 0; i < shown.size(); ++i)
            for (size_t j = i + 1; j < shown.size(); ++j)
                EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
                    << shown[i]->objectName().toStdString() << " / " << shown[j]->objectName().toStdString();
    }
}

// Tab runs answer, its explanation when shown, the next answer, and ends on
// Cancel and OK.
TEST_F(Legal, TabRunsThroughTheQuestionsThenCancelAndOK)
{
    TfrmLegal *w = open();
    choose(w->answer("d1_1"), "Yes");
    choose(w->answer("d1_5"), "Yes");
    w->answer("d1_1")->setFocus();
    QStringList order;
    for (int i = 0; i < 9; ++i) {
        QWidget *f = w->focusWidget();
        if (f && !f->objectName().startsWith(QLatin1String("d")) && !f->objectName().startsWith(QLatin1String("T")))
            f = f->parentWidget();  // the text part of an answer box
        order << (f ? f->objectName() : QStringLiteral("-"));
        QTest::keyClick(w->focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, QStringList({"d1_1", "d1_2", "d1_3", "d1_5", "d1_6", "d1_7", "d1_9", "TeButton1", "TeButton2"}));
}
