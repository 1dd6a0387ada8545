#pragma once
// Totals and net worth. Each recalculation reads one schedule table as its
// current view shows it (the caller has narrowed every table to the current
// statement with FilterStatementTables) and writes its sums into the current
// statement row of tblNettora, then refreshes the totals that depend on them.
// Every value is read as a double (empty reads 0) and stored unrounded.

namespace nettora {

void RecalcCash();
void RecalcInvestments();
// Also writes each row's owned value and owed balance. Leaves IncomeTotal and
// ExpenseTotal alone: only RecalcIncome and RecalcExpenditures write those.
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

// Every recalculation of the current statement: assets, liabilities,
// contingent, income, expenditures, then total assets, total liabilities and
// net worth. The caller has called FilterStatementTables(clientId,
// statementId) first. Leaves the schedule tables on their first rows and the
// statement row posted. Used by the command-line companion's import and
// recalc commands. Only the income and expenditure runs write IncomeTotal and
// ExpenseTotal (and their monthly forms), so the order among the schedules
// does not change the stored figures.
void RecalcAll();

}  // namespace nettora
