#include "cli/cli_text.h"

namespace nettora::cli {

namespace {

// Characters that reorder the text shown around them (marks, embeddings,
// overrides, isolates), or break it into lines as a line feed does.
bool isLayoutControl(char16_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E)
           || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

QString printable(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\')
            out += QStringLiteral("\\\\");
        else if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else if (isLayoutControl(u))
            out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString shortened(const QString &text)
{
    constexpr qsizetype kShown = 40;
    if (text.size() <= kShown)
        return text;
    qsizetype cut = kShown;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;  // never half a character
    return text.left(cut) + QChar(0x2026);
}

}  // namespace nettora::cli
