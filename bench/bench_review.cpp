// The review of a 500-row statement in a data file of 200 statements (about
// 20,000 schedule rows), against reading the same statement's rows alone
// (the statement, client and user rows, then every schedule's rows of the
// statement, each field read) with plain SQL, 21 runs each in turn after a
// warm-up. Goals: the review under 50 ms and at most 2x the bare read
// (medians).

#include "bench_util.h"

#include "calc/review.h"
#include "data/schema.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>

using namespace nettora;
using namespace nettora::bench;

namespace {

constexpr int Statements = 200;
constexpr int Runs = 21;
constexpr double GoalMs = 50;
constexpr double GoalRatio = 2.0;

// The rows of each statement by schedule: 500 in all, over every schedule a
// review reads. Values over k (row within the statement) and i (row number).
struct Schedule {
    const char *table, *columns, *values;
    int rows;
};

const Schedule Schedules[] = {
    {"Cash", "Type, Bank, AccountNumber, Balance, Pledged, PledgedTo",
     "'Checking', 'Bank ' || k, 'ACCT' || i, 10000000 + i % 9000, 'Yes', CASE k % 5 WHEN 0 THEN '' ELSE 'Lender' END",
     80},
    {"Investments", "InvestmentType, Description, Shares, PurchasePrice, MarketValue, Pledged",
     "CASE k % 3 WHEN 0 THEN 'Stock' WHEN 1 THEN 'SEP/IRA' ELSE '401K' END, 'Holding ' || k, 100, 50000000, "
     "61000000, 'No'",
     100},
    {"RealEstate", "Type, Description, PercentOwned, MarketValue, TMarketValue, PercentLiability, CurrentBalance, "
     "TCurrentLiability",
     "CASE k WHEN 0 THEN 'Homestead' ELSE 'Rental' END, 'Property ' || k, CASE k % 7 WHEN 0 THEN 0 ELSE 100 END, "
     "4500000000, 4500000000, 100, 2100000000, 2100000000",
     40},
    {"Auto", "Model, Year, Description, CurrentValue, MonthlyPayment", "'Model ' || k, '2022', 'Car', 90000000, 3000000",
     20},
    {"LifeInsurance", "Insured, Company, FaceValue, CashValue, Pledged", "'Ann', 'Life Co ' || k, 1000000000, 50000000, 'No'",
     20},
    {"PersonalAssets", "Description, Value", "'Item ' || k, 10000000", 20},
    {"BusinessAssets", "Description, Value", "'Share ' || k, 20000000", 20},
    {"OtherAssets", "Type, Description, Value", "'All Other Assets', 'Other ' || k, 10000000", 20},
    {"Auto2", "Description, LoanBalance, LienHolder", "'Car loan ' || k, 50000000, 'Bank'", 20},
    {"Bank", "Description, Bank, Amount", "'Note ' || k, 'Bank', 100000000", 20},
    {"CreditCards", "Description, CurrentBalance, CreditLimit",
     "'Card ' || k, 6000000, CASE k % 4 WHEN 0 THEN 5000000 ELSE 9000000 END", 40},
    {"Taxes", "Description, Amount", "'Tax ' || k, 30000000", 10},
    {"Other", "Description, Amount, MonthlyPayment", "'Debt ' || k, 20000000, 1000000", 20},
    {"Contingent", "Description, ToWhom, Amount, Maturity", "'Guarantee ' || k, 'Bank', 100000000, '2025-01-01'", 20},
    {"Incomes", "Type, Description, Amount", "'Salaries and Wages (Individual)', 'Job ' || k, 950000000", 25},
    {"Expenditure", "Type, Description, Amount", "'Mortgage Payment', 'Payment ' || k, 240000000", 25},
};

void makeData(Database &db)
{
    Transaction tx(db);
    db.exec(QStringLiteral("INSERT INTO Client (FirstName, LastName, Address, City, State, Zip, SSN) "
                           "VALUES ('Ann', 'Lee', '1 Main St', 'Springfield', 'IL', '62701', '123-45-6789')"));
    db.exec(QStringLiteral(
                "INSERT INTO Nettora (ClientId, Date, Description, CashOnHand, InvestmentTotals, IRA, \"401K\", "
                "TotalAssets, TotalLiabilities, NetWorth, IncomeTotal, ExpenseTotal, Mortgage_Exp, "
                "TMortgageLiabilitiesTotals, RealEstateTotalsAsset, ContingentLiability) "
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                "SELECT '1', '06/01/2026', 'Statement ' || i, 600000000000, 6100000000000, 2000000000000, "
                "2000000000000, 9000000000000, 1000000000000, 8000000000000, 237500000000, 60000000000, "
                "60000000000, 840000000000, 1800000000000, 20000000000 FROM n")
                .arg(Statements));
    db.exec(QStringLiteral("INSERT INTO Legal (ClientId, StatementId, Will, Divorce, Bankruptcy, Partner, Defendant, "
                           "Judgement, Prenuptial, SpouseAssets, EstateAssets, DebtAssets) "
                           "SELECT '1', CAST(Id AS TEXT), 'Yes', 'No', 'No', 'No', 'No', 'No', 'No', 'No', 'No', "
                           "'No' FROM Nettora"));
    for (const Schedule &s : Schedules)
        db.exec(QStringLiteral("INSERT INTO %1 (ClientId, StatementId, %2) "
                               "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %4 * %5 - 1) "
                               "SELECT '1', CAST(i / %5 + 1 AS TEXT), %3 FROM (SELECT i, i % %5 AS k FROM n)")
                    .arg(QLatin1String(s.table), QLatin1String(s.columns), QLatin1String(s.values))
                    .arg(Statements)
                    .arg(s.rows));
    tx.commit();
}

// The statement's rows read with plain SQL, every field of every row.
qint64 readRowsAlone(Database &db, qint64 statementId)
{
    qint64 check = 0;
    const auto readAll = [&](const QString &table, const QString &where, const std::vector<QVariant> &binds) {
        Statement st = db.prepare(QStringLiteral("SELECT rowid, * FROM \"%1\" WHERE %2").arg(table, where));
        st.bindAll(binds);
        while (st.step())
            for (int c = 0; c < st.columnCount(); ++c)
                check += st.column(c).toString().size();
    };
    readAll(QStringLiteral("Nettora"), QStringLiteral("Id = ?"), {statementId});
    readAll(QStringLiteral("Client"), QStringLiteral("Id = 1"), {});
    readAll(QStringLiteral("User"), QStringLiteral("1"), {});
    readAll(QStringLiteral("Legal"), QStringLiteral("ClientId = ? AND StatementId = ?"),
            {QStringLiteral("1"), QString::number(statementId)});
    for (const Schedule &s : Schedules)
        readAll(QString::fromLatin1(s.table), QStringLiteral("ClientId = ? AND StatementId = ?"),
                {QStringLiteral("1"), QString::number(statementId)});
    return check;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no scratch directory\n");
        return 1;
    }
    try {
        auto dm = connect(dir.path());
        Database &db = dm->db();
        const double t0 = nowMs();
        makeData(db);
        int rows = 0;
        for (const Schedule &s : Schedules)
            rows += s.rows;
        std::printf("set-up: %d statements of %d schedule rows each in %.0f ms\n", Statements, rows, nowMs() - t0);

        const qint64 statementId = Statements / 2;
        const QDate today(2026, 6, 30);
        const Review first = reviewStatement(db, statementId, today);
        readRowsAlone(db, statementId);
        std::vector<double> reviews, reads;
        qint64 check = 0;
        for (int i = 0; i < Runs; ++i) {
            double s = nowMs();
            check += qint64(reviewStatement(db, statementId, today).findings.size());
            reviews.push_back(nowMs() - s);
            s = nowMs();
            check += readRowsAlone(db, statementId);
            reads.push_back(nowMs() - s);
        }
        std::printf("the review found %zu findings (%s to fix)\n", first.findings.size(),
                    first.hasFix() ? "some" : "none");
        std::printf("\n%d runs each, in turn (ms):\n", Runs);
        std::printf("  review:              min %7.2f  median %7.2f  max %7.2f\n", minimum(reviews), median(reviews),
                    maximum(reviews));
        std::printf("  rows read alone:     min %7.2f  median %7.2f  max %7.2f\n", minimum(reads), median(reads),
                    maximum(reads));
        const double ratio = median(reviews) / median(reads);
        std::printf("  review / read:       %.2f\n(check %lld)\n", ratio, static_cast<long long>(check));
        printGoal(median(reviews) < GoalMs, "review of a 500-row statement under 50 ms (median)");
        printGoal(ratio <= GoalRatio, "review at most 2x reading the statement's rows alone (medians)");
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", e.text().toUtf8().constData());
        return 1;
    }
    dm1 = nullptr;
    return 0;
}
