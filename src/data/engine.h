#pragma once
// The table engine: one SQLCipher database file holding every table, and a
// Table cursor per table with the operations the program has always used
// (index by name, filter, navigation, bookmarks, append/edit/post/cancel/
// delete, field access by name or position).
//
// A cursor's view is the ordered list of row ids that match its filter under
// its index. It is built lazily and kept current by the cursor's own writes;
// writes made by another cursor are noticed through the database's per-table
// change counters and rebuild the view on next use. Plain SQL, through
// Database::exec or a prepared Statement, keeps the counters current itself.
//
// A row is written only by post(). A row being appended or edited is dropped,
// never written, when the cursor moves, changes index or filter, or closes:
// whoever leaves a row pending cannot store it by accident.

#include "data/engine_error.h"
#include "data/filter.h"
#include "data/secret.h"
#include "data/schema.h"

#include <QHash>
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace nettora {

class Table;

// Characters of a text as a field counts them (code points: an emoji is
// one), or -1 when the text holds a lone surrogate, which no field takes.
qsizetype fieldChars(const QString &text);
// Text as the engine stored it, every character kept (a leading U+FEFF too).
QString storedText(QByteArrayView utf8);

// A prepared statement borrowed from the database's cache; reset on release.
class Statement {
public:
    // A statement with a database to notify tells it when a step changed rows.
    Statement(sqlite3 *db, sqlite3_stmt *stmt, class Database *notify = nullptr)
        : m_db(db), m_stmt(stmt), m_notify(notify) {}
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    ~Statement();

    void bind(int index, const QVariant &value);  // 1-based
    void bindAll(const std::vector<QVariant> &values, int first = 1);
    bool step();     // true while a row is available; throws on failure
    void run();      // step to completion
    qint64 columnInt(int col) const;
    double columnDouble(int col) const;
    QString columnText(int col) const;
    QVariant column(int col) const;  // null, qint64, double or QString
    int columnCount() const;

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt;
    class Database *m_notify;
};

class Database {
public:
    Database();
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens an encrypted database file under the key, with the settings the
    // program relies on (exclusive lock, durable commits). Throws EngineError
    // carrying the engine's text; SQLITE_NOTADB (26) when the key does not fit.
    void open(const QString &file, const QString &key);
    // The same under a raw 256-bit key, given as engineKeyText makes it; the
    // key never passes through SQL text.
    void open(const QString &file, const SecretBytes &rawKey);
    // Opens a file without a key, as it is (used to read a plain file);
    // read-only leaves the file exactly as it was.
    void openPlain(const QString &file, bool readOnly = false);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    QString fileName() const { return m_file; }
    sqlite3 *handle() const { return m_db; }

    // Runs plain SQL; when it changed rows, every table counts as changed.
    void exec(const QString &sql);
    Statement prepare(const QString &sql);
    qint64 lastInsertRowId() const;

    // Nested transactions: the outermost begin/commit is a transaction, inner
    // ones are savepoints. A rollback tells every cursor its view is stale.
    void begin();
    void commit();
    void rollback();
    int transactionDepth() const { return m_depth; }

    // Per-table change counters, so that cursors notice others' writes.
    quint64 version(const QString &table) const { return m_versions.value(table.toLower()); }
    quint64 versionOfKey(const QString &lowerName) const { return m_versions.value(lowerName); }

    void attach(Table *t);
    void detach(Table *t);

    [[noreturn]] void fail(int rc) const;
    void check(int rc) const;

private:
    friend class Table;
    friend class Statement;
    // A cursor's own statements: the cursor keeps its table's counter itself,
    // so its writes do not make every other view stale.
    Statement prepareStatement(const QString &sql, bool notify);
    void touch(const QString &table);
    void touchAll();
    void openHandle(const QString &file, bool readOnly);
    // The settings and checks after the key is applied.
    void finishOpen(const QString &file);
    void finalizeAll();

    sqlite3 *m_db = nullptr;
    QString m_file;
    QHash<QString, sqlite3_stmt *> m_cache;
    QHash<QString, quint64> m_versions;
    std::vector<Table *> m_tables;
    int m_depth = 0;
};

// Rolls back unless commit() ran; never throws from its destructor.
class Transaction {
public:
    explicit Transaction(Database &db) : m_db(db) { m_db.begin(); }
    ~Transaction();
    void commit();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

private:
    Database &m_db;
    bool m_done = false;
};

// Adds the functions the tables' indexes are built on to a handle opened
// outside Database (a file checked on its own); the engine's result code.
int registerEngineFunctions(sqlite3 *db);
// Applies a key text (as engineKeyText makes it) to a handle; the engine's
// result code. The text never passes through SQL.
int applyKeyText(sqlite3 *db, const SecretBytes &keyText);

enum class RecordState { Inactive, Browse, Edit, Insert };

using Bookmark = qint64;

class Table {
public:
    Table(Database &db, const TableDef &def);
    ~Table();
    Table(const Table &) = delete;
    Table &operator=(const Table &) = delete;

    const TableDef &def() const { return m_def; }
    QString tableName() const { return m_def.name; }

    // Open checks that the stored table has the expected fields in order.
    void open();
    void close();
    bool active() const { return m_state != RecordState::Inactive; }
    void setExclusive(bool on) { m_exclusive = on; }
    bool exclusive() const { return m_exclusive; }

    void setIndexName(const QString &name);  // case-insensitive; "" = natural order
    QString indexName() const { return m_indexName; }

    void setFilter(const QString &expression);  // refused expressions throw
    QString filter() const { return m_filterText; }
    void setFiltered(bool on);
    bool filtered() const { return m_filtered; }

    void first();
    void next();
    void prior();
    void last();
    bool eof();
    bool bof();
    bool isEmpty();
    int recordCount();

    // Positions by number (0-based) in the view, for lists that show it.
    int recNo();  // -1 when the view is empty
    void moveToRecNo(int index);
    // A field of the row at a position, read without moving the cursor.
    QString asStringAt(int index, int pos);
    QVariant valueAt(int index, int pos);

    Bookmark bookmark();
    void gotoBookmark(Bookmark b);  // throws when the row is not in view
    bool bookmarkValid(Bookmark b);

    // append() drops a row still pending; edit() keeps one (a second edit
    // is no change). Only post() writes.
    void append();
    void edit();
    void post();
    void cancel();
    void remove();  // the cursor lands on the next row
    RecordState state() const { return m_state; }

    int fieldCount() const { return int(m_def.fields.size()); }
    QString fieldName(int pos) const { return m_def.fields[size_t(pos)].name; }
    int fieldIndex(const QString &name) const;  // throws when unknown

    QString asString(const QString &field);
    QString asString(int pos);
    double asFloat(const QString &field);
    double asFloat(int pos);
    qint64 asInteger(const QString &field);
    qint64 asInteger(int pos);
    bool isNull(const QString &field);

    void setAsString(const QString &field, const QString &value);
    void setAsString(int pos, const QString &value);
    void setAsFloat(const QString &field, double value);
    void setAsFloat(int pos, double value);
    void setAsInteger(const QString &field, qint64 value);
    void setNull(const QString &field);

    // The stored form of a field (null, integer, double or text), for copying
    // a row exactly; setValue takes what value() gave.
    QVariant value(int pos) { return storedValue(pos); }
    // It is checked like every other write: amounts and widths.
    void setValue(int pos, const QVariant &stored);

    // Forget the view and the current record buffer (after plain-SQL writes
    // or a rollback); the cursor keeps its current row where it can.
    void invalidate();

private:
    void requireActive() const;
    // Every move of the cursor, and every change of its index or filter,
    // leaves a pending row unwritten.
    void dropPending();
    void ensureView();
    void buildView();
    // The view in parts: reads up to `limit` more rows (-1: all the rest).
    void readView(int limit);
    void completeView();
    bool inView(int index);        // reads the rest when index is beyond the rows read
    int viewSize();                // counts when the rest is not read yet
    int findInView(qint64 rowid);  // -1 when not in the view
    void loadBuffer();       // every field of the current row
    void prepareBuffer();    // the buffer belongs to the current row
    void readAhead(const std::vector<int> &fields);
    // Fills the buffer when the row was read ahead with at least the fields wanted.
    bool takeAhead(qint64 row, const std::vector<int> &wanted);
    void dropAhead();
    quint64 tableVersion() const { return m_db.versionOfKey(m_versionKey); }
    qint64 currentRowId();
    bool rowMatches(qint64 rowid);
    QString orderBy() const;
    QVariant storedValue(int pos);
    void setStored(int pos, const QVariant &v);
    // Refuse, with a message naming the field, what the field cannot hold:
    // an amount out of its range or not finite, a text wider than the field
    // (counted in characters) or not valid Unicode. Nothing is written then.
    void checkNumber(int pos, double value, const QString &shown) const;
    void checkText(int pos, const QString &value) const;
    QString displayText(int pos, const QVariant &v) const;

    Database &m_db;
    const TableDef &m_def;
    RecordState m_state = RecordState::Inactive;
    bool m_exclusive = false;

    QString m_indexName;
    const IndexDef *m_index = nullptr;
    QString m_filterText;
    CompiledFilter m_filter;
    bool m_filtered = false;

    // The view's row ids in order. A view is built with its first rows only
    // and reads the rest when the cursor goes beyond them: a search shows a
    // screenful of what may be thousands of rows. Until then its size is
    // counted. Its statements run to the end each time, so no read is left
    // open between calls.
    std::vector<qint64> m_view;
    bool m_viewComplete = true;
    int m_viewCount = -1;  // -1: not counted
    QString m_viewSql, m_countSql;
    std::vector<QVariant> m_viewBinds;
    bool m_viewValid = false;
    quint64 m_viewVersion = 0;
    int m_pos = -1;            // index into m_view when valid; always a row read
    qint64 m_current = 0;      // row id of the current row (0: none)
    bool m_goFirst = true;     // a rebuild should land on the first row
    bool m_eof = true;
    bool m_bof = true;

    std::vector<QVariant> m_buffer;  // the current row, stored form
    qint64 m_bufferRow = 0;
    bool m_bufferValid = false;
    // Fields are read from the file as they are asked for: lists read two
    // or three of a row's many fields.
    std::vector<bool> m_loaded;
    std::vector<bool> m_wanted;  // fields read on the previous row: read together on the next
    // Rows next to the current one in the view, read in one statement with
    // the fields the previous row was read for: a list walking its rows pays
    // a statement per batch, not per row. Batches grow while the walk goes on
    // in one direction. Dropped with every write and every rebuilt view.
    struct RowsAhead {
        std::vector<int> fields;       // positions of the fields held
        std::vector<qint64> rows;      // row ids, in view order
        std::vector<QVariant> values;  // rows.size() x fields.size(), stored form
        int start = 0;                 // view position of rows[0]
    };
    RowsAhead m_ahead;
    QHash<QString, QString> m_fieldSetSql;
    // Field positions by the names callers use: a list reads the same few
    // fields on every row.
    mutable QHash<QString, int> m_fieldPositions;
    std::vector<int> m_wantedList;  // reused from row to row
    std::vector<QString> m_fieldSql;
    QString m_rowSql;
    QString m_versionKey;
    std::vector<bool> m_dirty;

    // Position to return to when an appended row is posted outside the view.
    int m_savedPos = -1;
    qint64 m_savedCurrent = 0;
    bool m_savedEof = true, m_savedBof = true;
};

}  // namespace nettora
