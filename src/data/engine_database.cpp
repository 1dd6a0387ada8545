// The database handle: opening under the key, plain SQL, the statement
// cache, nested transactions and the per-table change counters.
#include "data/engine.h"

#include "data/engine_sql.h"
#include "data/failure_cause.h"
#include "data/filter.h"

#include <sqlcipher/sqlite3.h>

#include <QByteArray>
#include <algorithm>

namespace nettora {

using engine_sql::quoteLiteral;

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

}  // namespace

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

int applyKeyText(sqlite3 *db, const SecretBytes &keyText)
{
    // The text ends in a zero that is not part of the key.
    return sqlite3_key(db, keyText.data(), int(keyText.size()) - 1);
}

void Database::open(const QString &file, const QString &key)
{
    openHandle(file, false);
    try {
        exec(QStringLiteral("PRAGMA key = %1").arg(quoteLiteral(key)));
    } catch (...) {
        close();
        throw;
    }
    finishOpen(file);
}

void Database::open(const QString &file, const SecretBytes &rawKey)
{
    openHandle(file, false);
    if (const int rc = applyKeyText(m_db, rawKey); rc != SQLITE_OK) {
        close();
        throw EngineError(QStringLiteral("The data key could not be applied."), rc);
    }
    finishOpen(file);
}

void Database::finishOpen(const QString &file)
{
    try {
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

}  // namespace nettora
