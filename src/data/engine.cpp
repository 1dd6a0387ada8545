#include "data/engine.h"

#include "data/currency.h"
#include "data/failure_cause.h"

#include <sqlcipher/sqlite3.h>

#include <QByteArray>
#include <QStringDecoder>
#include <algorithm>
#include <cmath>

namespace nettora {

namespace {

// The case folding of filters and name indexes, as an engine function so an
// index can be built on it. ASCII takes a fast path; the rest goes through Qt
// so that the program and the engine fold exactly alike.
void ntLower(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const int n = sqlite3_value_bytes(argv[0]);
    bool ascii = true;
    for (int i = 0; i < n && ascii; ++i)
        ascii = static_cast<unsigned char>(text[i]) < 0x80;
    QByteArray out;
    if (ascii) {
        out = QByteArray(text, n);
        for (char &c : out)
            if (c >= 'A' && c <= 'Z')
                c = char(c + 32);
    } else {
        out = foldCase(QString::fromUtf8(text, n)).toUtf8();
    }
    sqlite3_result_text(ctx, out.constData(), int(out.size()), SQLITE_TRANSIENT);
}

QString quoteIdent(const QString &name)
{
    QString s = name;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

QString quoteLiteral(const QString &s)
{
    QString t = s;
    t.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + t + QLatin1Char('\'');
}

QString floatText(double d)
{
    if (d == 0)
        return QStringLiteral("0");
    return QString::number(d, 'g', 15);
}

bool parseNumber(const QString &text, double &out)
{
    bool ok = false;
    out = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(out);
}

QString amountText(double v)
{
    return QString::number(v, 'g', 17);
}

}  // namespace

QString storedText(QByteArrayView utf8)
{
    // QString::fromUtf8 drops a byte order mark at the start, which is a
    // character of the text here.
    QStringDecoder decode(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decode(utf8);
}

qsizetype fieldChars(const QString &text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++n) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return -1;
    }
    return n;
}

// ---------------------------------------------------------------- Statement

Statement::~Statement()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
}

void Statement::bind(int index, const QVariant &v)
{
    int rc = SQLITE_OK;
    if (!v.isValid() || v.isNull()) {
        rc = sqlite3_bind_null(m_stmt, index);
    } else {
        switch (v.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(m_stmt, index, v.toDouble());
            break;
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(m_stmt, index, v.toLongLong());
            break;
        default: {
            const QByteArray b = v.toString().toUtf8();
            rc = sqlite3_bind_text(m_stmt, index, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        }
        }
    }
    if (rc != SQLITE_OK)
        throw EngineError(engineCause(m_db, rc), rc);
}

void Statement::bindAll(const std::vector<QVariant> &values, int first)
{
    for (size_t i = 0; i < values.size(); ++i)
        bind(first + int(i), values[i]);
}

bool Statement::step()
{
    const int changesBefore = m_notify ? sqlite3_total_changes(m_db) : 0;
    const int rc = sqlite3_step(m_stmt);
    // Plain SQL may change any table: every cursor rebuilds its view.
    if (m_notify && sqlite3_total_changes(m_db) != changesBefore)
        m_notify->touchAll();
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const QString msg = engineCause(m_db, rc);
    sqlite3_reset(m_stmt);
    throw EngineError(msg, rc);
}

void Statement::run()
{
    while (step()) {
    }
}

qint64 Statement::columnInt(int col) const { return sqlite3_column_int64(m_stmt, col); }
double Statement::columnDouble(int col) const { return sqlite3_column_double(m_stmt, col); }

QString Statement::columnText(int col) const
{
    const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, col));
    return t ? storedText(QByteArrayView(t, sqlite3_column_bytes(m_stmt, col))) : QString();
}

QVariant Statement::column(int col) const
{
    switch (sqlite3_column_type(m_stmt, col)) {
    case SQLITE_NULL: return QVariant();
    case SQLITE_INTEGER: return QVariant(qint64(sqlite3_column_int64(m_stmt, col)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(m_stmt, col));
    default: return QVariant(columnText(col));
    }
}

int Statement::columnCount() const { return sqlite3_column_count(m_stmt); }

// ----------------------------------------------------------------- Database

Database::Database() = default;

Database::~Database()
{
    close();
}

void Database::fail(int rc) const
{
    throw EngineError(engineCause(m_db, rc), rc);
}

void Database::check(int rc) const
{
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE)
        fail(rc);
}

void Database::openHandle(const QString &file, bool readOnly)
{
    close();
    sqlite3 *db = nullptr;
    const int flags =
        (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(file.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = engineCause(db, rc);
        sqlite3_close_v2(db);
        throw EngineError(msg, rc);
    }
    m_db = db;
    m_file = file;
    sqlite3_extended_result_codes(m_db, 0);
    check(registerEngineFunctions(m_db));
}

int registerEngineFunctions(sqlite3 *db)
{
    return sqlite3_create_function_v2(db, "nt_lower", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, ntLower,
                                      nullptr, nullptr, nullptr);
}

void Database::open(const QString &file, const QString &key)
{
    openHandle(file, false);
    try {
        exec(QStringLiteral("PRAGMA key = %1").arg(quoteLiteral(key)));
        // The first read proves the key; a wrong key or a plain file fails here.
        exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        // The engine falls back to reading a file it may not write; the
        // program needs to write, and says so rather than fail at the first save.
        if (sqlite3_db_readonly(m_db, "main") == 1)
            throw EngineError(QStringLiteral("The data file \"%1\" is read-only. Nettora needs to write to it: make "
                                             "it writable and start again.")
                                  .arg(file));
        exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"));
        exec(QStringLiteral("PRAGMA journal_mode = WAL"));
        exec(QStringLiteral("PRAGMA synchronous = FULL"));
        exec(QStringLiteral("PRAGMA cache_size = -16384"));
        // Take the exclusive lock now rather than at the first write.
        exec(QStringLiteral("BEGIN EXCLUSIVE"));
        exec(QStringLiteral("COMMIT"));
    } catch (...) {
        close();
        throw;
    }
}

void Database::openPlain(const QString &file, bool readOnly)
{
    openHandle(file, readOnly);
    try {
        exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    } catch (...) {
        close();
        throw;
    }
}

void Database::finalizeAll()
{
    for (auto *s : std::as_const(m_cache))
        sqlite3_finalize(s);
    m_cache.clear();
}

void Database::close()
{
    if (!m_db)
        return;
    for (Table *t : m_tables)
        t->close();
    finalizeAll();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_depth = 0;
}

void Database::exec(const QString &sql)
{
    if (!m_db)
        throw EngineError(QStringLiteral("The database is not open."));
    char *err = nullptr;
    const int changesBefore = sqlite3_total_changes(m_db);
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    // Plain SQL may change any table: when it changed rows, every cursor
    // rebuilds its view on next use, so callers need not name the tables.
    if (sqlite3_total_changes(m_db) != changesBefore)
        touchAll();
    if (rc != SQLITE_OK) {
        const QString msg = engineCause(rc, sqlite3_system_errno(m_db),
                                        err ? QString::fromUtf8(err) : QString::fromUtf8(sqlite3_errstr(rc)));
        sqlite3_free(err);
        throw EngineError(msg, rc);
    }
}

Statement Database::prepare(const QString &sql)
{
    return prepareStatement(sql, true);
}

Statement Database::prepareStatement(const QString &sql, bool notify)
{
    if (!m_db)
        throw EngineError(QStringLiteral("The database is not open."));
    auto it = m_cache.find(sql);
    if (it != m_cache.end()) {
        sqlite3_stmt *s = it.value();
        if (!sqlite3_stmt_busy(s))
            return Statement(m_db, s, notify ? this : nullptr);
    }
    sqlite3_stmt *s = nullptr;
    const QByteArray b = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(m_db, b.constData(), int(b.size()), &s, nullptr);
    if (rc != SQLITE_OK)
        fail(rc);
    if (it == m_cache.end()) {
        m_cache.insert(sql, s);
    } else {
        // The cached one is still stepping (a nested use): keep the new one too.
        m_cache.insert(sql + QStringLiteral(" -- %1").arg(m_cache.size()), s);
    }
    return Statement(m_db, s, notify ? this : nullptr);
}

qint64 Database::lastInsertRowId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

void Database::begin()
{
    if (m_depth == 0)
        exec(QStringLiteral("BEGIN IMMEDIATE"));
    else
        exec(QStringLiteral("SAVEPOINT nt_%1").arg(m_depth));
    ++m_depth;
}

void Database::commit()
{
    if (m_depth <= 0)
        throw EngineError(QStringLiteral("No transaction is active."));
    if (m_depth == 1)
        exec(QStringLiteral("COMMIT"));
    else
        exec(QStringLiteral("RELEASE nt_%1").arg(m_depth - 1));
    --m_depth;
}

void Database::rollback()
{
    if (m_depth <= 0)
        return;
    --m_depth;
    // Whatever the engine answers below, no cursor may go on showing rows
    // that the rollback took away.
    struct ForgetViews {
        Database *db;
        ~ForgetViews()
        {
            db->touchAll();
            for (Table *t : db->m_tables)
                t->invalidate();
        }
    } forget{this};
    // On a full disk or an I/O error the engine has already rolled the whole
    // transaction back by itself: there is nothing left to undo.
    if (sqlite3_get_autocommit(m_db))
        return;
    if (m_depth == 0) {
        exec(QStringLiteral("ROLLBACK"));
    } else {
        exec(QStringLiteral("ROLLBACK TO nt_%1").arg(m_depth));
        exec(QStringLiteral("RELEASE nt_%1").arg(m_depth));
    }
}

void Database::touch(const QString &table)
{
    ++m_versions[table.toLower()];
}

void Database::touchAll()
{
    for (const auto &t : allTables())
        touch(t.name);
}

void Database::attach(Table *t)
{
    m_tables.push_back(t);
}

void Database::detach(Table *t)
{
    m_tables.erase(std::remove(m_tables.begin(), m_tables.end(), t), m_tables.end());
}

Transaction::~Transaction()
{
    if (!m_done) {
        try {
            m_db.rollback();
        } catch (...) {
        }
    }
}

void Transaction::commit()
{
    m_db.commit();
    m_done = true;
}

// -------------------------------------------------------------------- Table

Table::Table(Database &db, const TableDef &def) : m_db(db), m_def(def)
{
    m_buffer.resize(def.fields.size());
    m_loaded.assign(def.fields.size(), false);
    m_wanted.assign(def.fields.size(), false);
    for (const auto &f : def.fields)
        m_fieldSql.push_back(QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(quoteIdent(f.name), quoteIdent(def.name)));
    m_rowSql = QStringLiteral("SELECT * FROM %1 WHERE rowid = ?").arg(quoteIdent(def.name));
    m_versionKey = def.name.toLower();
    m_dirty.assign(def.fields.size(), false);
    m_db.attach(this);
}

Table::~Table()
{
    m_db.detach(this);
}

void Table::requireActive() const
{
    if (m_state == RecordState::Inactive)
        throw EngineError(QStringLiteral("The table %1 is not open.").arg(m_def.name));
}

void Table::open()
{
    close();
    Statement st = m_db.prepareStatement(QStringLiteral("PRAGMA table_info(%1)").arg(quoteIdent(m_def.name)), false);
    QStringList names;
    while (st.step())
        names << st.columnText(1);
    if (names.isEmpty())
        throw EngineError(QStringLiteral("The table %1 (%2) is missing from the data file.").arg(m_def.name, m_def.file));
    QStringList expected;
    for (const auto &f : m_def.fields)
        expected << f.name;
    if (names.join(QLatin1Char(',')).compare(expected.join(QLatin1Char(',')), Qt::CaseInsensitive) != 0)
        throw EngineError(QStringLiteral("The table %1 (%2) in the data file does not have the expected fields.")
                              .arg(m_def.name, m_def.file));
    m_state = RecordState::Browse;
    m_viewValid = false;
    m_goFirst = true;
    m_current = 0;
    m_bufferValid = false;
}

void Table::close()
{
    m_state = RecordState::Inactive;
    m_view.clear();
    m_viewValid = false;
    m_bufferValid = false;
    m_current = 0;
    m_pos = -1;
    m_eof = m_bof = true;
}

void Table::dropPending()
{
    cancel();
}

void Table::setIndexName(const QString &name)
{
    dropPending();
    const IndexDef *idx = nullptr;
    if (!name.isEmpty()) {
        idx = m_def.findIndex(name);
        if (!idx)
            throw EngineError(QStringLiteral("The index %1 does not exist on the table %2.").arg(name, m_def.name));
    }
    m_indexName = idx ? idx->name : QString();
    if (idx != m_index) {
        m_index = idx;
        m_viewValid = false;
        m_goFirst = m_current == 0;
    }
}

void Table::setFilter(const QString &expression)
{
    requireActive();
    CompiledFilter compiled = compileFilter(m_def, expression);
    dropPending();
    m_filterText = expression;
    m_filter = std::move(compiled);
    if (m_filtered) {
        m_viewValid = false;
        m_goFirst = true;
    }
}

void Table::setFiltered(bool on)
{
    dropPending();
    if (on != m_filtered) {
        m_filtered = on;
        m_viewValid = false;
        m_goFirst = true;
    }
}

QString Table::orderBy() const
{
    if (!m_index)
        return QStringLiteral("rowid");
    QStringList parts;
    for (const auto &p : m_index->parts)
        parts << quoteIdent(p.field) + (p.caseless ? QStringLiteral(" COLLATE NOCASE") : QString())
                     + (p.descending ? QStringLiteral(" DESC") : QString());
    const bool byKey = m_index->parts.size() == 1 && m_def.hasAutoInc()
                       && m_index->parts[0].field == autoIncField(m_def);
    if (!byKey)
        parts << QStringLiteral("rowid");
    return parts.join(QStringLiteral(", "));
}

void Table::buildView()
{
    const bool useFilter = m_filtered && !m_filter.where.isEmpty();
    QString sql = QStringLiteral("SELECT rowid FROM %1").arg(quoteIdent(m_def.name));
    if (useFilter)
        sql += QStringLiteral(" WHERE ") + m_filter.where;
    sql += QStringLiteral(" ORDER BY ") + orderBy();
    Statement st = m_db.prepareStatement(sql, false);
    if (useFilter)
        st.bindAll(m_filter.binds);
    m_view.clear();
    while (st.step())
        m_view.push_back(st.columnInt(0));
    m_viewValid = true;
    m_viewVersion = tableVersion();
    m_bufferValid = false;

    const int size = int(m_view.size());
    if (size == 0) {
        m_pos = -1;
        m_eof = m_bof = true;
    } else if (m_goFirst || m_current == 0) {
        m_pos = 0;
        m_bof = true;
        m_eof = false;
    } else {
        const auto it = std::find(m_view.begin(), m_view.end(), m_current);
        if (it != m_view.end()) {
            m_pos = int(it - m_view.begin());
        } else {
            m_eof = m_pos >= size;
            m_pos = std::clamp(m_pos, 0, size - 1);
            m_bof = false;
        }
    }
    m_goFirst = false;
    m_current = m_pos >= 0 ? m_view[size_t(m_pos)] : 0;
}

void Table::ensureView()
{
    requireActive();
    if (!m_viewValid || m_viewVersion != tableVersion())
        buildView();
}

void Table::invalidate()
{
    if (m_state == RecordState::Edit || m_state == RecordState::Insert) {
        m_state = RecordState::Browse;
        std::fill(m_dirty.begin(), m_dirty.end(), false);
    }
    m_viewValid = false;
    m_bufferValid = false;
}

void Table::first()
{
    dropPending();
    ensureView();
    m_pos = m_view.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_view.empty();
    m_current = m_pos >= 0 ? m_view[0] : 0;
}

void Table::next()
{
    dropPending();
    ensureView();
    if (m_pos + 1 < int(m_view.size())) {
        ++m_pos;
        m_eof = false;
    } else {
        m_eof = true;
    }
    m_bof = m_view.empty();
    m_current = m_pos >= 0 ? m_view[size_t(m_pos)] : 0;
}

void Table::prior()
{
    dropPending();
    ensureView();
    if (m_pos > 0) {
        --m_pos;
        m_bof = false;
    } else {
        m_bof = true;
    }
    m_eof = m_view.empty();
    m_current = m_pos >= 0 ? m_view[size_t(m_pos)] : 0;
}

void Table::last()
{
    dropPending();
    ensureView();
    m_pos = int(m_view.size()) - 1;
    m_eof = m_view.empty();
    m_bof = m_view.empty();
    m_current = m_pos >= 0 ? m_view[size_t(m_pos)] : 0;
}

bool Table::eof()
{
    ensureView();
    return m_eof;
}

bool Table::bof()
{
    ensureView();
    return m_bof;
}

bool Table::isEmpty()
{
    ensureView();
    return m_view.empty();
}

int Table::recordCount()
{
    ensureView();
    return int(m_view.size());
}

int Table::recNo()
{
    ensureView();
    return m_pos;
}

void Table::moveToRecNo(int index)
{
    dropPending();
    ensureView();
    if (m_view.empty())
        return;
    m_pos = std::clamp(index, 0, int(m_view.size()) - 1);
    m_current = m_view[size_t(m_pos)];
    m_eof = m_bof = false;
}

QVariant Table::valueAt(int index, int pos)
{
    ensureView();
    if (index < 0 || index >= int(m_view.size()) || pos < 0 || pos >= fieldCount())
        return QVariant();
    const qint64 row = m_view[size_t(index)];
    if ((m_state == RecordState::Edit && row == m_current)
        || (m_bufferValid && m_bufferRow == row && m_loaded[size_t(pos)]))
        return m_buffer[size_t(pos)];
    Statement st = m_db.prepareStatement(m_fieldSql[size_t(pos)], false);
    st.bind(1, row);
    return st.step() ? st.column(0) : QVariant();
}

QString Table::asStringAt(int index, int pos)
{
    return displayText(pos, valueAt(index, pos));
}

Bookmark Table::bookmark()
{
    if (m_state == RecordState::Insert)
        return 0;
    ensureView();
    return m_current;
}

bool Table::bookmarkValid(Bookmark b)
{
    ensureView();
    return b != 0 && std::find(m_view.begin(), m_view.end(), b) != m_view.end();
}

void Table::gotoBookmark(Bookmark b)
{
    dropPending();
    ensureView();
    const auto it = std::find(m_view.begin(), m_view.end(), b);
    if (b == 0 || it == m_view.end())
        throw EngineError(QStringLiteral("The bookmarked row is not in the view of the table %1.").arg(m_def.name));
    m_pos = int(it - m_view.begin());
    m_current = b;
    m_eof = m_bof = false;
}

qint64 Table::currentRowId()
{
    ensureView();
    return m_current;
}

void Table::prepareBuffer()
{
    const qint64 row = currentRowId();
    if (m_bufferValid && m_bufferRow == row)
        return;
    // The fields read on the previous row are most likely read on this one
    // too (a list walking its rows): one statement reads them all.
    std::vector<int> wanted;
    if (m_bufferValid && row != 0)
        for (int i = 0; i < int(m_loaded.size()); ++i)
            if (m_wanted[size_t(i)])
                wanted.push_back(i);
    std::fill(m_buffer.begin(), m_buffer.end(), QVariant());
    // With no current row every field is known to be empty.
    std::fill(m_loaded.begin(), m_loaded.end(), row == 0);
    std::fill(m_wanted.begin(), m_wanted.end(), false);
    m_bufferRow = row;
    m_bufferValid = true;
    if (wanted.size() > 1 && wanted.size() < m_loaded.size() / 2) {
        QString key;
        for (int i : wanted)
            key += QString::number(i) + QLatin1Char(',');
        auto it = m_fieldSetSql.find(key);
        if (it == m_fieldSetSql.end()) {
            QStringList cols;
            for (int i : wanted)
                cols << quoteIdent(m_def.fields[size_t(i)].name);
            it = m_fieldSetSql.insert(key, QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?")
                                               .arg(cols.join(QStringLiteral(", ")), quoteIdent(m_def.name)));
        }
        Statement st = m_db.prepareStatement(*it, false);
        st.bind(1, row);
        const bool found = st.step();
        for (int c = 0; c < int(wanted.size()); ++c) {
            m_buffer[size_t(wanted[size_t(c)])] = found ? st.column(c) : QVariant();
            m_loaded[size_t(wanted[size_t(c)])] = true;
        }
    }
}

void Table::loadBuffer()
{
    prepareBuffer();
    if (std::all_of(m_loaded.begin(), m_loaded.end(), [](bool b) { return b; }))
        return;
    Statement st = m_db.prepareStatement(m_rowSql, false);
    st.bind(1, m_bufferRow);
    const bool found = st.step();
    for (int i = 0; i < int(m_buffer.size()); ++i)
        if (!m_loaded[size_t(i)]) {
            m_buffer[size_t(i)] = found ? st.column(i) : QVariant();
            m_loaded[size_t(i)] = true;
        }
}

bool Table::rowMatches(qint64 rowid)
{
    if (!m_filtered || m_filter.where.isEmpty())
        return true;
    Statement st = m_db.prepareStatement(QStringLiteral("SELECT 1 FROM %1 WHERE rowid = ? AND (%2)")
                                    .arg(quoteIdent(m_def.name), m_filter.where), false);
    st.bind(1, rowid);
    st.bindAll(m_filter.binds, 2);
    return st.step();
}

void Table::append()
{
    dropPending();
    m_savedPos = m_pos;
    m_savedCurrent = m_current;
    m_savedEof = m_eof;
    m_savedBof = m_bof;
    std::fill(m_buffer.begin(), m_buffer.end(), QVariant());
    std::fill(m_dirty.begin(), m_dirty.end(), false);
    // The buffer now holds the new row: the listed row it was read from
    // must be read from the file again, or a list shows it empty.
    m_bufferValid = false;
    m_state = RecordState::Insert;
}

void Table::edit()
{
    requireActive();
    if (m_state != RecordState::Browse)
        return;
    ensureView();
    if (m_view.empty()) {
        append();
        return;
    }
    loadBuffer();
    std::fill(m_dirty.begin(), m_dirty.end(), false);
    m_state = RecordState::Edit;
}

void Table::post()
{
    requireActive();
    if (m_state == RecordState::Browse)
        return;
    const QString table = quoteIdent(m_def.name);
    QStringList cols;
    std::vector<QVariant> values;
    for (size_t i = 0; i < m_dirty.size(); ++i)
        if (m_dirty[i]) {
            cols << quoteIdent(m_def.fields[i].name);
            values.push_back(m_buffer[i]);
        }

    if (m_state == RecordState::Insert) {
        const bool viewWasCurrent = m_viewValid && m_viewVersion == tableVersion();
        QString sql;
        if (cols.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table);
        } else {
            QStringList marks;
            for (int i = 0; i < cols.size(); ++i)
                marks << QStringLiteral("?");
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(table, cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        }
        Statement st = m_db.prepareStatement(sql, false);
        st.bindAll(values);
        st.run();
        const qint64 row = m_db.lastInsertRowId();
        m_db.touch(m_def.name);
        m_state = RecordState::Browse;
        std::fill(m_dirty.begin(), m_dirty.end(), false);
        m_bufferValid = false;
        if (rowMatches(row)) {
            m_current = row;
            m_goFirst = false;
            m_eof = m_bof = false;
            if (viewWasCurrent && !m_index) {
                // Natural order: the new row id is the largest, so it goes last.
                m_view.push_back(row);
                m_pos = int(m_view.size()) - 1;
                m_viewVersion = tableVersion();
            } else {
                m_viewValid = false;
            }
        } else {
            m_pos = m_savedPos;
            m_current = m_savedCurrent;
            m_eof = m_savedEof;
            m_bof = m_savedBof;
            if (viewWasCurrent)
                m_viewVersion = tableVersion();
        }
        return;
    }

    // Edit state
    if (cols.isEmpty()) {
        m_state = RecordState::Browse;
        return;
    }
    const bool viewWasCurrent = m_viewValid && m_viewVersion == tableVersion();
    QStringList sets;
    for (const auto &c : cols)
        sets << c + QStringLiteral(" = ?");
    Statement st = m_db.prepareStatement(
        QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(table, sets.join(QStringLiteral(", "))), false);
    st.bindAll(values);
    st.bind(int(values.size()) + 1, m_current);
    st.run();
    m_db.touch(m_def.name);
    bool orderChanged = false;
    if (m_index)
        for (const auto &p : m_index->parts)
            orderChanged = orderChanged || m_dirty[size_t(m_def.fieldIndex(p.field))];
    m_state = RecordState::Browse;
    std::fill(m_dirty.begin(), m_dirty.end(), false);
    m_bufferValid = false;

    if (!viewWasCurrent) {
        m_viewValid = false;
        m_goFirst = false;
        return;
    }
    if (!rowMatches(m_current)) {
        // The row left the view: the cursor moves on to the next row.
        m_view.erase(m_view.begin() + m_pos);
        m_viewVersion = tableVersion();
        const int size = int(m_view.size());
        if (size == 0) {
            m_pos = -1;
            m_eof = m_bof = true;
        } else if (m_pos >= size) {
            m_pos = size - 1;
            m_eof = true;
        }
        m_current = m_pos >= 0 ? m_view[size_t(m_pos)] : 0;
    } else if (orderChanged) {
        m_viewValid = false;
        m_goFirst = false;
    } else {
        m_viewVersion = tableVersion();
    }
}

void Table::cancel()
{
    requireActive();
    if (m_state == RecordState::Insert) {
        m_pos = m_savedPos;
        m_current = m_savedCurrent;
        m_eof = m_savedEof;
        m_bof = m_savedBof;
    }
    if (m_state != RecordState::Browse) {
        m_state = RecordState::Browse;
        std::fill(m_dirty.begin(), m_dirty.end(), false);
        m_bufferValid = false;
    }
}

void Table::remove()
{
    requireActive();
    if (m_state == RecordState::Insert) {
        cancel();
        return;
    }
    if (m_state == RecordState::Edit)
        cancel();
    ensureView();
    if (m_view.empty())
        throw EngineError(QStringLiteral("Cannot delete from the table %1: it shows no rows.").arg(m_def.name));
    Statement st = m_db.prepareStatement(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoteIdent(m_def.name)), false);
    st.bind(1, m_current);
    st.run();
    m_db.touch(m_def.name);
    m_view.erase(m_view.begin() + m_pos);
    m_viewVersion = tableVersion();
    m_bufferValid = false;
    const int size = int(m_view.size());
    if (size == 0) {
        m_pos = -1;
        m_eof = m_bof = true;
    } else {
        m_eof = m_pos >= size;
        m_bof = false;
        m_pos = std::min(m_pos, size - 1);
    }
    m_current = m_pos >= 0 ? m_view[size_t(m_pos)] : 0;
}

int Table::fieldIndex(const QString &name) const
{
    const int i = m_def.fieldIndex(name);
    if (i < 0)
        throw EngineError(QStringLiteral("The table %1 has no field %2.").arg(m_def.name, name));
    return i;
}

QVariant Table::storedValue(int pos)
{
    requireActive();
    if (pos < 0 || pos >= fieldCount())
        throw EngineError(QStringLiteral("The table %1 has no field number %2.").arg(m_def.name).arg(pos));
    if (m_state == RecordState::Browse) {
        prepareBuffer();
        m_wanted[size_t(pos)] = true;
        if (!m_loaded[size_t(pos)]) {
            Statement st = m_db.prepareStatement(m_fieldSql[size_t(pos)], false);
            st.bind(1, m_bufferRow);
            m_buffer[size_t(pos)] = st.step() ? st.column(0) : QVariant();
            m_loaded[size_t(pos)] = true;
        }
    }
    return m_buffer[size_t(pos)];
}

QString Table::displayText(int pos, const QVariant &v) const
{
    if (!v.isValid() || v.isNull())
        return QString();
    switch (m_def.fields[size_t(pos)].type) {
    case FieldType::Currency: return currencyText(v.toLongLong());
    case FieldType::Float: return floatText(v.toDouble());
    case FieldType::AutoInc: return QString::number(v.toLongLong());
    case FieldType::Logical: return v.toLongLong() ? QStringLiteral("True") : QStringLiteral("False");
    case FieldType::Date: return dateIsoToText(v.toString());
    default: return v.toString();
    }
}

QString Table::asString(int pos)
{
    return displayText(pos, storedValue(pos));
}

QString Table::asString(const QString &field)
{
    return asString(fieldIndex(field));
}

double Table::asFloat(int pos)
{
    const QVariant v = storedValue(pos);
    if (!v.isValid() || v.isNull())
        return 0;
    const FieldDef &f = m_def.fields[size_t(pos)];
    switch (f.type) {
    case FieldType::Currency: return currencyFromStorage(v.toLongLong());
    case FieldType::Float: return v.toDouble();
    case FieldType::AutoInc:
    case FieldType::Logical: return double(v.toLongLong());
    default: {
        const QString s = v.toString();
        double d = 0;
        if (s.trimmed().isEmpty())
            return 0;
        if (!parseNumber(s, d))
            throw EngineError(QStringLiteral("'%1' is not a valid floating point value for the field %2.").arg(s, f.name));
        return d;
    }
    }
}

double Table::asFloat(const QString &field)
{
    return asFloat(fieldIndex(field));
}

qint64 Table::asInteger(int pos)
{
    const QVariant v = storedValue(pos);
    if (!v.isValid() || v.isNull())
        return 0;
    const FieldDef &f = m_def.fields[size_t(pos)];
    switch (f.type) {
    case FieldType::AutoInc:
    case FieldType::Logical: return v.toLongLong();
    case FieldType::Currency:
    case FieldType::Float: return std::llround(asFloat(pos));
    default: {
        const QString s = v.toString().trimmed();
        bool ok = false;
        const qint64 i = s.toLongLong(&ok);
        if (ok)
            return i;
        double d = 0;
        if (!parseNumber(s, d))
            throw EngineError(QStringLiteral("'%1' is not a valid integer value for the field %2.").arg(s, f.name));
        return std::llround(d);
    }
    }
}

qint64 Table::asInteger(const QString &field)
{
    return asInteger(fieldIndex(field));
}

bool Table::isNull(const QString &field)
{
    const QVariant v = storedValue(fieldIndex(field));
    return !v.isValid() || v.isNull();
}

void Table::setStored(int pos, const QVariant &v)
{
    requireActive();
    if (m_state != RecordState::Edit && m_state != RecordState::Insert)
        throw EngineError(QStringLiteral("The table %1 is not in edit or insert mode.").arg(m_def.name));
    if (m_def.fields[size_t(pos)].type == FieldType::AutoInc)
        throw EngineError(QStringLiteral("The field %1 of the table %2 is assigned by the engine.")
                              .arg(m_def.fields[size_t(pos)].name, m_def.name));
    m_buffer[size_t(pos)] = v;
    m_dirty[size_t(pos)] = true;
}

void Table::setAsString(int pos, const QString &value)
{
    if (pos < 0 || pos >= fieldCount())
        throw EngineError(QStringLiteral("The table %1 has no field number %2.").arg(m_def.name).arg(pos));
    const FieldDef &f = m_def.fields[size_t(pos)];
    const QString trimmed = value.trimmed();
    switch (f.type) {
    case FieldType::Text:
    case FieldType::Memo:
        checkText(pos, value);
        setStored(pos, value.isEmpty() ? QVariant() : QVariant(value));
        return;
    case FieldType::Currency:
    case FieldType::Float: {
        if (trimmed.isEmpty()) {
            setStored(pos, QVariant());
            return;
        }
        double d = 0;
        if (!parseNumber(trimmed, d))
            throw EngineError(QStringLiteral("'%1' is not a valid number for the field %2.").arg(value, f.name));
        checkNumber(pos, d, trimmed);
        // An amount is kept from its digits: through a double, 999999999999.9999
        // would come back a ten-thousandth off.
        if (f.type == FieldType::Currency)
            if (const auto units = currencyUnits(QStringView(trimmed))) {
                setStored(pos, *units);
                return;
            }
        setAsFloat(pos, d);
        return;
    }
    case FieldType::Date: {
        if (trimmed.isEmpty()) {
            setStored(pos, QVariant());
            return;
        }
        const QString iso = dateTextToIso(trimmed);
        if (iso.isEmpty())
            throw EngineError(QStringLiteral("'%1' is not a valid date for the field %2.").arg(value, f.name));
        setStored(pos, iso);
        return;
    }
    case FieldType::Logical: {
        const QString l = trimmed.toLower();
        if (l.isEmpty())
            setStored(pos, QVariant());
        else if (l == QLatin1String("true") || l == QLatin1String("t") || l == QLatin1String("yes") || l == QLatin1String("1"))
            setStored(pos, qint64(1));
        else if (l == QLatin1String("false") || l == QLatin1String("f") || l == QLatin1String("no") || l == QLatin1String("0"))
            setStored(pos, qint64(0));
        else
            throw EngineError(QStringLiteral("'%1' is not a valid logical value for the field %2.").arg(value, f.name));
        return;
    }
    case FieldType::AutoInc:
        setStored(pos, QVariant());  // refuses
        return;
    }
}

void Table::setAsString(const QString &field, const QString &value)
{
    setAsString(fieldIndex(field), value);
}

void Table::setAsFloat(int pos, double value)
{
    if (pos < 0 || pos >= fieldCount())
        throw EngineError(QStringLiteral("The table %1 has no field number %2.").arg(m_def.name).arg(pos));
    const FieldDef &f = m_def.fields[size_t(pos)];
    if (!std::isfinite(value))
        throw EngineError(QStringLiteral("The field %1 of the table %2 cannot hold %3: it is not a finite number.")
                              .arg(f.name, m_def.name, amountText(value)));
    switch (f.type) {
    case FieldType::Currency: {
        checkNumber(pos, value, amountText(value));
        const auto units = currencyUnits(value);
        if (!units)  // valueRange and currencyUnits agree; this only guards the conversion
            throw EngineError(QStringLiteral("The amount %1 cannot be stored in the field %2 of the table %3.")
                                  .arg(amountText(value), f.name, m_def.name));
        setStored(pos, *units);
        return;
    }
    case FieldType::Float:
        checkNumber(pos, value, amountText(value));
        setStored(pos, value);
        return;
    case FieldType::Logical: setStored(pos, qint64(value != 0)); return;
    case FieldType::Date:
        throw EngineError(QStringLiteral("The date field %1 cannot take a number.").arg(f.name));
    case FieldType::AutoInc: setStored(pos, QVariant()); return;
    default: setAsString(pos, floatText(value)); return;
    }
}

void Table::setAsFloat(const QString &field, double value)
{
    setAsFloat(fieldIndex(field), value);
}

void Table::checkNumber(int pos, double value, const QString &shown) const
{
    const FieldDef &f = m_def.fields[size_t(pos)];
    if (f.type != FieldType::Currency && f.type != FieldType::Float)
        return;
    if (!std::isfinite(value))
        throw EngineError(QStringLiteral("The field %1 of the table %2 cannot hold %3: it is not a finite number.")
                              .arg(f.name, m_def.name, shown));
    const ValueRange range = valueRange(f);
    if (!range.contains(value))
        throw EngineError(QStringLiteral("The %1 %2 is out of range for the field %3 of the table %4: it must lie "
                                         "between %5 and %6.")
                              .arg(f.type == FieldType::Currency ? QStringLiteral("amount") : QStringLiteral("value"),
                                   shown, f.name, m_def.name, groupedNumber(range.min, 0), groupedNumber(range.max, 0)));
}

void Table::checkText(int pos, const QString &value) const
{
    const FieldDef &f = m_def.fields[size_t(pos)];
    const qsizetype length = fieldChars(value);
    if (length < 0)
        throw EngineError(QStringLiteral("The text for the field %1 of the table %2 is not valid Unicode: it holds "
                                         "a lone surrogate character.")
                              .arg(f.name, m_def.name));
    // Refused rather than cut: a shortened name or account number saved
    // without a word is worse than the message.
    if (f.width > 0 && length > f.width)
        throw EngineError(QStringLiteral("The text for the field %1 of the table %2 is %3 characters long; the field "
                                         "holds at most %4.")
                              .arg(f.name, m_def.name)
                              .arg(length)
                              .arg(f.width));
}

void Table::setValue(int pos, const QVariant &stored)
{
    requireActive();
    if (pos < 0 || pos >= fieldCount())
        throw EngineError(QStringLiteral("The table %1 has no field number %2.").arg(m_def.name).arg(pos));
    if (!stored.isValid() || stored.isNull()) {
        setStored(pos, QVariant());
        return;
    }
    const FieldDef &f = m_def.fields[size_t(pos)];
    switch (f.type) {
    case FieldType::Currency: {
        // The stored form is a count of 1/10,000 dollar.
        bool ok = false;
        const qint64 units = stored.toLongLong(&ok);
        if (!ok || stored.typeId() == QMetaType::QString)
            throw EngineError(QStringLiteral("'%1' is not a stored amount for the field %2 of the table %3.")
                                  .arg(stored.toString(), f.name, m_def.name));
        const double amount = currencyFromStorage(units);
        checkNumber(pos, amount, amountText(amount));
        setStored(pos, units);
        return;
    }
    case FieldType::Float: {
        bool ok = false;
        const double d = stored.toDouble(&ok);
        if (!ok)
            throw EngineError(QStringLiteral("'%1' is not a valid number for the field %2 of the table %3.")
                                  .arg(stored.toString(), f.name, m_def.name));
        checkNumber(pos, d, amountText(d));
        setStored(pos, d);
        return;
    }
    case FieldType::Text:
    case FieldType::Memo:
        checkText(pos, stored.toString());
        setStored(pos, stored.toString());
        return;
    default:
        setStored(pos, stored);
        return;
    }
}

void Table::setAsInteger(const QString &field, qint64 value)
{
    const int pos = fieldIndex(field);
    if (m_def.fields[size_t(pos)].type == FieldType::Text || m_def.fields[size_t(pos)].type == FieldType::Memo)
        setAsString(pos, QString::number(value));
    else
        setAsFloat(pos, double(value));
}

void Table::setNull(const QString &field)
{
    setStored(fieldIndex(field), QVariant());
}

}  // namespace nettora
