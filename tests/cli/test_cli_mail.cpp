// nettora-cli mail: the real program sending to a real loopback SMTP server
// with the settings saved in the user row.
#include "cli/cli_commands.h"
#include "cli/cli_process.h"
#include "support/smtp_server.h"
#include "support/testsupport.h"
#include "reports/pdf_tools.h"

#include "data/engine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <signal.h>

using namespace nettora;
using namespace nettora::test;

namespace {

struct MailRun {
    int status = -1;
    QStringList lines;  // standard output, line by line
    QString err;
};

class CliMail : public DataDirTest {
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        ASSERT_TRUE(m_temp.isValid());
        ASSERT_TRUE(m_server.start());
        const auto ids = cli::importDocument(R"({"format": "nettora", "version": 1, "clients": [
            {"fields": {"FirstName": "John", "MiddleInitial": "Q", "LastName": "Smith"},
             "statements": [{"fields": {"Date": "12/31/2025", "Description": "Annual"},
                             "schedules": {"Cash": [{"Bank": "First Bank", "Balance": 12500.55}]}}]}]})");
        ASSERT_EQ(ids.size(), 1u);
        m_statement = ids[0].statementIds.at(0);
        setUser({{"FirstName", "Pat"}, {"LastName", "Preparer"}, {"Phone", "214-555-0100"},
                 {"EmailName", "Pat Preparer"}, {"EmailAddress", "pat@preparer.example"},
                 {"SMTPServer", m_server.address()}, {"SMTPUserName", QString::fromLatin1(SmtpServer::User)},
                 {"SMTPPassword", QString::fromLatin1(SmtpServer::Password)}});
    }


    // The program on its own, with a temporary place of the test's own so
    // that its working folders can be seen.
    MailRun cli(const QStringList &args)
    {
        m_dm.reset();  // one program at a time holds the data directory
        dm1 = nullptr;
        QProcess p;
        QProcessEnvironment env = cliEnvironment();
        env.insert(QStringLiteral("TMPDIR"), m_temp.path());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(NETTORA_CLI_PATH), QStringList{QStringLiteral("--data-dir"), dataDir()} + args);
        MailRun r;
        if (p.waitForStarted() && p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit) {
            r.status = p.exitCode();
            r.lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
            if (r.lines.last().isEmpty())
                r.lines.removeLast();
            r.err = QString::fromUtf8(p.readAllStandardError());
        }
        restart();
        return r;
    }

    // The program started with the test's temporary place and the usual
    // ending of SIGINT, SIGTERM and SIGHUP, whatever the test runner set.
    void startCli(QProcess &p, const QStringList &args)
    {
        m_dm.reset();
        dm1 = nullptr;
        QProcessEnvironment env = cliEnvironment();
        env.insert(QStringLiteral("TMPDIR"), m_temp.path());
        p.setProcessEnvironment(env);
        p.setChildProcessModifier([] {
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            for (const int s : {SIGINT, SIGTERM, SIGHUP})
                ::signal(s, SIG_DFL);
        });
        p.start(QStringLiteral(NETTORA_CLI_PATH), QStringList{QStringLiteral("--data-dir"), dataDir()} + args);
    }

    // What the program left in its temporary place, but Qt's own runtime
    // folder (made there when the environment names none).
    QStringList leftInTemp() const
    {
        QStringList left = QDir(m_temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        left.removeIf([](const QString &name) { return name.startsWith(QLatin1String("runtime-")); });
        return left;
    }

    QTemporaryDir m_temp;
    SmtpServer m_server{SmtpServer::Mode::Plain};
    qint64 m_statement = 0;
};

TEST_F(CliMail, SendsAStatementAndPrintsEveryStep)
{
    const QString fullName2 = stored(QStringLiteral("Client"), 1, QStringLiteral("FullName2"));
    ASSERT_EQ(fullName2, QStringLiteral("John Q. Smith"));
    const MailRun r = cli({QStringLiteral("mail"), QStringLiteral("--statement"), QString::number(m_statement),
                       QStringLiteral("--to"), QStringLiteral("lender@bank.example")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    EXPECT_EQ(r.lines, (QStringList{QStringLiteral("Preparing to Email File."),
                                    QStringLiteral("To: <lender@bank.example>"), QStringLiteral("From: Pat Preparer"),
                                    QStringLiteral("SMTP Server: ") + m_server.address(),
                                    QStringLiteral("SMTP Username: ") + QString::fromLatin1(SmtpServer::User),
                                    QStringLiteral("SMTP Password: *********"),
                                    QStringLiteral("Email engine successfully started..."),
                                    QStringLiteral("Connection to email sever successful..."),
                                    QStringLiteral("Email sent successfully..."),
                                    QStringLiteral("Click on \"OK\" to exit this screen.")}));
    EXPECT_EQ(leftInTemp(), QStringList());

    const auto mails = m_server.messages();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].recipients, QStringList{QStringLiteral("lender@bank.example")});
    EXPECT_EQ(mails[0].subject, QStringLiteral("RE: John Q. Smith - Annual"));
    EXPECT_EQ(mails[0].text, QStringLiteral("Attached is the financial statement for John Q. Smith.\r\n\r\n"
                                            "If you have any questions, please contact me.\r\n\r\nSincerely,\r\n"
                                            "\r\n\r\nPat Preparer\r\n214-555-0100\r\n"));
    ASSERT_EQ(mails[0].attachments.size(), 1u);
    EXPECT_EQ(mails[0].attachments[0].fileName, QStringLiteral("John Q. Smith.pdf"));
    EXPECT_EQ(runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), mails[0].attachments[0].path}).status, 0);
    const QString text = runTool(QStringLiteral("pdftotext"), {mails[0].attachments[0].path, QStringLiteral("-")}).out;
    EXPECT_TRUE(text.contains(QStringLiteral("12,500.55"))) << text.toStdString();
}

TEST_F(CliMail, SendsABlankFormSet)
{
    const MailRun r = cli({QStringLiteral("mail"), QStringLiteral("--blank"), QStringLiteral("contemporary"),
                       QStringLiteral("--to"), QStringLiteral("borrower@home.example")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.lines.value(8), QStringLiteral("Email sent successfully..."));
    const auto mails = m_server.messages();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].subject, QStringLiteral("Personal Financial Statement - Contemporary (blank)"));
    ASSERT_EQ(mails[0].attachments.size(), 1u);
    EXPECT_EQ(mails[0].attachments[0].fileName,
              QStringLiteral("Personal Financial Statement - Contemporary - Blank.pdf"));
    EXPECT_EQ(runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), mails[0].attachments[0].path}).status, 0);
    EXPECT_EQ(leftInTemp(), QStringList());
}

TEST_F(CliMail, NamesAFieldNoInstalledFontCanDrawOnTheErrorStreamAndStillSends)
{
    const auto ids = cli::importDocument(R"({"format": "nettora", "version": 1, "clients": [
        {"fields": {"FirstName": "Ann", "LastName": "Lee", "Employer": "Acme \uE000 Works"},
         "statements": [{"fields": {"Date": "12/31/2025", "Description": "Annual"}}]}]})");
    ASSERT_EQ(ids.size(), 1u);
    const MailRun r = cli({QStringLiteral("mail"), QStringLiteral("--statement"),
                           QString::number(ids[0].statementIds.at(0)), QStringLiteral("--to"),
                           QStringLiteral("lender@bank.example")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, QStringLiteral("nettora-cli: warning: Some characters of the field Employer (Net Worth Summary) "
                                    "cannot be printed: no installed font has U+E000.\n"));
    EXPECT_EQ(r.lines.value(8), QStringLiteral("Email sent successfully..."));
    EXPECT_EQ(r.lines.size(), 10);
    EXPECT_EQ(m_server.messages().size(), 1u);
}

TEST_F(CliMail, AFailedStepGivesStatusOne)
{
    m_server.stop();  // nothing listens at the saved server any more
    const MailRun r = cli({QStringLiteral("mail"), QStringLiteral("--statement"), QString::number(m_statement),
                       QStringLiteral("--to"), QStringLiteral("lender@bank.example")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.lines.mid(6), (QStringList{QStringLiteral("Email engine successfully started..."),
                                           QStringLiteral("-36: Error attempting to connect."),
                                           QStringLiteral("Nothing answers at ") + m_server.address() + '.',
                                           QStringLiteral("-36: Error attempting to connect."),
                                           QStringLiteral("Nothing answers at ") + m_server.address() + '.',
                                           QStringLiteral("Errors: Please verify that the email information is correct."),
                                           QStringLiteral("Click on \"OK\" to exit this screen.")}));
    EXPECT_FALSE(r.lines.join(QLatin1Char('\n')).contains(QString::fromLatin1(SmtpServer::Password)));
    EXPECT_EQ(leftInTemp(), QStringList());
}

TEST_F(CliMail, RefusesBeforeSending)
{
    const QString id = QString::number(m_statement);
    const struct {
        std::initializer_list<std::pair<const char *, QString>> user;
        QStringList args;
        int status;
        const char *err;
    } rows[] = {
        {{{"EmailName", ""}, {"SMTPPassword", ""}},
         {QStringLiteral("--statement"), id, QStringLiteral("--to"), QStringLiteral("lender@bank.example")},
         1,
         "nettora-cli: the mail settings are incomplete, set EmailName, SMTPPassword with nettora-cli options\n"},
        {{{"SMTPServer", ""}},
         {QStringLiteral("--blank"), QStringLiteral("standard"), QStringLiteral("--to"), QStringLiteral("a@b.example")},
         1,
         "nettora-cli: the mail settings are incomplete, set SMTPServer with nettora-cli options\n"},
        {{},
         {QStringLiteral("--statement"), QStringLiteral("99"), QStringLiteral("--to"), QStringLiteral("a@b.example")},
         1,
         "nettora-cli: there is no statement with the id 99\n"},
        {{},
         {QStringLiteral("--statement"), id},
         2,
         "nettora-cli: mail needs --to ADDRESS (see nettora-cli --help)\n"},
        {{},
         {QStringLiteral("--blank"), QStringLiteral("standard"), QStringLiteral("--style"),
          QStringLiteral("standard"), QStringLiteral("--to"), QStringLiteral("a@b.example")},
         2,
         "nettora-cli: --blank takes no --statement or --style (see nettora-cli --help)\n"},
        {{},
         {QStringLiteral("--to"), QStringLiteral("a@b.example")},
         2,
         "nettora-cli: mail needs --statement ID or --blank STYLE (see nettora-cli --help)\n"},
        {{},
         {QStringLiteral("--statement"), id, QStringLiteral("--to"), QStringLiteral("lender@bank.example>, <spy@evil.example")},
         1,
         "nettora-cli: \"lender@bank.example>, <spy@evil.example\" is not one e-mail address.\n"},
        {{},
         {QStringLiteral("--blank"), QStringLiteral("standard"), QStringLiteral("--to"),
          QStringLiteral("Lender <lender@bank.example>")},
         1,
         "nettora-cli: \"Lender <lender@bank.example>\" is not one e-mail address.\n"},
        {{},
         {QStringLiteral("--blank"), QStringLiteral("standard"), QStringLiteral("--to"), QStringLiteral("lender@@bank")},
         1,
         "nettora-cli: \"lender@@bank\" is not one e-mail address.\n"},
    };
    for (const auto &row : rows) {
        setUser(row.user);
        const MailRun r = cli(QStringList{QStringLiteral("mail")} + row.args);
        EXPECT_EQ(r.status, row.status) << row.err;
        EXPECT_EQ(r.err, QString::fromLatin1(row.err));
        EXPECT_EQ(r.lines, QStringList());
        // Put the settings back for the next row.
        setUser({{"EmailName", "Pat Preparer"}, {"SMTPServer", m_server.address()},
                 {"SMTPPassword", QString::fromLatin1(SmtpServer::Password)}});
    }
    EXPECT_TRUE(m_server.messages().empty());
    EXPECT_TRUE(m_server.authAttempts().isEmpty());
}

TEST_F(CliMail, ASignalWhileTheServerHoldsTheSendRemovesTheWorkingFolder)
{
    SmtpServer stalling(SmtpServer::Mode::StallAfterData);
    ASSERT_TRUE(stalling.start());
    setUser({{"SMTPServer", stalling.address()}});
    int held = 0;
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        QProcess p;
        startCli(p, {QStringLiteral("mail"), QStringLiteral("--statement"), QString::number(m_statement),
                     QStringLiteral("--to"), QStringLiteral("lender@bank.example")});
        ASSERT_TRUE(p.waitForStarted());
        // The server has the whole message and answers no more: the program
        // waits, its statement in the working folder.
        ++held;
        for (int i = 0; i < 600 && stalling.heldMessages() < held && p.state() == QProcess::Running; ++i)
            QThread::msleep(100);
        ASSERT_EQ(stalling.heldMessages(), held) << p.readAllStandardError().toStdString();
        const QStringList during = leftInTemp();
        ASSERT_EQ(during.size(), 1) << during.join(' ').toStdString();
        EXPECT_TRUE(during[0].startsWith(QStringLiteral("nettora-mail-%1-").arg(p.processId())))
            << during[0].toStdString();
        EXPECT_TRUE(QFile::exists(QDir(m_temp.path()).filePath(during[0] + QStringLiteral("/John Q. Smith.pdf"))));

        ASSERT_EQ(::kill(pid_t(p.processId()), signalNumber), 0);
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 128 + signalNumber);
        EXPECT_EQ(leftInTemp(), QStringList());
        EXPECT_TRUE(QString::fromUtf8(p.readAllStandardOutput())
                        .endsWith(QStringLiteral("Connection to email sever successful...\n")));
        restart();
    }
}

TEST_F(CliMail, AFolderLeftByAProcessThatIsGoneIsRemovedAtTheNextSendAndALiveOnesStays)
{
    QProcess gone;
    gone.start(QStringLiteral("/bin/true"));
    ASSERT_TRUE(gone.waitForStarted());
    const qint64 deadPid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished());
    const QString dead = QStringLiteral("nettora-mail-%1-Ab12Cd").arg(deadPid);
    const QString live = QStringLiteral("nettora-mail-%1-Ef34Gh").arg(QCoreApplication::applicationPid());
    // Another program's folder of a like name, and one without a process id.
    const QString others[] = {QStringLiteral("nettora-mail-report"), QStringLiteral("nettora-mailbox-%1-x").arg(deadPid)};
    for (const QString &name : QStringList{dead, live} + QStringList(std::begin(others), std::end(others))) {
        ASSERT_TRUE(QDir(m_temp.path()).mkdir(name));
        QFile pdf(QDir(m_temp.path()).filePath(name + QStringLiteral("/John Q. Smith.pdf")));
        ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
        pdf.write("%PDF-1.4\n");
    }
    const MailRun r = cli({QStringLiteral("mail"), QStringLiteral("--statement"), QString::number(m_statement),
                           QStringLiteral("--to"), QStringLiteral("lender@bank.example")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    QStringList expected = {live, others[0], others[1]};
    expected.sort();
    QStringList left = leftInTemp();
    left.sort();
    EXPECT_EQ(left, expected);
}

}  // namespace
