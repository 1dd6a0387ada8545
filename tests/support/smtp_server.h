#pragma once
// A real SMTP server on loopback for the tests and the benchmark: aiosmtpd
// run by /usr/bin/python3 (smtp_server.py beside this file), in one of
// three modes, keeping every message it receives.
//
//   Plain        no encryption; a login is accepted even in clear, and
//                every login attempt is recorded.
//   StartTlsAuth STARTTLS required first (a certificate for localhost,
//                127.0.0.1 and mail.example.test signed by a certificate
//                authority made for this server alone; caFile()), then a
//                login as User / Password.
//   Silent       accepts connections and never answers.
//   StallAfterData
//                plain, no login; takes the whole message after DATA and
//                then never answers again (heldMessages() counts them).
//
// A recipient "refuse@..." is refused with 550.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QProcess;
class QTemporaryDir;

namespace nettora::test {

struct ReceivedAttachment {
    QString fileName, contentType, transferEncoding;
    QString path;  // the decoded content, saved by the reader
};

struct ReceivedMail {
    // The envelope and the session.
    QString envelopeFrom;
    QStringList recipients;
    bool tls = false;
    bool authenticated = false;
    QByteArray raw;
    // The message as a MIME reader (Python's email package) sees it.
    QString from, to, subject, mimeVersion, textCharset, text;
    std::vector<ReceivedAttachment> attachments;
    QStringList defects;
};

class SmtpServer {
public:
    enum class Mode { Plain, StartTlsAuth, Silent, StallAfterData };
    static constexpr const char *User = "preparer@example.test";
    static constexpr const char *Password = "Pa55-w0rd:secret";
    static constexpr const char *TlsHostName = "mail.example.test";

    explicit SmtpServer(Mode mode);
    ~SmtpServer();
    SmtpServer(const SmtpServer &) = delete;
    SmtpServer &operator=(const SmtpServer &) = delete;

    // Makes the certificates where needed, starts the server and waits for
    // its port; false with a reason when it did not come up.
    bool start(QString *error = nullptr);
    void stop();

    int port() const { return m_port; }
    QString address() const;  // "127.0.0.1:PORT"
    QString caFile() const;   // empty in the plain and silent modes

    // Every message received so far, in order, read and parsed.
    std::vector<ReceivedMail> messages() const;
    // "user<TAB>tls|plain<TAB>ok|refused" per login attempt, in order.
    QStringList authAttempts() const;
    // Messages the StallAfterData server took and left unanswered.
    int heldMessages() const;

private:
    Mode m_mode;
    int m_port = 0;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_process;
};

// The script beside this fixture.
QString smtpServerScript();

// A message as the server's reader sees it (the envelope fields empty).
ReceivedMail parsedMessage(const QByteArray &raw);

}  // namespace nettora::test
