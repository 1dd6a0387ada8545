#pragma once
// Texts from the data or a document as nettora-cli prints them.

#include <QString>

namespace nettora::cli {

// The text with every control character written as \xHH (ESC as \x1b), the
// direction marks, embeddings, overrides and isolates and the line and
// paragraph separators as \uHHHH (U+2028 as \u2028) and a backslash as \\,
// so that a stored text can neither drive the terminal, reorder or break the
// line it is printed on, nor pass for an escape it does not hold.
QString printable(const QString &text);

// A text from a document cut to a readable length for a message: the first
// 40 characters followed by "…".
QString shortened(const QString &text);

}  // namespace nettora::cli
