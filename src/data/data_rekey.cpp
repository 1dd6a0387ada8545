// Moving a data file's content under another key (see data_rekey.h).
#include "data/data_rekey.h"

#include "data/data_key.h"
#include "data/durable_file.h"
#include "data/failure_cause.h"
#include "data/engine_error.h"
#include "data/schema.h"

#include <sqlcipher/sqlite3.h>

#include <vector>

namespace nettora {

void replaceDataFile(const QString &source, const QString &target)
{
    if (const int error = replaceFile(source, target))
        throw EngineError(QStringLiteral("Could not replace \"%1\": %2").arg(target, systemCause(error)));
}

// The version the data file records; 0 for files made before versions were.
int dataFileVersion(Database &db)
{
    Statement st = db.prepare(QStringLiteral("PRAGMA user_version"));
    return st.step() ? int(st.columnInt(0)) : 0;
}

namespace {

// Every table's row count: what a copy must hold as well.
std::vector<qint64> rowCounts(Database &db, const QString &schemaName)
{
    std::vector<qint64> counts;
    for (const TableDef &t : allTables()) {
        Statement st = db.prepare(QStringLiteral("SELECT count(*) FROM %1.\"%2\"").arg(schemaName, t.name));
        counts.push_back(st.step() ? st.columnInt(0) : -1);
    }
    return counts;
}

}  // namespace

void exportUnderKey(Database &db, const QString &target, const SecretBytes &key)
{
    const SecretBytes keyText = engineKeyText(key);
    sqlite3_stmt *st = nullptr;
    const QByteArray name = target.toUtf8();
    db.check(sqlite3_prepare_v2(db.handle(), "ATTACH DATABASE ?1 AS rekeyed KEY ?2", -1, &st, nullptr));
    sqlite3_bind_text(st, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
    // Bound, never put in the SQL text; the text's closing zero is left out.
    sqlite3_bind_text(st, 2, reinterpret_cast<const char *>(keyText.data()), int(keyText.size()) - 1, SQLITE_STATIC);
    const int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        db.fail(rc);
    try {
        db.exec(QStringLiteral("SELECT sqlcipher_export('rekeyed')"));
        db.exec(QStringLiteral("PRAGMA rekeyed.user_version = %1").arg(dataFileVersion(db)));
        if (rowCounts(db, QStringLiteral("main")) != rowCounts(db, QStringLiteral("rekeyed")))
            throw EngineError(QStringLiteral("the copy does not hold every row"));
        db.exec(QStringLiteral("DETACH DATABASE rekeyed"));
    } catch (...) {
        try {
            db.exec(QStringLiteral("DETACH DATABASE rekeyed"));
        } catch (const EngineError &) {
        }
        throw;
    }
}

void checkCopy(const QString &file, const SecretBytes &key)
{
    Database copy;
    copy.open(file, engineKeyText(key));
    {
        Statement st = copy.prepare(QStringLiteral("PRAGMA quick_check"));
        if (!st.step() || st.columnText(0) != QLatin1String("ok"))
            throw EngineError(QStringLiteral("the copy is damaged"));
    }
    copy.exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
    copy.close();
    removeSidecars(file);
}

}  // namespace nettora
