// What an entry page shows: the list while a row is added, amounts in the
// currency format, the client's line and the box a refused number was typed
// in.
#include "entry/assets_window_fixture.h"

#include "kit/app_state.h"
#include "entry/assets.h"

#include <QTest>

using namespace nettora;
using namespace nettora::test;

class EntryDisplay : public AssetsWindowTest {
protected:
    void seedRows() override
    {
        addRow(dm1->tblCash, client, statement,
               {{"RegisteredName", "Till"}, {"Type", "Checking Account"}, {"Balance", "200000"}});
        addRow(dm1->tblCash, client, statement,
               {{"RegisteredName", "Jar"}, {"Type", "Savings Account"}, {"Balance", "-12.5"}});
    }
    void statementMadeCurrent() override
    {
        Table *c = dm1->tblClient;
        c->edit();
        c->setAsString("ClientDescription", clientDescription);
        c->post();
    }
    EntryPage *open(int n)
    {
        click(window->findChild<HoverLabel *>(QStringLiteral("s%1").arg(n + 2)));
        EXPECT_EQ(window->activePage(), window->page(n));
        return window->page(n);
    }

    QString clientDescription = QStringLiteral("Ann Able - .");
};

// The new row is not in the list yet: the listed rows stay as they are,
// none of them marked as the one being worked on.
TEST_F(EntryDisplay, TheListKeepsItsRowsWhileARowIsAdded)
{
    EntryPage *p = window->page(1);
    const QStringList rows{"Checking Account\tTill\t$200,000.00", "Savings Account\tJar\t-$12.50"};
    ASSERT_EQ(p->grid->rowTexts(), rows);
    ASSERT_EQ(p->grid->selectionModel()->selectedRows().size(), 1);

    click(p->addButton);
    ASSERT_EQ(appState().entry, EntryState::Closed);
    EXPECT_EQ(p->grid->rowTexts(), rows);
    EXPECT_TRUE(p->grid->selectionModel()->selectedRows().isEmpty());
    saveScreenshot(window, "entry_cash_adding");

    click(p->cancelButton);
    EXPECT_EQ(p->grid->rowTexts(), rows);
    EXPECT_EQ(p->grid->selectionModel()->selectedRows().size(), 1);

    // Editing marks the row being edited.
    p->grid->selectRow(1);
    click(p->editButton);
    ASSERT_EQ(appState().entry, EntryState::Closed);
    EXPECT_EQ(p->grid->rowTexts(), rows);
    ASSERT_EQ(p->grid->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(p->grid->selectionModel()->selectedRows().first().row(), 1);
}

// "'abc' is not a valid number." goes on to say which box holds it.
TEST_F(EntryDisplay, ARefusedNumberNamesItsBox)
{
    const struct {
        int page;
        const char *editor, *typed, *message;
    } cases[] = {
        {1, "d1_5", "abc", "'abc' is not a valid number in Current Balance."},
        {2, "d2_5", "ten", "'ten' is not a valid number in Shares."},
        {2, "d2_6", "1.234,50", "'1.234,50' is not a valid number in Purchase Price."},
        {3, "d3_3", "19x9", "'19x9' is not a valid number in Year Acquired."},
        {3, "d3_4", "5%", "'5%' is not a valid number in Percent Owned."},
        {3, "d3_7", "abc", "'abc' is not a valid number in Market Value."},
        {5, "d5_4", "$", "'$' is not a valid number in Face Value."},
    };
    for (const auto &c : cases) {
        EntryPage *p = open(c.page);
        click(p->addButton);
        ASSERT_EQ(appState().entry, EntryState::Closed) << c.editor;
        // Only the number is wrong: every required box is filled for the checks.
        for (const CheckSpec &check : p->description().checks) {
            QWidget *w = p->editor(check.editor);
            if (auto *box = qobject_cast<QComboBox *>(w))
                box->setEditText(check.accepted.isEmpty() ? QStringLiteral("x") : check.accepted.first());
            else if (auto *e = qobject_cast<QLineEdit *>(w))
                e->setText(QStringLiteral("1"));
        }
        qobject_cast<QLineEdit *>(p->editor(QString::fromLatin1(c.editor)))->setText(QString::fromLatin1(c.typed));
        m_dialogs->clear();
        click(p->okButton);
        EXPECT_EQ(m_dialogs->texts(), QStringList{QString::fromLatin1(c.message)}) << c.editor;
        EXPECT_EQ(p->focusWidget(), p->editor(QString::fromLatin1(c.editor))) << c.editor;
        click(p->cancelButton);
    }
}

// The client's line shows the name alone when the statement has no
// description, never "Ann Able - .".
TEST_F(EntryDisplay, TheClientLineHasNoDanglingSeparator)
{
    for (int n : {1, 3, 8}) {
        EntryPage *p = open(n);
        EXPECT_EQ(p->clientLabel->text(), "Ann Able") << n;
        const int titleEnd = p->titleLabel->x() + p->titleLabel->fontMetrics().horizontalAdvance(p->titleLabel->text());
        EXPECT_GT(p->clientLabel->x(), titleEnd) << n;
        EXPECT_LE(p->clientLabel->geometry().right(), p->grid->geometry().right()) << n;
    }
}
