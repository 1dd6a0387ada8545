#include "data/mail_address.h"

#include <QList>

namespace nettora::mail {

namespace {

// Beyond ASCII: any visible character; controls, blanks, unpaired halves
// and invisible format characters (which hide what is really typed) are not.
bool visibleBeyondAscii(char32_t c)
{
    if (c < 0x80)
        return false;
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_NotAssigned:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return false;
    default:
        return true;
    }
}

bool isAtext(char32_t c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    if (c < 0x80)
        return QStringView(u"!#$%&'*+-/=?^_`{|}~").contains(QChar(char16_t(c)));
    return visibleBeyondAscii(c);
}

// Printable ASCII but '"' and '\', or a visible character beyond ASCII.
bool isQtext(char32_t c)
{
    return (c >= 33 && c <= 126 && c != '"' && c != '\\') || visibleBeyondAscii(c);
}

// Printable ASCII but '[', ']' and '\'.
bool isDtext(char32_t c)
{
    return c >= 33 && c <= 126 && c != '[' && c != ']' && c != '\\';
}

class Reader {
public:
    explicit Reader(const QString &text)
    {
        // Code points; a lone half of a pair becomes 0, which no rule takes.
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                m_c << QChar::surrogateToUcs4(c, text[i + 1]);
                ++i;
            } else {
                m_c << (c.isSurrogate() ? char32_t(0) : char32_t(c.unicode()));
            }
        }
    }

    bool wholeAddress() { return localPart() && take('@') && domain() && m_at == m_c.size(); }

private:
    bool atEnd() const { return m_at >= m_c.size(); }
    char32_t peek() const { return atEnd() ? 0 : m_c[m_at]; }
    bool take(char32_t c)
    {
        if (atEnd() || m_c[m_at] != c)
            return false;
        ++m_at;
        return true;
    }

    // atext+ ("." atext+)*
    bool dotAtom()
    {
        for (;;) {
            const qsizetype start = m_at;
            while (!atEnd() && isAtext(m_c[m_at]))
                ++m_at;
            if (m_at == start)
                return false;
            if (!take('.'))
                return true;
        }
    }

    // DQUOTE *(qtext / quoted-pair / blank) DQUOTE, on one line.
    bool quotedString()
    {
        if (!take('"'))
            return false;
        while (!atEnd()) {
            const char32_t c = m_c[m_at++];
            if (c == '"')
                return true;
            if (c == '\\') {
                if (atEnd())
                    return false;
                const char32_t q = m_c[m_at++];
                if (!(q == ' ' || q == '\t' || (q >= 33 && q <= 126) || visibleBeyondAscii(q)))
                    return false;
            } else if (!(c == ' ' || c == '\t' || isQtext(c))) {
                return false;
            }
        }
        return false;
    }

    bool localPart() { return peek() == '"' ? quotedString() : dotAtom(); }

    bool domain()
    {
        if (!take('['))
            return dotAtom();
        while (!atEnd() && isDtext(m_c[m_at]))
            ++m_at;
        return take(']');
    }

    QList<char32_t> m_c;
    qsizetype m_at = 0;
};

}  // namespace

bool IsOneEmailAddress(const QString &text)
{
    return Reader(text).wholeAddress();
}

QString NotOneEmailAddressText(const QString &text)
{
    return QStringLiteral("\"%1\" is not one e-mail address.").arg(text);
}

}  // namespace nettora::mail
