#pragma once
// What the backup, the restore and their checks share; not for callers,
// who include data_backup.h.

#include "data/data_backup.h"
#include "data/durable_file.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace nettora::backup_detail {

// A failure with the sentence for the user.
struct Failure {
    QString text;
};

QString errnoText(int code);
// Runs the test hook for a step; throws Failure with the text it gives.
void runStep(DataFileStep step);
QByteArray encoded(const QString &name);

UniqueFd openFolder(const QString &path, bool create, QString *why);
bool sameObject(int a, int b);
QString pathIn(int dirFd, const QString &name);
void removeLeftovers(int dirFd, const QString &prefix);
UniqueFd createTemporary(int dirFd, const QString &prefix, QString *name);
void copyContents(int from, int to, const QString &source);
void flushAndClose(UniqueFd &copy);

// The data file the database uses: where a link stands under the data
// file's name, the file it points to is the one swapped.
struct DataFileLocation {
    UniqueFd dir;
    QString name;
    QString path;  // for messages
};

DataFileLocation locateDataFile(const QString &dataDir);
void closeMerged();
bool logIsEmpty(const DataFileLocation &loc);
QString reopen();
// The same with another way of opening (a restored file under its own key).
QString reopenWith(const std::function<void()> &open);
QString notRegular(int dirFd, const QString &name);

// dataFileProblem, also saying whether the file opened under the key at
// all (so that a file that opens but fails the check is not tried under
// another key).
QString dataFileProblem(const QString &file, const SecretBytes &dataKey, CheckDepth depth, bool *opened);

// The name of a data file's own key file: the same name ending in .key
// (nettora.db: nettora.key). Works on names and on paths.
QString keyFileNameFor(const QString &dataFileName);

// Copies a small file (a key file) whole into a new temporary file of the
// folder, flushed; returns its name. Throws Failure.
QString copyToTemporary(const QString &source, int toDir, const QString &prefix);
// The same for a file named in a folder held open (fromPath names it in messages).
QString copyToTemporaryAt(int fromDir, const QString &fromName, const QString &fromPath, int toDir,
                          const QString &prefix);

// Temporary files of an interrupted backup or restore start so; the start
// ignores them and the next backup or restore removes them.
inline const QString kBackupPrefix = QStringLiteral(".nettora-backup-");
inline const QString kRestorePrefix = QStringLiteral(".nettora-restore-");

}  // namespace nettora::backup_detail
