// Start-up open pass on a data directory of 10,000 clients, each with one
// statement and a few schedule rows: a fresh data module taking the data
// directory (lock, checks of what stands there), all a start does before
// the login page, since the data opens only with the password. Goal: under
// 150 ms (median of several starts). For information, the login's unlock
// (the key derivation, the engine open under the data key, the 22 tables)
// and the pass that meets a plain (unencrypted) data file and rewrites it
// encrypted, once per run; bench_login times the login itself.
//
// The whole start: the real program run as a child process on the same data
// directory (a login password stored, so it starts on its login page), from
// process start until it has shown its first window and exited, against a
// bare Qt program that takes the data directory the same way and shows an
// empty window of the same size, ended the same way. The two run in turn,
// after a warm-up run each. Goal: program / bare at most 1.25 (ratio of the
// medians).

#include "bench_names.h"
#include "bench_util.h"


#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <cstdio>

using namespace nettora;
using namespace nettora::bench;

namespace {

constexpr int ClientCount = 10000;
constexpr int Starts = 15;
constexpr int EncryptionRuns = 3;
constexpr int ProcessRuns = 31;  // of each program, in turn
constexpr double ProcessGoal = 1.25;
constexpr int ProcessTimeoutMs = 60000;

// One statement per client and ten schedule rows per statement, spread over
// the schedules most statements use.
void insertStatements(Database &db)
{
    Transaction tx(db);
    db.exec(QStringLiteral(
        "INSERT INTO Nettora (ClientId, Date, Description, CashOnHand, InvestmentTotals, RealEstateTotals, "
        "TotalAssets, TotalLiabilities, NetWorth) "
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
        "SELECT CAST(i AS TEXT), '12/31/25', 'Annual statement', 250000000, 1200000000, 4500000000, "
        "5950000000, 2100000000, 3850000000 FROM n")
                .arg(ClientCount));
    const QString keys = QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %1 * %2 - 1) "
        "SELECT CAST(i / %2 + 1 AS TEXT) AS c, CAST(i / %2 + 1 AS TEXT) AS s, i % %2 AS k, i FROM n");
    auto fill = [&](const char *table, const char *columns, const char *values, int perStatement) {
        db.exec(QStringLiteral("INSERT INTO %1 (ClientId, StatementId, %2) SELECT c, s, %3 FROM (%4)")
                    .arg(QLatin1String(table), QLatin1String(columns), QLatin1String(values),
                         keys.arg(ClientCount).arg(perStatement)));
    };
    fill("Cash", "Type, RegisteredName, Bank, AccountNumber, Balance",
         "'Checking', 'Joint', 'First National', 'ACCT' || i, 1000000 + i * 37 % 90000000", 2);
    fill("Investments", "InvestmentType, Description, Shares, Exchange, PurchasePrice, MarketValue",
         "'Stocks', 'Holding ' || k, 100 + k, 'NYSE', 50000000, 61000000", 2);
    fill("RealEstate", "Type, YearAcquired, Description, PercentOwned, MarketValue, CurrentBalance",
         "'Residence', 2010, 'Home ' || i, 100, 4500000000, 2100000000", 1);
    fill("Incomes", "Type, Description, Amount, MAmount", "'Salary', 'Employer ' || k, 950000000, 79166667", 2);
    fill("Expenditure", "Type, Description, Amount, MAmount", "'Mortgage', 'Payment ' || k, 240000000, 20000000",
         2);
    fill("Notes", "Description, Details", "'Note', 'Prepared from the client''s records.'", 1);
    tx.commit();
}

struct OpenTimes {
    double construct = 0, reserve = 0, unlock = 0, close = 0;
};

OpenTimes startOnce(const QString &dir)
{
    OpenTimes t;
    double s = nowMs();
    auto dm = std::make_unique<Tdm1>();
    dm1 = dm.get();
    t.construct = nowMs() - s;
    s = nowMs();
    dm->ReserveDataDir(dir);
    t.reserve = nowMs() - s;
    s = nowMs();
    dm->UnlockData(SecretBytes::fromText(QStringLiteral("bench password")));
    t.unlock = nowMs() - s;
    if (dm->tblNettora->recordCount() != ClientCount)
        throw EngineError(QStringLiteral("the data directory does not hold the expected statements"));
    s = nowMs();
    dm.reset();
    t.close = nowMs() - s;
    return t;
}

struct ProcessRun {
    double ms = 0;
    QString failure;  // empty when the run ended by itself with exit code 0
};

// One whole start of program on dir: from asking for the process until it
// has exited. The program ends its own run once its first window is painted.
ProcessRun runProgram(const QString &program, const QString &dir, const QStringList &extra = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("NETTORA_QUIT_WHEN_SHOWN"), QStringLiteral("1"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    ProcessRun run;
    const double s = nowMs();
    p.start(program, QStringList{QStringLiteral("--data-dir"), dir} + extra);
    const bool finished = p.waitForFinished(ProcessTimeoutMs);
    run.ms = nowMs() - s;
    if (!finished) {
        p.kill();
        p.waitForFinished();
        run.failure = p.error() == QProcess::FailedToStart
                          ? QStringLiteral("could not be started")
                          : QStringLiteral("did not end within %1 s").arg(ProcessTimeoutMs / 1000);
    } else if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        run.failure = QStringLiteral("ended with exit code %1").arg(p.exitCode());
    }
    if (!run.failure.isEmpty()) {
        const QByteArray said = p.readAll().trimmed();
        if (!said.isEmpty())
            run.failure += QStringLiteral(": ") + QString::fromLocal8Bit(said);
    }
    return run;
}

QString programPath(const char *envName, const char *builtPath)
{
    const QString env = qEnvironmentVariable(envName);
    return env.isEmpty() ? QString::fromUtf8(builtPath) : env;
}

// The whole-program start against the bare program, in turn; prints the
// figures and the goal line, or why a run failed.
void measureWholeStart(const QString &dir)
{
    const QString program = programPath("NETTORA_PROGRAM", NETTORA_PROGRAM_PATH);
    const QString bare = programPath("NETTORA_BARE_PROGRAM", NETTORA_BARE_PROGRAM_PATH);
    std::vector<double> programTimes, bareTimes, textTimes, pairRatios;
    const QStringList withText{QStringLiteral("--with-text")};
    for (int i = -1; i < ProcessRuns; ++i) {  // run -1: the warm-up, not counted
        // The three take turns going first, so none always meets the caches
        // as another left them.
        ProcessRun a, b, t;
        for (int k = 0; k < 3; ++k) {
            switch ((i + 1 + k) % 3) {
            case 0: a = runProgram(program, dir); break;
            case 1: b = runProgram(bare, dir); break;
            default: t = runProgram(bare, dir, withText); break;
            }
        }
        for (const auto &[run, path] : {std::pair{&a, &program}, std::pair{&b, &bare}, std::pair{&t, &bare}}) {
            if (!run->failure.isEmpty()) {
                std::printf("\nwhole start: %s %s\n", path->toUtf8().constData(),
                            run->failure.toUtf8().constData());
                printGoal(false, "whole start at most 1.25x the bare Qt start (median)");
                return;
            }
        }
        if (i < 0)
            continue;
        programTimes.push_back(a.ms);
        bareTimes.push_back(b.ms);
        textTimes.push_back(t.ms);
        pairRatios.push_back(a.ms / b.ms);
    }
    const double ratio = median(programTimes) / median(bareTimes);
    std::printf("\nwhole start, process start to first window shown and exit, %d runs each in turn (ms):\n",
                ProcessRuns);
    std::printf("  program (login page):               min %7.1f  median %7.1f  max %7.1f\n",
                minimum(programTimes), median(programTimes), maximum(programTimes));
    std::printf("  bare Qt window + open pass:         min %7.1f  median %7.1f  max %7.1f\n", minimum(bareTimes),
                median(bareTimes), maximum(bareTimes));
    std::printf("  program / bare, ratio of medians:   %.2f  (pair by pair: min %.2f  median %.2f  max %.2f)\n",
                ratio, minimum(pairRatios), median(pairRatios), maximum(pairRatios));
    std::printf("  bare Qt window with text (info):    min %7.1f  median %7.1f  max %7.1f\n", minimum(textTimes),
                median(textTimes), maximum(textTimes));
    std::printf("  program / bare with text:           %.2f  (information: both load the fonts)\n",
                median(programTimes) / median(textTimes));
    printGoal(ratio <= ProcessGoal, "whole start at most 1.25x the bare Qt start (median)");
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QTemporaryDir plainDir;
    // --keep-data DIR: the data directory is made in DIR (a new folder) and
    // left there, for timing the programs from outside on the same data.
    const QStringList arguments = app.arguments();
    const qsizetype keep = arguments.indexOf(QStringLiteral("--keep-data"));
    if (keep > 0) {
        if (keep + 1 >= arguments.size() || QFileInfo::exists(arguments[keep + 1])
            || !QDir().mkpath(arguments[keep + 1])) {
            std::fprintf(stderr, "--keep-data needs the path of a folder that does not exist yet\n");
            return 1;
        }
    }
    const QString dataDir = keep > 0 ? QDir(arguments[keep + 1]).absolutePath() : dir.path();
    if (!dir.isValid() || !plainDir.isValid()) {
        std::fprintf(stderr, "no scratch directory\n");
        return 1;
    }
    try {
        const double t0 = nowMs();
        const QString plainFile = plainDir.filePath(QStringLiteral("plain.db"));
        {
            auto dm = connect(dataDir);
            NameGenerator names;
            insertClients(dm->db(), ClientCount, names);
            insertStatements(dm->db());
            // The key file made with the data: the program starts on its
            // login page, as every run after the first does.
            dm->db().exec(QStringLiteral("UPDATE \"User\" SET \"User\" = 'preparer'"));
            // The same data as a plain file, for the encryption pass.
            dm->db().exec(QStringLiteral("ATTACH DATABASE '%1' AS plain KEY ''").arg(plainFile));
            dm->db().exec(QStringLiteral("SELECT sqlcipher_export('plain')"));
            dm->db().exec(QStringLiteral("DETACH DATABASE plain"));
        }
        const QString dbFile = QDir(dataDir).filePath(QLatin1String(Connection::DatabaseFileName));
        std::printf("set-up: %d clients, %d statements, %d schedule rows in %.0f ms; data file %.1f MB\n",
                    ClientCount, ClientCount, ClientCount * 10, nowMs() - t0,
                    QFileInfo(dbFile).size() / 1048576.0);

        // One start not counted: the first read of the file after it was
        // written, and whatever the set-up left to settle.
        startOnce(dataDir);

        std::vector<double> reserves, totals, constructs, unlocks, closes;
        for (int i = 0; i < Starts; ++i) {
            const OpenTimes t = startOnce(dataDir);
            constructs.push_back(t.construct);
            reserves.push_back(t.reserve);
            totals.push_back(t.construct + t.reserve);
            unlocks.push_back(t.unlock);
            closes.push_back(t.close);
        }

        // The engine open alone under the data key (first read, settings),
        // against the login's unlock.
        std::vector<double> keyOpens;
        SecretBytes dataKey;
        {
            Tdm1 probe;
            dm1 = &probe;
            probe.ConnectDb(dataDir, SecretBytes::fromText(QStringLiteral("bench password")));
            dataKey = probe.dataKey().clone();
            dm1 = nullptr;
        }
        for (int i = 0; i < Starts; ++i) {
            Database raw;
            const double s = nowMs();
            raw.open(dbFile, engineKeyText(dataKey));
            keyOpens.push_back(nowMs() - s);
        }

        std::vector<double> encrypts;
        for (int i = 0; i < EncryptionRuns; ++i) {
            QTemporaryDir encDir;
            const QString target = QDir(encDir.path()).filePath(QLatin1String(Connection::DatabaseFileName));
            if (!QFile::copy(plainFile, target))
                throw EngineError(QStringLiteral("could not copy the plain file"));
            const double s = nowMs();
            auto dm = std::make_unique<Tdm1>();
            dm1 = dm.get();
            dm->ConnectDb(encDir.path(), SecretBytes::fromText(QStringLiteral("bench password")));
            encrypts.push_back(nowMs() - s);
            if (dm->tblNettora->recordCount() != ClientCount)
                throw EngineError(QStringLiteral("the encrypted file does not hold the expected statements"));
        }

        std::printf("\nstart-up open pass, %d starts (ms):   min %7.2f  median %7.2f  max %7.2f\n", Starts,
                    minimum(totals), median(totals), maximum(totals));
        std::printf("  of which data module construction:  min %7.2f  median %7.2f\n", minimum(constructs),
                    median(constructs));
        std::printf("  of which ReserveDataDir:             min %7.2f  median %7.2f\n", minimum(reserves),
                    median(reserves));
        std::printf("the login's unlock (derivation incl.): min %7.2f  median %7.2f (information)\n", minimum(unlocks),
                    median(unlocks));
        std::printf("  engine open alone (raw key, settings): min %7.2f  median %7.2f\n", minimum(keyOpens),
                    median(keyOpens));
        std::printf("closing the data module:               min %7.2f  median %7.2f\n", minimum(closes),
                    median(closes));
        std::printf("encryption pass on a plain file, %d runs: min %7.2f  median %7.2f  max %7.2f (information)\n",
                    EncryptionRuns, minimum(encrypts), median(encrypts), maximum(encrypts));
        std::printf("ratio of the median start to the 150 ms goal: %.2f\n", median(totals) / 150.0);
        printGoal(median(totals) < 150.0, "start-up open pass < 150 ms (median)");

        measureWholeStart(dataDir);
    } catch (const EngineError &e) {
        std::fprintf(stderr, "engine error: %s\n", e.text().toUtf8().constData());
        return 1;
    }
    return 0;
}
