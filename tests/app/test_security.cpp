// Start-up login, first password and the change page, as real widgets.
#include "support/window_fixture.h"

#include "kit/btn_functions.h"
#include "data/data_key.h"
#include "data/schema.h"
#include "settings/security.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QTest>

using namespace nettora;
using namespace nettora::test;

class Security : public WindowTest {
protected:
    // The login the data opens with from now on.
    void storeCredentials(const QString &user, const QString &password)
    {
        setUser({{"User", user}});
        m_dm->ChangePassword(SecretBytes::fromText(password));
    }
    QString keyFile() const { return dataDir() + QStringLiteral("/nettora.key"); }
    QByteArray keyFileBytes() const
    {
        QFile f(keyFile());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    bool passwordOpens(const QString &password) const
    {
        try {
            unwrapWithPassword(keyFile(), SecretBytes::fromText(password));
            return true;
        } catch (const WrongPassword &) {
            return false;
        }
    }
    // The directory as a start finds it: taken, nothing open until the login.
    void restartLocked()
    {
        m_dm.reset();
        m_dm = std::make_unique<Tdm1>();
        dm1 = m_dm.get();
        m_dm->ReserveDataDir(dataDir());
    }
    // A new, empty data directory: the first start sets the password.
    void emptyDirectory()
    {
        m_dm.reset();
        QFile::remove(dataDir() + QStringLiteral("/nettora.db"));
        QFile::remove(keyFile());
        restartLocked();
        ASSERT_EQ(m_dm->dataDirState(), DataDirState::New);
    }
    // A start: the home window, then the one-shot login check.
    TfrmSecurity *start()
    {
        if (m_dm->dataDirState() == DataDirState::Keyed)
            m_dm->LockData();
        home = new TfrmMain;
        home->show();
        for (int i = 0; i < 200 && !securityWindow(); ++i)
            QTest::qWait(10);
        EXPECT_NE(securityWindow(), nullptr);
        return securityWindow();
    }
    void logIn(TfrmSecurity *s, const QString &user, const QString &password)
    {
        type(s->loginUser, user);
        type(s->loginPassword, password);
        click(s->btnLoginOk);
    }
    static TfrmSecurity *securityWindow() { return shownWindow<TfrmSecurity>(); }
};

TEST_F(Security, NoPasswordStartsOnTheSetPasswordPageWithTheMenuDisabled)
{
    emptyDirectory();
    TfrmSecurity *s = start();
    EXPECT_EQ(appState().login, LoginState::Pending);
    EXPECT_FALSE(home->isVisible());
    EXPECT_EQ(s->currentPage(), s->tsFirstLogin);
    EXPECT_EQ(s->focusWidget(), s->firstUser);
    for (HoverLabel *l : {s->mOptions, s->mSecurity, s->mCheckUpdate1, s->mBackup, s->mRestore, s->mExit, s->mHelp,
                          s->mAbout, s->mAffiliate})
        EXPECT_FALSE(l->isEnabled());
    EXPECT_FALSE(s->loginLink->isVisible());
    moveOver(s->imMain);  // the hover reset keeps it so
    EXPECT_FALSE(s->mOptions->isEnabled());
    EXPECT_FALSE(s->loginLink->isVisible());
    // Said plainly before the password is chosen.
    EXPECT_TRUE(labelTexts(s->tsFirstLogin).join(' ').contains("A forgotten password cannot be recovered by anyone."));
    saveScreenshot(s, "security_first_login");
}

TEST_F(Security, FirstPasswordMakesTheDataAndShowsTheRecoveryKeyOnce)
{
    emptyDirectory();
    TfrmSecurity *s = start();
    const struct {
        const char *user, *password, *confirm, *message;
        QLineEdit *TfrmSecurity::*focus;
    } cases[] = {
        {"", "", "", "Please enter  \"Username\".", &TfrmSecurity::firstUser},
        {"admin", "", "x", "Please enter  \"New Password\".", &TfrmSecurity::firstPassword},
        {"admin", "Secret", "", "Please enter  \"Confirm Password\".", &TfrmSecurity::firstConfirmation},
        {"admin", "Secret", "secret", "\"New Password\" and \"Confirm Password\" do not match.", &TfrmSecurity::firstPassword},
    };
    for (const auto &c : cases) {
        m_dialogs->clear();
        type(s->firstUser, c.user);
        type(s->firstPassword, c.password);
        type(s->firstConfirmation, c.confirm);
        click(s->btnFirstOk);
        EXPECT_EQ(m_dialogs->texts(), QStringList{QString::fromUtf8(c.message)});
        EXPECT_EQ(s->focusWidget(), s->*c.focus) << c.message;
        EXPECT_FALSE(QFile::exists(keyFile()));
        EXPECT_FALSE(QFile::exists(dataDir() + "/nettora.db"));
    }
    m_dialogs->clear();
    QPointer<TfrmSecurity> guard(s);
    type(s->firstUser, "admin");
    type(s->firstPassword, "Secret");
    type(s->firstConfirmation, "Secret");
    QTest::keyClick(s->firstConfirmation, Qt::Key_Return);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Password successfully updated."});
    EXPECT_EQ(s->firstPassword->text(), "");  // no password stays in a box
    EXPECT_TRUE(passwordOpens("Secret"));

    // The recovery key, shown once; OK waits for the check box.
    ASSERT_EQ(s->currentPage(), s->tsRecoveryKey);
    EXPECT_FALSE(home->isVisible());
    const QString code = s->recoveryKeyText->text();
    EXPECT_NO_THROW(unwrapWithRecoveryCode(keyFile(), code));
    EXPECT_FALSE(s->btnRecoveryOk->isEnabled());
    saveScreenshot(s, "security_recovery_key");
    click(s->btnRecoveryPrint);
    ASSERT_EQ(m_dialogs->printed.size(), 1);
    EXPECT_TRUE(m_dialogs->printed[0].contains(code));
    const QString saved = dataDir() + "/../recovery-" + QString::number(::getpid()) + ".txt";
    m_dialogs->clear();
    m_dialogs->answerSaveFileNames({saved});
    click(s->btnRecoverySave);
    {
        QFile f(saved);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.readAll().contains(code.toLatin1()));
        EXPECT_EQ(f.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        f.remove();
    }
    click(s->recoveryKeptCheck);
    EXPECT_TRUE(s->btnRecoveryOk->isEnabled());
    click(s->btnRecoveryOk);
    EXPECT_EQ(appState().login, LoginState::Done);
    EXPECT_TRUE(home->isVisible());
    QApplication::processEvents();
    EXPECT_TRUE(guard.isNull() || !guard->isVisible());
    dm1->tblUser->first();
    EXPECT_EQ(dm1->tblUser->asString("User"), "admin");
    EXPECT_EQ(dm1->tblUser->asString("Password"), "");  // kept only as the key file's seal
}

TEST_F(Security, LoginEdgeCases)
{
    storeCredentials("Admin", "Secret1");
    const struct {
        const char *user, *password, *message;
    } refusals[] = {
        {"", "", "You must enter a \"Username\"."},
        {"", "Secret1", "You must enter a \"Username\"."},
        {"Admin", "", "You must enter a \"Password\"."},
        {"Admin", "secret1", "Invalid Login."},
        {"Admin", "Secret1 ", "Invalid Login."},
        {"admin", "Secret1", "Invalid Login."},
        {"Admin ", "Secret1", "Invalid Login."},
    };
    TfrmSecurity *s = start();
    EXPECT_EQ(s->currentPage(), s->tsLogin);
    EXPECT_EQ(s->focusWidget(), s->loginUser);
    // Twelve characters at most, counted as the fields count them: twelve emoji fit.
    ASSERT_NE(s->loginPassword->validator(), nullptr);
    int at = 0;
    QString twelve = QString::fromUtf8("\xF0\x9F\x98\x80").repeated(12), thirteen = QStringLiteral("abcdefghijklm");
    EXPECT_EQ(s->loginPassword->validator()->validate(twelve, at), QValidator::Acceptable);
    EXPECT_EQ(s->loginPassword->validator()->validate(thirteen, at), QValidator::Invalid);
    saveScreenshot(s, "security_login");
    for (const auto &r : refusals) {
        m_dialogs->clear();
        type(s->loginUser, r.user);
        type(s->loginPassword, r.password);
        click(s->btnLoginOk);
        EXPECT_EQ(m_dialogs->texts(), QStringList{QString::fromUtf8(r.message)}) << r.user << "/" << r.password;
        EXPECT_EQ(appState().login, LoginState::Pending);
        EXPECT_FALSE(home->isVisible());
        EXPECT_FALSE(dm1->dataOpen());  // a wrong password or name opens nothing
    }
    m_dialogs->clear();
    type(s->loginUser, "Admin");
    type(s->loginPassword, "Secret1");
    click(s->btnLoginOk);
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_TRUE(dm1->dataOpen());
    EXPECT_EQ(appState().login, LoginState::Done);
    EXPECT_TRUE(home->isVisible());
}

// After five failed tries in a row, each further one waits, and the page says so.
TEST_F(Security, RepeatedFailuresMakeTheNextTryWait)
{
    storeCredentials("Admin", "Right");
    TfrmSecurity *s = start();
    for (int i = 1; i <= 5; ++i) {
        m_dialogs->clear();
        logIn(s, "Admin", "Wrong");
        EXPECT_EQ(m_dialogs->texts(), QStringList{"Invalid Login."});
    }
    EXPECT_EQ(s->loginWait->text(), "5 failed tries in a row: the next try is possible in 2 second(s).");
    EXPECT_FALSE(s->btnLoginOk->isEnabled());
    // Enter while waiting tries nothing.
    m_dialogs->clear();
    type(s->loginUser, "Admin");
    type(s->loginPassword, "Right");
    QTest::keyClick(s->loginPassword, Qt::Key_Return);
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_EQ(appState().login, LoginState::Pending);
    QTRY_VERIFY_WITH_TIMEOUT(s->btnLoginOk->isEnabled(), 4000);
    EXPECT_EQ(s->loginWait->text(), "5 failed tries in a row: each further failed try waits a little longer.");
    logIn(s, "Admin", "Right");
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join('|').toStdString();
    EXPECT_EQ(appState().login, LoginState::Done);
}

TEST_F(Security, TheRecoveryKeyLetsInWithANewPassword)
{
    storeCredentials("Admin", "Forgotten");
    TfrmSecurity *s = start();
    click(s->btnForgot);
    ASSERT_EQ(s->currentPage(), s->tsForgot);
    EXPECT_EQ(s->focusWidget(), s->forgotKey);
    QString other = newRecoveryCode();
    const struct {
        QString key;
        const char *password, *confirm, *message;
    } refusals[] = {
        {QString(), "New1", "New1", "Please enter the recovery key: 25 letters and digits, as it was printed or saved."},
        {QStringLiteral("ABCDE-FGHJK"), "New1", "New1", "Please enter the recovery key: 25 letters and digits, as it was printed or saved."},
        {m_recoveryCode, "New1", "New2", "\"New Password\" and \"Confirm Password\" do not match."},
        {other, "New1", "New1", "That is not the recovery key of this data."},
    };
    for (const auto &r : refusals) {
        SCOPED_TRACE(r.message);
        m_dialogs->clear();
        type(s->forgotKey, r.key);
        type(s->forgotPassword, r.password);
        type(s->forgotConfirmation, r.confirm);
        click(s->btnForgotOk);
        EXPECT_EQ(m_dialogs->texts(), QStringList{QString::fromUtf8(r.message)});
        EXPECT_FALSE(dm1->dataOpen());
        EXPECT_EQ(appState().login, LoginState::Pending);
    }
    m_dialogs->clear();
    type(s->forgotKey, m_recoveryCode.toLower());
    type(s->forgotPassword, "New1");
    type(s->forgotConfirmation, "New1");
    click(s->btnForgotOk);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Password successfully updated."});
    EXPECT_EQ(appState().login, LoginState::Done);
    EXPECT_TRUE(home->isVisible());
    EXPECT_TRUE(passwordOpens("New1"));
    EXPECT_FALSE(passwordOpens("Forgotten"));
    EXPECT_NO_THROW(unwrapWithRecoveryCode(keyFile(), m_recoveryCode));  // the key still works
}

// A data file from before the key file: the old password still logs in, and
// the data is then moved to a key of its own, its recovery key shown.
TEST_F(Security, AnOlderFileIsMovedToItsOwnKeyAtTheFirstLogin)
{
    m_dm.reset();
    QFile::remove(keyFile());
    QFile::remove(dataDir() + "/nettora.db");
    {
        Database db;
        db.open(dataDir() + "/nettora.db", QLatin1String(Tdm1::LegacyTablePassword));
        for (const QString &sql : schemaSql())
            db.exec(sql);
        db.exec("INSERT INTO \"User\" (\"User\", \"Password\") VALUES ('Admin', 'OldPass')");
    }
    restartLocked();
    ASSERT_EQ(m_dm->dataDirState(), DataDirState::Unkeyed);
    TfrmSecurity *s = start();
    ASSERT_EQ(s->currentPage(), s->tsLogin);
    logIn(s, "Admin", "oldpass");
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Invalid Login."});
    EXPECT_FALSE(QFile::exists(keyFile()));
    m_dialogs->clear();
    logIn(s, "Admin", "OldPass");
    ASSERT_EQ(s->currentPage(), s->tsRecoveryKey);
    EXPECT_TRUE(passwordOpens("OldPass"));
    EXPECT_NO_THROW(unwrapWithRecoveryCode(keyFile(), s->recoveryKeyText->text()));
    m_dialogs->answerWarnings({false});
    click(s->recoveryKeptCheck);
    click(s->btnRecoveryOk);
    ASSERT_EQ(m_dialogs->shown().size(), 1u);
    EXPECT_EQ(m_dialogs->shown()[0].kind, "warning");
    EXPECT_TRUE(m_dialogs->shown()[0].text.contains("are still under the old protection"));
    EXPECT_EQ(appState().login, LoginState::Done);
    EXPECT_TRUE(home->isVisible());
    Database old;
    EXPECT_THROW(old.open(dataDir() + "/nettora.db", QLatin1String(Tdm1::LegacyTablePassword)), EngineError);
}

TEST_F(Security, CancelOnTheLoginEndsTheProgram)
{
    storeCredentials("Admin", "x");
    TfrmSecurity *s = start();
    QPointer<TfrmSecurity> guard(s);
    click(s->btnLoginCancel);
    QApplication::processEvents();
    EXPECT_FALSE(home->isVisible());
    EXPECT_TRUE(guard.isNull() || !guard->isVisible());
    EXPECT_EQ(appState().login, LoginState::Pending);
}

TEST_F(Security, ChangePageOpensWithTheNameAndRewrapsTheKey)
{
    storeCredentials("Admin", "First");
    makeHome();
    home->show();
    QApplication::processEvents();
    click(home->mSecurity);
    TfrmSecurity *s = securityWindow();
    ASSERT_NE(s, nullptr);
    EXPECT_FALSE(home->isVisible());
    EXPECT_EQ(s->currentPage(), s->tsPassword);
    EXPECT_EQ(s->newUser->text(), "Admin");
    EXPECT_EQ(s->currentPassword->text(), "");
    EXPECT_EQ(s->newPassword->text(), "");
    EXPECT_EQ(s->newConfirmation->text(), "");
    EXPECT_EQ(s->focusWidget(), s->currentPassword);
    EXPECT_TRUE(s->mOptions->isEnabled());

    type(s->currentPassword, "First");
    click(s->btnChangeOk);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Please enter  \"New Password\"."});
    m_dialogs->clear();
    type(s->newUser, "Boss");
    type(s->newPassword, "Second");
    type(s->newConfirmation, "Second");
    click(s->btnChangeOk);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Password successfully updated."});
    EXPECT_TRUE(passwordOpens("Second"));
    EXPECT_FALSE(passwordOpens("First"));
    EXPECT_TRUE(home->isVisible());
    EXPECT_EQ(appState().login, LoginState::Done);
}

TEST_F(Security, LaterStartsAskForTheLogin)
{
    emptyDirectory();
    TfrmSecurity *s = start();
    type(s->firstUser, "admin");
    type(s->firstPassword, "pw");
    type(s->firstConfirmation, "pw");
    click(s->btnFirstOk);
    click(s->recoveryKeptCheck);
    click(s->btnRecoveryOk);
    delete home;
    home = nullptr;
    resetAppState();
    restartLocked();
    TfrmSecurity *again = start();
    EXPECT_EQ(again->currentPage(), again->tsLogin);
}

TEST_F(Security, ChangingAsksForTheCurrentPasswordFirst)
{
    storeCredentials("Admin", "First");
    makeHome();
    auto *s = static_cast<TfrmSecurity *>(OpenSecurityWindow());
    ASSERT_NE(s, nullptr);
    const QByteArray before = keyFileBytes();
    // The side link empties every box, the current password's too.
    type(s->currentPassword, "First");
    click(s->loginLink);
    EXPECT_EQ(s->currentPassword->text(), "");
    EXPECT_EQ(s->focusWidget(), s->currentPassword);
    const struct {
        const char *current, *message;
    } refusals[] = {
        {"", "Please enter  \"Current Password\"."},
        {"first", "The current password is not correct."},
        {"First ", "The current password is not correct."},
        {"Second", "The current password is not correct."},
    };
    for (const auto &r : refusals) {
        SCOPED_TRACE(r.current);
        m_dialogs->clear();
        type(s->currentPassword, r.current);
        type(s->newUser, "Boss");
        type(s->newPassword, "Second");
        type(s->newConfirmation, "Second");
        click(s->btnChangeOk);
        EXPECT_EQ(m_dialogs->texts(), QStringList{r.message});
        EXPECT_EQ(s->focusWidget(), s->currentPassword);
        EXPECT_EQ(s->currentPage(), s->tsPassword);
        EXPECT_EQ(keyFileBytes(), before);
        dm1->tblUser->first();
        EXPECT_EQ(dm1->tblUser->asString("User"), "Admin");
    }
    m_dialogs->clear();
    type(s->currentPassword, "First");
    click(s->btnChangeOk);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Password successfully updated."});

    // The next start lets in the new name and password only.
    delete home;
    home = nullptr;
    resetAppState();
    restartLocked();
    TfrmSecurity *login = start();
    ASSERT_EQ(login->currentPage(), login->tsLogin);
    for (const auto &[user, password] : {std::pair{"Admin", "First"}, std::pair{"Boss", "First"}}) {
        m_dialogs->clear();
        type(login->loginUser, user);
        type(login->loginPassword, password);
        click(login->btnLoginOk);
        EXPECT_EQ(m_dialogs->texts(), QStringList{"Invalid Login."}) << user;
    }
    m_dialogs->clear();
    type(login->loginUser, "Boss");
    type(login->loginPassword, "Second");
    click(login->btnLoginOk);
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join('|').toStdString();
    EXPECT_EQ(appState().login, LoginState::Done);
    EXPECT_TRUE(home->isVisible());
}

// A new name or password typed and not saved is asked about on the way
// out; Save goes through the same checks as OK.
TEST_F(Security, LeavingTheChangePageWithTypingAsks)
{
    storeCredentials("Admin", "First");
    makeHome();
    const QByteArray before = keyFileBytes();
    const QString question = QStringLiteral("Save the changes to the user name and password?");
    const struct {
        SaveChoice choice;
        const char *current;
        QStringList shown;
        bool leaves;
        const char *user;
    } cases[] = {
        {SaveChoice::Cancel, "First", {question}, false, "Admin"},
        {SaveChoice::Discard, "First", {question}, true, "Admin"},
        {SaveChoice::Save, "Wrong", {question, "The current password is not correct."}, false, "Admin"},
        {SaveChoice::Save, "First", {question, "Password successfully updated."}, true, "Boss"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.current + std::to_string(int(c.choice)));
        QPointer<TfrmSecurity> s = static_cast<TfrmSecurity *>(OpenSecurityWindow());
        ASSERT_FALSE(s.isNull());
        type(s->currentPassword, c.current);
        type(s->newUser, "Boss");
        type(s->newPassword, "Second");
        type(s->newConfirmation, "Second");
        m_dialogs->clear();
        m_dialogs->answerSaveQuestions({c.choice});
        click(s->mExit);
        QApplication::processEvents();
        EXPECT_EQ(m_dialogs->texts(), c.shown);
        EXPECT_EQ(s.isNull() || !s->isVisible(), c.leaves);
        dm1->tblUser->first();
        EXPECT_EQ(dm1->tblUser->asString("User"), c.user);
        EXPECT_EQ(keyFileBytes() == before, QLatin1String(c.user) == QLatin1String("Admin"));
        if (!s.isNull() && s->isVisible()) {
            m_dialogs->answerSaveQuestions({SaveChoice::Discard});
            s->close();
            QApplication::processEvents();
        }
        delete s.data();
    }
}
