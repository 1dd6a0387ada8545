#pragma once
// Shared pieces of the mail tests: settings pointing at a loopback server,
// a status recorder, and the transport options put back after each test.

#include "mail/email_sequence.h"
#include "mail/smtp_engine.h"
#include "support/smtp_server.h"
#include "support/testsupport.h"

#include <QStringList>

namespace nettora::test {

// Restores the process-wide transport options when it goes.
class TransportScope {
public:
    TransportScope() : m_saved(mail::transportOptions()) {}
    // Puts options in force until the scope ends.
    explicit TransportScope(const mail::TransportOptions &options) : TransportScope()
    {
        mail::setTransportOptions(options);
    }
    ~TransportScope() { mail::setTransportOptions(m_saved); }

private:
    mail::TransportOptions m_saved;
};

// Transport options that trust the test server's own certificate.
inline mail::TransportOptions trusting(const SmtpServer &server)
{
    mail::TransportOptions options;
    options.extraCaFile = server.caFile();
    return options;
}

inline mail::EmailSettings settingsFor(const SmtpServer &server, bool withLogin)
{
    mail::EmailSettings s;
    s.emailName = QStringLiteral("Pat Preparer");
    s.emailAddress = QStringLiteral("pat@preparer.example");
    s.smtpServer = server.address();
    if (withLogin) {
        s.smtpUserName = QString::fromLatin1(SmtpServer::User);
        s.smtpPassword = QString::fromLatin1(SmtpServer::Password);
    }
    return s;
}

struct StatusLog {
    QStringList lines;
    mail::StatusSink sink()
    {
        return [this](const QString &line) { lines << line; };
    }
};

}  // namespace nettora::test
