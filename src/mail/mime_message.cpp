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
// encoded words when it holds more than ASCII (or text a reader would take
// for encoded words).
QByteArray phrase(const QString &name)
{
    if (!plainAscii(name) || name.contains(QLatin1String("=?")))
        return encodedWords(name);
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

// A mailbox header: the name, when there is one, before the address.
QByteArray mailboxHeader(const char *header, const QString &name, const QString &address)
{
    const QByteArray mailbox = '<' + address.toUtf8() + '>';
    return foldedLine(QByteArray(header) + ": " + (name.isEmpty() ? mailbox : phrase(name) + ' ' + mailbox), nullptr) + "\r\n";
}

QByteArray quotedParameter(const QString &value)
{
    QString q = value;
    q.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    return '"' + q.toLatin1() + '"';
}

// name="..." for short ASCII names; otherwise the RFC 2231 form, in
// pieces short enough to keep every header line within 78 characters.
QByteArray fileParameter(const char *key, const QString &fileName)
{
    if (plainAscii(fileName) && fileName.size() <= 40)
        return QByteArray(key) + '=' + quotedParameter(fileName);
    const QByteArray encoded = QUrl::toPercentEncoding(fileName);
    QByteArrayList pieces;
    for (qsizetype i = 0; i < encoded.size();) {
        qsizetype n = std::min<qsizetype>(48, encoded.size() - i);
        // Never split a %XX escape.
        if (i + n < encoded.size()) {
            if (encoded[i + n - 1] == '%')
                n -= 1;
            else if (n >= 2 && encoded[i + n - 2] == '%')
                n -= 2;
        }
        pieces << encoded.mid(i, n);
        i += n;
    }
    if (pieces.size() == 1)
        return QByteArray(key) + "*=UTF-8''" + pieces[0];
    QByteArray out;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i)
            out += ";\r\n ";
        out += QByteArray(key) + '*' + QByteArray::number(i) + "*=" + (i == 0 ? "UTF-8''" : "") + pieces[i];
    }
    return out;
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
    // A domain literal ([192.0.2.1]) stands as it is; a name goes in its
    // ASCII form.
    QByteArray right = domain.startsWith(QLatin1Char('[')) ? domain.toLatin1() : QUrl::toAce(domain);
    if (right.isEmpty())
        right = "localhost";
    const quint64 a = QRandomGenerator::global()->generate64(), b = QRandomGenerator::global()->generate64();
    return '<' + QByteArray::number(a, 36) + '.' + QByteArray::number(b, 36) + '@' + right + '>';
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

QByteArray encodedWords(const QString &text)
{
    // Words of at most 39 bytes of text each: 64 characters encoded, so
    // that one fits on a line after any header's name. A character is
    // never split between two words.
    QByteArrayList words;
    QByteArray chunk;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray piece = text.mid(i, n).toUtf8();
        if (chunk.size() + piece.size() > 39) {
            words << chunk;
            chunk.clear();
        }
        chunk += piece;
        i += n - 1;
    }
    if (!chunk.isEmpty() || words.isEmpty())
        words << chunk;
    for (QByteArray &w : words)
        w = "=?UTF-8?B?" + w.toBase64() + "?=";
    return words.join(' ');
}

QByteArray foldedLine(const QByteArray &line, bool *fits)
{
    // Pieces that each start with their blanks; a fold goes before a
    // piece, never before one that is only blanks (a line of blanks alone
    // is no line).
    constexpr qsizetype kWidth = 78;
    QByteArray out;
    qsizetype lineStart = 0;
    bool allFit = true;
    qsizetype i = 0;
    while (i < line.size()) {
        qsizetype end = i;
        while (end < line.size() && (line[end] == ' ' || line[end] == '\t'))
            ++end;
        const bool onlyBlanks = end == line.size();
        while (end < line.size() && line[end] != ' ' && line[end] != '\t')
            ++end;
        const QByteArray piece = line.mid(i, end - i);
        if (i > 0 && !onlyBlanks && out.size() - lineStart + piece.size() > kWidth) {
            allFit = allFit && out.size() - lineStart <= kWidth;
            out += "\r\n";
            lineStart = out.size();
        }
        out += piece;
        i = end;
    }
    allFit = allFit && out.size() - lineStart <= kWidth;
    if (fits)
        *fits = allFit;
    return out;
}

namespace {

QByteArray unstructuredHeader(const char *header, const QString &text)
{
    const QByteArray name = QByteArray(header) + ": ";
    if (plainAscii(text) && !text.contains(QLatin1String("=?"))) {
        bool fits = false;
        const QByteArray folded = foldedLine(name + text.toLatin1(), &fits);
        if (fits)
            return folded + "\r\n";
    }
    // A word too long for a line, or more than ASCII: encoded words, which
    // fold between them.
    return foldedLine(name + encodedWords(text), nullptr) + "\r\n";
}

}  // namespace

QByteArray MimeMessage::toBytes() const
{
    QByteArray head;
    head += "Date: " + rfc2822Date() + "\r\n";
    head += mailboxHeader("From", fromName, fromAddress);
    head += mailboxHeader("To", toName, to);
    if (!cc.isEmpty()) {
        QByteArrayList list;
        for (const QString &c : cc)
            list << '<' + c.toUtf8() + '>';
        head += "Cc: " + list.join(",\r\n ") + "\r\n";
    }
    head += unstructuredHeader("Subject", subject);
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
    out += "Content-Type: application/pdf;\r\n " + fileParameter("name", attachmentName) + "\r\n";
    out += "Content-Disposition: attachment;\r\n " + fileParameter("filename", attachmentName) + "\r\n";
    out += "Content-Transfer-Encoding: base64\r\n\r\n";
    out += base64Lines(attachment);
    out += "--" + b + "--\r\n";
    return out;
}

}  // namespace nettora::mail
