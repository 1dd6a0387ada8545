#pragma once
// What the SMTP engine checks before it connects: the server as typed, the
// addresses, the sender and the subject. Each check answers with the
// engine's code and, where the code says too little, a sentence.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace nettora::mail::smtp {

// Codes the engine reports; the texts are the ones users have always seen.
enum Code : int {
    ChannelOutOfRange = -73,
    AlreadyAttached = -72,
    NotAttached = -71,
    OutOfMemory = -55,
    IllegalServerName = -56,
    UnexpectedGreaterThan = -54,
    TooManyAts = -53,
    SocketWrite = -52,
    SocketRead = -51,
    NoServer = -50,
    SmtpError = -49,
    ServerNotFound = -46,
    NoRecipient = -45,
    NotConnected = -44,
    MissingGreaterThan = -43,
    MissingFrom = -40,
    MissingAt = -39,
    EmptyAddress = -37,
    ConnectFailed = -36,
    CannotOpenFile = -35,
    BadCharacter = -32,
    TimedOut = -8,
    SocketClosed = -1,
    // Not in the list: shown as "Unresolved error." with a sentence after it.
    Unlisted = -1000,
};

// A failure: the code and, where the code says too little, a sentence.
struct Failure {
    int code = 0;
    QString detail;
};

struct Server {
    bool implicitTls = false;
    QString host;  // without brackets
    int port = 0;
    bool loopback = false;

    QByteArray url() const
    {
        const QString h = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
        return (QString::fromLatin1(implicitTls ? "smtps://" : "smtp://") + h + QLatin1Char(':') +
                QString::number(port))
            .toUtf8();
    }
};

Failure parseServer(const QString &typed, Server &server);
Failure checkAddress(const QString &typed, QString &address);
Failure checkAddressList(const QString &list, QStringList &addresses);
Failure checkSender(const QString &from, QString &name, QString &address);
Failure checkSubject(const QString &subject);

}  // namespace nettora::mail::smtp
