#include "settings/security.h"

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

namespace {

// One page of the window, laid out top to bottom the same way on all three.
class PageBuilder {
public:
    PageBuilder(QWidget *page) : m_page(page) {}

    void heading(const QString &text)
    {
        pagetext::heading(m_page, text, m_y, 480);
        m_y += 28;
    }
    void lines(const QStringList &texts)
    {
        for (const QString &t : texts) {
            pagetext::line(m_page, t, 12, m_y, 500);
            m_y += 14;
        }
        m_y += 12;
    }
    QLineEdit *field(const QString &caption, const QString &objectName, int maxLength, bool secret, int width = 180)
    {
        QLineEdit *e = pagetext::captionedEdit(m_page, caption, QRect(40, m_y + 3, 120, 16), objectName,
                                               QRect(165, m_y, width, 22));
        if (maxLength > 0)
            limitToWidth(e, maxLength);  // in characters, as the fields count them
        if (secret)
            pagetext::maskWithStars(e);
        m_y += 28;
        return e;
    }
    void gap(int y) { m_y += y; }
    int y() const { return m_y; }
    // Tell Me More, Cancel, OK along the bottom of the page.
    std::array<QPushButton *, 3> buttons(const QString &prefix)
    {
        std::array<QPushButton *, 3> out{};
        const char *captions[] = {"Tell Me More", "Cancel", "OK"};
        const char *names[] = {"More", "Cancel", "Ok"};
        const int widths[] = {110, 80, 80};
        for (int i = 0; i < 3; ++i)
            out[size_t(i)] = pagetext::button(m_page, QString::fromLatin1(captions[i]), prefix + QLatin1String(names[i]),
                                              QRect(i == 0 ? 12 : 500 - (3 - i) * 88 + 8, 392, widths[i], 28));
        out[2]->setDefault(true);
        return out;
    }

private:
    QWidget *m_page;
    int m_y = 6;
};

void setInk(QLabel *label, const QColor &ink)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, ink);
    label->setPalette(p);
}

// What Print and Save as file put on paper or in the file.
QString recoverySheet(const QString &code)
{
    return QStringLiteral("Nettora recovery key\n\n%1\n\nThis key opens the Nettora data if its password is forgotten. "
                          "Keep it where nobody else finds it, away from the computer.\n")
        .arg(code);
}

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

    tsRecoveryKey = new QWidget;
    tsRecoveryKey->setObjectName(QStringLiteral("tsRecoveryKey"));
    {
        PageBuilder b(tsRecoveryKey);
        b.heading(QStringLiteral("Recovery Key"));
        b.lines({QStringLiteral("This recovery key opens the data if the password is ever forgotten.  It is shown only now:"),
                 QStringLiteral("print it or save it as a file, and keep it where nobody else finds it, away from this computer."),
                 QStringLiteral("Without the password or this key nobody can open the data.")});
        QFont big = look::headingFont();
        big.setPointSize(16);
        recoveryKeyText = pagetext::label(tsRecoveryKey, QString(), QRect(40, b.y(), 460, 34), big);
        setInk(recoveryKeyText, look::HeadingInk);
        recoveryKeyText->setObjectName(QStringLiteral("lblRecoveryKey"));
        recoveryKeyText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        b.gap(46);
        btnRecoveryPrint = pagetext::button(tsRecoveryKey, QStringLiteral("Print"), QStringLiteral("btnRecoveryPrint"),
                                            QRect(40, b.y(), 100, 28));
        btnRecoverySave = pagetext::button(tsRecoveryKey, QStringLiteral("Save as file"),
                                           QStringLiteral("btnRecoverySave"), QRect(150, b.y(), 110, 28));
        b.gap(44);
        recoveryKeptCheck =
            pagetext::checkBox(tsRecoveryKey, QStringLiteral("I have kept the recovery key"), QStringLiteral("cbRecoveryKept"), b.y());
        btnRecoveryOk = pagetext::button(tsRecoveryKey, QStringLiteral("OK"), QStringLiteral("btnRecoveryOk"),
                                         QRect(420, 392, 80, 28));
        btnRecoveryOk->setDefault(true);
        btnRecoveryOk->setEnabled(false);
    }

    tsForgot = new QWidget;
    tsForgot->setObjectName(QStringLiteral("tsForgot"));
    {
        PageBuilder b(tsForgot);
        b.heading(QStringLiteral("Forgot the password?"));
        b.lines({QStringLiteral("Type the recovery key you kept when the password was set, then choose a new password.")});
        forgotKey = b.field(QStringLiteral("Recovery key:"), QStringLiteral("edRecoveryKey"), 0, false, 260);
        forgotPassword = b.field(QStringLiteral("New Password:"), QStringLiteral("edForgotPassword"), 12, true);
        forgotConfirmation = b.field(QStringLiteral("Confirm Password:"), QStringLiteral("edForgotConfirmation"), 12, true);
        btnForgotCancel = pagetext::button(tsForgot, QStringLiteral("Cancel"), QStringLiteral("btnForgotCancel"),
                                           QRect(332, 392, 80, 28));
        btnForgotOk = pagetext::button(tsForgot, QStringLiteral("OK"), QStringLiteral("btnForgotOk"), QRect(420, 392, 80, 28));
        btnForgotOk->setDefault(true);
    }

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
    connect(btnForgot, &QPushButton::clicked, this, [this] {
        openPage(tsForgot);
        forgotKey->clear();
        forgotPassword->clear();
        forgotConfirmation->clear();
        forgotKey->setFocus();
    });
    connect(btnForgotCancel, &QPushButton::clicked, this, &TfrmSecurity::startLogin);
    connect(btnForgotOk, &QPushButton::clicked, this, &TfrmSecurity::forgotOk);
    connect(recoveryKeptCheck, &QCheckBox::toggled, btnRecoveryOk, &QPushButton::setEnabled);
    connect(btnRecoveryOk, &QPushButton::clicked, this, &TfrmSecurity::recoveryOk);
    connect(btnRecoveryPrint, &QPushButton::clicked, this, [this] {
        if (!dialogs().printText(QStringLiteral("Nettora recovery key"), recoverySheet(recoveryKeyText->text())))
            dialogs().error(QStringLiteral("The recovery key was not printed."));
    });
    connect(btnRecoverySave, &QPushButton::clicked, this, [this] {
        const QString file = dialogs().saveFileName(QStringLiteral("Save the recovery key"),
                                                    QStringLiteral("Nettora recovery key.txt"));
        if (file.isEmpty())
            return;
        guarded([&] {
            writeOutputFile(file, recoverySheet(recoveryKeyText->text()).toUtf8());
            dialogs().information(QStringLiteral("The recovery key was saved in \"%1\".").arg(file));
        });
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
    QApplication::setOverrideCursor(Qt::WaitCursor);  // the key derivation takes a moment
    struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
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

void TfrmSecurity::showRecoveryKey(const QString &code, bool upgraded)
{
    m_upgraded = upgraded;
    recoveryKeyText->setText(code);
    recoveryKeptCheck->setChecked(false);
    btnRecoveryOk->setEnabled(false);
    openPage(tsRecoveryKey);
    recoveryKeptCheck->setFocus();
}

void TfrmSecurity::recoveryOk()
{
    if (!recoveryKeptCheck->isChecked())
        return;
    recoveryKeyText->clear();
    if (m_upgraded) {
        m_upgraded = false;
        if (dialogs().warning(QStringLiteral(
                "The data is now encrypted with a key of its own that only your password (or the recovery key) opens.\n\n"
                "Backups made before now, and the earlier data files Nettora kept in the folder \"Replaced\" of the data "
                "directory, are still under the old protection, which anyone with Nettora can open: keep them safe or "
                "delete them.\n\nMove the kept files in \"Replaced\" to the new key now?")))
            guarded([] {
                const int moved = dm1->ReencryptKeptFiles();
                dialogs().information(QStringLiteral("%1 kept file(s) were moved to the new key.").arg(moved));
            });
    }
    finishLogin();
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

void TfrmSecurity::forgotOk()
{
    const QString code = normalisedRecoveryCode(forgotKey->text());
    if (code.isEmpty()) {
        dialogs().error(QStringLiteral("Please enter the recovery key: 25 letters and digits, as it was printed or saved."));
        forgotKey->setFocus();
        return;
    }
    if (!newPasswordValid(nullptr, forgotPassword, forgotConfirmation))
        return;
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct Restore {
            ~Restore() { QApplication::restoreOverrideCursor(); }
        } restore;
        dm1->UnlockWithRecoveryCode(code);
    } catch (const WrongPassword &e) {
        dialogs().error(e.text());
        forgotKey->setFocus();
        return;
    } catch (const Error &e) {
        dialogs().error(e.text());
        return;
    }
    const SecretBytes password = takePassword(forgotPassword);
    forgotConfirmation->clear();
    forgotKey->clear();
    if (!guarded([&] { dm1->ChangePassword(password); })) {
        dm1->LockData();
        return;
    }
    dialogs().information(QStringLiteral("Password successfully updated."));
    m_failures = 0;
    m_nextTry = QDateTime();
    finishLogin();
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
