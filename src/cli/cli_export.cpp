#include "cli/cli_commands.h"

#include "data/currency.h"
#include "data/datamodule.h"

#include <QDate>
#include <QLocale>
#include <vector>

namespace nettora::cli {

namespace {

// The document written by hand rather than through QJsonDocument, whose
// numbers are doubles: an amount is written with the digits it is stored
// with, so that near a trillion its fourth decimal survives the trip.
class JsonText {
public:
    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    void key(const QString &name)
    {
        item();
        quoted(name);
        m_out += ": ";
        m_afterKey = true;
    }
    void string(const QString &text)
    {
        item();
        quoted(text);
    }
    void raw(const QByteArray &literal)
    {
        item();
        m_out += literal;
    }
    QByteArray take() { return std::move(m_out) + '\n'; }

private:
    void open(char bracket)
    {
        item();
        m_out += bracket;
        m_empty.push_back(true);
    }
    void close(char bracket)
    {
        const bool empty = m_empty.back();
        m_empty.pop_back();
        if (!empty)
            newline();
        m_out += bracket;
    }
    // Starts a value: after a key it follows on the same line, in a list it
    // takes a line of its own.
    void item()
    {
        if (m_afterKey) {
            m_afterKey = false;
            return;
        }
        if (m_empty.empty())
            return;
        if (!m_empty.back())
            m_out += ',';
        m_empty.back() = false;
        newline();
    }
    void newline()
    {
        m_out += '\n';
        m_out += QByteArray(qsizetype(m_empty.size()) * 4, ' ');
    }
    void quoted(const QString &text)
    {
        m_out += '"';
        qsizetype run = 0;  // start of the characters not yet written
        const auto flush = [&](qsizetype end) { m_out += QStringView(text).mid(run, end - run).toUtf8(); };
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t u = text[i].unicode();
            const char *escape = nullptr;
            switch (u) {
            case '"': escape = "\\\""; break;
            case '\\': escape = "\\\\"; break;
            case '\b': escape = "\\b"; break;
            case '\f': escape = "\\f"; break;
            case '\n': escape = "\\n"; break;
            case '\r': escape = "\\r"; break;
            case '\t': escape = "\\t"; break;
            default:
                // Controls, the line separators that end a line in some
                // readers, and the byte order mark that decoders drop at the
                // start of a text, all travel as escapes.
                if (!(u < 0x20 || u == 0x7F || u == 0x2028 || u == 0x2029 || u == 0xFEFF))
                    continue;
            }
            flush(i);
            run = i + 1;
            if (escape)
                m_out += escape;
            else
                m_out += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0')).toLatin1();
        }
        flush(text.size());
        m_out += '"';
    }

    QByteArray m_out;
    std::vector<bool> m_empty;  // per open bracket: nothing in it yet
    bool m_afterKey = false;
};

bool isKey(const QString &field)
{
    for (const char *n : {"Id", "ClientId", "StatementId", "Updated"})
        if (field.compare(QLatin1String(n), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// A row's given fields in the schema's order: amounts with their stored
// digits, dates with the year in full (a two-digit year would come back in
// another century), texts as stored.
void writeRow(JsonText &out, Table *t)
{
    out.beginObject();
    const TableDef &def = t->def();
    for (int pos = 0; pos < t->fieldCount(); ++pos) {
        const FieldDef &f = def.fields[size_t(pos)];
        if (isKey(f.name) || t->isNull(f.name))
            continue;
        switch (f.type) {
        case FieldType::Currency:
            out.key(f.name);
            out.raw(currencyText(t->value(pos).toLongLong()).toLatin1());
            break;
        case FieldType::Float:
            out.key(f.name);
            out.raw(QByteArray::number(t->asFloat(pos), 'g', QLocale::FloatingPointShortest));
            break;
        case FieldType::Logical:
            out.key(f.name);
            out.raw(t->asInteger(f.name) != 0 ? "true" : "false");
            break;
        case FieldType::Date: {
            const QDate d = QDate::fromString(t->value(pos).toString(), Qt::ISODate);
            if (d.isValid()) {
                out.key(f.name);
                out.string(d.toString(QStringLiteral("MM/dd/yyyy")));
            }
            break;
        }
        default: {
            const QString s = t->asString(pos);
            if (!s.isEmpty()) {
                out.key(f.name);
                out.string(s);
            }
        }
        }
    }
    out.endObject();
}

// Narrows a cursor to the rows of one client (and statement) in the given
// order; the keys are decimal numbers the program wrote itself.
void narrow(Table *t, const QString &index, const QString &filter)
{
    t->setIndexName(index);
    t->setFilter(filter);
    t->setFiltered(true);
    t->first();
}

}  // namespace

QByteArray exportDocument(std::optional<qint64> clientId)
{
    if (!dm1)
        throw CliError(QStringLiteral("no data directory is open"));
    Table *clients = dm1->tblClient;
    clients->setIndexName(QStringLiteral("ID"));
    clients->setFilter(clientId ? QStringLiteral("Id = %1").arg(*clientId) : QString());
    clients->setFiltered(bool(clientId));
    clients->first();
    if (clientId && clients->isEmpty())
        throw CliError(QStringLiteral("there is no client with the id %1").arg(*clientId));

    JsonText out;
    out.beginObject();
    out.key(QStringLiteral("clients"));
    out.beginArray();
    for (; !clients->eof(); clients->next()) {
        const QString c = clients->asString(QStringLiteral("Id"));
        out.beginObject();
        out.key(QStringLiteral("fields"));
        writeRow(out, clients);
        Table *statements = dm1->tblNettora;
        narrow(statements, QStringLiteral("IDA"), QStringLiteral("ClientId = ") + filterText(c));
        if (!statements->eof()) {
            out.key(QStringLiteral("statements"));
            out.beginArray();
        }
        const bool anyStatement = !statements->eof();
        for (; !statements->eof(); statements->next()) {
            const QString s = statements->asString(QStringLiteral("Id"));
            out.beginObject();
            out.key(QStringLiteral("fields"));
            writeRow(out, statements);
            bool anySchedule = false;
            const auto &all = dm1->statementAndSchedules();
            for (auto it = all.begin() + 1; it != all.end(); ++it) {
                Table *t = *it;
                narrow(t, QString(), QStringLiteral("ClientId = %1 and StatementId = %2").arg(filterText(c), filterText(s)));
                if (t->eof())
                    continue;
                if (!anySchedule) {
                    out.key(QStringLiteral("schedules"));
                    out.beginObject();
                    anySchedule = true;
                }
                out.key(t->tableName());
                out.beginArray();
                for (; !t->eof(); t->next())
                    writeRow(out, t);
                out.endArray();
            }
            if (anySchedule)
                out.endObject();
            out.endObject();
        }
        if (anyStatement)
            out.endArray();
        out.endObject();
    }
    out.endArray();
    out.key(QStringLiteral("format"));
    out.string(QStringLiteral("nettora"));
    out.key(QStringLiteral("version"));
    out.raw("1");
    out.endObject();
    return out.take();
}

}  // namespace nettora::cli
