// Opening the data directory: provisioning, encryption at rest, the pass
// that encrypts a plain file, exclusive use and unusable directories.
#include "support/testsupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

using namespace nettora;
using namespace nettora::test;

namespace {

QByteArray header(const QString &file)
{
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return f.read(16);
}

// The engine's command-line shell; without the key it must see nothing.
QString runShell(const QString &dbFile, const QString &sql, int *exitCode)
{
    QProcess p;
    p.start(QStandardPaths::findExecutable(QStringLiteral("sqlcipher")), {dbFile});
    p.waitForStarted();
    p.write(sql.toUtf8() + "\n");
    p.closeWriteChannel();
    p.waitForFinished();
    *exitCode = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

}  // namespace

class Startup : public DataDirTest {
protected:
    QString dbFile() const { return dataDir() + "/nettora.db"; }
};

TEST_F(Startup, EmptyDirectoryIsProvisionedWithEveryTableAndOneUserRow)
{
    ASSERT_EQ(dm1->tables().size(), 22u);
    QStringList components;
    for (Table *t : dm1->tables()) {
        EXPECT_TRUE(t->active()) << t->tableName().toStdString();
        EXPECT_TRUE(t->exclusive());
        components << t->def().component;
    }
    EXPECT_EQ(components.first(), "tblNettora");
    EXPECT_EQ(components.last(), "tblNotes");
    EXPECT_EQ(dm1->tblNettora->fieldCount(), 79);
    EXPECT_EQ(dm1->tblNettora->fieldName(0), "Id");
    EXPECT_EQ(dm1->tblUser->recordCount(), 1);
    dm1->tblUser->first();
    EXPECT_EQ(dm1->tblUser->asString("Password"), "");
    EXPECT_EQ(dm1->dsPersonal.DataSet, dm1->tblNettora);
    EXPECT_FALSE(QFile::exists(dbFile() + ".new"));
}

TEST_F(Startup, FileIsUnreadableWithoutTheTablePassword)
{
    addClient("Secret", "Client");
    m_dm.reset();  // release the exclusive lock so only the key stands in the way
    EXPECT_NE(header(dbFile()), QByteArray("SQLite format 3\0", 16));
    QFile f(dbFile());
    f.open(QIODevice::ReadOnly);
    EXPECT_FALSE(f.readAll().contains("Secret"));

    int rc = 0;
    const QString without = runShell(dbFile(), "SELECT LastName FROM Client;", &rc);
    EXPECT_TRUE(without.contains("is not a database")) << without.toStdString();
    const QString with = runShell(dbFile(), "PRAGMA key = '7Hk2Rz5Tq';\nSELECT LastName FROM Client;", &rc);
    EXPECT_TRUE(with.contains("Client")) << with.toStdString();
}

TEST_F(Startup, PlainFileIsEncryptedByTheEncryptionPassAndOpensNormally)
{
    m_dm.reset();
    QFile::remove(dbFile());
    {
        Database plain;
        plain.openPlain(dbFile());
        for (const QString &sql : schemaSql())
            plain.exec(sql);
        plain.exec("INSERT INTO \"User\" (\"User\") VALUES ('admin')");
        plain.exec("INSERT INTO \"Client\" (\"FirstName\", \"LastName\") VALUES ('Plain', 'Jane')");
    }
    ASSERT_EQ(header(dbFile()), QByteArray("SQLite format 3\0", 16));

    restart();
    dm1->tblClient->first();
    EXPECT_EQ(dm1->tblClient->asString("LastName"), "Jane");
    dm1->tblUser->first();
    EXPECT_EQ(dm1->tblUser->asString("User"), "admin");
    EXPECT_THROW(addClient("Plain", "Jane"), EngineError);  // indexes came along

    m_dm.reset();
    EXPECT_NE(header(dbFile()), QByteArray("SQLite format 3\0", 16));
    EXPECT_FALSE(QFile::exists(dbFile() + ".encrypting"));
    restart();  // and the next start needs no encryption
    EXPECT_EQ(dm1->tblClient->recordCount(), 1);
}

TEST_F(Startup, SecondCopyIsRefusedAndChangesNothing)
{
    addClient("Only", "One");
    Tdm1 second;
    try {
        second.ConnectDb(dataDir());
        ADD_FAILURE() << "second copy connected";
    } catch (const EngineError &e) {
        EXPECT_EQ(e.text(), QStringLiteral("The data directory \"%1\" is in use by another running copy of Nettora. "
                                           "Close it and try again.").arg(dataDir()));
    }
    dm1->tblClient->first();
    EXPECT_EQ(dm1->tblClient->asString("LastName"), "One");
    addClient("Still", "Works");
}

TEST_F(Startup, UnusableDirectoriesStopWithTheirName)
{
    m_dm.reset();
    const QString missing = dataDir() + "/nope";
    const QString file = dataDir() + "/afile";
    QFile(file).open(QIODevice::WriteOnly);
    for (const QString &dir : {missing, file}) {
        Tdm1 m;
        try {
            m.ConnectDb(dir);
            ADD_FAILURE() << "connected to " << dir.toStdString();
        } catch (const EngineError &e) {
            EXPECT_TRUE(e.text().contains(dir)) << e.text().toStdString();
        }
    }
}

TEST_F(Startup, DamagedDataFileIsReportedAndLeftAlone)
{
    m_dm.reset();
    QFile f(dbFile());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const QByteArray junk(8192, 'x');
    f.write(junk);
    f.close();
    Tdm1 m;
    try {
        m.ConnectDb(dataDir());
        ADD_FAILURE() << "opened a damaged file";
    } catch (const EngineError &e) {
        EXPECT_TRUE(e.text().contains("not a database")) << e.text().toStdString();
    }
    QFile g(dbFile());
    g.open(QIODevice::ReadOnly);
    EXPECT_EQ(g.readAll(), junk);
}
