// The data key: sealed in the key file under the password and the recovery
// key, the data opening only with them, password changes that survive a kill
// at any moment, and files from before the key file brought over.
#include "data/data_key.h"
#include "data/datamodule.h"
#include "data/password.h"
#include "data/schema.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace nettora;
using namespace nettora::test;

namespace {

SecretBytes pw(const char *text)
{
    return SecretBytes::fromText(QString::fromUtf8(text));
}

QByteArray bytesOf(const QString &file)
{
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

bool opensUnder(const QString &file, const QString &key)
{
    try {
        Database db;
        db.open(file, key);
        return true;
    } catch (const EngineError &) {
        return false;
    }
}

class KeyFileTest : public ::testing::Test {
protected:
    void SetUp() override { (void)testPassword(); }  // the cheap derivation
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("nettora.key")); }
};

}  // namespace

TEST_F(KeyFileTest, PasswordAndRecoveryKeyUnsealTheSameKeyAndNothingElseDoes)
{
    const SecretBytes key = newDataKey();
    const QString code = newRecoveryCode();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^([0-9A-HJKMNP-TV-Z]{5}-){4}[0-9A-HJKMNP-TV-Z]{5}$")).match(code).hasMatch())
        << code.toStdString();
    writeKeyFile(path(), key, pw("correct horse"), code);
    EXPECT_EQ(QFile::permissions(path()) & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
              QFile::Permissions());
    EXPECT_TRUE(unwrapWithPassword(path(), pw("correct horse")) == key);
    // Typed as people type a printed code: lower case, spaces, O for 0, I or L for 1.
    QString typed = code.toLower();
    typed.replace(QLatin1Char('-'), QLatin1Char(' '));
    typed.replace(QLatin1Char('0'), QLatin1Char('o'));
    typed.replace(QLatin1Char('1'), QLatin1Char('l'));
    EXPECT_TRUE(unwrapWithRecoveryCode(path(), typed) == key);

    EXPECT_THROW(unwrapWithPassword(path(), pw("Correct horse")), WrongPassword);
    EXPECT_THROW(unwrapWithPassword(path(), pw("")), WrongPassword);
    QString other = newRecoveryCode();
    while (normalisedRecoveryCode(other) == normalisedRecoveryCode(code))
        other = newRecoveryCode();
    EXPECT_THROW(unwrapWithRecoveryCode(path(), other), WrongPassword);
    EXPECT_THROW(unwrapWithRecoveryCode(path(), code.left(20)), WrongPassword);
    // The key is nowhere in the file in any form a reader could pick out.
    const QByteArray text = bytesOf(path());
    const QByteArray raw(reinterpret_cast<const char *>(key.data()), qsizetype(key.size()));
    EXPECT_FALSE(text.contains(raw.toHex()) || text.contains(raw.toBase64()) || text.contains(raw));
}

TEST_F(KeyFileTest, AChangedOrDamagedKeyFileOpensNothing)
{
    const SecretBytes key = newDataKey();
    const QString code = newRecoveryCode();
    writeKeyFile(path(), key, pw("pw"), code);
    const QByteArray good = bytesOf(path());
    const QJsonObject doc = QJsonDocument::fromJson(good).object();
    const auto withSlot = [&](const QString &field, const QJsonValue &value) {
        QJsonObject o = doc;
        QJsonArray slots = o.value(QStringLiteral("slots")).toArray();
        QJsonObject slot = slots[0].toObject();
        slot.insert(field, value);
        slots[0] = slot;
        o.insert(QStringLiteral("slots"), slots);
        return QJsonDocument(o).toJson();
    };
    const QJsonObject slot = doc.value(QStringLiteral("slots")).toArray()[0].toObject();
    const struct {
        const char *name;
        QByteArray content;
        bool unreadable;  // else taken for a wrong password
    } cases[] = {
        {"empty", QByteArray(), true},
        {"cut short", good.left(good.size() / 2), true},
        {"not a key file", QByteArray("{\"hello\": 1}"), true},
        {"a newer format", QByteArray("{\"nettora-key\": 9}"), true},
        // A lowered cost derives another key: the seal refuses it.
        {"cost changed", withSlot(QStringLiteral("ops"), slot.value(QStringLiteral("ops")).toInteger() + 1), false},
        {"seal changed", withSlot(QStringLiteral("sealed"), QString(slot.value(QStringLiteral("sealed")).toString()).replace(0, 4, QStringLiteral("AAAA"))), false},
        {"salt damaged", withSlot(QStringLiteral("salt"), QStringLiteral("AAAA")), true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.content);
        f.close();
        try {
            unwrapWithPassword(path(), pw("pw"));
            ADD_FAILURE() << "opened";
        } catch (const KeyFileUnreadable &) {
            EXPECT_TRUE(c.unreadable);
        } catch (const WrongPassword &) {
            EXPECT_FALSE(c.unreadable);
        }
    }
}

// Every kill of a password change leaves the old password or the new one
// working, never neither; the key file is replaced in one step.
TEST_F(KeyFileTest, AKillDuringAPasswordChangeLeavesOneOfTheTwoWorking)
{
    const SecretBytes key = newDataKey();
    writeKeyFile(path(), key, pw("password 0"), newRecoveryCode());
    int current = 0;
    int changed = 0;
    for (int round = 1; round <= 40; ++round) {
        const QByteArray next = QByteArray("password ") + QByteArray::number(round);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;)  // killed somewhere in here
                rewrapPassword(path(), key, SecretBytes::fromText(QString::fromLatin1(next)));
        }
        // A change takes a few milliseconds, mostly its flushes to the disk.
        usleep(useconds_t(QRandomGenerator::global()->bounded(30000)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const QByteArray old = QByteArray("password ") + QByteArray::number(current);
        bool oldWorks = false, newWorks = false;
        try {
            oldWorks = unwrapWithPassword(path(), SecretBytes::fromText(QString::fromLatin1(old))) == key;
        } catch (const WrongPassword &) {
        }
        try {
            newWorks = unwrapWithPassword(path(), SecretBytes::fromText(QString::fromLatin1(next))) == key;
        } catch (const WrongPassword &) {
        }
        ASSERT_TRUE(oldWorks != newWorks) << "round " << round;
        if (newWorks) {
            current = round;
            ++changed;
        }
    }
    // The kills did land on both sides of the change.
    EXPECT_GT(changed, 0);
}

namespace {

class DataKeyTest : public DataDirTest {
protected:
    QString dbFile() const { return dataDir() + QStringLiteral("/nettora.db"); }
    QString keyFile() const { return dataDir() + QStringLiteral("/nettora.key"); }

    // A data directory as the program left it before the key file: the data
    // under the built-in key, the password's hash in the user row.
    void makeOldDirectory(const QString &passwordHash)
    {
        m_dm.reset();
        QFile::remove(dbFile());
        QFile::remove(keyFile());
        Database db;
        db.open(dbFile(), QLatin1String(Tdm1::LegacyTablePassword));
        for (const QString &sql : schemaSql())
            db.exec(sql);
        db.exec(QStringLiteral("INSERT INTO \"User\" (\"User\", \"Password\") VALUES ('admin', '%1')").arg(passwordHash));
        db.exec(QStringLiteral("INSERT INTO \"Client\" (\"FirstName\", \"LastName\") VALUES ('Old', 'Timer')"));
        db.exec(QStringLiteral("PRAGMA user_version = %1").arg(dataVersion()));
    }
};

}  // namespace

TEST_F(DataKeyTest, WrongPasswordOpensNothingAndTheRecoveryKeyOpensTheData)
{
    addClient("Kept", "Safe");
    m_dm.reset();
    EXPECT_FALSE(opensUnder(dbFile(), QLatin1String(Tdm1::LegacyTablePassword)));
    {
        Tdm1 m;
        dm1 = &m;
        EXPECT_THROW(m.ConnectDb(dataDir(), pw("not it")), WrongPassword);
        EXPECT_FALSE(m.dataOpen());
        EXPECT_TRUE(m.dataKey().empty());
    }
    // The module that made the directory knew its recovery key: make one anew to try it.
    QTemporaryDir fresh;
    Tdm1 m;
    dm1 = &m;
    const QString code = m.ConnectDb(fresh.path(), pw("first"), QStringLiteral("me"));
    ASSERT_FALSE(code.isEmpty());
    m.tblUser->first();
    EXPECT_EQ(m.tblUser->asString("User"), "me");
    EXPECT_EQ(m.tblUser->asString("Password"), "");  // kept only as the key file's seal
    m.LockData();
    EXPECT_FALSE(m.dataOpen());
    EXPECT_THROW(m.UnlockWithRecoveryCode(newRecoveryCode()), WrongPassword);
    m.UnlockWithRecoveryCode(code);
    EXPECT_TRUE(m.dataOpen());
    m.ChangePassword(pw("second"));
    m.LockData();
    EXPECT_THROW(m.UnlockData(pw("first")), WrongPassword);
    m.UnlockData(pw("second"));
    EXPECT_TRUE(m.dataOpen());
    dm1 = m_dm.get();
}

TEST_F(DataKeyTest, AFileFromBeforeTheKeyFileIsMovedToItsOwnKeyAtTheFirstLogin)
{
    makeOldDirectory(hashPassword(QStringLiteral("old secret")));
    const QByteArray before = bytesOf(dbFile());
    {
        Tdm1 m;
        dm1 = &m;
        EXPECT_THROW(m.ConnectDb(dataDir(), pw("guess")), WrongPassword);
        EXPECT_EQ(bytesOf(dbFile()), before);  // a wrong password changes nothing
        EXPECT_FALSE(QFile::exists(keyFile()));
    }
    Tdm1 m;
    dm1 = &m;
    const QString code = m.ConnectDb(dataDir(), pw("old secret"));
    EXPECT_FALSE(code.isEmpty());
    EXPECT_EQ(m.dataDirState(), DataDirState::Keyed);
    m.tblClient->first();
    EXPECT_EQ(m.tblClient->asString("LastName"), "Timer");
    m.tblUser->first();
    EXPECT_EQ(m.tblUser->asString("User"), "admin");
    EXPECT_EQ(m.tblUser->asString("Password"), "");
    m.LockData();
    EXPECT_FALSE(opensUnder(dbFile(), QLatin1String(Tdm1::LegacyTablePassword)));
    EXPECT_FALSE(QFile::exists(dbFile() + ".rekeying"));
    m.UnlockData(pw("old secret"));
    m.LockData();
    m.UnlockWithRecoveryCode(code);
    dm1 = nullptr;
}

// Cut short after its key file was written, the upgrade runs again at the
// next login; the data is never lost between the two.
TEST_F(DataKeyTest, AnUpgradeCutShortBeforeTheSwapIsDoneAgain)
{
    makeOldDirectory(hashPassword(QStringLiteral("pw")));
    writeKeyFile(keyFile(), newDataKey(), pw("pw"), newRecoveryCode());
    Tdm1 m;
    dm1 = &m;
    m.ConnectDb(dataDir(), pw("pw"));
    EXPECT_EQ(m.dataDirState(), DataDirState::Keyed);
    m.tblClient->first();
    EXPECT_EQ(m.tblClient->asString("LastName"), "Timer");
    m.LockData();
    EXPECT_FALSE(opensUnder(dbFile(), QLatin1String(Tdm1::LegacyTablePassword)));
    m.UnlockData(pw("pw"));
    dm1 = nullptr;
}

TEST_F(DataKeyTest, KeptFilesUnderTheOldKeyAreMovedToTheDataKeyOnRequest)
{
    const QString replaced = dataDir() + QStringLiteral("/Replaced");
    QDir().mkpath(replaced);
    const QString kept = replaced + QStringLiteral("/nettora-20260101-000000.db");
    {
        Database db;
        db.open(kept, QLatin1String(Tdm1::LegacyTablePassword));
        for (const QString &sql : schemaSql())
            db.exec(sql);
        db.exec(QStringLiteral("INSERT INTO \"Client\" (\"LastName\") VALUES ('Kept')"));
        db.exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
    }
    const QString foreign = replaced + QStringLiteral("/other.db");
    {
        Database db;
        db.open(foreign, QStringLiteral("another key"));
        db.exec(QStringLiteral("CREATE TABLE t(x)"));
        db.exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
    }
    const QByteArray foreignBytes = bytesOf(foreign);
    EXPECT_EQ(m_dm->ReencryptKeptFiles(), 1);
    EXPECT_FALSE(opensUnder(kept, QLatin1String(Tdm1::LegacyTablePassword)));
    Database db;
    openData(db, kept);
    Statement st = db.prepare(QStringLiteral("SELECT LastName FROM Client"));
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.columnText(0), "Kept");
    EXPECT_EQ(bytesOf(foreign), foreignBytes);  // not ours: left as it was
    EXPECT_EQ(QFile::permissions(kept) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
}
