// Failures name their cause in plain words, with the system's or the
// engine's own words after them: for every code the engine may give, and on
// a real full disk where one can be mounted.
#include "data/data_backup.h"
#include "data/failure_cause.h"
#include "data/output_file.h"
#include "support/small_disk.h"
#include "support/testsupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <sqlcipher/sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <list>

namespace nettora::test {

TEST(FailureCause, PlainWordsComeFirstAndTheOwnWordsAfterThem)
{
    const struct {
        int rc;
        int systemErrno;  // what the engine met, kept only for I/O and open failures
        const char *words;
        const char *shown;
    } engine[] = {
        {SQLITE_FULL, 0, "database or disk is full", "the disk is full (database or disk is full)"},
        {SQLITE_IOERR, ENOSPC, "disk I/O error", "the disk is full (disk I/O error)"},
        {SQLITE_IOERR_WRITE, ENOSPC, "disk I/O error", "the disk is full (disk I/O error)"},
        {SQLITE_IOERR_FSYNC, ENOSPC, "disk I/O error", "the disk is full (disk I/O error)"},
        {SQLITE_IOERR_TRUNCATE, ENOSPC, "disk I/O error", "the disk is full (disk I/O error)"},
        {SQLITE_IOERR_WRITE, EIO, "disk I/O error", "disk I/O error"},
        {SQLITE_CANTOPEN, ENAMETOOLONG, "unable to open database file",
         "the path is longer than the system allows (unable to open database file)"},
        {SQLITE_CANTOPEN, EACCES, "unable to open database file", "unable to open database file"},
        // A failure of another kind is never blamed on a system error left from an earlier one.
        {SQLITE_CONSTRAINT, ENOSPC, "UNIQUE constraint failed: Client.Id", "UNIQUE constraint failed: Client.Id"},
        {SQLITE_NOTADB, ENOSPC, "file is not a database", "file is not a database"},
    };
    for (const auto &c : engine) {
        SCOPED_TRACE(c.rc);
        EXPECT_EQ(engineCause(c.rc, c.systemErrno, QLatin1String(c.words)), QLatin1String(c.shown));
    }
    const struct {
        int err;
        const char *shown;
    } system[] = {
        {ENOSPC, "the disk is full (No space left on device)"},
        {ENAMETOOLONG, "the path is longer than the system allows (File name too long)"},
        {EACCES, "Permission denied"},
        {EIO, "Input/output error"},
    };
    for (const auto &c : system) {
        SCOPED_TRACE(c.err);
        EXPECT_EQ(systemCause(c.err), QLatin1String(c.shown));
    }
}

// The data, a backup and an output file each on a disk with no room left.
class FullDiskTest : public DataDirTest {
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        ASSERT_TRUE(m_scratch.isValid());
        addClient(QStringLiteral("Ann"), QStringLiteral("Lee"));
    }
    QTemporaryDir m_scratch;
};

TEST_F(FullDiskTest, EveryWriteThatFindsTheDiskFullSaysSo)
{
    SmallDisk disk(QDir(m_scratch.path()).filePath(QStringLiteral("disk")));
    if (!disk.mounted())
        GTEST_SKIP() << "no file system can be mounted here; the words are covered by FailureCause";
    const QString room = disk.path();
    const auto engineFailure = [](const std::function<void()> &write) {
        try {
            write();
        } catch (const EngineError &e) {
            return e.text();
        }
        return QStringLiteral("written");
    };
    std::unique_ptr<Tdm1> onDisk;
    const struct {
        const char *what;
        std::function<void()> before;  // while there is room
        std::function<QString()> write;
        QString expected;
    } cases[] = {
        {"a new data directory", [&] { QDir().mkpath(room + QStringLiteral("/new")); },
         [&] { return engineFailure([&] { Tdm1().ConnectDb(room + QStringLiteral("/new"), test::testPassword()); }); },
         QStringLiteral("the disk is full (database or disk is full)")},
        {"rows saved in the data",
         [&] {
             QDir().mkpath(room + QStringLiteral("/data"));
             onDisk = std::make_unique<Tdm1>();
             onDisk->ConnectDb(room + QStringLiteral("/data"), test::testPassword());
         },
         [&] {
             return engineFailure([&] {
                 Table *notes = onDisk->tblNotes;
                 for (int i = 0; i < 10000; ++i) {
                     notes->append();
                     notes->setAsString("Details", QString(2000, QLatin1Char('n')));
                     notes->post();
                 }
             });
         },
         QStringLiteral("the disk is full (database or disk is full)")},
        {"a backup", [] {},
         [&] { return BackupDataFile(room + QStringLiteral("/backup"), ExistingBackup::Refuse).text; },
         QStringLiteral("The copy cannot be written (the disk is full (No space left on device)). No new backup was "
                        "written. The data is unchanged.")},
        {"an output file", [] {},
         [&] {
             try {
                 writeOutputFile(room + QStringLiteral("/out.json"), QByteArray(1 << 20, 'x'));
             } catch (const OutputFileError &e) {
                 return e.text();
             }
             return QStringLiteral("written");
         },
         QStringLiteral("Cannot write \"%1/out.json\": the disk is full (No space left on device).").arg(room)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(disk.resize(4 << 20));
        c.before();
        ASSERT_TRUE(disk.leaveRoom(4096));  // a size of 0 would mean no limit at all
        EXPECT_EQ(c.write(), c.expected);
    }
}

namespace {

// The engine's own files, whose syncs fail, when told, as they do where the
// disk fills up behind written data: the engine reports an I/O error and
// keeps the system's ENOSPC beside it.
struct FailingSyncs {
    static inline sqlite3_vfs *real = nullptr;
    static inline sqlite3_vfs vfs {};
    static inline bool failing = false;
    // Each kind of file the engine opens (the data, its log, temporary
    // ones) has methods of its own: each gets a copy whose sync can fail.
    struct Methods {
        const sqlite3_io_methods *real;
        sqlite3_io_methods failing;
    };
    static inline std::list<Methods> kinds;

    static int sync(sqlite3_file *file, int flags)
    {
        if (failing) {
            errno = ENOSPC;
            return SQLITE_IOERR_FSYNC;
        }
        for (const Methods &m : kinds)
            if (file->pMethods == &m.failing)
                return m.real->xSync(file, flags);
        return SQLITE_MISUSE;
    }

    static int open(sqlite3_vfs *, const char *name, sqlite3_file *file, int flags, int *outFlags)
    {
        const int rc = real->xOpen(real, name, file, flags, outFlags);
        if (rc != SQLITE_OK || !file->pMethods)
            return rc;
        auto kind = std::find_if(kinds.begin(), kinds.end(), [&](const Methods &m) { return m.real == file->pMethods; });
        if (kind == kinds.end()) {
            kind = kinds.insert(kinds.end(), Methods{file->pMethods, *file->pMethods});
            kind->failing.xSync = sync;
        }
        file->pMethods = &kind->failing;
        return rc;
    }

    // The engine's default until the object goes.
    FailingSyncs()
    {
        real = sqlite3_vfs_find(nullptr);
        vfs = *real;
        vfs.zName = "failing-syncs";
        vfs.xOpen = open;
        sqlite3_vfs_register(&vfs, 1);
    }
    ~FailingSyncs()
    {
        failing = false;
        sqlite3_vfs_register(real, 1);
        sqlite3_vfs_unregister(&vfs);
    }
};

}  // namespace

TEST_F(FullDiskTest, ASyncThatFindsTheDiskFullIsNoMereIoError)
{
    FailingSyncs syncs;
    const QString dir = QDir(m_scratch.path()).filePath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(dir));
    Tdm1 module;
    module.ConnectDb(dir, test::testPassword());
    FailingSyncs::failing = true;
    try {
        Table *clients = module.tblClient;
        clients->append();
        clients->setAsString("LastName", QStringLiteral("Ray"));
        clients->post();
        ADD_FAILURE() << "written";
    } catch (const EngineError &e) {
        EXPECT_EQ(e.text(), QStringLiteral("the disk is full (disk I/O error)"));
    }
}

}  // namespace nettora::test
