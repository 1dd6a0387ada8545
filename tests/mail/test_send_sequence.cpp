// The statement and test-message sequences against a real SMTP server.
#include "mail_fixture.h"

#include <QFile>
#include <QTemporaryDir>

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
    TransportScope scope;
    mail::TransportOptions options;
    options.extraCaFile = server.caFile();
    mail::setTransportOptions(options);

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

}  // namespace
