// The prepared statement the engine hands out: binding, stepping, reading.
#include "data/engine.h"

#include "data/failure_cause.h"

#include <sqlcipher/sqlite3.h>

#include <QByteArray>

namespace nettora {

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

}  // namespace nettora
