// What backup and restore share: the step hook, folders reached one name at
// a time, temporary files, copying, and closing and reopening the database.
#include "data/data_backup_shared.h"

#include "data/datamodule.h"
#include "data/db_functions.h"
#include "data/engine.h"
#include "data/engine_error.h"
#include "data/failure_cause.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>

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

}  // namespace

void setDataFileStepHook(DataFileStepHook hook)
{
    stepHook() = std::move(hook);
}

namespace backup_detail {

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

QByteArray encoded(const QString &name)
{
    return QFile::encodeName(name);
}

// Opens a folder by walking its path one name at a time from the root, so
// that no single call sees the whole path however long it is; missing
// folders are created (readable by their owner only) when asked.
UniqueFd openFolder(const QString &path, bool create, QString *why)
{
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    UniqueFd fd(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
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
        fd = UniqueFd(next);
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
UniqueFd createTemporary(int dirFd, const QString &prefix, QString *name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = prefix + QString::number(QRandomGenerator::global()->generate64(), 36);
        const int fd = ::openat(dirFd, encoded(*name).constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            ::fchmod(fd, 0600);
            return UniqueFd(fd);
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
void flushAndClose(UniqueFd &copy)
{
    if (const int error = syncAndClose(copy))
        throw Failure{QStringLiteral("The copy cannot be written to the disk (%1).").arg(errnoText(error))};
}

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
    return reopenWith([] {
        dm1->ACon1.connect(false);
        dm1->OpenNettoraTables();
    });
}

QString reopenWith(const std::function<void()> &open)
{
    try {
        runStep(DataFileStep::Reopen);
        open();
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

QString keyFileNameFor(const QString &dataFileName)
{
    QString name = dataFileName;
    if (name.endsWith(QLatin1String(".db")))
        name.chop(3);
    return name + QStringLiteral(".key");
}

QString copyToTemporary(const QString &source, int toDir, const QString &prefix)
{
    return copyToTemporaryAt(AT_FDCWD, source, source, toDir, prefix);
}

QString copyToTemporaryAt(int fromDir, const QString &fromName, const QString &fromPath, int toDir,
                          const QString &prefix)
{
    UniqueFd from(::openat(fromDir, encoded(fromName).constData(), O_RDONLY | O_CLOEXEC));
    if (!from.valid())
        throw Failure{QStringLiteral("\"%1\" cannot be read (%2).").arg(fromPath, errnoText(errno))};
    QString name;
    UniqueFd copy = createTemporary(toDir, prefix, &name);
    try {
        copyContents(from.get(), copy.get(), fromPath);
        flushAndClose(copy);
    } catch (const Failure &) {
        ::unlinkat(toDir, encoded(name).constData(), 0);
        throw;
    }
    return name;
}

}  // namespace backup_detail

}  // namespace nettora
