// Restoring the data file from a backup, keeping the data it replaces.
#include "data/data_backup.h"

#include "data/data_backup_shared.h"
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
        struct stat st {};
        if (::fstatat(dirFd, encoded(name).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT)
            return name;
    }
}

// Keeps a file of one folder under a name in another: a second name for the
// same file where the file system allows, else a flushed copy.
void keepFileAt(int fromDir, const QString &fromName, const QString &fromPath, int toDir, const QString &toName)
{
    const QByteArray to = encoded(toName);
    if (::linkat(fromDir, encoded(fromName).constData(), toDir, to.constData(), 0) != 0) {
        UniqueFd from(::openat(fromDir, encoded(fromName).constData(), O_RDONLY | O_CLOEXEC));
        if (!from.valid())
            throw Failure{QStringLiteral("\"%1\" cannot be read (%2).").arg(fromPath, errnoText(errno))};
        QString temporary;
        UniqueFd copy = createTemporary(toDir, kRestorePrefix, &temporary);
        try {
            copyContents(from.get(), copy.get(), fromPath);
            flushAndClose(copy);
            if (const int error = renameReplacingAt(toDir, temporary, toDir, toName))
                throw Failure{QStringLiteral("The copy cannot be put in place (%1).").arg(errnoText(error))};
        } catch (...) {
            ::unlinkat(toDir, encoded(temporary).constData(), 0);
            throw;
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

// Puts the kept file back under the data file's name, in one step.
bool putBack(const DataFileLocation &data, int replacedFd, const QString &keptFile)
{
    QString temporary;
    try {
        UniqueFd copy = createTemporary(data.dir.get(), kRestorePrefix, &temporary);
        copy.reset();
        ::unlinkat(data.dir.get(), encoded(temporary).constData(), 0);
        if (::linkat(replacedFd, encoded(keptFile).constData(), data.dir.get(), encoded(temporary).constData(), 0)
            != 0) {
            UniqueFd from(::openat(replacedFd, encoded(keptFile).constData(), O_RDONLY | O_CLOEXEC));
            UniqueFd to(::openat(data.dir.get(), encoded(temporary).constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
            if (!from.valid() || !to.valid())
                return false;
            copyContents(from.get(), to.get(), keptFile);
            flushAndClose(to);
        }
        if (renameReplacingAt(data.dir.get(), temporary, data.dir.get(), data.name) != 0)
            throw Failure{QString()};
        syncFolderAt(data.dir.get());
        return true;
    } catch (const Failure &) {
        if (!temporary.isEmpty())
            ::unlinkat(data.dir.get(), encoded(temporary).constData(), 0);
        return false;
    }
}

}  // namespace

DataFileResult RestoreDataFile(const QString &folder)
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
    DataFileLocation data;
    UniqueFd replaced;
    QString temporary, keptFile;
    QStringList logsMoved;
    bool closed = false;
    try {
        if (!wasOpen) {
            try {
                dm1->ACon1.reserve();
            } catch (const EngineError &e) {
                throw Failure{e.text()};
            }
        }
        data = locateDataFile(dm1->ACon1.connectPath());
        struct stat a {}, b {};
        if (::fstat(from.get(), &a) == 0 && ::fstatat(data.dir.get(), encoded(data.name).constData(), &b, 0) == 0
            && a.st_dev == b.st_dev && a.st_ino == b.st_ino)
            return refuse(QStringLiteral("it is the data file in use itself"));
        removeLeftovers(data.dir.get(), kRestorePrefix);

        // The copy that will be put in place is what is checked.
        UniqueFd copy = createTemporary(data.dir.get(), kRestorePrefix, &temporary);
        runStep(DataFileStep::Copy);
        copyContents(from.get(), copy.get(), backup);
        runStep(DataFileStep::Flush);
        flushAndClose(copy);
        runStep(DataFileStep::Check);
        if (const QString problem = dataFileProblem(pathIn(data.dir.get(), temporary)); !problem.isEmpty()) {
            ::unlinkat(data.dir.get(), encoded(temporary).constData(), 0);
            temporary.clear();
            return refuse(problem);
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
        replaced = openFolder(QDir(dm1->ACon1.connectPath()).filePath(QLatin1String(ReplacedFolderName)), true, &why);
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
            result.file =
                QDir(QDir(dm1->ACon1.connectPath()).filePath(QLatin1String(ReplacedFolderName))).filePath(keptFile);

        runStep(DataFileStep::Rename);
        if (const int error = renameReplacingAt(data.dir.get(), temporary, data.dir.get(), data.name))
            throw Failure{QStringLiteral("The restored file cannot be put in place (%1).").arg(errnoText(error))};
        temporary.clear();
        syncFolderAt(data.dir.get());
    } catch (const Failure &f) {
        if (!temporary.isEmpty()) {
            ::unlinkat(data.dir.get(), encoded(temporary).constData(), 0);
            removeSidecarsAt(data.dir.get(), temporary);
        }
        moveLogsBack(data, replaced.get(), keptFile, logsMoved);
        // Nothing was replaced: the kept file is a needless copy.
        if (!keptFile.isEmpty() && replaced.valid())
            ::unlinkat(replaced.get(), encoded(keptFile).constData(), 0);
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

    if (const QString failed = reopen(); !failed.isEmpty()) {
        const bool back = !keptFile.isEmpty() && putBack(data, replaced.get(), keptFile);
        if (back)
            moveLogsBack(data, replaced.get(), keptFile, logsMoved);
        // Data that did not open before is as it was once it is back.
        if (back && (!wasOpen || reopen().isEmpty())) {
            result.text = QStringLiteral("The restored data could not be opened (%1), so the data it replaced was put "
                                         "back. Nothing was changed.")
                              .arg(failed);
            result.file.clear();
            ::unlinkat(replaced.get(), encoded(keptFile).constData(), 0);
            return result;
        }
        result.reopened = false;
        result.text = QStringLiteral("The restored data could not be opened (%1), and the data it replaced could not "
                                     "be put back. It is kept as \"%2\".")
                          .arg(failed, result.file);
        return result;
    }
    result.ok = true;
    if (wasOpen)
        result.text = QStringLiteral("The data it replaced was kept as \"%1\"; restoring that file brings it back.")
                          .arg(result.file);
    else if (!result.file.isEmpty())
        result.text = QStringLiteral("The data file it replaced, which did not open, was kept as \"%1\".")
                          .arg(result.file);
    return result;
}

}  // namespace nettora
