#pragma once
// The outgoing mail engine: one channel, used in a fixed order (attach, set
// the authentication, connect with server and sender, send, close,
// release). Every call returns a negative code on failure and zero or more
// on success, and every call may be made after an earlier one failed.
//
// The server is "host", "host:port", "smtp://host[:port]" or
// "smtps://host[:port]"; without a port, 587 (465 for smtps://). Port 465 or
// smtps:// is TLS from the first byte; otherwise the session must turn to
// TLS (STARTTLS) before anything else is sent, the user name and password
// above all. Certificates are checked against the system's store. Only a
// loopback server (named localhost, 127.x.x.x or ::1) may be plain.
//
// Connect and send each open a session of their own and close it, so a send
// is still attempted, and reports its own failure, after the connect step
// failed and the channel was closed and released.

#include <QString>
#include <QStringList>

namespace nettora::mail {

// The parameters the sequence sets: 29 = 1 turns authentication on, 58 is
// the user name, 57 the password.
enum : int { ParamAuthenticate = 29, ParamPassword = 57, ParamUserName = 58 };
// The code of "-32: Bad character in email address.", for a caller that
// refuses an address itself.
enum : int { BadCharacterCode = -32 };

// The listed text for a negative code ("-36: Error attempting to
// connect."), "Unresolved error." for any other.
QString engineErrorText(int code);

// Process-wide transport settings; tests trust their own certificate
// authority and shorten the timeouts.
struct TransportOptions {
    QString extraCaFile;           // empty: the system store only
    int connectTimeoutSeconds = 30;
    // The longest the server may stay silent in a session, whatever it is
    // waited for (a reply, the end of the message, the answer to QUIT).
    int transferTimeoutSeconds = 30;
    // Name resolution fixed ahead ("host:port:address"), so that a test can
    // reach its loopback server under a name that is not loopback.
    QStringList resolveOverrides;
};
void setTransportOptions(const TransportOptions &options);
TransportOptions transportOptions();

class SmtpEngine {
public:
    SmtpEngine();
    ~SmtpEngine();
    SmtpEngine(const SmtpEngine &) = delete;
    SmtpEngine &operator=(const SmtpEngine &) = delete;

    int seeAttach(int channels);
    int seeIntegerParam(int channel, int param, int value);
    int seeStringParam(int channel, int param, const QString &value);
    // Reaches the server and, with authentication on, logs in; the session
    // is then closed again, the send opens its own.
    int seeSmtpConnect(int channel, const QString &server, const QString &from, const QString &replyTo);
    // to, cc and bcc are "<address>" lists; the attachment is a file path
    // or empty.
    int seeSendEmail(int channel, const QString &to, const QString &cc, const QString &bcc,
                     const QString &subject, const QString &message, const QString &attachment);
    int seeClose(int channel);
    int seeRelease();

    // A plain sentence about the last failure when the code alone says too
    // little (a server that offers no encryption, a refused login), else
    // empty. Never holds the password.
    QString lastFailureDetail() const;

private:
    struct Impl;
    Impl *d;
};

}  // namespace nettora::mail
