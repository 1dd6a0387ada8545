// Checking a data file on its own under the key, and listing the data files
// kept under Replaced with what they hold.
#include "data/data_backup.h"

#include "data/data_backup_shared.h"

#include "data/datamodule.h"
#include "data/db_functions.h"
#include "data/durable_file.h"
#include "data/engine.h"
#include "data/engine_error.h"
#include "data/failure_cause.h"
#include "data/schema.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>
#include <algorithm>

#include <sqlcipher/sqlite3.h>

#include <cerrno>
#include <sys/stat.h>

namespace nettora {

namespace {

// The engine's answer to one statement: the given column of each row, or
// the failure's text in *error.
QStringList query(sqlite3 *db, const QString &sql, QString *error, int column = 0)
{
    QStringList rows;
    sqlite3_stmt *st = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr);
    if (rc == SQLITE_OK)
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            rows << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, column)));
    if (rc != SQLITE_DONE)
        *error = engineCause(db, rc);
    sqlite3_finalize(st);
    return rows;
}

// The data key, or for an empty one the old built-in key that files from
// before the key file are under.
void applyKey(sqlite3 *db, const SecretBytes &dataKey)
{
    if (!dataKey.empty()) {
        applyKeyText(db, engineKeyText(dataKey));
    } else {
        const QByteArray legacy(Tdm1::LegacyTablePassword);
        sqlite3_key(db, legacy.constData(), int(legacy.size()));
    }
}

const SecretBytes &runningKey()
{
    static const SecretBytes none;
    if (!dm1)
        return none;
    return dm1->dataKey().empty() ? dm1->unopenedDataKey() : dm1->dataKey();
}

QStringList columnNames(sqlite3 *db, const QString &table, QString *error)
{
    return query(db, QStringLiteral("PRAGMA table_info(\"%1\")").arg(table), error, 1);
}

// The first thing the check found; a damaged file gives hundreds of lines.
QString firstFinding(const QStringList &report)
{
    QStringList lines = report.join(QLatin1Char('\n')).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.removeIf([](const QString &l) { return l.startsWith(QLatin1String("***")); });
    if (lines.isEmpty())
        return QStringLiteral("an unknown fault");
    return lines.size() == 1 ? lines[0] : lines[0] + QStringLiteral(", and %1 more findings").arg(lines.size() - 1);
}

struct Handle {
    sqlite3 *db = nullptr;
    ~Handle() { sqlite3_close_v2(db); }
};

bool opensPlain(const QString &file)
{
    try {
        Database().openPlain(file, true);
        return true;
    } catch (const EngineError &) {
        return false;
    }
}

QString checkOpen(const QString &file, const SecretBytes &dataKey, CheckDepth depth, bool *opened)
{
    {
        Handle h;
        if (const int rc = sqlite3_open_v2(file.toUtf8().constData(), &h.db, SQLITE_OPEN_READWRITE, nullptr);
            rc != SQLITE_OK)
            return QStringLiteral("it cannot be opened (%1)").arg(engineCause(h.db, rc));
        registerEngineFunctions(h.db);
        QString error;
        applyKey(h.db, dataKey);
        query(h.db, QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"), &error);
        query(h.db, QStringLiteral("SELECT count(*) FROM sqlite_master"), &error);
        if (error.isEmpty()) {
            *opened = true;
            // Every page in use is read, and under the key every page's
            // checksum is proved, so a flipped bit anywhere in the data shows
            // in either check; the full one also matches every index against
            // its rows.
            const QStringList report =
                query(h.db, depth == CheckDepth::Full ? QStringLiteral("PRAGMA integrity_check") : QStringLiteral("PRAGMA quick_check"), &error);
            if (!error.isEmpty())
                return QStringLiteral("it is damaged (%1)").arg(error);
            if (report != QStringList{QStringLiteral("ok")})
                return QStringLiteral("it is damaged (the check reports: %1)").arg(firstFinding(report));
            // An older file is upgraded when it is opened; a newer one is not ours to read.
            const int version = query(h.db, QStringLiteral("PRAGMA user_version"), &error).value(0).toInt();
            if (error.isEmpty() && version > dataVersion())
                return QStringLiteral("it was written by a newer version of Nettora (data version %1; this program "
                                      "knows up to %2)")
                    .arg(version)
                    .arg(dataVersion());
            const SchemaComparison tables = compareWithSchema(
                [&](const QString &table) {
                    return error.isEmpty() ? columnNames(h.db, table, &error) : QStringList();
                },
                version);
            if (!error.isEmpty())
                return QStringLiteral("it is damaged (%1)").arg(error);
            const QStringList &missing = tables.missing, &different = tables.different;
            if (!missing.isEmpty())
                return QStringLiteral("it does not hold Nettora's tables (missing: %1)")
                    .arg(missing.join(QStringLiteral(", ")));
            if (!different.isEmpty())
                return QStringLiteral("its tables do not have Nettora's fields (%1)")
                    .arg(different.join(QStringLiteral(", ")));
            return QString();
        }
    }
    if (opensPlain(file))
        return QStringLiteral("it is an unencrypted database, not a Nettora data file");
    return QStringLiteral("it does not open with Nettora's key: it is damaged, or it is not a Nettora data file");
}

}  // namespace

QString dataFileProblem(const QString &file, CheckDepth depth)
{
    return dataFileProblem(file, runningKey(), depth);
}

QString dataFileProblem(const QString &file, const SecretBytes &dataKey, CheckDepth depth)
{
    bool opened = false;
    return backup_detail::dataFileProblem(file, dataKey, depth, &opened);
}

QString backup_detail::dataFileProblem(const QString &file, const SecretBytes &dataKey, CheckDepth depth, bool *opened)
{
    *opened = false;
    struct stat st {};
    if (::stat(QFile::encodeName(file).constData(), &st) != 0)
        return errno == ENOENT ? QStringLiteral("it is missing")
                               : QStringLiteral("it cannot be read (%1)").arg(systemCause(errno));
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("it is not a regular file");
    if (st.st_size == 0)
        return QStringLiteral("it is empty");
    const QString problem = checkOpen(file, dataKey, depth, opened);
    removeSidecars(file);
    return problem;
}

namespace {

// What a kept file holds under one key, read without changing it or
// leaving anything beside it: immutable, unless a log of its own stands
// beside it, whose content counts too. The engine's words when it does not
// open under that key.
QString countUnder(KeptDataFile &kept, const SecretBytes &dataKey)
{
    const bool hasLog = QFileInfo::exists(kept.file + QStringLiteral("-wal"));
    const bool hadIndex = QFileInfo::exists(kept.file + QStringLiteral("-shm"));
    QUrl uri = QUrl::fromLocalFile(kept.file);
    uri.setQuery(hasLog ? QStringLiteral("mode=ro") : QStringLiteral("immutable=1"));
    QString error;
    {
        Handle h;
        if (const int rc = sqlite3_open_v2(uri.toEncoded().constData(), &h.db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                                           nullptr);
            rc != SQLITE_OK) {
            error = engineCause(h.db, rc);
        } else {
            applyKey(h.db, dataKey);
            const QString clients = query(h.db, QStringLiteral("SELECT count(*) FROM \"Client\""), &error).value(0);
            const QString statements = query(h.db, QStringLiteral("SELECT count(*) FROM \"Nettora\""), &error).value(0);
            if (error.isEmpty()) {
                kept.clients = clients.toInt();
                kept.statements = statements.toInt();
            }
        }
    }
    if (!hadIndex)
        QFile::remove(kept.file + QStringLiteral("-shm"));
    return error;
}

// Under the current data key, else the old built-in one (kept before the
// data had its own key).
void countKept(KeptDataFile &kept)
{
    QString error;
    if (!runningKey().empty())
        error = countUnder(kept, runningKey());
    if (runningKey().empty() || !error.isEmpty())
        error = countUnder(kept, SecretBytes());
    if (error.isEmpty())
        return;
    if (kept.size == 0) {
        kept.problem = QStringLiteral("it is empty");
    } else if (QFileInfo(backup_detail::keyFileNameFor(kept.file)).isFile()) {
        kept.ownKeyFile = true;
        kept.problem = QStringLiteral("it is under a password of its own: restoring it asks for that password");
    } else {
        kept.problem = QStringLiteral("it cannot be read (%1): it is damaged, or it is not a Nettora data file").arg(error);
    }
}

}  // namespace

std::vector<KeptDataFile> keptDataFiles(const QString &dataDir)
{
    // Names as a restore or an upgrade gives them: nettora-YYYYMMDD-HHMMSS,
    // "-versionN" for an upgrade's copy, "-N" for a later one in the same second.
    static const QRegularExpression named(
        QStringLiteral("^nettora-(\\d{8}-\\d{6})(?:-version(\\d+))?(?:-(\\d+))?\\.db$"));
    std::vector<std::pair<KeptDataFile, int>> found;  // with the number within its second
    const QDir dir(QDir(dataDir).filePath(QLatin1String(ReplacedFolderName)));
    for (const QFileInfo &info : dir.entryInfoList({QStringLiteral("*.db")}, QDir::Files, QDir::Name)) {
        if (info.isSymLink())
            continue;
        KeptDataFile k;
        k.file = info.absoluteFilePath();
        k.size = info.size();
        k.kept = info.lastModified();
        int sequence = 0;
        if (const QRegularExpressionMatch m = named.match(info.fileName()); m.hasMatch()) {
            const QDateTime when = QDateTime::fromString(m.captured(1), QStringLiteral("yyyyMMdd-HHmmss"));
            if (when.isValid())
                k.kept = when;
            if (m.capturedLength(2) > 0)
                k.upgradedFrom = m.captured(2).toInt();
            sequence = m.captured(3).toInt();
        }
        countKept(k);
        found.emplace_back(std::move(k), sequence);
    }
    std::stable_sort(found.begin(), found.end(), [](const auto &a, const auto &b) {
        return a.first.kept != b.first.kept ? a.first.kept > b.first.kept : a.second > b.second;
    });
    std::vector<KeptDataFile> kept;
    for (auto &f : found)
        kept.push_back(std::move(f.first));
    return kept;
}


}  // namespace nettora
