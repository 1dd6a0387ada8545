// Every way a send can fail, run as the whole request against a real server:
// the status lines in order, what reached the server (nothing, mostly), the
// password nowhere, and the working folder gone afterwards.
#include "mail_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>

using namespace nettora;
using namespace nettora::test;

namespace {

struct Request {
    mail::EmailSettings settings;
    mail::OutgoingEmail email;
    mail::TransportOptions options;
};

struct FailureCase {
    const char *name;
    SmtpServer::Mode mode;
    std::function<void(Request &, const SmtpServer &)> adjust;
    // Lines of the connect and the send step; "{where}" stands for the
    // server's host:port, "{host}" for its host.
    QStringList connectLines, sendLines;
    // Login attempts the server saw (see SmtpServer::authAttempts).
    QStringList logins;
};

void PrintTo(const FailureCase &c, std::ostream *os) { *os << c.name; }

const QString kConnected = QStringLiteral("Connection to email sever successful...");
const QString kRefusedLogin = QStringLiteral("preparer@example.test\ttls\trefused");

QString nobodyListens()
{
    // A port that was free a moment ago: nothing answers there.
    SmtpServer probe(SmtpServer::Mode::Silent);
    if (!probe.start())
        return QString();
    const QString address = probe.address();
    probe.stop();
    return address;
}

const FailureCase kCases[] = {
    {"nothing listens at the server's port", SmtpServer::Mode::Plain,
     [](Request &r, const SmtpServer &) { r.settings.smtpServer = nobodyListens(); },
     {QStringLiteral("-36: Error attempting to connect."), QStringLiteral("Nothing answers at {where}.")},
     {QStringLiteral("-36: Error attempting to connect."), QStringLiteral("Nothing answers at {where}.")},
     {}},
    {"the server's name does not resolve", SmtpServer::Mode::Plain,
     [](Request &r, const SmtpServer &) { r.settings.smtpServer = QStringLiteral("no-such-host.invalid"); },
     {QStringLiteral("-46: Cannot find SMTP/POP3 server."),
      QStringLiteral("The server name no-such-host.invalid could not be found.")},
     {QStringLiteral("-46: Cannot find SMTP/POP3 server."),
      QStringLiteral("The server name no-such-host.invalid could not be found.")},
     {}},
    {"no server set", SmtpServer::Mode::Plain, [](Request &r, const SmtpServer &) { r.settings.smtpServer.clear(); },
     {QStringLiteral("-50: SMTP/POP3 server not specified.")},
     {QStringLiteral("-50: SMTP/POP3 server not specified.")},
     {}},
    {"a server setting that is no server name", SmtpServer::Mode::Plain,
     [](Request &r, const SmtpServer &) { r.settings.smtpServer = QStringLiteral("mail.example.test/relay"); },
     {QStringLiteral("-56: Illegal chars in server name."),
      QStringLiteral("The server setting \"mail.example.test/relay\" is not a server name.")},
     {QStringLiteral("-56: Illegal chars in server name."),
      QStringLiteral("The server setting \"mail.example.test/relay\" is not a server name.")},
     {}},
    {"the login is refused", SmtpServer::Mode::StartTlsAuth,
     [](Request &r, const SmtpServer &) { r.settings.smtpPassword = QStringLiteral("wrong-Pa55"); },
     {QStringLiteral("-49: SMTP returned error."), QStringLiteral("The server {where} refused the user name or password.")},
     {QStringLiteral("-49: SMTP returned error."), QStringLiteral("The server {where} refused the user name or password.")},
     {kRefusedLogin, kRefusedLogin}},
    {"the server's certificate is not trusted", SmtpServer::Mode::StartTlsAuth,
     [](Request &r, const SmtpServer &) { r.options.extraCaFile.clear(); },
     {QStringLiteral("-36: Error attempting to connect."), QStringLiteral("The certificate of the server {where} is not trusted.")},
     {QStringLiteral("-36: Error attempting to connect."), QStringLiteral("The certificate of the server {where} is not trusted.")},
     {}},
    {"credentials for a server elsewhere that offers no encryption", SmtpServer::Mode::Plain,
     [](Request &r, const SmtpServer &s) {
         r.settings.smtpServer = QStringLiteral("mail.example.test:%1").arg(s.port());
         r.settings.smtpUserName = QString::fromLatin1(SmtpServer::User);
         r.settings.smtpPassword = QString::fromLatin1(SmtpServer::Password);
     },
     {QStringLiteral("-36: Error attempting to connect."),
      QStringLiteral("The server mail.example.test:{port} offers no encryption (STARTTLS); nothing was sent to it, "
                     "neither the user name and password nor the message.")},
     {QStringLiteral("-36: Error attempting to connect."),
      QStringLiteral("The server mail.example.test:{port} offers no encryption (STARTTLS); nothing was sent to it, "
                     "neither the user name and password nor the message.")},
     {}},
    {"a server that never answers", SmtpServer::Mode::Silent,
     [](Request &r, const SmtpServer &) { r.options.connectTimeoutSeconds = r.options.transferTimeoutSeconds = 1; },
     {QStringLiteral("-8: Socket timed out."), QStringLiteral("The server {where} did not answer in time.")},
     {QStringLiteral("-8: Socket timed out."), QStringLiteral("The server {where} did not answer in time.")},
     {}},
    {"the server refuses the recipient", SmtpServer::Mode::Plain,
     [](Request &r, const SmtpServer &) { r.email.to = QStringLiteral("refuse@bank.example"); },
     {kConnected},
     {QStringLiteral("-49: SMTP returned error."), QStringLiteral("The server {where} answered 550.")},
     {}},
    {"a line break in the recipient", SmtpServer::Mode::Plain,
     [](Request &r, const SmtpServer &) { r.email.to = QStringLiteral("lender@bank.example>\r\nBcc: <spy@evil.example"); },
     {kConnected},
     {QStringLiteral("-32: Bad character in email address."), QStringLiteral("An e-mail address holds a line break.")},
     {}},
    {"two recipients in one field", SmtpServer::Mode::Plain,
     [](Request &r, const SmtpServer &) { r.email.to = QStringLiteral("lender@bank.example, spy@evil.example"); },
     {kConnected},
     {QStringLiteral("-32: Bad character in email address."),
      QStringLiteral("\"lender@bank.example, spy@evil.example\" is not one e-mail address.")},
     {}},
    {"two @ in the recipient", SmtpServer::Mode::Plain,
     [](Request &r, const SmtpServer &) { r.email.to = QStringLiteral("lender@bank@example"); },
     {kConnected}, {QStringLiteral("-53: Too many @ symbols in email address.")}, {}},
    {"no @ in the recipient", SmtpServer::Mode::Plain,
     [](Request &r, const SmtpServer &) { r.email.to = QStringLiteral("lender.bank.example"); },
     {kConnected}, {QStringLiteral("-39: Missing @ character in email address.")}, {}},
    {"an empty recipient", SmtpServer::Mode::Plain, [](Request &r, const SmtpServer &) { r.email.to.clear(); },
     {kConnected}, {QStringLiteral("-37: EMPTY email address.")}, {}},
    {"a line break in the subject", SmtpServer::Mode::Plain,
     [](Request &r, const SmtpServer &) { r.email.subject = QStringLiteral("RE: Smith\r\nBcc: spy@evil.example"); },
     {kConnected},
     {QStringLiteral("Unresolved error."), QStringLiteral("The subject holds a line break; nothing was sent.")},
     {}},
    {"a line break in the sender's name", SmtpServer::Mode::Plain,
     [](Request &r, const SmtpServer &) { r.settings.emailName = QStringLiteral("Pat\nBcc: spy@evil.example"); },
     {QStringLiteral("-32: Bad character in email address."),
      QStringLiteral("The sender's name or address holds a line break.")},
     {QStringLiteral("-32: Bad character in email address."),
      QStringLiteral("The sender's name or address holds a line break.")},
     {}},
    {"a second address smuggled into the sender's", SmtpServer::Mode::Plain,
     [](Request &r, const SmtpServer &) { r.settings.emailAddress = QStringLiteral("pat@x>, <e@y"); },
     {QStringLiteral("-32: Bad character in email address."),
      QStringLiteral("\"pat@x>, <e@y\" is not one e-mail address.")},
     {QStringLiteral("-32: Bad character in email address."),
      QStringLiteral("\"pat@x>, <e@y\" is not one e-mail address.")},
     {}},
    {"a display name where the sender's address belongs", SmtpServer::Mode::Plain,
     [](Request &r, const SmtpServer &) { r.settings.emailAddress = QStringLiteral("Pat <pat@preparer.example>"); },
     {QStringLiteral("-32: Bad character in email address."),
      QStringLiteral("\"Pat <pat@preparer.example>\" is not one e-mail address.")},
     {QStringLiteral("-32: Bad character in email address."),
      QStringLiteral("\"Pat <pat@preparer.example>\" is not one e-mail address.")},
     {}},
    {"no sender address", SmtpServer::Mode::Plain,
     [](Request &r, const SmtpServer &) { r.settings.emailAddress.clear(); },
     {QStringLiteral("-40: Missing FROM email address.")}, {QStringLiteral("-40: Missing FROM email address.")}, {}},
};

class SendFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(SendFailures, WriteTheirLinesSendNothingAndLeaveNoFile)
{
    const FailureCase &c = GetParam();
    SmtpServer server(c.mode);
    QString why;
    ASSERT_TRUE(server.start(&why)) << why.toStdString();
    TransportScope scope;

    Request r;
    r.settings = settingsFor(server, c.mode == SmtpServer::Mode::StartTlsAuth);
    r.email = {QStringLiteral("lender@bank.example"), QStringLiteral("RE: John Q. Smith - Annual"),
               QStringLiteral("Attached is the financial statement."), QString()};
    r.options.extraCaFile = server.caFile();
    r.options.connectTimeoutSeconds = r.options.transferTimeoutSeconds = 10;
    r.options.resolveOverrides = {QStringLiteral("mail.example.test:%1:127.0.0.1").arg(server.port())};
    c.adjust(r, server);
    mail::setTransportOptions(r.options);

    StatusLog log;
    QString folder;
    const bool sent = mail::SendPdfByEmail(
        r.settings, r.email, QStringLiteral("John Q. Smith.pdf"),
        [&](const QString &dir, const QString &fileName, const mail::StatusSink &status) {
            folder = dir;
            QFile f(QDir(dir).filePath(fileName));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("%PDF-1.4\n%%EOF\n");
            status(QStringLiteral("PDF written."));
        },
        log.sink());
    EXPECT_FALSE(sent);

    const auto fill = [&](QStringList lines) {
        const QString host = r.settings.smtpServer.section(QLatin1Char(':'), 0, 0);
        for (QString &l : lines)
            l.replace(QStringLiteral("{where}"), r.settings.smtpServer)
                .replace(QStringLiteral("{port}"), QString::number(server.port()))
                .replace(QStringLiteral("{host}"), host);
        return lines;
    };
    const QStringList expected =
        QStringList{QStringLiteral("PDF written."), QStringLiteral("Preparing to Email File."),
                    QStringLiteral("To: <") + r.email.to + QStringLiteral(">"),
                    QStringLiteral("From: ") + r.settings.emailName,
                    QStringLiteral("SMTP Server: ") + r.settings.smtpServer,
                    QStringLiteral("SMTP Username: ") + r.settings.smtpUserName,
                    QStringLiteral("SMTP Password: *********"), QStringLiteral("Email engine successfully started...")} +
        fill(c.connectLines) + fill(c.sendLines) +
        QStringList{QStringLiteral("Errors: Please verify that the email information is correct."),
                    QStringLiteral("Click on \"OK\" to exit this screen.")};
    EXPECT_EQ(log.lines, expected);

    EXPECT_TRUE(server.messages().empty());
    EXPECT_EQ(server.authAttempts(), c.logins);
    for (const QString &line : log.lines)
        EXPECT_FALSE(line.contains(r.settings.smtpPassword) && !r.settings.smtpPassword.isEmpty())
            << line.toStdString();
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(folder));
}

std::string caseName(const ::testing::TestParamInfo<FailureCase> &info)
{
    std::string s;
    for (const char *p = info.param.name; *p; ++p)
        s += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return s;
}

INSTANTIATE_TEST_SUITE_P(Cases, SendFailures, ::testing::ValuesIn(kCases), caseName);

}  // namespace
