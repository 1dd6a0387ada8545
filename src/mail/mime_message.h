#pragma once
// One outgoing message as it goes on the wire: headers, a UTF-8 text part
// and at most one attachment, every line ended by CRLF. Header lines are
// folded to at most 78 characters (an address too long for that aside);
// names and a subject beyond ASCII go as encoded words.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace nettora::mail {

struct MimeMessage {
    QString fromName, fromAddress;
    QString toName, to;
    QStringList cc;
    QString subject;
    QString text;             // line breaks in any convention
    QString attachmentName;   // a file name, never a path; empty for none
    QByteArray attachment;

    QByteArray toBytes() const;
};

// The text with every line break (CRLF, LF CR, LF, CR) made CRLF.
QString crlfLines(const QString &text);
// The text as RFC 2047 encoded words (UTF-8, base64), each at most 64
// characters long, separated by blanks.
QByteArray encodedWords(const QString &text);
// One header line folded at blanks (RFC 5322) so that no line passes 78
// characters where it can; fits tells whether every line does.
QByteArray foldedLine(const QByteArray &line, bool *fits = nullptr);

}  // namespace nettora::mail
