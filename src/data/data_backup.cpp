// Backing the data file up into a folder.
#include "data/data_backup.h"

#include "data/data_backup_shared.h"
#include "data/data_key.h"
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

QString existingBackupSentence(int dirFd, const QString &folder)
{
    struct stat st {};
    if (::fstatat(dirFd, BackupFileName, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
        return QString();
    const QDateTime written = QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec);
    return QStringLiteral("The folder \"%1\" already holds a backup, written %2.")
        .arg(QDir::cleanPath(folder), written.toString(QStringLiteral("MM/dd/yyyy HH:mm")));
}

// Renames only where the target name is free; drives whose file system has
// no such rename take a plain one, the name having been free a moment ago.
bool renameWithoutReplacing(int dirFd, const QString &from, const char *to, bool *taken)
{
    const QByteArray f = encoded(from);
    if (::renameat2(dirFd, f.constData(), dirFd, to, RENAME_NOREPLACE) == 0)
        return true;
    *taken = errno == EEXIST;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    *taken = false;
    return ::renameat(dirFd, f.constData(), dirFd, to) == 0;
}

}  // namespace

QString existingBackupIn(const QString &folder)
{
    QString why;
    const UniqueFd dir = openFolder(folder, false, &why);
    if (!dir.valid())
        return QString();
    // The data directory holds the data file, not a backup.
    try {
        if (sameObject(dir.get(), locateDataFile(dm1->ACon1.connectPath()).dir.get()))
            return QString();
    } catch (const Failure &) {
    }
    return existingBackupSentence(dir.get(), folder);
}

DataFileResult BackupDataFile(const QString &folder, ExistingBackup existing)
{
    DataFileResult result;
    const QString target = QDir::cleanPath(QDir(folder).absoluteFilePath(QLatin1String(BackupFileName)));
    const QString kept = QStringLiteral(" The data is unchanged.");
    QString why;
    UniqueFd dir = openFolder(folder, true, &why);
    if (!dir.valid()) {
        result.text = QStringLiteral("The backup folder \"%1\" cannot be opened or created (%2). No backup was written.")
                          .arg(folder, why) + kept;
        return result;
    }
    bool closed = false;
    QString temporary, keyTemporary;
    bool hadEarlier = false, earlierRemoved = false;
    try {
        DataFileLocation source = locateDataFile(dm1->ACon1.connectPath());
        if (sameObject(dir.get(), source.dir.get()))
            throw Failure{QStringLiteral("The backup folder is the data directory itself; choose another folder.")};
        struct stat earlier {};
        hadEarlier = ::fstatat(dir.get(), BackupFileName, &earlier, AT_SYMLINK_NOFOLLOW) == 0;
        if (const QString bad = notRegular(dir.get(), QLatin1String(BackupFileName)); !bad.isEmpty())
            throw Failure{QStringLiteral("\"%1\" cannot be replaced: %2.").arg(target, bad)};
        if (existing == ExistingBackup::Refuse && hadEarlier) {
            result.existingBackupKept = true;
            result.text = existingBackupSentence(dir.get(), folder) + QStringLiteral(" No backup was written.") + kept;
            return result;
        }
        removeLeftovers(dir.get(), kBackupPrefix);
        // The key file goes with the data: a data file from before the key
        // file has none.
        const QString keyFile = keyFilePath(dm1->ACon1.connectPath());
        if (QFileInfo::exists(keyFile)) {
            runStep(DataFileStep::Copy);
            keyTemporary = copyToTemporary(keyFile, dir.get(), kBackupPrefix);
        }

        closeMerged();
        closed = true;
        if (!logIsEmpty(source))
            throw Failure{QStringLiteral("The data file's log could not be merged into it.")};
        UniqueFd copy = createTemporary(dir.get(), kBackupPrefix, &temporary);
        {
            runStep(DataFileStep::Copy);
            UniqueFd from(::openat(source.dir.get(), encoded(source.name).constData(), O_RDONLY | O_CLOEXEC));
            if (!from.valid())
                throw Failure{QStringLiteral("\"%1\" cannot be read (%2).").arg(source.path, errnoText(errno))};
            copyContents(from.get(), copy.get(), source.path);
        }
        // The data is back in use as soon as its copy is taken.
        closed = false;
        if (const QString failed = reopen(); !failed.isEmpty()) {
            result.reopened = false;
            throw Failure{QStringLiteral("The data could not be opened again after it was copied (%1).").arg(failed)};
        }
        runStep(DataFileStep::Flush);
        flushAndClose(copy);
        runStep(DataFileStep::Check);
        if (const QString problem = dataFileProblem(pathIn(dir.get(), temporary), CheckDepth::Quick); !problem.isEmpty())
            throw Failure{QStringLiteral("The copy did not pass the check: %1.").arg(problem)};
        runStep(DataFileStep::Rename);
        if (const QString bad = notRegular(dir.get(), QLatin1String(BackupFileName)); !bad.isEmpty())
            throw Failure{QStringLiteral("\"%1\" cannot be replaced: %2.").arg(target, bad)};
        // The key file first, the data file's name last: until the data file
        // stands, the pair is no backup. A backup being replaced goes first,
        // so that its data file never stands beside the new key file.
        if (existing == ExistingBackup::Replace) {
            if (::unlinkat(dir.get(), BackupFileName, 0) == 0)
                earlierRemoved = hadEarlier;
            else if (errno != ENOENT)
                throw Failure{QStringLiteral("\"%1\" cannot be replaced (%2).").arg(target, errnoText(errno))};
        }
        bool keyPlaced = false;
        if (!keyTemporary.isEmpty()) {
            if (const int error = renameReplacingAt(dir.get(), keyTemporary, dir.get(), QLatin1String(BackupKeyFileName)))
                throw Failure{QStringLiteral("The key file cannot be put in place (%1).").arg(errnoText(error))};
            keyTemporary.clear();
            keyPlaced = true;
        } else {
            // A key file of an earlier backup belongs to no data file now.
            ::unlinkat(dir.get(), BackupKeyFileName, 0);
        }
        bool taken = false;
        const bool renamed = existing == ExistingBackup::Replace
                                 ? renameReplacingAt(dir.get(), temporary, dir.get(), QLatin1String(BackupFileName)) == 0
                                 : renameWithoutReplacing(dir.get(), temporary, BackupFileName, &taken);
        if (!renamed && keyPlaced)
            ::unlinkat(dir.get(), BackupKeyFileName, 0);
        if (taken) {
            result.existingBackupKept = true;
            throw Failure{existingBackupSentence(dir.get(), folder)};
        }
        if (!renamed)
            throw Failure{QStringLiteral("The copy cannot be put in place (%1).").arg(errnoText(errno))};
        temporary.clear();
        syncFolderAt(dir.get());
    } catch (const Failure &f) {
        if (!temporary.isEmpty()) {
            ::unlinkat(dir.get(), encoded(temporary).constData(), 0);
            removeSidecarsAt(dir.get(), temporary);
        }
        if (!keyTemporary.isEmpty())
            ::unlinkat(dir.get(), encoded(keyTemporary).constData(), 0);
        if (closed) {
            if (const QString failed = reopen(); !failed.isEmpty()) {
                result.reopened = false;
                result.text = f.text + QStringLiteral(" The data could not be opened again (%1).").arg(failed);
                return result;
            }
        }
        result.text = f.text + QStringLiteral(" No new backup was written.");
        if (earlierRemoved)
            result.text += QStringLiteral(" The earlier backup in that folder was removed already.");
        else if (hadEarlier)
            result.text += QStringLiteral(" The earlier backup in that folder is as it was.");
        if (result.reopened)
            result.text += kept;
        return result;
    }
    result.ok = true;
    result.file = target;
    return result;
}

}  // namespace nettora
