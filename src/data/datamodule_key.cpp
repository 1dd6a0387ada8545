// The data module's key: the data made under a new data key, unlocked with
// the recovery key, the password changed, a file from before the key file
// moved to a key of its own, and the reopen after a restore.
#include "data/datamodule.h"

#include "data/data_backup.h"
#include "data/data_rekey.h"
#include "data/durable_file.h"
#include "data/failure_cause.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlcipher/sqlite3.h>

namespace nettora {

void Tdm1::OpenRestoredData(SecretBytes dataKey)
{
    LockData();
    ACon1.connect(false);
    if (dataKey.empty()) {
        m_state = DataDirState::Unkeyed;
        try {
            openLegacy();
        } catch (...) {
            LockData();
            throw;
        }
    } else {
        m_state = DataDirState::Keyed;
        openWithKey(std::move(dataKey));
    }
}

void Tdm1::UnlockWithRecoveryCode(const QString &code)
{
    if (m_state != DataDirState::Keyed)
        throw EngineError(QStringLiteral("This data has no recovery key."));
    openWithKey(unwrapWithRecoveryCode(keyFile(), code));
}

void Tdm1::openWithKey(SecretBytes key)
{
    m_dataKey = std::move(key);
    try {
        OpenNettoraTables();
    } catch (const EngineError &e) {
        LockData();
        // The key opened the key file but not the data: the data file is
        // damaged or is not the one the key file belongs to.
        if (e.code() == SQLITE_NOTADB || e.code() == SQLITE_CORRUPT)
            throw DataFileUnopenable(QStringLiteral("The data file \"%1\" cannot be opened (%2): it is damaged, or it "
                                                    "does not belong with its key file \"%3\".")
                                         .arg(ACon1.databaseFile(), e.text(), keyFile()),
                                     e.code());
        throw;
    }
}

void Tdm1::setAsideStrayKeyFile()
{
    if (!QFileInfo::exists(keyFile()))
        return;
    const QString replaced = QDir(ACon1.connectPath()).filePath(QLatin1String(ReplacedFolderName));
    QDir().mkpath(replaced);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside;
    for (int n = 0; aside.isEmpty() || QFileInfo::exists(aside); ++n)
        aside = QDir(replaced).filePath(n == 0 ? QStringLiteral("nettora-%1.key").arg(stamp)
                                               : QStringLiteral("nettora-%1-%2.key").arg(stamp).arg(n));
    if (const int error = renameReplacing(keyFile(), aside))
        throw EngineError(QStringLiteral("The key file \"%1\" stands without its data file and cannot be set aside: "
                                         "%2. Nothing was changed.")
                              .arg(keyFile(), systemCause(error)));
}

QString Tdm1::CreateData(const SecretBytes &password, const QString &userName)
{
    if (m_state != DataDirState::New || ACon1.connect(true))
        throw EngineError(QStringLiteral("The data file \"%1\" exists already.").arg(ACon1.databaseFile()));
    setAsideStrayKeyFile();
    SecretBytes key = newDataKey();
    const QString code = newRecoveryCode();
    // The key file first: a data file never stands without the key that opens it.
    writeKeyFile(keyFile(), key, password, code);
    ACon1.provision(engineKeyText(key));
    m_state = DataDirState::Keyed;
    openWithKey(std::move(key));
    // The password is kept nowhere but in the key file's seal.
    tblUser->first();
    tblUser->edit();
    tblUser->setAsString("User", userName);
    tblUser->post();
    return code;
}

void Tdm1::ChangePassword(const SecretBytes &newPassword)
{
    if (m_state != DataDirState::Keyed || m_dataKey.empty())
        throw EngineError(QStringLiteral("The data is not open under its key."));
    rewrapPassword(keyFile(), m_dataKey, newPassword);
}

QString Tdm1::ConnectDb(const QString &dataDir, const SecretBytes &password, const QString &newUser)
{
    return ConnectDb(dataDir, [&](DataDirState) { return password.clone(); }, newUser).recoveryCode;
}

Tdm1::Connected Tdm1::ConnectDb(const QString &dataDir, const std::function<SecretBytes(DataDirState)> &passwordFor,
                                const QString &newUser)
{
    const DataDirState state = ReserveDataDir(dataDir);
    const SecretBytes password = passwordFor(state);
    if (state == DataDirState::New)
        return {state, CreateData(password, newUser)};
    UnlockData(password);
    // Unlocking may finish an upgrade cut short: the state is asked again.
    return {state, m_state == DataDirState::Unkeyed ? UpgradeToDataKey(password) : QString()};
}

QString Tdm1::UpgradeToDataKey(const SecretBytes &password)
{
    if (m_state != DataDirState::Unkeyed || !dataOpen())
        throw EngineError(QStringLiteral("The data is not open under its old key."));
    const QString linked = QFileInfo(ACon1.databaseFile()).canonicalFilePath();
    const QString file = linked.isEmpty() ? ACon1.databaseFile() : linked;
    const QString tmp = file + QStringLiteral(".rekeying");
    const auto failed = [&](const QString &why) {
        QFile::remove(tmp);
        removeSidecars(tmp);
        return EngineError(QStringLiteral("The data file \"%1\" could not be moved to its own data key: %2. It was "
                                          "left as it was.")
                               .arg(ACon1.databaseFile(), why));
    };
    QFile::remove(tmp);
    removeSidecars(tmp);
    SecretBytes key = newDataKey();
    const QString code = newRecoveryCode();
    try {
        exportUnderKey(ACon1.database(), tmp, key);
        checkCopy(tmp, key);
    } catch (const EngineError &e) {
        throw failed(e.text());
    }
    LockData();
    // The key file first: cut short before the swap, the next login finds the
    // old file beside it and upgrades again.
    try {
        writeKeyFile(keyFile(), key, password, code);
    } catch (const EngineError &e) {
        openLegacy();
        throw failed(e.text());
    }
    // The old file's logs were merged as it closed; none may be read into the new one.
    removeSidecars(file);
    QFile::setPermissions(tmp, QFile::ReadOwner | QFile::WriteOwner);
    replaceDataFile(tmp, file);
    m_state = DataDirState::Keyed;
    openWithKey(std::move(key));
    // The key file decides who gets in now; the old hash has no use left.
    tblUser->first();
    if (!tblUser->asString("Password").isEmpty()) {
        tblUser->edit();
        tblUser->setAsString("Password", QString());
        tblUser->post();
    }
    return code;
}

int Tdm1::ReencryptKeptFiles()
{
    if (m_state != DataDirState::Keyed || m_dataKey.empty())
        throw EngineError(QStringLiteral("The data is not open under its key."));
    const QDir replaced(QDir(ACon1.connectPath()).filePath(QLatin1String(ReplacedFolderName)));
    int done = 0;
    QStringList failures;
    for (const QFileInfo &kept : replaced.entryInfoList({QStringLiteral("*.db")}, QDir::Files)) {
        const QString tmp = kept.filePath() + QStringLiteral(".rekeying");
        try {
            Database old;
            old.open(kept.filePath(), QLatin1String(LegacyTablePassword));
            QFile::remove(tmp);
            exportUnderKey(old, tmp, m_dataKey);
            old.exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
            old.close();
            checkCopy(tmp, m_dataKey);
            removeSidecars(kept.filePath());
            QFile::setPermissions(tmp, QFile::ReadOwner | QFile::WriteOwner);
            replaceDataFile(tmp, kept.filePath());
            ++done;
        } catch (const EngineError &e) {
            QFile::remove(tmp);
            removeSidecars(tmp);
            // A file under another key (already moved, or not this program's) stays as it is.
            if (e.code() != SQLITE_NOTADB)
                failures << QStringLiteral("\"%1\": %2").arg(kept.fileName(), e.text());
        }
    }
    if (!failures.isEmpty())
        throw EngineError(QStringLiteral("%1 kept file(s) were moved to the data key; these were left as they were: %2")
                              .arg(done)
                              .arg(failures.join(QStringLiteral("; "))));
    return done;
}

}  // namespace nettora
