// The income and expenditures window as real widgets on a real data file:
// both entry pages, the page the opener chooses, the monthly amount derived
// on every save, and totals recomputed on opening but not on a page switch.
#include "entry/statement_fixture.h"

#include "kit/btn_functions.h"
#include "app/windows.h"
#include "data/db_functions.h"
#include "kit/app_state.h"
#include "entry/incomeexpense.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>

using namespace nettora;
using namespace nettora::test;

namespace {

const char *const kIncomeTypes[] = {"Bonuses and Commissions", "Dividends and Interest Income",
                                    "Net Real Estate Income", "Oil and Gas Income / Royalties",
                                    "Salaries and Wages (Individual)", "Salaries and Wages (Spouse)",
                                    "All Other Income"};
const char *const kExpenseTypes[] = {"Alimony, Child Support, etc.", "Auto, Life and Health Insurance Premium",
                                     "Installment Payment (Auto, Credit Card, etc.)", "Lease Obligation",
                                     "Mortgage Payment", "Other Debt Service", "Rental Payment",
                                     "All Other Obligations"};

}  // namespace

class IncomeExpense : public StatementTest {
protected:
    void addStatements() override
    {
        statement = addStatement(client);
        other = addStatement(client, "06/30/2025", "Half");
    }
    void TearDown() override
    {
        closeScreenWindows();
        registerAllWindows();  // back to the real preview if a test replaced it
        StatementTest::TearDown();
    }
    // Opens the window as every side link does, through the shared opener.
    TfrmIncomeAndExpense *open(IncomeExpensePage page)
    {
        auto *w = qobject_cast<TfrmIncomeAndExpense *>(OpenIncomeExpenseWindow(page));
        EXPECT_NE(w, nullptr);
        QApplication::processEvents();
        return w;
    }
    void enter(EntryPage *p, const QString &editor, const QString &text) { type(p->editor(editor), text); }
    double total(const char *field) { return dm1->tblNettora->asFloat(QString::fromLatin1(field)); }
    // Writes figures into the statement row behind the window's back.
    void stale(std::initializer_list<std::pair<const char *, double>> figures)
    {
        Table *s = dm1->tblNettora;
        s->edit();
        for (const auto &[field, value] : figures)
            s->setAsFloat(QString::fromLatin1(field), value);
        s->post();
    }
    QStringList items(EntryPage *p, const QString &editor)
    {
        auto *box = qobject_cast<QComboBox *>(p->editor(editor));
        QStringList out;
        for (int i = 0; box && i < box->count(); ++i)
            out << box->itemText(i);
        return out;
    }

};

// Each OK reports the first unmet check and focuses its editor; once all are
// met the row is saved with the keys, its monthly amount and the new total.
TEST_F(IncomeExpense, ChecksRunInOrderOnBothPages)
{
    const struct {
        const char *opener;
        int page;
        const char *title, *table, *total, *shot;
        std::vector<std::pair<const char *, const char *>> steps;  // editor and value, filled after its message
        std::vector<const char *> messages;
        const char *totalText, *listText;
    } cases[] = {
        {"Income", 1, "Annual Income", "Incomes", "IncomeTotal", "income_page",
         {{"d1_1", "Salaries and Wages (Individual)"}, {"d1_2", "Day job"}, {"d1_3", "60,000.00"}},
         {"Please enter one of the items provided for \"Type\".", "Please enter \"Description\".",
          "Please enter \"Amount\"."},
         "Total: $60,000.00", "Salaries and Wages (Individual)\tDay job\t$60,000.00"},
        {"Expenses", 2, "Annual Expenses", "Expenditure", "ExpenseTotal", "expense_page",
         {{"d2_1", "Installment Payment (Auto, Credit Card, etc.)"}, {"d2_2", "Car loan"}, {"d2_3", "1000"}},
         {"Please enter one of the items provided for \"Type\".", "Please enter \"Description\".",
          "Please enter \"Amount\"."},
         "Total: $1,000.00", "Installment Payment (Auto, Credit Card, etc.)\tCar loan\t$1,000.00"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.opener);
        TfrmIncomeAndExpense *w = open(c.opener == QLatin1String("Income") ? IncomeExpensePage::Income : IncomeExpensePage::Expenses);
        EntryPage *p = w->activePage();
        ASSERT_EQ(p, w->page(c.page));
        EXPECT_EQ(p->titleLabel->text(), c.title);
        click(p->addButton);
        EXPECT_EQ(appState().entry, EntryState::Closed);
        EXPECT_EQ(p->focusWidget(), p->editor(QStringLiteral("d%1_1").arg(c.page)));
        for (size_t i = 0; i < c.steps.size(); ++i) {
            m_dialogs->clear();
            click(p->okButton);
            EXPECT_EQ(m_dialogs->texts(), QStringList{QString::fromUtf8(c.messages[i])});
            EXPECT_EQ(m_dialogs->shown().back().kind, "error");
            EXPECT_EQ(p->focusWidget(), p->editor(c.steps[i].first));
            EXPECT_EQ(p->table()->state(), RecordState::Insert);
            enter(p, c.steps[i].first, c.steps[i].second);
        }
        m_dialogs->clear();
        click(p->okButton);
        EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
        EXPECT_EQ(appState().entry, EntryState::Open);
        EXPECT_EQ(countRows(c.table), 1);
        EXPECT_EQ(p->table()->asString("ClientId"), QString::number(client));
        EXPECT_EQ(p->table()->asString("StatementId"), QString::number(statement));
        EXPECT_EQ(p->grid->rowTexts(), QStringList{c.listText});
        EXPECT_EQ(p->totalLabel->text(), c.totalText);
        EXPECT_EQ(w->findChild<HoverLabel *>(QStringLiteral("s%1").arg(c.page + 4))->backgroundColor(),
                  ScreenFrame::Green);
        EXPECT_EQ(w->size(), QSize(752, 519));
        // The editors in edit state, the hint under the pointer: what the
        // user sees while typing.
        click(p->editButton);
        hover(p->captionOf(QStringLiteral("d%1_1").arg(c.page)));
        saveScreenshot(w, QString::fromLatin1(c.shot));
        click(p->cancelButton);
        w->close();
        QApplication::processEvents();
    }
    EXPECT_DOUBLE_EQ(total("Salary"), 60000);
    EXPECT_DOUBLE_EQ(total("MSalary"), 5000);
    EXPECT_DOUBLE_EQ(total("Installment_Exp"), 1000);
}

// The monthly amount is the yearly one over twelve, rewritten by every OK and
// stored as computed, not cut to cents.
TEST_F(IncomeExpense, MonthlyAmountFollowsTheYearlyOne)
{
    const struct {
        const char *opener;
        int page;
        const char *type, *amount, *monthly, *edited, *editedMonthly;
    } cases[] = {
        {"Income", 1, "Salaries and Wages (Spouse)", "60000", "5000", "66000", "5500"},
        {"Expenses", 2, "Mortgage Payment", "1000", "83.3333", "$1,300.00", "108.3333"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.opener);
        TfrmIncomeAndExpense *w = open(c.opener == QLatin1String("Income") ? IncomeExpensePage::Income : IncomeExpensePage::Expenses);
        EntryPage *p = w->page(c.page);
        const QString d = QStringLiteral("d%1_").arg(c.page);
        click(p->addButton);
        enter(p, d + "1", c.type);
        enter(p, d + "2", "Monthly check");
        enter(p, d + "3", c.amount);
        click(p->okButton);
        ASSERT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
        EXPECT_EQ(p->table()->asString("MAmount"), c.monthly);
        click(p->editButton);
        enter(p, d + "3", c.edited);
        click(p->okButton);
        EXPECT_EQ(p->table()->asString("MAmount"), c.editedMonthly);
        EXPECT_EQ(countRows(p->description().table), 1);
        w->close();
        QApplication::processEvents();
    }
    EXPECT_DOUBLE_EQ(total("MSalary_Spouse"), 5500);
    EXPECT_DOUBLE_EQ(total("MMortgage_Exp"), 108.3333);  // the field keeps four decimals
}

// The opener's choice picks the page; none shows no page. Both totals
// are recomputed as the window opens, whichever page shows.
TEST_F(IncomeExpense, OpensOnTheOpenersPageWithBothTotalsRecomputed)
{
    addRow(dm1->tblIncomes, client, statement, {{"Type", "All Other Income"}, {"Amount", "1200"}});
    addRow(dm1->tblIncomes, client, other, {{"Type", "All Other Income"}, {"Amount", "7"}});  // another statement
    addRow(dm1->tblExpenditure, client, statement, {{"Type", "Rental Payment"}, {"Amount", "2400"}});
    const struct {
        IncomeExpensePage opener;
        int page;  // 0: none
        const char *totalText;
    } cases[] = {
        {IncomeExpensePage::Income, 1, "Total: $1,200.00"},
        {IncomeExpensePage::Expenses, 2, "Total: $2,400.00"},
        {IncomeExpensePage::None, 0, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.page);
        FilterStatementTables(QString::number(client), QString::number(statement));
        stale({{"IncomeTotal", 1}, {"ExpenseTotal", 2}, {"MOtherIncome", 3}, {"MRental_Exp", 4}});
        TfrmIncomeAndExpense *w = open(c.opener);
        EXPECT_EQ(appState().incomeExpensePage, c.opener);
        EXPECT_EQ(w->windowTitle(), WindowCaption());
        EXPECT_DOUBLE_EQ(total("IncomeTotal"), 1200);
        EXPECT_DOUBLE_EQ(total("MOtherIncome"), 100);
        EXPECT_DOUBLE_EQ(total("ExpenseTotal"), 2400);
        EXPECT_DOUBLE_EQ(total("MRental_Exp"), 200);
        EXPECT_EQ(w->pcMain->isVisible(), c.page != 0);
        if (c.page) {
            ASSERT_EQ(w->activePage(), w->page(c.page));
            EXPECT_EQ(w->activePage()->totalLabel->text(), c.totalText);
            EXPECT_EQ(w->activePage()->grid->rowTexts().size(), 1);
            EXPECT_EQ(appState().entry, EntryState::Open);
            EXPECT_TRUE(w->activePage()->addButton->isVisible());
        }
        w->close();
        QApplication::processEvents();
    }
}

// The side links switch pages without refiltering or recomputing: totals
// changed behind the window show as they are. A save or a delete, even one
// answered No, recomputes the total of its own page only.
TEST_F(IncomeExpense, PageSwitchRecomputesNothingSaveAndDeleteTheirOwnPage)
{
    addRow(dm1->tblIncomes, client, statement, {{"Type", "Bonuses and Commissions"}, {"Description", "Q4"},
                                                 {"Amount", "300"}});
    TfrmIncomeAndExpense *w = open(IncomeExpensePage::Income);
    EntryPage *income = w->page(1), *expenses = w->page(2);
    stale({{"IncomeTotal", 11}, {"ExpenseTotal", 22}});
    addRow(dm1->tblExpenditure, client, statement, {{"Type", "Lease Obligation"}, {"Amount", "900"}});
    FilterStatementTables(QString::number(client), QString::number(statement));
    income->table()->setFilter(QStringLiteral("StatementId = \"none\""));  // a narrowing only a refilter undoes
    income->table()->setFiltered(true);

    click(w->findChild<HoverLabel *>("s6"));
    EXPECT_EQ(w->activePage(), expenses);
    EXPECT_EQ(expenses->totalLabel->text(), "Total: $22.00");
    click(w->findChild<HoverLabel *>("s5"));
    EXPECT_EQ(w->activePage(), income);
    EXPECT_EQ(income->totalLabel->text(), "Total: $11.00");
    EXPECT_TRUE(income->grid->rowTexts().isEmpty());
    EXPECT_DOUBLE_EQ(total("IncomeTotal"), 11);

    click(w->findChild<HoverLabel *>("s6"));
    click(expenses->addButton);
    enter(expenses, "d2_1", "Other Debt Service");
    enter(expenses, "d2_2", "Loan");
    enter(expenses, "d2_3", "100");
    click(expenses->okButton);
    EXPECT_EQ(expenses->totalLabel->text(), "Total: $1,000.00");
    EXPECT_DOUBLE_EQ(total("IncomeTotal"), 11);

    click(w->findChild<HoverLabel *>("s5"));
    income->table()->first();
    m_dialogs->clear();
    m_dialogs->answerWarnings({false});
    click(income->deleteButton);
    EXPECT_EQ(m_dialogs->texts(),
              QStringList{"You have selected to DELETE the income \"Q4\".\n\r\n\rDo you wish to continue?"});
    EXPECT_EQ(income->totalLabel->text(), "Total: $300.00");
    EXPECT_DOUBLE_EQ(total("ExpenseTotal"), 1000);
    EXPECT_EQ(countRows("Incomes"), 1);

    click(w->findChild<HoverLabel *>("s6"));
    expenses->table()->first();
    m_dialogs->clear();
    m_dialogs->answerWarnings({true});
    const QString doomed = expenses->table()->asString("Description");
    click(expenses->deleteButton);
    EXPECT_EQ(m_dialogs->texts(), QStringList{QStringLiteral("You have selected to DELETE the expense \"%1\".\n\r\n\r"
                                                             "Do you wish to continue?")
                                                  .arg(doomed)});
    EXPECT_EQ(countRows("Expenditure"), 1);
    EXPECT_DOUBLE_EQ(total("IncomeTotal"), 300);
}

// The lists hold the blank item and the types in order; only those texts,
// exactly as written, pass the check.
TEST_F(IncomeExpense, TypeListsAreExactAndCaseSensitive)
{
    TfrmIncomeAndExpense *w = open(IncomeExpensePage::Income);
    QStringList incomeTypes, expenseTypes;
    for (const char *t : kIncomeTypes)
        incomeTypes << QString::fromLatin1(t);
    for (const char *t : kExpenseTypes)
        expenseTypes << QString::fromLatin1(t);
    EXPECT_EQ(items(w->page(1), "d1_1"), QStringList{""} + incomeTypes);
    EXPECT_EQ(items(w->page(2), "d2_1"), QStringList{""} + expenseTypes);

    const struct {
        int page;
        const char *typed;
        bool accepted;
    } cases[] = {
        {1, "All Other Income", true},          {1, "all other income", false},
        {1, "All Other Income ", false},        {1, "Rental Payment", false},
        {1, "Salaries and Wages", false},       {2, "All Other Obligations", true},
        {2, "mortgage payment", false},         {2, "All Other Income", false},
        {2, "Alimony, Child Support, etc.", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        click(w->findChild<HoverLabel *>(QStringLiteral("s%1").arg(c.page + 4)));
        EntryPage *p = w->page(c.page);
        const QString d = QStringLiteral("d%1_").arg(c.page);
        click(p->addButton);
        enter(p, d + "1", c.typed);
        enter(p, d + "2", "Item");
        enter(p, d + "3", "12");
        m_dialogs->clear();
        click(p->okButton);
        EXPECT_EQ(m_dialogs->shown().empty(), c.accepted) << m_dialogs->texts().join("|").toStdString();
        if (c.accepted) {
            EXPECT_EQ(p->table()->asString("Type"), c.typed);
        } else {
            EXPECT_EQ(m_dialogs->texts(), QStringList{"Please enter one of the items provided for \"Type\"."});
            EXPECT_EQ(p->focusWidget(), p->editor(d + "1"));
            click(p->cancelButton);
        }
    }
    EXPECT_EQ(countRows("Incomes"), 1);
    EXPECT_EQ(countRows("Expenditure"), 2);
}

// A row being typed is dropped, unsaved, when the user opens the other page,
// the same page again, or another window.
TEST_F(IncomeExpense, RowBeingTypedIsDroppedOnLeavingWhenTheUserDiscardsIt)
{
    const struct {
        const char *link;
        bool windowCloses;
    } cases[] = {{"s6", false}, {"s5", false}, {"s2", true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.link);
        m_dialogs->clear();
        QPointer<TfrmIncomeAndExpense> w = open(IncomeExpensePage::Income);
        EntryPage *p = w->page(1);
        click(p->addButton);
        enter(p, "d1_1", "All Other Income");
        enter(p, "d1_2", "Half typed");
        enter(p, "d1_3", "5");
        p->addClick();  // the guard holds while a row is open
        EXPECT_EQ(m_dialogs->texts(),
                  QStringList{"This action is disabled.\n\r\n\rClick on \"OK\" or \"Cancel\" to enable."});
        m_dialogs->clear();
        m_dialogs->answerSaveQuestions({SaveChoice::Discard});
        click(w->findChild<HoverLabel *>(c.link));
        QApplication::processEvents();
        EXPECT_EQ(m_dialogs->texts(), QStringList{"Save the changes to Annual Income?"});
        EXPECT_EQ(appState().entry, EntryState::Open);
        EXPECT_EQ(countRows("Incomes"), 0);
        EXPECT_EQ(w.isNull() || !w->isVisible(), c.windowCloses);
        if (!c.windowCloses) {
            EXPECT_EQ(p->table()->state(), RecordState::Browse);
            EXPECT_TRUE(w->activePage()->addButton->isVisible());
            click(w->findChild<HoverLabel *>("s5"));
            EXPECT_TRUE(p->grid->rowTexts().isEmpty());
            EXPECT_FALSE(p->editor("d1_1")->isEnabled());
        }
        closeScreenWindows();
        QApplication::processEvents();
    }
}

// The side links in their order, the window ones opening their window and
// closing this one, and Preview on either page playing the statement.
TEST_F(IncomeExpense, SideLinksAndPreview)
{
    TfrmIncomeAndExpense *w = open(IncomeExpensePage::Expenses);
    QStringList links;
    for (HoverLabel *l : w->sideLinks())
        links << l->objectName() + QLatin1Char('=') + l->text();
    EXPECT_EQ(links, (QStringList{"s1=   Personal Information", "s2=   Assets", "s3=   Liabilities", "s5=   Income",
                                  "s6=   Expenses", "s4=   Legal", "s7=   Notes"}));
    EXPECT_EQ(w->page(1)->findChild<QWidget *>("B1OK"), w->page(1)->okButton);
    EXPECT_EQ(w->page(1)->findChild<QWidget *>("B1Cancel"), w->page(1)->cancelButton);
    EXPECT_EQ(w->page(1)->hint1->objectName(), "lbldef_inc1");
    EXPECT_EQ(w->page(2)->hint3->objectName(), "lbldef_exp3");

    int previews = 0;
    registerStatementPreview([&](QWidget *parent) {
        EXPECT_EQ(parent, w);
        ++previews;
    });
    click(w->page(2)->previewButton);
    click(w->findChild<HoverLabel *>("s5"));
    click(w->page(1)->previewButton);
    EXPECT_EQ(previews, 2);

    QPointer<TfrmIncomeAndExpense> guard = w;
    click(w->findChild<HoverLabel *>("s1"));
    QApplication::processEvents();
    EXPECT_EQ(appState().clientMode, ClientMode::Edit);
    EXPECT_TRUE(guard.isNull() || !guard->isVisible());
    bool clientWindow = false;
    for (QWidget *top : QApplication::topLevelWidgets())
        clientWindow |= top->objectName() == QLatin1String("TfrmClientAdd") && top->isVisible();
    EXPECT_TRUE(clientWindow);
}
