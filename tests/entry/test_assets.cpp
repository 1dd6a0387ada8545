// The assets window and the entry page it is built from, as real widgets.
#include "entry/assets_window_fixture.h"

#include "data/db_functions.h"
#include "kit/app_state.h"
#include "entry/amounts.h"
#include "entry/assets.h"

#include <QTest>

using namespace nettora;
using namespace nettora::test;

TEST(Amounts, WhatAPreparerTypes)
{
    const struct {
        const char *text;
        bool ok;
        double value;
    } cases[] = {
        {"1234.5", true, 1234.5},     {"1,234.50", true, 1234.5},  {"$1,234.50", true, 1234.5},
        {"-250", true, -250},         {"-$250", true, -250},       {"($250.00)", true, -250},
        {" 50 ", true, 50},           {".5", true, 0.5},           {"1,234,567.891", true, 1234567.891},
        {"12abc", false, 0},          {"1.234,50", false, 0},      {"12,34", false, 0},
        {"$", false, 0},              {"", false, 0},              {"--5", false, 0},
        {"1e5", false, 0},
    };
    for (const auto &c : cases) {
        double v = 0;
        EXPECT_EQ(parseAmount(QString::fromLatin1(c.text), &v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(v, c.value) << c.text;
        }
    }
    EXPECT_EQ(totalText(0), "$00.00");
    EXPECT_EQ(totalText(1234.5), "$1,234.50");
    EXPECT_EQ(totalText(5), "$05.00");
    EXPECT_EQ(totalText(-250), "-$250.00");
    EXPECT_EQ(totalText(1234567.891), "$1,234,567.89");
    EXPECT_EQ(moneyEditorText(1234.5678), "1,234.5678");
    EXPECT_EQ(moneyEditorText(-250), "-250.00");
}

class Assets : public AssetsWindowTest {
protected:
    void seedRows() override { other = addStatement(client, "06/30/2025", "Half"); }
    EntryPage *open(int n)
    {
        click(window->findChild<HoverLabel *>(QStringLiteral("s%1").arg(n + 2)));
        EXPECT_EQ(window->activePage(), window->page(n));
        return window->page(n);
    }
    void type(EntryPage *p, const QString &editor, const QString &text)
    {
        QWidget *w = p->editor(editor);
        if (auto *box = qobject_cast<QComboBox *>(w)) {
            box->setEditText(text);
        } else if (auto *e = qobject_cast<QLineEdit *>(w)) {
            e->clear();
            QTest::keyClicks(e, text);
        }
    }
    void choose(EntryPage *p, const QString &editor, const QString &item)
    {
        auto *box = qobject_cast<QComboBox *>(p->editor(editor));
        box->setCurrentIndex(box->findText(item, Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
    double stored(const char *field)
    {
        Table *s = dm1->tblNettora;
        return s->asFloat(QString::fromLatin1(field));
    }
};

TEST_F(Assets, OpensOnCashWithItsTotalEvenWithoutRows)
{
    EntryPage *cash = window->activePage();
    ASSERT_EQ(cash, window->page(1));
    EXPECT_EQ(appState().entry, EntryState::Open);
    EXPECT_EQ(cash->titleLabel->text(), "Assets - Cash");
    EXPECT_EQ(cash->totalLabel->text(), "Total: $00.00");
    EXPECT_EQ(dm1->tblNettora->asString("CashOnHand"), "0");  // the cash run filled the empty totals
    EXPECT_TRUE(cash->addButton->isVisible());
    EXPECT_FALSE(cash->okButton->isVisible());
    EXPECT_FALSE(cash->editor("d1_1")->isEnabled());
    EXPECT_EQ(window->findChild<HoverLabel *>("s3")->backgroundColor(), ScreenFrame::Green);
    EXPECT_EQ(window->size(), QSize(752, 519));
    saveScreenshot(window, "assets_cash");
}

// Every page's checks in order: each OK reports the first unmet check, and
// filling that editor moves on to the next, until the row is saved.
TEST_F(Assets, ChecksRunInOrderOnEveryPage)
{
    const struct {
        int page;
        std::vector<std::pair<const char *, const char *>> steps;  // editor, value; message expected before it
        std::vector<const char *> messages;
    } cases[] = {
        {1, {{"d1_1", "Joint checking"}, {"d1_2", "Checking Account"}, {"d1_5", "1,250.00"}},
         {"Please enter \"Registered Name\".", "Please enter one of the items provided for \"Type of Account\".",
          "Please enter \"Current Balance\"."}},
        {2, {{"d2_1", "ACME"}, {"d2_3", "Stock"}, {"d2_4", "NYSE"}, {"d2_7", "5000"}, {"d2_8", "No"}},
         {"Please enter \"Description\".", "Please enter one of the items provided for \"Investment Type\".",
          "Please enter one of the items provided for \"Exchange\".", "Please enter \"Current Market Value\".",
          "Please enter one of the items provided for \"Pledged\"."}},
        {3, {{"d3_1", "12 Elm St"}, {"d3_2", "Homestead"}, {"d3_3", "1999"}, {"d3_4", "50"}, {"d3_5", "50"},
             {"d3_7", "200000"}},
         {"Please enter \"Description\".", "Please enter one of the items provided for \"Property Type\".",
          "Please enter \"Year Acquired\".", "Please enter \"Percent Owned\".", "Please enter \"Percent Liability\".",
          "Please enter \"Market Value\"."}},
        {4, {{"d4_1", "Accord"}, {"d4_2", "2004"}, {"d4_4", "9000"}},
         {"Please enter \"Model\".", "Please enter \"Year\".", "Please enter \"Total Current Value\"."}},
        {5, {{"d5_1", "Ann"}, {"d5_2", "Mutual Life"}, {"d5_3", "Bob"}, {"d5_4", "100000"}, {"d5_5", "2000"},
             {"d5_6", "No"}},
         {"Please enter \"Insured\".", "Please enter \"Company\".", "Please enter \"Beneficiary\".",
          "Please enter \"Face Value\".", "Please enter \"Cash Value\".",
          "Please enter one of the items provided for \"Pledged\"."}},
        {6, {{"d6_1", "Ann"}, {"d6_2", "Jewelry"}, {"d6_3", "3000"}},
         {"Please enter \"Registered in Name of\".", "Please enter \"Description\".", "Please enter \"Value\"."}},
        {7, {{"d7_1", "Ann"}, {"d7_2", "Shop"}, {"d7_3", "40000"}},
         {"Please enter \"Registered in Name of\".", "Please enter \"Description\".", "Please enter \"Value\"."}},
        {8, {{"dbAssets", "All Other Assets"}, {"d8_1", "Ann"}, {"d8_2", "Art"}, {"d8_3", "700"}},
         {"Please enter one of the items provided for \"Asset Type\".", "Please enter \"Registered in Name of\".",
          "Please enter \"Description\".", "Please enter \"Value\"."}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.page);
        EntryPage *p = open(c.page);
        click(p->addButton);
        EXPECT_EQ(appState().entry, EntryState::Closed);
        EXPECT_EQ(p->focusWidget(), p->editor(p->description().focusEditor));
        for (size_t i = 0; i < c.steps.size(); ++i) {
            m_dialogs->clear();
            click(p->okButton);
            EXPECT_EQ(m_dialogs->texts(), QStringList{QString::fromUtf8(c.messages[i])});
            EXPECT_EQ(p->focusWidget(), p->editor(c.steps[i].first));
            EXPECT_EQ(p->table()->state(), RecordState::Insert);
            type(p, c.steps[i].first, c.steps[i].second);
        }
        m_dialogs->clear();
        click(p->okButton);
        EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
        EXPECT_EQ(appState().entry, EntryState::Open);
        EXPECT_EQ(p->table()->recordCount(), 1);
        EXPECT_EQ(p->table()->asString("StatementId"), QString::number(statement));
        EXPECT_EQ(p->table()->asString("ClientId"), QString::number(client));
        EXPECT_NE(p->totalLabel->text(), "Total: $00.00");
        saveScreenshot(window, QStringLiteral("assets_page%1").arg(c.page));
    }
    EXPECT_DOUBLE_EQ(stored("CashOnHand"), 1250);
    EXPECT_DOUBLE_EQ(stored("RealEstateTotals"), 100000);  // 50 % of 200,000
    EXPECT_DOUBLE_EQ(stored("TotalAssets"), 1250 + 5000 + 100000 + 9000 + 2000 + 3000 + 40000 + 700);
    EXPECT_EQ(window->page(3)->grid->rowTexts(), QStringList{"Homestead\t12 Elm St\t$200,000.00\t$100,000.00"});
    EXPECT_EQ(window->page(4)->grid->rowTexts(), QStringList{"2004 Accord\t$9,000.00"});
}

TEST_F(Assets, TypeOfAccountIsCaseSensitiveAndTheListItemKeepsItsBlank)
{
    EntryPage *p = window->page(1);
    const struct {
        const char *typed;
        bool accepted;
    } cases[] = {{"Cash on Hand", true}, {"cash on hand", false}, {"Savings", false}, {"Savings Account", true}};
    for (const auto &c : cases) {
        click(p->addButton);
        type(p, "d1_1", "Acct");
        type(p, "d1_5", "10");
        type(p, "d1_2", c.typed);
        m_dialogs->clear();
        click(p->okButton);
        EXPECT_EQ(m_dialogs->shown().empty(), c.accepted) << c.typed;
        if (!c.accepted)
            click(p->cancelButton);
    }
    click(p->addButton);
    type(p, "d1_1", "Wallet");
    type(p, "d1_5", "10");
    choose(p, "d1_2", "Cash on Hand ");
    click(p->okButton);
    Table *t = dm1->tblCash;
    t->setFilter(QStringLiteral("RegisteredName = \"Wallet\""));
    t->setFiltered(true);
    t->first();
    EXPECT_EQ(t->asString("Type"), "Cash on Hand ");
}

TEST_F(Assets, PledgedShowsToWhomOnlyForYesAndForgetsItOtherwise)
{
    EntryPage *p = window->page(1);
    click(p->addButton);
    EXPECT_FALSE(p->editor("d1_7")->isVisible());
    choose(p, "d1_6", "Yes");
    EXPECT_TRUE(p->editor("d1_7")->isVisible());
    EXPECT_EQ(p->focusWidget(), p->editor("d1_7"));
    type(p, "d1_7", "First Bank");
    choose(p, "d1_6", "No");
    EXPECT_FALSE(p->editor("d1_7")->isVisible());
    choose(p, "d1_6", "Yes");
    EXPECT_EQ(p->editorText("d1_7"), "");
    type(p, "d1_1", "Acct");
    choose(p, "d1_2", "Checking Account");
    type(p, "d1_5", "1");
    choose(p, "d1_6", "No");
    click(p->okButton);
    EXPECT_EQ(dm1->tblCash->asString("PledgedTo"), "");
    EXPECT_EQ(dm1->tblCash->asString("Pledged"), "No");
}

TEST_F(Assets, EditReStampsKeysAndRewritesTheAutoDescription)
{
    EntryPage *p = open(4);
    click(p->addButton);
    type(p, "d4_1", "Accord");
    type(p, "d4_2", "2004");
    type(p, "d4_4", "$9,000.00");
    click(p->okButton);
    click(p->editButton);
    type(p, "d4_1", "Civic");
    click(p->okButton);
    EXPECT_EQ(p->grid->rowTexts(), QStringList{"2004 Civic\t$9,000.00"});
    EXPECT_EQ(dm1->tblAuto->asString("StatementId"), QString::number(statement));
    EXPECT_EQ(countRows("Auto"), 1);
}

TEST_F(Assets, DeleteAsksByPageAndNoStillRecomputes)
{
    EntryPage *life = open(5);
    addRow(dm1->tblLifeInsurance, client, statement,
           {{"Insured", "Ann"}, {"Company", "MetLife"}, {"CashValue", "2500"}, {"FaceValue", "90000"}});
    // A stale total that the next run must put right.
    dm1->tblNettora->edit();
    dm1->tblNettora->setAsFloat("LifeCash", 999);
    dm1->tblNettora->post();
    life = open(5);
    life->table()->first();
    m_dialogs->answerWarnings({false, true});
    click(life->deleteButton);
    EXPECT_EQ(m_dialogs->texts(),
              QStringList{"You have selected to DELETE Ann's life insurance policy.\n\r\n\rDo you wish to continue?"});
    EXPECT_EQ(life->totalLabel->text(), "Total: $2,500.00");
    EXPECT_EQ(countRows("LifeInsurance"), 1);
    click(life->deleteButton);
    EXPECT_EQ(countRows("LifeInsurance"), 0);
    EXPECT_EQ(life->totalLabel->text(), "Total: $00.00");

    addRow(dm1->tblCash, client, statement, {{"RegisteredName", "Savings"}, {"Balance", "10"}, {"Type", "Savings Account"}});
    EntryPage *cash = open(1);
    m_dialogs->clear();
    m_dialogs->answerWarnings({false});
    click(cash->deleteButton);
    EXPECT_EQ(m_dialogs->texts(),
              QStringList{"You have selected to DELETE the account \"Savings\".\n\r\n\rDo you wish to continue?"});
}

TEST_F(Assets, NumbersAcceptWhatIsTypedAndRefuseTheRest)
{
    EntryPage *p = window->page(1);
    click(p->addButton);
    type(p, "d1_1", "Acct");
    choose(p, "d1_2", "Savings Account");
    type(p, "d1_5", "12abc");
    click(p->okButton);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"'12abc' is not a valid number in Current Balance."});
    EXPECT_EQ(appState().entry, EntryState::Closed);
    EXPECT_EQ(p->focusWidget(), p->editor("d1_5"));
    EXPECT_EQ(countRows("Cash"), 0);
    type(p, "d1_5", "-$1,234.50");
    click(p->okButton);
    EXPECT_DOUBLE_EQ(stored("CashOnHand"), -1234.5);
    EXPECT_EQ(p->totalLabel->text(), "Total: -$1,234.50");
}

TEST_F(Assets, AddWhileEditingIsRefusedAndAPageChangeDiscardsTheRowOnlyWhenAsked)
{
    EntryPage *p = window->page(1);
    click(p->addButton);
    type(p, "d1_1", "Half typed");
    p->addClick();  // the button is hidden; the guard still holds
    EXPECT_EQ(m_dialogs->texts(),
              QStringList{"This action is disabled.\n\r\n\rClick on \"OK\" or \"Cancel\" to enable."});
    m_dialogs->answerSaveQuestions({SaveChoice::Discard});
    open(2);
    EXPECT_EQ(appState().entry, EntryState::Open);
    EXPECT_EQ(countRows("Cash"), 0);
    open(1);
    EXPECT_EQ(p->table()->recordCount(), 0);
}

TEST_F(Assets, HintsFollowThePointer)
{
    EntryPage *p = window->page(1);
    hover(p->captionOf("d1_5"));
    EXPECT_TRUE(p->hint1->isVisible());
    EXPECT_EQ(p->hint1->text(), "Current Balance:");
    EXPECT_EQ(p->hint2->text(), "The amount of Cash that is in the account at this point in time.");
    EXPECT_FALSE(p->hint3->isVisible());
    hover(p->captionOf("d1_2"));
    EXPECT_EQ(p->hint3->text(), "from the drop down list of the accounts.");
    moveOver(p);
    EXPECT_FALSE(p->hint1->isVisible());
}

TEST_F(Assets, OtherPageShowsItsThreeSubTotals)
{
    addRow(dm1->tblOtherAssets, client, statement, {{"Type", "Restricted or Margin Account"}, {"Value", "100"}});
    addRow(dm1->tblOtherAssets, client, statement, {{"Type", "All Other Assets"}, {"Value", "50"}});
    addRow(dm1->tblOtherAssets, client, other, {{"Type", "All Other Assets"}, {"Value", "7"}});  // another statement
    EntryPage *p = open(8);
    EXPECT_EQ(p->totalLabel->text(), "Total: $150.00");
    ASSERT_EQ(p->subTotalLabels.size(), 3u);
    EXPECT_EQ(p->subTotalLabels[0]->text(), "$100.00");
    EXPECT_EQ(p->subTotalLabels[1]->text(), "$00.00");
    EXPECT_EQ(p->subTotalLabels[2]->text(), "$50.00");
}
