#include "reports/engine/glyphs.h"

#include <QChar>
#include <QStringList>
#include <bitset>
#include <fontconfig/fontconfig.h>
#include <utility>

namespace nettora::reports {

namespace {

// What the installed fonts cover. Most text is in the first plane, looked up
// in a bit table; the rest asks the merged character set.
class Coverage {
public:
    Coverage() : m_all(FcCharSetCreate())
    {
        FcPattern *pattern = FcPatternCreate();
        FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
        FcObjectSet *objects = FcObjectSetBuild(FC_CHARSET, FC_COLOR, nullptr);
        if (FcFontSet *fonts = FcFontList(nullptr, pattern, objects)) {
            for (int i = 0; i < fonts->nfont; ++i) {
                FcBool color = FcFalse;
                FcPatternGetBool(fonts->fonts[i], FC_COLOR, 0, &color);
                FcCharSet *set = nullptr;
                if (!color && FcPatternGetCharSet(fonts->fonts[i], FC_CHARSET, 0, &set) == FcResultMatch)
                    FcCharSetMerge(m_all, set, nullptr);
            }
            FcFontSetDestroy(fonts);
        }
        FcObjectSetDestroy(objects);
        FcPatternDestroy(pattern);

        FcChar32 map[FC_CHARSET_MAP_SIZE];
        FcChar32 next = 0;
        for (FcChar32 base = FcCharSetFirstPage(m_all, map, &next); base != FC_CHARSET_DONE && base < 0x10000;
             base = FcCharSetNextPage(m_all, map, &next))
            for (int word = 0; word < FC_CHARSET_MAP_SIZE; ++word)
                for (int bit = 0; bit < 32; ++bit)
                    if (map[word] & (1u << bit))
                        m_firstPlane.set(base + FcChar32(word) * 32 + FcChar32(bit));
    }
    ~Coverage() { FcCharSetDestroy(m_all); }
    Coverage(const Coverage &) = delete;
    Coverage &operator=(const Coverage &) = delete;

    bool has(char32_t c) const
    {
        return c < 0x10000 ? m_firstPlane.test(c) : FcCharSetHasChar(m_all, FcChar32(c)) == FcTrue;
    }

private:
    FcCharSet *m_all;
    std::bitset<0x10000> m_firstPlane;
};

const Coverage &coverage()
{
    static const Coverage c;  // fonts installed while the program runs count from the next start
    return c;
}

bool neverDrawn(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        break;
    }
    // Variation selectors pick the look of the character before them.
    return (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0100 && c <= 0xE01EF) || (c >= 0x180B && c <= 0x180F);
}

// The code point at i and how many units it takes; a lone surrogate stands
// for itself.
std::pair<char32_t, qsizetype> codePointAt(QStringView text, qsizetype i)
{
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return {QChar::surrogateToUcs4(text[i], text[i + 1]), 2};
    return {text[i].unicode(), 1};
}

}  // namespace

bool isDrawable(char32_t c)
{
    return coverage().has(c) || neverDrawn(c);
}

QString undrawableCharacters(QStringView text)
{
    QString out;
    const Coverage &fonts = coverage();
    for (qsizetype i = 0; i < text.size();) {
        // The common case, a character some font has, costs one bit test.
        if (!text[i].isSurrogate() && fonts.has(text[i].unicode())) {
            ++i;
            continue;
        }
        const auto [c, length] = codePointAt(text, i);
        const QStringView character = text.mid(i, length);
        i += length;
        if (!isDrawable(c) && !out.contains(character))
            out += character;
    }
    return out;
}

QString codePoints(QStringView characters, int shown)
{
    QStringList out;
    int more = 0;
    for (qsizetype i = 0; i < characters.size();) {
        const auto [c, length] = codePointAt(characters, i);
        if (out.size() < shown)
            out << QStringLiteral("U+") + QStringLiteral("%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
        else
            ++more;
        i += length;
    }
    QString text = out.join(QStringLiteral(", "));
    if (more > 0)
        text += QStringLiteral(" and %1 more").arg(more);
    return text;
}

}  // namespace nettora::reports
