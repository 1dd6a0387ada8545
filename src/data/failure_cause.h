#pragma once
// Why a write or an open failed, in plain words first and the system's or
// the engine's own words after them: a full disk reads as "the disk is full
// (disk I/O error)" rather than as the engine's bare "disk I/O error", which
// names no cause the user can act on.

#include <QString>

class QFileDevice;
struct sqlite3;

namespace nettora {

// The plain words for a system error (errno): "the disk is full" (ENOSPC),
// "the path is longer than the system allows" (ENAMETOOLONG); empty for any
// other, whose own words are plain enough.
QString plainCause(int err);

// The system's words for err, after the plain words where there are some:
// "the disk is full (No space left on device)", "Permission denied".
QString systemCause(int err);

// The engine's words for a failure with result code rc (primary or
// extended), after the plain words where the code or the system error the
// engine met (systemErrno) has some: "the disk is full (database or disk
// is full)", "the disk is full (disk I/O error)".
QString engineCause(int rc, int systemErrno, const QString &words);
// The same for the latest failure on a handle, with the engine's words.
QString engineCause(sqlite3 *db, int rc);

// Why a write to a file device failed, as systemCause gives it.
QString deviceCause(const QFileDevice &file);

}  // namespace nettora
