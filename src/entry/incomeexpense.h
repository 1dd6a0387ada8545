#pragma once
// The income and expenditures window: the statement's annual income items
// and annual expense items, each page an entry page. The opener chooses the
// page through the application state.

#include "entry/entrywindow.h"

namespace nettora {

class TfrmIncomeAndExpense : public EntryWindow {
    Q_OBJECT
public:
    explicit TfrmIncomeAndExpense(QWidget *parent = nullptr);

    // Shows page 1 (income) or 2 (expenses) in browse state, as its side
    // link does: nothing is refiltered or recomputed.
    void switchToPage(int number);

protected:
    void firstShown() override;
};

// The two page descriptions, income then expenses (also for tests).
std::vector<PageSpec> incomeExpensePages();

}  // namespace nettora
