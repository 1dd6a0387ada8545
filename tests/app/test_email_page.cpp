// The workspace's e-mail page as real widgets over a real data directory:
// its choices and texts, the settings test, the link to the e-mail
// settings, and the name of the attachment.
#include "support/window_fixture.h"
#include "reports/pdf_tools.h"

#include "kit/btn_functions.h"
#include "mail/email_sequence.h"
#include "settings/options.h"
#include "support/smtp_server.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <algorithm>

using namespace nettora;
using namespace nettora::test;

namespace {

class EmailPage : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        makeHome();
        ann = addClient("Ann", "Able");
        addStatement(ann, "12/31/2025", "Annual");
        setClient({{"FullName2", "Ann Q. Able"}});
        setUser({{"FirstName", "Pat"}, {"LastName", "Lee"}, {"EmailName", "Pat Lee"},
                 {"EmailAddress", "pat@lee.example"}, {"SMTPServer", "127.0.0.1:1"}, {"SMTPPassword", "pw"},
                 {"EmailSubject", "Stored subject"}, {"EmailContent", "Stored text"}});
    }
    TfrmFSMain *openEmailPage() { return openWorkspacePage(ann, "Email"); }

    qint64 ann = 0;
};

}  // namespace

TEST_F(EmailPage, ShowsTheSixChoicesTheBoxesAndTheLink)
{
    TfrmFSMain *fs = openEmailPage();
    ASSERT_EQ(fs->currentPage(), fs->tsEmail);
    expectDocumentChoices({fs->emailStandard, fs->emailContemporary, fs->emailProfessional, fs->emailStandardBlank,
        fs->emailContemporaryBlank, fs->emailProfessionalBlank});
    const QStringList texts = labelTexts(fs->tsEmail);
    for (const char *t : {"Email Financial Statement",
                          "Please complete all of the information below to email a Financial Statement.",
                          "Statement Style:", "Email Information:", "To:", "Subject:", "Content:",
                          "Click Here to Add/Update Email Information"})
        EXPECT_TRUE(texts.contains(QString::fromLatin1(t))) << t;
    EXPECT_TRUE(fs->edEmailAddress->text().isEmpty());
    EXPECT_EQ(fs->emailSettingsLink->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(fs->emailOkButton->text(), "OK");
    EXPECT_TRUE(fs->emailOkButton->isDefault());
    EXPECT_EQ(fs->bEmailCancel->text(), "Cancel");
    fs->edEmailAddress->setText("bank@lender.example");
    saveScreenshot(fs, "workspace_email_page");

    // Showing the page loads the stored subject and text.
    fs->edSubject->clear();
    fs->reContent->clear();
    fs->tsEmailShow();
    EXPECT_EQ(fs->edSubject->text(), "Stored subject");
    EXPECT_EQ(fs->reContent->toPlainText(), "Stored text");
}

TEST_F(EmailPage, CheckEmailVarsIsSilentOnMissingSettingsAndAsksForTheRecipient)
{
    TfrmFSMain *fs = openEmailPage();
    const struct {
        const char *emptyField;  // nullptr: all settings present
        const char *to;
        const char *answer;
        const char *message;
    } cases[] = {
        {"EmailName", "bank@lender.example", "No", nullptr},
        {"EmailAddress", "bank@lender.example", "No", nullptr},
        {"SMTPServer", "bank@lender.example", "No", nullptr},
        {"SMTPPassword", "bank@lender.example", "No", nullptr},
        {"SMTPPassword", "", "No", nullptr},  // the settings come first
        {"SMTPUserName", "bank@lender.example", "Yes", nullptr},
        {nullptr, "", "No", "Please enter Email Address."},
        {nullptr, "bank@lender.example", "Yes", nullptr},
        {nullptr, "  bank@lender.example ", "Yes", nullptr},
        {nullptr, "bank@lender.example>, <spy@evil.example", "No",
         "\"bank@lender.example>, <spy@evil.example\" is not one e-mail address."},
        {nullptr, "Bank <bank@lender.example>", "No", "\"Bank <bank@lender.example>\" is not one e-mail address."},
        {nullptr, "bank@lender.example; spy@evil.example", "No",
         "\"bank@lender.example; spy@evil.example\" is not one e-mail address."},
        {nullptr, "bank lender@example", "No", "\"bank lender@example\" is not one e-mail address."},
    };
    for (const auto &c : cases) {
        setUser({{"EmailName", "Pat Lee"}, {"EmailAddress", "pat@lee.example"}, {"SMTPServer", "127.0.0.1:1"},
                 {"SMTPUserName", "pat"}, {"SMTPPassword", "pw"}});
        if (c.emptyField)
            setUser({{c.emptyField, QString()}});
        fs->edEmailAddress->setText(QString::fromLatin1(c.to));
        fs->emailOkButton->setFocus();
        m_dialogs->clear();
        const std::string what = std::string(c.emptyField ? c.emptyField : "-") + " / " + c.to;
        EXPECT_EQ(fs->CheckEmailVars(), c.answer) << what;
        // What is sent is the address without the blanks around it.
        EXPECT_EQ(fs->edEmailAddress->text(), QString::fromLatin1(c.to).trimmed()) << what;
        if (c.message) {
            EXPECT_EQ(m_dialogs->texts(), QStringList{c.message}) << what;
            EXPECT_EQ(m_dialogs->shown().front().kind, "error");
            EXPECT_EQ(fs->focusWidget(), fs->edEmailAddress) << what;
        } else {
            EXPECT_TRUE(m_dialogs->shown().empty()) << what;
        }
        EXPECT_EQ(fs->currentPage(), fs->tsEmail) << what;
    }
}

TEST_F(EmailPage, TheLinkOpensTheOptionsOnTheirEmailPage)
{
    QPointer<TfrmFSMain> fs = openEmailPage();
    click(fs->emailSettingsLink);
    QApplication::processEvents();
    EXPECT_TRUE(fs.isNull() || !fs->isVisible());
    EXPECT_EQ(appState().optionsStartPage, OptionsPage::Email);
    TfrmOptions *options = shownWindow<TfrmOptions>();
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->currentPage(), options->tsEmail);
    EXPECT_EQ(options->edEmailName->text(), "Pat Lee");
    EXPECT_EQ(dm1->tblNettora->state(), RecordState::Browse);
}

namespace {

// The PDF progress lines of a single client's Standard statement.
QStringList pdfLines(const QString &file)
{
    return {"Generating PDF File: " + file,  "Creating Net Worth Summary",   "Creating Legal Information",
            "Creating Assets",               "Creating Liabilities",         "Creating Annual Income and Expenses",
            file + " Created Successfully!"};
}

QStringList echoLines(const QString &server, const QString &user)
{
    return {"Preparing to Email File.", "To: <lender@bank.example>", "From: Pat Lee",
            "SMTP Server: " + server,   "SMTP Username: " + user,     "SMTP Password: *********",
            "Email engine successfully started..."};
}

}  // namespace

TEST_F(EmailPage, SendsTheStatementAndRemovesTheWorkingFile)
{
    SmtpServer server(SmtpServer::Mode::Plain);
    QString why;
    ASSERT_TRUE(server.start(&why)) << why.toStdString();
    // A name with a slash still gives one plain file name.
    setClient({{"FullName2", "Ann/Bob Able"}});
    setUser({{"SMTPServer", server.address()}, {"SMTPUserName", SmtpServer::User},
             {"SMTPPassword", SmtpServer::Password}, {"Company", "Lee & Co."}, {"Phone", "555-0100"}});
    TfrmFSMain *fs = openEmailPage();
    EXPECT_EQ(fs->edSubject->text(), "RE: Ann/Bob Able - Annual");
    EXPECT_EQ(fs->reContent->toPlainText(),
              "Attached is the financial statement for Ann/Bob Able.\n\nIf you have any questions, please contact me."
              "\n\nSincerely,\n\n\nPat Lee\nLee & Co.\n555-0100\n");
    type(fs->edEmailAddress, "lender@bank.example");

    // While the mail goes: the working file is there, the status page's OK,
    // the side links and the menu are out of reach and the window stays
    // when asked to close.
    QString attachment;
    QStringList during;
    QObject::connect(fs->statusText, &QPlainTextEdit::textChanged, fs, [&] {
        if (!fs->statusText->toPlainText().endsWith(QLatin1String("Connection to email sever successful...")))
            return;
        attachment = appState().pdfFolder + appState().pdfFileName;
        const auto visibleWindows = [] {
            const QWidgetList windows = QApplication::topLevelWidgets();
            return std::count_if(windows.cbegin(), windows.cend(), [](QWidget *w) { return w->isVisible(); });
        };
        fs->close();
        click(fs->assetsLink);
        click(fs->mExit);
        during << QString::number(QFileInfo(attachment).isFile()) << QString::number(fs->statusOkButton->isEnabled())
               << QString::number(fs->isVisible()) << QString::number(fs->sending())
               << QString::number(fs->currentPage() == fs->tsEstatus) << QString::number(home->isVisible())
               << QString::number(visibleWindows());
    });
    click(fs->emailOkButton);
    EXPECT_EQ(during, (QStringList{"1", "0", "1", "1", "1", "0", "1"}));
    const QStringList lines = fs->statusText->toPlainText().split(QLatin1Char('\n'));
    const QStringList sent = {"Connection to email sever successful...", "Email sent successfully...",
                              "Click on \"OK\" to exit this screen."};
    EXPECT_EQ(lines, pdfLines("Ann_Bob Able.pdf") + echoLines(server.address(), SmtpServer::User) + sent);
    EXPECT_FALSE(fs->statusText->toPlainText().contains(QLatin1String(SmtpServer::Password)));
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_TRUE(fs->statusOkButton->isEnabled());
    EXPECT_EQ(fs->currentPage(), fs->tsEstatus);
    EXPECT_EQ(server.authAttempts().size(), 2);
    ASSERT_FALSE(attachment.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(attachment));
    EXPECT_FALSE(QFileInfo::exists(appState().pdfFolder));

    const auto mails = server.messages();
    ASSERT_EQ(mails.size(), 1u);
    const ReceivedMail &m = mails[0];
    EXPECT_EQ(m.recipients, QStringList{"lender@bank.example"});
    EXPECT_EQ(m.envelopeFrom, "pat@lee.example");
    EXPECT_EQ(m.subject, "RE: Ann/Bob Able - Annual");
    EXPECT_TRUE(m.text.startsWith(QLatin1String("Attached is the financial statement for Ann/Bob Able.\r\n")));
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(m.attachments[0].fileName, "Ann_Bob Able.pdf");
    const ToolRun text = runTool(QStringLiteral("pdftotext"), {m.attachments[0].path, QStringLiteral("-")});
    ASSERT_NE(text.status, -1);
    EXPECT_TRUE(text.out.contains(QLatin1String("Ann/Bob Able")));
    saveScreenshot(fs, "workspace_email_sent");

    click(fs->statusOkButton);
    QApplication::processEvents();
    EXPECT_TRUE(home->isVisible());
}

TEST_F(EmailPage, AWrongServerGivesTheConnectAndSendErrorsAndStillRemovesTheFile)
{
    // Nothing listens on port 1: the connection is refused at once.
    setUser({{"SMTPServer", "127.0.0.1:1"}, {"SMTPUserName", "pat"}, {"SMTPPassword", "Secret-pw"}});
    TfrmFSMain *fs = openEmailPage();
    fs->emailProfessionalBlank->setChecked(true);
    type(fs->edEmailAddress, "lender@bank.example");
    click(fs->emailOkButton);
    const QStringList lines = fs->statusText->toPlainText().split(QLatin1Char('\n'));
    const QString file = "Ann Q. Able.pdf";
    ASSERT_GT(lines.size(), 4);
    EXPECT_EQ(lines.first(), "Generating PDF File: " + file);
    EXPECT_TRUE(lines.contains("Creating Liabilities Schedule D"));  // the blank set
    const qsizetype echo = lines.indexOf(file + " Created Successfully!") + 1;
    ASSERT_GT(echo, 0);
    EXPECT_EQ(lines.mid(echo, 7), echoLines("127.0.0.1:1", "pat"));
    // Sending opens its own session, so it fails to connect too.
    EXPECT_EQ(lines.mid(echo + 7),
              (QStringList{"-36: Error attempting to connect.", "Nothing answers at 127.0.0.1:1.",
                           "-36: Error attempting to connect.", "Nothing answers at 127.0.0.1:1.",
                           "Errors: Please verify that the email information is correct.",
                           "Click on \"OK\" to exit this screen."}));
    EXPECT_FALSE(fs->statusText->toPlainText().contains(QLatin1String("Secret-pw")));
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_FALSE(QFileInfo::exists(appState().pdfFolder + appState().pdfFileName));
    EXPECT_FALSE(QFileInfo::exists(appState().pdfFolder));
    EXPECT_TRUE(fs->statusOkButton->isEnabled());
}

TEST_F(EmailPage, IncompleteSettingsOrNoRecipientSendNothing)
{
    SmtpServer server(SmtpServer::Mode::Plain);
    QString why;
    ASSERT_TRUE(server.start(&why)) << why.toStdString();
    setUser({{"SMTPServer", server.address()}, {"SMTPPassword", QString()}});
    TfrmFSMain *fs = openEmailPage();
    type(fs->edEmailAddress, "lender@bank.example");
    click(fs->emailOkButton);
    EXPECT_EQ(fs->currentPage(), fs->tsEmail);
    EXPECT_TRUE(m_dialogs->shown().empty());
    setUser({{"SMTPPassword", "pw"}});
    fs->edEmailAddress->clear();
    click(fs->emailOkButton);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Please enter Email Address."});
    EXPECT_EQ(fs->currentPage(), fs->tsEmail);
    EXPECT_TRUE(fs->statusText->toPlainText().isEmpty());
    EXPECT_TRUE(server.messages().empty());
}

TEST(EmailAttachment, IsTheClientsNameAsAPlainFileName)
{
    const struct {
        const char *name, *file;
    } cases[] = {
        {"Ann Q. Able", "Ann Q. Able.pdf"},
        {"Ann/Bob Able", "Ann_Bob Able.pdf"},
        {"..\\..\\etc", ".._.._etc.pdf"},
        {"Tab\tName\n", "Tab_Name_.pdf"},
        {"  Ann  ", "Ann.pdf"},
        {"..", "Statement.pdf"},
        {"", "Statement.pdf"},
        {"   ", "Statement.pdf"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(mail::PdfFileNameFor(QString::fromLatin1(c.name)), c.file) << c.name;
}
