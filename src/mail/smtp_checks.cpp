#include "mail/smtp_checks.h"

#include "data/mail_address.h"

#include <QRegularExpression>

#include <arpa/inet.h>

namespace nettora::mail::smtp {

namespace {

bool isIpv6Literal(const QString &host)
{
    in6_addr a;
    return inet_pton(AF_INET6, host.toLatin1().constData(), &a) == 1;
}

// Judged from the name as typed, never from what it resolves to.
bool isLoopbackHost(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QByteArray h = host.toLatin1();
    in_addr v4;
    if (inet_pton(AF_INET, h.constData(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6;
    return inet_pton(AF_INET6, h.constData(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

}  // namespace

// "host", "host:port", "[v6]:port", "smtp://host[:port]" or
// "smtps://host[:port]"; anything else is refused before a connection.
Failure parseServer(const QString &typed, Server &server)
{
    QString text = typed.trimmed();
    if (text.isEmpty())
        return {NoServer, QString()};
    const QString illegal = QStringLiteral("The server setting \"%1\" is not a server name.");
    for (QChar c : text)
        if (c.unicode() < 0x21 || c.unicode() == 0x7f)
            return {IllegalServerName, illegal.arg(QStringLiteral("(with a blank or a control character)"))};
    if (text.startsWith(QLatin1String("smtps://"), Qt::CaseInsensitive)) {
        server.implicitTls = true;
        text = text.mid(8);
    } else if (text.startsWith(QLatin1String("smtp://"), Qt::CaseInsensitive)) {
        text = text.mid(7);
    } else if (text.contains(QLatin1String("://"))) {
        return {IllegalServerName, illegal.arg(typed)};
    }
    if (text.endsWith(QLatin1Char('/')))
        text.chop(1);
    QString host = text, port;
    bool literalV6 = false;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0)
            return {IllegalServerName, illegal.arg(typed)};
        host = text.mid(1, close - 1);
        literalV6 = true;
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return {IllegalServerName, illegal.arg(typed)};
            port = rest.mid(1);
        }
    } else if (text.count(QLatin1Char(':')) == 1) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        host = text.left(colon);
        port = text.mid(colon + 1);
    } else if (text.count(QLatin1Char(':')) > 1) {
        literalV6 = true;  // a bare IPv6 address carries no port
    }
    if (host.isEmpty())
        return {NoServer, QString()};
    if (literalV6) {
        if (!isIpv6Literal(host))
            return {IllegalServerName, illegal.arg(typed)};
    } else {
        for (QChar c : host)
            if (!(c.isLetterOrNumber() || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('_')))
                return {IllegalServerName, illegal.arg(typed)};
    }
    if (!port.isEmpty()) {
        bool ok = false;
        server.port = port.toInt(&ok);
        if (!ok || server.port <= 0 || server.port > 65535)
            return {IllegalServerName, illegal.arg(typed)};
    }
    if (server.port == 465)
        server.implicitTls = true;
    // Without a port: the submission port, where mail programs log in.
    if (server.port == 0)
        server.port = server.implicitTls ? 465 : 587;
    server.host = host;
    server.loopback = isLoopbackHost(host);
    return {};
}

// One address of an address list, the brackets taken off. Anything but
// exactly one address is refused; the old codes still name the plain
// mistakes (no "@", two of them, a stray ">").
Failure checkAddress(const QString &typed, QString &address)
{
    // A line break first of all: it is how headers get smuggled in.
    if (typed.contains(QLatin1Char('\r')) || typed.contains(QLatin1Char('\n')))
        return {BadCharacter, QStringLiteral("An e-mail address holds a line break.")};
    QString a = typed.trimmed();
    if (a.startsWith(QLatin1Char('<'))) {
        if (!a.endsWith(QLatin1Char('>')))
            return {MissingGreaterThan, QString()};
        a = a.mid(1, a.size() - 2);
    }
    if (a.isEmpty())
        return {EmptyAddress, QString()};
    if (IsOneEmailAddress(a)) {
        address = a;
        return {};
    }
    if (a.contains(QLatin1Char('>')))
        return {UnexpectedGreaterThan, NotOneEmailAddressText(a)};
    for (QChar c : a)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c.isSpace() || QStringLiteral("<,;:\"()[]\\").contains(c))
            return {BadCharacter, NotOneEmailAddressText(a)};
    const qsizetype ats = a.count(QLatin1Char('@'));
    if (ats == 0)
        return {MissingAt, QString()};
    if (ats > 1)
        return {TooManyAts, QString()};
    return {BadCharacter, NotOneEmailAddressText(a)};
}

// "<a>", "<a>,<b>" or "<a>;<b>"; an empty list is no address.
Failure checkAddressList(const QString &list, QStringList &addresses)
{
    const QStringList parts = list.split(QRegularExpression(QStringLiteral("(?<=>)\\s*[,;]\\s*")));
    for (const QString &part : parts) {
        if (part.trimmed().isEmpty() && parts.size() == 1)
            return {};
        QString address;
        if (Failure f = checkAddress(part, address); f.code)
            return f;
        addresses << address;
    }
    return {};
}

// "Name<address>", "<address>" or "address". The name may hold a "<" of
// its own, and so may a quoted local part: the address starts at the last
// "<" after which one address follows. (The text cannot tell a name from a
// second address smuggled in after the first; the caller that has the two
// apart checks the address on its own.)
Failure checkSender(const QString &from, QString &name, QString &address)
{
    if (from.trimmed().isEmpty())
        return {MissingFrom, QString()};
    if (from.contains(QLatin1Char('\r')) || from.contains(QLatin1Char('\n')))
        return {BadCharacter, QStringLiteral("The sender's name or address holds a line break.")};
    const QString trimmed = from.trimmed();
    qsizetype open = trimmed.lastIndexOf(QLatin1Char('<'));
    for (qsizetype at = open; at >= 0; at = at > 0 ? trimmed.lastIndexOf(QLatin1Char('<'), at - 1) : -1) {
        if (trimmed.endsWith(QLatin1Char('>')) && IsOneEmailAddress(trimmed.mid(at + 1, trimmed.size() - at - 2))) {
            open = at;
            break;
        }
    }
    name = open > 0 ? trimmed.left(open).trimmed() : QString();
    const QString part = open >= 0 ? trimmed.mid(open) : trimmed;
    if (part == QLatin1String("<>"))
        return {MissingFrom, QString()};
    for (QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return {BadCharacter, QStringLiteral("The sender's name holds a control character.")};
    return checkAddress(part, address);
}

Failure checkSubject(const QString &subject)
{
    for (QChar c : subject)
        if (c.unicode() < 0x20 && c != QLatin1Char('\t'))
            return {Unlisted, c == QLatin1Char('\r') || c == QLatin1Char('\n')
                                  ? QStringLiteral("The subject holds a line break; nothing was sent.")
                                  : QStringLiteral("The subject holds a control character; nothing was sent.")};
    return {};
}

}  // namespace nettora::mail::smtp
