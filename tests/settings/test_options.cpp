// The options window as real widgets on a real user row: the preparer's
// page with its derived fields, the e-mail settings, what Cancel and the
// side links keep or discard, and the checks of "Test".
#include "support/window_fixture.h"

#include "kit/btn_functions.h"
#include "reports/optionsprint.h"
#include "settings/options.h"
#include "support/smtp_server.h"

#include <QPointer>

using namespace nettora;
using namespace nettora::test;

namespace {

bool hasLabel(QWidget *page, const QString &text)
{
    return labelTexts(page).contains(text);
}

}  // namespace

class Options : public WindowTest {
protected:
    void TearDown() override
    {
        TfrmOptions::setTestMailer(nullptr);
        WindowTest::TearDown();
    }
    // The field as the file holds it, past every cursor.
    QString storedUser(const char *field)
    {
        Statement st = dm1->db().prepare(QStringLiteral("SELECT \"%1\" FROM \"User\"").arg(QLatin1String(field)));
        return st.step() ? st.columnText(0) : QStringLiteral("<no row>");
    }
    TfrmOptions *open()
    {
        auto *w = qobject_cast<TfrmOptions *>(OpenOptionsWindow());
        EXPECT_NE(w, nullptr);
        return w;
    }
    void fillEmailSettings(TfrmOptions *w)
    {
        type(w->edEmailName, "Ann Lee");
        type(w->edEmailAddress, "ann@lee.example");
        type(w->edSMTPServer, "127.0.0.1:1");
        type(w->edSMTPUserName, "ann");
        type(w->edSMTPPassword, "s3cret");
    }
};

TEST_F(Options, OptionsOpensTheUserPageAndTheEmailLinkTheEmailPage)
{
    setUser({{"Company", "Lee & Co."}, {"FirstName", "Ann"}, {"EmailName", "Ann Lee"}});
    QPointer<TfrmOptions> w = open();
    ASSERT_TRUE(w);
    EXPECT_EQ(appState().optionsStartPage, OptionsPage::User);
    EXPECT_EQ(w->windowTitle(), "Nettora - Lee & Co.");
    EXPECT_EQ(w->currentPage(), w->tsUser);
    EXPECT_TRUE(w->pcMain->isVisible());
    EXPECT_EQ(w->focusWidget(), w->edFirstName);
    EXPECT_EQ(w->edFirstName->text(), "Ann");
    EXPECT_EQ(dm1->tblUser->state(), RecordState::Edit);
    EXPECT_EQ(w->userLink->text(), "   User Information");
    EXPECT_EQ(w->emailLink->text(), "   Email Setup");
    EXPECT_EQ(w->printOptionsLink->text(), "   Print Options");
    const struct {
        QWidget *page;
        const char *text;
    } labels[] = {
        {w->tsUser, "Enter Preparer's Information."},
        {w->tsUser, "First Name:"},
        {w->tsUser, "Middle Initial:"},
        {w->tsUser, "Last Name:"},
        {w->tsUser, "Company Name:"},
        {w->tsUser, "Address:"},
        {w->tsUser, "Suite, Apt, Etc:"},
        {w->tsUser, "City:"},
        {w->tsUser, "State:"},
        {w->tsUser, "Zip Code:"},
        {w->tsUser, "Phone:"},
        {w->tsUser, "Fax:"},
        {w->tsEmail, "Enter all information to insure that the email function works properly."},
        {w->tsEmail, "This information can be found in the email client you are currently using to send and receive "
                     "email."},
        {w->tsEmail, "Name:"},
        {w->tsEmail, "This is the name that appears in the \"From\" field."},
        {w->tsEmail, "Email Address:"},
        {w->tsEmail, "SMTP Server:"},
        {w->tsEmail, "Outgoing Email Server."},
        {w->tsEmail, "User Name:"},
        {w->tsEmail, "Outgoing server username."},
        {w->tsEmail, "Password:"},
        {w->tsEmail, "Outgoing server password."},
        {w->tsEmailTest, "Email Test Results"},
    };
    for (const auto &l : labels)
        EXPECT_TRUE(hasLabel(l.page, QString::fromUtf8(l.text))) << l.text;
    EXPECT_EQ(w->btnTest->text(), "Test");
    EXPECT_TRUE(w->btnUserOk->isDefault());
    EXPECT_TRUE(w->btnEmailOk->isDefault());
    saveScreenshot(w, "options_user");

    // The workspace's link: the same window on its e-mail page.
    auto *e = qobject_cast<TfrmOptions *>(OpenEmailSetupWindow());
    ASSERT_NE(e, nullptr);
    w->close();
    EXPECT_EQ(appState().optionsStartPage, OptionsPage::Email);
    EXPECT_EQ(e->currentPage(), e->tsEmail);
    EXPECT_EQ(e->focusWidget(), e->edEmailName);
    EXPECT_EQ(e->edEmailName->text(), "Ann Lee");
    saveScreenshot(e, "options_email");
}

TEST_F(Options, OkOnThePreparerPageStoresTheFieldsAndTheDerivedOnes)
{
    const struct {
        const char *first, *middle, *last, *address, *address2, *city, *state, *zip, *fax;
        const char *fullName, *address3, *cityStateZip, *faxNumber;
    } cases[] = {
        {"Ann", "q", "Lee", "1 Main St", "Suite 5", "Dallas", "tx", "75001", "555-0101", "Ann Q. Lee",
         "1 Main St , Suite 5", "Dallas TX. 75001", "Fax:  555-0101"},
        {"Bob", "", "Ray", "2 Elm St", "", "", "", "", "", "Bob Ray", "2 Elm St", " . ", ""},
    };
    for (const auto &c : cases) {
        TfrmOptions *w = open();
        const std::pair<QLineEdit *, const char *> typed[] = {
            {w->edFirstName, c.first}, {w->edMiddleInitial, c.middle}, {w->edLastName, c.last},
            {w->edAddress, c.address}, {w->edAddress2, c.address2},     {w->edCity, c.city},
            {w->edState, c.state},     {w->edZip, c.zip},               {w->edFax, c.fax},
        };
        for (const auto &[editor, text] : typed)
            type(editor, QString::fromLatin1(text));
        type(w->edCompany, "Lee & Co.");
        type(w->edPhone, "555-0100");
        click(w->btnUserOk);
        EXPECT_FALSE(w->pcMain->isVisible());
        EXPECT_EQ(storedUser("FirstName"), c.first);
        EXPECT_EQ(storedUser("MiddleInitial"), QString::fromLatin1(c.middle).toUpper());
        EXPECT_EQ(storedUser("State"), QString::fromLatin1(c.state).toUpper());
        EXPECT_EQ(storedUser("Address2"), c.address2);
        EXPECT_EQ(storedUser("Company"), "Lee & Co.");
        EXPECT_EQ(storedUser("Phone"), "555-0100");
        EXPECT_EQ(storedUser("FullName"), c.fullName);
        EXPECT_EQ(storedUser("Address3"), c.address3);
        EXPECT_EQ(storedUser("CityStateZip"), c.cityStateZip);
        EXPECT_EQ(storedUser("FaxNumber"), c.faxNumber);
        EXPECT_EQ(dm1->tblUser->state(), RecordState::Browse);
        EXPECT_EQ(w->windowTitle(), "Nettora - Lee & Co.");
        EXPECT_TRUE(m_dialogs->shown().empty());
        w->close();
    }
}

TEST_F(Options, InitialAndStateTakeUpperCaseUpToTheirWidth)
{
    TfrmOptions *w = open();
    type(w->edMiddleInitial, "qz");
    type(w->edState, "txa");
    EXPECT_EQ(w->edMiddleInitial->text(), "Q");
    EXPECT_EQ(w->edState->text(), "TX");
    type(w->edFirstName, "ann");  // other fields keep what was typed
    EXPECT_EQ(w->edFirstName->text(), "ann");
}

TEST_F(Options, CancelAndEmailSetupDiscardWhatWasTypedEvenFromAnotherWindowsSave)
{
    setUser({{"FirstName", "Ann"}, {"EmailName", "Ann Lee"}});
    TfrmOptions *w = open();
    type(w->edFirstName, "Typed");
    click(w->btnUserCancel);
    EXPECT_FALSE(w->pcMain->isVisible());
    EXPECT_EQ(w->edFirstName->text(), "Ann");
    // Another window saving the user row (a password change) stores
    // nothing that was typed here.
    Table *u = dm1->tblUser;
    ASSERT_EQ(u->state(), RecordState::Edit);  // the pages keep working
    u->setAsString("Password", "hash");
    u->post();
    EXPECT_EQ(storedUser("FirstName"), "Ann");
    EXPECT_EQ(storedUser("Password"), "hash");

    // The e-mail page's Cancel, and the "Email Setup" link, drop what was
    // typed on either page.
    click(w->emailLink);
    type(w->edEmailName, "Typed");
    click(w->btnEmailCancel);
    EXPECT_EQ(w->edEmailName->text(), "Ann Lee");
    click(w->userLink);
    EXPECT_EQ(w->currentPage(), w->tsUser);
    EXPECT_EQ(w->focusWidget(), w->edFirstName);
    type(w->edFirstName, "Typed");
    m_dialogs->answerSaveQuestions({SaveChoice::Discard});
    click(w->emailLink);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Save the changes to User Information?"});
    EXPECT_EQ(w->currentPage(), w->tsEmail);
    EXPECT_EQ(w->focusWidget(), w->edEmailName);
    EXPECT_EQ(w->edFirstName->text(), "Ann");
    EXPECT_EQ(u->state(), RecordState::Edit);
    click(w->btnEmailOk);
    EXPECT_EQ(storedUser("FirstName"), "Ann");

    // Closing the window leaves no edit behind for another window's save.
    QPointer<TfrmOptions> again = open();
    type(again->edFirstName, "Typed");
    m_dialogs->answerSaveQuestions({SaveChoice::Discard});
    again->close();
    EXPECT_EQ(u->state(), RecordState::Browse);
    EXPECT_EQ(storedUser("FirstName"), "Ann");
}

TEST_F(Options, OkOnTheEmailPageStoresTheSettingsAndThePasswordShowsAsStars)
{
    TfrmOptions *w = open();
    click(w->emailLink);
    fillEmailSettings(w);
    EXPECT_EQ(w->edSMTPPassword->displayText(), "******");
    click(w->btnEmailOk);
    EXPECT_FALSE(w->pcMain->isVisible());
    const std::pair<const char *, const char *> expected[] = {
        {"EmailName", "Ann Lee"},  {"EmailAddress", "ann@lee.example"}, {"SMTPServer", "127.0.0.1:1"},
        {"SMTPUserName", "ann"},   {"SMTPPassword", "s3cret"},
    };
    for (const auto &[field, value] : expected)
        EXPECT_EQ(storedUser(field), value) << field;
    EXPECT_TRUE(m_dialogs->shown().empty());
    // The stored password comes back masked too.
    w->close();
    auto *again = qobject_cast<TfrmOptions *>(OpenEmailSetupWindow());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->edSMTPPassword->text(), "s3cret");
    EXPECT_EQ(again->edSMTPPassword->displayText(), "******");
}

TEST_F(Options, TestSavesTheSettingsAndNamesTheFirstMissingOneAtItsEditor)
{
    const char *fields[] = {"EmailName", "EmailAddress", "SMTPServer", "SMTPUserName", "SMTPPassword"};
    const char *messages[] = {"Please enter \"Name\"", "Please enter \"Email Address\"",
                              "Please enter \"SMTP Server\"", "Please enter \"SMTP Username\"",
                              "Please enter \"SMTP Password\""};
    int sends = 0;
    TfrmOptions::setTestMailer([&sends](const auto &) {
        ++sends;
        return true;
    });
    for (int missing = 0; missing < 5; ++missing) {
        TfrmOptions *w = qobject_cast<TfrmOptions *>(OpenEmailSetupWindow());
        ASSERT_NE(w, nullptr);
        fillEmailSettings(w);
        QLineEdit *editors[] = {w->edEmailName, w->edEmailAddress, w->edSMTPServer, w->edSMTPUserName,
                                w->edSMTPPassword};
        // Every later field empty too: only the first missing one is told.
        for (int i = missing; i < 5; ++i)
            editors[i]->clear();
        w->edEmailName->setFocus();
        m_dialogs->clear();
        click(w->btnTest);
        EXPECT_EQ(m_dialogs->texts(), QStringList{messages[missing]});
        EXPECT_EQ(m_dialogs->shown().front().kind, "error");
        EXPECT_EQ(w->focusWidget(), editors[missing]) << fields[missing];
        EXPECT_EQ(w->currentPage(), w->tsEmail);
        // What was typed was saved all the same.
        EXPECT_EQ(storedUser(fields[missing]), "");
        if (missing > 0) {
            EXPECT_EQ(storedUser("EmailName"), "Ann Lee");
        }
        w->close();
    }
    EXPECT_EQ(sends, 0);
}

TEST_F(Options, ASenderThatIsNotOneAddressIsStoredByNoButton)
{
    int sends = 0;
    TfrmOptions::setTestMailer([&sends](const auto &) {
        ++sends;
        return true;
    });
    setUser({{"EmailAddress", "old@lee.example"}});
    for (const char *typed : {"ann@lee.example>, <spy@evil.example", "Ann Lee <ann@lee.example>", "ann@"}) {
        TfrmOptions *w = qobject_cast<TfrmOptions *>(OpenEmailSetupWindow());
        ASSERT_NE(w, nullptr);
        fillEmailSettings(w);
        w->edEmailAddress->setText(QString::fromLatin1(typed));
        for (QPushButton *button : {w->btnEmailOk, w->btnTest}) {
            const std::string what = std::string(typed) + " / " + button->objectName().toStdString();
            m_dialogs->clear();
            click(button);
            EXPECT_EQ(m_dialogs->texts(),
                      QStringList{QStringLiteral("\"%1\" is not one e-mail address.").arg(QLatin1String(typed))})
                << what;
            EXPECT_EQ(w->currentPage(), w->tsEmail) << what;
            EXPECT_TRUE(w->pcMain->isVisible()) << what;
            EXPECT_EQ(w->focusWidget(), w->edEmailAddress) << what;
            EXPECT_EQ(storedUser("EmailAddress"), "old@lee.example") << what;
            EXPECT_EQ(storedUser("EmailName"), "") << what;
        }
        click(w->btnEmailCancel);
        w->close();
    }
    EXPECT_EQ(sends, 0);

    // The preparer page's OK stores both pages: an address stored before it
    // was checked is shown to be mended first.
    setUser({{"EmailAddress", "old@lee.example, spy@evil.example"}});
    QPointer<TfrmOptions> user = open();
    ASSERT_TRUE(user);
    type(user->edFirstName, "Ann");
    m_dialogs->clear();
    click(user->btnUserOk);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"\"old@lee.example, spy@evil.example\" is not one e-mail address."});
    EXPECT_EQ(user->currentPage(), user->tsEmail);
    EXPECT_EQ(user->focusWidget(), user->edEmailAddress);
    EXPECT_EQ(storedUser("FirstName"), "");
    type(user->edEmailAddress, "ann@lee.example");
    click(user->btnEmailOk);
    EXPECT_EQ(storedUser("FirstName"), "Ann");
    EXPECT_EQ(storedUser("EmailAddress"), "ann@lee.example");
    user->close();

    // Blanks around one address are dropped.
    TfrmOptions *w = qobject_cast<TfrmOptions *>(OpenEmailSetupWindow());
    ASSERT_NE(w, nullptr);
    fillEmailSettings(w);
    w->edEmailAddress->setText(QStringLiteral("  \"ann lee\"@lee.example "));
    m_dialogs->clear();
    click(w->btnEmailOk);
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_EQ(storedUser("EmailAddress"), "\"ann lee\"@lee.example");
}

TEST_F(Options, TestShowsTheResultsPageWithItsOkHiddenWhileTheMessageGoes)
{
    QStringList seen;
    QPointer<TfrmOptions> w;
    TfrmOptions::setTestMailer([&](const std::function<void(const QString &)> &status) {
        // While the message goes: the results page, its OK hidden, an
        // empty memo, and the window stays when asked to close.
        seen << QString::number(w->currentPage() == w->tsEmailTest) << QString::number(w->btnEmailTest->isVisible())
             << w->mEmail->toPlainText();
        status(QStringLiteral("first line"));
        w->close();
        click(w->mExit);
        seen << QString::number(w->isVisible()) << QString::number(w->mExit->isEnabled())
             << QString::number(w->userLink->isEnabled());
        status(QStringLiteral("second line"));
        return true;
    });
    w = qobject_cast<TfrmOptions *>(OpenEmailSetupWindow());
    ASSERT_TRUE(w);
    fillEmailSettings(w);
    w->mEmail->setPlainText(QStringLiteral("an earlier test"));
    click(w->btnTest);
    ASSERT_TRUE(w);
    EXPECT_EQ(seen, (QStringList{"1", "0", "", "1", "0", "0"}));
    EXPECT_EQ(w->mEmail->toPlainText(), "first line\nsecond line");
    EXPECT_TRUE(w->btnEmailTest->isVisible());
    EXPECT_TRUE(w->mExit->isEnabled());
    EXPECT_TRUE(w->userLink->isEnabled());
    EXPECT_EQ(storedUser("SMTPPassword"), "s3cret");
    click(w->btnEmailTest);
    EXPECT_FALSE(w->pcMain->isVisible());
    EXPECT_TRUE(w->isVisible());
}

TEST_F(Options, PrintOptionsLinkAndOptionsEntryReplaceTheWindow)
{
    QPointer<TfrmOptions> w = open();
    type(w->edFirstName, "Typed");
    // Typing is asked about: Cancel stays, Save stores it on the way.
    m_dialogs->answerSaveQuestions({SaveChoice::Cancel});
    click(w->printOptionsLink);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->edFirstName->text(), "Typed");
    m_dialogs->answerSaveQuestions({SaveChoice::Save});
    click(w->printOptionsLink);
    QApplication::processEvents();
    EXPECT_TRUE(w.isNull() || !w->isVisible());
    TfrmOptionsPrint *print = shownWindow<TfrmOptionsPrint>();
    ASSERT_NE(print, nullptr);
    EXPECT_EQ(storedUser("FirstName"), "Typed");
    delete w;

    // OPTIONS on the options window: a fresh one on the user page.
    appState().optionsStartPage = OptionsPage::Email;
    QPointer<TfrmOptions> first = qobject_cast<TfrmOptions *>(OpenEmailSetupWindow());
    click(first->mOptions);
    QApplication::processEvents();
    EXPECT_TRUE(first.isNull() || !first->isVisible());
    TfrmOptions *fresh = shownWindow<TfrmOptions>();
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->currentPage(), fresh->tsUser);
    // The old window's closing does not stop the new one from saving.
    type(fresh->edFirstName, "Ann");
    click(fresh->btnUserOk);
    EXPECT_EQ(storedUser("FirstName"), "Ann");
}

TEST_F(Options, TestSendsToTheOwnAddressOrReportsAWrongServer)
{
    SmtpServer server(SmtpServer::Mode::Plain);
    QString why;
    ASSERT_TRUE(server.start(&why)) << why.toStdString();
    const QString closing = "Click on \"OK\" to exit this screen.";
    const struct {
        QString server;
        QStringList result;
    } cases[] = {
        {server.address(),
         {"Connection to email sever successful...", "Email sent successfully...", "Email setup was successful...",
          "Please check your inbox for the test message.", closing}},
        {"127.0.0.1:1",
         {"-36: Error attempting to connect.", "Nothing answers at 127.0.0.1:1.", "-36: Error attempting to connect.",
          "Nothing answers at 127.0.0.1:1.", "Errors: Please check the email information that has been entered.",
          closing}},
    };
    for (const auto &c : cases) {
        QPointer<TfrmOptions> w = qobject_cast<TfrmOptions *>(OpenEmailSetupWindow());
        ASSERT_TRUE(w);
        fillEmailSettings(w);
        type(w->edSMTPServer, c.server);
        type(w->edSMTPUserName, SmtpServer::User);
        type(w->edSMTPPassword, SmtpServer::Password);
        click(w->btnTest);
        const QStringList echo = {"To: <ann@lee.example>",
                                  "From: Ann Lee",
                                  "SMTP Server: " + c.server,
                                  QStringLiteral("SMTP Username: ") + SmtpServer::User,
                                  "SMTP Password: *********",
                                  "Email engine successfully started..."};
        EXPECT_EQ(w->mEmail->toPlainText().split(QLatin1Char('\n')), echo + c.result);
        EXPECT_EQ(w->currentPage(), w->tsEmailTest);
        EXPECT_TRUE(w->btnEmailTest->isVisible());
        EXPECT_TRUE(m_dialogs->shown().empty());
        EXPECT_EQ(storedUser("SMTPServer"), c.server);
        saveScreenshot(w, c.server == server.address() ? "options_test_sent" : "options_test_wrong_server");
        w->close();
    }
    // Only the first case reached the server: the message to the preparer.
    const auto mails = server.messages();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].recipients, QStringList{"ann@lee.example"});
    EXPECT_EQ(mails[0].envelopeFrom, "ann@lee.example");
    EXPECT_EQ(mails[0].subject, "Personal Financial Statement Email Test ");
    EXPECT_TRUE(mails[0].text.endsWith(QLatin1String("Email test was successful!!!")));
}
