#include "cli/cli_document_scan.h"

#include "cli/cli_commands.h"
#include "cli/cli_text.h"

#include <QSet>

namespace nettora::cli::document {

[[noreturn]] void refuse(const QString &place, const QString &what)
{
    throw CliError(place.isEmpty() ? what : place + QStringLiteral(": ") + what);
}

QString child(const QString &place, const QString &key)
{
    const QString shown = shortened(key);
    return place.isEmpty() ? shown : place + QLatin1Char('.') + shown;
}

QString item(const QString &place, qsizetype i)
{
    return place + QStringLiteral("[%1]").arg(i);
}

namespace {

// The parser keeps the last of two equal keys of an object without a word
// (a second "clients" silently replaced the first), so the text is scanned
// for them on its own; the same walk keeps each number's own text. It runs
// on a text the parser has accepted.
class DocumentScan {
public:
    explicit DocumentScan(const QByteArray &json) : m_text(json)
    {
        if (m_text.startsWith("\xEF\xBB\xBF"))
            m_at = 3;
    }

    void run() { value(QString()); }
    const NumberLiterals &numbers() const { return m_numbers; }

private:
    char next()
    {
        while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\t' || m_text[m_at] == '\n'
                                        || m_text[m_at] == '\r'))
            ++m_at;
        return m_at < m_text.size() ? m_text[m_at] : '\0';
    }

    void value(const QString &place)
    {
        switch (next()) {
        case '{': object(place); break;
        case '[': array(place); break;
        case '"': string(); break;
        default: {  // a number, true, false or null
            const qsizetype start = m_at;
            while (m_at < m_text.size() && !QByteArrayView(",]} \t\n\r").contains(m_text[m_at]))
                ++m_at;
            m_numbers.insert(place, m_text.mid(start, m_at - start));
        }
        }
    }

    void object(const QString &place)
    {
        ++m_at;  // {
        QSet<QString> keys;
        while (m_at < m_text.size() && next() != '}') {
            const QString key = string();
            if (keys.contains(key))
                refuse(place, QStringLiteral("duplicate key \"%1\"").arg(shortened(key)));
            keys.insert(key);
            next();
            ++m_at;  // :
            value(child(place, key));
            if (next() == ',')
                ++m_at;
        }
        ++m_at;  // }
    }

    void array(const QString &place)
    {
        ++m_at;  // [
        for (qsizetype i = 0; m_at < m_text.size() && next() != ']'; ++i) {
            value(item(place, i));
            if (next() == ',')
                ++m_at;
        }
        ++m_at;  // ]
    }

    // The string's text with its escapes undone, so that "a" and "\u0061"
    // are the same key, as they are to the parser.
    QString string()
    {
        ++m_at;  // opening quote
        QString text;
        qsizetype run = m_at;
        const auto flush = [&] { text += QString::fromUtf8(m_text.mid(run, m_at - run)); };
        while (m_at < m_text.size() && m_text[m_at] != '"') {
            if (m_text[m_at] != '\\') {
                ++m_at;
                continue;
            }
            flush();
            const char e = m_at + 1 < m_text.size() ? m_text[m_at + 1] : '\0';
            m_at += 2;
            switch (e) {
            case 'b': text += QLatin1Char('\b'); break;
            case 'f': text += QLatin1Char('\f'); break;
            case 'n': text += QLatin1Char('\n'); break;
            case 'r': text += QLatin1Char('\r'); break;
            case 't': text += QLatin1Char('\t'); break;
            case 'u':
                text += QChar(char16_t(m_text.mid(m_at, 4).toUShort(nullptr, 16)));
                m_at += 4;
                break;
            default: text += QLatin1Char(e);  // \" \\ \/
            }
            run = m_at;
        }
        flush();
        ++m_at;  // closing quote
        return text;
    }

    const QByteArray &m_text;
    qsizetype m_at = 0;
    NumberLiterals m_numbers;
};

}  // namespace

NumberLiterals scanNumbers(const QByteArray &json)
{
    DocumentScan scan(json);
    scan.run();
    return scan.numbers();
}

// Where a raw control character (NUL among them) stands inside a string,
// which JSON does not allow and the parser lets through; -1 for none.
qsizetype rawControlInString(const QByteArray &json)
{
    bool inString = false, escaped = false;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const auto c = static_cast<unsigned char>(json.at(i));
        if (!inString) {
            inString = c == '"';
            continue;
        }
        if (escaped)
            escaped = false;
        else if (c == '\\')
            escaped = true;
        else if (c == '"')
            inString = false;
        if (c < 0x20)
            return i;
    }
    return -1;
}

[[noreturn]] void notJson(const QByteArray &json, qsizetype offset, const QString &why)
{
    const QByteArray before = json.left(offset);
    const int line = int(before.count('\n')) + 1;
    const int column = int(offset - (before.lastIndexOf('\n') + 1)) + 1;
    throw CliError(QStringLiteral("not a JSON document: %1 at line %2, column %3").arg(why).arg(line).arg(column));
}

// The text with every U+FEFF inside a string written as an escape: the
// parser decodes strings with a decoder that drops one at a string's start,
// where it is a character of the value.
QByteArray escapedByteOrderMarks(const QByteArray &json)
{
    static const QByteArray mark("\xEF\xBB\xBF");
    QByteArray out;
    bool inString = false, escaped = false;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char c = json.at(i);
        if (inString && !escaped && c == mark.at(0) && json.mid(i, 3) == mark) {
            out += "\\ufeff";
            i += 2;
            continue;
        }
        out += c;
        if (!inString)
            inString = c == '"';
        else if (escaped)
            escaped = false;
        else if (c == '\\')
            escaped = true;
        else if (c == '"')
            inString = false;
    }
    return out;
}

}  // namespace nettora::cli::document
