#pragma once
// One outgoing message as it goes on the wire: headers, a UTF-8 text part
// and at most one attachment, every line ended by CRLF.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace nettora::mail {

struct MimeMessage {
    QString fromName, fromAddress;
    QString to;
    QStringList cc;
    QString subject;
    QString text;             // line breaks in any convention
    QString attachmentName;   // a file name, never a path; empty for none
    QByteArray attachment;

    QByteArray toBytes() const;
};

// The text with every line break (CRLF, LF CR, LF, CR) made CRLF.
QString crlfLines(const QString &text);
// A header value as RFC 2047 encoded words when it is not plain ASCII.
QByteArray encodedHeaderText(const QString &text);

}  // namespace nettora::mail
