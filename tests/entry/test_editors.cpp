// What the entry pages' boxes accept: amounts within their field's range,
// texts within their field's width, drop-down choices in their own letter
// case; and amounts shown rounded the one way.
#include "entry/assets_window_fixture.h"

#include "data/currency.h"
#include "data/db_functions.h"
#include "kit/app_state.h"
#include "entry/amounts.h"
#include "entry/assets.h"

#include <QApplication>
#include <QTest>

using namespace nettora;
using namespace nettora::test;

namespace {

const QString kSmile = QString::fromUtf8("\xF0\x9F\x98\x80");  // one character, two UTF-16 units

// What each page needs to pass its checks, set straight into the boxes.
const std::map<int, std::vector<std::pair<const char *, const char *>>> kValidRow = {
    {1, {{"d1_1", "Joint checking"}, {"d1_2", "Checking Account"}, {"d1_5", "1,250.00"}}},
    {2, {{"d2_1", "ACME"}, {"d2_3", "Stock"}, {"d2_4", "NYSE"}, {"d2_7", "5000"}, {"d2_8", "No"}}},
    {3, {{"d3_1", "12 Elm St"}, {"d3_2", "Homestead"}, {"d3_3", "1999"}, {"d3_4", "50"}, {"d3_5", "50"},
         {"d3_7", "200000"}}},
    {4, {{"d4_1", "Accord"}, {"d4_2", "2004"}, {"d4_4", "9000"}}},
    {5, {{"d5_1", "Ann"}, {"d5_2", "Mutual Life"}, {"d5_3", "Bob"}, {"d5_4", "100000"}, {"d5_5", "2000"},
         {"d5_6", "No"}}},
    {6, {{"d6_1", "Ann"}, {"d6_2", "Jewelry"}, {"d6_3", "3000"}}},
    {8, {{"dbAssets", "All Other Assets"}, {"d8_1", "Ann"}, {"d8_2", "Art"}, {"d8_3", "700"}}},
};

void setText(QWidget *w, const QString &text)
{
    if (auto *box = qobject_cast<QComboBox *>(w))
        box->setEditText(text);
    else
        qobject_cast<QLineEdit *>(w)->setText(text);
}

QLineEdit *lineOf(QWidget *w)
{
    if (auto *box = qobject_cast<QComboBox *>(w))
        return box->lineEdit();
    return qobject_cast<QLineEdit *>(w);
}

}  // namespace

TEST(AmountDisplays, TotalsListsAndEditorsRoundTheOneWay)
{
    const struct {
        double amount;
        const char *total, *list, *editor;
    } cases[] = {
        {91235.415, "$91,235.42", "$91,235.42", "91,235.415"},
        {1.005, "$01.01", "$1.01", "1.005"},
        {-2.675, "-$02.68", "-$2.68", "-2.675"},
        {MaxCurrency, "$922,337,203,685,477.00", "$922,337,203,685,477.00", "922,337,203,685,477.00"},
        {-MaxCurrency, "-$922,337,203,685,477.00", "-$922,337,203,685,477.00", "-922,337,203,685,477.00"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(totalText(c.amount), QString::fromLatin1(c.total)) << c.total;
        EXPECT_EQ(moneyListText(c.amount), QString::fromLatin1(c.list)) << c.list;
        EXPECT_EQ(moneyEditorText(c.amount), QString::fromLatin1(c.editor)) << c.editor;
    }
}

class Editors : public AssetsWindowTest {
protected:
    // Page n in edit state on a new row that passes its checks.
    EntryPage *newValidRow(int n)
    {
        click(window->findChild<HoverLabel *>(QStringLiteral("s%1").arg(n + 2)));
        EntryPage *p = window->page(n);
        EXPECT_EQ(window->activePage(), p);
        click(p->addButton);
        for (const auto &[editor, value] : kValidRow.at(n))
            setText(p->editor(QString::fromLatin1(editor)), QString::fromUtf8(value));
        m_dialogs->clear();
        return p;
    }

    static QString fieldOf(EntryPage *p, const char *editor)
    {
        for (const EditorSpec &e : p->description().editors)
            if (e.name == QLatin1String(editor))
                return e.field;
        return QString();
    }
};

// An amount beyond its field is refused by name; the row stays in edit with
// the focus on the box, and the bound itself is taken.
TEST_F(Editors, AmountsOutsideTheirFieldAreRefusedNamingTheBox)
{
    const QString money = QStringLiteral("-$922,337,203,685,477.00 and $922,337,203,685,477.00.");
    const struct {
        int page;
        const char *editor, *typed, *bound;
        QString message;
        // The largest market value leaves no room for the later rows' share
        // of the real-estate total: it is deleted once it was taken.
        bool deleteAfter = false;
    } cases[] = {
        {3, "d3_7", "99999999999999999999", "922,337,203,685,477",
         QStringLiteral("The amount in Market Value must lie between ") + money, true},
        {1, "d1_5", "-922,337,203,685,478", "-922337203685477",
         QStringLiteral("The amount in Current Balance must lie between ") + money},
        {5, "d5_4", "$922,337,203,685,477.50", "$922,337,203,685,477.00",
         QStringLiteral("The amount in Face Value must lie between ") + money},
        {2, "d2_5", "1000000000000000", "922337203685477",
         QStringLiteral("The amount in Shares must lie between -922,337,203,685,477 and 922,337,203,685,477.")},
        {3, "d3_3", "-99999999999999999", "2001",
         QStringLiteral("The amount in Year Acquired must lie between -922,337,203,685,477 and 922,337,203,685,477.")},
        // A percent box holds three characters, so only a set text can be wider.
        {3, "d3_4", "1000", "999", QStringLiteral("The amount in Percent Owned must lie between -99 and 999.")},
        {3, "d3_5", "-100", "-99", QStringLiteral("The amount in Percent of Liability must lie between -99 and 999.")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        EntryPage *p = newValidRow(c.page);
        const int rows = countRows(p->description().table);
        QLineEdit *box = lineOf(p->editor(QString::fromLatin1(c.editor)));
        box->clear();
        QTest::keyClicks(box, QString::fromLatin1(c.typed));
        if (box->text() != QLatin1String(c.typed))
            box->setText(QString::fromLatin1(c.typed));
        click(p->okButton);
        EXPECT_EQ(m_dialogs->texts(), QStringList{c.message});
        EXPECT_EQ(p->focusWidget(), box);
        EXPECT_EQ(appState().entry, EntryState::Closed);
        EXPECT_EQ(p->table()->state(), RecordState::Insert);
        EXPECT_EQ(countRows(p->description().table), rows);

        m_dialogs->clear();
        box->clear();
        QTest::keyClicks(box, QString::fromLatin1(c.bound));
        click(p->okButton);
        EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
        EXPECT_EQ(appState().entry, EntryState::Open);
        EXPECT_EQ(countRows(p->description().table), rows + 1);
        if (c.deleteAfter) {
            m_dialogs->answerWarnings({true});
            click(p->deleteButton);
            EXPECT_EQ(countRows(p->description().table), rows);
            m_dialogs->clear();
        }
    }
    EXPECT_DOUBLE_EQ(dm1->tblNettora->asFloat("CashOnHand"), -MaxCurrency);
    EXPECT_EQ(window->page(1)->totalLabel->text(), "Total: -$922,337,203,685,477.00");
    EXPECT_EQ(countRows("RealEstate", "PercentOwned = 999 AND PercentLiability = 50"), 1);
    EXPECT_EQ(countRows("RealEstate", "PercentLiability = -99"), 1);
    EXPECT_EQ(countRows("Investments", "Shares = 922337203685477"), 1);
}

// Typing stops at the field's width, emoji count one character each, a
// lone surrogate is refused, and a paste that would not fit changes nothing.
TEST_F(Editors, TextBoxesStopAtTheirFieldWidth)
{
    const struct {
        int page;
        const char *editor;
        int width;
    } cases[] = {
        {1, "d1_1", 70}, {1, "d1_3", 30}, {1, "d1_4", 20}, {1, "d1_2", 31}, {2, "d2_1", 50},
        {2, "d2_4", 10}, {2, "d2_9", 50}, {3, "d3_1", 35}, {3, "d3_6", 35}, {3, "d3_11", 50},
        {4, "d4_1", 50}, {4, "d4_2", 4},  {5, "d5_2", 50}, {5, "d5_6", 3},  {6, "d6_2", 50},
        {8, "dbAssets", 35},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.editor);
        EntryPage *p = newValidRow(c.page);
        QLineEdit *box = lineOf(p->editor(QString::fromLatin1(c.editor)));
        box->clear();
        QTest::keyClicks(box, QString(QLatin1Char('x')).repeated(c.width + 3));
        EXPECT_EQ(box->text(), QString(QLatin1Char('x')).repeated(c.width));

        box->clear();
        for (int i = 0; i < c.width + 2; ++i)
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, kSmile, Qt::NoModifier);
        EXPECT_EQ(box->text(), kSmile.repeated(c.width));

        box->clear();
        QTest::keyClicks(box, QStringLiteral("ab"));
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(QChar(0xD83D)), Qt::NoModifier);
        box->insert(QString(QLatin1Char('y')).repeated(c.width - 1));  // what a paste does
        EXPECT_EQ(box->text(), "ab");
        click(p->cancelButton);
    }

    // A full box is saved whole.
    EntryPage *p = newValidRow(1);
    QLineEdit *name = lineOf(p->editor("d1_1"));
    name->clear();
    for (int i = 0; i < 72; ++i)
        QTest::sendKeyEvent(QTest::Click, name, Qt::Key_unknown, QString::fromUtf8("\xC3\xA9"), Qt::NoModifier);
    click(p->okButton);
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
    EXPECT_EQ(dm1->tblCash->asString("RegisteredName"), QString::fromUtf8("\xC3\xA9").repeated(70));
}

// Keys typed into a drop-down stay as typed unless a choice is taken: a
// choice in another letter case or a mere prefix is not that choice.
TEST_F(Editors, DropDownsKeepTheTypedCaseAndChecksTheWholeText)
{
    const struct {
        int page;
        const char *editor, *keys, *text;
        bool passes;
    } cases[] = {
        {1, "d1_2", "cash on hand", "cash on hand", false},
        {1, "d1_2", "Sav", "Sav", false},
        {1, "d1_2", "savings account", "savings account", false},
        {1, "d1_2", "Cash on Hand", "Cash on Hand", true},
        {1, "d1_2", "Savings Account", "Savings Account", true},
        {1, "d1_6", "yes", "yes", false},
        {1, "d1_6", "N", "N", false},
        {2, "d2_3", "stock", "stock", false},
        {2, "d2_3", "Mutual", "Mutual", false},
        {2, "d2_4", "nyse", "nyse", false},
        {2, "d2_4", "NY", "NY", false},
        {2, "d2_4", "NYSE", "NYSE", true},
        {3, "d3_2", "rental", "rental", false},
        {5, "d5_6", "no", "no", false},
        {8, "dbAssets", "All", "All", false},
        {8, "dbAssets", "all other assets", "all other assets", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.keys);
        EntryPage *p = newValidRow(c.page);
        QComboBox *box = qobject_cast<QComboBox *>(p->editor(QString::fromLatin1(c.editor)));
        box->lineEdit()->clear();
        box->setFocus();
        QTest::keyClicks(box, QString::fromLatin1(c.keys));
        click(p->okButton);
        EXPECT_EQ(m_dialogs->shown().empty(), c.passes) << m_dialogs->texts().join("|").toStdString();
        EXPECT_EQ(appState().entry, c.passes ? EntryState::Open : EntryState::Closed);
        if (c.passes) {  // stored as it stood in the box
            const QString field = fieldOf(p, c.editor);
            EXPECT_EQ(countRows(p->description().table, QStringLiteral("%1 = '%2'").arg(field, c.text)), 1);
        } else {
            EXPECT_EQ(p->editorText(QString::fromLatin1(c.editor)), QString::fromLatin1(c.text));
            click(p->cancelButton);
        }
    }
}

// The focus moves on to "To Whom" only once "Yes" stands whole in Pledged,
// so the rest of the word never lands there.
TEST_F(Editors, PledgedHandsOnToToWhomOnlyOnTheWholeYes)
{
    const struct {
        int page;
        const char *pledged, *toWhom;
    } cases[] = {{1, "d1_6", "d1_7"}, {2, "d2_8", "d2_9"}, {5, "d5_6", "d5_7"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pledged);
        EntryPage *p = newValidRow(c.page);
        auto *pledged = qobject_cast<QComboBox *>(p->editor(QString::fromLatin1(c.pledged)));
        QWidget *toWhom = p->editor(QString::fromLatin1(c.toWhom));
        pledged->lineEdit()->clear();
        pledged->setFocus();
        QTest::keyClicks(pledged, QStringLiteral("Y"));
        EXPECT_EQ(p->editorText(QString::fromLatin1(c.pledged)), "Y");
        EXPECT_FALSE(toWhom->isVisible());
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("es"));
        EXPECT_EQ(p->editorText(QString::fromLatin1(c.pledged)), "Yes");
        EXPECT_TRUE(toWhom->isVisible());
        EXPECT_EQ(QApplication::focusWidget(), toWhom);
        EXPECT_EQ(p->editorText(QString::fromLatin1(c.toWhom)), "");
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("First Bank"));
        click(p->okButton);
        EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
        EXPECT_EQ(p->table()->asString("Pledged"), "Yes");
        EXPECT_EQ(p->table()->asString("PledgedTo"), "First Bank");
    }
}

// A stored amount with a half cent shows rounded away from zero in the list
// and the total, and whole in its editor.
TEST_F(Editors, ListAndTotalShowTheStoredAmountRounded)
{
    addRow(dm1->tblCash, client, statement,
           {{"RegisteredName", "Till"}, {"Type", "Checking Account"}, {"Balance", "91235.415"}});
    click(window->findChild<HoverLabel *>(QStringLiteral("s4")));
    EntryPage *cash = window->page(1);
    click(window->findChild<HoverLabel *>(QStringLiteral("s3")));
    EXPECT_EQ(cash->grid->rowTexts(), QStringList{"Checking Account\tTill\t$91,235.42"});
    EXPECT_EQ(cash->totalLabel->text(), "Total: $91,235.42");
    EXPECT_EQ(cash->editorText("d1_5"), "91,235.415");
}
