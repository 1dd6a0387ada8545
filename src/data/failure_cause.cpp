#include "data/failure_cause.h"

#include <QFileDevice>

#include <sqlcipher/sqlite3.h>

#include <cerrno>

namespace nettora {

QString plainCause(int err)
{
    switch (err) {
    case ENOSPC: return QStringLiteral("the disk is full");
    case ENAMETOOLONG: return QStringLiteral("the path is longer than the system allows");
    default: return QString();
    }
}

QString systemCause(int err)
{
    const QString words = qt_error_string(err);
    const QString plain = plainCause(err);
    return plain.isEmpty() ? words : QStringLiteral("%1 (%2)").arg(plain, words);
}

QString engineCause(int rc, int systemErrno, const QString &words)
{
    QString plain;
    switch (rc & 0xff) {
    case SQLITE_FULL: plain = plainCause(ENOSPC); break;
    // The engine reports a write, sync or growth it could not make as an
    // I/O error; the system's own error tells a full disk from a failing one.
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN: plain = plainCause(systemErrno); break;
    default: break;
    }
    return plain.isEmpty() ? words : QStringLiteral("%1 (%2)").arg(plain, words);
}

QString engineCause(sqlite3 *db, int rc)
{
    if (!db)
        return QString::fromUtf8(sqlite3_errstr(rc));
    // The system error is kept only for I/O and open failures, and only
    // those ask for it, so it is never one left from an earlier failure.
    return engineCause(rc, sqlite3_system_errno(db), QString::fromUtf8(sqlite3_errmsg(db)));
}

QString deviceCause(const QFileDevice &file)
{
    // Qt keeps the system's words but not its number; a full disk is the
    // one write failure it files as a resource error.
    const QString words = file.errorString();
    if (file.error() == QFileDevice::ResourceError && words == qt_error_string(ENOSPC))
        return systemCause(ENOSPC);
    return words;
}

}  // namespace nettora
