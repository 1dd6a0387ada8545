#pragma once
// The data module: the connection to the data directory and one cursor per
// table, the only way windows, reports and routines reach the data.
//
// Start-up: the directory is taken for this copy of the program first (an
// operating-system lock on the lock file, held until the process ends, plus
// the engine's exclusive lock once the data is open) and what stands there is
// checked, with nothing opened: a new directory, a data file with its key
// file, or a data file from before the key file (under the old built-in key,
// or plain). The data opens only with the login password, which unseals the
// data key from the key file (data/data_key.h); a file from before is opened
// under its old key, its password checked against the stored hash, and then
// re-encrypted under a new data key (UpgradeToDataKey). A plain file holding
// this program's tables is first encrypted in place under the old key, as
// before. Anything else in place of the data file (another program's
// database, a dangling link, a folder, a read-only file) is reported by name
// and left as it is. A data file that stands there but does not open as this
// program's data is reported as DataFileUnopenable, so that the start can
// offer a restore in its place.
//
// The data key is held in guarded memory while the data is open and wiped
// when it closes (LockData, or the module's end).

#include "data/data_key.h"
#include "data/engine.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace nettora {

// The data file stands where it belongs but is no usable data: empty,
// damaged, under another key, or another program's database. A restore can
// put a backup in its place (data/data_backup.h); the directory stays
// reserved for this copy of the program.
class DataFileUnopenable : public EngineError {
public:
    using EngineError::EngineError;
};

// The connection to the data directory.
class Connection {
public:
    static constexpr const char *DatabaseFileName = "nettora.db";
    static constexpr const char *LockFileName = "nettora.lock";

    ~Connection();
    void setConnectPath(const QString &dir) { m_path = dir; }
    QString connectPath() const { return m_path; }
    QString databaseFile() const;

    // Checks the directory, takes the lock, checks what stands under the
    // data file's name. Returns whether a data file stands there; a missing
    // one is refused unless allowed (a reopen must find the file it closed).
    // Throws EngineError with a message naming the directory or the file.
    bool connect(bool missingAllowed = false);
    // Makes a new, empty database under the key where no data file stands.
    void provision(const SecretBytes &rawKey);
    // Checks the directory and takes the lock, whatever the data file is.
    void reserve();
    // Closes the database file; the directory stays reserved for this copy.
    void disconnect();
    bool connected() const { return m_connected; }
    void releaseLock();

    Database &database() { return m_db; }
    const Database &database() const { return m_db; }

private:
    void takeLock();
    // Why the lock file could not be opened (errno err), by what stands there.
    EngineError lockRefusal(const QString &lockFile, int err) const;
    bool checkDataFile(bool missingAllowed);

    QString m_path;
    Database m_db;
    int m_lockFd = -1;  // holds the lock while open; the system drops it when the process ends
    bool m_connected = false;
};

// What a data directory holds, known before anything is opened.
enum class DataDirState {
    New,      // no data file: the first password makes one
    Keyed,    // a data file and its key file
    Unkeyed,  // a data file from before the key file (old built-in key, or plain)
};

class Tdm1 {
public:
    // Opens only files made before the data key existed (and reads the
    // backups and kept files of that time).
    static constexpr const char *LegacyTablePassword = "7Hk2Rz5Tq";

    Tdm1();
    ~Tdm1();
    Tdm1(const Tdm1 &) = delete;
    Tdm1 &operator=(const Tdm1 &) = delete;

    // Takes the directory and checks what stands there; opens nothing but a
    // file from before the key file, which its old key opens anyway (so the
    // start knows whether a password was ever set). Throws EngineError (or
    // DataFileUnopenable) naming the directory or the file.
    DataDirState ReserveDataDir(const QString &dataDir);
    DataDirState dataDirState() const { return m_state; }

    // Opens the data with the password. Keyed: the key file's password entry
    // unseals the data key. Unkeyed: the data is open already; the password
    // must match the stored one (any password when none was ever set, since
    // the first login sets it). Throws WrongPassword ("Invalid Login.") and
    // leaves nothing open; KeyFileUnreadable, DataFileUnopenable, EngineError.
    void UnlockData(const SecretBytes &password);
    // Keyed: the recovery key unseals the data key and opens the data; a new
    // password must then be set with ChangePassword.
    void UnlockWithRecoveryCode(const QString &code);
    // New: makes the data key, the key file and the data file, stores the
    // user name, and opens it (the password is kept only as the key file's seal). Returns the recovery
    // code, which exists nowhere else: the caller shows it once.
    QString CreateData(const SecretBytes &password, const QString &userName);
    // Unkeyed and open: re-encrypts the data under a new data key into a new
    // file, checks it and swaps it in as a restore does; the old file goes.
    // Returns the recovery code.
    QString UpgradeToDataKey(const SecretBytes &password);
    // Moves the kept files in Replaced that are still under the old built-in
    // key to the data key; returns how many. Files under another key stay.
    int ReencryptKeptFiles();
    // Re-seals the data key under a new password (the data file is not
    // rewritten).
    void ChangePassword(const SecretBytes &newPassword);
    // Closes the data and wipes the key; the directory stays reserved.
    void LockData();
    // The key the data is open under (empty while locked or for a file from
    // before the key file): backups and kept files are checked with it.
    const SecretBytes &dataKey() const { return m_dataKey; }
    // The key the login password unsealed when the data file then did not
    // open under it (DataFileUnopenable), else empty: a restore at start
    // checks backups and kept files with it. Nothing is opened with it; it is
    // wiped by LockData, the next ReserveDataDir and the module's end.
    const SecretBytes &unopenedDataKey() const { return m_unopenedKey; }
    // After a restore put a data file in place (the directory reserved, the
    // data closed): opens it under the data key given, as Keyed; an empty key
    // opens a file from before the key file (no key file beside it) as
    // Unkeyed. Throws as UnlockData does; on failure nothing stays open.
    void OpenRestoredData(SecretBytes dataKey);

    // All in one, for nettora-cli, tests and benchmarks: reserve, then make
    // the data (New, user name newUser) or unlock it, upgrading a file from
    // before the key file. Returns the recovery code when one was made.
    QString ConnectDb(const QString &dataDir, const SecretBytes &password, const QString &newUser = QString());
    // The same, with the password asked for once the directory's state is
    // known (new data may want it typed twice).
    struct Connected {
        DataDirState state{};  // as the directory stood before
        QString recoveryCode;  // made for new data or data moved to a key of its own, else empty
    };
    Connected ConnectDb(const QString &dataDir, const std::function<SecretBytes(DataDirState)> &passwordFor,
                        const QString &newUser = QString());
    void OpenNettoraTables();
    void EncryptNettoraTables();
    // Connected with every table open: false after a failed start.
    bool dataOpen() const;

    Database &db() { return ACon1.database(); }
    Table *table(const QString &name) const;  // by table or component name
    // Every table in the order of the open pass.
    const std::vector<Table *> &tables() const { return m_order; }
    // The statement table then the schedule tables, in the order the shared
    // routines treat them.
    const std::vector<Table *> &statementAndSchedules() const { return m_scheduleOrder; }

    Connection ACon1;

    Table *tblNettora = nullptr, *tblCash = nullptr, *tblInvestments = nullptr, *tblLegal = nullptr,
          *tblRealEstate = nullptr, *tblAuto = nullptr, *tblLifeInsurance = nullptr,
          *tblPersonalAssets = nullptr, *tblBusinessAssets = nullptr, *tblOtherAssets = nullptr,
          *tblBank = nullptr, *tblCreditCards = nullptr, *tblTaxes = nullptr, *tblOther = nullptr,
          *tblContingent = nullptr, *tblSummary = nullptr, *tblIncomes = nullptr, *tblExpenditure = nullptr,
          *tblAuto2 = nullptr, *tblUser = nullptr, *tblClient = nullptr, *tblNotes = nullptr;

private:
    // Opens the data file under the key held (or the old key) and every table.
    void openLegacy();
    // Holds the key and opens the data under it; on failure nothing stays open.
    void openWithKey(SecretBytes key);
    QString keyFile() const;
    // Sets aside a key file that stands without its data file, so that a new
    // data file never loses the key of an old one that may be put back.
    void setAsideStrayKeyFile();

    DataDirState m_state = DataDirState::New;
    SecretBytes m_dataKey;
    SecretBytes m_unopenedKey;  // see unopenedDataKey()
    std::vector<std::unique_ptr<Table>> m_owned;
    std::vector<Table *> m_order;
    std::vector<Table *> m_scheduleOrder;
};

// The single data module of the run (set by the program's start, or a test).
extern Tdm1 *dm1;

// The data directory: NETTORA_DATA_DIR, or a fixed place per user. An
// explicit directory (argument or environment) must already exist; the
// per-user default is created on first use.
QString defaultDataDirectory();
QString resolveDataDirectory(const QString &explicitDir);

}  // namespace nettora
