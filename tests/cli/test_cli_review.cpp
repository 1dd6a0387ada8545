// nettora-cli review: the findings and ratios of a statement as lines and as
// JSON, with its exit statuses, on a real data directory.
#include "cli/cli_commands.h"
#include "support/testsupport.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace nettora;
using namespace nettora::test;

namespace {

struct CliResult {
    int status = -1;
    QString out, err;
};

class CliReview : public DataDirTest {
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        client = addClient("Ann", "Lee");
        setClient({{"Address", "1 Main St"}, {"City", "Springfield"}, {"State", "IL"}, {"Zip", "62701"},
                   {"SSN", "123-45-6789"}});
        statement = addStatement(client, QStringLiteral("06/20/2026"));
        Table *legal = m_dm->tblLegal;
        legal->append();
        legal->setAsString("ClientId", QString::number(client));
        legal->setAsString("StatementId", QString::number(statement));
        for (const char *q : {"Will", "Divorce", "Bankruptcy", "Partner", "Defendant", "Judgement", "Prenuptial",
                              "SpouseAssets", "EstateAssets", "DebtAssets"})
            legal->setAsString(q, QStringLiteral("No"));
        legal->post();
        addRow(m_dm->tblCash, client, statement, {{"Bank", "First National"}, {"Balance", "30000"}});
        addRow(m_dm->tblIncomes, client, statement, {{"Type", "All Other Income"}, {"Amount", "120000"}});
        addRow(m_dm->tblExpenditure, client, statement, {{"Type", "Rental Payment"}, {"Amount", "60000"}});
        setTotals({{"CashOnHand", 30000}, {"TotalAssets", 30000}, {"NetWorth", 30000}, {"IncomeTotal", 120000},
                   {"Rental_Exp", 24000}, {"ExpenseTotal", 60000}});
    }

    void setTotals(std::initializer_list<std::pair<const char *, double>> totals)
    {
        for (const auto &[field, value] : totals) {
            Statement st = m_dm->db().prepare(
                QStringLiteral("UPDATE \"Nettora\" SET \"%1\" = ? WHERE \"Id\" = ?").arg(QLatin1String(field)));
            st.bind(1, qint64(value * 10000));
            st.bind(2, statement);
            st.run();
        }
    }

    CliResult cli(const QStringList &args)
    {
        m_dm.reset();  // one program at a time holds the data directory
        dm1 = nullptr;
        QBuffer in, out, err;
        in.open(QIODevice::ReadOnly);
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        qputenv("NETTORA_PASSWORD", TestPassword);
        CliResult r;
        r.status = cli::runCli(QStringList{QStringLiteral("--data-dir"), dataDir(), QStringLiteral("review")} + args,
                               in, out, err);
        r.out = QString::fromUtf8(out.data());
        r.err = QString::fromUtf8(err.data());
        restart();
        return r;
    }

    QStringList statementArgs(const char *today = "06/30/2026")
    {
        return {QStringLiteral("--statement"), QString::number(statement), QStringLiteral("--today"),
                QString::fromLatin1(today)};
    }

    qint64 client = 0, statement = 0;
};

TEST_F(CliReview, AStatementWithNothingToFixPrintsItsRatiosAndEndsWithZero)
{
    const CliResult r = cli(statementArgs());
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines[0], QStringLiteral("Nothing a lender would send back was found."));
    EXPECT_TRUE(lines.contains(QStringLiteral("liquidity_ratio\tnot defined\tliquid assets / total liabilities")))
        << r.out.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("debt_to_income\t0.20\tmonthly debt payments / monthly income")))
        << r.out.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
}

TEST_F(CliReview, AFindingToFixIsPrintedAndEndsWithOne)
{
    // 130 days before the day of review.
    const CliResult r = cli(statementArgs("10/28/2026"));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral(
        "Fix before signing\tThe statement is dated 06/20/2026, 130 days before the review; lenders take statements "
        "up to 120 days old at most.\tPersonal Information > Date / Description\n")))
        << r.out.toStdString();
}

TEST_F(CliReview, JsonHoldsTheFindingsAndTheUnroundedRatios)
{
    setTotals({{"TotalLiabilities", 9000}});
    const CliResult r = cli(statementArgs("10/28/2026") + QStringList{QStringLiteral("--json")});
    EXPECT_EQ(r.status, 1);
    QJsonParseError error;
    const QJsonObject doc = QJsonDocument::fromJson(r.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
    EXPECT_EQ(doc.value(QStringLiteral("statement")).toInteger(), statement);
    EXPECT_EQ(doc.value(QStringLiteral("today")).toString(), QStringLiteral("10/28/2026"));
    const QJsonArray findings = doc.value(QStringLiteral("findings")).toArray();
    ASSERT_EQ(findings.size(), 1);
    const QJsonObject f = findings[0].toObject();
    EXPECT_EQ(f.value(QStringLiteral("check")).toString(), QStringLiteral("statement_date_old"));
    EXPECT_EQ(f.value(QStringLiteral("severity")).toString(), QStringLiteral("fix"));
    EXPECT_EQ(f.value(QStringLiteral("table")).toString(), QStringLiteral("Nettora"));
    EXPECT_EQ(f.value(QStringLiteral("row")).toInteger(), statement);
    EXPECT_FALSE(f.value(QStringLiteral("message")).toString().isEmpty());
    const QJsonObject ratios = doc.value(QStringLiteral("ratios")).toObject();
    EXPECT_EQ(ratios.size(), 11);
    EXPECT_DOUBLE_EQ(ratios.value(QStringLiteral("liquidity_ratio")).toDouble(), 30000.0 / 9000.0);
    EXPECT_TRUE(ratios.value(QStringLiteral("loan_to_value")).isNull());
    EXPECT_DOUBLE_EQ(ratios.value(QStringLiteral("monthly_income")).toDouble(), 10000);
}

TEST_F(CliReview, UsageErrorsAndUnknownStatementsEndWithTwo)
{
    const struct {
        QStringList args;
        const char *message;
    } cases[] = {
        {{}, "review needs --statement ID"},
        {{QStringLiteral("--statement"), QStringLiteral("1"), QStringLiteral("--today"), QStringLiteral("31/12/2026")},
         "--today needs a date as MM/DD/YYYY, not \"31/12/2026\""},
        {{QStringLiteral("--statement"), QStringLiteral("1"), QStringLiteral("--style"), QStringLiteral("standard")},
         "the command review has no option --style"},
        {{QStringLiteral("--statement"), QStringLiteral("999")}, "there is no statement with the id 999"},
    };
    for (const auto &c : cases) {
        const CliResult r = cli(c.args);
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.message))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

}  // namespace
