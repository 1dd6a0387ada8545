// Whichever way the user leaves an entry window with a row half typed, the
// window asks "Save the changes to ...?" first: Save stores the row through
// its checks, Discard drops it for good (nothing that runs next stores it),
// Cancel stays with the row as typed. A link that comes back (about) asks
// nothing and keeps the row as typed.
#include "entry/statement_fixture.h"

#include "kit/btn_functions.h"
#include "app/windows.h"
#include "calc/section_totals.h"
#include "data/db_functions.h"
#include "kit/app_state.h"
#include "entry/entrywindow.h"
#include "entry/page_parts.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <functional>

using namespace nettora;
using namespace nettora::test;

namespace {

// The least a window on the entry page is made of: one page description,
// its side links, and opening on its page.
class TaxesOnlyWindow : public EntryWindow {
public:
    TaxesOnlyWindow()
    {
        PageSpec taxes;
        taxes.number = 1;
        taxes.name = QStringLiteral("tsTaxes");
        taxes.title = QStringLiteral("Liabilities - Taxes");
        taxes.table = QStringLiteral("Taxes");
        taxes.order = QStringLiteral("DESCRIPTION");
        taxes.columns = {{QStringLiteral("Description"), QStringLiteral("Description"), 350},
                         {QStringLiteral("Amount"), QStringLiteral("Amount"), 100}};
        taxes.editors = {pageparts::ed(QStringLiteral("d1_1"), "* Description:", "Description"),
                         pageparts::ed(QStringLiteral("d1_2"), "* Amount:", "Amount", EditorKind::Money)};
        taxes.focusEditor = QStringLiteral("d1_1");
        taxes.checks = {pageparts::required(QStringLiteral("d1_1"), "Description"),
                        pageparts::required(QStringLiteral("d1_2"), "Amount")};
        taxes.deleteQuestion = [](Table *t) { return t->asString("Description"); };
        taxes.totalField = QStringLiteral("TaxLiability");
        taxes.recalc = RecalcTaxes;
        addEntryPage(std::move(taxes));
        linkToWindow(QStringLiteral("   Personal Information"), openPersonalInformation);
        // A link made with the frame alone, as any window may have.
        addSideLink(QStringLiteral("   Assets"), nullptr, [this] {
            if (OpenAssetsWindow())
                close();
        });
    }

protected:
    void firstShown() override { openFirst(1); }
};

struct WayOut {
    const char *name;
    std::function<void(TaxesOnlyWindow *)> take;
    bool leaves;  // false: the window stays, the row still being typed
};

const WayOut kWaysOut[] = {
    {"PersonalInformationLink", [](TaxesOnlyWindow *w) { click(w->sideLinks()[0]); }, true},
    {"AssetsLink", [](TaxesOnlyWindow *w) { click(w->sideLinks()[1]); }, true},
    {"Home", [](TaxesOnlyWindow *w) { click(w->mExit); }, true},
    {"Security", [](TaxesOnlyWindow *w) { click(w->mSecurity); }, true},
    {"Closing", [](TaxesOnlyWindow *w) { w->close(); }, true},
    {"About",
     [](TaxesOnlyWindow *w) {
         QTimer::singleShot(0, [] {
             if (auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                 modal->reject();
         });
         click(w->mAbout);
     },
     false},
};

struct Case {
    int way;      // into kWaysOut
    bool adding;  // a new row, or the stored one edited
    SaveChoice choice;
};

std::vector<Case> allCases()
{
    std::vector<Case> out;
    for (int w = 0; w < int(std::size(kWaysOut)); ++w)
        for (bool adding : {true, false}) {
            if (!kWaysOut[w].leaves) {
                out.push_back({w, adding, SaveChoice::Cancel});  // nothing is asked
                continue;
            }
            for (SaveChoice choice : {SaveChoice::Save, SaveChoice::Discard, SaveChoice::Cancel})
                out.push_back({w, adding, choice});
        }
    return out;
}

std::string caseName(const ::testing::TestParamInfo<Case> &info)
{
    const char *choices[] = {"Save", "Discard", "Cancel"};
    return std::string(kWaysOut[info.param.way].name) + (info.param.adding ? "Adding" : "Editing")
           + (kWaysOut[info.param.way].leaves ? choices[int(info.param.choice)] : "");
}

}  // namespace

class PendingRows : public StatementTest, public ::testing::WithParamInterface<Case> {
protected:
    void seedRows() override
    {
        addRow(dm1->tblTaxes, client, statement, {{"Description", "Property tax"}, {"Amount", "1200"}});
    }
    void statementMadeCurrent() override { RecalcTaxes(); }
    TaxesOnlyWindow *openWindow()
    {
        narrow();
        auto *w = new TaxesOnlyWindow;
        w->show();
        QApplication::processEvents();
        return w;
    }
    // Adds a new row or edits the stored one and types into the editors.
    // An OK refused by the amount has already taken the description into
    // the row: the row holds typed text that no check has passed.
    void typeRow(EntryPage *page, bool adding)
    {
        if (adding) {
            click(page->addButton);
        } else {
            page->grid->selectRow(0);
            click(page->editButton);
        }
        type(page->editor("d1_1"), "Typed tax");
        type(page->editor("d1_2"), "12abc");
        click(page->okButton);
        ASSERT_EQ(m_dialogs->texts(), QStringList{"'12abc' is not a valid number in Amount."});
        m_dialogs->clear();
        type(page->editor("d1_2"), "999");
        ASSERT_EQ(appState().entry, EntryState::Closed);
        ASSERT_EQ(page->table()->asString("Description"), "Typed tax");
    }
    double taxTotal() { return stored("Nettora", statement, "TaxLiability").toDouble() / 10000; }
    int ownRows(const QString &where)
    {
        return countRows(QStringLiteral("Taxes"),
                         QStringLiteral("ClientId = '%1' AND StatementId = '%2' AND %3").arg(client).arg(statement).arg(where));
    }

};

TEST_P(PendingRows, LeavingAsksAndDoesWhatWasAnswered)
{
    const Case c = GetParam();
    const WayOut &way = kWaysOut[c.way];
    QPointer<TaxesOnlyWindow> w = openWindow();
    EntryPage *page = w->page(1);
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->grid->rowTexts().size(), 1);
    typeRow(page, c.adding);

    if (way.leaves)
        m_dialogs->answerSaveQuestions({c.choice});
    way.take(w);
    QApplication::processEvents();
    if (way.leaves) {
        ASSERT_FALSE(m_dialogs->shown().empty());
        EXPECT_EQ(m_dialogs->shown()[0].kind, "save");
        EXPECT_EQ(m_dialogs->shown()[0].text, "Save the changes to Liabilities - Taxes?");
    }
    m_dialogs->clear();
    const bool left = w.isNull() || !w->isVisible();
    ASSERT_EQ(left, way.leaves && c.choice != SaveChoice::Cancel);

    if (!left) {
        // The row is still being typed, as typed, and OK stores it with the
        // window's keys.
        EXPECT_EQ(appState().entry, EntryState::Closed);
        EXPECT_EQ(page->editorText("d1_1"), "Typed tax");
        EXPECT_EQ(page->editorText("d1_2"), "999");
        click(page->okButton);
        EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
        EXPECT_EQ(countRows("Taxes"), c.adding ? 2 : 1);
        EXPECT_EQ(ownRows("Description = 'Typed tax' AND Amount = 9990000"), 1);
        EXPECT_DOUBLE_EQ(taxTotal(), c.adding ? 2199 : 999);
        return;
    }

    if (c.choice == SaveChoice::Save) {
        EXPECT_EQ(countRows("Taxes"), c.adding ? 2 : 1);
        EXPECT_EQ(ownRows("Description = 'Typed tax' AND Amount = 9990000"), 1);
        EXPECT_DOUBLE_EQ(taxTotal(), c.adding ? 2199 : 999);
        return;
    }

    EXPECT_EQ(countRows("Taxes"), 1) << "a discarded row was stored";
    EXPECT_EQ(ownRows("Description = 'Property tax' AND Amount = 12000000"), 1);
    EXPECT_DOUBLE_EQ(taxTotal(), 1200);

    // Whatever runs next, the row left behind is not stored by it: the same
    // window opened again saves a row of its own, and only that.
    closeScreenWindows();
    QPointer<TaxesOnlyWindow> next = openWindow();
    EntryPage *again = next->page(1);
    EXPECT_EQ(again->grid->rowTexts().size(), 1);
    click(again->addButton);
    EXPECT_EQ(again->editorText("d1_1"), "");
    type(again->editor("d1_1"), "Water bill");
    type(again->editor("d1_2"), "80");
    click(again->okButton);
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
    EXPECT_EQ(countRows("Taxes"), 2);
    EXPECT_EQ(ownRows("Description = 'Property tax' AND Amount = 12000000"), 1);
    EXPECT_EQ(ownRows("Description = 'Water bill' AND Amount = 800000"), 1);
    EXPECT_DOUBLE_EQ(taxTotal(), 1280);
}

// A Save whose checks refuse shows the page's own message and stays, with
// the row still as typed; nothing is stored.
TEST_F(PendingRows, ASaveThatFailsItsChecksStays)
{
    QPointer<TaxesOnlyWindow> w = openWindow();
    EntryPage *page = w->page(1);
    click(page->addButton);
    type(page->editor("d1_1"), "Half typed");
    m_dialogs->answerSaveQuestions({SaveChoice::Save});
    click(w->mExit);
    QApplication::processEvents();
    EXPECT_EQ(m_dialogs->texts(), (QStringList{"Save the changes to Liabilities - Taxes?", "Please enter \"Amount\"."}));
    ASSERT_FALSE(w.isNull());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(appState().entry, EntryState::Closed);
    EXPECT_EQ(page->editorText("d1_1"), "Half typed");
    EXPECT_EQ(countRows("Taxes"), 1);
}

// Nothing typed, nothing asked: an untouched row in edit is let go.
TEST_F(PendingRows, AnUntouchedRowAsksNothing)
{
    QPointer<TaxesOnlyWindow> w = openWindow();
    EntryPage *page = w->page(1);
    click(page->addButton);
    w->close();
    QApplication::processEvents();
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
    EXPECT_TRUE(w.isNull() || !w->isVisible());
    EXPECT_EQ(countRows("Taxes"), 1);
}

INSTANTIATE_TEST_SUITE_P(EveryWayOut, PendingRows, ::testing::ValuesIn(allCases()), caseName);
