#include "mail/mime_message.h"

#include <QDateTime>
#include <QLocale>
#include <QRandomGenerator>
#include <QUrl>

namespace nettora::mail {

namespace {

bool plainAscii(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    return true;
}

// Base64 in lines of 76 characters.
QByteArray base64Lines(const QByteArray &data)
{
    const QByteArray b = data.toBase64();
    QByteArray out;
    out.reserve(b.size() + b.size() / 76 * 2 + 2);
    for (qsizetype i = 0; i < b.size(); i += 76)
        out += b.mid(i, 76) + "\r\n";
    return out;
}

// A display name as a phrase: atoms as they are, otherwise quoted, and
// encoded words when it holds more than ASCII.
QByteArray phrase(const QString &name)
{
    if (!plainAscii(name))
        return encodedHeaderText(name);
    static const QString specials = QStringLiteral("()<>[]:;@\\,.\"");
    bool quote = false;
    for (QChar c : name)
        quote = quote || specials.contains(c);
    if (!quote)
        return name.toLatin1();
    QString q = name;
    q.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    return '"' + q.toLatin1() + '"';
}

QByteArray quotedParameter(const QString &value)
{
    QString q = value;
    q.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    return '"' + q.toLatin1() + '"';
}

// name="..." for ASCII names; otherwise the RFC 2231 form.
QByteArray fileParameter(const char *key, const QString &fileName)
{
    if (plainAscii(fileName))
        return QByteArray(key) + '=' + quotedParameter(fileName);
    return QByteArray(key) + "*=UTF-8''" + QUrl::toPercentEncoding(fileName);
}

QByteArray boundary()
{
    QByteArray random(18, 0);
    for (char &c : random)
        c = char(QRandomGenerator::global()->bounded(256));
    // Base64 never holds "=_", so the boundary cannot occur in a part.
    return "=_nettora_" + random.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

QByteArray messageId(const QString &fromAddress)
{
    const QString domain = fromAddress.mid(fromAddress.lastIndexOf(QLatin1Char('@')) + 1);
    const quint64 a = QRandomGenerator::global()->generate64(), b = QRandomGenerator::global()->generate64();
    return '<' + QByteArray::number(a, 36) + '.' + QByteArray::number(b, 36) + '@' +
           QUrl::toAce(domain) + '>';
}

QByteArray rfc2822Date()
{
    const QDateTime now = QDateTime::currentDateTime();
    const int offset = now.offsetFromUtc() / 60;
    const QString zone = QStringLiteral("%1%2%3")
                             .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                             .arg(qAbs(offset) / 60, 2, 10, QLatin1Char('0'))
                             .arg(qAbs(offset) % 60, 2, 10, QLatin1Char('0'));
    return (QLocale::c().toString(now, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss ")) + zone).toLatin1();
}

}  // namespace

QString crlfLines(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            // "\r\n" and "\n\r" are each one break.
            const QChar other = c == QLatin1Char('\n') ? QLatin1Char('\r') : QLatin1Char('\n');
            if (i + 1 < text.size() && text[i + 1] == other)
                ++i;
            out += QLatin1String("\r\n");
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray encodedHeaderText(const QString &text)
{
    if (plainAscii(text))
        return text.toLatin1();
    // Encoded words of at most 45 bytes of text each (75 characters
    // encoded), never splitting a character.
    QByteArray out;
    QByteArray chunk;
    const auto flush = [&] {
        if (chunk.isEmpty())
            return;
        if (!out.isEmpty())
            out += "\r\n ";
        out += "=?UTF-8?B?" + chunk.toBase64() + "?=";
        chunk.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype n = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size())
            n = 2;
        const QByteArray piece = text.mid(i, n).toUtf8();
        if (chunk.size() + piece.size() > 45)
            flush();
        chunk += piece;
        i += n - 1;
    }
    flush();
    return out;
}

QByteArray MimeMessage::toBytes() const
{
    QByteArray head;
    head += "Date: " + rfc2822Date() + "\r\n";
    head += "From: " + (fromName.isEmpty() ? QByteArray() : phrase(fromName) + ' ') + '<' + fromAddress.toUtf8() +
            ">\r\n";
    head += "To: <" + to.toUtf8() + ">\r\n";
    if (!cc.isEmpty()) {
        QByteArrayList list;
        for (const QString &c : cc)
            list << '<' + c.toUtf8() + '>';
        head += "Cc: " + list.join(",\r\n ") + "\r\n";
    }
    head += "Subject: " + encodedHeaderText(subject) + "\r\n";
    head += "Message-ID: " + messageId(fromAddress) + "\r\n";
    head += "MIME-Version: 1.0\r\n";

    const QByteArray textPart = "Content-Type: text/plain; charset=UTF-8\r\n"
                                "Content-Transfer-Encoding: base64\r\n\r\n" +
                                base64Lines(crlfLines(text).toUtf8());
    if (attachmentName.isEmpty())
        return head + textPart;

    const QByteArray b = boundary();
    QByteArray out = head + "Content-Type: multipart/mixed; boundary=\"" + b + "\"\r\n\r\n";
    out += "This is a message in MIME format.\r\n";
    out += "--" + b + "\r\n" + textPart;
    out += "--" + b + "\r\n";
    out += "Content-Type: application/pdf; " + fileParameter("name", attachmentName) + "\r\n";
    out += "Content-Disposition: attachment; " + fileParameter("filename", attachmentName) + "\r\n";
    out += "Content-Transfer-Encoding: base64\r\n\r\n";
    out += base64Lines(attachment);
    out += "--" + b + "--\r\n";
    return out;
}

}  // namespace nettora::mail
