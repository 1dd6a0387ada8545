#include "support/testsupport.h"

#include "data/data_backup.h"
#include "data/data_key.h"
#include "data/db_functions.h"
#include "data/schema_upgrade.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sqlcipher/sqlite3.h>

namespace nettora::test {
namespace {

// Every client and every cash row, as one text: what "the data" is here.
QString contents()
{
    QString s;
    Statement c = dm1->db().prepare(
        QStringLiteral("SELECT group_concat(FirstName || ' ' || LastName, ';') FROM (SELECT * FROM Client ORDER BY rowid)"));
    if (c.step())
        s += c.columnText(0);
    Statement r = dm1->db().prepare(
        QStringLiteral("SELECT group_concat(RegisteredName || '=' || Balance, ';') FROM (SELECT * FROM Cash ORDER BY rowid)"));
    if (r.step())
        s += QLatin1Char('|') + r.columnText(0);
    return s;
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QByteArray bytesOf(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &file, const QByteArray &data)
{
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

// A database file made with the engine directly: under a key, or plain.
void makeDatabase(const QString &file, const char *key, const char *sql)
{
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(file.toUtf8().constData(), &db), SQLITE_OK);
    if (key)
        sqlite3_exec(db, (std::string("PRAGMA key = \"") + key + "\"").c_str(), nullptr, nullptr, nullptr);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

class DataBackupTest : public DataDirTest {
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        ASSERT_TRUE(m_scratch.isValid());
        const qint64 c = addClient(QStringLiteral("Ann"), QStringLiteral("Lee"));
        const qint64 s = addStatement(c);
        addRow(m_dm->tblCash, c, s, {{"RegisteredName", QStringLiteral("First Bank")}, {"Balance", QStringLiteral("1200.5")}});
    }
    void TearDown() override
    {
        setDataFileStepHook({});
        DataDirTest::TearDown();
    }
    QString folder(const QString &name) const { return QDir(m_scratch.path()).filePath(name); }
    void change()
    {
        addClient(QStringLiteral("Bob"), QStringLiteral("Ray"));
        Table *cash = m_dm->tblCash;
        cash->first();
        cash->edit();
        cash->setAsString("Balance", QStringLiteral("99"));
        cash->post();
    }
    QTemporaryDir m_scratch;
};

TEST_F(DataBackupTest, BackupThenChangeThenRestoreGivesBackTheBackedUpDataAndKeepsTheReplaced)
{
    const QString before = contents();
    const DataFileResult b =
        BackupDataFile(folder(QStringLiteral("Nettora_Backup_12082026")), ExistingBackup::Refuse);
    ASSERT_TRUE(b.ok) << b.text.toStdString();
    // The data file and its key file, still encrypted and sealed; no lock or
    // temporary file.
    EXPECT_EQ(filesIn(folder(QStringLiteral("Nettora_Backup_12082026"))),
              (QStringList{QStringLiteral("nettora.db"), QStringLiteral("nettora.key")}));
    EXPECT_FALSE(bytesOf(b.file).startsWith("SQLite format 3"));
    EXPECT_EQ(dataFileProblem(b.file), QString());
    EXPECT_EQ(dataFileProblem(b.file, m_dataKey), QString());
    // The old built-in key opens it no longer.
    EXPECT_TRUE(dataFileProblem(b.file, SecretBytes()).contains(QLatin1String("does not open with Nettora's key")));
    const QString backupKey = folder(QStringLiteral("Nettora_Backup_12082026/nettora.key"));
    EXPECT_EQ(bytesOf(backupKey), bytesOf(keyFilePath(dataDir())));

    for (const QString &file : {b.file, backupKey})
        EXPECT_EQ(QFile::permissions(file) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ReadOwner | QFile::WriteOwner),
                  QFile::Permissions());

    change();
    const QString changed = contents();
    ASSERT_NE(changed, before);
    // Other files of the folder stay there; what a killed restore left in
    // the data directory goes.
    writeBytes(folder(QStringLiteral("Nettora_Backup_12082026/notes.txt")), "not data");
    writeBytes(QDir(dataDir()).filePath(QStringLiteral(".nettora-restore-left")), "half a copy");
    const DataFileResult r = RestoreDataFile(folder(QStringLiteral("Nettora_Backup_12082026")));
    ASSERT_TRUE(r.ok) << r.text.toStdString();
    EXPECT_EQ(contents(), before);  // the open module reads the restored data
    EXPECT_TRUE(r.file.startsWith(QDir(dataDir()).filePath(QStringLiteral("Replaced/nettora-"))));
    EXPECT_TRUE(r.text.contains(r.file));
    // Nothing but the data file, the engine's own sidecars and the lock.
    QStringList left = filesIn(dataDir()).filter(QRegularExpression(QStringLiteral("^(?!nettora\\.db-(wal|shm)$)")));
    EXPECT_EQ(left, (QStringList{QStringLiteral("Replaced"), QStringLiteral("nettora.db"), QStringLiteral("nettora.key"),
                                 QStringLiteral("nettora.lock")}));
    restart();
    EXPECT_EQ(contents(), before);

    // The kept file is the data as it was just before the restore, and
    // restoring it brings that back.
    const DataFileResult back = RestoreDataFile(r.file);
    ASSERT_TRUE(back.ok) << back.text.toStdString();
    EXPECT_EQ(contents(), changed);
    EXPECT_NE(back.file, r.file);
    restart();
    EXPECT_EQ(contents(), changed);
}

TEST_F(DataBackupTest, ASecondBackupIntoTheSameFolderReplacesTheFirstOnlyWhenToldTo)
{
    const QString to = folder(QStringLiteral("b"));
    EXPECT_EQ(existingBackupIn(to), QString());
    ASSERT_TRUE(BackupDataFile(to, ExistingBackup::Refuse).ok);
    const QByteArray first = bytesOf(QDir(to).filePath(QStringLiteral("nettora.db")));
    const QString existing = existingBackupIn(to);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^The folder \"%1\" already holds a backup, written "
                                                  "\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d\\.$")
                                       .arg(QRegularExpression::escape(to)))
                    .match(existing)
                    .hasMatch())
        << existing.toStdString();
    // The data file in the data directory is no backup.
    EXPECT_EQ(existingBackupIn(dataDir()), QString());

    change();
    const QString changed = contents();
    writeBytes(QDir(to).filePath(QStringLiteral(".nettora-backup-left")), "half a copy");
    const DataFileResult refused = BackupDataFile(to, ExistingBackup::Refuse);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.existingBackupKept);
    EXPECT_TRUE(refused.reopened);
    EXPECT_EQ(refused.text, existing + " No backup was written. The data is unchanged.");
    EXPECT_EQ(bytesOf(QDir(to).filePath(QStringLiteral("nettora.db"))), first);
    EXPECT_EQ(contents(), changed);

    const DataFileResult second = BackupDataFile(to, ExistingBackup::Replace);
    ASSERT_TRUE(second.ok) << second.text.toStdString();
    EXPECT_FALSE(second.existingBackupKept);
    EXPECT_EQ(filesIn(to), (QStringList{QStringLiteral("nettora.db"), QStringLiteral("nettora.key")}));
    ASSERT_TRUE(RestoreDataFile(to).ok);
    EXPECT_EQ(contents(), changed);
}

// A backup that appears in the folder while the copy is made is not
// replaced either.
TEST_F(DataBackupTest, ABackupThatAppearsDuringTheCopyIsKept)
{
    const QString to = folder(QStringLiteral("b"));
    const QString target = QDir(to).filePath(QStringLiteral("nettora.db"));
    setDataFileStepHook([&](DataFileStep s) {
        if (s == DataFileStep::Check)
            writeBytes(target, "another backup");
        return QString();
    });
    const DataFileResult r = BackupDataFile(to, ExistingBackup::Refuse);
    setDataFileStepHook({});
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.existingBackupKept);
    EXPECT_TRUE(r.text.startsWith(existingBackupIn(to))) << r.text.toStdString();
    EXPECT_EQ(bytesOf(target), "another backup");
    EXPECT_EQ(filesIn(to), QStringList{QStringLiteral("nettora.db")});
}

TEST_F(DataBackupTest, DamagedOrForeignBackupsAreRefusedAndNothingChanges)
{
    ASSERT_TRUE(BackupDataFile(folder(QStringLiteral("good")), ExistingBackup::Refuse).ok);
    const QByteArray good = bytesOf(folder(QStringLiteral("good/nettora.db")));
    ASSERT_GT(good.size(), 8192);
    const char *tables = "CREATE TABLE Client(Id INTEGER PRIMARY KEY, FirstName TEXT); INSERT INTO Client VALUES(1,'x');";
    const QByteArray engineKey(reinterpret_cast<const char *>(engineKeyText(m_dm->dataKey()).data()));
    struct Case {
        const char *name;
        std::function<void(const QString &dir)> make;
        const char *expected;
    } cases[] = {
        {"missing", [](const QString &d) { writeBytes(d + "/notes.txt", "hello"); }, "there is no file named nettora.db"},
        {"empty", [](const QString &d) { writeBytes(d + "/nettora.db", {}); }, "it is empty"},
        {"cut", [&](const QString &d) { writeBytes(d + "/nettora.db", good.left(good.size() / 2)); }, "damaged"},
        {"bit flipped",
         [&](const QString &d) {
             QByteArray b = good;
             b[b.size() / 2 + 100] = char(b[b.size() / 2 + 100] ^ 0x10);
             writeBytes(d + "/nettora.db", b);
         },
         "damaged"},
        {"plain other program", [&](const QString &d) { makeDatabase(d + "/nettora.db", nullptr, tables); },
         "unencrypted database"},
        {"wrong key", [&](const QString &d) { makeDatabase(d + "/nettora.db", "another key", tables); },
         "does not open with Nettora's key"},
        {"right key, other tables", [&](const QString &d) { makeDatabase(d + "/nettora.db", engineKey.constData(), tables); },
         "does not hold Nettora's tables"},
        {"a folder", [](const QString &d) { QDir(d).mkdir(QStringLiteral("nettora.db")); }, "not a regular file"},
    };
    change();
    const QString before = contents();
    const QStringList filesBefore = filesIn(dataDir());
    const QByteArray dataBefore = bytesOf(QDir(dataDir()).filePath(QStringLiteral("nettora.db")));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString dir = folder(QString::fromLatin1(c.name));
        ASSERT_TRUE(QDir().mkpath(dir));
        c.make(dir);
        const DataFileResult r = RestoreDataFile(dir);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.reopened);
        EXPECT_TRUE(r.text.contains(QLatin1String(c.expected))) << r.text.toStdString();
        EXPECT_TRUE(r.text.endsWith(QLatin1String("Nothing was changed."))) << r.text.toStdString();
        EXPECT_EQ(contents(), before);
        EXPECT_EQ(filesIn(dataDir()), filesBefore);
        EXPECT_EQ(bytesOf(QDir(dataDir()).filePath(QStringLiteral("nettora.db"))), dataBefore);
    }
    EXPECT_EQ(RestoreDataFile(folder(QStringLiteral("no such folder"))).text.contains(QLatin1String("cannot be opened")),
              true);
}

// A failure at each step leaves the data, and an earlier backup, as they were.
TEST_F(DataBackupTest, AFailedStepLeavesTheDataAndTheEarlierBackupAsBefore)
{
    const QString to = folder(QStringLiteral("b"));
    ASSERT_TRUE(BackupDataFile(to, ExistingBackup::Refuse).ok);
    const QByteArray earlier = bytesOf(QDir(to).filePath(QStringLiteral("nettora.db")));
    change();
    const QString changed = contents();
    for (DataFileStep step : {DataFileStep::Copy, DataFileStep::Flush, DataFileStep::Check, DataFileStep::Rename,
                              DataFileStep::Reopen}) {
        SCOPED_TRACE(int(step));
        for (bool restoring : {false, true}) {
            SCOPED_TRACE(restoring ? "restore" : "backup");
            int failures = 0;
            setDataFileStepHook([&](DataFileStep s) {
                return s == step && failures++ == 0 ? QStringLiteral("Injected failure.") : QString();
            });
            const DataFileResult r = restoring ? RestoreDataFile(to) : BackupDataFile(to, ExistingBackup::Replace);
            setDataFileStepHook({});
            EXPECT_FALSE(r.ok);
            EXPECT_GE(failures, 1);  // the step was reached
            EXPECT_TRUE(r.text.contains(QLatin1String("Injected failure."))) << r.text.toStdString();
            if (!r.reopened) {
                // Only a backup whose reopen failed leaves the data closed.
                EXPECT_TRUE(step == DataFileStep::Reopen && !restoring);
                restart();
            }
            EXPECT_EQ(contents(), changed);
            EXPECT_EQ(bytesOf(QDir(to).filePath(QStringLiteral("nettora.db"))), earlier);
            EXPECT_EQ(filesIn(to), (QStringList{QStringLiteral("nettora.db"), QStringLiteral("nettora.key")}));
            EXPECT_EQ(filesIn(QDir(dataDir()).filePath(QStringLiteral("Replaced"))), QStringList());
            for (const QString &f : filesIn(dataDir()))
                EXPECT_FALSE(f.startsWith(QLatin1Char('.'))) << f.toStdString();
        }
    }
}

TEST_F(DataBackupTest, PathsOfAnyLengthWork)
{
    QString deep = m_scratch.path();
    for (int i = 0; i < 12; ++i)
        deep += QStringLiteral("/folder_%1_of_a_long_chain_of_nested_backup_folders_abcdefghij").arg(i);
    ASSERT_GT(deep.size(), 700);
    const QString before = contents();
    const DataFileResult b = BackupDataFile(deep, ExistingBackup::Refuse);
    ASSERT_TRUE(b.ok) << b.text.toStdString();
    change();
    const DataFileResult r = RestoreDataFile(deep);
    ASSERT_TRUE(r.ok) << r.text.toStdString();
    EXPECT_EQ(contents(), before);
}

// Data kept on another drive through a link: the file it points to is
// replaced and the link stays.
TEST_F(DataBackupTest, ALinkedDataFileStaysALink)
{
    const QString elsewhere = folder(QStringLiteral("drive"));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    const QString link = QDir(dataDir()).filePath(QStringLiteral("nettora.db"));
    const QString target = QDir(elsewhere).filePath(QStringLiteral("nettora.db"));
    m_dm.reset();
    ASSERT_TRUE(QFile::rename(link, target));
    ASSERT_TRUE(QFile::link(target, link));
    restart();
    const QString before = contents();
    ASSERT_TRUE(BackupDataFile(folder(QStringLiteral("b")), ExistingBackup::Refuse).ok);
    change();
    const DataFileResult r = RestoreDataFile(folder(QStringLiteral("b")));
    ASSERT_TRUE(r.ok) << r.text.toStdString();
    EXPECT_EQ(contents(), before);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), target);
    EXPECT_TRUE(QFileInfo::exists(r.file));
    restart();
    EXPECT_EQ(contents(), before);
}

TEST_F(DataBackupTest, TheDataDirectoryIsNoBackupFolder)
{
    const QStringList filesBefore = filesIn(dataDir());
    const DataFileResult b = BackupDataFile(dataDir(), ExistingBackup::Refuse);
    EXPECT_FALSE(b.ok);
    EXPECT_TRUE(b.text.contains(QLatin1String("data directory itself")));
    const DataFileResult r = RestoreDataFile(dataDir());
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.text.contains(QLatin1String("Nothing was changed.")));
    EXPECT_EQ(filesIn(dataDir()), filesBefore);
}

// A data file that did not open at start is replaced by a restore; the logs
// beside it go with it, so that none of their pages is read into the
// restored data.
TEST_F(DataBackupTest, ADataFileThatDoesNotOpenIsReplacedAndKeptWithItsLog)
{
    const QString before = contents();
    ASSERT_TRUE(BackupDataFile(folder(QStringLiteral("b")), ExistingBackup::Refuse).ok);

    // A real log of other data under the same key, as a crash leaves it: a
    // copy of the directory, changed.
    QByteArray log;
    {
        QTemporaryDir other;
        m_dm.reset();
        for (const char *name : {"nettora.db", "nettora.key"})
            ASSERT_TRUE(QFile::copy(QDir(dataDir()).filePath(QLatin1String(name)), QDir(other.path()).filePath(QLatin1String(name))));
        Tdm1 module;
        dm1 = &module;
        module.ConnectDb(other.path(), test::testPassword());
        module.db().exec(QStringLiteral("INSERT INTO Client (FirstName, LastName) VALUES ('Wal', 'Only')"));
        log = bytesOf(QDir(other.path()).filePath(QStringLiteral("nettora.db-wal")));
        dm1 = nullptr;
    }
    ASSERT_FALSE(log.isEmpty());
    const QString dataFile = QDir(dataDir()).filePath(QStringLiteral("nettora.db"));
    const QByteArray garbage(8192, 'x');
    writeBytes(dataFile, garbage);
    m_dm = std::make_unique<Tdm1>();
    dm1 = m_dm.get();
    EXPECT_THROW(m_dm->ConnectDb(dataDir(), test::testPassword()), DataFileUnopenable);
    EXPECT_FALSE(m_dm->dataOpen());
    writeBytes(dataFile + "-wal", log);

    const DataFileResult r = RestoreDataFile(folder(QStringLiteral("b")));
    ASSERT_TRUE(r.ok) << r.text.toStdString();
    EXPECT_TRUE(m_dm->dataOpen());
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(r.text, "The data file it replaced, which did not open, was kept as \"" + r.file + "\".");
    EXPECT_EQ(bytesOf(r.file), garbage);
    EXPECT_EQ(bytesOf(r.file + "-wal"), log);
    restart();
    EXPECT_EQ(contents(), before);
}

TEST_F(DataBackupTest, KeptDataFilesAreListedNewestFirstWithWhatTheyHold)
{
    ASSERT_TRUE(BackupDataFile(folder(QStringLiteral("b")), ExistingBackup::Refuse).ok);  // one client
    change();                                                                            // two clients
    const DataFileResult r = RestoreDataFile(folder(QStringLiteral("b")));
    ASSERT_TRUE(r.ok) << r.text.toStdString();
    const QString replaced = QDir(dataDir()).filePath(QStringLiteral("Replaced"));
    ASSERT_TRUE(QFile::copy(folder(QStringLiteral("b/nettora.db")),
                            QDir(replaced).filePath(QStringLiteral("nettora-20010203-040506-version0.db"))));
    writeBytes(QDir(replaced).filePath(QStringLiteral("nettora-20020101-120000.db")), QByteArray(4096, 'x'));
    writeBytes(QDir(replaced).filePath(QStringLiteral("nettora-20020101-120000-1.db")), QByteArray());
    writeBytes(QDir(replaced).filePath(QStringLiteral(".nettora-restore-left")), "half a copy");
    writeBytes(QDir(replaced).filePath(QStringLiteral("notes.txt")), "not data");
    const QStringList filesBefore = filesIn(replaced);

    const std::vector<KeptDataFile> kept = keptDataFiles(dataDir());
    ASSERT_EQ(kept.size(), 4u);
    EXPECT_EQ(kept[0].file, r.file);
    EXPECT_EQ(kept[0].clients, 2);
    EXPECT_EQ(kept[0].statements, 1);
    EXPECT_EQ(kept[0].upgradedFrom, -1);
    EXPECT_EQ(kept[0].problem, QString());
    EXPECT_EQ(kept[0].size, QFileInfo(r.file).size());
    const struct {
        const char *name;
        QDateTime when;
        int upgradedFrom, clients;
        const char *problem;
    } rest[] = {
        {"nettora-20020101-120000-1.db", QDateTime(QDate(2002, 1, 1), QTime(12, 0)), -1, -1, "it is empty"},
        {"nettora-20020101-120000.db", QDateTime(QDate(2002, 1, 1), QTime(12, 0)), -1, -1, "it is damaged"},
        {"nettora-20010203-040506-version0.db", QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)), 0, 1, ""},
    };
    for (size_t i = 0; i < std::size(rest); ++i) {
        SCOPED_TRACE(rest[i].name);
        const KeptDataFile &k = kept[i + 1];
        EXPECT_EQ(k.file, QDir(replaced).filePath(QLatin1String(rest[i].name)));
        EXPECT_EQ(k.kept, rest[i].when);
        EXPECT_EQ(k.upgradedFrom, rest[i].upgradedFrom);
        EXPECT_EQ(k.clients, rest[i].clients);
        EXPECT_EQ(k.statements, rest[i].clients < 0 ? -1 : 1);
        EXPECT_EQ(k.problem.isEmpty(), rest[i].clients >= 0);
        EXPECT_TRUE(k.problem.contains(QLatin1String(rest[i].problem))) << k.problem.toStdString();
    }
    // Reading them leaves nothing beside them and changes none.
    EXPECT_EQ(filesIn(replaced), filesBefore);
    EXPECT_EQ(dataFileProblem(r.file), QString());
}

// The data as a file under the old built-in key, as backups and kept files
// made before the key file are.
void writeUnderOldKey(Database &db, const QString &target)
{
    db.exec(QStringLiteral("ATTACH DATABASE '%1' AS old KEY '%2'").arg(target, QLatin1String(Tdm1::LegacyTablePassword)));
    db.exec(QStringLiteral("SELECT sqlcipher_export('old')"));
    db.exec(QStringLiteral("PRAGMA old.user_version = %1").arg(dataVersion()));
    db.exec(QStringLiteral("DETACH DATABASE old"));
}

// The password is changed after the backup: the backup is the same data under
// the same data key, so only its data file comes back and the current key
// file, and with it the current password, stays.
TEST_F(DataBackupTest, ARestoreAfterAPasswordChangeKeepsTheCurrentPassword)
{
    const QString before = contents();
    ASSERT_TRUE(BackupDataFile(folder(QStringLiteral("b")), ExistingBackup::Refuse).ok);
    const SecretBytes changedPassword = SecretBytes::fromText(QStringLiteral("changed password"));
    m_dm->ChangePassword(changedPassword);
    const QByteArray currentKeyFile = bytesOf(keyFilePath(dataDir()));
    change();

    const DataFileResult r = RestoreDataFile(folder(QStringLiteral("b")));
    ASSERT_TRUE(r.ok) << r.text.toStdString();
    EXPECT_FALSE(r.text.contains(QLatin1String("password"))) << r.text.toStdString();
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(bytesOf(keyFilePath(dataDir())), currentKeyFile);
    EXPECT_EQ(filesIn(QDir(dataDir()).filePath(QStringLiteral("Replaced"))), QStringList{QFileInfo(r.file).fileName()});

    m_dm = std::make_unique<Tdm1>();
    dm1 = m_dm.get();
    EXPECT_THROW(m_dm->ConnectDb(dataDir(), test::testPassword()), WrongPassword);
    m_dm->ConnectDb(dataDir(), changedPassword);
    EXPECT_EQ(contents(), before);
}

// A backup of other data under another password (and so another data key):
// its password is asked for, a wrong one changes nothing, and the right one
// brings back the data with its key file, the current pair kept.
TEST_F(DataBackupTest, ABackupUnderAnotherPasswordAsksForItAndBringsItsKeyFile)
{
    const SecretBytes otherPassword = SecretBytes::fromText(QStringLiteral("other password"));
    QTemporaryDir otherDir;
    {
        Tdm1 other;
        dm1 = &other;
        other.ConnectDb(otherDir.path(), otherPassword, QStringLiteral("other"));
        other.db().exec(QStringLiteral("INSERT INTO Client (FirstName, LastName) VALUES ('Zed', 'Other')"));
        ASSERT_TRUE(BackupDataFile(folder(QStringLiteral("other")), ExistingBackup::Refuse).ok);
        dm1 = m_dm.get();
    }
    change();
    const QString current = contents();
    const QStringList filesBefore = filesIn(dataDir());
    const QByteArray dataBefore = bytesOf(QDir(dataDir()).filePath(QStringLiteral("nettora.db")));
    const QByteArray keyBefore = bytesOf(keyFilePath(dataDir()));
    const struct {
        const char *name;
        QString password;
        const char *says;
    } refused[] = {
        {"no password", QString(), "was made under another password than the current one"},
        {"a wrong one", QStringLiteral("wrong password"), "The password given does not open the backup"},
    };
    for (const auto &c : refused) {
        SCOPED_TRACE(c.name);
        const DataFileResult r = RestoreDataFile(folder(QStringLiteral("other")), SecretBytes::fromText(c.password));
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.needsPassword);
        EXPECT_TRUE(r.reopened);
        EXPECT_TRUE(r.text.contains(QLatin1String(c.says))) << r.text.toStdString();
        EXPECT_TRUE(r.text.endsWith(QLatin1String("Nothing was changed."))) << r.text.toStdString();
        EXPECT_EQ(contents(), current);
        EXPECT_EQ(filesIn(dataDir()), filesBefore);
        EXPECT_EQ(bytesOf(QDir(dataDir()).filePath(QStringLiteral("nettora.db"))), dataBefore);
        EXPECT_EQ(bytesOf(keyFilePath(dataDir())), keyBefore);
    }

    const DataFileResult r = RestoreDataFile(folder(QStringLiteral("other")), otherPassword);
    ASSERT_TRUE(r.ok) << r.text.toStdString();
    EXPECT_TRUE(r.text.contains(QLatin1String("The restored data keeps its own password"))) << r.text.toStdString();
    EXPECT_TRUE(contents().startsWith(QLatin1String("Zed Other"))) << contents().toStdString();
    EXPECT_EQ(bytesOf(keyFilePath(dataDir())), bytesOf(folder(QStringLiteral("other/nettora.key"))));
    // The replaced pair is kept together, and no record of the swap is left.
    const QString keptKey = r.file.left(r.file.size() - 3) + QStringLiteral(".key");
    EXPECT_TRUE(r.text.contains(keptKey)) << r.text.toStdString();
    EXPECT_EQ(bytesOf(keptKey), keyBefore);
    for (const QString &f : filesIn(dataDir()))
        EXPECT_FALSE(f.startsWith(QLatin1Char('.'))) << f.toStdString();

    // The restored data opens with its own password only.
    m_dm = std::make_unique<Tdm1>();
    dm1 = m_dm.get();
    EXPECT_THROW(m_dm->ConnectDb(dataDir(), test::testPassword()), WrongPassword);
    m_dm->ConnectDb(dataDir(), otherPassword);
    EXPECT_TRUE(contents().startsWith(QLatin1String("Zed Other")));

    // The kept pair is listed as under a password of its own, and comes
    // back with it.
    const std::vector<KeptDataFile> kept = keptDataFiles(dataDir());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_TRUE(kept[0].ownKeyFile);
    const DataFileResult back = RestoreDataFile(r.file, test::testPassword());
    ASSERT_TRUE(back.ok) << back.text.toStdString();
    EXPECT_EQ(contents(), current);
    restart();
    EXPECT_EQ(contents(), current);
}

// A backup or a kept file from before the key file, under the old built-in
// key: it is restored, moved to the current data key, and the current
// password opens it.
TEST_F(DataBackupTest, DataUnderTheOldKeyIsRestoredUnderTheDataKey)
{
    const QString before = contents();
    const QString replaced = QDir(dataDir()).filePath(QStringLiteral("Replaced"));
    ASSERT_TRUE(QDir().mkpath(folder(QStringLiteral("old"))));
    ASSERT_TRUE(QDir().mkpath(replaced));
    const QString keptOld = QDir(replaced).filePath(QStringLiteral("nettora-20010101-000000.db"));
    writeUnderOldKey(m_dm->db(), folder(QStringLiteral("old/nettora.db")));
    writeUnderOldKey(m_dm->db(), keptOld);
    // Listed with what it holds, read under the old key.
    const std::vector<KeptDataFile> kept = keptDataFiles(dataDir());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].clients, 1);
    EXPECT_EQ(kept[0].problem, QString());
    const QString dataFile = QDir(dataDir()).filePath(QStringLiteral("nettora.db"));
    for (const QString &source : {folder(QStringLiteral("old")), keptOld}) {
        SCOPED_TRACE(source.toStdString());
        change();
        const QByteArray keyBefore = bytesOf(keyFilePath(dataDir()));
        const DataFileResult r = RestoreDataFile(source);
        ASSERT_TRUE(r.ok) << r.text.toStdString();
        EXPECT_TRUE(r.text.contains(QLatin1String("moved to the current data key"))) << r.text.toStdString();
        EXPECT_EQ(contents(), before);
        EXPECT_EQ(bytesOf(keyFilePath(dataDir())), keyBefore);
        m_dm.reset();  // the open data is locked against other readers
        EXPECT_EQ(dataFileProblem(dataFile, m_dataKey), QString());
        EXPECT_TRUE(dataFileProblem(dataFile, SecretBytes()).contains(QLatin1String("does not open")));
        restart();
        EXPECT_EQ(contents(), before);
    }
}

// A data file found empty before any login (the start reserved the
// directory and stopped): the key is not known yet, so the password given
// with the restore is tried on the current key file.
TEST_F(DataBackupTest, AnEmptyDataFileFoundBeforeLoginIsRestoredWithThePassword)
{
    const QString before = contents();
    ASSERT_TRUE(BackupDataFile(folder(QStringLiteral("b")), ExistingBackup::Refuse).ok);
    m_dm.reset();
    writeBytes(QDir(dataDir()).filePath(QStringLiteral("nettora.db")), QByteArray());
    m_dm = std::make_unique<Tdm1>();
    dm1 = m_dm.get();
    EXPECT_THROW(m_dm->ReserveDataDir(dataDir()), DataFileUnopenable);

    const DataFileResult asked = RestoreDataFile(folder(QStringLiteral("b")));
    EXPECT_FALSE(asked.ok);
    EXPECT_TRUE(asked.needsPassword) << asked.text.toStdString();
    const DataFileResult r = RestoreDataFile(folder(QStringLiteral("b")), test::testPassword());
    ASSERT_TRUE(r.ok) << r.text.toStdString();
    EXPECT_TRUE(m_dm->dataOpen());
    EXPECT_EQ(contents(), before);
    restart();
    EXPECT_EQ(contents(), before);
}

}  // namespace
}  // namespace nettora::test
