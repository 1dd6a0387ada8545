// The liabilities window, as real widgets on a real data directory.
#include "entry/statement_fixture.h"

#include "kit/btn_functions.h"
#include "app/windows.h"
#include "data/db_functions.h"
#include "kit/app_state.h"
#include "entry/assets.h"
#include "entry/liabilities.h"

#include <QApplication>
#include <QHeaderView>
#include <QPointer>
#include <QStyle>

using namespace nettora;
using namespace nettora::test;

namespace {

// The page behind each side link, top to bottom.
const struct {
    const char *link, *caption;
    int page;
} kPageLinks[] = {{"s6", "     - Autos", 4},     {"s7", "     - Bank", 5},   {"s3", "     - Credit Cards", 1},
                  {"s5", "     - Mortgages", 3}, {"s8", "     - Taxes ", 6}, {"s10", "     - Other", 8},
                  {"s9", "     - Contingent", 2}};

const char *linkOf(int page)
{
    for (const auto &l : kPageLinks)
        if (l.page == page)
            return l.link;
    return "";
}

}  // namespace

class Liabilities : public StatementTest {
protected:
    void SetUp() override
    {
        StatementTest::SetUp();
        storeTotal("AutoLiability", 999);  // stale: no row says so
        window = new TfrmLiabilities;
        window->show();
        QApplication::processEvents();
    }

    void storeTotal(const char *field, double value)
    {
        dm1->tblNettora->edit();
        dm1->tblNettora->setAsFloat(QString::fromLatin1(field), value);
        dm1->tblNettora->post();
    }
    EntryPage *open(int n)
    {
        click(window->findChild<HoverLabel *>(QString::fromLatin1(linkOf(n))));
        EXPECT_EQ(window->activePage(), window->page(n));
        return window->page(n);
    }
    double stored(const char *field) { return dm1->tblNettora->asFloat(QString::fromLatin1(field)); }

    QPointer<TfrmLiabilities> window;
};

class LiabilitiesWithRows : public Liabilities {
protected:
    void seedRows() override
    {
        addRow(dm1->tblAuto2, client, statement, {{"Description", "2004 Accord"}, {"LoanBalance", "500"}});
    }
};

TEST_F(LiabilitiesWithRows, OpensOnAutosWithTheStoredTotalAndItsLinkRecomputes)
{
    ASSERT_EQ(window->activePage(), window->page(4));
    EntryPage *autos = window->page(4);
    EXPECT_EQ(appState().entry, EntryState::Open);
    EXPECT_EQ(autos->titleLabel->text(), "Liabilities - Autos");
    EXPECT_EQ(autos->totalLabel->text(), "Total: $999.00");
    EXPECT_DOUBLE_EQ(stored("AutoLiability"), 999);
    EXPECT_EQ(autos->grid->rowTexts(), QStringList{"2004 Accord\t$500.00"});
    EXPECT_EQ(window->windowTitle(), WindowCaption());
    EXPECT_EQ(window->size(), QSize(752, 519));
    EXPECT_EQ(window->findChild<HoverLabel *>("s6")->backgroundColor(), ScreenFrame::Green);
    saveScreenshot(window, "liabilities_open");
    open(4);
    EXPECT_EQ(autos->totalLabel->text(), "Total: $500.00");
    EXPECT_DOUBLE_EQ(stored("AutoLiability"), 500);
}

TEST_F(Liabilities, SideLinksNameEveryPageAndTheOtherWindows)
{
    QStringList captions;
    for (const char *name : {"s1", "s2", "s11", "s6", "s7", "s3", "s5", "s8", "s10", "s9", "s14", "s15", "s12", "s13"}) {
        auto *link = window->findChild<HoverLabel *>(QString::fromLatin1(name));
        ASSERT_NE(link, nullptr) << name;
        captions << link->text();
    }
    EXPECT_EQ(captions, (QStringList{"   Personal Information", "   Assets", "   Liabilities", "     - Autos",
                                     "     - Bank", "     - Credit Cards", "     - Mortgages", "     - Taxes ",
                                     "     - Other", "     - Contingent", "   Income", "   Expenses", "   Legal",
                                     "   Notes"}));
    for (const auto &l : kPageLinks) {
        EntryPage *p = open(l.page);
        EXPECT_EQ(p->objectName(), liabilityPages()[size_t(&l - kPageLinks)].name);
    }
    // Assets, and from there back here through the assets window's own link.
    click(window->findChild<HoverLabel *>("s2"));
    QApplication::processEvents();
    EXPECT_TRUE(window.isNull() || !window->isVisible());
    auto *assets = shownWindow<TfrmAssets>();
    ASSERT_NE(assets, nullptr);
    EXPECT_EQ(assets->activePage(), assets->page(1));
    click(assets->findChild<HoverLabel *>("s11"));
    QApplication::processEvents();
    window = shownWindow<TfrmLiabilities>();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->activePage(), window->page(4));
    EXPECT_EQ(CurrentStatementId(), QString::number(statement));
}

TEST_F(Liabilities, PreviewPlaysTheStatement)
{
    QWidget *shownFor = nullptr;
    registerStatementPreview([&](QWidget *parent) { shownFor = parent; });
    for (const auto &l : kPageLinks) {
        shownFor = nullptr;
        click(open(l.page)->previewButton);
        EXPECT_EQ(shownFor, window.data()) << l.page;
    }
}

// Every page's checks in order: each OK reports the first unmet check and
// puts the focus on its editor; filling it moves on to the next, until the
// row is saved with the window's keys and the page's total.
TEST_F(Liabilities, ChecksRunInOrderOnEveryPage)
{
    const struct {
        int page;
        std::vector<std::pair<const char *, const char *>> steps;  // editor, value typed after the message
        std::vector<const char *> messages;
        const char *totalField;
        double total;
        const char *listed;
    } cases[] = {
        {4, {{"d4_1", "2004 Accord"}, {"d4_2", "9,000.00"}},
         {"Please enter \"Description\".", "Please enter \"Loan Balance\"."}, "AutoLiability", 9000,
         "2004 Accord\t$9,000.00"},
        {5, {{"d5_1", "Note"}, {"d5_2", "First Bank"}, {"d5_3", "2500"}},
         {"Please enter \"Description\".", "Please enter \"Bank\".", "Please enter \"Amount\"."}, "BankLiability",
         2500, "Note\tFirst Bank\t$2,500.00"},
        {1, {{"d1_1", "ABC Visa"}, {"d1_2", "750"}},
         {"Please enter \"Card Name\".", "Please enter \"Card Balance\"."}, "CreditCardLiability", 750,
         "ABC Visa\t\t$750.00"},
        {3, {{"d3_1", "12 Elm St"}, {"d3_2", "Vacation"}, {"d3_3", "1999"}, {"d3_4", "100"}, {"d3_5", "50"},
             {"d3_8", "80000"}},
         {"Please enter \"Description\".", "Please enter one of the items provided for \"Property Type\".",
          "Please enter \"Year Acquired\".", "Please enter \"Percent Owned\".", "Please enter \"Percent Liability\".",
          "Please enter \"Current Balance\"."},
         "MortgageLiabilitiesTotals", 40000, "Vacation\t12 Elm St\t$80,000.00\t$40,000.00"},
        {6, {{"d6_1", "1040"}, {"d6_2", "Back taxes"}, {"d6_3", "300"}},
         {"Please enter \"Type of Tax\".", "Please enter \"Description\".", "Please enter \"Amount\"."},
         "TaxLiability", 300, "1040\tBack taxes\t$300.00"},
        {8, {{"d8_1", "Loan from Bob"}, {"d8_2", "50"}, {"d8_3", "1200"}},
         {"Please enter \"Description\".", "Please enter \"Monthly Payment\".", "Please enter \"Amount Owed\"."},
         "OtherLiability", 1200, "Loan from Bob\t$50.00\t$1,200.00"},
        {2, {{"d2_1", "Other"}, {"d2_2", "Acme Leasing"}, {"d2_3", "4000"}},
         {"Please enter one of the items provided for \"Type\".", "Please enter \"To Whom\".",
          "Please enter \"Amount\"."},
         "ContingentLiability", 4000, "Other\tAcme Leasing\t$4,000.00"},
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
            type(p->editor(c.steps[i].first), QString::fromUtf8(c.steps[i].second));
        }
        m_dialogs->clear();
        click(p->okButton);
        EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
        EXPECT_EQ(appState().entry, EntryState::Open);
        EXPECT_EQ(p->table()->recordCount(), 1);
        EXPECT_EQ(p->table()->asString("StatementId"), QString::number(statement));
        EXPECT_EQ(p->table()->asString("ClientId"), QString::number(client));
        EXPECT_DOUBLE_EQ(stored(c.totalField), c.total);
        EXPECT_EQ(p->grid->rowTexts(), QStringList{QString::fromUtf8(c.listed)});
        saveScreenshot(window, QStringLiteral("liabilities_page%1").arg(c.page));
    }
    // Market Value is not asked for here; Contingent is not a liability of the total.
    EXPECT_EQ(dm1->tblRealEstate->asString("MarketValue"), "");
    EXPECT_DOUBLE_EQ(stored("TotalLiabilities"), 9000 + 2500 + 750 + 40000 + 300 + 1200);
}

TEST_F(Liabilities, DropDownsAcceptOnlyTheirItems)
{
    const struct {
        int page;
        const char *editor, *typed;
        bool accepted;
    } cases[] = {
        {2, "d2_1", "Guarantor", true},
        {2, "d2_1", "Special Debts (such as Alimony, Child Support, Etc...)", true},
        {2, "d2_1", "Cosigner", false},
        {2, "d2_1", "other", false},
        {3, "d3_2", "Rental", true},
        {3, "d3_2", "Farm", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        EntryPage *p = open(c.page);
        click(p->addButton);
        const std::pair<const char *, const char *> rest[] = {
            {"d2_2", "Bob"}, {"d2_3", "10"}, {"d3_1", "Lot"}, {"d3_3", "2000"}, {"d3_4", "50"}, {"d3_5", "50"},
            {"d3_8", "10"}};
        for (const auto &[editor, value] : rest)
            if (p->editor(editor))
                type(p->editor(editor), value);
        type(p->editor(c.editor), c.typed);
        m_dialogs->clear();
        click(p->okButton);
        if (c.accepted) {
            EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
            EXPECT_EQ(countRows(c.page == 2 ? "Contingent" : "RealEstate",
                                QStringLiteral("%1 = '%2'").arg(c.page == 2 ? "Description" : "Type", c.typed)),
                      1);
        } else {
            EXPECT_EQ(m_dialogs->texts(), QStringList{c.page == 2
                                                          ? "Please enter one of the items provided for \"Type\"."
                                                          : "Please enter one of the items provided for \"Property Type\"."});
            EXPECT_EQ(p->focusWidget(), p->editor(c.editor));
            click(p->cancelButton);
        }
    }
}

class LiabilitiesToDelete : public Liabilities {
protected:
    void seedRows() override
    {
        addRow(dm1->tblAuto2, client, statement, {{"Description", "2004 Accord"}, {"LoanBalance", "500"}});
        addRow(dm1->tblBank, client, statement, {{"Description", "Line of credit"}, {"Amount", "700"}});
        addRow(dm1->tblCreditCards, client, statement, {{"Description", "ABC Visa"}, {"CurrentBalance", "60"}});
        addRow(dm1->tblRealEstate, client, statement,
               {{"Description", "12 Elm St"}, {"Type", "Rental"}, {"MarketValue", "200000"}, {"PercentOwned", "100"},
                {"CurrentBalance", "90000"}, {"PercentLiability", "100"}});
        addRow(dm1->tblTaxes, client, statement, {{"Description", "1040"}, {"Amount", "300"}});
        addRow(dm1->tblOther, client, statement, {{"Description", "Loan from Bob"}, {"Amount", "1200"}});
        addRow(dm1->tblContingent, client, statement, {{"Description", "Guarantor"}, {"Amount", "4000"}});
    }
};

// No keeps the row yet recomputes the page's total; Yes removes it.
TEST_F(LiabilitiesToDelete, DeleteAsksByPage)
{
    const struct {
        int page;
        const char *table, *totalField;
        double total;
        const char *question;
    } cases[] = {
        {4, "Auto2", "AutoLiability", 500, "You have selected to DELETE the auto liability \"2004 Accord\"."},
        {5, "Bank", "BankLiability", 700, "You have selected to DELETE the liability 'Line of credit'."},
        {1, "CreditCards", "CreditCardLiability", 60, "You have selected to DELETE the account \"ABC Visa\"."},
        {3, "RealEstate", "MortgageLiabilitiesTotals", 90000,
         "You have selected to DELETE the real estate asset \"12 Elm St\"."},
        {6, "Taxes", "TaxLiability", 300, "You have selected to DELETE the tax liability \"1040\"."},
        {8, "Other", "OtherLiability", 1200, "You have selected to DELETE the liability \"Loan from Bob\"."},
        {2, "Contingent", "ContingentLiability", 4000, "You have selected to DELETE the liability \"Guarantor\"."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.page);
        storeTotal(c.totalField, 1);  // stale
        EntryPage *p = window->page(c.page);
        open(c.page);  // the link's own recalculation puts it right...
        storeTotal(c.totalField, 1);  // ...so make it stale again
        m_dialogs->clear();
        m_dialogs->answerWarnings({false, true});
        click(p->deleteButton);
        EXPECT_EQ(m_dialogs->texts(),
                  QStringList{QString::fromUtf8(c.question) + QStringLiteral("\n\r\n\rDo you wish to continue?")});
        EXPECT_EQ(m_dialogs->shown().front().kind, "warning");
        EXPECT_EQ(countRows(c.table), 1);
        EXPECT_DOUBLE_EQ(stored(c.totalField), c.total);
        click(p->deleteButton);
        EXPECT_EQ(countRows(c.table), 0);
        EXPECT_DOUBLE_EQ(stored(c.totalField), 0);
        EXPECT_EQ(p->totalLabel->text(), "Total: $00.00");
    }
    // The mortgage went with its property: the assets no longer hold it.
    EXPECT_DOUBLE_EQ(stored("RealEstateTotals"), 0);
    EXPECT_DOUBLE_EQ(stored("TotalAssets"), 0);
    EXPECT_DOUBLE_EQ(stored("TotalLiabilities"), 0);
}

// A property entered on either window is listed on the other; the assets
// window still asks for the market value the Mortgages page leaves out.
TEST_F(Liabilities, MortgagesAndRealEstateShareTheirProperties)
{
    EntryPage *mortgages = open(3);
    click(mortgages->addButton);
    type(mortgages->editor("d3_1"), "Lake cabin");
    type(mortgages->editor("d3_2"), "Vacation");
    type(mortgages->editor("d3_3"), "2010");
    type(mortgages->editor("d3_4"), "100");
    type(mortgages->editor("d3_5"), "100");
    type(mortgages->editor("d3_6"), "First Bank");
    type(mortgages->editor("d3_8"), "60000");
    click(mortgages->okButton);
    ASSERT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();

    click(window->findChild<HoverLabel *>("s2"));
    QApplication::processEvents();
    auto *assets = shownWindow<TfrmAssets>();
    ASSERT_NE(assets, nullptr);
    click(assets->findChild<HoverLabel *>("s5"));
    EntryPage *realEstate = assets->page(3);
    ASSERT_EQ(assets->activePage(), realEstate);
    EXPECT_EQ(realEstate->grid->rowTexts(), QStringList{"Vacation\tLake cabin\t\t$0.00"});
    EXPECT_EQ(realEstate->editorText("d3_6"), "First Bank");
    click(realEstate->editButton);
    click(realEstate->okButton);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Please enter \"Market Value\"."});
    type(realEstate->editor("d3_7"), "150000");
    m_dialogs->clear();
    click(realEstate->okButton);
    ASSERT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
    click(realEstate->addButton);
    type(realEstate->editor("d3_1"), "Main St duplex");
    type(realEstate->editor("d3_2"), "Rental");
    type(realEstate->editor("d3_3"), "2015");
    type(realEstate->editor("d3_4"), "50");
    type(realEstate->editor("d3_5"), "50");
    type(realEstate->editor("d3_7"), "300000");
    type(realEstate->editor("d3_8"), "100000");
    click(realEstate->okButton);
    ASSERT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
    EXPECT_DOUBLE_EQ(stored("RealEstateTotals"), 150000 + 150000);

    click(assets->findChild<HoverLabel *>("s11"));
    QApplication::processEvents();
    window = shownWindow<TfrmLiabilities>();
    ASSERT_NE(window, nullptr);
    mortgages = open(3);
    EXPECT_EQ(mortgages->grid->rowTexts(), (QStringList{"Rental\tMain St duplex\t$100,000.00\t$50,000.00",
                                                        "Vacation\tLake cabin\t$60,000.00\t$60,000.00"}));
    EXPECT_EQ(mortgages->totalLabel->text(), "Total: $110,000.00");

    // Deleting the mortgage deletes the property.
    m_dialogs->clear();
    m_dialogs->answerWarnings({true});
    click(mortgages->deleteButton);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"You have selected to DELETE the real estate asset \"Main St duplex\"."
                                              "\n\r\n\rDo you wish to continue?"});
    EXPECT_EQ(countRows("RealEstate"), 1);
    EXPECT_EQ(countRows("RealEstate", "Description = 'Main St duplex'"), 0);
    EXPECT_DOUBLE_EQ(stored("RealEstateTotals"), 150000);
    EXPECT_DOUBLE_EQ(stored("MortgageLiabilitiesTotals"), 60000);
    EXPECT_DOUBLE_EQ(stored("TotalAssets"), 150000);
}

TEST_F(Liabilities, MaturityTakesRealDatesOnly)
{
    const struct {
        const char *typed;
        const char *refusal;  // nullptr: accepted
        const char *kept;
    } cases[] = {
        {"02/30/25", "'02/30/25' is not a valid date in Maturity Date. Type it as month/day/year, like 12/31/09.",
         nullptr},
        {"13/01/25", "'13/01/25' is not a valid date in Maturity Date. Type it as month/day/year, like 12/31/09.",
         nullptr},
        {"12/31", "'12/31' is not a valid date in Maturity Date. Type it as month/day/year, like 12/31/09.", nullptr},
        {"02/28/25", nullptr, "02/28/25"},
        {"12/31/2009", nullptr, "12/31/09"},
        {"", nullptr, ""},
    };
    EntryPage *p = open(2);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        click(p->addButton);
        type(p->editor("d2_1"), "Guarantor");
        type(p->editor("d2_2"), "Bob");
        type(p->editor("d2_3"), "10");
        type(p->editor("d2_5"), QString::fromLatin1(c.typed));
        m_dialogs->clear();
        click(p->okButton);
        if (c.refusal) {
            EXPECT_EQ(m_dialogs->texts(), QStringList{QString::fromLatin1(c.refusal)});
            EXPECT_EQ(appState().entry, EntryState::Closed);
            EXPECT_EQ(p->table()->state(), RecordState::Insert);
            EXPECT_EQ(p->focusWidget(), p->editor("d2_5"));
            EXPECT_EQ(p->editorText("d2_5"), c.typed);
            EXPECT_EQ(countRows("Contingent"), 0);
            click(p->cancelButton);
        } else {
            EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
            EXPECT_EQ(p->table()->asString("Maturity"), c.kept);
            EXPECT_EQ(p->editorText("d2_5"), c.kept);
            p->table()->first();
            m_dialogs->answerWarnings({true});
            click(p->deleteButton);
        }
    }
    EXPECT_EQ(countRows("Contingent"), 0);
}

TEST_F(Liabilities, ARowLeftHalfTypedIsAskedAbout)
{
    EntryPage *autos = window->page(4);
    click(autos->addButton);
    type(autos->editor("d4_1"), "Half typed");
    type(autos->editor("d4_2"), "10");
    m_dialogs->answerSaveQuestions({SaveChoice::Discard});
    open(5);
    ASSERT_EQ(m_dialogs->shown().size(), 1u);
    EXPECT_EQ(m_dialogs->shown()[0].text, "Save the changes to " + autos->description().title + "?");
    EXPECT_EQ(appState().entry, EntryState::Open);
    EXPECT_EQ(countRows("Auto2"), 0);
    EntryPage *bank = window->page(5);
    click(bank->addButton);
    type(bank->editor("d5_1"), "Half typed");
    // Saved, the half-typed row meets its checks and the window stays.
    m_dialogs->clear();
    m_dialogs->answerSaveQuestions({SaveChoice::Save});
    click(window->findChild<HoverLabel *>("s2"));
    QApplication::processEvents();
    ASSERT_EQ(m_dialogs->shown().size(), 2u);
    EXPECT_EQ(m_dialogs->shown()[1].kind, "error");
    EXPECT_EQ(shownWindow<TfrmAssets>(), nullptr);
    EXPECT_EQ(appState().entry, EntryState::Closed);
    EXPECT_EQ(bank->editorText("d5_1"), "Half typed");
    click(bank->cancelButton);
    click(window->findChild<HoverLabel *>("s2"));
    QApplication::processEvents();
    EXPECT_NE(shownWindow<TfrmAssets>(), nullptr);
    EXPECT_EQ(appState().entry, EntryState::Open);
    EXPECT_EQ(countRows("Bank"), 0);
}

TEST_F(Liabilities, HintsFollowThePointerAndStayAsAPageOpens)
{
    // Captions, and the note after the maturity date's box, which says what
    // its caption says.
    const struct {
        int page;
        const char *label;
        QStringList lines;
    } cases[] = {
        {5, "lbl_d5_4",
         {"Registered in the name of:", "Individual, group or company, whose name is signed on.",
          "bank the loan documents."}},
        {1, "lbl_d1_3", {"Card Limit: ", "The total amount of credit that us allowed to be .", "used on the credit card."}},
        {3, "lbl_d3_8", {"Current Balance:", "The total amount owed on the property."}},
        {3, "lbl_d3_5",
         {"Percent of Liability:", "Enter the percent of the liability (Amount you are responsible for).",
          "If you are liable for 50% of the property, enter 50 not .50."}},
        {2, "lbl_d2_5", {"Maturity Date: ", "The date the liability ends or is completely paid."}},
        {2, "lbl_d2_5_note", {"Maturity Date: ", "The date the liability ends or is completely paid."}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        EntryPage *p = open(c.page);
        moveOver(p);
        auto *label = p->findChild<QLabel *>(QString::fromLatin1(c.label));
        ASSERT_NE(label, nullptr);
        hover(label);
        QStringList shown;
        for (QLabel *l : {p->hint1, p->hint2, p->hint3})
            if (l->isVisible())
                shown << l->text();
        EXPECT_EQ(shown, c.lines);
        saveScreenshot(window, QStringLiteral("liabilities_hint_%1").arg(QLatin1String(c.label)));
        open(c.page);
        EXPECT_TRUE(p->hint1->isVisible());
        moveOver(p);
        EXPECT_FALSE(p->hint1->isVisible());
    }
}

// Every column heading and editor caption shows whole, and the pages' lists
// fit their box.
TEST_F(Liabilities, EveryCaptionFits)
{
    for (const auto &l : kPageLinks) {
        EntryPage *p = open(l.page);
        SCOPED_TRACE(p->titleLabel->text().toStdString());
        QHeaderView *header = p->grid->horizontalHeader();
        const int margin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        int used = p->grid->verticalHeader()->width();
        for (int i = 0; i < header->count(); ++i) {
            const QString title = p->grid->model()->headerData(i, Qt::Horizontal).toString();
            EXPECT_GE(header->sectionSize(i), header->fontMetrics().horizontalAdvance(title) + margin)
                << title.toStdString();
            used += header->sectionSize(i);
        }
        EXPECT_LE(used, p->grid->viewport()->width() + p->grid->verticalHeader()->width());
        for (const EditorSpec &e : p->description().editors) {
            QLabel *caption = p->captionOf(e.name);
            EXPECT_GE(caption->width(), caption->fontMetrics().horizontalAdvance(caption->text()))
                << e.caption.toStdString();
            EXPECT_LE(caption->geometry().right(), p->editor(e.name)->x()) << e.caption.toStdString();
        }
        saveScreenshot(window, QStringLiteral("liabilities_empty_page%1").arg(l.page));
    }
}
