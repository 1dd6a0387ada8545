// A save or delete on an entry page whose recalculation the engine refuses:
// the row and the totals go back together, the engine's text is shown, and
// the page stays where the user was (a typed row still in edit, a row to
// delete still in the list). Once the refusal is lifted the same OK or
// Delete goes through.
#include "entry/assets_window_fixture.h"

#include "calc/section_totals.h"
#include "data/db_functions.h"
#include "kit/app_state.h"
#include "entry/assets.h"

using namespace nettora;
using namespace nettora::test;

namespace {
const QString kRefusal = QStringLiteral("The statement's totals cannot be stored.");
}

class RefusedRecalculation : public AssetsWindowTest {
protected:
    void SetUp() override
    {
        AssetsWindowTest::SetUp();
        cash = window->page(1);
    }
    void seedRows() override
    {
        addRow(dm1->tblCash, client, statement,
               {{"RegisteredName", "Alpha"}, {"Type", "Checking Account"}, {"Balance", "100"}});
        addRow(dm1->tblCash, client, statement,
               {{"RegisteredName", "Beta"}, {"Type", "Savings Account"}, {"Balance", "250"}});
    }
    void statementMadeCurrent() override { RecalcCash(); }
    // Every write to a statement row fails inside the engine from now on.
    void refuseTotals()
    {
        dm1->db().exec(QStringLiteral("CREATE TEMP TRIGGER refuse_totals BEFORE UPDATE ON Nettora "
                                      "BEGIN SELECT RAISE(ABORT, '%1'); END")
                           .arg(QString(kRefusal).replace(QLatin1Char('\''), QStringLiteral("''"))));
    }
    void allowTotals() { dm1->db().exec(QStringLiteral("DROP TRIGGER temp.refuse_totals")); }
    void type(const char *editor, const QString &text)
    {
        nettora::test::type(cash->editor(QString::fromLatin1(editor)), text);
    }
    void select(const QString &registeredName)
    {
        const QStringList rows = cash->grid->rowTexts();
        for (int i = 0; i < rows.size(); ++i)
            if (rows[i].contains(registeredName))
                cash->grid->selectRow(i);
    }
    double storedCash()
    {
        Statement st = dm1->db().prepare(QStringLiteral("SELECT CashOnHand FROM Nettora WHERE Id = ?"));
        st.bind(1, statement);
        st.step();
        return st.columnInt(0) / 10000.0;
    }
    QStringList balances()
    {
        QStringList out;
        Statement st = dm1->db().prepare(
            QStringLiteral("SELECT RegisteredName, Balance, ClientId, StatementId FROM Cash ORDER BY RegisteredName"));
        while (st.step())
            out << QStringLiteral("%1 %2 %3/%4")
                       .arg(st.columnText(0))
                       .arg(st.columnInt(1) / 10000.0)
                       .arg(st.columnText(2), st.columnText(3));
        return out;
    }
    QStringList errors() const
    {
        QStringList out;
        for (const ShownDialog &d : m_dialogs->shown())
            if (d.kind == QLatin1String("error"))
                out << d.text;
        return out;
    }
    QString keys() const { return QStringLiteral("%1/%2").arg(client).arg(statement); }

    EntryPage *cash = nullptr;
};

TEST_F(RefusedRecalculation, RowAndTotalsGoBackTogetherAndThePageStaysPut)
{
    const struct {
        const char *name;
        std::function<void()> begin;  // up to the click that saves or deletes
        bool editing;                 // the page stays in edit after the refusal
        const char *editorAfter;      // d1_1 as the user left it
        const char *balanceAfter;     // d1_5 likewise
        QStringList stored;           // Cash after the second, allowed attempt
        double total;
    } cases[] = {
        {"new row",
         [this] {
             click(cash->addButton);
             type("d1_1", "Gamma");
             type("d1_2", "Savings Account");
             type("d1_5", "500");
             click(cash->okButton);
         },
         true, "Gamma", "500",
         {"Alpha 100 ", "Beta 250 ", "Gamma 500 "}, 850},
        {"edited row",
         [this] {
             select("Alpha");
             click(cash->editButton);
             type("d1_5", "900");
             click(cash->okButton);
         },
         true, "Alpha", "900",
         {"Alpha 900 ", "Beta 250 "}, 1150},
        {"deleted row",
         [this] {
             select("Beta");
             m_dialogs->answerWarnings({true});
             click(cash->deleteButton);
         },
         false, "Beta", "250.00",
         {"Alpha 100 "}, 100},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        const QStringList before = balances();
        refuseTotals();
        c.begin();
        EXPECT_EQ(errors(), QStringList{kRefusal});
        EXPECT_EQ(balances(), before);
        EXPECT_DOUBLE_EQ(storedCash(), 350);
        EXPECT_EQ(appState().entry, c.editing ? EntryState::Closed : EntryState::Open);
        EXPECT_EQ(cash->okButton->isVisible(), c.editing);
        EXPECT_EQ(cash->editorText("d1_1"), c.editorAfter);
        EXPECT_EQ(cash->editorText("d1_5"), c.balanceAfter);
        EXPECT_EQ(cash->grid->rowTexts().size(), 2);
        EXPECT_EQ(cash->totalLabel->text(), "Total: $350.00");

        allowTotals();
        m_dialogs->clear();
        if (c.editing) {
            click(cash->okButton);
        } else {
            m_dialogs->answerWarnings({true});
            click(cash->deleteButton);
        }
        EXPECT_EQ(errors(), QStringList{});
        QStringList expected;
        for (const QString &row : c.stored)
            expected << row + keys();
        EXPECT_EQ(balances(), expected);
        EXPECT_DOUBLE_EQ(storedCash(), c.total);
        EXPECT_EQ(appState().entry, EntryState::Open);
        EXPECT_EQ(cash->totalLabel->text(),
                  QStringLiteral("Total: $%1.00").arg(QLocale(QLocale::English).toString(c.total, 'f', 0)));
    }
}
