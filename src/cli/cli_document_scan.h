#pragma once
// The import's reading of the raw document text, beside the JSON parser:
// what the parser lets through or loses (equal keys, raw control
// characters, byte order marks inside strings, a number's own digits), and
// how a place in the document is named in a refusal.

#include <QByteArray>
#include <QHash>
#include <QString>

namespace nettora::cli::document {

// The text of each number of the document by its place ("clients[0].fields.X"):
// the parser hands numbers over as doubles, which near a trillion cannot
// hold an amount's fourth decimal.
using NumberLiterals = QHash<QString, QByteArray>;

// Refuses the document, naming the place ("clients[0].fields.X").
[[noreturn]] void refuse(const QString &place, const QString &what);
// A key of the document in a place; a long one is cut, so that a message
// stays readable whatever the document holds.
QString child(const QString &place, const QString &key);
QString item(const QString &place, qsizetype i);

// Refuses a text that is not JSON, naming the line and column of offset.
[[noreturn]] void notJson(const QByteArray &json, qsizetype offset, const QString &why);
// Walks a text the parser has accepted: refuses an object with two equal
// keys and returns each number's own text.
NumberLiterals scanNumbers(const QByteArray &json);
// Where a raw control character (NUL among them) stands inside a string,
// which JSON does not allow and the parser lets through; -1 for none.
qsizetype rawControlInString(const QByteArray &json);
// The text with every U+FEFF inside a string written as an escape, which the
// parser would otherwise drop at a string's start.
QByteArray escapedByteOrderMarks(const QByteArray &json);

}  // namespace nettora::cli::document
