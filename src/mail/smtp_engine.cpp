#include "mail/smtp_engine.h"

#include "data/mail_address.h"
#include "mail/mime_message.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>

#include <arpa/inet.h>
#include <curl/curl.h>

#include <chrono>
#include <cstring>
#include <mutex>

namespace nettora::mail {

namespace {

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

const QHash<int, QString> &errorTexts()
{
    static const QHash<int, QString> texts = {
        {-73, QStringLiteral("-73: Channel number of out range.")},
        {-72, QStringLiteral("-72: seeAttach already called.")},
        {-71, QStringLiteral("-71: seeAttach not called.")},
        {-70, QStringLiteral("-70: Missing path for attachments.")},
        {-69, QStringLiteral("-69: Buffer size < 128.")},
        {-68, QStringLiteral("-68: Buffer is NULL.")},
        {-67, QStringLiteral("-67: Cannot create file.")},
        {-66, QStringLiteral("-66: Missing email path.")},
        {-65, QStringLiteral("-65: Missing filename.")},
        {-64, QStringLiteral("-64: No such message number.")},
        {-63, QStringLiteral("-63: POP3 returned error.")},
        {-62, QStringLiteral("-62: PASSWORD not specified.")},
        {-61, QStringLiteral("-61: USER name not specified.")},
        {-59, QStringLiteral("-59: POP3 function ONLY.")},
        {-58, QStringLiteral("-58: SMTP function ONLY.")},
        {-56, QStringLiteral("-56: Illegal chars in server name.")},
        {-55, QStringLiteral("-55: Cannot allocate memory.")},
        {-54, QStringLiteral("-54: Found unexpected > character in email address.")},
        {-53, QStringLiteral("-53: Too many @ symbols in email address.")},
        {-52, QStringLiteral("-52: Socket write error.")},
        {-51, QStringLiteral("-51: Socket read error.")},
        {-50, QStringLiteral("-50: SMTP/POP3 server not specified.")},
        {-49, QStringLiteral("-49: SMTP returned error.")},
        {-48, QStringLiteral("-48: ToPtr is NULL.")},
        {-47, QStringLiteral("-47: Unexpected NULL pointer.")},
        {-46, QStringLiteral("-46: Cannot find SMTP/POP3 server.")},
        {-45, QStringLiteral("-45: Must have at least one receipient.")},
        {-44, QStringLiteral("-44: Not connected to server")},
        {-43, QStringLiteral("-43: Missing > terminating email address.")},
        {-40, QStringLiteral("-40: Missing FROM email address.")},
        {-39, QStringLiteral("-39: Missing @ character in email address.")},
        {-38, QStringLiteral("-38: FromPtr is NULL.")},
        {-37, QStringLiteral("-37: EMPTY email address.")},
        {-36, QStringLiteral("-36: Error attempting to connect.")},
        {-35, QStringLiteral("-35: Cannot open file.")},
        {-34, QStringLiteral("-34: Cannot access WINSOCK")},
        {-32, QStringLiteral("-32: Bad character in email address.")},
        {-31, QStringLiteral("-31: Response buffer has overflowed.")},
        {-18, QStringLiteral("-18: Cannot create socket.")},
        {-14, QStringLiteral("-14: Internal checksum fails!")},
        {-12, QStringLiteral("-12: No host name.")},
        {-9, QStringLiteral("-9: No available sockaddr structures.")},
        {-8, QStringLiteral("-8: Socket timed out.")},
        {-7, QStringLiteral("-7: Invalid socket.")},
        {-5, QStringLiteral("-5: Bad status flag passed to seeStatus.")},
        {-4, QStringLiteral("-4: WINSOCK is currently blocking.")},
        {-1, QStringLiteral("-1: Socket has been closed.")},
    };
    return texts;
}

QMutex g_optionsLock;
TransportOptions g_options;

void initialiseCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

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

QString scrub(QString text, const QString &password)
{
    if (!password.isEmpty())
        text.replace(password, QStringLiteral("*********"));
    return text;
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

struct Upload {
    QByteArray data;
    qsizetype at = 0;
};

size_t readUpload(char *buffer, size_t size, size_t count, void *user)
{
    auto *u = static_cast<Upload *>(user);
    const size_t n = std::min(size * count, size_t(u->data.size() - u->at));
    memcpy(buffer, u->data.constData() + u->at, n);
    u->at += qsizetype(n);
    return n;
}

size_t discard(char *, size_t size, size_t count, void *) { return size * count; }

// The server's silence, measured from the last sign of it: a reply line,
// the TLS handshake, or part of the message taken off our hands. libcurl
// bounds each reply on its own, but after a timeout it says QUIT and waits
// for the answer as long again; the watch ends that wait too, so that a
// silent server holds a session no longer than the limit.
struct SilenceWatch {
    std::chrono::steady_clock::time_point lastSign = std::chrono::steady_clock::now();
    std::chrono::seconds limit;
    bool broken = false;  // the limit passed and the watch ended the session
};

int noteSign(CURL *, curl_infotype type, char *, size_t, void *user)
{
    // What we send ourselves (commands, QUIT above all) is no sign of the
    // server.
    if (type == CURLINFO_HEADER_IN || type == CURLINFO_DATA_IN || type == CURLINFO_SSL_DATA_IN ||
        type == CURLINFO_DATA_OUT)
        static_cast<SilenceWatch *>(user)->lastSign = std::chrono::steady_clock::now();
    return 0;
}

int checkSilence(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto *watch = static_cast<SilenceWatch *>(user);
    if (std::chrono::steady_clock::now() - watch->lastSign < watch->limit)
        return 0;
    watch->broken = true;
    return 1;
}

struct CurlHandle {
    CURL *h = curl_easy_init();
    curl_slist *recipients = nullptr;
    curl_slist *resolve = nullptr;
    ~CurlHandle()
    {
        curl_slist_free_all(recipients);
        curl_slist_free_all(resolve);
        if (h)
            curl_easy_cleanup(h);
    }
};

}  // namespace

QString engineErrorText(int code)
{
    return errorTexts().value(code, QStringLiteral("Unresolved error."));
}

void setTransportOptions(const TransportOptions &options)
{
    QMutexLocker lock(&g_optionsLock);
    g_options = options;
}

TransportOptions transportOptions()
{
    QMutexLocker lock(&g_optionsLock);
    return g_options;
}

struct SmtpEngine::Impl {
    bool attached = false;
    bool authenticate = false;
    QString userName, password;
    bool connectCalled = false;
    QString server, from;
    QString detail;

    int fail(const Failure &f)
    {
        detail = scrub(f.detail, password);
        return f.code;
    }

    // One SMTP session: with no message, it greets, turns to TLS where it
    // must, logs in and sends NOOP; with one, it sends it.
    Failure session(const Server &s, const QString &senderAddress, const QStringList &recipients,
                    const QByteArray *message);
    Failure curlFailure(CURLcode rc, CURL *h, const Server &s, const char *errorBuffer) const;
};

Failure SmtpEngine::Impl::session(const Server &s, const QString &senderAddress, const QStringList &recipients,
                                  const QByteArray *message)
{
    const TransportOptions options = transportOptions();
    CurlHandle c;
    if (!c.h)
        return {OutOfMemory, QString()};
    CURL *h = c.h;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    const QByteArray url = s.url();
    curl_easy_setopt(h, CURLOPT_URL, url.constData());
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, long(options.connectTimeoutSeconds));
    // Every server reply must come within the transfer timeout, and the
    // upload must not stall longer than that.
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(options.transferTimeoutSeconds));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, long(options.transferTimeoutSeconds));
    SilenceWatch watch{.limit = std::chrono::seconds(options.transferTimeoutSeconds)};
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);  // the debug callback sees the traffic, and says nothing
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, noteSign);
    curl_easy_setopt(h, CURLOPT_DEBUGDATA, &watch);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, checkSilence);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &watch);
    // Closed when the session ends, while the watch still runs: a connection
    // kept for reuse would say its QUIT at cleanup, unwatched.
    curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
    // Encryption: always for other hosts (so no credential and no statement
    // ever travels in clear); a loopback server may be plain.
    curl_easy_setopt(h, CURLOPT_USE_SSL, long(s.loopback ? CURLUSESSL_TRY : CURLUSESSL_ALL));
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    const QByteArray caFile = QFile::encodeName(options.extraCaFile);
    if (!caFile.isEmpty())
        curl_easy_setopt(h, CURLOPT_CAINFO, caFile.constData());
    for (const QString &entry : options.resolveOverrides)
        c.resolve = curl_slist_append(c.resolve, entry.toUtf8().constData());
    if (c.resolve)
        curl_easy_setopt(h, CURLOPT_RESOLVE, c.resolve);
    const QByteArray user = userName.toUtf8(), pass = password.toUtf8();
    if (authenticate && !userName.isEmpty()) {
        curl_easy_setopt(h, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, pass.constData());
    }
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, discard);

    Upload upload;
    const QByteArray mailFrom = '<' + senderAddress.toUtf8() + '>';
    if (message) {
        curl_easy_setopt(h, CURLOPT_MAIL_FROM, mailFrom.constData());
        for (const QString &r : recipients)
            c.recipients = curl_slist_append(c.recipients, ('<' + r.toUtf8() + '>').constData());
        curl_easy_setopt(h, CURLOPT_MAIL_RCPT, c.recipients);
        upload.data = *message;
        curl_easy_setopt(h, CURLOPT_READFUNCTION, readUpload);
        curl_easy_setopt(h, CURLOPT_READDATA, &upload);
        curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, curl_off_t(upload.data.size()));
    } else {
        curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, "NOOP");
    }
    const CURLcode rc = curl_easy_perform(h);
    if (rc == CURLE_OK)
        return {};
    return curlFailure(watch.broken && rc == CURLE_ABORTED_BY_CALLBACK ? CURLE_OPERATION_TIMEDOUT : rc, h, s,
                       errorBuffer);
}

Failure SmtpEngine::Impl::curlFailure(CURLcode rc, CURL *h, const Server &s, const char *errorBuffer) const
{
    const QString where = s.host + QLatin1Char(':') + QString::number(s.port);
    long reply = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &reply);
    switch (rc) {
    case CURLE_LOGIN_DENIED:
        return {SmtpError, QStringLiteral("The server %1 refused the user name or password.").arg(where)};
    case CURLE_USE_SSL_FAILED:
        return {ConnectFailed,
                QStringLiteral("The server %1 offers no encryption (STARTTLS); nothing was sent to it, "
                               "neither the user name and password nor the message.")
                    .arg(where)};
    case CURLE_COULDNT_RESOLVE_HOST:
        return {ServerNotFound, QStringLiteral("The server name %1 could not be found.").arg(s.host)};
    case CURLE_COULDNT_CONNECT:
        return {ConnectFailed, QStringLiteral("Nothing answers at %1.").arg(where)};
    case CURLE_OPERATION_TIMEDOUT:
        return {TimedOut, QStringLiteral("The server %1 did not answer in time.").arg(where)};
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
        return {ConnectFailed, QStringLiteral("The certificate of the server %1 is not trusted.").arg(where)};
    case CURLE_SSL_CONNECT_ERROR:
        return {ConnectFailed,
                QStringLiteral("An encrypted connection to the server %1 could not be set up.").arg(where)};
    case CURLE_OUT_OF_MEMORY:
        return {OutOfMemory, QString()};
    case CURLE_SEND_ERROR:
        if (reply >= 400)
            break;
        return {SocketWrite, QString()};
    case CURLE_RECV_ERROR:
        if (reply >= 400)
            break;
        return {SocketRead, QString()};
    case CURLE_GOT_NOTHING:
        return {SocketClosed, QString()};
    case CURLE_URL_MALFORMAT:
        return {IllegalServerName, QString()};
    default:
        break;
    }
    if (reply >= 400)
        return {SmtpError, QStringLiteral("The server %1 answered %2.").arg(where).arg(reply)};
    QString text = QString::fromUtf8(errorBuffer);
    if (text.isEmpty())
        text = QString::fromUtf8(curl_easy_strerror(rc));
    if (rc == CURLE_WEIRD_SERVER_REPLY)
        return {SmtpError, QStringLiteral("The server %1 gave an unexpected reply: %2").arg(where, text)};
    return {Unlisted, QStringLiteral("Mail transport: %1").arg(text)};
}

SmtpEngine::SmtpEngine() : d(new Impl) {}

SmtpEngine::~SmtpEngine() { delete d; }

int SmtpEngine::seeAttach(int channels)
{
    d->detail.clear();
    if (d->attached)
        return AlreadyAttached;
    // One channel is all the program ever needs.
    if (channels != 1)
        return ChannelOutOfRange;
    initialiseCurl();
    d->attached = true;
    return 0;
}

int SmtpEngine::seeIntegerParam(int channel, int param, int value)
{
    d->detail.clear();
    if (channel != 0)
        return ChannelOutOfRange;
    if (!d->attached)
        return NotAttached;
    if (param != ParamAuthenticate)
        return Unlisted;
    d->authenticate = value == 1;
    return 0;
}

int SmtpEngine::seeStringParam(int channel, int param, const QString &value)
{
    d->detail.clear();
    if (channel != 0)
        return ChannelOutOfRange;
    if (!d->attached)
        return NotAttached;
    if (param == ParamUserName)
        d->userName = value;
    else if (param == ParamPassword)
        d->password = value;
    else
        return Unlisted;
    return 0;
}

int SmtpEngine::seeSmtpConnect(int channel, const QString &server, const QString &from, const QString &replyTo)
{
    d->detail.clear();
    if (channel != 0)
        return ChannelOutOfRange;
    if (!d->attached)
        return NotAttached;
    // Kept for the send, which makes its own session even when this one
    // failed, and then reports its own failure.
    d->connectCalled = true;
    d->server = server;
    d->from = from;
    Server s;
    if (Failure f = parseServer(server, s); f.code)
        return d->fail(f);
    QString name, address;
    if (Failure f = checkSender(from, name, address); f.code)
        return d->fail(f);
    if (!replyTo.isEmpty()) {
        QString reply;
        if (Failure f = checkAddress(replyTo, reply); f.code)
            return d->fail(f);
    }
    if (Failure f = d->session(s, address, {}, nullptr); f.code)
        return d->fail(f);
    return 0;
}

int SmtpEngine::seeSendEmail(int channel, const QString &to, const QString &cc, const QString &bcc,
                             const QString &subject, const QString &message, const QString &attachment)
{
    d->detail.clear();
    if (channel != 0)
        return ChannelOutOfRange;
    if (!d->connectCalled)
        return NotConnected;
    Server s;
    if (Failure f = parseServer(d->server, s); f.code)
        return d->fail(f);
    MimeMessage m;
    if (Failure f = checkSender(d->from, m.fromName, m.fromAddress); f.code)
        return d->fail(f);
    if (to.trimmed().isEmpty())
        return NoRecipient;
    // Exactly one recipient: a list typed into the one field is refused.
    QStringList toList;
    if (Failure f = checkAddressList(to, toList); f.code)
        return d->fail(f);
    if (toList.size() != 1)
        return d->fail({BadCharacter, QStringLiteral("The recipient must be one e-mail address.")});
    m.to = toList.first();
    QStringList copies, blindCopies;
    if (Failure f = checkAddressList(cc, copies); f.code)
        return d->fail(f);
    if (Failure f = checkAddressList(bcc, blindCopies); f.code)
        return d->fail(f);
    m.cc = copies;
    if (Failure f = checkSubject(subject); f.code)
        return d->fail(f);
    m.subject = subject;
    m.text = message;
    if (!attachment.isEmpty()) {
        QFile file(attachment);
        if (!QFileInfo(attachment).isFile() || !file.open(QIODevice::ReadOnly))
            return d->fail({CannotOpenFile, QString()});
        m.attachmentName = QFileInfo(attachment).fileName();
        m.attachment = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return d->fail({CannotOpenFile, QString()});
    }
    const QByteArray wire = m.toBytes();
    if (Failure f = d->session(s, m.fromAddress, QStringList{m.to} + copies + blindCopies, &wire); f.code)
        return d->fail(f);
    return 0;
}

int SmtpEngine::seeClose(int channel)
{
    if (channel != 0)
        return ChannelOutOfRange;
    // Every session is closed when its step ends; nothing stays open.
    return d->attached ? 0 : NotAttached;
}

int SmtpEngine::seeRelease()
{
    if (!d->attached)
        return NotAttached;
    d->attached = false;
    return 0;
}

QString SmtpEngine::lastFailureDetail() const { return d->detail; }

}  // namespace nettora::mail
