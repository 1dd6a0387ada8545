#pragma once
// Totals and net worth. Each recalculation reads one schedule table as its
// current view shows it (the caller has narrowed every table to the current
// statement with FilterStatementTables) and writes its sums into the current
// statement row of tblNettora, then refreshes the totals that depend on them.
// Every value is read as a double (empty reads 0) and stored unrounded.

namespace nettora {

void RecalcCash();
void RecalcInvestments();
void RecalcRealEstate();
void RecalcAutos();
void RecalcLifeInsurance();
void RecalcPersonalAssets();
void RecalcBusinessAssets();
void RecalcOtherAssets();
void RecalcAutoLoans();
void RecalcBankNotes();
void RecalcCreditCards();
void RecalcTaxes();
void RecalcOtherLiabilities();
void RecalcContingent();
void RecalcIncome();
void RecalcExpenditures();
void RecalcTotalAssets();
void RecalcTotalLiabilities();
void RecalcNetWorth();
// Writes "0" into each empty headline total of the statement row, which must
// already be in edit or insert state; does not post.
void FillEmptyTotals();

// Every recalculation of the current statement, in an order that leaves each
// stored figure as the windows would (income and expenditures last, since
// the real-estate run rewrites their totals with partial sums otherwise).
void RecalcAll();

}  // namespace nettora
