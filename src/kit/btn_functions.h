#pragma once
// The window openers and menu actions every window shares. An opener
// creates its window, shows it and returns it (nullptr when that window is
// not part of this build); the caller decides whether to close or hide
// itself.

#include "kit/app_state.h"

#include <QString>
#include <QWidget>
#include <functional>

namespace nettora {

QWidget *OpenClientWindow(ClientMode mode);
QWidget *OpenOptionsWindow();
// The options window on its e-mail settings (the e-mail page's link).
QWidget *OpenEmailSetupWindow();
// The print options; the options window opens them from its side links.
QWidget *OpenPrintOptionsWindow();
QWidget *OpenSecurityWindow();
QWidget *OpenBackupWindow();
QWidget *OpenRestoreWindow();
QWidget *OpenAssetsWindow();
QWidget *OpenLiabilitiesWindow();
QWidget *OpenLegalWindow();
QWidget *OpenNotesWindow();
QWidget *OpenClientInformationWindow();
QWidget *OpenIncomeExpenseWindow(IncomeExpensePage page);
// The same on its Income or its Expenses page.
QWidget *OpenIncomeWindow();
QWidget *OpenExpensesWindow();
QWidget *OpenBlankStatementWindow();
// The statement workspace for the client and mode just chosen.
QWidget *OpenStatementWorkspace();

// The home window is only hidden, never closed, while the program runs; it
// tells the openers where it is.
class ScreenFrame;
void setHomeWindow(ScreenFrame *home);
ScreenFrame *homeWindow();
// Shows the home window again with its menu reset.
void ShowHomeWindow();

void GoHome();
void ExitProgram();
void CheckForUpdate();
void OpenHelpFile();
void ShowAboutWindow();
void OpenAffiliatePage();

// Open while a data-entry page browses; otherwise tells the user why the
// action is disabled and returns Closed.
EntryState CheckEntryMode();

// Where the user manual (an HTML page) is: in help/ beside the program, one
// folder up (as the build lays it out), or in share/nettora/help of an
// installation. The first of these when none holds it.
QString helpFilePath();
// Shows the manual file in the default browser; when it is missing or the
// desktop cannot show it, tells the user where it is. OpenHelpFile shows
// the one helpFilePath finds.
bool OpenManual(const QString &file);

// Windows built in other units register how they are made, so that the
// openers need not know every window class. A modal window (TfrmAbout) is
// run to its end by its opener.
void registerWindowFactory(const QString &className, std::function<QWidget *()> make);

// The Preview buttons of the entry windows show the whole statement through
// the report preview, which registers itself here.
void registerStatementPreview(std::function<void(QWidget *)> show);
// A data file that does not open once the password has unlocked its key
// (damaged, or not the one the key file belongs to): the restore window
// offers a backup in its place. True when the data was restored.
void registerRestoreInstead(std::function<bool(const QString &)> offer);
bool RestoreInsteadOfData(const QString &why);
void ShowStatementPreview(QWidget *parent);

}  // namespace nettora
