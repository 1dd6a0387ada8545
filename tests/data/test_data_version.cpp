// The data file's version: a file made before versions were recorded is
// upgraded when it opens, after a copy of it is kept; a file of a newer
// program is refused and left as it is; a backup of either age is judged by
// its own version.
#include "support/testsupport.h"

#include "data/data_backup.h"
#include "data/engine.h"
#include "data/schema.h"
#include "data/schema_upgrade.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <map>

using namespace nettora;
using namespace nettora::test;

namespace {

class DataVersion : public DataDirTest {
protected:
    QString dbFile() const { return dataDir() + "/nettora.db"; }

    // Turns the closed data file into one of an older or newer program.
    void rewrite(const QStringList &sql)
    {
        m_dm.reset();
        Database db;
        openData(db, dbFile());
        for (const QString &s : sql)
            db.exec(s);
        db.close();
    }

    int versionOf(const QString &file)
    {
        Database db;
        openData(db, file);
        Statement st = db.prepare(QStringLiteral("PRAGMA user_version"));
        return st.step() ? int(st.columnInt(0)) : -1;
    }

    QStringList userColumns(const QString &file)
    {
        Database db;
        openData(db, file);
        Statement st = db.prepare(QStringLiteral("PRAGMA table_info(\"User\")"));
        QStringList names;
        while (st.step())
            names << st.columnText(1);
        return names;
    }

    static QByteArray digest(const QString &file)
    {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    }

    // The user table without the fields a later version added, and the
    // file marked with that version (the engine here has no DROP COLUMN:
    // the table is made anew).
    static QStringList userTableOfVersion(int version, const QStringList &addedLater)
    {
        QStringList columns;
        for (const FieldDef &f : findTable(QStringLiteral("User"))->fields)
            if (!addedLater.contains(f.name))
                columns << QLatin1Char('"') + f.name + QLatin1Char('"');
        return {QStringLiteral("CREATE TABLE \"UserOld\" AS SELECT %1 FROM \"User\"").arg(columns.join(',')),
                QStringLiteral("DROP TABLE \"User\""), QStringLiteral("ALTER TABLE \"UserOld\" RENAME TO \"User\""),
                QStringLiteral("PRAGMA user_version = %1").arg(version)};
    }
    // The file as a program before data versions left it: no compilation
    // text, no review option.
    static QStringList olderSql()
    {
        return userTableOfVersion(0, {QStringLiteral("CompilationText"), QStringLiteral("PrintReview")});
    }
    const QStringList older = olderSql();

    static QStringList userFieldNames()
    {
        QStringList names;
        for (const FieldDef &f : findTable(QStringLiteral("User"))->fields)
            names << f.name;
        return names;
    }

    // The named indexes of a file, name -> SQL.
    std::map<QString, QString> indexesOf(const QString &file)
    {
        Database db;
        openData(db, file);
        Statement st = db.prepare(
            QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL"));
        std::map<QString, QString> out;
        while (st.step())
            out[st.columnText(0)] = st.columnText(1);
        return out;
    }

    // The indexes as version 1 made them: caseless parts in the engine's
    // NOCASE, and a last-name search index of its own.
    static QStringList version1IndexSql()
    {
        QStringList sql;
        for (const TableDef &t : allTables())
            for (const IndexDef &i : t.indexes) {
                if (i.parts.size() == 1 && i.parts[0].field == autoIncField(t))
                    continue;
                QStringList parts;
                for (const IndexPart &p : i.parts)
                    parts << QLatin1Char('"') + p.field + QLatin1Char('"')
                                 + (p.caseless ? QStringLiteral(" COLLATE NOCASE") : QString())
                                 + (p.descending ? QStringLiteral(" DESC") : QString());
                const QString name = QStringLiteral("\"ix_%1_%2\"").arg(t.name, i.name);
                sql << QStringLiteral("DROP INDEX %1").arg(name)
                    << QStringLiteral("CREATE INDEX %1 ON \"%2\" (%3)").arg(name, t.name, parts.join(", "));
            }
        return sql << QStringLiteral("CREATE INDEX \"key_Client_lastname\" ON \"Client\" (nt_lower(\"LastName\"), "
                                     "\"LastName\" COLLATE NOCASE, \"FirstName\" COLLATE NOCASE)")
                   << QStringLiteral("PRAGMA user_version = 1");
    }
};

}  // namespace

TEST_F(DataVersion, NewFilesHaveTheCurrentVersion)
{
    EXPECT_EQ(dataVersion(), 3);
    dm1->tblUser->first();
    EXPECT_EQ(dm1->tblUser->asString("PrintReview"), "N");
    m_dm.reset();
    EXPECT_EQ(versionOf(dbFile()), dataVersion());
    EXPECT_EQ(userColumns(dbFile()), userFieldNames());
}

TEST_F(DataVersion, AnUpgradedFileHasTheReviewPageSwitchedOffAndTheFieldsOfANewFile)
{
    const struct {
        int version;
        QStringList addedLater;
    } cases[] = {
        {0, {QStringLiteral("CompilationText"), QStringLiteral("PrintReview")}},
        {2, {QStringLiteral("PrintReview")}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.version);
        setUser({{"Company", "Kelmor Accounting"}, {"PrintMonthlyIncome", "Y"}});
        rewrite(userTableOfVersion(c.version, c.addedLater));
        ASSERT_EQ(versionOf(dbFile()), c.version);
        ASSERT_FALSE(userColumns(dbFile()).contains(QStringLiteral("PrintReview")));

        restart();
        dm1->tblUser->first();
        EXPECT_EQ(dm1->tblUser->asString("PrintReview"), "N");
        EXPECT_EQ(dm1->tblUser->asString("PrintMonthlyIncome"), "Y");
        EXPECT_EQ(dm1->tblUser->asString("Company"), "Kelmor Accounting");
        m_dm.reset();
        EXPECT_EQ(versionOf(dbFile()), 3);
        EXPECT_EQ(userColumns(dbFile()), userFieldNames());
        restart();
    }
}

TEST_F(DataVersion, AnOlderFileIsUpgradedAfterACopyOfItIsKept)
{
    const qint64 client = addClient("Old", "Timer");
    setUser({{"Company", "Kelmor Accounting"}});
    rewrite(older);
    ASSERT_FALSE(userColumns(dbFile()).contains(QStringLiteral("CompilationText")));

    restart();
    // The data are as they were, and the new field is there to use.
    dm1->tblClient->first();
    EXPECT_EQ(dm1->tblClient->asString("Id"), QString::number(client));
    EXPECT_EQ(dm1->tblClient->asString("LastName"), "Timer");
    dm1->tblUser->first();
    EXPECT_EQ(dm1->tblUser->asString("Company"), "Kelmor Accounting");
    setUser({{"CompilationText", "Our letter"}});
    m_dm.reset();
    EXPECT_EQ(versionOf(dbFile()), dataVersion());

    // The copy kept before the upgrade is the file as it was, and stays a
    // file of its own.
    const QStringList kept = QDir(dataDir() + "/Replaced").entryList({"*.db"}, QDir::Files);
    ASSERT_EQ(kept.size(), 1) << kept.join(",").toStdString();
    const QString copy = dataDir() + "/Replaced/" + kept[0];
    EXPECT_EQ(versionOf(copy), 0);
    EXPECT_FALSE(userColumns(copy).contains(QStringLiteral("CompilationText")));
    EXPECT_EQ(QFile::permissions(copy) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());

    // Opening again upgrades nothing and keeps no further copy.
    restart();
    m_dm.reset();
    EXPECT_EQ(QDir(dataDir() + "/Replaced").entryList({"*.db"}, QDir::Files).size(), 1);
}

TEST_F(DataVersion, AFileOfANewerProgramIsRefusedAndLeftAsItIs)
{
    rewrite({QStringLiteral("PRAGMA user_version = %1").arg(dataVersion() + 1)});
    const QByteArray before = digest(dbFile());
    try {
        restart();
        FAIL() << "opened a file of a newer program";
    } catch (const EngineError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("was written by a newer version of Nettora (data version 4; this "
                                                     "program knows up to 3). Install the newer version to open it.")))
            << e.text().toStdString();
    }
    m_dm.reset();
    EXPECT_EQ(digest(dbFile()), before);
    EXPECT_FALSE(QDir(dataDir() + "/Replaced").exists());
}

TEST_F(DataVersion, BackupsAreJudgedByTheirOwnVersion)
{
    m_dm.reset();
    const QString oldCopy = dataDir() + "/old.db", newCopy = dataDir() + "/new.db";
    QFile::copy(dbFile(), oldCopy);
    QFile::copy(dbFile(), newCopy);
    for (const auto &[file, sql] : {std::pair{oldCopy, older},
                                    std::pair{newCopy, QStringList{QStringLiteral("PRAGMA user_version = 7")}}}) {
        Database db;
        openData(db, file);
        for (const QString &s : sql)
            db.exec(s);
    }
    EXPECT_EQ(dataFileProblem(oldCopy, m_dataKey), QString());
    EXPECT_EQ(dataFileProblem(newCopy, m_dataKey),
              "it was written by a newer version of Nettora (data version 7; this program knows up to 3)");
    // A current file that lacks the field is not a file of ours.
    {
        Database db;
        openData(db, oldCopy);
        db.exec(QStringLiteral("PRAGMA user_version = 1"));
    }
    EXPECT_TRUE(dataFileProblem(oldCopy, m_dataKey).startsWith("its tables do not have Nettora's fields"))
        << dataFileProblem(oldCopy, m_dataKey).toStdString();

    // Restoring the older backup brings it back upgraded.
    restart();
    {
        Database db;
        openData(db, oldCopy);
        db.exec(QStringLiteral("PRAGMA user_version = 0"));
    }
    const DataFileResult r = RestoreDataFile(oldCopy);
    ASSERT_TRUE(r.ok) << r.text.toStdString();
    dm1->tblUser->first();
    EXPECT_EQ(dm1->tblUser->asString("CompilationText"), QString());
    m_dm.reset();
    EXPECT_EQ(versionOf(dbFile()), dataVersion());
}

TEST_F(DataVersion, APlainFileIsJudgedByItsVersionAndKeepsItWhenEncrypted)
{
    for (const bool old : {true, false}) {
        SCOPED_TRACE(old ? "older plain file" : "current plain file");
        m_dm.reset();
        QFile::remove(dbFile());
        QDir(dataDir() + "/Replaced").removeRecursively();
        {
            Database plain;
            plain.openPlain(dbFile());
            for (const QString &sql : schemaSql())
                plain.exec(sql);
            plain.exec("INSERT INTO \"User\" (\"User\") VALUES ('admin')");
            plain.exec(QStringLiteral("PRAGMA user_version = %1").arg(dataVersion()));
            if (old)
                for (const QString &sql : olderSql())
                    plain.exec(sql);
        }
        restart();
        dm1->tblUser->first();
        EXPECT_EQ(dm1->tblUser->asString("User"), "admin");
        m_dm.reset();
        EXPECT_EQ(versionOf(dbFile()), dataVersion());
        EXPECT_TRUE(userColumns(dbFile()).contains(QStringLiteral("CompilationText")));
        // Only the older file needed an upgrade, and a copy kept before it.
        EXPECT_EQ(QDir(dataDir() + "/Replaced").entryList({"*.db"}, QDir::Files).size(), old ? 1 : 0);
        restart();
    }
}

TEST_F(DataVersion, AFileWithTheOlderIndexesGetsTheNewOnesAndListsClientsInOrder)
{
    // Names that NOCASE (ASCII alone) and the Unicode fold order apart.
    const std::pair<const char *, const char *> clients[] = {
        {"Anna", "müller"}, {"bob", "MÜLLER"}, {"Carl", "Muller"}, {"dan", "smith"},
        {"Eve", "Smith"},   {"al", "Zed"},     {"Zoe", "adams"},   {"ann", "Müller"}};
    for (const auto &[first, last] : clients)
        addClient(QString::fromUtf8(first), QString::fromUtf8(last));
    m_dm.reset();
    const std::map<QString, QString> fresh = indexesOf(dbFile());
    rewrite(version1IndexSql());
    ASSERT_NE(indexesOf(dbFile()), fresh);
    ASSERT_EQ(versionOf(dbFile()), 1);

    restart();
    m_dm.reset();
    EXPECT_EQ(versionOf(dbFile()), dataVersion());
    EXPECT_EQ(indexesOf(dbFile()), fresh);

    restart();
    Table *c = dm1->tblClient;
    c->setIndexName("LF");
    const auto names = [c] {
        QStringList out;
        for (c->first(); !c->eof(); c->next())
            out << c->asString("LastName") + " " + c->asString("FirstName");
        return out;
    };
    EXPECT_EQ(names(), QStringList({"adams Zoe", "Muller Carl", "Müller ann", "müller Anna", "MÜLLER bob",
                                    "smith dan", "Smith Eve", "Zed al"}));
    c->setFilter("Lower(LastName) = \"mÜ*\"");
    c->setFiltered(true);
    EXPECT_EQ(names(), QStringList({"Müller ann", "müller Anna", "MÜLLER bob"}));
}

TEST_F(DataVersion, AStepThatFailsLeavesTheFileAsItWas)
{
    addClient("Old", "Timer");
    rewrite(older);
    const QByteArray before = digest(dbFile());
    setUpgradeStepHook([](int version) { return version == 1 ? QStringLiteral("the disk is on fire") : QString(); });
    struct ClearHook {
        ~ClearHook() { setUpgradeStepHook(nullptr); }
    } clear;
    QString message;
    try {
        restart();
    } catch (const EngineError &e) {
        message = e.text();
    }
    m_dm.reset();
    const QStringList kept = QDir(dataDir() + "/Replaced").entryList({"*.db"}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(message, QStringLiteral("The data file \"%1\" could not be upgraded to data version 3: the disk is on "
                                      "fire. It was left at data version 0; the copy kept before the upgrade is "
                                      "\"%2\".")
                           .arg(dbFile(), dataDir() + "/Replaced/" + kept[0]));
    EXPECT_EQ(versionOf(dbFile()), 0);
    EXPECT_FALSE(userColumns(dbFile()).contains(QStringLiteral("CompilationText")));
    EXPECT_EQ(digest(dataDir() + "/Replaced/" + kept[0]), before);

    // Once the step goes through, the data are there at the newest version.
    setUpgradeStepHook(nullptr);
    restart();
    dm1->tblClient->first();
    EXPECT_EQ(dm1->tblClient->asString("LastName"), "Timer");
    m_dm.reset();
    EXPECT_EQ(versionOf(dbFile()), dataVersion());
}
