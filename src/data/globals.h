#pragma once
// The process-wide texts through which windows and routines hand state to one
// another. All start empty; only their exact text counts.

#include <QString>

namespace nettora {

extern QString ClientWindowMode;        // "Add", "Edit", "Update", "Delete", "Print", "Email", "PDF"
extern QString LoginPending;            // "", "Y", "N"
extern QString EntryMode;               // "Open" / "Closed"
extern QString IncomeExpensePage;       // "Income" / "Expenses"
extern QString OptionsStartPage;        // "user" / "email"
extern QString SelectedClientId;
extern QString PdfFolder;
extern QString PdfFileName;
// The folder of the last PDF file, offered again while the program runs.
extern QString LastPdfFolder;

// Back to the state at process start (tests run many "processes" in one).
void resetProcessTexts();

}  // namespace nettora
