// Roll-forward of a 200-row statement in a data file of 1,000,000 schedule
// rows, against the same statement in a data file of 1,000 rows, in one run:
// the routine's cost should follow the statement's size, not the file's.
// Goal: big / small at most 1.5x (medians).
//
// Each run is the program's own sequence: FilterStatementTables on the
// source statement, the new date and description, CopyStatement. The copy is
// then deleted with plain SQL (not timed) so every run sees the same file.

#include "bench_names.h"
#include "bench_util.h"

#include "data/db_functions.h"
#include "kit/app_state.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

using namespace nettora;
using namespace nettora::bench;

namespace {

constexpr int BackgroundRowsPerStatement = 50;

// How the rows of one statement are spread over the schedules: the source
// statement's 200 rows, and 50 for every other statement.
struct Schedule {
    const char *table;
    const char *columns;
    const char *values;  // over k (row within the statement) and i (row number)
    int sourceRows;
    int backgroundRows;
};

const Schedule Schedules[] = {
    {"Cash", "Type, RegisteredName, Bank, AccountNumber, Balance, Pledged",
     "'Checking', 'Joint ' || k, 'First National', 'ACCT' || i, 1000000 + i * 37 % 90000000, 'No'", 30, 8},
    {"Investments", "InvestmentType, Description, Shares, Exchange, PurchasePrice, RegisteredName, MarketValue",
     "CASE k % 3 WHEN 0 THEN 'Stocks' WHEN 1 THEN 'Bonds' ELSE 'Mutual Funds' END, 'Holding ' || k, 100 + k, "
     "'NYSE', 50000000 + k, 'Joint', 61000000 + i % 1000",
     50, 10},
    {"RealEstate", "Type, YearAcquired, Description, PercentOwned, MarketValue, CurrentBalance, LienHolder",
     "'Residence', 2000 + k % 20, 'Property ' || k, 100, 4500000000, 2100000000, 'Home Mortgage Co'", 20, 4},
    {"Incomes", "Type, Description, Amount, MAmount", "'Salary', 'Employer ' || k, 950000000, 79166667", 30, 8},
    {"Expenditure", "Type, Description, Amount, MAmount",
     "CASE k % 2 WHEN 0 THEN 'Mortgage' ELSE 'Insurance' END, 'Payment ' || k, 240000000, 20000000", 50, 14},
    {"Notes", "Description, Details", "'Note ' || k, 'Prepared from the client''s records, item ' || k", 20, 6},
};

struct DataSet {
    QString label;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Tdm1> dm;
    QString clientId, statementId;
    qint64 rows = 0;
    double setupMs = 0;
};

qint64 scalar(Database &db, const QString &sql)
{
    Statement st = db.prepare(sql);
    return st.step() ? st.columnInt(0) : 0;
}

// Statements 1..count, two per client; the source statement sits in the
// middle of the key range and gets the 200-row spread, the others 50 rows.
void load(DataSet &d, int clients, int statements)
{
    const double t0 = nowMs();
    d.dir = std::make_unique<QTemporaryDir>();
    {
        auto dm = connect(d.dir->path());
        Database &db = dm->db();
        // A large cache for the bulk load only; the runs use the program's.
        db.exec(QStringLiteral("PRAGMA cache_size = -1048576"));
        NameGenerator names;
        insertClients(db, clients, names);
        const int source = statements / 2 + 1;
        Transaction tx(db);
        db.exec(QStringLiteral(
                    "INSERT INTO Nettora (ClientId, Date, Description, CashOnHand, InvestmentTotals, "
                    "RealEstateTotals, TotalAssets, TotalLiabilities, NetWorth) "
                    "WITH RECURSIVE n(s) AS (SELECT 1 UNION ALL SELECT s + 1 FROM n WHERE s < %1) "
                    "SELECT CAST((s + 1) / 2 AS TEXT), '12/31/24', 'Annual statement', 250000000, 1200000000, "
                    "4500000000, 5950000000, 2100000000, 3850000000 FROM n")
                    .arg(statements));
        for (const Schedule &s : Schedules) {
            // Every statement but the source, rows of a statement together.
            db.exec(QStringLiteral(
                        "INSERT INTO %1 (ClientId, StatementId, %2) "
                        "SELECT CAST((st + 1) / 2 AS TEXT), CAST(st AS TEXT), %3 FROM ("
                        "  WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %4 - 1) "
                        "  SELECT i, i % %5 AS k, i / %5 + 1 + (i / %5 + 1 >= %6) AS st FROM n)")
                        .arg(QLatin1String(s.table), QLatin1String(s.columns), QLatin1String(s.values))
                        .arg(qint64(statements - 1) * s.backgroundRows)
                        .arg(s.backgroundRows)
                        .arg(source));
            db.exec(QStringLiteral(
                        "INSERT INTO %1 (ClientId, StatementId, %2) "
                        "SELECT '%3', '%4', %5 FROM ("
                        "  WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %6 - 1) "
                        "  SELECT i, i AS k FROM n)")
                        .arg(QLatin1String(s.table), QLatin1String(s.columns))
                        .arg((source + 1) / 2)
                        .arg(source)
                        .arg(QLatin1String(s.values))
                        .arg(s.sourceRows));
        }
        tx.commit();
        d.clientId = QString::number((source + 1) / 2);
        d.statementId = QString::number(source);
        for (const Schedule &s : Schedules)
            d.rows += scalar(db, QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(s.table)));
    }
    // Runs start from a fresh open, with the program's settings.
    d.dm = connect(d.dir->path());
    d.setupMs = nowMs() - t0;
}

int sourceRowCount(DataSet &d)
{
    int n = 0;
    for (const Schedule &s : Schedules)
        n += int(scalar(d.dm->db(), QStringLiteral("SELECT count(*) FROM %1 WHERE ClientId = '%2' AND StatementId = '%3'")
                                        .arg(QLatin1String(s.table), d.clientId, d.statementId)));
    return n;
}

struct RunTimes {
    double filter = 0, copy = 0;
};

RunTimes rollForward(DataSet &d, int run)
{
    dm1 = d.dm.get();
    RunTimes t;
    double s = nowMs();
    FilterStatementTables(d.clientId, d.statementId);
    t.filter = nowMs() - s;
    s = nowMs();
    const qint64 newId = CopyStatement(QStringLiteral("12/31/25"), QStringLiteral("Rolled forward %1").arg(run));
    t.copy = nowMs() - s;

    // Check the copy, then take it out again so the next run sees the same file.
    Database &db = d.dm->db();
    const QString copyId = QString::number(newId);
    int copied = 0;
    for (const Schedule &sc : Schedules)
        copied += int(scalar(db, QStringLiteral("SELECT count(*) FROM %1 WHERE StatementId = '%2'")
                                     .arg(QLatin1String(sc.table), copyId)));
    if (copied != 200 || copyId == d.statementId)
        throw EngineError(QStringLiteral("the copy holds %1 rows, not 200").arg(copied));
    {
        Transaction tx(db);
        for (const Schedule &sc : Schedules)
            db.exec(QStringLiteral("DELETE FROM %1 WHERE StatementId = '%2'").arg(QLatin1String(sc.table), copyId));
        db.exec(QStringLiteral("DELETE FROM Nettora WHERE Id = %1").arg(copyId));
        tx.commit();
    }
    return t;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    try {
        DataSet big, small;
        big.label = QStringLiteral("1,000,000 rows");
        small.label = QStringLiteral("1,000 rows");
        // 1,000,000 = 200 + 19,996 statements of 50; 1,000 = 200 + 16 of 50.
        load(small, 10, 17);
        load(big, 10000, 19997);
        for (DataSet *d : {&small, &big}) {
            const QString file = QDir(d->dir->path()).filePath(QLatin1String(Connection::DatabaseFileName));
            std::printf("set-up %-15s %8lld schedule rows, source statement %s of client %s (%d rows), "
                        "file %.1f MB, %.0f ms\n",
                        d->label.toUtf8().constData(), static_cast<long long>(d->rows),
                        d->statementId.toUtf8().constData(), d->clientId.toUtf8().constData(), sourceRowCount(*d),
                        QFileInfo(file).size() / 1048576.0, d->setupMs);
        }

        // The routine ends each schedule by clearing the markers it set; on a
        // large file that must go through the marker index, not the table.
        {
            Statement st = big.dm->db().prepare(QStringLiteral(
                "EXPLAIN QUERY PLAN UPDATE \"Cash\" SET \"Updated\" = NULL WHERE \"Updated\" IS NOT NULL"));
            while (st.step())
                std::printf("marker clearing plan (Cash, 1,000,000 rows): %s\n", st.columnText(3).toUtf8().constData());
        }

        // One run each not counted (the first touches pages no run has read
        // yet), then as many as fit the time budget, big and small in turn.
        const double warmStart = nowMs();
        const RunTimes firstBig = rollForward(big, 0);
        const RunTimes firstSmall = rollForward(small, 0);
        const double warmMs = nowMs() - warmStart;
        std::printf("first run, not counted: 1,000,000 rows %.2f ms, 1,000 rows %.2f ms\n",
                    firstBig.filter + firstBig.copy, firstSmall.filter + firstSmall.copy);
        const int runs = std::clamp(int(40000 / std::max(warmMs, 1.0)), 5, 31);

        std::vector<double> bigTotal, smallTotal, bigCopy, smallCopy, bigFilter, smallFilter, pairRatios;
        for (int i = 1; i <= runs; ++i) {
            const bool bigFirst = i % 2;
            RunTimes b, s;
            if (bigFirst) {
                b = rollForward(big, i);
                s = rollForward(small, i);
            } else {
                s = rollForward(small, i);
                b = rollForward(big, i);
            }
            bigTotal.push_back(b.filter + b.copy);
            smallTotal.push_back(s.filter + s.copy);
            bigCopy.push_back(b.copy);
            smallCopy.push_back(s.copy);
            bigFilter.push_back(b.filter);
            smallFilter.push_back(s.filter);
            pairRatios.push_back((b.filter + b.copy) / (s.filter + s.copy));
        }

        std::printf("\n%d runs each (ms)                 min     median        max\n", runs);
        auto row = [](const char *what, const std::vector<double> &v) {
            std::printf("%-28s %9.2f %10.2f %10.2f\n", what, minimum(v), median(v), maximum(v));
        };
        row("1,000,000 rows: filter", bigFilter);
        row("1,000,000 rows: copy", bigCopy);
        row("1,000,000 rows: filter+copy", bigTotal);
        row("1,000 rows: filter", smallFilter);
        row("1,000 rows: copy", smallCopy);
        row("1,000 rows: filter+copy", smallTotal);
        // Runs are paired (big and small back to back), so the median of the
        // pair ratios stands when the machine's speed drifts during the run.
        const double ratio = median(pairRatios);
        std::printf("\nratio 1,000,000 / 1,000 rows, filter+copy: %.2fx (median of %d paired runs; "
                    "ratio of the medians %.2fx, copy alone %.2fx)\n",
                    ratio, runs, median(bigTotal) / median(smallTotal), median(bigCopy) / median(smallCopy));
        printGoal(ratio <= 1.5, "roll-forward in 1,000,000 rows at most 1.5x the same in 1,000 rows");
    } catch (const EngineError &e) {
        std::fprintf(stderr, "engine error: %s\n", e.text().toUtf8().constData());
        return 1;
    }
    return 0;
}
