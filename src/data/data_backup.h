#pragma once
// Backing up and restoring the data file, shared by the backup and restore
// windows and nettora-cli.
//
// The data directory holds one encrypted data file and the key file that
// opens it (data/data_key.h), so a backup is a copy of both: the key file
// copied under a temporary name into the backup folder, the write-ahead log
// merged into the data file, the database closed (the directory stays
// locked for this copy of the program), the data file copied under a
// temporary name, the database reopened, the copies flushed, the data copy
// opened on its own under the data key and checked (see CheckDepth), and
// only then both renamed to nettora.key and nettora.db, the key file first:
// the data file's name is what makes the pair a backup. An older backup in
// that folder is replaced only when the caller says so (the user was asked);
// otherwise the backup is refused, also when one appears there while the
// copy is made. The copies stay encrypted, the key file sealed; the lock
// file and temporary files are never copied.
//
// A restore checks what it brings before it touches anything: the backup's
// data file is copied under a temporary name into the data directory,
// flushed and checked (key, integrity, this program's tables). The key it
// is checked under decides what is restored:
//   - the current data key (the same data, its password possibly changed
//     since): the data file alone; the current key file and password stay;
//   - the backup's own key file, unsealed with the password it was made
//     under (the caller asks for it): the data file and that key file
//     together, so the restored data keeps its own password;
//   - the old built-in key (a backup from before the key file): the data is
//     moved to the current data key, and restored as the data file alone.
// Only then is the database closed, the current file (and, when it goes, the
// current key file) kept under Replaced/, the copy renamed over the data
// file and the database reopened; when the reopen fails the kept file is put
// back. A pair is swapped under a record of the swap written first, which
// the next start completes should a kill cut the swap short, so that the
// old pair or the new pair stands whole. A data file that did not open at
// start (damaged, under another key) is replaced the same way, its logs
// kept with it: they belong to it and must never be read into the restored
// file. A kill at any moment leaves either the old or the new data file
// whole under its name; the temporary files a kill leaves behind are named
// so that the start ignores them, and the next restore or backup removes
// them.
//
// Folders are reached one name at a time from open folder handles, so paths
// of any length work. Nothing here shows a message: results carry the
// sentences for the caller.

#include "data/secret.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <vector>

namespace nettora {

// The steps a test may make fail (and a benchmark time): the copy, its flush
// to the disk, its check, the rename into place, the reopen of the database.
enum class DataFileStep { Copy, Flush, Check, Rename, Reopen };
// Called before each step; a non-empty text makes that step fail with it.
// An empty hook takes every step as it comes.
using DataFileStepHook = std::function<QString(DataFileStep)>;
void setDataFileStepHook(DataFileStepHook hook);

// How far the check goes. Both read every page in use under the key, which
// proves each page's checksum, and check the tree of pages; Full also
// matches every index against its rows. A backup, a byte copy of the file
// the engine has just closed, takes Quick: what Full adds is a property of
// the source the copy cannot change, and it costs a third more. A restore,
// whose file comes from outside, takes Full.
enum class CheckDepth { Quick, Full };

// Why the file is no usable data file of this program, as a clause such as
// "it is empty" or "it is damaged (...)"; empty text when it opens under the
// data key, passes the check and holds the 22 tables with their fields. An
// empty data key stands for the old built-in key. Sidecar files the check
// leaves beside the file are removed.
QString dataFileProblem(const QString &file, const SecretBytes &dataKey, CheckDepth depth = CheckDepth::Full);
// The same under the key the running data is open under (dm1->dataKey()).
QString dataFileProblem(const QString &file, CheckDepth depth = CheckDepth::Full);

struct DataFileResult {
    bool ok = false;
    // Success: a sentence to add to the success message (may be empty).
    // Failure: what went wrong and what became of the data, as sentences.
    QString text;
    // The backup written, or the file the replaced data was kept in.
    QString file;
    // False when the database could not be opened again afterwards: the
    // program cannot go on.
    bool reopened = true;
    // A backup refused because the folder holds one that was to be kept.
    bool existingBackupKept = false;
    // A restore refused because the backup is under a password of its own
    // and none was given, or the one given does not open its key file.
    bool needsPassword = false;
};

// What a backup does with a backup already in its folder.
enum class ExistingBackup { Refuse, Replace };

// The sentence saying that the folder already holds a backup and when it was
// written, such as: The folder "/media/usb/b" already holds a backup, written
// 12/08/2026 10:15. Empty text when it holds none.
QString existingBackupIn(const QString &folder);

// A backup works on dm1, which must be connected, and leaves it connected.
// A restore takes a folder holding a backup, or a data file itself (a file
// kept under Replaced, say, whose key file is the one of the same name
// ending in .key beside it). It works on dm1 connected, or on dm1 whose data
// file did not open (DataFileUnopenable); either way the data is open after
// a restore that succeeded. password is the backup's own, asked for when a
// restore came back with needsPassword; at start, before any key is known,
// it is also tried on the current key file. The caller wipes it.
DataFileResult BackupDataFile(const QString &folder, ExistingBackup existing);
DataFileResult RestoreDataFile(const QString &folder, const SecretBytes &password = SecretBytes());

// Completes a restore of a data file with its key file that a kill cut
// short (see above); nothing when there is none. The directory must be
// reserved. Throws EngineError when the record cannot be carried out.
void finishInterruptedRestore(const QString &dataDir);

// A data file kept under Replaced: set aside by a restore, or copied there
// before an upgrade.
struct KeptDataFile {
    QString file;
    QDateTime kept;         // when it was set aside
    qint64 size = 0;
    int upgradedFrom = -1;  // the data version it had when kept before an upgrade, else -1
    // What it holds, read under the key without changing it; -1 when it
    // cannot be opened, and problem says why.
    int clients = -1;
    int statements = -1;
    QString problem;
    // It does not open under the current data key or the old built-in one,
    // but a key file of its own stands beside it: restoring it asks for the
    // password it was kept under.
    bool ownKeyFile = false;
};
// Every data file kept under the data directory's Replaced folder, newest first.
std::vector<KeptDataFile> keptDataFiles(const QString &dataDir);

// The name of the data file in a backup folder and of the folder that
// keeps replaced data files in the data directory.
inline constexpr const char *BackupFileName = "nettora.db";
inline constexpr const char *BackupKeyFileName = "nettora.key";
inline constexpr const char *ReplacedFolderName = "Replaced";

}  // namespace nettora
