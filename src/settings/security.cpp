#include "settings/security.h"
#include "settings/security_page.h"

#include "kit/btn_functions.h"
#include "kit/dialogs.h"
#include "kit/databinding.h"
#include "kit/pagetext.h"
#include "kit/vendor.h"
#include "data/datamodule.h"
#include "data/db_functions.h"
#include "kit/app_state.h"
#include "kit/shell_open.h"
#include "data/output_file.h"
#include "kit/look.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace nettora {

using namespace security_pages;

namespace {

const QStringList kIdentityTheft = {
    QStringLiteral("Identity theft is the fastest growing crime in the United States, costing the victims and the "),
    QStringLiteral("organizations with whom they do business more that $50 billion a year.  It is imperative that you "),
    QStringLiteral("keep all of your username's and passord's in a safe and secure place.  If you feel that your "),
    QStringLiteral("username's and password's are vulnerable, please protect yourself and your clients by clicking on"),
};

}  // namespace

TfrmSecurity::TfrmSecurity(QWidget *parent) : ScreenFrame(false, parent)
{
    setObjectName(QStringLiteral("TfrmSecurity"));

    tsLogin = new QWidget;
    tsLogin->setObjectName(QStringLiteral("tsLogin"));
    {
        PageBuilder b(tsLogin);
        b.heading(QStringLiteral("Login"));
        b.lines({QStringLiteral("The Nettora Login feature is intended to prevent someone who does not know "),
                 QStringLiteral("the password from accessing the program and sensitive data that is contained herein. Be aware"),
                 QStringLiteral("that passwords are case-sensitive, so note whether or not you have your CAPS LOCK key on. ")});
        loginUser = b.field(QStringLiteral("Username:"), QStringLiteral("d3_1"), 0, false);
        loginPassword = b.field(QStringLiteral("Password:"), QStringLiteral("d3_2"), 12, true);
        loginWait = pagetext::label(tsLogin, QString(), QRect(40, b.y(), 460, 16), pagetext::textFont());
        setInk(loginWait, look::HintNavy);
        loginWait->setObjectName(QStringLiteral("lblLoginWait"));
        b.gap(16);
        b.heading(QStringLiteral("Oops"));
        // The data is encrypted under the password: nobody can recover it,
        // so the page must not promise that anyone can.
        b.lines({QStringLiteral("Forgot the password?  Nobody can open the data without it, not even Nettora's makers: the"),
                 QStringLiteral("data is encrypted with it.  The recovery key you kept when the password was set opens it:"),
                 QStringLiteral("click \"Forgot the password?\" to choose a new password with it.")});
        const auto buttons = b.buttons(QStringLiteral("btnLogin"));
        btnForgot = pagetext::button(tsLogin, QStringLiteral("Forgot the password?"), QStringLiteral("btnForgot"),
                                     QRect(130, 392, 150, 28));
        btnLoginMore = buttons[0];
        btnLoginCancel = buttons[1];
        btnLoginOk = buttons[2];
        // Tab goes along the row as it stands on the page.
        QWidget::setTabOrder(btnLoginMore, btnForgot);
        QWidget::setTabOrder(btnForgot, btnLoginCancel);
    }

    tsFirstLogin = new QWidget;
    tsFirstLogin->setObjectName(QStringLiteral("tsFirstLogin"));
    {
        PageBuilder b(tsFirstLogin);
        b.heading(QStringLiteral("Set Password"));
        b.lines({QStringLiteral("The Nettora Password feature is intended to prevent someone who does not know "),
                 QStringLiteral("the password from accessing the program and sensitive data that is contained herein.  You can "),
                 QStringLiteral("change your password at any time. Be aware that passwords are case-sensitive, so note whether "),
                 QStringLiteral("or not you have the CAPS LOCK key on.")});
        firstUser = b.field(QStringLiteral("Username:"), QStringLiteral("d4_1"), 12, false);
        firstPassword = b.field(QStringLiteral("New Password:"), QStringLiteral("d4_u"), 12, true);
        firstConfirmation = b.field(QStringLiteral("Confirm Password:"), QStringLiteral("d4_2"), 12, true);
        b.lines({QStringLiteral("The data is encrypted with this password.  A forgotten password cannot be recovered by anyone."),
                 QStringLiteral("After OK you are shown a recovery key, once: keep it safe, away from this computer.")});
        b.heading(QStringLiteral("Identity Theft?"));
        b.lines(kIdentityTheft + QStringList{QStringLiteral("\"Tell Me More\".")});
        const auto buttons = b.buttons(QStringLiteral("btnFirst"));
        btnFirstMore = buttons[0];
        btnFirstCancel = buttons[1];
        btnFirstOk = buttons[2];
    }

    tsPassword = new QWidget;
    tsPassword->setObjectName(QStringLiteral("tsPassword"));
    {
        PageBuilder b(tsPassword);
        b.heading(QStringLiteral("Login"));
        b.lines({QStringLiteral("The Nettora login feature is intended to prevent someone who does not know the"),
                 QStringLiteral("login information from accessing the program and sensitive data that is contained herein.  You can "),
                 QStringLiteral("change your login at any time. Be aware that passwords are case-sensitive, so note whether "),
                 QStringLiteral("or not you have your CAPS LOCK key on.")});
        // Whoever finds the program left open must not take it over.
        currentPassword = b.field(QStringLiteral("Current Password:"), QStringLiteral("currentPassword"), 12, true);
        newUser = b.field(QStringLiteral("Username:"), QStringLiteral("d1_1"), 12, false);
        newPassword = b.field(QStringLiteral("New Password:"), QStringLiteral("d1_2"), 12, true);
        newConfirmation = b.field(QStringLiteral("Confirm Password:"), QStringLiteral("d1_3"), 12, true);
        b.heading(QStringLiteral("Identity Theft?"));
        b.lines(kIdentityTheft + QStringList{QStringLiteral("the \"Tell Me More\" button below.")});
        const auto buttons = b.buttons(QStringLiteral("btnChange"));
        btnChangeMore = buttons[0];
        btnChangeCancel = buttons[1];
        btnChangeOk = buttons[2];
    }

    buildRecoveryPages();

    addPage(tsLogin);
    addPage(tsFirstLogin);
    addPage(tsRecoveryKey);
    addPage(tsForgot);
    loginLink = addSideLink(QStringLiteral("   Login"), tsPassword, [this] {
        currentPassword->clear();
        newUser->clear();
        newPassword->clear();
        newConfirmation->clear();
        currentPassword->setFocus();
    });
    loginLink->setObjectName(QStringLiteral("s1"));

    connect(btnLoginOk, &QPushButton::clicked, this, &TfrmSecurity::loginOk);
    connect(btnFirstOk, &QPushButton::clicked, this, &TfrmSecurity::firstLoginOk);
    connect(btnChangeOk, &QPushButton::clicked, this, &TfrmSecurity::changeOk);
    connect(btnLoginCancel, &QPushButton::clicked, this, &TfrmSecurity::endProgram);
    connect(btnFirstCancel, &QPushButton::clicked, this, &TfrmSecurity::endProgram);
    connect(btnChangeCancel, &QPushButton::clicked, this, [this] {
        GoHome();
        close();
    });
    m_waitTimer.setSingleShot(true);
    connect(&m_waitTimer, &QTimer::timeout, this, &TfrmSecurity::updateLoginWait);
    connect(btnLoginMore, &QPushButton::clicked, this, [this] { tellMeMore(true); });
    connect(btnFirstMore, &QPushButton::clicked, this, [this] { tellMeMore(false); });
    connect(btnChangeMore, &QPushButton::clicked, this, [this] { tellMeMore(false); });

    openChangePage();
    if (appState().login == LoginState::Pending)
        DisableAllButtons();
}

void TfrmSecurity::openChangePage()
{
    openPage(tsPassword);
    // The stored password is a hash: the boxes start empty, the name filled.
    clearChangeBoxes();
    currentPassword->setFocus();
}

void TfrmSecurity::clearChangeBoxes()
{
    // Before the login nothing is open, and there is no name to show.
    if (dm1 && dm1->dataOpen()) {
        dm1->tblUser->first();
        newUser->setText(dm1->tblUser->asString("User"));
    } else {
        newUser->clear();
    }
    currentPassword->clear();
    newPassword->clear();
    newConfirmation->clear();
}

void TfrmSecurity::startLogin()
{
    openPage(tsLogin);
    loginUser->clear();
    loginPassword->clear();
    loginUser->setFocus();
    updateLoginWait();
}

void TfrmSecurity::startFirstLogin()
{
    openPage(tsFirstLogin);
    firstUser->clear();
    firstPassword->clear();
    firstConfirmation->clear();
    firstUser->setFocus();
}

void TfrmSecurity::DisableAllButtons()
{
    for (HoverLabel *l : {mOptions, mSecurity, mCheckUpdate1, mCheckUpdate2, mBackup, mRestore, mExit, mHelp, mAbout,
                          mAffiliate})
        l->setEnabled(false);
    loginLink->setEnabled(false);
    loginLink->hide();
}

void TfrmSecurity::afterHoverReset()
{
    if (appState().login == LoginState::Pending && loginLink)
        DisableAllButtons();
}

int TfrmSecurity::waitSeconds(int failures)
{
    // Free at first (a mistyped password is common); then 2, 4, 6 ... seconds,
    // at most a minute, which makes guessing at the keyboard hopeless.
    return failures < FreeTries ? 0 : std::min(60, 2 * (failures - FreeTries + 1));
}

SecretBytes TfrmSecurity::takePassword(QLineEdit *box)
{
    QString text = box->text();
    SecretBytes password = SecretBytes::fromText(text);
    wipe(text);
    box->clear();
    return password;
}

void TfrmSecurity::updateLoginWait()
{
    const qint64 leftMs = m_nextTry.isValid() ? QDateTime::currentDateTimeUtc().msecsTo(m_nextTry) : 0;
    const qint64 left = (leftMs + 999) / 1000;  // a part of a second counts as one
    if (leftMs <= 0) {
        m_waitTimer.stop();
        loginWait->setText(m_failures >= FreeTries
                               ? QStringLiteral("%1 failed tries in a row: each further failed try waits a little longer.")
                                     .arg(m_failures)
                               : QString());
        btnLoginOk->setEnabled(true);
        return;
    }
    loginWait->setText(QStringLiteral("%1 failed tries in a row: the next try is possible in %2 second(s).")
                           .arg(m_failures)
                           .arg(left));
    btnLoginOk->setEnabled(false);
    // The next tick where the shown count changes, or the wait ends.
    m_waitTimer.start(int(leftMs - (left - 1) * 1000));
}

void TfrmSecurity::loginFailed()
{
    ++m_failures;
    if (const int wait = waitSeconds(m_failures))
        m_nextTry = QDateTime::currentDateTimeUtc().addSecs(wait);
    dialogs().error(QStringLiteral("Invalid Login."));
    updateLoginWait();
    loginPassword->setFocus();
}

bool TfrmSecurity::unlock(const SecretBytes &password)
{
    const WaitCursor waiting;  // the key derivation takes a moment
    try {
        dm1->UnlockData(password);
        return true;
    } catch (const WrongPassword &) {
        loginFailed();
    } catch (const DataFileUnopenable &e) {
        // The key opened, the data file did not: a backup may take its place.
        if (RestoreInsteadOfData(e.text())) {
            dm1->LockData();
            dialogs().information(QStringLiteral("The data was restored. Log in with the password of the restored data."));
            startLogin();
        }
    } catch (const Error &e) {
        dialogs().error(e.text());
    }
    return false;
}

void TfrmSecurity::loginOk()
{
    if (m_nextTry.isValid() && QDateTime::currentDateTimeUtc() < m_nextTry) {
        updateLoginWait();
        return;
    }
    const QString user = loginUser->text();
    if (user.isEmpty()) {
        dialogs().error(QStringLiteral("You must enter a \"Username\"."));
        loginUser->setFocus();
        return;
    }
    if (loginPassword->text().isEmpty()) {
        dialogs().error(QStringLiteral("You must enter a \"Password\"."));
        loginPassword->setFocus();
        return;
    }
    const SecretBytes password = takePassword(loginPassword);
    if (!unlock(password))
        return;
    Table *u = dm1->tblUser;
    u->first();
    if (user != u->asString("User")) {
        // Nothing stays open for a wrong name (a file from before the key
        // file stays open under its old key, which opens it for anyone).
        if (dm1->dataDirState() == DataDirState::Keyed)
            dm1->LockData();
        loginFailed();
        return;
    }
    m_failures = 0;
    m_nextTry = QDateTime();
    updateLoginWait();
    if (dm1->dataDirState() == DataDirState::Unkeyed) {
        QString code;
        if (guarded([&] { code = dm1->UpgradeToDataKey(password); })) {
            showRecoveryKey(code, true);
            return;
        }
    }
    finishLogin();
}

void TfrmSecurity::finishLogin()
{
    appState().login = LoginState::Done;
    ShowHomeWindow();
    close();
}

bool TfrmSecurity::newPasswordValid(QLineEdit *user, QLineEdit *password, QLineEdit *confirmation)
{
    const struct {
        QLineEdit *box;
        const char *message;
    } required[] = {{user, "Please enter  \"Username\"."},
                    {password, "Please enter  \"New Password\"."},
                    {confirmation, "Please enter  \"Confirm Password\"."}};
    for (const auto &r : required)
        if (r.box && r.box->text().isEmpty()) {
            dialogs().error(QString::fromLatin1(r.message));
            r.box->setFocus();
            return false;
        }
    if (password->text() != confirmation->text()) {
        dialogs().error(QStringLiteral("\"New Password\" and \"Confirm Password\" do not match."));
        password->setFocus();
        return false;
    }
    return true;
}

bool TfrmSecurity::savePassword(QLineEdit *user, QLineEdit *password, QLineEdit *confirmation)
{
    if (!newPasswordValid(user, password, confirmation))
        return false;
    const SecretBytes newPassword = SecretBytes::fromText(password->text());
    Table *u = dm1->tblUser;
    if (!guarded([&] {
            u->first();
            if (u->asString("User") != user->text()) {
                u->edit();
                u->setAsString("User", user->text());
                u->post();
            }
            dm1->ChangePassword(newPassword);
        })) {
        u->cancel();
        return false;
    }
    dialogs().information(QStringLiteral("Password successfully updated."));
    return true;
}

void TfrmSecurity::firstLoginOk()
{
    if (!newPasswordValid(firstUser, firstPassword, firstConfirmation))
        return;
    const SecretBytes password = takePassword(firstPassword);
    firstConfirmation->clear();
    QString code;
    const bool made = guarded([&] {
        if (dm1->dataDirState() == DataDirState::New) {
            code = dm1->CreateData(password, firstUser->text());
        } else {
            // A file from before the key file that never had a password.
            dm1->UnlockData(password);
            Table *u = dm1->tblUser;
            u->first();
            u->edit();  // an empty user table gets its first row here
            u->setAsString("User", firstUser->text());
            u->post();
            code = dm1->UpgradeToDataKey(password);
        }
    });
    if (!made)
        return;
    dialogs().information(QStringLiteral("Password successfully updated."));
    showRecoveryKey(code, false);
}

bool TfrmSecurity::currentPasswordMatches()
{
    if (currentPassword->text().isEmpty()) {
        dialogs().error(QStringLiteral("Please enter  \"Current Password\"."));
        currentPassword->setFocus();
        return false;
    }
    QString typed = currentPassword->text();
    const SecretBytes password = SecretBytes::fromText(typed);
    wipe(typed);
    bool known = false;
    if (!guarded([&] {
            try {
                unwrapWithPassword(keyFilePath(dm1->ACon1.connectPath()), password);
                known = true;
            } catch (const WrongPassword &) {
            }
        }))
        return false;
    if (!known) {
        dialogs().error(QStringLiteral("The current password is not correct."));
        currentPassword->selectAll();
        currentPassword->setFocus();
        return false;
    }
    return true;
}

std::optional<ScreenFrame::PendingInput> TfrmSecurity::pendingInput()
{
    if (!dm1 || !dm1->dataOpen() || currentPage() != tsPassword)
        return std::nullopt;
    const bool changed = !newPassword->text().isEmpty() || !newConfirmation->text().isEmpty()
                         || newUser->text() != dm1->tblUser->asString("User");
    if (!changed)
        return std::nullopt;
    return PendingInput{QStringLiteral("the user name and password"),
                        [this] { return changeSaved(); },
                        [this] { clearChangeBoxes(); }};
}

bool TfrmSecurity::changeSaved()
{
    if (!currentPasswordMatches() || !savePassword(newUser, newPassword, newConfirmation))
        return false;
    // Saved: no password stays in the boxes, and nothing is left to ask about.
    clearChangeBoxes();
    return true;
}

void TfrmSecurity::changeOk()
{
    if (!changeSaved())
        return;
    ShowHomeWindow();
    close();
}

void TfrmSecurity::endProgram()
{
    m_ending = true;
    close();
    if (ScreenFrame *home = homeWindow())
        home->close();
}

void TfrmSecurity::closeEvent(QCloseEvent *event)
{
    // Leaving while the login is pending can only mean ending the program.
    if (appState().login == LoginState::Pending && !m_ending) {
        m_ending = true;
        if (ScreenFrame *home = homeWindow())
            home->close();
    }
    ScreenFrame::closeEvent(event);
}

void TfrmSecurity::tellMeMore(bool support)
{
    if (support) {
        if (!ShellOpen(vendor::SupportPage))
            dialogs().error(QStringLiteral("To view information for customer support you must be connected to the internet."));
    } else if (!ShellOpen(vendor::PasswordProductPage)) {
        dialogs().error(QStringLiteral("To view information for Vaultmere you must be connected to the internet."));
    }
}

}  // namespace nettora
