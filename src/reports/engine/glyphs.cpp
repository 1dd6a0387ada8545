#include "reports/engine/glyphs.h"

#include "reports/engine/canvas.h"

#include <QChar>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QStringList>
#include <array>
#include <atomic>
#include <fontconfig/fontconfig.h>
#include <mutex>
#include <utility>

namespace nettora::reports {

namespace {

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

// Qt does not fall back to every installed font (here it finds none for
// Thaana and draws filled boxes), so a character counts only when Qt also
// finds a font for it from the report font.
bool qtDraws(char32_t c)
{
    if (!QGuiApplication::instance())
        return true;  // no font database to ask: fontconfig's word stands
    QFont font(baseFontFamily());
    font.setStyleHint(QFont::SansSerif);
    return QFontMetricsF(font).inFontUcs4(uint(c));
}

// Fontconfig's answer is read once; each character is decided the first
// time it is met and kept, so that the common case is one bit test.
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
    }
    ~Coverage() { FcCharSetDestroy(m_all); }
    Coverage(const Coverage &) = delete;
    Coverage &operator=(const Coverage &) = delete;

    bool drawable(char32_t c)
    {
        if (c < 0x10000 && (m_drawable[c / 64].load(std::memory_order_relaxed) >> (c % 64)) & 1)
            return true;
        const std::lock_guard lock(m_mutex);
        if (const auto it = m_decided.constFind(c); it != m_decided.constEnd())
            return it.value();
        const bool yes = neverDrawn(c) || (FcCharSetHasChar(m_all, FcChar32(c)) && qtDraws(c));
        if (yes && c < 0x10000)
            m_drawable[c / 64].fetch_or(quint64(1) << (c % 64), std::memory_order_relaxed);
        else
            m_decided.insert(c, yes);
        return yes;
    }

private:
    FcCharSet *m_all;  // every installed outline font but colour ones
    std::array<std::atomic<quint64>, 0x10000 / 64> m_drawable{};
    std::mutex m_mutex;
    QHash<char32_t, bool> m_decided;  // the rest, decided once
};

Coverage &coverage()
{
    static Coverage c;  // fonts installed while the program runs count from the next start
    return c;
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
    return coverage().drawable(c);
}

QString undrawableCharacters(QStringView text)
{
    QString out;
    Coverage &fonts = coverage();
    for (qsizetype i = 0; i < text.size();) {
        const auto [c, length] = codePointAt(text, i);
        if (!fonts.drawable(c) && !out.contains(text.mid(i, length)))
            out += text.mid(i, length);
        i += length;
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
