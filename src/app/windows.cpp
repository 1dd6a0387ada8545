#include "app/windows.h"

#include "kit/btn_functions.h"
#include "app/about.h"
#include "app/fsmain.h"
#include "backup/backup.h"
#include "backup/restore.h"
#include "clients/client.h"
#include "clients/clientadd.h"
#include "entry/assets.h"
#include "entry/incomeexpense.h"
#include "entry/legal.h"
#include "entry/notes.h"
#include "entry/liabilities.h"
#include "mail/email_sequence.h"
#include "reports/optionsprint.h"
#include "reports/blankwindow.h"
#include "reports/preview.h"
#include "settings/options.h"
#include "settings/security.h"

#include <QApplication>

namespace nettora {

void registerAllWindows()
{
    // One line per window: registerWindowFactory("TfrmX", [] { return new TfrmX; });
    registerWindowFactory(QStringLiteral("TfrmClient"), [] { return new TfrmClient; });
    registerWindowFactory(QStringLiteral("TfrmFSMain"), [] {
        auto *workspace = new TfrmFSMain;
        workspace->show();
        workspace->openForMode();  // needs the shown window
        return workspace;
    });
    registerWindowFactory(QStringLiteral("TfrmSecurity"), [] { return new TfrmSecurity; });
    registerWindowFactory(QStringLiteral("TfrmAbout"), [] { return new TfrmAbout(QApplication::activeWindow()); });
    registerWindowFactory(QStringLiteral("TfrmClientAdd"), [] { return new TfrmClientAdd; });
    registerWindowFactory(QStringLiteral("TfrmAssets"), [] { return new TfrmAssets; });
    registerWindowFactory(QStringLiteral("TfrmIncomeAndExpense"), [] { return new TfrmIncomeAndExpense; });
    registerWindowFactory(QStringLiteral("TfrmLegal"), [] { return new TfrmLegal; });
    registerWindowFactory(QStringLiteral("TfrmNotes"), [] { return new TfrmNotes; });
    registerWindowFactory(QStringLiteral("TfrmLiabilities"), [] { return new TfrmLiabilities; });
    registerWindowFactory(QStringLiteral("TfrmOptions"), [] { return new TfrmOptions; });
    registerWindowFactory(QStringLiteral("TfrmOptionsPrint"), [] { return new TfrmOptionsPrint; });
    registerWindowFactory(QStringLiteral("TfrmPrintBlankStatement"), [] { return new TfrmPrint_BlankStatement; });
    registerWindowFactory(QStringLiteral("TfrmBackup"), [] { return new TfrmBackup; });
    registerWindowFactory(QStringLiteral("TfrmRestore"), [] { return new TfrmRestore; });
    registerStatementPreview(reports::showStatementPreview);
    registerRestoreInstead(RestoreAtStart);
    // The options window's "Test" sends through the mail engine, off the
    // window's thread, with the settings just saved.
    TfrmOptions::setTestMailer([](const mail::StatusSink &status) {
        const mail::EmailSettings settings = mail::ReadEmailSettings();
        return mail::RunOffWindowThread(
            [settings](const mail::StatusSink &sink) { return mail::SendTestEmail(settings, sink); }, status);
    });
}

}  // namespace nettora
