#include "support/smtp_server.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace nettora::test {

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

bool run(const QString &program, const QStringList &args, const QString &dir, QString *error)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error)
            *error = program + QLatin1Char(' ') + args.join(QLatin1Char(' ')) + QStringLiteral(": ") +
                     QString::fromLocal8Bit(p.readAllStandardError());
        return false;
    }
    return true;
}

// A certificate authority for this server alone, and the server's
// certificate for the names the tests use.
bool makeCertificates(const QString &dir, QString *error)
{
    QFile ext(QDir(dir).filePath(QStringLiteral("server.ext")));
    if (!ext.open(QIODevice::WriteOnly))
        return false;
    ext.write(QByteArray("basicConstraints=CA:FALSE\n"
                         "keyUsage=digitalSignature,keyEncipherment\n"
                         "extendedKeyUsage=serverAuth\n"
                         "subjectAltName=DNS:localhost,IP:127.0.0.1,DNS:") +
              SmtpServer::TlsHostName + '\n');
    ext.close();
    const QString openssl = QStringLiteral("openssl");
    const QStringList ec = {QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                            QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    return run(openssl,
               QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ec +
                   QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"), QStringLiteral("-out"),
                               QStringLiteral("ca.pem"), QStringLiteral("-days"), QStringLiteral("2"),
                               QStringLiteral("-subj"), QStringLiteral("/CN=Nettora test authority")},
               dir, error) &&
           run(openssl,
               QStringList{QStringLiteral("req")} + ec +
                   QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"), QStringLiteral("-out"),
                               QStringLiteral("server.csr"), QStringLiteral("-subj"), QStringLiteral("/CN=localhost")},
               dir, error) &&
           run(openssl,
               {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), QStringLiteral("server.csr"),
                QStringLiteral("-CA"), QStringLiteral("ca.pem"), QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
                QStringLiteral("-CAcreateserial"), QStringLiteral("-out"), QStringLiteral("server.pem"),
                QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"), QStringLiteral("server.ext")},
               dir, error);
}

QStringList strings(const QJsonValue &v)
{
    QStringList out;
    for (const QJsonValue &x : v.toArray())
        out << x.toString();
    return out;
}

// What Python's MIME reader makes of the message in file, its
// attachments saved under parts.
void parseInto(ReceivedMail &m, const QString &file, const QString &parts)
{
    QDir().mkpath(parts);
    QProcess p;
    p.start(kPython, {smtpServerScript(), QStringLiteral("parse"), file, parts});
    if (p.waitForFinished(30000) && p.exitCode() == 0) {
        const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        m.from = o.value(QStringLiteral("from")).toString();
        m.to = o.value(QStringLiteral("to")).toString();
        m.subject = o.value(QStringLiteral("subject")).toString();
        m.mimeVersion = o.value(QStringLiteral("mimeVersion")).toString();
        m.textCharset = o.value(QStringLiteral("textCharset")).toString();
        m.text = o.value(QStringLiteral("text")).toString();
        m.defects = strings(o.value(QStringLiteral("defects")));
        for (const QJsonValue &a : o.value(QStringLiteral("attachments")).toArray()) {
            const QJsonObject x = a.toObject();
            m.attachments.push_back({x.value(QStringLiteral("filename")).toString(),
                                     x.value(QStringLiteral("contentType")).toString(),
                                     x.value(QStringLiteral("encoding")).toString(),
                                     x.value(QStringLiteral("path")).toString()});
        }
    } else {
        m.defects << QStringLiteral("the reader failed: ") + QString::fromLocal8Bit(p.readAllStandardError());
    }
}

}  // namespace

ReceivedMail parsedMessage(const QByteArray &raw)
{
    ReceivedMail m;
    m.raw = raw;
    QTemporaryDir dir;
    QFile file(QDir(dir.path()).filePath(QStringLiteral("message.eml")));
    if (!dir.isValid() || !file.open(QIODevice::WriteOnly) || file.write(raw) != raw.size()) {
        m.defects << QStringLiteral("the message could not be written for the reader");
        return m;
    }
    file.close();
    parseInto(m, file.fileName(), QDir(dir.path()).filePath(QStringLiteral("parts")));
    return m;
}

int SmtpServer::heldMessages() const
{
    return m_dir ? int(QDir(QDir(m_dir->path()).filePath(QStringLiteral("mail")))
                           .entryList({QStringLiteral("*.held")}, QDir::Files)
                           .size())
                 : 0;
}

QString smtpServerScript() { return QStringLiteral(NETTORA_SMTP_SERVER_SCRIPT); }

SmtpServer::SmtpServer(Mode mode) : m_mode(mode) {}

SmtpServer::~SmtpServer() { stop(); }

bool SmtpServer::start(QString *error)
{
    m_dir = std::make_unique<QTemporaryDir>();
    if (!m_dir->isValid())
        return false;
    const QString dir = m_dir->path();
    QDir().mkpath(QDir(dir).filePath(QStringLiteral("mail")));
    QStringList args = {smtpServerScript(), QStringLiteral("serve"), QStringLiteral("--dir"),
                        QDir(dir).filePath(QStringLiteral("mail")), QStringLiteral("--user"),
                        QString::fromLatin1(User), QStringLiteral("--password"), QString::fromLatin1(Password),
                        QStringLiteral("--mode")};
    switch (m_mode) {
    case Mode::Plain:
        args << QStringLiteral("plain");
        break;
    case Mode::Silent:
        args << QStringLiteral("silent");
        break;
    case Mode::StallAfterData:
        args << QStringLiteral("stall");
        break;
    case Mode::StartTlsAuth:
        if (!makeCertificates(dir, error))
            return false;
        args << QStringLiteral("starttls") << QStringLiteral("--cert") << QDir(dir).filePath(QStringLiteral("server.pem"))
             << QStringLiteral("--key") << QDir(dir).filePath(QStringLiteral("server.key"));
        break;
    }
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->start(kPython, args);
    // The server ends when its standard input closes, so it cannot outlive
    // the test even when the test dies.
    if (!m_process->waitForStarted(10000)) {
        if (error)
            *error = QStringLiteral("cannot start ") + kPython;
        return false;
    }
    QByteArray out;
    while (!out.contains('\n')) {
        if (!m_process->waitForReadyRead(20000)) {
            if (error)
                *error = QStringLiteral("the SMTP server did not come up: ") +
                         QString::fromLocal8Bit(m_process->readAllStandardError());
            stop();
            return false;
        }
        out += m_process->readAllStandardOutput();
    }
    const QByteArray line = out.left(out.indexOf('\n')).trimmed();
    if (!line.startsWith("PORT ")) {
        if (error)
            *error = QStringLiteral("unexpected server output: ") + QString::fromLocal8Bit(out);
        stop();
        return false;
    }
    m_port = line.mid(5).toInt();
    return m_port > 0;
}

void SmtpServer::stop()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->closeWriteChannel();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
    }
    m_process.reset();
}

QString SmtpServer::address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

QString SmtpServer::caFile() const
{
    return m_mode == Mode::StartTlsAuth && m_dir ? QDir(m_dir->path()).filePath(QStringLiteral("ca.pem")) : QString();
}

std::vector<ReceivedMail> SmtpServer::messages() const
{
    std::vector<ReceivedMail> out;
    if (!m_dir)
        return out;
    const QDir mail(QDir(m_dir->path()).filePath(QStringLiteral("mail")));
    const QStringList names = mail.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        const QString base = mail.filePath(name.chopped(5));
        ReceivedMail m;
        QFile envelope(base + QStringLiteral(".json")), content(base + QStringLiteral(".eml"));
        if (!envelope.open(QIODevice::ReadOnly) || !content.open(QIODevice::ReadOnly))
            continue;
        const QJsonObject e = QJsonDocument::fromJson(envelope.readAll()).object();
        m.envelopeFrom = e.value(QStringLiteral("from")).toString();
        m.recipients = strings(e.value(QStringLiteral("rcpt")));
        m.tls = e.value(QStringLiteral("tls")).toBool();
        m.authenticated = e.value(QStringLiteral("authenticated")).toBool();
        m.raw = content.readAll();
        parseInto(m, base + QStringLiteral(".eml"), base + QStringLiteral("-parts"));
        out.push_back(std::move(m));
    }
    return out;
}

QStringList SmtpServer::authAttempts() const
{
    if (!m_dir)
        return {};
    QFile f(QDir(m_dir->path()).filePath(QStringLiteral("mail/auth.log")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace nettora::test
