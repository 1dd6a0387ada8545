#include "data/data_backup.h"

#include "data/datamodule.h"
#include "data/db_functions.h"
#include "data/engine.h"
#include "data/engine_error.h"
#include "data/failure_cause.h"
#include "data/schema.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>
#include <algorithm>

#include <sqlcipher/sqlite3.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nettora {

namespace {

DataFileStepHook &stepHook()
{
    static DataFileStepHook hook;
    return hook;
}

// A failure with the sentence for the user.
struct Failure {
    QString text;
};

QString errnoText(int code)
{
    return systemCause(code);
}

void runStep(DataFileStep step)
{
    if (stepHook())
        if (const QString why = stepHook()(step); !why.isEmpty())
            throw Failure{why};
}

// An open descriptor that closes itself.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(Fd &&o) noexcept : m_fd(o.m_fd) { o.m_fd = -1; }
    Fd &operator=(Fd &&o) noexcept
    {
        if (this != &o) {
            reset();
            m_fd = o.m_fd;
            o.m_fd = -1;
        }
        return *this;
    }
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    void reset()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    // Closes and reports a failure of the close itself (a late write error).
    int closeChecked()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd >= 0 ? ::close(fd) : 0;
    }

private:
    int m_fd = -1;
};

QByteArray encoded(const QString &name)
{
    return QFile::encodeName(name);
}

// Opens a folder by walking its path one name at a time from the root, so
// that no single call sees the whole path however long it is; missing
// folders are created (readable by their owner only) when asked.
Fd openFolder(const QString &path, bool create, QString *why)
{
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    Fd fd(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) {
        *why = errnoText(errno);
        return {};
    }
    for (const QString &name : clean.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const QByteArray n = encoded(name);
        int next = ::openat(fd.get(), n.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (next < 0 && errno == ENOENT && create) {
            if (::mkdirat(fd.get(), n.constData(), 0700) != 0 && errno != EEXIST) {
                *why = errnoText(errno);
                return {};
            }
            ::fsync(fd.get());
            next = ::openat(fd.get(), n.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        }
        if (next < 0) {
            *why = errno == ENOTDIR ? QStringLiteral("\"%1\" is not a folder").arg(name) : errnoText(errno);
            return {};
        }
        fd = Fd(next);
    }
    return fd;
}

bool sameObject(int a, int b)
{
    struct stat sa {}, sb {};
    return ::fstat(a, &sa) == 0 && ::fstat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// A path the engine can open for a file in a folder held open, short
// whatever the folder's own path is.
QString pathIn(int dirFd, const QString &name)
{
    return QStringLiteral("/proc/self/fd/%1/%2").arg(dirFd).arg(name);
}

void removeSidecarsAt(int dirFd, const QString &name)
{
    for (const char *suffix : {"-wal", "-shm", "-journal"})
        ::unlinkat(dirFd, encoded(name + QLatin1String(suffix)).constData(), 0);
}

// Removes what an interrupted backup or restore left in the folder: files
// with the given prefix, and their sidecars.
void removeLeftovers(int dirFd, const QString &prefix)
{
    const int dup = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dup < 0)
        return;
    QDir dir(pathIn(dup, QString()));
    const QStringList names = dir.entryList({prefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names)
        ::unlinkat(dirFd, encoded(name).constData(), 0);
    ::close(dup);
}

// A new file under a name nobody else uses, readable by its owner only.
Fd createTemporary(int dirFd, const QString &prefix, QString *name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = prefix + QString::number(QRandomGenerator::global()->generate64(), 36);
        const int fd = ::openat(dirFd, encoded(*name).constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            ::fchmod(fd, 0600);
            return Fd(fd);
        }
        if (errno != EEXIST)
            throw Failure{QStringLiteral("A file cannot be created there (%1).").arg(errnoText(errno))};
    }
    throw Failure{QStringLiteral("A file cannot be created there (no free name).")};
}

// Copies the whole of one open file into another; the kernel copies where
// it can, plain reads and writes elsewhere.
void copyContents(int from, int to, const QString &source)
{
    struct stat st {};
    if (::fstat(from, &st) != 0)
        throw Failure{QStringLiteral("\"%1\" cannot be read (%2).").arg(source, errnoText(errno))};
    off_t left = st.st_size;
    bool kernel = true;
    while (left > 0) {
        ssize_t n = -1;
        if (kernel) {
            n = ::copy_file_range(from, nullptr, to, nullptr, size_t(std::min<off_t>(left, 1 << 30)), 0);
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                kernel = false;
                continue;
            }
        } else {
            static thread_local std::vector<char> buffer(1 << 20);
            n = ::read(from, buffer.data(), buffer.size());
            if (n > 0) {
                for (ssize_t done = 0; done < n;) {
                    const ssize_t w = ::write(to, buffer.data() + done, size_t(n - done));
                    if (w < 0 && errno == EINTR)
                        continue;
                    if (w <= 0)
                        throw Failure{QStringLiteral("The copy cannot be written (%1).").arg(errnoText(errno))};
                    done += w;
                }
            }
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw Failure{QStringLiteral("The copy failed (%1).").arg(errnoText(errno))};
        if (n == 0)
            throw Failure{QStringLiteral("\"%1\" became shorter while it was copied.").arg(source)};
        left -= n;
    }
}

// Puts a finished copy on the disk and closes it; a late write error shows
// in the close.
void flushAndClose(Fd &copy)
{
    if (::fsync(copy.get()) != 0 || copy.closeChecked() != 0)
        throw Failure{QStringLiteral("The copy cannot be written to the disk (%1).").arg(errnoText(errno))};
}

void syncFolder(int dirFd)
{
    ::fsync(dirFd);  // some file systems cannot sync a folder; the file itself is synced
}

// The data file the database uses: where a link stands under the data
// file's name, the file it points to is the one swapped.
struct DataFileLocation {
    Fd dir;
    QString name;
    QString path;  // for messages
};

DataFileLocation locateDataFile(const QString &dataDir)
{
    QString file = QDir(dataDir).filePath(QLatin1String(Connection::DatabaseFileName));
    const QFileInfo info(file);
    if (info.isSymLink() && !info.canonicalFilePath().isEmpty())
        file = info.canonicalFilePath();
    QString why;
    DataFileLocation loc;
    loc.dir = openFolder(QFileInfo(file).path(), false, &why);
    if (!loc.dir.valid())
        throw Failure{QStringLiteral("The data directory \"%1\" cannot be opened (%2).").arg(dataDir, why)};
    loc.name = QFileInfo(file).fileName();
    loc.path = file;
    return loc;
}

// Merges the write-ahead log into the data file and closes the database;
// the directory stays locked for this copy of the program.
void closeMerged()
{
    try {
        Statement st = dm1->db().prepare(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        if (st.step() && st.columnInt(0) != 0)
            throw Failure{QStringLiteral("The data file is busy and cannot be copied now.")};
    } catch (const EngineError &e) {
        throw Failure{QStringLiteral("The data file cannot be prepared for copying (%1).").arg(e.text())};
    }
    QString error;
    if (!CloseDatabase(&error))
        throw Failure{error.trimmed()};
}

// After closing, nothing of the data may wait in a log beside the file.
bool logIsEmpty(const DataFileLocation &loc)
{
    for (const char *suffix : {"-wal", "-journal"}) {
        struct stat st {};
        if (::fstatat(loc.dir.get(), encoded(loc.name + QLatin1String(suffix)).constData(), &st, AT_SYMLINK_NOFOLLOW)
                == 0
            && st.st_size > 0)
            return false;
    }
    return true;
}

// Reopens the database as ReopenDatabase does, keeping the engine's own
// words for what failed; the text of the failure, or empty.
QString reopen()
{
    try {
        runStep(DataFileStep::Reopen);
        dm1->ACon1.connect(false);
        dm1->OpenNettoraTables();
        return QString();
    } catch (const Failure &f) {
        CloseDatabase();
        return f.text;
    } catch (const EngineError &e) {
        CloseDatabase();
        return e.text();
    }
}

// A backed-up or restored file must be a plain file (not a folder or link).
QString notRegular(int dirFd, const QString &name)
{
    struct stat st {};
    if (::fstatat(dirFd, encoded(name).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? QString() : errnoText(errno);
    if (!S_ISREG(st.st_mode))
        return S_ISDIR(st.st_mode) ? QStringLiteral("it is a folder") : QStringLiteral("it is not a regular file");
    return QString();
}

const QString kBackupPrefix = QStringLiteral(".nettora-backup-");
const QString kRestorePrefix = QStringLiteral(".nettora-restore-");

}  // namespace

void setDataFileStepHook(DataFileStepHook hook)
{
    stepHook() = std::move(hook);
}

// ------------------------------------------------------------------ checking

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

QString checkOpen(const QString &file, CheckDepth depth)
{
    {
        Handle h;
        if (const int rc = sqlite3_open_v2(file.toUtf8().constData(), &h.db, SQLITE_OPEN_READWRITE, nullptr);
            rc != SQLITE_OK)
            return QStringLiteral("it cannot be opened (%1)").arg(engineCause(h.db, rc));
        registerEngineFunctions(h.db);
        QString error;
        QString key = QLatin1String(Tdm1::TablePassword);
        key.replace(QLatin1Char('\''), QLatin1String("''"));
        query(h.db, QStringLiteral("PRAGMA key = '%1'").arg(key), &error);
        query(h.db, QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"), &error);
        query(h.db, QStringLiteral("SELECT count(*) FROM sqlite_master"), &error);
        if (error.isEmpty()) {
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
    struct stat st {};
    if (::stat(encoded(file).constData(), &st) != 0)
        return errno == ENOENT ? QStringLiteral("it is missing")
                               : QStringLiteral("it cannot be read (%1)").arg(errnoText(errno));
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("it is not a regular file");
    if (st.st_size == 0)
        return QStringLiteral("it is empty");
    const QString problem = checkOpen(file, depth);
    for (const char *suffix : {"-wal", "-shm", "-journal"})
        QFile::remove(file + QLatin1String(suffix));
    return problem;
}

// -------------------------------------------------------------------- backup

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
    const Fd dir = openFolder(folder, false, &why);
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
    Fd dir = openFolder(folder, true, &why);
    if (!dir.valid()) {
        result.text = QStringLiteral("The backup folder \"%1\" cannot be opened or created (%2). No backup was written.")
                          .arg(folder, why) + kept;
        return result;
    }
    bool closed = false;
    QString temporary;
    bool hadEarlier = false;
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

        closeMerged();
        closed = true;
        if (!logIsEmpty(source))
            throw Failure{QStringLiteral("The data file's log could not be merged into it.")};
        Fd copy = createTemporary(dir.get(), kBackupPrefix, &temporary);
        {
            runStep(DataFileStep::Copy);
            Fd from(::openat(source.dir.get(), encoded(source.name).constData(), O_RDONLY | O_CLOEXEC));
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
        bool taken = false;
        const bool renamed = existing == ExistingBackup::Replace
                                 ? ::renameat(dir.get(), encoded(temporary).constData(), dir.get(), BackupFileName) == 0
                                 : renameWithoutReplacing(dir.get(), temporary, BackupFileName, &taken);
        if (taken) {
            result.existingBackupKept = true;
            throw Failure{existingBackupSentence(dir.get(), folder)};
        }
        if (!renamed)
            throw Failure{QStringLiteral("The copy cannot be put in place (%1).").arg(errnoText(errno))};
        temporary.clear();
        syncFolder(dir.get());
    } catch (const Failure &f) {
        if (!temporary.isEmpty()) {
            ::unlinkat(dir.get(), encoded(temporary).constData(), 0);
            removeSidecarsAt(dir.get(), temporary);
        }
        if (closed) {
            if (const QString failed = reopen(); !failed.isEmpty()) {
                result.reopened = false;
                result.text = f.text + QStringLiteral(" The data could not be opened again (%1).").arg(failed);
                return result;
            }
        }
        result.text = f.text + QStringLiteral(" No new backup was written.");
        if (hadEarlier)
            result.text += QStringLiteral(" The earlier backup in that folder is as it was.");
        if (result.reopened)
            result.text += kept;
        return result;
    }
    result.ok = true;
    result.file = target;
    return result;
}

// ------------------------------------------------------------------- restore

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
        Fd from(::openat(fromDir, encoded(fromName).constData(), O_RDONLY | O_CLOEXEC));
        if (!from.valid())
            throw Failure{QStringLiteral("\"%1\" cannot be read (%2).").arg(fromPath, errnoText(errno))};
        QString temporary;
        Fd copy = createTemporary(toDir, kRestorePrefix, &temporary);
        try {
            copyContents(from.get(), copy.get(), fromPath);
            flushAndClose(copy);
            if (::renameat(toDir, encoded(temporary).constData(), toDir, to.constData()) != 0)
                throw Failure{QStringLiteral("The copy cannot be put in place (%1).").arg(errnoText(errno))};
        } catch (...) {
            ::unlinkat(toDir, encoded(temporary).constData(), 0);
            throw;
        }
    }
    syncFolder(toDir);
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
    if (::renameat(fromDir, encoded(fromName).constData(), toDir, encoded(toName).constData()) == 0)
        return;
    if (errno != EXDEV)
        throw Failure{QStringLiteral("\"%1\" cannot be moved (%2).").arg(fromPath, errnoText(errno))};
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
    syncFolder(data.dir.get());
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
        Fd copy = createTemporary(data.dir.get(), kRestorePrefix, &temporary);
        copy.reset();
        ::unlinkat(data.dir.get(), encoded(temporary).constData(), 0);
        if (::linkat(replacedFd, encoded(keptFile).constData(), data.dir.get(), encoded(temporary).constData(), 0)
            != 0) {
            Fd from(::openat(replacedFd, encoded(keptFile).constData(), O_RDONLY | O_CLOEXEC));
            Fd to(::openat(data.dir.get(), encoded(temporary).constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
            if (!from.valid() || !to.valid())
                return false;
            copyContents(from.get(), to.get(), keptFile);
            flushAndClose(to);
        }
        if (::renameat(data.dir.get(), encoded(temporary).constData(), data.dir.get(), encoded(data.name).constData())
            != 0)
            throw Failure{QString()};
        syncFolder(data.dir.get());
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
    Fd from;
    {
        Fd dir = openFolder(where, false, &why);
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
        from = Fd(::openat(dir.get(), fileName.constData(), O_RDONLY | O_CLOEXEC));
        if (!from.valid())
            return refuse(QStringLiteral("it cannot be read (%1)").arg(errnoText(errno)));
    }

    // The data in use, or a data file that did not open at start.
    const bool wasOpen = dm1->dataOpen();
    DataFileLocation data;
    Fd replaced;
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
        Fd copy = createTemporary(data.dir.get(), kRestorePrefix, &temporary);
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
        if (::renameat(data.dir.get(), encoded(temporary).constData(), data.dir.get(), encoded(data.name).constData())
            != 0)
            throw Failure{QStringLiteral("The restored file cannot be put in place (%1).").arg(errnoText(errno))};
        temporary.clear();
        syncFolder(data.dir.get());
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

// ---------------------------------------------------------------- kept files

namespace {

// What a kept file holds, read without changing it or leaving anything
// beside it: immutable, unless a log of its own stands beside it, whose
// content counts too.
void countKept(KeptDataFile &kept)
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
            QString key = QLatin1String(Tdm1::TablePassword);
            key.replace(QLatin1Char('\''), QLatin1String("''"));
            query(h.db, QStringLiteral("PRAGMA key = '%1'").arg(key), &error);
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
    if (!error.isEmpty())
        kept.problem = kept.size == 0 ? QStringLiteral("it is empty")
                                      : QStringLiteral("it cannot be read (%1): it is damaged, or it is not a Nettora "
                                                       "data file")
                                            .arg(error);
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
