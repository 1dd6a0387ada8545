// nettora-cli backup and restore: the real program on a temporary data
// directory, the data read back in-process between runs.
#include "cli_process.h"

#include "data/datamodule.h"
#include "support/testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
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
            module.ConnectDb(m_data.path());
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

TEST_F(CliBackup, RefusedWhileTheDataDirectoryIsInUseAndWithoutAFolder)
{
    ASSERT_EQ(cli({QStringLiteral("backup"), folder()}).status, 0);
    {
        Tdm1 running;
        Tdm1 *previous = dm1;
        dm1 = &running;
        running.ConnectDb(m_data.path());
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
