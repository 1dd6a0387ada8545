#pragma once
// Which characters of a text no installed font can draw. Qt draws such a
// character as an empty box, in the preview, on paper and in PDF files
// alike; the report engine records the fields that hold one so that the
// print, PDF and e-mail steps can say so.
//
// A character is drawable when some installed outline font has it (from
// fontconfig's character sets, read once per process) and Qt finds such a
// font among the report font's fallbacks. Colour bitmap fonts (emoji) do not
// count: their glyphs have no outlines and come out empty in a PDF. Each
// character is decided once and kept.

#include <QString>
#include <QStringView>

namespace nettora::reports {

// Whether some installed outline font has the character, or it is one that
// is never drawn anyway (blanks, line breaks, control and format characters,
// variation selectors).
bool isDrawable(char32_t c);

// The characters of text that are not drawable, each once, in the order they
// first appear; empty when the whole text prints.
QString undrawableCharacters(QStringView text);

// "U+E000, U+1F973": the characters by code point, for messages; past the
// first `shown` of them, " and 3 more".
QString codePoints(QStringView characters, int shown = 8);

}  // namespace nettora::reports
