// Opening the data directory: provisioning, encryption at rest, the pass
// that encrypts a plain file, exclusive use and unusable directories.
#include "support/testsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <functional>

#include <climits>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

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
    EXPECT_FALSE(QFile::exists(dbFile() + ".new"));
    EXPECT_EQ(QFile::permissions(dbFile()) & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
              QFile::Permissions());
}

TEST_F(Startup, FileIsUnreadableWithoutItsDataKey)
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
    // The key that used to be built into the program opens nothing now.
    const QString legacy = runShell(dbFile(), "PRAGMA key = '7Hk2Rz5Tq';\nSELECT LastName FROM Client;", &rc);
    EXPECT_TRUE(legacy.contains("is not a database")) << legacy.toStdString();
    const QString keyText = QString::fromLatin1(reinterpret_cast<const char *>(engineKeyText(m_dataKey).data()));
    const QString with = runShell(dbFile(), "PRAGMA key = \"" + keyText + "\";\nSELECT LastName FROM Client;", &rc);
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
    EXPECT_EQ(QFile::permissions(dbFile()) & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
              QFile::Permissions());
    restart();  // and the next start needs no encryption
    EXPECT_EQ(dm1->tblClient->recordCount(), 1);
}

TEST_F(Startup, SecondCopyIsRefusedAndChangesNothing)
{
    addClient("Only", "One");
    Tdm1 second;
    try {
        second.ConnectDb(dataDir(), test::testPassword());
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
            m.ConnectDb(dir, test::testPassword());
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
        m.ConnectDb(dataDir(), test::testPassword());
        ADD_FAILURE() << "opened a damaged file";
    } catch (const DataFileUnopenable &e) {
        EXPECT_EQ(e.text(), "The data file \"" + dbFile()
                                + "\" cannot be opened (file is encrypted or is not a database): it is damaged, or "
                                  "it is not a Nettora data file.");
    }
    EXPECT_FALSE(m.dataOpen());
    QFile g(dbFile());
    g.open(QIODevice::ReadOnly);
    EXPECT_EQ(g.readAll(), junk);
}

namespace {

// What stands under a name, exactly enough to see any change: its kind, a
// link's target, a file's mode and content.
QString describe(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return QStringLiteral("nothing");
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("link to ") + QFile::symLinkTarget(path);
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("folder");
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("special file");
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QStringLiteral("file %1 %2").arg(st.st_mode, 0, 8).arg(
        QString::fromLatin1(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex()));
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

// A plain database of the program's own layout, as an older installation
// left it.
void makePlainDataFile(const QString &file)
{
    Database plain;
    plain.openPlain(file);
    for (const QString &sql : schemaSql())
        plain.exec(sql);
    plain.exec("INSERT INTO \"User\" DEFAULT VALUES");
    plain.exec("INSERT INTO \"Client\" (\"FirstName\", \"LastName\") VALUES ('Kept', 'Safe')");
}

struct DirCase {
    const char *label;
    bool seeded;  // a data file holding the client "Kept Safe" is there first
    std::function<void(const QString &dir, const QString &dbFile)> arrange;
    QString refusal;  // empty: the program starts and finds its data
    bool restorable = false;  // refused as a data file a restore can replace
};

std::vector<DirCase> dirCases()
{
    return {
        {"empty lock file", true,
         [](const QString &dir, const QString &) { writeFile(dir + "/nettora.lock", QByteArray()); }, {}},
        {"lock file naming a running process", true,
         [](const QString &dir, const QString &) { writeFile(dir + "/nettora.lock", "1\nnettora\nlocalhost\n"); }, {}},
        {"garbage lock file", true,
         [](const QString &dir, const QString &) { writeFile(dir + "/nettora.lock", QByteArray("\xff\x00\x13garbage", 10)); },
         {}},
        {"link to a plain data file on another drive", false,
         [](const QString &dir, const QString &db) {
             QDir().mkpath(dir + "/drive");
             makePlainDataFile(dir + "/drive/nettora.db");
             ASSERT_TRUE(QFile::link(dir + "/drive/nettora.db", db));
         },
         {}},
        {"plain database of another program", false,
         [](const QString &, const QString &db) {
             Database other;
             other.openPlain(db);
             other.exec("CREATE TABLE \"Notes\" (\"Title\" TEXT, \"Body\" TEXT)");
             other.exec("INSERT INTO \"Notes\" VALUES ('shopping', 'milk')");
         },
         "does not hold Nettora's tables", true},
        {"dangling link", false,
         [](const QString &dir, const QString &db) { ASSERT_TRUE(QFile::link(dir + "/unmounted/nettora.db", db)); },
         "is a link to"},
        {"folder in place of the file", false,
         [](const QString &, const QString &db) { ASSERT_TRUE(QDir().mkdir(db)); }, "is a folder"},
        {"named pipe in place of the file", false,
         [](const QString &, const QString &db) { ASSERT_EQ(::mkfifo(QFile::encodeName(db).constData(), 0600), 0); },
         "is not a regular file"},
        {"empty data file", false, [](const QString &, const QString &db) { writeFile(db, QByteArray()); }, "is empty",
         true},
        {"read-only data file", true,
         [](const QString &, const QString &db) {
             ASSERT_TRUE(QFile::setPermissions(db, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
         },
         "is read-only"},
    };
}

}  // namespace

// Whatever stands where the data file belongs is either used as the data
// file or reported by name and left exactly as it was; what a lock file
// holds never keeps anyone out.
TEST(DataDirectory, WhatStandsInPlaceOfTheDataFile)
{
    for (const DirCase &c : dirCases()) {
        SCOPED_TRACE(c.label);
        QTemporaryDir tmp;
        const QString dir = tmp.path();
        const QString db = dir + "/nettora.db";
        if (c.seeded) {
            Tdm1 first;
            first.ConnectDb(dir, test::testPassword());
            first.tblClient->append();
            first.tblClient->setAsString("FirstName", "Kept");
            first.tblClient->setAsString("LastName", "Safe");
            first.tblClient->post();
        }
        c.arrange(dir, db);
        const QString before = describe(db);
        const QStringList entries = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);

        Tdm1 m;
        try {
            m.ConnectDb(dir, test::testPassword());
            EXPECT_TRUE(c.refusal.isEmpty()) << "started";
            m.tblClient->first();
            EXPECT_EQ(m.tblClient->asString("LastName"), "Safe");
        } catch (const EngineError &e) {
            EXPECT_FALSE(c.refusal.isEmpty()) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains("\"" + db + "\"") && e.text().contains(c.refusal)) << e.text().toStdString();
            EXPECT_EQ(dynamic_cast<const DataFileUnopenable *>(&e) != nullptr, c.restorable);
        }
        if (!c.refusal.isEmpty()) {
            EXPECT_EQ(describe(db), before);
            QStringList after = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
            after.removeAll("nettora.lock");
            QStringList expected = entries;
            expected.removeAll("nettora.lock");
            EXPECT_EQ(after, expected);  // no new database beside it or where a link points
            EXPECT_FALSE(QFileInfo::exists(dir + "/unmounted"));
        } else if (before.startsWith("link to")) {
            EXPECT_EQ(describe(db), before);  // the link stays, the file it points to is encrypted
            EXPECT_NE(header(db), QByteArray("SQLite format 3\0", 16));
        }
        QFile::setPermissions(db, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}

// A directory that cannot be used is refused with the reason in plain
// words, never as missing when it is not, and nothing is made in it.
TEST_F(Startup, UnusableDirectoriesAreRefusedWithTheirCause)
{
    m_dm.reset();
    const QString base = dataDir();
    // Every name fits, the whole path does not.
    QString tooLong = base;
    while (tooLong.size() < PATH_MAX)
        tooLong += QLatin1Char('/') + QString(200, QLatin1Char('d'));
    // The folder fits, its lock file's path does not.
    QString nearlyTooLong = base;
    const qsizetype longest = PATH_MAX - 8;
    while (nearlyTooLong.size() + 203 < longest)
        nearlyTooLong += QLatin1Char('/') + QString(200, QLatin1Char('n'));
    nearlyTooLong += QLatin1Char('/') + QString(longest - nearlyTooLong.size() - 1, QLatin1Char('n'));
    const auto folder = [&base](const char *name) {
        const QString dir = base + QLatin1Char('/') + QLatin1String(name);
        EXPECT_TRUE(QDir().mkpath(dir));
        return dir;
    };
    const auto lockOf = [](const QString &dir) { return dir + QStringLiteral("/nettora.lock"); };
    const QString tooLongWords = QStringLiteral(
        "The data directory \"%1\" cannot be used: the path is longer than the system allows (File name too long).");
    const struct {
        const char *label;
        std::function<QString()> arrange;  // the directory
        QString message;                   // %1: the directory
    } cases[] = {
        {"path longer than the system allows", [&] { return tooLong; }, tooLongWords},
        {"name longer than the system allows", [&] { return base + QLatin1Char('/') + QString(NAME_MAX + 1, QLatin1Char('x')); },
         tooLongWords},
        {"lock file's path longer than the system allows",
         [&] {
             EXPECT_TRUE(QDir().mkpath(nearlyTooLong));
             return nearlyTooLong;
         },
         tooLongWords},
        {"lock file a symbolic link",
         [&] {
             const QString dir = folder("link");
             writeFile(dir + "/elsewhere", QByteArray());
             EXPECT_TRUE(QFile::link(dir + "/elsewhere", lockOf(dir)));
             return dir;
         },
         QStringLiteral("The data directory \"%1\" cannot be used: its lock file \"%1/nettora.lock\" is a symbolic "
                        "link, not a file.")},
        {"lock file a dangling link",
         [&] {
             const QString dir = folder("dangling");
             EXPECT_TRUE(QFile::link(dir + "/gone", lockOf(dir)));
             return dir;
         },
         QStringLiteral("The data directory \"%1\" cannot be used: its lock file \"%1/nettora.lock\" is a symbolic "
                        "link, not a file.")},
        {"lock file a folder",
         [&] {
             const QString dir = folder("folder");
             EXPECT_TRUE(QDir().mkdir(lockOf(dir)));
             return dir;
         },
         QStringLiteral("The data directory \"%1\" cannot be used: its lock file \"%1/nettora.lock\" is a folder, "
                        "not a file.")},
        {"lock file a socket",
         [&] {
             const QString dir = folder("socket");
             const QByteArray name = QFile::encodeName(lockOf(dir));
             sockaddr_un address {};
             address.sun_family = AF_UNIX;
             EXPECT_LT(size_t(name.size()), sizeof address.sun_path);
             std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
             const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
             EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
             ::close(fd);
             return dir;
         },
         QStringLiteral("The data directory \"%1\" cannot be used: its lock file cannot be written (No such device or "
                        "address).")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        const QString dir = c.arrange();
        const QStringList before = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
        Tdm1 m;
        try {
            m.ConnectDb(dir, test::testPassword());
            ADD_FAILURE() << "connected";
        } catch (const EngineError &e) {
            EXPECT_EQ(e.text(), c.message.arg(dir));
        }
        EXPECT_EQ(QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), before);
    }
}

// The lock belongs to the process holding it: another process's lock keeps
// this copy out, and ends with that process.
TEST(DataDirectory, LockHeldByAnotherProcessEndsWithIt)
{
    const QString flock = QStandardPaths::findExecutable(QStringLiteral("flock"));
    if (flock.isEmpty())
        GTEST_SKIP() << "no flock command";
    QTemporaryDir tmp;
    const QString dir = tmp.path();
    {
        Tdm1 first;
        first.ConnectDb(dir, test::testPassword());
    }
    QProcess holder;
    // -o: the command does not inherit the lock; flock holds it until cat
    // ends with its input.
    holder.start(flock, {QStringLiteral("-o"), dir + "/nettora.lock", QStringLiteral("-c"), QStringLiteral("echo held; exec cat")});
    ASSERT_TRUE(holder.waitForStarted());
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    ASSERT_EQ(holder.readAllStandardOutput(), "held\n");
    {
        Tdm1 second;
        try {
            second.ConnectDb(dir, test::testPassword());
            ADD_FAILURE() << "connected while another process holds the lock";
        } catch (const EngineError &e) {
            EXPECT_EQ(e.text(), QStringLiteral("The data directory \"%1\" is in use by another running copy of "
                                               "Nettora. Close it and try again.").arg(dir));
        }
    }
    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished(10000));
    Tdm1 third;
    third.ConnectDb(dir, test::testPassword());
    EXPECT_TRUE(third.tblClient->active());
}
