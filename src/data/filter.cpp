#include "data/filter.h"

#include "data/currency.h"

#include <QDate>
#include <QRegularExpression>
#include <cmath>

namespace nettora {

namespace {

enum class Tok { Ident, String, Number, Equals, LParen, RParen, End };

struct Token {
    Tok kind;
    QString text;
    int pos;
};

class FilterSyntaxError {
public:
    QString what;
    int pos;
};

std::vector<Token> tokenize(const QString &s)
{
    std::vector<Token> out;
    int i = 0;
    const int n = s.size();
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        const int start = i;
        if (c == QLatin1Char('=')) {
            out.push_back({Tok::Equals, QStringLiteral("="), start});
            ++i;
        } else if (c == QLatin1Char('(')) {
            out.push_back({Tok::LParen, QStringLiteral("("), start});
            ++i;
        } else if (c == QLatin1Char(')')) {
            out.push_back({Tok::RParen, QStringLiteral(")"), start});
            ++i;
        } else if (c == QLatin1Char('"')) {
            QString value;
            ++i;
            bool closed = false;
            while (i < n) {
                if (s[i] == QLatin1Char('"')) {
                    if (i + 1 < n && s[i + 1] == QLatin1Char('"')) {
                        value += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                value += s[i++];
            }
            if (!closed)
                throw FilterSyntaxError{QStringLiteral("a text value is not closed with '\"'"), start};
            out.push_back({Tok::String, value, start});
        } else if (c.isDigit() || c == QLatin1Char('-') || c == QLatin1Char('.')) {
            ++i;
            while (i < n && (s[i].isDigit() || s[i] == QLatin1Char('.')))
                ++i;
            out.push_back({Tok::Number, s.mid(start, i - start), start});
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            while (i < n && (s[i].isLetterOrNumber() || s[i] == QLatin1Char('_')))
                ++i;
            out.push_back({Tok::Ident, s.mid(start, i - start), start});
        } else {
            throw FilterSyntaxError{QStringLiteral("the character '%1' is not allowed").arg(c), start};
        }
    }
    out.push_back({Tok::End, QString(), int(n)});
    return out;
}

QString quoteIdent(const QString &name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

// The smallest text greater than every text that starts with prefix, or an
// empty string when there is none. Code-point order equals the UTF-8 byte
// order the engine compares in.
QString prefixUpperBound(const QString &prefix)
{
    std::u32string cps = prefix.toStdU32String();
    while (!cps.empty()) {
        char32_t last = cps.back() + 1;
        if (last == 0xD800)
            last = 0xE000;
        if (last <= 0x10FFFF) {
            cps.back() = last;
            return QString::fromStdU32String(cps);
        }
        cps.pop_back();
    }
    return QString();
}

class Parser {
public:
    Parser(const TableDef &t, const std::vector<Token> &toks) : m_table(t), m_toks(toks) {}

    CompiledFilter parse()
    {
        CompiledFilter out;
        QStringList conds;
        for (;;) {
            conds << condition(out.binds);
            if (peek().kind == Tok::End)
                break;
            const Token &t = take();
            if (t.kind != Tok::Ident || t.text.compare(QLatin1String("and"), Qt::CaseInsensitive) != 0)
                throw FilterSyntaxError{QStringLiteral("\"and\" or the end was expected"), t.pos};
        }
        out.where = conds.join(QStringLiteral(" AND "));
        return out;
    }

private:
    const Token &peek() const { return m_toks[m_at]; }
    const Token &take() { return m_toks[m_at < m_toks.size() - 1 ? m_at++ : m_at]; }

    const Token &expect(Tok kind, const char *what)
    {
        const Token &t = take();
        if (t.kind != kind)
            throw FilterSyntaxError{QStringLiteral("%1 was expected").arg(QLatin1String(what)), t.pos};
        return t;
    }

    const FieldDef &field(const Token &t)
    {
        const int i = m_table.fieldIndex(t.text);
        if (i < 0)
            throw FilterSyntaxError{QStringLiteral("the table %1 has no field %2").arg(m_table.name, t.text), t.pos};
        return m_table.fields[size_t(i)];
    }

    QString condition(std::vector<QVariant> &binds)
    {
        const Token &first = expect(Tok::Ident, "a field name");
        if (first.text.compare(QLatin1String("lower"), Qt::CaseInsensitive) == 0 && peek().kind == Tok::LParen) {
            take();
            const FieldDef &f = field(expect(Tok::Ident, "a field name"));
            expect(Tok::RParen, "')'");
            expect(Tok::Equals, "'='");
            const Token &v = expect(Tok::String, "a text value in double quotes");
            if (f.type != FieldType::Text && f.type != FieldType::Memo)
                throw FilterSyntaxError{QStringLiteral("Lower() needs a text field"), first.pos};
            return lowerMatch(f, v.text, binds);
        }
        const FieldDef &f = field(first);
        expect(Tok::Equals, "'='");
        const Token &v = take();
        const QString col = quoteIdent(f.name);
        const QString isEmpty = QStringLiteral("(%1 IS NULL OR %1 = '')").arg(col);
        if (v.kind == Tok::Ident && v.text.compare(QLatin1String("null"), Qt::CaseInsensitive) == 0)
            return isEmpty;
        if (v.kind != Tok::String && v.kind != Tok::Number)
            throw FilterSyntaxError{QStringLiteral("a value was expected"), v.pos};
        if (v.kind == Tok::String && v.text.isEmpty())
            return isEmpty;

        switch (f.type) {
        case FieldType::Text:
        case FieldType::Memo:
            binds.emplace_back(v.text);
            return col + QStringLiteral(" = ?");
        case FieldType::Date: {
            const QString iso = dateTextToIso(v.text);
            if (iso.isEmpty())
                throw FilterSyntaxError{QStringLiteral("'%1' is not a date").arg(v.text), v.pos};
            binds.emplace_back(iso);
            return col + QStringLiteral(" = ?");
        }
        default: {
            bool ok = false;
            const double d = v.text.trimmed().toDouble(&ok);
            if (!ok || !std::isfinite(d))
                throw FilterSyntaxError{QStringLiteral("'%1' is not a number").arg(v.text), v.pos};
            if (f.type == FieldType::Currency) {
                // An amount no field can hold matches no row.
                const auto units = currencyUnits(d);
                if (!units)
                    return QStringLiteral("0");
                binds.emplace_back(*units);
            } else
                binds.emplace_back(d);
            return col + QStringLiteral(" = ?");
        }
        }
    }

    static QString lowerMatch(const FieldDef &f, const QString &value, std::vector<QVariant> &binds)
    {
        const QString expr = QStringLiteral("nt_lower(%1)").arg(quoteIdent(f.name));
        if (!value.endsWith(QLatin1Char('*'))) {
            binds.emplace_back(foldCase(value));
            return expr + QStringLiteral(" = ?");
        }
        const QString prefix = foldCase(value.left(value.size() - 1));
        if (prefix.isEmpty())
            return QStringLiteral("1");
        binds.emplace_back(prefix);
        const QString upper = prefixUpperBound(prefix);
        if (upper.isEmpty())
            return expr + QStringLiteral(" >= ?");
        binds.emplace_back(upper);
        return QStringLiteral("(%1 >= ? AND %1 < ?)").arg(expr);
    }

    const TableDef &m_table;
    const std::vector<Token> &m_toks;
    size_t m_at = 0;
};

}  // namespace

CompiledFilter compileFilter(const TableDef &table, const QString &expression)
{
    if (expression.trimmed().isEmpty())
        return {};
    try {
        const auto toks = tokenize(expression);
        return Parser(table, toks).parse();
    } catch (const FilterSyntaxError &e) {
        throw EngineError(QStringLiteral("Invalid filter expression on table %1: %2 at position %3 of: %4")
                              .arg(table.name, e.what)
                              .arg(e.pos + 1)
                              .arg(expression));
    }
}

QString filterText(const QString &value)
{
    QString s = value;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

QString foldCase(const QString &s)
{
    return s.toLower();
}

qint64 currencyToStorage(double amount)
{
    const auto units = currencyUnits(amount);
    if (!units)
        throw EngineError(QStringLiteral("The amount %1 is out of range.").arg(QString::number(amount, 'g', 17)));
    return *units;
}

double currencyFromStorage(qint64 stored)
{
    return double(stored) / 10000.0;
}

QString dateTextToIso(const QString &text)
{
    const QString t = text.trimmed();
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    static const QRegularExpression us(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{2}|\\d{4})$"));
    int y = 0, m = 0, d = 0;
    if (auto mi = iso.match(t); mi.hasMatch()) {
        y = mi.captured(1).toInt();
        m = mi.captured(2).toInt();
        d = mi.captured(3).toInt();
    } else if (auto mu = us.match(t); mu.hasMatch()) {
        m = mu.captured(1).toInt();
        d = mu.captured(2).toInt();
        y = mu.captured(3).toInt();
        if (mu.captured(3).size() == 2)
            y += y < 50 ? 2000 : 1900;
    } else {
        return QString();
    }
    const QDate date(y, m, d);
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

QString dateIsoToText(const QString &iso)
{
    const QDate d = QDate::fromString(iso, Qt::ISODate);
    return d.isValid() ? d.toString(QStringLiteral("MM/dd/yy")) : QString();
}

}  // namespace nettora
