#include "data/datamodule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace nettora {

Tdm1 *dm1 = nullptr;

namespace {

void syncFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void removeSidecars(const QString &dbFile)
{
    for (const char *suffix : {"-wal", "-shm", "-journal"})
        QFile::remove(dbFile + QLatin1String(suffix));
}

// Replaces target by source in one step, so that a crash leaves one or the
// other whole.
void replaceFile(const QString &source, const QString &target)
{
    syncFile(source);
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData(), ec);
    if (ec)
        throw EngineError(QStringLiteral("Could not replace \"%1\": %2").arg(target, QString::fromStdString(ec.message())));
    syncFile(QFileInfo(target).absolutePath());
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

void Connection::connect(bool provisionIfMissing)
{
    const QFileInfo dir(m_path);
    if (m_path.isEmpty() || !dir.exists() || !dir.isDir())
        throw EngineError(QStringLiteral("The data directory \"%1\" does not exist or is not a folder.").arg(m_path));
    if (!dir.isReadable() || !dir.isWritable())
        throw EngineError(QStringLiteral("The data directory \"%1\" cannot be used: it is not readable and writable.")
                              .arg(m_path));
    if (!m_lock) {
        auto lock = std::make_unique<QLockFile>(QDir(m_path).filePath(QLatin1String(LockFileName)));
        lock->setStaleLockTime(0);  // a lock left by a copy that died is taken over
        if (!lock->tryLock(0)) {
            if (lock->error() == QLockFile::LockFailedError)
                throw EngineError(QStringLiteral("The data directory \"%1\" is in use by another running copy of "
                                                 "Nettora. Close it and try again.")
                                      .arg(m_path));
            throw EngineError(QStringLiteral("The data directory \"%1\" cannot be used: its lock file cannot be "
                                             "written.")
                                  .arg(m_path));
        }
        m_lock = std::move(lock);
    }
    if (!QFileInfo::exists(databaseFile())) {
        if (!provisionIfMissing)
            throw EngineError(QStringLiteral("The data file \"%1\" is missing.").arg(databaseFile()));
        provision();
    }
    m_connected = true;
}

void Connection::provision()
{
    // Built aside and renamed into place, so a half-made database never
    // stands under the real name.
    const QString tmp = databaseFile() + QStringLiteral(".new");
    QFile::remove(tmp);
    removeSidecars(tmp);
    {
        Database fresh;
        fresh.open(tmp, QLatin1String(Tdm1::TablePassword));
        fresh.begin();
        for (const QString &sql : schemaSql())
            fresh.exec(sql);
        fresh.exec(QStringLiteral("INSERT INTO \"User\" DEFAULT VALUES"));
        fresh.commit();
        fresh.exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
        fresh.close();
    }
    removeSidecars(tmp);
    replaceFile(tmp, databaseFile());
}

void Connection::disconnect()
{
    m_db.close();
    m_connected = false;
}

void Connection::releaseLock()
{
    m_lock.reset();
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

    std::pair<DataSource *, Table *> sources[] = {
        {&dsNettora, tblNettora}, {&dsPersonal, tblNettora}, {&dsCash, tblCash},
        {&dsInvestments, tblInvestments}, {&dsLegal, tblLegal}, {&dsRealEstate, tblRealEstate},
        {&dsAuto, tblAuto}, {&dsLifeInsurance, tblLifeInsurance}, {&dsPersonalAssets, tblPersonalAssets},
        {&dsBusinessAssets, tblBusinessAssets}, {&dsOtherAssets, tblOtherAssets}, {&dsBank, tblBank},
        {&dsCreditCards, tblCreditCards}, {&dsTaxes, tblTaxes}, {&dsOther, tblOther},
        {&dsContingent, tblContingent}, {&dsSummary, tblSummary}, {&dsIncomes, tblIncomes},
        {&dsExpenditure, tblExpenditure}, {&dsAuto2, tblAuto2}, {&dsUser, tblUser}, {&dsClient, tblClient},
        {&dsNotes, tblNotes}};
    for (auto &[ds, t] : sources)
        ds->DataSet = t;
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

void Tdm1::ConnectDb(const QString &dataDir)
{
    ACon1.setConnectPath(dataDir);
    ACon1.connect();
    try {
        OpenNettoraTables();
    } catch (const EngineError &openFailure) {
        try {
            EncryptNettoraTables();
        } catch (const EngineError &) {
            // A file that is not plain either: the open pass said what is wrong.
            Database probe;
            try {
                probe.openPlain(ACon1.databaseFile());
            } catch (const EngineError &) {
                throw openFailure;
            }
            throw;
        }
    }
}

void Tdm1::OpenNettoraTables()
{
    Database &db = ACon1.database();
    if (!db.isOpen())
        db.open(ACon1.databaseFile(), QLatin1String(TablePassword));
    for (Table *t : m_order) {
        t->close();
        t->setExclusive(true);
        t->open();
    }
}

void Tdm1::EncryptNettoraTables()
{
    Database &db = ACon1.database();
    db.close();
    const QString file = ACon1.databaseFile();
    const QString tmp = file + QStringLiteral(".encrypting");
    QFile::remove(tmp);
    removeSidecars(tmp);
    {
        Database plain;
        plain.openPlain(file);
        plain.exec(QStringLiteral("ATTACH DATABASE %1 AS encrypted KEY %2")
                       .arg(sqlLiteral(tmp), sqlLiteral(QLatin1String(TablePassword))));
        plain.exec(QStringLiteral("SELECT sqlcipher_export('encrypted')"));
        plain.exec(QStringLiteral("DETACH DATABASE encrypted"));
        plain.close();
    }
    // The plain file is replaced whole; its journal files must not be
    // replayed onto the encrypted one.
    removeSidecars(file);
    removeSidecars(tmp);
    replaceFile(tmp, file);
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
