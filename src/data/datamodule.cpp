#include "data/datamodule.h"

#include "data/data_backup.h"
#include "data/data_rekey.h"
#include "data/durable_file.h"
#include "data/engine.h"
#include "data/failure_cause.h"
#include "data/password.h"
#include "data/schema.h"
#include "data/schema_upgrade.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

#include <sqlcipher/sqlite3.h>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nettora {

Tdm1 *dm1 = nullptr;

namespace {


enum class PlainFile { NotPlain, Foreign, Ours };

// What a data file that would not open under the key is: not a plain
// database at all (damaged, or under another key), a plain database of some
// other program, or a plain one holding every table of this program. Read
// only, so the file stays as it is whatever it turns out to be.
PlainFile plainFileKind(const QString &file)
{
    Database plain;
    try {
        plain.openPlain(file, true);
        // Judged by its own version: an older file is upgraded once encrypted.
        const int fileVersion = dataFileVersion(plain);
        const SchemaComparison tables = compareWithSchema(
            [&plain](const QString &table) {
                Statement st = plain.prepare(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table));
                QStringList names;
                while (st.step())
                    names << st.columnText(1);
                return names;
            },
            fileVersion);
        if (!tables.matches())
            return PlainFile::Foreign;
    } catch (const EngineError &) {
        return plain.isOpen() ? PlainFile::Foreign : PlainFile::NotPlain;
    }
    return PlainFile::Ours;
}

DataFileUnopenable foreignFile(const QString &file)
{
    return DataFileUnopenable(QStringLiteral("The data file \"%1\" is a database that does not hold Nettora's tables, "
                                             "so it was left as it is. Move it out of the data directory or restore "
                                             "the data file from a backup.")
                                  .arg(file));
}

// The data directory stands but cannot be used, for the reason given.
EngineError unusableDirectory(const QString &dir, const QString &why)
{
    return EngineError(QStringLiteral("The data directory \"%1\" cannot be used: %2.").arg(dir, why));
}

QString sqlLiteral(const QString &s)
{
    QString t = s;
    t.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + t + QLatin1Char('\'');
}

}  // namespace

// --------------------------------------------------------------- Connection

Connection::~Connection()
{
    disconnect();
    releaseLock();
}

QString Connection::databaseFile() const
{
    return QDir(m_path).filePath(QLatin1String(DatabaseFileName));
}

bool Connection::connect(bool missingAllowed)
{
    reserve();
    const bool exists = checkDataFile(missingAllowed);
    m_connected = true;
    return exists;
}

void Connection::reserve()
{
    const auto missing = [this] {
        return EngineError(QStringLiteral("The data directory \"%1\" does not exist or is not a folder.").arg(m_path));
    };
    struct stat st {};
    if (m_path.isEmpty())
        throw missing();
    // Only a name that is not there is reported as missing; a path the
    // system refuses (too long, not searchable) is reported with its reason.
    if (::stat(QFile::encodeName(m_path).constData(), &st) != 0) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR)
            throw missing();
        throw unusableDirectory(m_path, systemCause(err));
    }
    if (!S_ISDIR(st.st_mode))
        throw missing();
    const QFileInfo dir(m_path);
    if (!dir.isReadable() || !dir.isWritable())
        throw EngineError(QStringLiteral("The data directory \"%1\" cannot be used: it is not readable and writable.")
                              .arg(m_path));
    takeLock();
}

namespace {

// The descriptor still refers to the file under the name (nothing replaced
// the lock file since it was opened).
bool sameFile(int fd, const QByteArray &path)
{
    struct stat held {}, named {};
    return ::fstat(fd, &held) == 0 && ::stat(path.constData(), &named) == 0 && held.st_dev == named.st_dev
           && held.st_ino == named.st_ino;
}

}  // namespace

void Connection::takeLock()
{
    const QString lockFile = QDir(m_path).filePath(QLatin1String(LockFileName));
    const QByteArray path = QFile::encodeName(lockFile);
    if (m_lockFd >= 0) {
        if (sameFile(m_lockFd, path))
            return;
        releaseLock();  // the lock file was replaced (a restore): lock the one that stands now
    }
    // The lock is the operating system's, on the open file: it ends with the
    // process however that ends, so whatever a power cut leaves in the file
    // never keeps anyone out. Its content means nothing.
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0 && (errno == EACCES || errno == EROFS))
            fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);  // locking needs no write access
        if (fd < 0)
            throw lockRefusal(lockFile, errno);
        int rc;
        do {
            rc = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            const int err = errno;
            ::close(fd);
            if (err == EWOULDBLOCK)
                throw EngineError(QStringLiteral("The data directory \"%1\" is in use by another running copy of "
                                                 "Nettora. Close it and try again.")
                                      .arg(m_path));
            throw EngineError(QStringLiteral("The data directory \"%1\" cannot be used: its lock file cannot be "
                                             "locked (%2).")
                                  .arg(m_path, systemCause(err)));
        }
        if (sameFile(fd, path)) {
            m_lockFd = fd;
            return;
        }
        ::close(fd);  // locked a file that was replaced meanwhile: try the new one
    }
    throw EngineError(QStringLiteral("The data directory \"%1\" cannot be used: its lock file cannot be written.")
                          .arg(m_path));
}

EngineError Connection::lockRefusal(const QString &lockFile, int err) const
{
    // A path too long for the lock file is too long for the data file too.
    if (err == ENAMETOOLONG)
        return unusableDirectory(m_path, systemCause(err));
    struct stat st {};
    if (::lstat(QFile::encodeName(lockFile).constData(), &st) == 0) {
        // Never followed: a link could make the lock stand anywhere.
        if (S_ISLNK(st.st_mode))
            return unusableDirectory(m_path,
                                     QStringLiteral("its lock file \"%1\" is a symbolic link, not a file").arg(lockFile));
        if (S_ISDIR(st.st_mode))
            return unusableDirectory(m_path, QStringLiteral("its lock file \"%1\" is a folder, not a file").arg(lockFile));
    }
    return EngineError(QStringLiteral("The data directory \"%1\" cannot be used: its lock file cannot be written (%2).")
                           .arg(m_path, systemCause(err)));
}

bool Connection::checkDataFile(bool missingAllowed)
{
    const QString file = databaseFile();
    const QByteArray path = QFile::encodeName(file);
    struct stat st {};
    // lstat: a link is looked at as a link, so that a link to a drive that
    // is not mounted is never taken for a missing file.
    if (::lstat(path.constData(), &st) != 0) {
        const int err = errno;
        if (err != ENOENT)
            throw EngineError(QStringLiteral("The data file \"%1\" cannot be examined: %2.").arg(file, systemCause(err)));
        if (!missingAllowed)
            throw EngineError(QStringLiteral("The data file \"%1\" is missing.").arg(file));
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
        const QString target = QFileInfo(file).symLinkTarget();
        if (::stat(path.constData(), &st) != 0)
            throw EngineError(QStringLiteral("The data file \"%1\" is a link to \"%2\", which cannot be reached (%3). "
                                             "Is the drive that holds it connected? Nothing was changed.")
                                  .arg(file, target, systemCause(errno)));
    }
    if (S_ISDIR(st.st_mode))
        throw EngineError(
            QStringLiteral("The data file \"%1\" is a folder, not a file. Nothing was changed.").arg(file));
    if (!S_ISREG(st.st_mode))
        throw EngineError(QStringLiteral("The data file \"%1\" is not a regular file. Nothing was changed.").arg(file));
    // An empty file is what a failed copy or a damaged drive leaves; the
    // engine would take it for a new database and write into it.
    if (st.st_size == 0)
        throw DataFileUnopenable(QStringLiteral("The data file \"%1\" is empty. Restore it from a backup, or remove "
                                                "it to start with a new, empty database. Nothing was changed.")
                                     .arg(file));
    // A file marked read-only is treated as such even by an account the
    // system would let write to it anyway.
    if (::access(path.constData(), W_OK) != 0 || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        throw EngineError(QStringLiteral("The data file \"%1\" is read-only. Nettora needs to write to it: make it "
                                         "writable and start again.")
                              .arg(file));
    return true;
}

void Connection::provision(const SecretBytes &rawKey)
{
    // Built aside and put into place in one step, so a half-made database
    // never stands under the real name.
    const QString tmp = databaseFile() + QStringLiteral(".new");
    QFile::remove(tmp);
    removeSidecars(tmp);
    {
        Database fresh;
        fresh.open(tmp, rawKey);
        fresh.begin();
        for (const QString &sql : schemaSql())
            fresh.exec(sql);
        // The options that hold a value from the start; the others start empty.
        fresh.exec(QStringLiteral("INSERT INTO \"User\" (\"PrintReview\") VALUES ('N')"));
        fresh.exec(QStringLiteral("PRAGMA user_version = %1").arg(dataVersion()));
        fresh.commit();
        fresh.exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
        fresh.close();
    }
    removeSidecars(tmp);
    // The file holds clients' finances: its owner's alone, as backups are.
    QFile::setPermissions(tmp, QFile::ReadOwner | QFile::WriteOwner);
    syncFile(tmp);
    // A hard link is made only where the name is free: whatever appeared
    // there in the meantime is never replaced.
    const QByteArray from = QFile::encodeName(tmp);
    const QByteArray to = QFile::encodeName(databaseFile());
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
    } else if (errno == EEXIST) {
        QFile::remove(tmp);
        throw EngineError(QStringLiteral("The data file \"%1\" appeared while a new one was being made. Nothing was "
                                         "changed; start again.")
                              .arg(databaseFile()));
    } else {
        // Drives without hard links: the name was free a moment ago.
        replaceDataFile(tmp, databaseFile());
        return;
    }
    syncFolder(m_path);
}

void Connection::disconnect()
{
    m_db.close();
    m_connected = false;
}

void Connection::releaseLock()
{
    if (m_lockFd >= 0) {
        ::close(m_lockFd);  // closing the only descriptor drops the lock
        m_lockFd = -1;
    }
}

// --------------------------------------------------------------------- Tdm1

Tdm1::Tdm1()
{
    Database &db = ACon1.database();
    Table **slots[] = {&tblNettora, &tblCash, &tblInvestments, &tblLegal, &tblRealEstate, &tblAuto,
                       &tblLifeInsurance, &tblPersonalAssets, &tblBusinessAssets, &tblOtherAssets, &tblBank,
                       &tblCreditCards, &tblTaxes, &tblOther, &tblContingent, &tblSummary, &tblIncomes,
                       &tblExpenditure, &tblAuto2, &tblUser, &tblClient, &tblNotes};
    const auto &defs = allTables();
    for (size_t i = 0; i < defs.size(); ++i) {
        m_owned.push_back(std::make_unique<Table>(db, defs[i]));
        *slots[i] = m_owned.back().get();
        m_order.push_back(m_owned.back().get());
    }
    m_scheduleOrder = {tblNettora, tblCash, tblInvestments, tblLegal, tblRealEstate, tblAuto, tblLifeInsurance,
                       tblPersonalAssets, tblBusinessAssets, tblOtherAssets, tblBank, tblCreditCards, tblTaxes,
                       tblOther, tblContingent, tblIncomes, tblExpenditure, tblAuto2, tblNotes};
}

Tdm1::~Tdm1()
{
    if (dm1 == this)
        dm1 = nullptr;
}

Table *Tdm1::table(const QString &name) const
{
    for (Table *t : m_order)
        if (t->def().name.compare(name, Qt::CaseInsensitive) == 0
            || t->def().component.compare(name, Qt::CaseInsensitive) == 0
            || t->def().file.compare(name, Qt::CaseInsensitive) == 0)
            return t;
    return nullptr;
}

DataDirState Tdm1::ReserveDataDir(const QString &dataDir)
{
    LockData();
    ACon1.setConnectPath(dataDir);
    // A restore of a data file with its key file killed halfway is completed
    // before either file is looked at.
    ACon1.reserve();
    finishInterruptedRestore(dataDir);
    if (!ACon1.connect(true)) {
        m_state = DataDirState::New;
        return m_state;
    }
    if (QFileInfo::exists(keyFile())) {
        m_state = DataDirState::Keyed;
        return m_state;
    }
    m_state = DataDirState::Unkeyed;
    openLegacy();
    return m_state;
}

void Tdm1::openLegacy()
{
    try {
        OpenNettoraTables();
    } catch (const EngineError &openFailure) {
        // Only a plain file that holds this program's tables is encrypted;
        // anything else is reported and left exactly as it is.
        switch (plainFileKind(ACon1.databaseFile())) {
        case PlainFile::NotPlain:
            // What the engine cannot read at all is the file's fault; other
            // failures (a read-only drive, a newer version) keep their words.
            if (openFailure.code() == SQLITE_NOTADB || openFailure.code() == SQLITE_CORRUPT)
                throw DataFileUnopenable(QStringLiteral("The data file \"%1\" cannot be opened (%2): it is damaged, "
                                                        "or it is not a Nettora data file.")
                                             .arg(ACon1.databaseFile(), openFailure.text()),
                                         openFailure.code());
            throw openFailure;
        case PlainFile::Foreign: throw foreignFile(ACon1.databaseFile());
        case PlainFile::Ours: break;
        }
        EncryptNettoraTables();
    }
}

QString Tdm1::keyFile() const
{
    return keyFilePath(ACon1.connectPath());
}

void Tdm1::UnlockData(const SecretBytes &password)
{
    if (m_state == DataDirState::Unkeyed) {
        if (!dataOpen())
            openLegacy();
        tblUser->first();
        const QString stored = tblUser->asString("Password");
        const QString typed = QString::fromUtf8(reinterpret_cast<const char *>(password.data()), qsizetype(password.size()));
        QString copy = typed;
        const bool match = stored.isEmpty() || verifyPassword(copy, stored);
        wipe(copy);
        if (!match)
            throw WrongPassword(QStringLiteral("Invalid Login."));
        return;
    }
    if (m_state != DataDirState::Keyed)
        throw EngineError(QStringLiteral("There is no data to open yet: set a password first."));
    SecretBytes key = unwrapWithPassword(keyFile(), password);
    SecretBytes unsealed = key.clone();
    try {
        openWithKey(std::move(key));
    } catch (const DataFileUnopenable &) {
        // An upgrade cut short after its key file was written: the data file
        // is still under the old key, and the upgrade runs again.
        m_state = DataDirState::Unkeyed;
        try {
            openLegacy();
        } catch (const DataFileUnopenable &) {
            LockData();
            m_state = DataDirState::Keyed;
            // Kept for a restore in its place, which checks backups with it.
            m_unopenedKey = std::move(unsealed);
            throw;
        } catch (const EngineError &) {
            LockData();
            m_state = DataDirState::Keyed;
            throw;
        }
        UnlockData(password);
    }
}

void Tdm1::LockData()
{
    for (Table *t : m_order)
        t->close();
    ACon1.disconnect();
    m_dataKey = SecretBytes();
    m_unopenedKey = SecretBytes();
}

namespace {

void upgradeDataFile(Database &db, const QString &dataDir, const QString &file)
{
    const int version = dataFileVersion(db);
    if (version > dataVersion())
        throw EngineError(QStringLiteral("The data file \"%1\" was written by a newer version of Nettora (data version "
                                         "%2; this program knows up to %3). Install the newer version to open it. "
                                         "Nothing was changed.")
                              .arg(file)
                              .arg(version)
                              .arg(dataVersion()));
    if (version == dataVersion())
        return;
    // The file as it was stays in Replaced, a copy of its own (never a second
    // name for the file about to change), before any step runs.
    const QString replaced = QDir(dataDir).filePath(QLatin1String(ReplacedFolderName));
    if (!QDir().mkpath(replaced))
        throw EngineError(QStringLiteral("The data file needs an upgrade, but the folder \"%1\" for a copy of it "
                                         "cannot be made. Nothing was changed.")
                              .arg(replaced));
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString kept;
    for (int n = 0; kept.isEmpty() || QFileInfo::exists(kept); ++n)
        kept = QDir(replaced).filePath(n == 0 ? QStringLiteral("nettora-%1-version%2.db").arg(stamp).arg(version)
                                              : QStringLiteral("nettora-%1-version%2-%3.db").arg(stamp).arg(version).arg(n));
    const QString aside = kept + QStringLiteral(".part");
    QFile::remove(aside);
    if (!QFile::copy(file, aside)) {
        QFile::remove(aside);
        throw EngineError(QStringLiteral("The data file needs an upgrade, but a copy of it cannot be kept in \"%1\". "
                                         "Nothing was changed.")
                              .arg(replaced));
    }
    QFile::setPermissions(aside, QFile::ReadOwner | QFile::WriteOwner);
    syncFile(aside);
    replaceDataFile(aside, kept);
    try {
        runUpgradeSteps(db, version);
    } catch (const EngineError &e) {
        // The failed step's transaction rolled back: the file is at the
        // version of the last step that went through.
        throw EngineError(QStringLiteral("The data file \"%1\" could not be upgraded to data version %2: %3. It was "
                                         "left at data version %4; the copy kept before the upgrade is \"%5\".")
                              .arg(file, QString::number(dataVersion()), e.text(),
                                   QString::number(dataFileVersion(db)), kept),
                          e.code());
    }
}

}  // namespace

void Tdm1::OpenNettoraTables()
{
    Database &db = ACon1.database();
    if (!db.isOpen()) {
        if (m_dataKey.empty())
            db.open(ACon1.databaseFile(), QLatin1String(LegacyTablePassword));
        else
            db.open(ACon1.databaseFile(), engineKeyText(m_dataKey));
    }
    upgradeDataFile(db, ACon1.connectPath(), ACon1.databaseFile());
    for (Table *t : m_order) {
        t->close();
        t->setExclusive(true);
        t->open();
    }
}

bool Tdm1::dataOpen() const
{
    return ACon1.database().isOpen()
           && std::all_of(m_order.begin(), m_order.end(), [](const Table *t) { return t->active(); });
}

void Tdm1::EncryptNettoraTables()
{
    Database &db = ACon1.database();
    db.close();
    if (plainFileKind(ACon1.databaseFile()) == PlainFile::Foreign)
        throw foreignFile(ACon1.databaseFile());
    // Where the data file is a link (data kept on another drive), the file
    // it points to is rewritten and the link stays.
    const QString linked = QFileInfo(ACon1.databaseFile()).canonicalFilePath();
    const QString file = linked.isEmpty() ? ACon1.databaseFile() : linked;
    const QString tmp = file + QStringLiteral(".encrypting");
    QFile::remove(tmp);
    removeSidecars(tmp);
    {
        Database plain;
        plain.openPlain(file);
        plain.exec(QStringLiteral("ATTACH DATABASE %1 AS encrypted KEY %2")
                       .arg(sqlLiteral(tmp), sqlLiteral(QLatin1String(LegacyTablePassword))));
        plain.exec(QStringLiteral("SELECT sqlcipher_export('encrypted')"));
        // The export leaves the version behind; it goes with the data.
        plain.exec(QStringLiteral("PRAGMA encrypted.user_version = %1").arg(dataFileVersion(plain)));
        plain.exec(QStringLiteral("DETACH DATABASE encrypted"));
        plain.close();
    }
    // The plain file is replaced whole; its journal files must not be
    // replayed onto the encrypted one.
    removeSidecars(file);
    removeSidecars(tmp);
    QFile::setPermissions(tmp, QFile::ReadOwner | QFile::WriteOwner);
    replaceDataFile(tmp, file);
    OpenNettoraTables();
}

QString defaultDataDirectory()
{
    const QString env = qEnvironmentVariable("NETTORA_DATA_DIR");
    if (!env.isEmpty())
        return env;
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Nettora/Data"));
}

QString resolveDataDirectory(const QString &explicitDir)
{
    if (!explicitDir.isEmpty())
        return QDir(explicitDir).absolutePath();
    const QString dir = defaultDataDirectory();
    if (qEnvironmentVariableIsEmpty("NETTORA_DATA_DIR"))
        QDir().mkpath(dir);
    return QDir(dir).absolutePath();
}

}  // namespace nettora
