#pragma once
// The data module: the connection to the data directory and one cursor per
// table, the only way windows, reports and routines reach the data.
//
// Start-up: ConnectDb checks the data directory and takes it for this copy of
// the program (an operating-system lock on the lock file, held until the
// process ends, plus the engine's exclusive lock), provisions a directory
// where no data file of that name exists at all, then runs the open pass;
// when that fails on a plain (unencrypted) data file holding this program's
// tables, the encryption pass rewrites the file encrypted under the table
// password and opens it. Anything else in place of the data file (another
// program's database, a dangling link, a folder, a read-only file) is
// reported by name and left as it is. A data file that stands there but does
// not open as this program's data is reported as DataFileUnopenable, so that
// the start can offer a restore in its place.

#include "data/engine.h"

#include <QString>
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
    // data file's name, provisions a new database only where nothing does
    // (unless told not to: a reopen must find the file it closed).
    // Throws EngineError with a message naming the directory or the file.
    void connect(bool provisionIfMissing = true);
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
    void checkDataFile(bool provisionIfMissing);
    void provision();

    QString m_path;
    Database m_db;
    int m_lockFd = -1;  // holds the lock while open; the system drops it when the process ends
    bool m_connected = false;
};

class Tdm1 {
public:
    static constexpr const char *TablePassword = "7Hk2Rz5Tq";

    Tdm1();
    ~Tdm1();
    Tdm1(const Tdm1 &) = delete;
    Tdm1 &operator=(const Tdm1 &) = delete;

    // Connects to the directory and opens every table (see the top of this
    // file). Throws EngineError carrying the engine's text.
    void ConnectDb(const QString &dataDir);
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
