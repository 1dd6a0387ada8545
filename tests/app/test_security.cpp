// Start-up login, first password and the change page, as real widgets.
#include "support/window_fixture.h"

#include "kit/btn_functions.h"
#include "data/password.h"
#include "settings/security.h"

#include <QApplication>
#include <QPointer>
#include <QTest>

using namespace nettora;
using namespace nettora::test;

class Security : public WindowTest {
protected:
    void storeCredentials(const QString &user, const QString &password)
    {
        setUser({{"User", user}, {"Password", password}});
    }
    QString storedPassword()
    {
        dm1->tblUser->first();
        return dm1->tblUser->asString("Password");
    }
    // A start: the home window, then the one-shot login check.
    TfrmSecurity *start()
    {
        home = new TfrmMain;
        home->show();
        for (int i = 0; i < 200 && !securityWindow(); ++i)
            QTest::qWait(10);
        EXPECT_NE(securityWindow(), nullptr);
        return securityWindow();
    }
    static TfrmSecurity *securityWindow() { return shownWindow<TfrmSecurity>(); }
};

TEST_F(Security, NoPasswordStartsOnTheSetPasswordPageWithTheMenuDisabled)
{
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
    saveScreenshot(s, "security_first_login");
}

TEST_F(Security, FirstPasswordChecksInOrderThenStoresAHash)
{
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
        EXPECT_EQ(storedPassword(), "");
    }
    m_dialogs->clear();
    QPointer<TfrmSecurity> guard(s);
    type(s->firstUser, "admin");
    type(s->firstPassword, "Secret");
    type(s->firstConfirmation, "Secret");
    QTest::keyClick(s->firstConfirmation, Qt::Key_Return);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Password successfully updated."});
    EXPECT_EQ(m_dialogs->shown()[0].kind, "information");
    EXPECT_EQ(appState().login, LoginState::Done);
    EXPECT_TRUE(home->isVisible());
    QApplication::processEvents();
    EXPECT_TRUE(guard.isNull() || !guard->isVisible());
    const QString stored = storedPassword();
    EXPECT_NE(stored, "Secret");
    EXPECT_TRUE(isPasswordHash(stored));
    EXPECT_TRUE(verifyPassword("Secret", stored));
    dm1->tblUser->first();
    EXPECT_EQ(dm1->tblUser->asString("User"), "admin");
}

TEST_F(Security, LoginEdgeCases)
{
    storeCredentials("Admin", hashPassword("Secret1"));
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
    }
    m_dialogs->clear();
    type(s->loginUser, "Admin");
    type(s->loginPassword, "Secret1");
    click(s->btnLoginOk);
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_EQ(appState().login, LoginState::Done);
    EXPECT_TRUE(home->isVisible());
}

TEST_F(Security, PlainTextPasswordFromAnOlderFileIsAcceptedOnceAndHashed)
{
    storeCredentials("Admin", "OldPass");
    TfrmSecurity *s = start();
    type(s->loginUser, "Admin");
    type(s->loginPassword, "oldpass");
    click(s->btnLoginOk);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Invalid Login."});
    EXPECT_EQ(storedPassword(), "OldPass");
    type(s->loginPassword, "OldPass");
    click(s->btnLoginOk);
    EXPECT_EQ(appState().login, LoginState::Done);
    EXPECT_TRUE(isPasswordHash(storedPassword()));
    EXPECT_TRUE(verifyPassword("OldPass", storedPassword()));
}

TEST_F(Security, CancelOnTheLoginEndsTheProgram)
{
    storeCredentials("Admin", hashPassword("x"));
    TfrmSecurity *s = start();
    QPointer<TfrmSecurity> guard(s);
    click(s->btnLoginCancel);
    QApplication::processEvents();
    EXPECT_FALSE(home->isVisible());
    EXPECT_TRUE(guard.isNull() || !guard->isVisible());
    EXPECT_EQ(appState().login, LoginState::Pending);
}

TEST_F(Security, ChangePageOpensWithTheNameAndSavesANewHash)
{
    storeCredentials("Admin", hashPassword("First"));
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
    const QString before = storedPassword();
    type(s->newUser, "Boss");
    type(s->newPassword, "Second");
    type(s->newConfirmation, "Second");
    click(s->btnChangeOk);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Password successfully updated."});
    EXPECT_NE(storedPassword(), before);
    EXPECT_TRUE(verifyPassword("Second", storedPassword()));
    EXPECT_FALSE(verifyPassword("First", storedPassword()));
    EXPECT_TRUE(home->isVisible());
    EXPECT_EQ(appState().login, LoginState::Done);
}

TEST_F(Security, LaterStartsAskForTheLogin)
{
    TfrmSecurity *s = start();
    type(s->firstUser, "admin");
    type(s->firstPassword, "pw");
    type(s->firstConfirmation, "pw");
    click(s->btnFirstOk);
    delete home;
    home = nullptr;
    resetAppState();
    restart();
    TfrmSecurity *again = start();
    EXPECT_EQ(again->currentPage(), again->tsLogin);
}

TEST_F(Security, ChangingAsksForTheCurrentPasswordFirst)
{
    storeCredentials("Admin", hashPassword("First"));
    makeHome();
    auto *s = static_cast<TfrmSecurity *>(OpenSecurityWindow());
    ASSERT_NE(s, nullptr);
    const QString before = storedPassword();
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
        EXPECT_EQ(storedPassword(), before);
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
    restart();
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
    storeCredentials("Admin", hashPassword("First"));
    makeHome();
    const QString before = storedPassword();
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
        EXPECT_EQ(storedPassword() == before, QLatin1String(c.user) == QLatin1String("Admin"));
        if (!s.isNull() && s->isVisible()) {
            m_dialogs->answerSaveQuestions({SaveChoice::Discard});
            s->close();
            QApplication::processEvents();
        }
        delete s.data();
    }
}
