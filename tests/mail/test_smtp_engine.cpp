// The engine on its own: its codes and texts, the order it insists on, the
// server settings it understands, and the MIME it writes.
#include "mail_fixture.h"

#include "mail/mime_message.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>

using namespace nettora;
using namespace nettora::test;

namespace {

TEST(SmtpEngine, CodesGiveTheirListedTextsAndAnyOtherIsUnresolved)
{
    const struct {
        int code;
        const char *text;
    } rows[] = {
        {-73, "-73: Channel number of out range."},
        {-49, "-49: SMTP returned error."},
        {-45, "-45: Must have at least one receipient."},
        {-44, "-44: Not connected to server"},
        {-34, "-34: Cannot access WINSOCK"},
        {-8, "-8: Socket timed out."},
        {-1, "-1: Socket has been closed."},
        {-2, "Unresolved error."},
        {-60, "Unresolved error."},
        {-1000, "Unresolved error."},
        {0, "Unresolved error."},
    };
    for (const auto &r : rows)
        EXPECT_EQ(mail::engineErrorText(r.code), QString::fromLatin1(r.text)) << r.code;
    // Every listed text starts with its own code.
    int listed = 0;
    for (int code = -80; code < 0; ++code) {
        const QString text = mail::engineErrorText(code);
        if (text == QLatin1String("Unresolved error."))
            continue;
        ++listed;
        EXPECT_TRUE(text.startsWith(QString::number(code) + QStringLiteral(": "))) << text.toStdString();
    }
    EXPECT_EQ(listed, 47);
}

TEST(SmtpEngine, KeepsItsOrder)
{
    mail::SmtpEngine engine;
    EXPECT_EQ(engine.seeIntegerParam(0, mail::ParamAuthenticate, 1), -71);
    EXPECT_EQ(engine.seeSendEmail(0, QStringLiteral("<a@b.example>"), {}, {}, {}, {}, {}), -44);
    EXPECT_EQ(engine.seeAttach(2), -73);
    EXPECT_EQ(engine.seeAttach(1), 0);
    EXPECT_EQ(engine.seeAttach(1), -72);
    EXPECT_EQ(engine.seeIntegerParam(1, mail::ParamAuthenticate, 1), -73);
    EXPECT_EQ(engine.seeStringParam(0, mail::ParamUserName, QStringLiteral("u")), 0);
    EXPECT_EQ(engine.seeClose(0), 0);
    EXPECT_EQ(engine.seeRelease(), 0);
    EXPECT_EQ(engine.seeRelease(), -71);
}

TEST(SmtpEngine, ConnectReachesTheServerAndSendsNothing)
{
    SmtpServer server(SmtpServer::Mode::Plain);
    ASSERT_TRUE(server.start());
    mail::SmtpEngine engine;
    ASSERT_EQ(engine.seeAttach(1), 0);
    EXPECT_EQ(engine.seeSmtpConnect(0, server.address(), QStringLiteral("Pat<pat@preparer.example>"), QString()), 0);
    EXPECT_TRUE(server.messages().empty());
    server.stop();
    // The server is gone: the next connect finds nobody.
    EXPECT_EQ(engine.seeSmtpConnect(0, server.address(), QStringLiteral("Pat<pat@preparer.example>"), QString()), -36);
}

TEST(SmtpEngine, AMissingAttachmentIsRefusedBeforeSending)
{
    SmtpServer server(SmtpServer::Mode::Plain);
    ASSERT_TRUE(server.start());
    QTemporaryDir dir;
    mail::SmtpEngine engine;
    ASSERT_EQ(engine.seeAttach(1), 0);
    ASSERT_EQ(engine.seeSmtpConnect(0, server.address(), QStringLiteral("Pat<pat@preparer.example>"), QString()), 0);
    for (const QString &attachment : {dir.filePath(QStringLiteral("gone.pdf")), dir.path()})
        EXPECT_EQ(engine.seeSendEmail(0, QStringLiteral("<a@b.example>"), {}, {}, QStringLiteral("S"),
                                      QStringLiteral("T"), attachment),
                  -35)
            << attachment.toStdString();
    EXPECT_TRUE(server.messages().empty());
}

// The forms of the server setting, and where encryption is insisted on.
TEST(SmtpEngine, ServerSettingForms)
{
    SmtpServer tls(SmtpServer::Mode::StartTlsAuth);
    QString why;
    ASSERT_TRUE(tls.start(&why)) << why.toStdString();
    mail::TransportOptions options = trusting(tls);
    options.connectTimeoutSeconds = options.transferTimeoutSeconds = 10;
    options.resolveOverrides = {QStringLiteral("mail.example.test:%1:127.0.0.1").arg(tls.port())};
    TransportScope scope(options);
    const QString port = QString::number(tls.port());
    const struct {
        QString server;
        int code;
    } rows[] = {
        {QStringLiteral("127.0.0.1:") + port, 0},
        {QStringLiteral("localhost:") + port, 0},
        {QStringLiteral("smtp://localhost:") + port, 0},
        {QStringLiteral("SMTP://127.0.0.1:") + port + QStringLiteral("/"), 0},
        // Not loopback by name: STARTTLS is required, and this server has it.
        {QStringLiteral("mail.example.test:") + port, 0},
        // TLS from the first byte, which a STARTTLS server does not speak.
        {QStringLiteral("smtps://127.0.0.1:") + port, -36},
        {QStringLiteral("127.0.0.1:99999"), -56},
        {QStringLiteral("ftp://127.0.0.1:") + port, -56},
        {QStringLiteral("mail example"), -56},
        {QStringLiteral("   "), -50},
    };
    for (const auto &r : rows) {
        mail::SmtpEngine engine;
        ASSERT_EQ(engine.seeAttach(1), 0);
        engine.seeIntegerParam(0, mail::ParamAuthenticate, 1);
        engine.seeStringParam(0, mail::ParamUserName, QString::fromLatin1(SmtpServer::User));
        engine.seeStringParam(0, mail::ParamPassword, QString::fromLatin1(SmtpServer::Password));
        EXPECT_EQ(engine.seeSmtpConnect(0, r.server, QStringLiteral("Pat<pat@preparer.example>"), QString()), r.code)
            << r.server.toStdString() << ": " << engine.lastFailureDetail().toStdString();
        EXPECT_FALSE(engine.lastFailureDetail().contains(QString::fromLatin1(SmtpServer::Password)));
    }
    // Each successful connect logged in over TLS, and only those.
    const QStringList logins = tls.authAttempts();
    EXPECT_EQ(logins.size(), 5);
    for (const QString &l : logins)
        EXPECT_EQ(l, QString::fromLatin1(SmtpServer::User) + QStringLiteral("\ttls\tok"));
}

TEST(SmtpEngine, NamesBeyondAsciiAndAwkwardTextArriveIntact)
{
    SmtpServer server(SmtpServer::Mode::Plain);
    ASSERT_TRUE(server.start());
    QTemporaryDir dir;
    const QString fileName = QStringLiteral("José Núñez \"Jr\".pdf");
    QFile f(dir.filePath(fileName));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    QByteArray pdf("%PDF-1.4\n");
    for (int i = 0; i < 256; ++i)
        pdf += char(i);
    f.write(pdf);
    f.close();
    const QString subject = QStringLiteral("RE: José Núñez – Annual statement for the year with a rather long "
                                           "subject line that must be folded € 😀");
    const QString text = QStringLiteral(".\nA line that starts with a dot\r\n..two dots\n\nÄrger & naïve €\n.");

    mail::SmtpEngine engine;
    ASSERT_EQ(engine.seeAttach(1), 0);
    ASSERT_EQ(engine.seeSmtpConnect(0, server.address(), QStringLiteral("Müller, Pat \"Q\"<pat@preparer.example>"),
                                    QString()),
              0);
    ASSERT_EQ(engine.seeSendEmail(0, QStringLiteral("<lender@bank.example>"), {}, {}, subject, text, f.fileName()), 0)
        << engine.lastFailureDetail().toStdString();
    const auto mails = server.messages();
    ASSERT_EQ(mails.size(), 1u);
    const ReceivedMail &m = mails[0];
    EXPECT_TRUE(m.defects.isEmpty()) << m.defects.join(QStringLiteral(", ")).toStdString();
    EXPECT_EQ(m.mimeVersion, QStringLiteral("1.0"));
    EXPECT_EQ(m.subject, subject);
    EXPECT_EQ(m.from, QStringLiteral("\"Müller, Pat \\\"Q\\\"\" <pat@preparer.example>"));
    EXPECT_EQ(m.to, QStringLiteral("lender@bank.example"));
    EXPECT_EQ(m.textCharset, QStringLiteral("utf-8"));
    EXPECT_EQ(m.text, QStringLiteral(".\r\nA line that starts with a dot\r\n..two dots\r\n\r\nÄrger & naïve €\r\n."));
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(m.attachments[0].fileName, fileName);
    EXPECT_EQ(m.attachments[0].transferEncoding, QStringLiteral("base64"));
    QFile got(m.attachments[0].path);
    ASSERT_TRUE(got.open(QIODevice::ReadOnly));
    EXPECT_EQ(got.readAll(), pdf);
    // Seven-bit clean, and no line longer than the limit.
    for (char c : m.raw)
        ASSERT_LT(static_cast<unsigned char>(c), 0x80u);
    for (const QByteArray &line : m.raw.split('\n'))
        EXPECT_LE(line.size(), 78) << line.toStdString();
    EXPECT_FALSE(m.raw.contains(dir.path().toUtf8()));
}

// The header lines of a message: none beyond 78 characters, every encoded
// word within 75, nothing beyond ASCII.
void expectFoldedHeaders(const QByteArray &raw)
{
    const QByteArray head = raw.left(raw.indexOf("\r\n\r\n"));
    for (const QByteArray &line : head.split('\n')) {
        const QByteArray l = line.endsWith('\r') ? line.chopped(1) : line;
        EXPECT_LE(l.size(), 78) << l.toStdString();
    }
    for (char c : head)
        EXPECT_LT(static_cast<unsigned char>(c), 0x80u);
    static const QRegularExpression word(QStringLiteral("=\\?[^?]*\\?[BbQq]\\?[^?]*\\?="));
    for (auto it = word.globalMatch(QString::fromLatin1(head)); it.hasNext();) {
        const QString w = it.next().captured();
        EXPECT_LE(w.size(), 75) << w.toStdString();
    }
}

// One header as it stands in the message, its folds included.
QByteArray rawHeader(const QByteArray &raw, const QByteArray &name)
{
    const qsizetype start = raw.indexOf("\r\n" + name + ": ");
    if (start < 0)
        return {};
    qsizetype end = start + 2;
    do
        end = raw.indexOf("\r\n", end + 1);
    while (end >= 0 && (raw[end + 2] == ' ' || raw[end + 2] == '\t'));
    return raw.mid(start + 2, end - start - 2);
}

const QString kSubject990 = QStringLiteral("RE: ") + QStringLiteral("Smith ").repeated(164) + QStringLiteral("Q.");

TEST(MimeMessage, LongSubjectsAreFoldedAndNamesBeyondAsciiGoAsEncodedWords)
{
    ASSERT_EQ(kSubject990.size(), 990);
    const struct {
        const char *what;
        QString subject, fromName, toName;
        bool subjectAsTyped;  // folded at its blanks, not encoded
        QString from, to;     // as the reader gives them back
    } rows[] = {
        {"a subject of 990 characters", kSubject990, QStringLiteral("Pat Preparer"), QString(), true,
         QStringLiteral("Pat Preparer <pat@preparer.example>"), QStringLiteral("lender@bank.example")},
        {"a word longer than a line", QStringLiteral("RE: ") + QStringLiteral("x").repeated(200), QString(), QString(),
         false, QStringLiteral("pat@preparer.example"), QStringLiteral("lender@bank.example")},
        {"text beyond ASCII everywhere",
         QStringLiteral("RE: José Núñez – ") + QStringLiteral("Jahresabschluss für 2025 ").repeated(20) +
             QStringLiteral("€ 😀"),
         QStringLiteral("Zoë Müller-Lüdenscheidt"), QStringLiteral("José Núñez 😀"), false,
         QStringLiteral("Zoë Müller-Lüdenscheidt <pat@preparer.example>"),
         QStringLiteral("José Núñez 😀 <lender@bank.example>")},
        {"text that looks encoded", QStringLiteral("RE: =?UTF-8?B?SGk=?= stays as typed"), QString(), QString(),
         false, QStringLiteral("pat@preparer.example"), QStringLiteral("lender@bank.example")},
        {"long plain names",
         QStringLiteral("RE: Annual"),
         QStringLiteral("Patricia Alexandra Preparer-Smith of Preparer and Associates, Certified Public Accountants"),
         QStringLiteral("Lender Relationship Manager of the First National Bank of a Town Far Away"), true,
         QStringLiteral("\"Patricia Alexandra Preparer-Smith of Preparer and Associates, Certified Public "
                        "Accountants\" <pat@preparer.example>"),
         QStringLiteral("Lender Relationship Manager of the First National Bank of a Town Far Away "
                        "<lender@bank.example>")},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.what);
        mail::MimeMessage m;
        m.fromName = r.fromName;
        m.fromAddress = QStringLiteral("pat@preparer.example");
        m.toName = r.toName;
        m.to = QStringLiteral("lender@bank.example");
        m.subject = r.subject;
        m.text = QStringLiteral("Attached is the financial statement.");
        const QByteArray raw = m.toBytes();
        expectFoldedHeaders(raw);
        const QByteArray subject = rawHeader(raw, "Subject");
        EXPECT_EQ(!subject.contains("=?UTF-8?B?"), r.subjectAsTyped) << subject.toStdString();
        const bool nameBeyondAscii =
            std::any_of(r.fromName.cbegin(), r.fromName.cend(), [](QChar c) { return c.unicode() > 0x7e; });
        EXPECT_EQ(rawHeader(raw, "From").contains("=?UTF-8?B?"), nameBeyondAscii);
        const ReceivedMail read = parsedMessage(raw);
        EXPECT_TRUE(read.defects.isEmpty()) << read.defects.join(QStringLiteral(", ")).toStdString();
        EXPECT_EQ(read.subject, r.subject);
        EXPECT_EQ(read.from, r.from);
        EXPECT_EQ(read.to, r.to);
        EXPECT_EQ(read.text, m.text);
    }
}

TEST(SmtpEngine, AServerTakesASubjectOf990Characters)
{
    SmtpServer server(SmtpServer::Mode::Plain);
    ASSERT_TRUE(server.start());
    mail::SmtpEngine engine;
    ASSERT_EQ(engine.seeAttach(1), 0);
    ASSERT_EQ(engine.seeSmtpConnect(0, server.address(), QStringLiteral("Pat<pat@preparer.example>"), QString()), 0);
    ASSERT_EQ(engine.seeSendEmail(0, QStringLiteral("<lender@bank.example>"), {}, {}, kSubject990,
                                  QStringLiteral("Text"), QString()),
              0)
        << engine.lastFailureDetail().toStdString();
    const auto mails = server.messages();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_TRUE(mails[0].defects.isEmpty());
    EXPECT_EQ(mails[0].subject, kSubject990);
    expectFoldedHeaders(mails[0].raw);
}

TEST(SmtpEngine, TheSendersAddressIsTheLastOneAddressInAngleBrackets)
{
    SmtpServer server(SmtpServer::Mode::Plain);
    ASSERT_TRUE(server.start());
    mail::SmtpEngine engine;
    ASSERT_EQ(engine.seeAttach(1), 0);
    // A "<" in the name, or in a quoted local part, is no address of its own.
    for (const QString &from : {QStringLiteral("Pat <CPA><pat@preparer.example>"),
                                QStringLiteral("Pat<\"pat<cpa>\"@preparer.example>")}) {
        EXPECT_EQ(engine.seeSmtpConnect(0, server.address(), from, QString()), 0) << from.toStdString();
        EXPECT_EQ(engine.seeSendEmail(0, QStringLiteral("<lender@bank.example>"), {}, {}, QStringLiteral("S"),
                                      QStringLiteral("T"), QString()),
                  0)
            << engine.lastFailureDetail().toStdString();
    }
    EXPECT_EQ(engine.seeSmtpConnect(0, server.address(), QStringLiteral("Pat<pat smith@preparer.example>"), QString()),
              -32);
    EXPECT_EQ(engine.lastFailureDetail(), QStringLiteral("\"pat smith@preparer.example\" is not one e-mail address."));
    const auto mails = server.messages();
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(mails[0].envelopeFrom, QStringLiteral("pat@preparer.example"));
    EXPECT_EQ(mails[0].from, QStringLiteral("\"Pat <CPA>\" <pat@preparer.example>"));
    EXPECT_EQ(mails[1].envelopeFrom, QStringLiteral("\"pat<cpa>\"@preparer.example"));
}

// A server that takes the message and then says nothing more holds the send
// for the limit once: not once more for the goodbye after it.
TEST(SmtpEngine, AServerSilentAfterTheMessageIsLeftAfterTheLimit)
{
    SmtpServer server(SmtpServer::Mode::StallAfterData);
    ASSERT_TRUE(server.start());
    mail::TransportOptions options;
    options.connectTimeoutSeconds = options.transferTimeoutSeconds = 10;
    TransportScope scope(options);
    mail::SmtpEngine engine;
    ASSERT_EQ(engine.seeAttach(1), 0);
    ASSERT_EQ(engine.seeSmtpConnect(0, server.address(), QStringLiteral("Pat<pat@preparer.example>"), QString()), 0);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(engine.seeSendEmail(0, QStringLiteral("<lender@bank.example>"), {}, {}, QStringLiteral("S"),
                                  QStringLiteral("T"), QString()),
              -8);
    EXPECT_LT(clock.elapsed(), 18000);
    EXPECT_EQ(engine.lastFailureDetail(),
              QStringLiteral("The server %1 did not answer in time.").arg(server.address()));
    EXPECT_EQ(server.heldMessages(), 1);
}

}  // namespace
