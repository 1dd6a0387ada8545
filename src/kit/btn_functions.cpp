#include "kit/btn_functions.h"

#include "data/db_functions.h"
#include "kit/app_state.h"
#include "kit/dialogs.h"
#include "kit/frame.h"
#include "kit/vendor.h"
#include "kit/shell_open.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace nettora {

namespace {

QHash<QString, std::function<QWidget *()>> &factories()
{
    static QHash<QString, std::function<QWidget *()>> f;
    return f;
}

QWidget *showWindow(QWidget *w)
{
    if (w) {
        w->show();
        w->raise();
        w->activateWindow();
    }
    return w;
}

QWidget *openRegistered(const QString &className)
{
    const auto it = factories().constFind(className);
    return it == factories().constEnd() ? nullptr : showWindow((*it)());
}

// The menu's windows start from the whole data: every filter off first.
QWidget *openUnfiltered(const QString &className)
{
    ClearAllFilters();
    return openRegistered(className);
}

QWidget *openOptionsOn(OptionsPage page)
{
    appState().optionsStartPage = page;
    return openUnfiltered(QStringLiteral("TfrmOptions"));
}

}  // namespace

void registerWindowFactory(const QString &className, std::function<QWidget *()> make)
{
    factories().insert(className, std::move(make));
}

namespace {
std::function<bool(const QString &)> &restoreInstead()
{
    static std::function<bool(const QString &)> offer;
    return offer;
}
}  // namespace

void registerRestoreInstead(std::function<bool(const QString &)> offer)
{
    restoreInstead() = std::move(offer);
}

bool RestoreInsteadOfData(const QString &why)
{
    return restoreInstead() && restoreInstead()(why);
}

namespace {
std::function<void(QWidget *)> &statementPreview()
{
    static std::function<void(QWidget *)> show;
    return show;
}
}  // namespace

void registerStatementPreview(std::function<void(QWidget *)> show)
{
    statementPreview() = std::move(show);
}

void ShowStatementPreview(QWidget *parent)
{
    if (statementPreview())
        statementPreview()(parent);
}

QWidget *OpenClientWindow(ClientMode mode)
{
    appState().clientMode = mode;
    return openUnfiltered(QStringLiteral("TfrmClient"));
}

QWidget *OpenOptionsWindow() { return openOptionsOn(OptionsPage::User); }
QWidget *OpenEmailSetupWindow() { return openOptionsOn(OptionsPage::Email); }
QWidget *OpenPrintOptionsWindow() { return openRegistered(QStringLiteral("TfrmOptionsPrint")); }
QWidget *OpenSecurityWindow() { return openUnfiltered(QStringLiteral("TfrmSecurity")); }
QWidget *OpenBackupWindow() { return openUnfiltered(QStringLiteral("TfrmBackup")); }
QWidget *OpenRestoreWindow() { return openUnfiltered(QStringLiteral("TfrmRestore")); }

QWidget *OpenAssetsWindow() { return openRegistered(QStringLiteral("TfrmAssets")); }
QWidget *OpenLiabilitiesWindow() { return openRegistered(QStringLiteral("TfrmLiabilities")); }
QWidget *OpenLegalWindow() { return openRegistered(QStringLiteral("TfrmLegal")); }
QWidget *OpenNotesWindow() { return openRegistered(QStringLiteral("TfrmNotes")); }
QWidget *OpenClientInformationWindow() { return openRegistered(QStringLiteral("TfrmClientAdd")); }

QWidget *OpenIncomeExpenseWindow(IncomeExpensePage page)
{
    appState().incomeExpensePage = page;
    return openRegistered(QStringLiteral("TfrmIncomeAndExpense"));
}

QWidget *OpenIncomeWindow() { return OpenIncomeExpenseWindow(IncomeExpensePage::Income); }
QWidget *OpenExpensesWindow() { return OpenIncomeExpenseWindow(IncomeExpensePage::Expenses); }

QWidget *OpenBlankStatementWindow() { return openRegistered(QStringLiteral("TfrmPrintBlankStatement")); }
QWidget *OpenStatementWorkspace() { return openRegistered(QStringLiteral("TfrmFSMain")); }

namespace {
QPointer<ScreenFrame> &home()
{
    static QPointer<ScreenFrame> h;
    return h;
}
}  // namespace

void setHomeWindow(ScreenFrame *w)
{
    home() = w;
}

ScreenFrame *homeWindow()
{
    return home().data();
}

void ShowHomeWindow()
{
    if (ScreenFrame *h = homeWindow()) {
        h->show();
        h->mButtons();
    }
}

void GoHome()
{
    ClearAllFilters();
    ShowHomeWindow();
}

void ExitProgram()
{
    ClearAllFilters();
    if (ScreenFrame *h = homeWindow())
        h->close();
}

void CheckForUpdate()
{
    if (!ShellOpen(vendor::WebSite + vendor::UpdateCheckPath + ProgramVersion()))
        dialogs().error(QStringLiteral("Check Update function failed \n\rPlease insure that you are connected to the internet."));
}

QString helpFilePath()
{
    const QDir app(QCoreApplication::applicationDirPath());
    const QString name = QStringLiteral("nettora_help.html");
    const QStringList candidates = {app.filePath(QStringLiteral("help/") + name),
                                    app.filePath(QStringLiteral("../help/") + name),
                                    app.filePath(QStringLiteral("../share/nettora/help/") + name)};
    for (const QString &c : candidates)
        if (QFileInfo::exists(c))
            return QFileInfo(c).absoluteFilePath();
    return candidates.first();
}

void OpenHelpFile()
{
    OpenManual(helpFilePath());
}

bool OpenManual(const QString &file)
{
    const QString shown = QDir::toNativeSeparators(file);
    if (!QFileInfo(file).isFile()) {
        dialogs().error(QStringLiteral("The manual could not be found. It belongs at \"%1\".").arg(shown));
        return false;
    }
    // The shell hands a file to the desktop as a file: URL, which opens in
    // the default browser.
    if (!ShellOpen(QFileInfo(file).absoluteFilePath())) {
        dialogs().error(QStringLiteral("The manual could not be opened in your web browser. Open the file \"%1\" "
                                       "in a web browser to read it.")
                            .arg(shown));
        return false;
    }
    return true;
}

void ShowAboutWindow()
{
    ClearAllFilters();
    const auto it = factories().constFind(QStringLiteral("TfrmAbout"));
    if (it == factories().constEnd())
        return;
    std::unique_ptr<QWidget> about((*it)());
    if (auto *dialog = qobject_cast<QDialog *>(about.get()))
        dialog->exec();
}

void OpenAffiliatePage()
{
    if (!ShellOpen(vendor::WebSite + vendor::AffiliatePath))
        dialogs().error(QStringLiteral("Please check your connection to the internet."));
}

EntryState CheckEntryMode()
{
    if (appState().entry == EntryState::Open)
        return EntryState::Open;
    dialogs().error(QStringLiteral("This action is disabled.\n\r\n\rClick on \"OK\" or \"Cancel\" to enable."));
    return EntryState::Closed;
}

}  // namespace nettora
