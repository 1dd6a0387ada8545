// Restoring the data file from a backup, keeping the data it replaces.
#include "data/data_backup.h"

#include "data/data_backup_shared.h"
#include "data/data_key.h"
#include "data/data_rekey.h"
#include "data/datamodule.h"
#include "data/db_functions.h"
#include "data/durable_file.h"
#include "data/engine_error.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nettora {

using namespace backup_detail;

namespace {

// A free name for the kept file: the time of the restore, numbered when a
// restore in the same second kept one already.
QString keptName(int dirFd)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 0;; ++n) {
        const QString name = n == 0 ? QStringLiteral("nettora-%1.db").arg(stamp)
                                    : QStringLiteral("nettora-%1-%2.db").arg(stamp).arg(n);
        // Its key file, should one be kept with it, takes the same name.
        struct stat st {};
        if (::fstatat(dirFd, encoded(name).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT
            && ::fstatat(dirFd, encoded(keyFileNameFor(name)).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0
            && errno == ENOENT)
            return name;
    }
}

// Keeps a file of one folder under a name in another: a second name for the
// same file where the file system allows, else a flushed copy.
void keepFileAt(int fromDir, const QString &fromName, const QString &fromPath, int toDir, const QString &toName)
{
    const QByteArray to = encoded(toName);
    if (::linkat(fromDir, encoded(fromName).constData(), toDir, to.constData(), 0) != 0) {
        const QString temporary = copyToTemporaryAt(fromDir, fromName, fromPath, toDir, kRestorePrefix);
        if (const int error = renameReplacingAt(toDir, temporary, toDir, toName)) {
            ::unlinkat(toDir, encoded(temporary).constData(), 0);
            throw Failure{QStringLiteral("The copy cannot be put in place (%1).").arg(errnoText(error))};
        }
    }
    syncFolderAt(toDir);
}

// Keeps the data file under Replaced/.
void keepFile(const DataFileLocation &data, int replacedFd, const QString &name)
{
    keepFileAt(data.dir.get(), data.name, data.path, replacedFd, name);
}

// Moves a file to another folder: renamed where both are on one drive,
// else kept there and removed here.
void moveFile(int fromDir, const QString &fromName, const QString &fromPath, int toDir, const QString &toName)
{
    const int error = renameReplacingAt(fromDir, fromName, toDir, toName);
    if (error == 0)
        return;
    if (error != EXDEV)
        throw Failure{QStringLiteral("\"%1\" cannot be moved (%2).").arg(fromPath, errnoText(error))};
    keepFileAt(fromDir, fromName, fromPath, toDir, toName);
    if (::unlinkat(fromDir, encoded(fromName).constData(), 0) != 0)
        throw Failure{QStringLiteral("\"%1\" cannot be removed (%2).").arg(fromPath, errnoText(errno))};
}

const char *const kLogSuffixes[] = {"-wal", "-journal"};

// The logs beside a data file that did not open belong to it: they go with
// its kept copy, so that none is ever read into the file put in its place.
// Returns the suffixes moved.
void moveLogsBack(const DataFileLocation &data, int replacedFd, const QString &keptFile, const QStringList &moved);

QStringList moveLogsAside(const DataFileLocation &data, int replacedFd, const QString &keptFile)
{
    QStringList moved;
    try {
        for (const char *suffix : kLogSuffixes) {
            const QString name = data.name + QLatin1String(suffix);
            struct stat st {};
            if (::fstatat(data.dir.get(), encoded(name).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            moveFile(data.dir.get(), name, data.path + QLatin1String(suffix), replacedFd,
                     keptFile + QLatin1String(suffix));
            moved << QLatin1String(suffix);
        }
    } catch (const Failure &) {
        moveLogsBack(data, replacedFd, keptFile, moved);
        throw;
    }
    // The shared-memory index holds no data and is made afresh.
    ::unlinkat(data.dir.get(), encoded(data.name + QStringLiteral("-shm")).constData(), 0);
    syncFolderAt(data.dir.get());
    return moved;
}

// Best effort: the logs go back beside the data file they belong to.
void moveLogsBack(const DataFileLocation &data, int replacedFd, const QString &keptFile, const QStringList &moved)
{
    for (const QString &suffix : moved) {
        try {
            moveFile(replacedFd, keptFile + suffix, keptFile + suffix, data.dir.get(), data.name + suffix);
        } catch (const Failure &) {
        }
    }
}

// Puts a kept file back under its name in another folder, in one step.
bool putBackAt(int replacedFd, const QString &keptFile, int toDir, const QString &toName)
{
    QString temporary;
    try {
        UniqueFd copy = createTemporary(toDir, kRestorePrefix, &temporary);
        copy.reset();
        ::unlinkat(toDir, encoded(temporary).constData(), 0);
        if (::linkat(replacedFd, encoded(keptFile).constData(), toDir, encoded(temporary).constData(), 0) != 0) {
            UniqueFd from(::openat(replacedFd, encoded(keptFile).constData(), O_RDONLY | O_CLOEXEC));
            UniqueFd to(::openat(toDir, encoded(temporary).constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
            if (!from.valid() || !to.valid())
                return false;
            copyContents(from.get(), to.get(), keptFile);
            flushAndClose(to);
        }
        if (renameReplacingAt(toDir, temporary, toDir, toName) != 0)
            throw Failure{QString()};
        syncFolderAt(toDir);
        return true;
    } catch (const Failure &) {
        if (!temporary.isEmpty())
            ::unlinkat(toDir, encoded(temporary).constData(), 0);
        return false;
    }
}

// Puts the kept file back under the data file's name, in one step.
bool putBack(const DataFileLocation &data, int replacedFd, const QString &keptFile)
{
    return putBackAt(replacedFd, keptFile, data.dir.get(), data.name);
}

// The record of a swap of the data file and its key file, in the data
// directory: one line per rename, "from<TAB>to", an empty from for a file
// that goes (kept under Replaced already). Written in full before the first
// rename; whoever finds it carries it out, the start or the restore itself.
const QString kSwapRecord = QStringLiteral(".nettora-swap");

void writeSwapRecord(const QString &dataDir, const QStringList &lines)
{
    QString why;
    UniqueFd dir = openFolder(dataDir, false, &why);
    if (!dir.valid())
        throw Failure{QStringLiteral("The data directory cannot be opened (%1).").arg(why)};
    for (const QString &line : lines)
        if (line.contains(QLatin1Char('\n')) || line.count(QLatin1Char('\t')) != 1)
            throw Failure{QStringLiteral("The data directory's path cannot be written in the record of the swap.")};
    QString temporary;
    UniqueFd f = createTemporary(dir.get(), kRestorePrefix, &temporary);
    const QByteArray text = lines.join(QLatin1Char('\n')).toUtf8() + '\n';
    try {
        if (::write(f.get(), text.constData(), size_t(text.size())) != text.size())
            throw Failure{QStringLiteral("The record of the swap cannot be written (%1).").arg(errnoText(errno))};
        flushAndClose(f);
        if (const int error = renameReplacingAt(dir.get(), temporary, dir.get(), kSwapRecord))
            throw Failure{QStringLiteral("The record of the swap cannot be written (%1).").arg(errnoText(error))};
    } catch (const Failure &) {
        ::unlinkat(dir.get(), encoded(temporary).constData(), 0);
        throw;
    }
    syncFolderAt(dir.get());
}

// A backup from before the key file, checked under the old key: the same
// data written anew under the data key, checked, in place of the copy.
QString moveToDataKey(int dirFd, const QString &copy, const SecretBytes &dataKey)
{
    QString moved;
    createTemporary(dirFd, kRestorePrefix, &moved).reset();
    ::unlinkat(dirFd, encoded(moved).constData(), 0);  // the export makes it
    try {
        Database old;
        old.open(pathIn(dirFd, copy), QLatin1String(Tdm1::LegacyTablePassword));
        exportUnderKey(old, pathIn(dirFd, moved), dataKey);
        old.exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
        old.close();
        checkCopy(pathIn(dirFd, moved), dataKey);
        syncFile(pathIn(dirFd, moved));
    } catch (const EngineError &e) {
        ::unlinkat(dirFd, encoded(moved).constData(), 0);
        removeSidecarsAt(dirFd, moved);
        throw Failure{QStringLiteral("it could not be moved to the current data key (%1)").arg(e.text())};
    }
    ::unlinkat(dirFd, encoded(copy).constData(), 0);
    removeSidecarsAt(dirFd, copy);
    ::fchmodat(dirFd, encoded(moved).constData(), 0600, 0);
    return moved;
}

// Opens the restored data under the key it is under, as the reopen after a
// restore; the text of the failure, or empty.
QString reopenUnder(SecretBytes dataKey)
{
    return reopenWith([&dataKey] { dm1->OpenRestoredData(std::move(dataKey)); });
}

// What the check found the backup to be under.
enum class Fit {
    CurrentKey,  // the current data key: the data file alone
    OwnKey,      // its own key file: the data file and key file together
    OldKey,      // the old built-in key, moved to the current data key
};

}  // namespace

void finishInterruptedRestore(const QString &dataDir)
{
    const QString record = QDir(dataDir).filePath(kSwapRecord);
    QFile f(record);
    if (!f.exists())
        return;
    const auto failed = [&](const QString &why) {
        return EngineError(QStringLiteral("A restore cut short in \"%1\" cannot be completed: %2. Restore the data "
                                          "again from the backup, or from the files kept in its Replaced folder.")
                               .arg(dataDir, why));
    };
    if (!f.open(QIODevice::ReadOnly))
        throw failed(f.errorString());
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    f.close();
    for (const QString &line : lines) {
        const QStringList parts = line.split(QLatin1Char('\t'));
        if (parts.size() != 2 || parts[1].isEmpty())
            throw failed(QStringLiteral("its record \"%1\" is damaged").arg(record));
        const QByteArray to = encoded(parts[1]);
        if (parts[0].isEmpty()) {
            if (::unlink(to.constData()) != 0 && errno != ENOENT)
                throw failed(errnoText(errno));
        } else if (QFileInfo::exists(parts[0])) {
            if (const int error = renameReplacing(parts[0], parts[1]))
                throw failed(errnoText(error));
        }
        syncFolder(QFileInfo(parts[1]).path());
    }
    QFile::remove(record);
    syncFolder(dataDir);
}

DataFileResult RestoreDataFile(const QString &folder, const SecretBytes &password)
{
    DataFileResult result;
    // A folder holding a backup, or a data file itself: a file kept under
    // Replaced goes back the same way.
    QString where = folder;
    QByteArray fileName(BackupFileName);
    if (const QFileInfo given(folder); given.isFile()) {
        where = given.absolutePath();
        fileName = QFile::encodeName(given.fileName());
    }
    const QString backup =
        QDir::cleanPath(QDir(where).absoluteFilePath(QFile::decodeName(fileName)));
    const QString backupKeyFile = keyFileNameFor(backup);
    const QString unchanged = QStringLiteral(" Nothing was changed.");
    const auto refuse = [&](const QString &what) {
        result.text = QStringLiteral("The backup \"%1\" cannot be restored: %2.").arg(backup, what) + unchanged;
        return result;
    };
    QString why;
    UniqueFd from;
    {
        UniqueFd dir = openFolder(where, false, &why);
        if (!dir.valid()) {
            result.text = QStringLiteral("The folder \"%1\" cannot be opened (%2).").arg(where, why) + unchanged;
            return result;
        }
        struct stat st {};
        if (::fstatat(dir.get(), fileName.constData(), &st, 0) != 0) {
            if (errno != ENOENT)
                return refuse(errnoText(errno));
            result.text = QStringLiteral("The folder \"%1\" holds no Nettora backup: there is no file named %2 in it.")
                              .arg(where, QLatin1String(BackupFileName)) + unchanged;
            return result;
        }
        if (!S_ISREG(st.st_mode))
            return refuse(QStringLiteral("it is not a regular file"));
        if (st.st_size == 0)
            return refuse(QStringLiteral("it is empty"));
        from = UniqueFd(::openat(dir.get(), fileName.constData(), O_RDONLY | O_CLOEXEC));
        if (!from.valid())
            return refuse(QStringLiteral("it cannot be read (%1)").arg(errnoText(errno)));
    }

    // The data in use, or a data file that did not open at start.
    const bool wasOpen = dm1->dataOpen();
    const QString dataDir = dm1->ACon1.connectPath();
    const QString currentKeyFile = keyFilePath(dataDir);
    // The key the current data is under: the one it is open under, or the one
    // the login password unsealed before the data file failed to open.
    SecretBytes current = wasOpen ? dm1->dataKey().clone() : dm1->unopenedDataKey().clone();
    DataFileLocation data;
    UniqueFd replaced, keyDir;
    QString temporary, keyTemporary, keptFile, keptKey;
    QStringList logsMoved;
    bool closed = false;
    Fit fit = Fit::CurrentKey;
    SecretBytes restoredKey;  // the key the restored data is under; empty: the old one
    bool keyFileGoes = false;  // the current key file goes to Replaced with the data
    bool keyFileComes = false;  // the backup's key file takes the current one's place
    const auto dropCopies = [&] {
        if (!temporary.isEmpty()) {
            ::unlinkat(data.dir.get(), encoded(temporary).constData(), 0);
            removeSidecarsAt(data.dir.get(), temporary);
            temporary.clear();
        }
        if (!keyTemporary.isEmpty()) {
            ::unlinkat(keyDir.get(), encoded(keyTemporary).constData(), 0);
            keyTemporary.clear();
        }
    };
    try {
        if (!wasOpen) {
            try {
                dm1->ACon1.reserve();
            } catch (const EngineError &e) {
                throw Failure{e.text()};
            }
        }
        // At start, before any login, the password given may be the current one.
        if (current.empty() && !password.empty() && QFileInfo::exists(currentKeyFile)) {
            try {
                current = unwrapWithPassword(currentKeyFile, password);
            } catch (const EngineError &) {
            }
        }
        data = locateDataFile(dataDir);
        keyDir = openFolder(dataDir, false, &why);
        if (!keyDir.valid())
            throw Failure{QStringLiteral("The data directory \"%1\" cannot be opened (%2).").arg(dataDir, why)};
        struct stat a {}, b {};
        if (::fstat(from.get(), &a) == 0 && ::fstatat(data.dir.get(), encoded(data.name).constData(), &b, 0) == 0
            && a.st_dev == b.st_dev && a.st_ino == b.st_ino)
            return refuse(QStringLiteral("it is the data file in use itself"));
        // A swap of an earlier restore still on record is completed first:
        // its files are named as leftovers are.
        try {
            finishInterruptedRestore(dataDir);
        } catch (const EngineError &e) {
            throw Failure{e.text()};
        }
        removeLeftovers(data.dir.get(), kRestorePrefix);
        removeLeftovers(keyDir.get(), kRestorePrefix);

        // The copy that will be put in place is what is checked.
        UniqueFd copy = createTemporary(data.dir.get(), kRestorePrefix, &temporary);
        runStep(DataFileStep::Copy);
        copyContents(from.get(), copy.get(), backup);
        runStep(DataFileStep::Flush);
        flushAndClose(copy);
        runStep(DataFileStep::Check);
        const QString copyPath = pathIn(data.dir.get(), temporary);
        bool opened = false;
        QString problem;
        if (!current.empty())
            problem = dataFileProblem(copyPath, current, CheckDepth::Full, &opened);
        if (opened) {
            // The same data as now, its password possibly changed since.
            if (!problem.isEmpty()) {
                dropCopies();
                return refuse(problem);
            }
            restoredKey = current.clone();
        } else if (QFileInfo(backupKeyFile).isFile()) {
            // Under a key file of its own: its password unseals the key.
            if (password.empty()) {
                dropCopies();
                result.needsPassword = true;
                // Before any login the current password is not known either.
                result.text = (current.empty()
                                   ? QStringLiteral("The backup \"%1\" has a key file of its own: enter the password it "
                                                    "was made with to restore it.")
                                   : QStringLiteral("The backup \"%1\" was made under another password than the current "
                                                    "one: enter the password it was made with to restore it."))
                                  .arg(backup) + unchanged;
                return result;
            }
            SecretBytes own;
            try {
                own = unwrapWithPassword(backupKeyFile, password);
            } catch (const WrongPassword &) {
                dropCopies();
                result.needsPassword = true;
                result.text = QStringLiteral("The password given does not open the backup \"%1\": enter the password it "
                                             "was made with.")
                                  .arg(backup) + unchanged;
                return result;
            } catch (const EngineError &e) {
                dropCopies();
                return refuse(QStringLiteral("its key file \"%1\" cannot be read (%2)").arg(backupKeyFile, e.text()));
            }
            problem = dataFileProblem(copyPath, own, CheckDepth::Full, &opened);
            if (!problem.isEmpty()) {
                dropCopies();
                return refuse(opened ? problem
                                     : QStringLiteral("it does not open under its key file \"%1\": the two do not "
                                                      "belong together")
                                           .arg(backupKeyFile));
            }
            fit = Fit::OwnKey;
            restoredKey = std::move(own);
            keyFileGoes = QFileInfo::exists(currentKeyFile);
            keyTemporary = copyToTemporary(backupKeyFile, keyDir.get(), kRestorePrefix);
            keyFileComes = true;
        } else {
            // A backup from before the key file, under the old built-in key.
            const QString underOldKey = dataFileProblem(copyPath, SecretBytes(), CheckDepth::Full, &opened);
            if (!underOldKey.isEmpty()) {
                dropCopies();
                return refuse(opened || current.empty() ? underOldKey : problem);
            }
            if (!current.empty()) {
                temporary = moveToDataKey(data.dir.get(), temporary, current);
                fit = Fit::OldKey;
                restoredKey = current.clone();
            } else if (QFileInfo::exists(currentKeyFile)) {
                // No current key is known (the start failed before any
                // login): the data goes back to before the key file, the key
                // file to Replaced, and the next login moves the data to a
                // key of its own.
                fit = Fit::OwnKey;
                keyFileGoes = true;
            }
        }

        if (wasOpen) {
            closeMerged();
            closed = true;
            if (!logIsEmpty(data))
                throw Failure{QStringLiteral("The data file's log could not be merged into it.")};
        } else {
            // Whatever a failed start left open goes; nothing of it is kept.
            CloseDatabase();
        }
        replaced = openFolder(QDir(dataDir).filePath(QLatin1String(ReplacedFolderName)), true, &why);
        if (!replaced.valid())
            throw Failure{QStringLiteral("The folder for the replaced data cannot be created (%1).").arg(why)};
        keptFile = keptName(replaced.get());
        if (::faccessat(data.dir.get(), encoded(data.name).constData(), F_OK, AT_SYMLINK_NOFOLLOW) == 0)
            keepFile(data, replaced.get(), keptFile);
        else
            keptFile.clear();  // nothing stood there to keep
        if (!wasOpen && !keptFile.isEmpty())
            logsMoved = moveLogsAside(data, replaced.get(), keptFile);
        if (!keptFile.isEmpty())
            result.file = QDir(QDir(dataDir).filePath(QLatin1String(ReplacedFolderName))).filePath(keptFile);
        if (keyFileGoes) {
            // Beside the data file it opens, under the same name.
            keptKey = keyFileNameFor(keptFile.isEmpty() ? keptName(replaced.get()) : keptFile);
            keepFileAt(keyDir.get(), QLatin1String(KeyFileName), currentKeyFile, replaced.get(), keptKey);
        }

        runStep(DataFileStep::Rename);
        if (fit == Fit::OwnKey) {
            // Both files change: the record first, so that a kill between the
            // renames is completed at the next start.
            const QString dataPath = QDir(QFileInfo(data.path).path()).filePath(data.name);
            writeSwapRecord(dataDir, {QDir(QFileInfo(data.path).path()).filePath(temporary) + QLatin1Char('\t') + dataPath,
                                      (keyTemporary.isEmpty() ? QString() : QDir(dataDir).filePath(keyTemporary))
                                          + QLatin1Char('\t') + currentKeyFile});
            temporary.clear();
            keyTemporary.clear();
            try {
                finishInterruptedRestore(dataDir);
            } catch (const EngineError &e) {
                result.reopened = false;
                result.text = QStringLiteral("The restore was cut short: %1").arg(e.text());
                return result;
            }
        } else {
            if (const int error = renameReplacingAt(data.dir.get(), temporary, data.dir.get(), data.name))
                throw Failure{QStringLiteral("The restored file cannot be put in place (%1).").arg(errnoText(error))};
            temporary.clear();
            syncFolderAt(data.dir.get());
        }
    } catch (const Failure &f) {
        dropCopies();
        moveLogsBack(data, replaced.get(), keptFile, logsMoved);
        // Nothing was replaced: the kept files are needless copies.
        if (replaced.valid())
            for (const QString &name : {keptFile, keptKey})
                if (!name.isEmpty())
                    ::unlinkat(replaced.get(), encoded(name).constData(), 0);
        result.file.clear();
        result.text = QStringLiteral("The backup \"%1\" was not restored: %2").arg(backup, f.text);
        if (closed) {
            if (const QString failed = reopen(); !failed.isEmpty()) {
                result.reopened = false;
                result.text += QStringLiteral(" The data could not be opened again (%1).").arg(failed);
                return result;
            }
        }
        result.text += unchanged;
        return result;
    }

    const QString failed = wasOpen && fit != Fit::OwnKey ? reopen() : reopenUnder(std::move(restoredKey));
    if (!failed.isEmpty()) {
        bool back = !keptFile.isEmpty() && putBack(data, replaced.get(), keptFile);
        if (back)
            moveLogsBack(data, replaced.get(), keptFile, logsMoved);
        if (back && fit == Fit::OwnKey)
            back = keptKey.isEmpty()
                       ? ::unlinkat(keyDir.get(), KeyFileName, 0) == 0 || errno == ENOENT
                       : putBackAt(replaced.get(), keptKey, keyDir.get(), QLatin1String(KeyFileName));
        // Data that did not open before is as it was once it is back.
        if (back && (!wasOpen || reopenUnder(std::move(current)).isEmpty())) {
            result.text = QStringLiteral("The restored data could not be opened (%1), so the data it replaced was put "
                                         "back. Nothing was changed.")
                              .arg(failed);
            result.file.clear();
            for (const QString &name : {keptFile, keptKey})
                if (!name.isEmpty())
                    ::unlinkat(replaced.get(), encoded(name).constData(), 0);
            return result;
        }
        result.reopened = false;
        result.text = QStringLiteral("The restored data could not be opened (%1), and the data it replaced could not "
                                     "be put back. It is kept as \"%2\".")
                          .arg(failed, result.file);
        return result;
    }
    result.ok = true;
    QStringList said;
    if (wasOpen)
        said << QStringLiteral("The data it replaced was kept as \"%1\"; restoring that file brings it back.")
                    .arg(result.file);
    else if (!result.file.isEmpty())
        said << QStringLiteral("The data file it replaced, which did not open, was kept as \"%1\".").arg(result.file);
    if (!keptKey.isEmpty())
        said << QStringLiteral("Its key file was kept beside it as \"%1\".")
                    .arg(QDir(QDir(dataDir).filePath(QLatin1String(ReplacedFolderName))).filePath(keptKey));
    if (keyFileComes)
        said << QStringLiteral("The restored data keeps its own password: log in with the password it was backed up "
                               "with.");
    else if (fit == Fit::OwnKey)
        said << QStringLiteral("The restored data is from before the key file: log in with the password it was backed "
                               "up with.");
    else if (fit == Fit::OldKey)
        said << QStringLiteral("The backup was made before the data had a key file; the restored data was moved to "
                               "the current data key and opens with the current password.");
    result.text = said.join(QLatin1Char(' '));
    return result;
}

}  // namespace nettora
