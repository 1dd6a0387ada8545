#pragma once
// What the windows hand to one another while the program runs: which client
// window mode is chosen, whether the login is pending, whether an entry page
// browses or edits, and so on. One object holds it all, so a reader sees the
// whole of it in one place and a test starts from a clean state with one
// call. The words the user sees for a mode ("Select Client to Print") come
// from modeWord, at the place they are shown.

#include <QString>

namespace nettora {

// How the client window is opened, and so what choosing a client does.
enum class ClientMode { None, Add, Edit, Update, Delete, Print, Email, Pdf };
// "Add", "Edit", ... "PDF": the mode as the window headings say it.
QString modeWord(ClientMode mode);

// None until the home window has asked for the login once.
enum class LoginState { None, Pending, Done };
// An entry page either browses (Open: the menu and links work) or edits a
// row (Closed: they are disabled until OK or Cancel).
enum class EntryState { None, Open, Closed };
enum class IncomeExpensePage { None, Income, Expenses };
enum class OptionsPage { None, User, Email };

struct AppState {
    ClientMode clientMode = ClientMode::None;
    LoginState login = LoginState::None;
    EntryState entry = EntryState::None;
    IncomeExpensePage incomeExpensePage = IncomeExpensePage::None;
    OptionsPage optionsStartPage = OptionsPage::None;
    QString selectedClientId;
    // Where the last PDF was written (the folder with a trailing separator)
    // and under which name.
    QString pdfFolder;
    QString pdfFileName;
    // The folder the PDF page offers again while the program runs.
    QString lastPdfFolder;
};

// The one instance, owned by the process for its whole run.
AppState &appState();
// Back to the state at process start (tests run many "processes" in one).
void resetAppState();

}  // namespace nettora
