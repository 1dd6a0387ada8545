#include "mail/smtp_engine.h"

#include "data/mail_address.h"
#include "mail/mime_message.h"
#include "mail/smtp_checks.h"

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

using namespace smtp;

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

QString scrub(QString text, const QString &password)
{
    if (!password.isEmpty())
        text.replace(password, QStringLiteral("*********"));
    return text;
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
