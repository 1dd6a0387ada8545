// The statement and test-message sequences against a real SMTP server.
#include "mail_fixture.h"
#include "pdf_tools.h"
#include "statement_fixture.h"

#include "cli/cli_pdf.h"
#include "data/engine.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <filesystem>
#include <stdexcept>

using namespace nettora;
using namespace nettora::test;

namespace {

const QStringList kEcho = {QStringLiteral("SMTP Username: ") + QString::fromLatin1(SmtpServer::User),
                           QStringLiteral("SMTP Password: *********")};

TEST(SendSequence, StatementGoesOutOverStartTlsWithLogin)
{
    SmtpServer server(SmtpServer::Mode::StartTlsAuth);
    QString why;
    ASSERT_TRUE(server.start(&why)) << why.toStdString();
    TransportScope scope(trusting(server));

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("John Q. Smith.pdf"));
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("%PDF-1.4\n% not a real document, only bytes to carry\n");
    f.close();

    const mail::EmailSettings settings = settingsFor(server, true);
    StatusLog log;
    const bool sent = mail::EmailPDF(settings,
                                     {QStringLiteral("lender@bank.example"), QStringLiteral("RE: John Q. Smith - Annual"),
                                      QStringLiteral("Line one\nLine two"), pdf},
                                     log.sink());
    EXPECT_TRUE(sent);
    EXPECT_EQ(log.lines, (QStringList{QStringLiteral("Preparing to Email File."),
                                      QStringLiteral("To: <lender@bank.example>"), QStringLiteral("From: Pat Preparer"),
                                      QStringLiteral("SMTP Server: ") + server.address(), kEcho[0], kEcho[1],
                                      QStringLiteral("Email engine successfully started..."),
                                      QStringLiteral("Connection to email sever successful..."),
                                      QStringLiteral("Email sent successfully..."),
                                      QStringLiteral("Click on \"OK\" to exit this screen.")}));
    const auto mails = server.messages();
    ASSERT_EQ(mails.size(), 1u);
    const ReceivedMail &m = mails[0];
    EXPECT_TRUE(m.tls);
    EXPECT_TRUE(m.authenticated);
    EXPECT_EQ(m.envelopeFrom, QStringLiteral("pat@preparer.example"));
    EXPECT_EQ(m.recipients, QStringList{QStringLiteral("lender@bank.example")});
    EXPECT_EQ(m.subject, QStringLiteral("RE: John Q. Smith - Annual"));
    EXPECT_EQ(m.from, QStringLiteral("Pat Preparer <pat@preparer.example>"));
    EXPECT_EQ(m.text, QStringLiteral("Line one\r\nLine two"));
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(m.attachments[0].fileName, QStringLiteral("John Q. Smith.pdf"));
    EXPECT_EQ(m.attachments[0].contentType, QStringLiteral("application/pdf"));
    QFile got(m.attachments[0].path);
    ASSERT_TRUE(got.open(QIODevice::ReadOnly));
    EXPECT_EQ(got.readAll(), QByteArray("%PDF-1.4\n% not a real document, only bytes to carry\n"));
    EXPECT_TRUE(m.defects.isEmpty()) << m.defects.join(QStringLiteral(", ")).toStdString();
    // The connect step logs in on its own, then the send does.
    const QString login = QString::fromLatin1(SmtpServer::User) + QStringLiteral("\ttls\tok");
    EXPECT_EQ(server.authAttempts(), (QStringList{login, login}));
}

TEST(SendSequence, TestMessageGoesToThePreparersOwnAddress)
{
    SmtpServer server(SmtpServer::Mode::Plain);
    QString why;
    ASSERT_TRUE(server.start(&why)) << why.toStdString();
    mail::EmailSettings settings = settingsFor(server, false);
    StatusLog log;
    EXPECT_TRUE(mail::SendTestEmail(settings, log.sink()));
    EXPECT_EQ(log.lines, (QStringList{QStringLiteral("To: <pat@preparer.example>"), QStringLiteral("From: Pat Preparer"),
                                      QStringLiteral("SMTP Server: ") + server.address(),
                                      QStringLiteral("SMTP Username: "), QStringLiteral("SMTP Password: *********"),
                                      QStringLiteral("Email engine successfully started..."),
                                      QStringLiteral("Connection to email sever successful..."),
                                      QStringLiteral("Email sent successfully..."),
                                      QStringLiteral("Email setup was successful..."),
                                      QStringLiteral("Please check your inbox for the test message."),
                                      QStringLiteral("Click on \"OK\" to exit this screen.")}));
    const auto mails = server.messages();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].recipients, QStringList{QStringLiteral("pat@preparer.example")});
    EXPECT_EQ(mails[0].subject, QStringLiteral("Personal Financial Statement Email Test "));
    EXPECT_TRUE(mails[0].attachments.empty());
    // The program's "\n\r" breaks travel as one CRLF each.
    EXPECT_EQ(mails[0].text, QStringLiteral("To: <pat@preparer.example>\r\n"
                                            "Fm: Pat Preparer<pat@preparer.example>\r\n"
                                            "Re: Personal Financial Statement Email Test \r\n"
                                            "\r\n"
                                            "Email test was successful!!!"));
    EXPECT_TRUE(server.authAttempts().isEmpty());
}

TEST(SendSequence, GeneratedSubjectAndText)
{
    EXPECT_EQ(mail::GeneratedEmailSubject(QStringLiteral("John Q. Smith"), QStringLiteral("Annual")),
              QStringLiteral("RE: John Q. Smith - Annual"));
    const struct {
        mail::Signature signature;
        const char *signedLines;  // line 8 to line 10
    } rows[] = {
        {{"Pat", "R", "Preparer", "Preparer & Co", "214-555-0100", "214-555-0199"},
         "Pat R. Preparer\nPreparer & Co\n214-555-0100\n214-555-0199"},
        {{"Pat", "", "Preparer", "", "214-555-0100", ""}, "Pat Preparer\n214-555-0100\n"},
        {{"", "", "", "", "", ""}, " \n\n"},
    };
    for (const auto &r : rows)
        EXPECT_EQ(mail::GeneratedEmailText(QStringLiteral("John Q. Smith"), r.signature),
                  QStringLiteral("Attached is the financial statement for John Q. Smith.\n\n"
                                 "If you have any questions, please contact me.\n\nSincerely,\n\n\n") +
                      QString::fromUtf8(r.signedLines));
}

class SettingsFromTheUserRow : public DataDirTest {};

TEST_F(SettingsFromTheUserRow, AreTheSavedOnesAndLeaveAnEditAlone)
{
    Table *user = dm1->tblUser;
    user->first();
    user->edit();
    const std::pair<const char *, const char *> fields[] = {
        {"EmailName", "Pat Preparer"}, {"EmailAddress", "pat@preparer.example"}, {"SMTPServer", "smtp.example.test:587"},
        {"SMTPUserName", "pat"},       {"SMTPPassword", "Pa55"},                  {"FirstName", "Pat"},
        {"MiddleInitial", "R"},        {"LastName", "Preparer"},                  {"Company", "Preparer & Co"},
        {"Phone", "214-555-0100"},     {"Fax", "214-555-0199"}};
    for (const auto &[field, value] : fields)
        user->setAsString(QString::fromLatin1(field), QString::fromUtf8(value));
    user->post();
    user->edit();
    user->setAsString(QStringLiteral("EmailName"), QStringLiteral("Not saved yet"));

    const mail::EmailSettings e = mail::ReadEmailSettings();
    EXPECT_EQ(QStringList({e.emailName, e.emailAddress, e.smtpServer, e.smtpUserName, e.smtpPassword}),
              QStringList({QStringLiteral("Pat Preparer"), QStringLiteral("pat@preparer.example"),
                           QStringLiteral("smtp.example.test:587"), QStringLiteral("pat"), QStringLiteral("Pa55")}));
    const mail::Signature s = mail::ReadSignature();
    EXPECT_EQ(QStringList({s.firstName, s.middleInitial, s.lastName, s.company, s.phone, s.fax}),
              QStringList({QStringLiteral("Pat"), QStringLiteral("R"), QStringLiteral("Preparer"),
                           QStringLiteral("Preparer & Co"), QStringLiteral("214-555-0100"),
                           QStringLiteral("214-555-0199")}));
    EXPECT_EQ(user->state(), RecordState::Edit);
    EXPECT_EQ(user->asString(QStringLiteral("EmailName")), QStringLiteral("Not saved yet"));
}

TEST(RunOffWindowThread, LinesReachTheCallerWhileTheWorkRuns)
{
    QThread *const caller = QThread::currentThread();
    std::atomic<QThread *> worker{nullptr};
    std::atomic<bool> firstShown{false};
    std::atomic<int> ticks{0};
    QTimer timer;
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start();
    QStringList shown;
    bool allOnCaller = true;
    const bool result = mail::RunOffWindowThread(
        [&](const mail::StatusSink &status) {
            worker = QThread::currentThread();
            status(QStringLiteral("first"));
            // The caller's loop must show the line and keep its timer going
            // while this work still runs (the deadline only keeps a broken
            // build from hanging).
            const int before = ticks;
            QDeadlineTimer deadline(30000);
            while (!(firstShown && ticks >= before + 3) && !deadline.hasExpired())
                QThread::msleep(1);
            status(QStringLiteral("second"));
            return firstShown && ticks >= before + 3;
        },
        [&](const QString &line) {
            allOnCaller = allOnCaller && QThread::currentThread() == caller;
            shown << line;
            if (line == QLatin1String("first"))
                firstShown = true;
        });
    EXPECT_TRUE(result);
    EXPECT_EQ(shown, (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
    EXPECT_TRUE(allOnCaller);
    EXPECT_NE(worker.load(), nullptr);
    EXPECT_NE(worker.load(), caller);

    EXPECT_THROW(mail::RunOffWindowThread(
                     [](const mail::StatusSink &) -> bool { throw std::runtime_error("the work failed"); },
                     [](const QString &) {}),
                 std::runtime_error);
}

class SendPdfByEmailTest : public StatementTest {};

TEST_F(SendPdfByEmailTest, SendsTheStatementFromAPrivateFolderAndRemovesIt)
{
    load();
    SmtpServer server(SmtpServer::Mode::StartTlsAuth);
    QString why;
    ASSERT_TRUE(server.start(&why)) << why.toStdString();
    TransportScope scope(trusting(server));

    const QString fullName2 = stored(QStringLiteral("Client"), m_clientId, QStringLiteral("FullName2"));
    ASSERT_FALSE(fullName2.isEmpty());
    const mail::OutgoingEmail email{QStringLiteral("lender@bank.example"),
                                    mail::GeneratedEmailSubject(fullName2, QStringLiteral("Annual")),
                                    mail::GeneratedEmailText(fullName2, mail::ReadSignature()), QString()};
    QString folder, pdfPath;
    StatusLog log;
    const bool sent = mail::SendPdfByEmail(
        settingsFor(server, true), email, mail::PdfFileNameFor(fullName2),
        [&](const QString &dir, const QString &fileName, const mail::StatusSink &status) {
            folder = dir;
            const QFileInfo info(dir);
            EXPECT_EQ(info.dir().absolutePath(), QDir(QDir::tempPath()).absolutePath());
            EXPECT_EQ(std::filesystem::status(dir.toStdString()).permissions() & std::filesystem::perms::all,
                      std::filesystem::perms::owner_all);
            pdfPath = QDir(dir).filePath(fileName);
            QFile f(pdfPath);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(cli::statementPdf(m_statementId, QStringLiteral("standard")));
            status(QStringLiteral("PDF ready."));
        },
        log.sink());
    EXPECT_TRUE(sent) << log.lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(log.lines.first(), QStringLiteral("PDF ready."));
    EXPECT_EQ(log.lines.last(), QStringLiteral("Click on \"OK\" to exit this screen."));
    EXPECT_FALSE(QFileInfo::exists(pdfPath));
    EXPECT_FALSE(QFileInfo::exists(folder));

    const auto mails = server.messages();
    ASSERT_EQ(mails.size(), 1u);
    const ReceivedMail &m = mails[0];
    EXPECT_EQ(m.subject, QStringLiteral("RE: ") + fullName2 + QStringLiteral(" - Annual"));
    EXPECT_TRUE(m.text.startsWith(QStringLiteral("Attached is the financial statement for ") + fullName2));
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(m.attachments[0].fileName, fullName2 + QStringLiteral(".pdf"));
    const QString received = m.attachments[0].path;
    EXPECT_EQ(runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), received}).status, 0);
    const QString text = pdfText(received);
    EXPECT_TRUE(text.contains(QStringLiteral("PERSONAL FINANCIAL STATEMENT")));
    EXPECT_TRUE(text.contains(QStringLiteral("12,500.55"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("48,000.00")));
}

TEST_F(SendPdfByEmailTest, AFailedPdfIsPassedOnAfterTheFolderIsGone)
{
    SmtpServer server(SmtpServer::Mode::Plain);
    ASSERT_TRUE(server.start());
    QString folder;
    StatusLog log;
    EXPECT_THROW(mail::SendPdfByEmail(
                     settingsFor(server, false), {QStringLiteral("lender@bank.example"), QStringLiteral("S"),
                                                  QStringLiteral("T"), QString()},
                     QStringLiteral("../../Smith/Jones.pdf"),
                     [&](const QString &dir, const QString &fileName, const mail::StatusSink &status) {
                         folder = dir;
                         // Whatever the caller gave, the file stays in the folder.
                         EXPECT_EQ(fileName, QStringLiteral(".._.._Smith_Jones.pdf"));
                         QFile f(QDir(dir).filePath(fileName));
                         f.open(QIODevice::WriteOnly);
                         f.write("%PDF-1.4 half");
                         status(QStringLiteral("Writing page 1"));
                         throw std::runtime_error("the report failed");
                     },
                     log.sink()),
                 std::runtime_error);
    EXPECT_EQ(log.lines, QStringList{QStringLiteral("Writing page 1")});
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_TRUE(server.messages().empty());
}

TEST(SendSequence, PlainFileNames)
{
    const std::pair<const char *, const char *> rows[] = {
        {"John Q. Smith", "John Q. Smith.pdf"},
        {"Smith/Jones\\Co", "Smith_Jones_Co.pdf"},
        {"Tab\there\nand there", "Tab_here_and there.pdf"},
        {"", "Statement.pdf"},
        {"  ", "Statement.pdf"},
        {"..", "Statement.pdf"},
        {"José Núñez", "José Núñez.pdf"},
        {"Next\u0085Line", "Next_Line.pdf"},  // a C1 control, as a pasted name may carry
    };
    for (const auto &[name, file] : rows)
        EXPECT_EQ(mail::PdfFileNameFor(QString::fromUtf8(name)), QString::fromUtf8(file)) << name;
}

}  // namespace
