#include "entry/incomeexpense.h"

#include "kit/btn_functions.h"
#include "kit/dialogs.h"
#include "calc/section_totals.h"
#include "data/db_functions.h"
#include "kit/app_state.h"
#include "entry/amounts.h"
#include "entry/page_parts.h"

namespace nettora {

namespace {

using namespace pageparts;

constexpr int kEditorLeft = 190;
constexpr int kEditorRight = 508;  // the list's right edge

struct Kind {
    int number;
    const char *name, *title, *table, *typeHeading, *deleteOpening, *total, *hintName;
    QStringList types;
    QStringList typeHint, descriptionHint, amountHint;
    void (*recalc)();
};

PageSpec page(const Kind &k)
{
    const QString d = QStringLiteral("d%1_").arg(k.number);
    PageSpec p;
    p.number = k.number;
    p.name = QString::fromLatin1(k.name);
    p.title = QString::fromLatin1(k.title);
    p.table = QString::fromLatin1(k.table);
    // The browse index the filters choose; the page sets no order of its own.
    p.order = QStringLiteral("PRIMARY");
    p.columns = {text("Type", k.typeHeading, 200), text("Description", "Description", 150),
                 amount("Amount", "Amount", 100)};
    EditorSpec type = ed(d + QLatin1Char('1'), "* Type:", "Type", EditorKind::Choice, k.typeHint);
    type.items = QStringList{QString()} + k.types;
    p.editors = {type, ed(d + QLatin1Char('2'), "* Description:", "Description", EditorKind::Text, k.descriptionHint),
                 ed(d + QLatin1Char('3'), "* Amount:", "Amount", EditorKind::Money, k.amountHint)};
    p.focusEditor = d + QLatin1Char('1');
    p.checks = {oneOf(d + QLatin1Char('1'), "Type", k.types), required(d + QLatin1Char('2'), "Description"),
                required(d + QLatin1Char('3'), "Amount")};
    p.deleteQuestion = deleteQuestion(k.deleteOpening);
    p.totalField = QString::fromLatin1(k.total);
    p.recalc = k.recalc;
    p.hintName = QString::fromLatin1(k.hintName);
    // The monthly amount no editor shows, kept to every digit the field holds.
    p.beforePost = [](Table *t) { DeriveMonthlyAmount(t); };
    if (k.number == 1)
        p.okName = QStringLiteral("B1OK");
    return p;
}

}  // namespace

std::vector<PageSpec> incomeExpensePages()
{
    const Kind income{1,
                      "tsIncome",
                      "Annual Income",
                      "Incomes",
                      "Type of Income",
                      "You have selected to DELETE the income ",
                      "IncomeTotal",
                      "lbldef_inc",
                      {"Bonuses and Commissions", "Dividends and Interest Income", "Net Real Estate Income",
                       "Oil and Gas Income / Royalties", "Salaries and Wages (Individual)",
                       "Salaries and Wages (Spouse)", "All Other Income"},
                      {"Type:", "Enter the type of expense.  If the description does not match",
                       "the income, choose 'All Other Income'."},
                      {"Description:", "Brief explantion of the yearly income. "},
                      {"Amount:", "The yearly amount of income. "},
                      RecalcIncome};
    const Kind expenses{2,
                        "tsExpense",
                        "Annual Expenses",
                        "Expenditure",
                        "Type of Expense",
                        "You have selected to DELETE the expense ",
                        "ExpenseTotal",
                        "lbldef_exp",
                        {"Alimony, Child Support, etc.", "Auto, Life and Health Insurance Premium",
                         "Installment Payment (Auto, Credit Card, etc.)", "Lease Obligation", "Mortgage Payment",
                         "Other Debt Service", "Rental Payment", "All Other Obligations"},
                        {"Type:", "Enter the type of expense.  If the description does not match",
                         "the expense, choose 'All Other Obligations'."},
                        {"Description:", "Brief explantion of the yearly expense. "},
                        {"Amount:", "The yearly amount owed to the expense. "},
                        RecalcExpenditures};
    return {page(income), page(expenses)};
}

TfrmIncomeAndExpense::TfrmIncomeAndExpense(QWidget *parent) : EntryWindow(parent)
{
    setObjectName(QStringLiteral("TfrmIncomeAndExpense"));
    setPageTop(88);
    for (PageSpec &p : incomeExpensePages())
        addEntryPage(std::move(p));
    page(1)->cancelButton->setObjectName(QStringLiteral("B1Cancel"));
    // The captions are short and the longest type is long: the editors start
    // nearer their captions so that "Installment Payment (Auto, Credit Card,
    // etc.)" shows whole in its box.
    for (EntryPage *p : pages()) {
        for (const EditorSpec &e : p->description().editors) {
            QWidget *box = p->editor(e.name);
            QLabel *caption = p->captionOf(e.name);
            caption->setGeometry(caption->x(), caption->y(), kEditorLeft - 4 - caption->x(), caption->height());
            box->setGeometry(kEditorLeft, box->y(), kEditorRight - kEditorLeft, box->height());
        }
    }

    auto toPage = [this](const char *caption, int number) {
        return addSideLink(QString::fromLatin1(caption), page(number), [this, number] { switchToPage(number); });
    };
    linkToWindow(QStringLiteral("   Personal Information"), openPersonalInformation)->setObjectName(QStringLiteral("s1"));
    linkToWindow(QStringLiteral("   Assets"), OpenAssetsWindow)->setObjectName(QStringLiteral("s2"));
    linkToWindow(QStringLiteral("   Liabilities"), OpenLiabilitiesWindow)->setObjectName(QStringLiteral("s3"));
    toPage("   Income", 1)->setObjectName(QStringLiteral("s5"));
    toPage("   Expenses", 2)->setObjectName(QStringLiteral("s6"));
    linkToWindow(QStringLiteral("   Legal"), OpenLegalWindow)->setObjectName(QStringLiteral("s4"));
    linkToWindow(QStringLiteral("   Notes"), OpenNotesWindow)->setObjectName(QStringLiteral("s7"));
}

void TfrmIncomeAndExpense::switchToPage(int number)
{
    EntryPage *p = page(number);
    if (!p)
        return;
    appState().entry = EntryState::Open;
    // Without a refilter nothing else would drop a row left half-typed, on
    // this page or the other: it is never saved without its checks and keys.
    for (EntryPage *each : pages())
        each->discardPending();
    p->applyState();
    openPage(p);
    p->pageShown();
}

void TfrmIncomeAndExpense::firstShown()
{
    // Refused, the page still opens on the totals as stored.
    guarded([this] {
        takeCurrentStatement();
        narrowToOwnStatement();
        RecalcIncome();
        RecalcExpenditures();
    });
    if (appState().incomeExpensePage == IncomeExpensePage::Income)
        switchToPage(1);
    else if (appState().incomeExpensePage == IncomeExpensePage::Expenses)
        switchToPage(2);
}

}  // namespace nettora
