// nettora-cli backup and restore: the real program on a temporary data
// directory, the data read back in-process between runs.
#include "cli_process.h"

#include "data/data_backup.h"
#include "data/datamodule.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <iostream>

using namespace nettora;

namespace {

using test::CliRun;

class CliBackup : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_data.isValid());
        ASSERT_TRUE(m_scratch.isValid());
        ASSERT_EQ(cli({QStringLiteral("import"), QStringLiteral("-")}, kFirst).status, 0);
    }

    QProcess *start(const QStringList &args)
    {
        auto *p = new QProcess;
        QProcessEnvironment env = test::cliEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_scratch.filePath(QStringLiteral("home")));
        test::startProcess(*p, QStringLiteral(NETTORA_CLI_PATH),
                           QStringList{QStringLiteral("--data-dir"), m_data.path()} + args, env);
        return p;
    }

    CliRun cli(const QStringList &args, const QByteArray &input = QByteArray())
    {
        std::unique_ptr<QProcess> p(start(args));
        return test::finishProcess(*p, input);
    }

    // The clients' last names, read by a fresh start on the data directory.
    QStringList lastNames()
    {
        Tdm1 module;
        Tdm1 *previous = dm1;
        dm1 = &module;
        QStringList names;
        try {
            module.ConnectDb(m_data.path(), test::testPassword());
            Statement st = module.db().prepare(QStringLiteral("SELECT LastName FROM Client ORDER BY Id"));
            while (st.step())
                names << st.columnText(0);
        } catch (const EngineError &e) {
            ADD_FAILURE() << "the data does not open: " << e.text().toStdString();
        }
        dm1 = previous;
        return names;
    }

    QString folder() const { return m_scratch.filePath(QStringLiteral("Nettora_Backup_12082026")); }

    static constexpr const char *kFirst =
        R"({"format": "nettora", "version": 1, "clients": [{"fields": {"FirstName": "Ann", "LastName": "Lee"}}]})";
    static constexpr const char *kSecond =
        R"({"format": "nettora", "version": 1, "clients": [{"fields": {"FirstName": "Bo", "LastName": "Ray"}}]})";

    QTemporaryDir m_data, m_scratch;
};

}  // namespace

TEST_F(CliBackup, BackupThenChangeThenRestore)
{
    const CliRun b = cli({QStringLiteral("backup"), folder()});
    EXPECT_EQ(b.status, 0) << b.err.toStdString();
    EXPECT_EQ(b.out, "Backup Successful. The backup is \"" + folder() + "/nettora.db\".\n");
    ASSERT_EQ(cli({QStringLiteral("import"), QStringLiteral("-")}, kSecond).status, 0);
    ASSERT_EQ(lastNames(), (QStringList{"Lee", "Ray"}));

    const CliRun r = cli({QStringLiteral("restore"), folder()});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("Restore Successful. The data it replaced was kept as \"" + m_data.path()
                                 + "/Replaced/nettora-"))
        << r.out.toStdString();
    EXPECT_EQ(lastNames(), QStringList{"Lee"});
}

// The result line names the folder as given, escaped as every printed text.
TEST_F(CliBackup, TheResultLineShowsTheFolderEscaped)
{
    const CliRun b = cli({QStringLiteral("backup"), m_scratch.filePath(QStringLiteral(u"two\u2028lines\u202e"))});
    EXPECT_EQ(b.status, 0) << b.err.toStdString();
    EXPECT_EQ(b.out, "Backup Successful. The backup is \"" + m_scratch.path() + "/two\\u2028lines\\u202e/nettora.db\".\n");
}

TEST_F(CliBackup, RefusedWhileTheDataDirectoryIsInUseAndWithoutAFolder)
{
    ASSERT_EQ(cli({QStringLiteral("backup"), folder()}).status, 0);
    {
        Tdm1 running;
        Tdm1 *previous = dm1;
        dm1 = &running;
        running.ConnectDb(m_data.path(), test::testPassword());
        for (const char *command : {"backup", "restore"}) {
            SCOPED_TRACE(command);
            const CliRun r = cli({QString::fromLatin1(command), m_scratch.filePath(QStringLiteral("other"))});
            EXPECT_EQ(r.status, 1);
            EXPECT_TRUE(r.err.contains("is in use by another running copy of Nettora")) << r.err.toStdString();
            EXPECT_FALSE(QDir(m_scratch.filePath(QStringLiteral("other"))).exists());
        }
        dm1 = previous;
    }
    for (const char *command : {"backup", "restore"}) {
        const CliRun r = cli({QString::fromLatin1(command)});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, QStringLiteral("nettora-cli: the command %1 needs one FOLDER (see nettora-cli --help)\n")
                             .arg(QString::fromLatin1(command)));
    }
    const CliRun missing = cli({QStringLiteral("restore"), m_scratch.filePath(QStringLiteral("none"))});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.endsWith("Nothing was changed.\n")) << missing.err.toStdString();
}

// A restore killed at any moment leaves a data file that opens and holds
// either the data before or the restored data; a later restore completes.
TEST_F(CliBackup, KilledRestoresLeaveTheOldOrTheNewData)
{
    ASSERT_EQ(cli({QStringLiteral("backup"), folder()}).status, 0);
    const QStringList restored{"Lee"}, current{"Lee", "Ray"};
    // How long a whole restore takes here: the kills fall anywhere in it.
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(cli({QStringLiteral("restore"), folder()}).status, 0);
    const int span = int(clock.elapsed()) + 10;
    ASSERT_EQ(cli({QStringLiteral("import"), QStringLiteral("-")}, kSecond).status, 0);
    QRandomGenerator random(15);
    int interrupted = 0;
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        std::unique_ptr<QProcess> p(start({QStringLiteral("restore"), folder()}));
        QThread::msleep(random.bounded(span));
        p->kill();
        p->waitForFinished(30000);
        const QStringList names = lastNames();
        EXPECT_TRUE(names == restored || names == current) << names.join(QLatin1Char(',')).toStdString();
        if (names == restored)
            ASSERT_EQ(cli({QStringLiteral("import"), QStringLiteral("-")}, kSecond).status, 0);
        else
            ++interrupted;
    }
    std::cout << interrupted << " of 10 restores were killed before the swap\n";
    const CliRun r = cli({QStringLiteral("restore"), folder()});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(lastNames(), restored);
    const QStringList leftovers =
        QDir(m_data.path()).entryList({QStringLiteral(".nettora-*")}, QDir::Files | QDir::Hidden);
    EXPECT_EQ(leftovers, QStringList());
}

TEST_F(CliBackup, AFolderHoldingABackupIsReplacedOnlyWithReplace)
{
    ASSERT_EQ(cli({QStringLiteral("backup"), folder()}).status, 0);
    QFile file(folder() + "/nettora.db");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray first = file.readAll();
    file.close();
    ASSERT_EQ(cli({QStringLiteral("import"), QStringLiteral("-")}, kSecond).status, 0);

    const CliRun refused = cli({QStringLiteral("backup"), folder()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, QString());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^nettora-cli: The folder \"%1\" already holds a backup, written "
                                                  "\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d\\. No backup was written\\. The "
                                                  "data is unchanged\\. Give --replace to replace it\\.\n$")
                                       .arg(QRegularExpression::escape(folder())))
                    .match(refused.err)
                    .hasMatch())
        << refused.err.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), first);
    file.close();

    const CliRun replaced = cli({QStringLiteral("backup"), QStringLiteral("--replace"), folder()});
    EXPECT_EQ(replaced.status, 0) << replaced.err.toStdString();
    EXPECT_EQ(replaced.out, "Backup Successful. The backup is \"" + folder() + "/nettora.db\".\n");
    ASSERT_EQ(cli({QStringLiteral("import"), QStringLiteral("-")},
                  R"({"format": "nettora", "version": 1, "clients": [{"fields": {"FirstName": "Cy", "LastName": "Cole"}}]})")
                  .status,
              0);
    ASSERT_EQ(cli({QStringLiteral("restore"), folder()}).status, 0);
    EXPECT_EQ(lastNames(), (QStringList{"Lee", "Ray"}));

    const struct {
        QStringList args;
        const char *err;
    } wrong[] = {
        {{"restore", "--replace", folder()}, "the command restore has no option --replace"},
        {{"list", "--replace"}, "the command list has no option --replace"},
        {{"backup", "--replace=yes", folder()}, "the option --replace takes no value"},
    };
    for (const auto &w : wrong) {
        SCOPED_TRACE(w.err);
        const CliRun r = cli(w.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "nettora-cli: " + QString::fromLatin1(w.err) + " (see nettora-cli --help)\n");
    }
}

TEST_F(CliBackup, RestoreBringsBackDataWhoseFileDoesNotOpen)
{
    ASSERT_EQ(cli({QStringLiteral("backup"), folder()}).status, 0);
    const QString dataFile = m_data.filePath(QStringLiteral("nettora.db"));
    const QByteArray garbage(8192, 'x');
    {
        QFile f(dataFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(garbage);
    }
    const CliRun list = cli({QStringLiteral("list")});
    EXPECT_EQ(list.status, 1);
    EXPECT_EQ(list.err, "nettora-cli: The data file \"" + dataFile
                            + "\" cannot be opened (file is encrypted or is not a database): it is damaged, or it "
                              "is not a Nettora data file.\n");

    const CliRun r = cli({QStringLiteral("restore"), folder()});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList kept = QDir(m_data.filePath(QStringLiteral("Replaced"))).entryList(QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    const QString keptFile = m_data.filePath(QStringLiteral("Replaced/") + kept[0]);
    EXPECT_EQ(r.out, "Restore Successful. The data file it replaced, which did not open, was kept as \"" + keptFile
                         + "\".\n");
    QFile k(keptFile);
    ASSERT_TRUE(k.open(QIODevice::ReadOnly));
    EXPECT_EQ(k.readAll(), garbage);
    EXPECT_EQ(lastNames(), QStringList{"Lee"});
}

// A backup of other data, with a key file of its own: the password given to
// nettora-cli is tried on it; when it is not the backup's, the restore is
// refused saying what to do, and nothing changes.
TEST_F(CliBackup, ABackupWithAKeyFileOfItsOwnNeedsItsPassword)
{
    const struct {
        const char *name;
        const char *password;
        bool restored;
    } cases[] = {
        {"the same password", test::TestPassword, true},
        {"another password", "other password", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir otherDir;
        const QString backup = m_scratch.filePath(QString::fromLatin1(c.name));
        {
            Tdm1 other;
            Tdm1 *previous = dm1;
            dm1 = &other;
            other.ConnectDb(otherDir.path(), SecretBytes::fromText(QString::fromLatin1(c.password)), QStringLiteral("o"));
            other.db().exec(QStringLiteral("INSERT INTO Client (FirstName, LastName) VALUES ('Zed', 'Other')"));
            ASSERT_TRUE(BackupDataFile(backup, ExistingBackup::Refuse).ok);
            dm1 = previous;
        }
        QFile key(m_data.filePath(QStringLiteral("nettora.key")));
        ASSERT_TRUE(key.open(QIODevice::ReadOnly));
        const QByteArray keyBefore = key.readAll();
        key.close();
        const QStringList namesBefore = lastNames();

        const CliRun r = cli({QStringLiteral("restore"), backup});
        if (c.restored) {
            EXPECT_EQ(r.status, 0) << r.err.toStdString();
            EXPECT_TRUE(r.out.contains("The restored data keeps its own password")) << r.out.toStdString();
            EXPECT_EQ(lastNames(), QStringList{"Other"});
        } else {
            EXPECT_EQ(r.status, 1);
            EXPECT_TRUE(r.err.contains("The password given does not open the backup")) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains("Nothing was changed.")) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains("restore the backup in Nettora's restore window")) << r.err.toStdString();
            EXPECT_EQ(lastNames(), namesBefore);
            ASSERT_TRUE(key.open(QIODevice::ReadOnly));
            EXPECT_EQ(key.readAll(), keyBefore);
        }
    }
}

// The same for a restore that brings its own key file: a kill at any moment
// leaves the old pair or the new pair, completed by the next start, never a
// data file beside a key file that does not open it.
TEST_F(CliBackup, KilledRestoresOfAPairLeaveTheOldOrTheNewPair)
{
    QTemporaryDir otherDir;
    const QString backup = m_scratch.filePath(QStringLiteral("other"));
    {
        Tdm1 other;
        Tdm1 *previous = dm1;
        dm1 = &other;
        other.ConnectDb(otherDir.path(), test::testPassword(), QStringLiteral("o"));
        other.db().exec(QStringLiteral("INSERT INTO Client (FirstName, LastName) VALUES ('Zed', 'Other')"));
        ASSERT_TRUE(BackupDataFile(backup, ExistingBackup::Refuse).ok);
        dm1 = previous;
    }
    const QStringList restored{"Other"}, current{"Lee"};
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(cli({QStringLiteral("restore"), backup}).status, 0);
    const int span = int(clock.elapsed()) + 10;
    // Back to the first data, with its key file, kept by that restore.
    const QStringList kept = QDir(m_data.filePath(QStringLiteral("Replaced"))).entryList({QStringLiteral("*.db")});
    ASSERT_EQ(kept.size(), 1);
    const QString first = m_data.filePath(QStringLiteral("Replaced/") + kept[0]);
    ASSERT_EQ(cli({QStringLiteral("restore"), first}).status, 0);
    ASSERT_EQ(lastNames(), current);
    QRandomGenerator random(16);
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        std::unique_ptr<QProcess> p(start({QStringLiteral("restore"), backup}));
        QThread::msleep(random.bounded(span));
        p->kill();
        p->waitForFinished(30000);
        const QStringList names = lastNames();
        EXPECT_TRUE(names == restored || names == current) << names.join(QLatin1Char(',')).toStdString();
        if (names == restored) {
            // The newest kept file is the pair this restore replaced.
            const std::vector<KeptDataFile> keptNow = keptDataFiles(m_data.path());
            ASSERT_FALSE(keptNow.empty());
            ASSERT_EQ(cli({QStringLiteral("restore"), keptNow[0].file}).status, 0);
            ASSERT_EQ(lastNames(), current);
        }
    }
}
