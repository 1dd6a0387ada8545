#pragma once
// Backing up and restoring the data file, shared by the backup and restore
// windows and nettora-cli.
//
// The data directory holds one encrypted data file, so a backup is one copy
// of it: the write-ahead log merged into the file, the database closed (the
// directory stays locked for this copy of the program), the file copied under
// a temporary name into the backup folder, the database reopened, the copy
// flushed, opened on its own under the key and checked (see CheckDepth), and
// only then renamed to nettora.db, replacing an older backup in that folder.
// The copy stays encrypted; the lock file and temporary files are never copied.
//
// A restore checks what it brings before it touches anything: the backup's
// data file is copied under a temporary name into the data directory,
// flushed and checked (key, integrity, this program's tables). Only then is
// the database closed, the current file kept under Replaced/, the copy
// renamed over the data file and the database reopened; when the reopen
// fails the kept file is put back. A kill at any moment leaves either the
// old or the new data file whole under its name; the temporary files a kill
// leaves behind are named so that the start ignores them, and the next
// restore or backup removes them.
//
// Folders are reached one name at a time from open folder handles, so paths
// of any length work. Nothing here shows a message: results carry the
// sentences for the caller.

#include <QString>
#include <functional>

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
// table password, passes the check and holds the 22 tables with their
// fields. Sidecar files the check leaves beside the file are removed.
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
};

// Both work on dm1, which must be connected, and leave it connected. A
// restore takes a folder holding a backup, or a data file itself (a file
// kept under Replaced, say).
DataFileResult BackupDataFile(const QString &folder);
DataFileResult RestoreDataFile(const QString &folder);

// The name of the data file in a backup folder and of the folder that
// keeps replaced data files in the data directory.
inline constexpr const char *BackupFileName = "nettora.db";
inline constexpr const char *ReplacedFolderName = "Replaced";

}  // namespace nettora
