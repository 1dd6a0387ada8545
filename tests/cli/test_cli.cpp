// nettora-cli: the real program on a temporary data directory, with the data
// read back in-process between runs.
#include "cli_process.h"

#include "cli/cli_commands.h"
#include "data/datamodule.h"
#include "data/schema.h"
#include "support/small_disk.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <functional>
#include <iostream>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace nettora;

namespace {

using test::CliRun;
using test::SmallDisk;

QJsonObject parseObject(const QByteArray &json)
{
    QJsonParseError e;
    const QJsonDocument d = QJsonDocument::fromJson(json, &e);
    EXPECT_EQ(e.error, QJsonParseError::NoError) << e.errorString().toStdString();
    return d.object();
}

// John has a statement with rows in several schedules, and a stored net
// worth that the import must replace by the computed one.
const char *const kRoundTripDoc = R"({
  "format": "nettora", "version": 1,
  "clients": [
    {"fields": {"FirstName": "John", "MiddleInitial": "Q", "LastName": "Smith", "City": "Dallas", "State": "TX",
                "Zip": "75001", "MaritalStatus": "Married", "Dependents": "2", "Employer": "Acme",
                "YearsEmployed": "7", "FullName": "stale"},
     "statements": [
       {"fields": {"Date": "12/31/2025", "Description": "Annual", "NetWorth": 999999, "CashOnHand": 5},
        "schedules": {
          "Cash": [{"Type": "Checking", "RegisteredName": "John", "Balance": 1234.56},
                   {"type": "Savings", "balance": 0.0001}],
          "Investments": [{"InvestmentType": "Stock", "Description": "ACME", "Shares": 10.5,
                           "MarketValue": 2500, "PurchasePrice": 2000}],
          "RealEstate": [{"Type": "Residence", "Description": "Home", "YearAcquired": 2001, "PercentOwned": 50,
                          "MarketValue": 300000, "PercentLiability": 100, "CurrentBalance": 120000}],
          "CreditCards": [{"Description": "Visa", "CurrentBalance": 450.25, "CreditLimit": 5000}],
          "Contingent": [{"Description": "Guarantee", "Amount": 10000, "Maturity": "06/30/27"}],
          "Notes": [{"Description": "Memo", "Details": "Line one\nLine \"two\"\tünïcödé €"}]
        }},
       {"fields": {"Date": "06/30/2025", "Description": "Half"}}
     ]},
    {"fields": {"FirstName": "Ann", "LastName": "Lee"}}
  ]
})";

class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(m_dir->isValid());
        test::makeTestData(dataDir());
    }

    QString dataDir() const { return m_dir->path(); }
    QString defaultHome() const { return QDir(dataDir()).filePath(QStringLiteral("default-home")); }
    QString file(const QString &name) const { return QDir(dataDir()).filePath(name); }

    // Runs the program on this test's data directory (unless told otherwise).
    CliRun cli(QStringList args, const QByteArray &input = QByteArray(), bool onDataDir = true)
    {
        return run(QStringLiteral(NETTORA_CLI_PATH), onDataDir ? QStringList{QStringLiteral("--data-dir"), dataDir()} + args
                                                                : args,
                   input);
    }

    // The same through the shell, with its standard output redirected
    // (">/dev/full", ">&-" to close it, "| true" into a pipe nobody reads).
    CliRun cliRedirected(const QString &redirection, const QStringList &args, const QByteArray &input = QByteArray())
    {
        const QString status = file(QStringLiteral("status"));
        QFile::remove(status);
        CliRun r = run(QStringLiteral("/bin/sh"),
                       QStringList{QStringLiteral("-c"),
                                   QStringLiteral("{ \"$0\" \"$@\"; echo $? >'%1'; } %2").arg(status, redirection),
                                   QStringLiteral(NETTORA_CLI_PATH), QStringLiteral("--data-dir"), dataDir()}
                           + args,
                       input);
        QFile f(status);
        r.status = f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().toInt() : -1;
        return r;
    }

    CliRun run(const QString &program, const QStringList &args, const QByteArray &input)
    {
        QProcessEnvironment env = test::cliEnvironment();
        // The program's own data directory lies in here, never in the home folder.
        env.insert(QStringLiteral("XDG_DATA_HOME"), defaultHome());
        // No display of any kind: the program picks its platform itself.
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        return test::runProcess(program, args, env, input);
    }

    // A failure: non-zero status, nothing on stdout, exactly one line on stderr.
    void expectRefused(const CliRun &r, int status, const QString &message)
    {
        EXPECT_EQ(r.status, status);
        EXPECT_EQ(r.out, QString());
        EXPECT_EQ(r.err, QStringLiteral("nettora-cli: ") + message + QLatin1Char('\n'));
    }

    // The data directory opened in-process for as long as the object lives.
    struct Open {
        explicit Open(const QString &dir)
        {
            dm1 = &module;
            module.ConnectDb(dir, test::testPassword());
        }
        ~Open() { dm1 = nullptr; }
        Tdm1 module;
    };

    // Everything stored: every row count (orphans included) and the whole export.
    QByteArray snapshot()
    {
        Open open(dataDir());
        QByteArray s;
        for (const auto &t : allTables()) {
            Statement st = dm1->db().prepare(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(t.name));
            st.step();
            s += t.name.toUtf8() + ' ' + QByteArray::number(st.columnInt(0)) + '\n';
        }
        return s + cli::exportDocument();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

const QJsonObject field(const QJsonObject &holder) { return holder.value(QStringLiteral("fields")).toObject(); }

}  // namespace

TEST_F(CliTest, ImportThenExportRoundTrips)
{
    const CliRun imported = cli({QStringLiteral("import"), QStringLiteral("-")}, kRoundTripDoc);
    ASSERT_EQ(imported.status, 0) << imported.err.toStdString();
    EXPECT_EQ(imported.out, QStringLiteral("client\t1\nstatement\t1\nstatement\t2\nclient\t2\n"));
    EXPECT_EQ(imported.err, QString());

    const QString exported = file(QStringLiteral("out.json"));
    ASSERT_EQ(cli({QStringLiteral("export"), exported}).status, 0);
    QFile f(exported);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray first = f.readAll();
    const QJsonObject root = parseObject(first);
    EXPECT_EQ(root.value(QStringLiteral("format")).toString(), QStringLiteral("nettora"));
    EXPECT_EQ(root.value(QStringLiteral("version")).toInt(), 1);

    const QJsonArray clients = root.value(QStringLiteral("clients")).toArray();
    ASSERT_EQ(clients.size(), 2);
    const QJsonObject john = field(clients[0].toObject());
    EXPECT_EQ(john.value(QStringLiteral("FullName")).toString(), QStringLiteral("Smith Q. John"));
    EXPECT_EQ(john.value(QStringLiteral("CityStateZip")).toString(), QStringLiteral("Dallas, TX  75001"));
    EXPECT_EQ(john.value(QStringLiteral("YearsEmployed2")).toString(), QStringLiteral("Employed for 7 years."));
    // From the last statement of the document.
    EXPECT_EQ(john.value(QStringLiteral("ClientDescription")).toString(), QStringLiteral("John Q. Smith - Half."));
    EXPECT_FALSE(john.contains(QStringLiteral("Id")));
    EXPECT_FALSE(field(clients[1].toObject()).contains(QStringLiteral("SFullName")));  // no spouse, nothing composed

    const QJsonArray statements = clients[0].toObject().value(QStringLiteral("statements")).toArray();
    ASSERT_EQ(statements.size(), 2);
    const QJsonObject annual = statements[0].toObject();
    const QJsonObject totals = field(annual);
    EXPECT_EQ(totals.value(QStringLiteral("Description")).toString(), QStringLiteral("Annual"));
    EXPECT_FALSE(totals.contains(QStringLiteral("ClientId")));
    // Recomputed, not taken from the document: cash 1234.5601, investments
    // 2500, half of the house 150000; card 450.25 and the mortgage 120000.
    EXPECT_DOUBLE_EQ(totals.value(QStringLiteral("CashOnHand")).toDouble(), 1234.5601);
    EXPECT_DOUBLE_EQ(totals.value(QStringLiteral("TotalAssets")).toDouble(), 153734.5601);
    EXPECT_DOUBLE_EQ(totals.value(QStringLiteral("TotalLiabilities")).toDouble(), 120450.25);
    EXPECT_DOUBLE_EQ(totals.value(QStringLiteral("NetWorth")).toDouble(), 33284.3101);
    EXPECT_DOUBLE_EQ(totals.value(QStringLiteral("ContingentLiability")).toDouble(), 10000);

    const QJsonObject schedules = annual.value(QStringLiteral("schedules")).toObject();
    const QJsonArray cash = schedules.value(QStringLiteral("Cash")).toArray();
    ASSERT_EQ(cash.size(), 2);
    EXPECT_DOUBLE_EQ(cash[0].toObject().value(QStringLiteral("Balance")).toDouble(), 1234.56);
    EXPECT_EQ(cash[1].toObject().value(QStringLiteral("Type")).toString(), QStringLiteral("Savings"));  // schema spelling
    EXPECT_DOUBLE_EQ(cash[1].toObject().value(QStringLiteral("Balance")).toDouble(), 0.0001);
    EXPECT_FALSE(cash[0].toObject().contains(QStringLiteral("StatementId")));
    const QJsonObject stock = schedules.value(QStringLiteral("Investments")).toArray()[0].toObject();
    EXPECT_DOUBLE_EQ(stock.value(QStringLiteral("Shares")).toDouble(), 10.5);
    const QJsonObject home = schedules.value(QStringLiteral("RealEstate")).toArray()[0].toObject();
    EXPECT_DOUBLE_EQ(home.value(QStringLiteral("TMarketValue")).toDouble(), 150000);  // written by the recalculation
    EXPECT_DOUBLE_EQ(home.value(QStringLiteral("YearAcquired")).toDouble(), 2001);
    EXPECT_EQ(schedules.value(QStringLiteral("Contingent")).toArray()[0].toObject().value(QStringLiteral("Maturity")),
              QJsonValue(QStringLiteral("06/30/2027")));  // the year in full
    EXPECT_EQ(schedules.value(QStringLiteral("Notes")).toArray()[0].toObject().value(QStringLiteral("Details")),
              QJsonValue(QStringLiteral("Line one\nLine \"two\"\tünïcödé €")));
    EXPECT_FALSE(schedules.contains(QStringLiteral("Bank")));  // empty schedules are left out

    // The export imports into an empty directory and exports the same again.
    QTemporaryDir second;
    ASSERT_EQ(cli({QStringLiteral("--data-dir"), second.path(), QStringLiteral("import"), exported}, {}, false).status, 0);
    const CliRun again = cli({QStringLiteral("--data-dir"), second.path(), QStringLiteral("export"), QStringLiteral("-")}, {},
                          false);
    ASSERT_EQ(again.status, 0);
    EXPECT_EQ(again.out.toUtf8(), first);

    // One client alone.
    const CliRun ann = cli({QStringLiteral("export"), QStringLiteral("--client"), QStringLiteral("2"), QStringLiteral("-")});
    ASSERT_EQ(ann.status, 0);
    const QJsonArray only = parseObject(ann.out.toUtf8()).value(QStringLiteral("clients")).toArray();
    ASSERT_EQ(only.size(), 1);
    EXPECT_EQ(field(only[0].toObject()).value(QStringLiteral("FullName2")).toString(), QStringLiteral("Ann Lee"));
}

TEST_F(CliTest, ImportTakesRealStatementDatesAndKeepsThemInFull)
{
    const struct {
        const char *typed, *stored;  // stored nullptr: the document is refused
    } cases[] = {
        {"06/31/2026", nullptr}, {"02/29/2025", nullptr},       {"13/01/2026", nullptr},
        {"02/29/2024", "02/29/2024"}, {"1/2/26", "01/02/2026"},
    };
    int client = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        const QByteArray before = snapshot();
        // A good client first, so that a partial write would show.
        const QByteArray doc =
            QStringLiteral(R"({"format": "nettora", "version": 1, "clients": [
                {"fields": {"FirstName": "Pat", "LastName": "Good%1"}, "statements": [{"fields": {"Date": "12/31/2025", "Description": "A"}}]},
                {"fields": {"FirstName": "Pat", "LastName": "Typed%1"}, "statements": [{"fields": {"Date": "%2", "Description": "B"}}]}]})")
                .arg(client)
                .arg(QLatin1String(c.typed))
                .toUtf8();
        const CliRun r = cli({QStringLiteral("import"), QStringLiteral("-")}, doc);
        if (!c.stored) {
            expectRefused(r, 1,
                          QStringLiteral("clients[1].statements[0].fields.Date: \"%1\" is not a valid date "
                                         "(month/day/year is expected, like 12/31/2025)")
                              .arg(QLatin1String(c.typed)));
            EXPECT_EQ(snapshot(), before);
            continue;
        }
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_TRUE(cli({QStringLiteral("list")})
                        .out.contains(QStringLiteral("\tTyped%1 Pat\t%2\tB\t").arg(client).arg(QLatin1String(c.stored))));
        ++client;
    }
}

TEST_F(CliTest, MalformedDocumentsChangeNothing)
{
    // Mary is in the database already.
    ASSERT_EQ(cli({QStringLiteral("import"), QStringLiteral("-")},
                  R"({"format": "nettora", "version": 1, "clients": [{"fields": {"FirstName": "Mary", "LastName": "Major"},
                      "statements": [{"fields": {"Date": "1/1/2025"}, "schedules": {"Cash": [{"Balance": 7}]}}]}]})")
                  .status,
              0);
    const QByteArray before = snapshot();

    // A valid client with a statement and rows comes first wherever the
    // fault allows, so that a partial write would show.
    const QString good = QStringLiteral(
        R"({"fields": {"FirstName": "Ann", "LastName": "Lee"},
            "statements": [{"fields": {"Date": "12/31/2025", "Description": "Annual"},
                            "schedules": {"Cash": [{"Balance": 10}, {"Balance": 20}]}}]})");
    const auto doc = [&](const QString &clients) {
        return QStringLiteral(R"({"format": "nettora", "version": 1, "clients": [%1]})").arg(clients).toUtf8();
    };
    const struct {
        const char *what;
        QByteArray document;
        QString message;
    } cases[] = {
        {"not JSON", "{\"format\": \"nettora\",\n  \"version\": 1,, }",
         "not a JSON document: unterminated object at line 2, column 17"},
        {"not an object", "[1, 2]", "the document must be a JSON object"},
        {"a raw NUL inside a string",
         QByteArray(R"({"format": "nettora", "version": 1, "clients": [{"fields": {"FirstName": "A)") + QByteArray(1, '\0')
             + QByteArray(R"(", "LastName": "B"}}]})"),
         "not a JSON document: a raw control character inside a string at line 1, column 76"},
        {"a raw tab inside a string",
         QByteArray(R"({"format": "nettora", "version": 1, "clients": [{"fields": {"FirstName": "A)") + QByteArray(1, '\t')
             + QByteArray(R"(", "LastName": "B"}}]})"),
         "not a JSON document: a raw control character inside a string at line 1, column 76"},

        {"wrong format tag", R"({"format": "other", "version": 1, "clients": []})", R"(format: "nettora" is expected)"},
        {"wrong version", R"({"format": "nettora", "version": 2, "clients": []})", "version: 1 is expected"},
        {"unknown top-level key", R"({"format": "nettora", "version": 1, "clients": [], "extra": 1})",
         R"(extra: unknown key (expected "format", "version", "clients"))"},
        {"clients not an array", R"({"format": "nettora", "version": 1, "clients": {}})", "clients: an array is expected"},
        {"unknown field", doc(good + R"(, {"fields": {"FirstName": "Bo", "Nickname": "B"}})"),
         "clients[1].fields.Nickname: the table Client has no such field"},
        {"unknown key of a statement", doc(R"({"fields": {}, "statements": [{"schedule": {}}]})"),
         R"(clients[0].statements[0].schedule: unknown key (expected "fields", "schedules"))"},
        {"unknown schedule table", doc(R"({"statements": [{"schedules": {"Savings": []}}]})"),
         "clients[0].statements[0].schedules.Savings: unknown schedule table"},
        {"the client table is no schedule", doc(R"({"statements": [{"schedules": {"Client": []}}]})"),
         "clients[0].statements[0].schedules.Client: unknown schedule table"},
        {"string for a currency",
         doc(R"({"fields": {"FirstName": "Pat", "LastName": "Lee"}, "statements": [{}, {"schedules": {"Cash": [{}, {"Balance": 1},
              {"Balance": "12.50"}]}}]})"),
         "clients[0].statements[1].schedules.Cash[2].Balance: a number is expected"},
        {"boolean for a float", doc(R"({"statements": [{"schedules": {"Investments": [{"Shares": true}]}}]})"),
         "clients[0].statements[0].schedules.Investments[0].Shares: a number is expected"},
        {"number for a text", doc(R"({"fields": {"FirstName": "Pat", "LastName": 12}})"), "clients[0].fields.LastName: a string is expected"},
        {"row not an object", doc(R"({"statements": [{"schedules": {"Bank": ["x"]}}]})"),
         "clients[0].statements[0].schedules.Bank[0]: an object is expected"},
        {"text longer than the field", doc(good + R"(, {"fields": {"FirstName": "Pat", "LastName": "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDE"}})"),
         "clients[1].fields.LastName: the text is longer than 30 characters"},
        {"text with a lone surrogate", doc(good + R"(, {"fields": {"FirstName": "Pat", "LastName": "a\ud800b"}})"),
         "clients[1].fields.LastName: the text is not valid Unicode: it holds a lone surrogate"},
        {"client without a last name", doc(good + R"(, {"fields": {"FirstName": "Bo"}})"),
         "clients[1].fields.LastName: a client needs a first and a last name"},
        {"client with a blank first name", doc(good + R"(, {"fields": {"FirstName": "  ", "LastName": "Bo"}})"),
         "clients[1].fields.FirstName: a client needs a first and a last name"},
        {"client without any field", doc(good + R"(, {})"),
         "clients[1].fields.FirstName: a client needs a first and a last name"},
        {"one-letter field", doc(R"({"fields": {"MiddleInitial": "QR"}})"),
         "clients[0].fields.MiddleInitial: the text is longer than 1 character"},
        {"invalid date", doc(R"({"statements": [{"schedules": {"Contingent": [{"Maturity": "02/30/25"}]}}]})"),
         R"(clients[0].statements[0].schedules.Contingent[0].Maturity: "02/30/25" is not a valid date (MM/dd/yy is expected))"},
        {"legal answer in lower case", doc(R"({"statements": [{"schedules": {"Legal": [{"Will": "yes"}]}}]})"),
         R"(clients[0].statements[0].schedules.Legal[0].Will: "yes" is not an answer: "Yes", "No" or empty is expected)"},
        {"legal answer of another word", doc(R"({"statements": [{"schedules": {"Legal": [{"DebtAssets": "N"}]}}]})"),
         R"(clients[0].statements[0].schedules.Legal[0].DebtAssets: "N" is not an answer: "Yes", "No" or empty is expected)"},
        {"amount out of range", doc(R"({"statements": [{"schedules": {"Cash": [{"Balance": 1e300}]}}]})"),
         "clients[0].statements[0].schedules.Cash[0].Balance: the number is out of range (-922337203685477 to "
         "922337203685477)"},
        {"amount just beyond the stored range",
         doc(good + R"(, {"statements": [{"schedules": {"Cash": [{"Balance": 922337203685478}]}}]})"),
         "clients[1].statements[0].schedules.Cash[0].Balance: the number is out of range (-922337203685477 to "
         "922337203685477)"},
        {"percentage out of range",
         doc(good + R"(, {"statements": [{"schedules": {"RealEstate": [{"PercentOwned": 50}, {"PercentOwned": 1000}]}}]})"),
         "clients[1].statements[0].schedules.RealEstate[1].PercentOwned: the number is out of range (-99 to 999)"},
        {"second clients key", R"({"format": "nettora", "version": 1, "clients": [{"fields": {"FirstName": "Pat", "LastName": "Lee"}}],
                                   "clients": []})",
         R"(duplicate key "clients")"},
        {"repeated field", doc(good + R"(, {"fields": {"FirstName": "Bo", "LastName": "Lee", "FirstName": "Cy"}})"),
         R"(clients[1].fields: duplicate key "FirstName")"},
        {"repeated field spelt with an escape", doc(R"({"fields": {"FirstName": "Bo", "\u0046irstName": "Cy"}})"),
         R"(clients[0].fields: duplicate key "FirstName")"},
        {"repeated schedule row key", doc(good + R"(, {"statements": [{"schedules": {"Cash": [{"Balance": 1},
              {"Balance": 2, "Type": "x", "Balance": 3}]}}]})"),
         R"(clients[1].statements[0].schedules.Cash[1]: duplicate key "Balance")"},
        {"repeated key inside a string-heavy document",
         doc(R"({"fields": {"FirstName": "Pat", "LastName": "a\"b:{c}[d],", "City": "\\"}, "statements": [], "statements": []})"),
         R"(clients[0]: duplicate key "statements")"},
        {"long unknown key",
         QByteArray(R"({"format": "nettora", "version": 1, "clients": [], ")") + QByteArray(5000, 'k') + "\": 1}",
         QString(40, QLatin1Char('k')) + QStringLiteral(u"…: unknown key (expected \"format\", \"version\", \"clients\")")},
        {"long unknown field", doc(R"({"fields": {")" + QString(300, QLatin1Char('F')) + R"(": "x"}})"),
         QStringLiteral("clients[0].fields.") + QString(40, QLatin1Char('F'))
             + QStringLiteral(u"…: the table Client has no such field")},
        {"control characters in a key", doc(R"({"fields": {"\u001b[2J\u001b]0;x\u0007": "x"}})"),
         R"(clients[0].fields.\x1b[2J\x1b]0;x\x07: the table Client has no such field)"},
        {"long invalid date",
         doc(R"({"statements": [{"schedules": {"Contingent": [{"Maturity": ")" + QString(100, QLatin1Char('9')) + R"("}]}}]})"),
         QStringLiteral("clients[0].statements[0].schedules.Contingent[0].Maturity: \"") + QString(40, QLatin1Char('9'))
             + QStringLiteral(u"…\" is not a valid date (MM/dd/yy is expected)")},
        {"client Id", doc(R"({"fields": {"Id": 4, "LastName": "Lee"}})"),
         "clients[0].fields.Id: this field is assigned by the import and must not be given"},
        {"statement ClientId", doc(R"({"statements": [{"fields": {"ClientId": "1"}}]})"),
         "clients[0].statements[0].fields.ClientId: this field is assigned by the import and must not be given"},
        {"row StatementId in any case", doc(R"({"statements": [{"schedules": {"Cash": [{"statementid": "1"}]}}]})"),
         "clients[0].statements[0].schedules.Cash[0].statementid: this field is assigned by the import and must not be "
         "given"},
        {"row Updated", doc(R"({"statements": [{"schedules": {"Notes": [{"Updated": "Y"}]}}]})"),
         "clients[0].statements[0].schedules.Notes[0].Updated: this field is assigned by the import and must not be "
         "given"},
        {"field given twice", doc(R"({"fields": {"FirstName": "Pat", "LastName": "Lee", "lastname": "Lea"}})"),
         "clients[0].fields.lastname: the field LastName is given twice"},
        {"same client twice in the document",
         doc(good + R"(, {"fields": {"FirstName": "Bo", "LastName": "Bo"}}, {"fields": {"FirstName": "Ann", "LastName": "Lee"}})"),
         "clients[2]: the same client as clients[0]"},
        {"client already in the database", doc(good + R"(, {"fields": {"FirstName": "Mary", "LastName": "Major"}})"),
         "clients[1]: the client Mary Major already exists"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        expectRefused(cli({QStringLiteral("import"), QStringLiteral("-")}, c.document), 1, c.message);
    }
    EXPECT_EQ(snapshot(), before);
}

TEST_F(CliTest, ImportComposesClientFieldsPageByPage)
{
    Open open(dataDir());
    const auto ids = cli::importDocument(R"({"format": "nettora", "version": 1, "clients": [
        {"fields": {"FirstName": "Ann", "LastName": "Lee", "YearsEmployed": "05",
                    "YearsEmployed2": "Employed for 5 years.", "SFirstName": "Bo", "SMiddleInitial": "K",
                    "SLastName": "Lee", "SMaritalStatus": "Married", "SDependents": "1", "SEmployer": "Acme",
                    "SYearsEmployed": "1"},
         "statements": [{"fields": {"Description": "First"}}, {"fields": {"Description": "Second"}}]},
        {"fields": {"FirstName": "Cy", "LastName": "Dee", "FullName": "Old Name", "SFullName": "stale",
                    "ClientDescription": "stale too", "YearsEmployed2": "Employed for 9 years."}}]})");
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_EQ(ids[0].clientId, 1);
    EXPECT_EQ(ids[0].statementIds, (std::vector<qint64>{1, 2}));
    EXPECT_EQ(ids[1].statementIds, std::vector<qint64>{});

    Table *c = dm1->tblClient;
    c->setIndexName(QStringLiteral("ID"));
    c->setFiltered(false);
    const struct {
        const char *field;
        QString ann;
        QString cy;
    } expected[] = {
        {"FullName", "Lee Ann", "Dee Cy"},
        // "05" is five years; Cy's sentence goes with the years it was made from.
        {"YearsEmployed2", "Employed for 05 years.", " "},
        {"ECityStateZip", "  ", "  "},  // the employment page was filled in, or saved empty
        {"ClientDescription", "Ann Lee - Second.", ""},  // Cy has no statement to describe
        {"SFullName", "Lee, Bo. K", ""},  // no spouse named: the spouse page was never saved
        {"SFullName2", "Bo K. Lee", ""},
        {"SMarriedDependants", "Married with 1 dependant.", ""},
        {"SYearsEmployed2", "Employed for 1 year.", ""},
        {"SECityStateZip", "  ", ""},
    };
    for (const auto &e : expected) {
        SCOPED_TRACE(e.field);
        c->first();
        EXPECT_EQ(c->asString(e.field), e.ann);
        c->next();
        EXPECT_EQ(c->asString(e.field), e.cy);
    }
    // The rows hang on their statement by decimal keys.
    Table *s = dm1->tblNettora;
    s->setIndexName(QStringLiteral("IDA"));
    s->setFiltered(false);
    s->last();
    EXPECT_EQ(s->asString("ClientId"), "1");
    EXPECT_EQ(s->asString("Description"), "Second");
}

TEST_F(CliTest, ListsInClientOrderAndSearchesLiterally)
{
    const QByteArray doc = R"({"format": "nettora", "version": 1, "clients": [
      {"fields": {"FirstName": "Ann", "LastName": "smith"}, "statements": [
        {"fields": {"Date": "12/31/2025", "Description": "Annual"}, "schedules": {"Cash": [{"Balance": 1000.5}]}},
        {"fields": {"Date": "06/30/2025", "Description": "Half"}, "schedules": {"Bank": [{"Amount": 250}]}},
        {"fields": {"Date": "06/30/2025", "Description": "Audit"}}]},
      {"fields": {"FirstName": "Bob", "LastName": "Smithers"}, "statements": [
        {"fields": {"Date": "01/15/2024", "Description": "Q1"}, "schedules": {"Cash": [{"Balance": 1234567.891}]}}]},
      {"fields": {"FirstName": "Cy", "LastName": "O\"Hara"}, "statements": [
        {"fields": {"Date": "03/01/2025", "Description": "Tab\there"}}]},
      {"fields": {"FirstName": "Di", "LastName": "Ab%cd"}},
      {"fields": {"FirstName": "Ed", "LastName": "Ab_cd"}},
      {"fields": {"FirstName": "Fay", "LastName": "Abxcd"}},
      {"fields": {"FirstName": "Gus", "LastName": "Star*Man"}},
      {"fields": {"FirstName": "Hal", "LastName": "Starling"}},
      {"fields": {"FirstName": "Zed", "LastName": "Adams"}}]})";
    ASSERT_EQ(cli({QStringLiteral("import"), QStringLiteral("-")}, doc).status, 0);

    const QStringList all = {
        "\tAb%cd Di\t\t\t",
        "\tAb_cd Ed\t\t\t",
        "\tAbxcd Fay\t\t\t",
        "\tAdams Zed\t\t\t",
        "5\tO\"Hara Cy\t03/01/2025\tTab here\t0.00",
        "3\tsmith Ann\t06/30/2025\tAudit\t0.00",
        "2\tsmith Ann\t06/30/2025\tHalf\t-250.00",
        "1\tsmith Ann\t12/31/2025\tAnnual\t1000.50",
        "4\tSmithers Bob\t01/15/2024\tQ1\t1234567.89",
        "\tStar*Man Gus\t\t\t",
        "\tStarling Hal\t\t\t",
    };
    const auto lines = [](const QStringList &l) { return l.isEmpty() ? QString() : l.join(QLatin1Char('\n')) + '\n'; };
    const CliRun listed = cli({QStringLiteral("list")});
    ASSERT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out, lines(all));

    const struct {
        QString search;
        QStringList expected;
    } searches[] = {
        {"SMITH", all.mid(5, 4)},
        {"smithe", all.mid(8, 1)},
        {"ab%", all.mid(0, 1)},
        {"ab_", all.mid(1, 1)},
        {"star*", all.mid(9, 1)},
        {"*", {}},
        {"o\"h", all.mid(4, 1)},
        {"\"", {}},
        {"x\" or LastName = \"smith", {}},
        {"%", {}},
        {"_", {}},
    };
    for (const auto &s : searches) {
        SCOPED_TRACE(s.search.toStdString());
        const CliRun r = cli({QStringLiteral("list"), QStringLiteral("--search"), s.search});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, QString());
        EXPECT_EQ(r.out, lines(s.expected));
    }
    // Words the toolkit would take for its own options are search texts too.
    const CliRun style = cli({QStringLiteral("list"), QStringLiteral("--search"), QStringLiteral("-reverse")});
    EXPECT_EQ(style.status, 0);
    EXPECT_EQ(style.out, QString());
}

TEST_F(CliTest, RecalcRewritesTheStatementTotals)
{
    ASSERT_EQ(cli({QStringLiteral("import"), QStringLiteral("-")},
                  R"({"format": "nettora", "version": 1, "clients": [{"fields": {"FirstName": "Pat", "LastName": "Lee"}, "statements": [
                      {"fields": {"Date": "01/01/2025"}, "schedules": {"Cash": [{"Balance": 100}]}},
                      {"fields": {"Date": "02/01/2025"}, "schedules": {"Cash": [{"Balance": 40}]}}]}]})")
                  .status,
              0);
    {
        // A change that no recalculation followed.
        Open open(dataDir());
        Table *cash = dm1->tblCash;
        cash->setFilter(QStringLiteral("StatementId = \"1\""));
        cash->setFiltered(true);
        cash->first();
        cash->edit();
        cash->setAsFloat("Balance", 300);
        cash->post();
    }
    EXPECT_EQ(cli({QStringLiteral("list")}).out, QStringLiteral("1\tLee Pat\t01/01/2025\t\t100.00\n2\tLee Pat\t02/01/2025\t\t40.00\n"));

    const CliRun r = cli({QStringLiteral("recalc"), QStringLiteral("--statement"), QStringLiteral("1")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out + r.err, QString());
    EXPECT_EQ(cli({QStringLiteral("list")}).out, QStringLiteral("1\tLee Pat\t01/01/2025\t\t300.00\n2\tLee Pat\t02/01/2025\t\t40.00\n"));

    const QByteArray before = snapshot();
    expectRefused(cli({QStringLiteral("recalc"), QStringLiteral("--statement"), QStringLiteral("99")}), 1,
                  "there is no statement with the id 99");
    EXPECT_EQ(snapshot(), before);
}

TEST_F(CliTest, ExitStatusAndMessages)
{
    const QString hint = QStringLiteral(" (see nettora-cli --help)");
    const struct {
        QStringList args;
        QString message;
    } usage[] = {
        {{}, "no command given"},
        {{"frobnicate"}, "unknown command \"frobnicate\""},
        {{"list", "--bogus"}, "unknown option --bogus"},
        {{"list", "--search"}, "the option --search needs a value"},
        {{"list", "extra"}, "the command list takes no file"},
        {{"list", "--client", "1"}, "the command list has no option --client"},
        {{"import"}, "the command import needs one FILE (or -)"},
        {{"export", "--client", "abc", "-"}, "--client needs a positive whole number"},
        {{"recalc"}, "recalc needs --statement ID"},
        {{"recalc", "--statement", "0"}, "--statement needs a positive whole number"},
        // An empty name must not quietly mean the program's own directory.
        {{"--data-dir", "", "list"}, "--data-dir needs a folder name"},
        {{"--data-dir=", "list"}, "--data-dir needs a folder name"},
        {{"export", ""}, "the command export needs one FILE (or -)"},
        {{QString(200, QLatin1Char('x'))}, QStringLiteral(u"unknown command \"%1…\"").arg(QString(40, QLatin1Char('x')))},
    };
    // A mistyped command never takes or sets up the data directory.
    const QString untouched = file(QStringLiteral("untouched"));
    ASSERT_TRUE(QDir().mkpath(untouched));
    for (const auto &u : usage) {
        SCOPED_TRACE(u.args.join(' ').toStdString());
        expectRefused(cli(QStringList{QStringLiteral("--data-dir"), untouched} + u.args, {}, false), 2, u.message + hint);
    }
    EXPECT_EQ(QDir(untouched).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList());
    EXPECT_FALSE(QFile::exists(defaultHome()));

    const CliRun help = cli({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: nettora-cli [--data-dir DIR] [--password-file FILE | "
                                                           "--password-stdin] [--user NAME] COMMAND\n"))) << help.out.toStdString();

    const QString missing = QDir(dataDir()).filePath(QStringLiteral("missing"));
    expectRefused(cli({QStringLiteral("import"), missing + QStringLiteral(".json")}), 1,
                  QStringLiteral("cannot read \"%1.json\": No such file or directory").arg(missing));
    expectRefused(cli({QStringLiteral("--data-dir"), missing, QStringLiteral("list")}, {}, false), 1,
                  QStringLiteral("The data directory \"%1\" does not exist or is not a folder.").arg(missing));

    const QString out = file(QStringLiteral("one.json"));
    expectRefused(cli({QStringLiteral("export"), QStringLiteral("--client"), QStringLiteral("42"), out}), 1,
                  "there is no client with the id 42");
    EXPECT_FALSE(QFile::exists(out));

    const CliRun empty = cli({QStringLiteral("list")});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out + empty.err, QString());
}

TEST_F(CliTest, SecondCopyIsRefusedWhileTheDirectoryIsInUse)
{
    const QString inUse = QStringLiteral("The data directory \"%1\" is in use by another running copy of Nettora. "
                                         "Close it and try again.")
                              .arg(QDir(dataDir()).absolutePath());
    {
        Open holder(dataDir());
        expectRefused(cli({QStringLiteral("import"), QStringLiteral("-")}, kRoundTripDoc), 1, inUse);
        expectRefused(cli({QStringLiteral("list")}), 1, inUse);
        expectRefused(cli({QStringLiteral("recalc"), QStringLiteral("--statement"), QStringLiteral("1")}), 1, inUse);
        // The holder keeps working.
        Table *c = dm1->tblClient;
        c->setFiltered(false);
        EXPECT_TRUE(c->isEmpty());
        c->append();
        c->setAsString("LastName", "Holder");
        c->setAsString("FullName", "Holder");
        EXPECT_NO_THROW(c->post());
    }
    const CliRun after = cli({QStringLiteral("list")});
    EXPECT_EQ(after.status, 0);
    EXPECT_EQ(after.out, QStringLiteral("\tHolder\t\t\t\n"));  // the holder's client only
}

TEST_F(CliTest, ImportDerivesWhatTheWindowsDerive)
{
    Open open(dataDir());
    // The document's own monthly amounts and shares are stale or wrong.
    cli::importDocument(R"json({"format": "nettora", "version": 1, "clients": [{"fields": {"FirstName": "Pat", "LastName": "Lee"}, "statements": [
        {"schedules": {
          "Incomes": [{"Type": "Salaries and Wages (Individual)", "Amount": 60000, "MAmount": 1},
                      {"Type": "All Other Income", "Amount": 1000},
                      {"Description": "no amount", "MAmount": 7}],
          "Expenditure": [{"Type": "Rental Payment", "Amount": -100, "MAmount": 0}],
          "RealEstate": [{"PercentOwned": 50, "MarketValue": 300000, "TMarketValue": 1,
                          "PercentLiability": 25, "CurrentBalance": 100000, "TCurrentLiability": 2}]}}]}]})json");
    const QJsonObject schedules = parseObject(cli::exportDocument())
                                      .value(QStringLiteral("clients"))[0][QStringLiteral("statements")][0]
                                           [QStringLiteral("schedules")]
                                      .toObject();
    const struct {
        const char *table;
        int row;
        const char *field;
        std::optional<double> expected;
    } cases[] = {
        {"Incomes", 0, "MAmount", 5000},
        {"Incomes", 1, "MAmount", 83.3333},  // kept to the stored four places, not cut to cents
        {"Incomes", 2, "MAmount", std::nullopt},  // no annual amount, no monthly one
        {"Expenditure", 0, "MAmount", -8.3333},
        {"RealEstate", 0, "TMarketValue", 150000},
        {"RealEstate", 0, "TCurrentLiability", 25000},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.table) + '.' + c.field);
        const QJsonObject row = schedules.value(QLatin1String(c.table)).toArray().at(c.row).toObject();
        ASSERT_FALSE(row.isEmpty());
        if (c.expected)
            EXPECT_DOUBLE_EQ(row.value(QLatin1String(c.field)).toDouble(), *c.expected);
        else
            EXPECT_FALSE(row.contains(QLatin1String(c.field)));
    }
}

TEST_F(CliTest, ListRoundsAsTheProgramShowsAndEscapesControlCharacters)
{
    const struct {
        double balance;
        const char *shown;
    } amounts[] = {
        {91235.415, "91235.42"}, {2.675, "2.68"}, {1.005, "1.01"},  {-1.005, "-1.01"},
        {0.125, "0.13"},         {-0.004, "0.00"}, {-0.005, "-0.01"}, {1234567.891, "1234567.89"},
    };
    QJsonArray statements;
    QStringList expected;
    for (size_t i = 0; i < std::size(amounts); ++i) {
        const QString description = QStringLiteral("s%1").arg(i);
        statements.append(QJsonObject{
            {"fields", QJsonObject{{"Date", "01/01/2025"}, {"Description", description}}},
            {"schedules", QJsonObject{{"Cash", QJsonArray{QJsonObject{{"Balance", amounts[i].balance}}}}}}});
        expected << QStringLiteral("%1\tLee Ann\t01/01/2025\t%2\t%3").arg(i + 1).arg(description, amounts[i].shown);
    }
    const QJsonObject doc{
        {"format", "nettora"},
        {"version", 1},
        {"clients",
         QJsonArray{QJsonObject{{"fields", QJsonObject{{"FirstName", "Ann"}, {"LastName", "Lee"}}}, {"statements", statements}},
                    QJsonObject{{"fields", QJsonObject{{"FirstName", QStringLiteral(u"\u009b2J\u2028\u200fx")},
                                                       {"LastName", QStringLiteral(u"Zed\u001b]0;owned\u0007")}}},
                                {"statements", QJsonArray{QJsonObject{{"fields", QJsonObject{
                                    {"Date", "01/01/2025"},
                                    {"Description", QStringLiteral(u"a\\b\u202ec\u007f\td")}}}}}}}}}};
    ASSERT_EQ(cli({QStringLiteral("import"), QStringLiteral("-")}, QJsonDocument(doc).toJson()).status, 0);
    {
        // The import takes only real dates; a row from elsewhere may hold anything.
        Open open(dataDir());
        Table *st = dm1->tblNettora;
        st->setFilter(QStringLiteral("Id = %1").arg(std::size(amounts) + 1));
        st->setFiltered(true);
        st->first();
        st->edit();
        st->setAsString("Date", QStringLiteral(u"\u001b[2J"));
        st->post();
    }
    expected << QStringLiteral(u"%1\tZed\\x1b]0;owned\\x07 \\x9b2J\\u2028\\u200fx\t\\x1b[2J\ta\\\\b\\u202ec\\x7f d\t0.00")
                    .arg(std::size(amounts) + 1);

    const CliRun listed = cli({QStringLiteral("list")});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.err, QString());
    EXPECT_EQ(listed.out, expected.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

TEST_F(CliTest, FailedWritesToStandardOutputEndInAnError)
{
    ASSERT_EQ(cli({QStringLiteral("import"), QStringLiteral("-")}, kRoundTripDoc).status, 0);
    const QByteArray another = R"({"format": "nettora", "version": 1, "clients": [{"fields": {"FirstName": "Pat", "LastName": "Other"}}]})";
    const QString full =
        QStringLiteral("cannot write to standard output: the disk is full (No space left on device)");
    const QString closed = QStringLiteral("cannot write to standard output: Bad file descriptor");
    const struct {
        const char *redirection;
        QStringList args;
        QByteArray input;
        QString message;
    } cases[] = {
        {">/dev/full", {"export", "-"}, {}, full},
        {">/dev/full", {"export", "--client", "2", "-"}, {}, full},
        {">/dev/full", {"list"}, {}, full},
        {">/dev/full", {"pdf", "--statement", "1", "-o", "-"}, {}, full},
        {">/dev/full", {"--help"}, {}, full},
        {">&-", {"list"}, {}, closed},
        {">&-", {"export", "-"}, {}, closed},
        {"| true", {"export", "-"}, {}, "cannot write to standard output: Broken pipe"},
        // The data went in; only the new ids could not be told.
        {">/dev/full", {"import", "-"}, another, full + QStringLiteral(" (the document was imported)")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(c.args.join(' '), QLatin1String(c.redirection)).toStdString());
        const CliRun r = cliRedirected(QLatin1String(c.redirection), c.args, c.input);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, QStringLiteral("nettora-cli: ") + c.message + QLatin1Char('\n'));
    }
    EXPECT_TRUE(cli({QStringLiteral("list")}).out.contains(QStringLiteral("\tOther Pat\t")));
}

namespace {

enum class Kind { Missing, Regular, Folder, Fifo, Device, Link };

Kind kindOf(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return Kind::Missing;
    if (S_ISREG(st.st_mode))
        return Kind::Regular;
    if (S_ISDIR(st.st_mode))
        return Kind::Folder;
    if (S_ISFIFO(st.st_mode))
        return Kind::Fifo;
    if (S_ISLNK(st.st_mode))
        return Kind::Link;
    return Kind::Device;
}

int permissionsOf(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST_F(CliTest, OutputFilesReplaceOnlyRegularFilesAndAreTheOwnersAlone)
{
    ASSERT_EQ(cli({QStringLiteral("import"), QStringLiteral("-")}, kRoundTripDoc).status, 0);
    // Something that a reader other than the owner could see today.
    const mode_t previousMask = ::umask(022);
    struct RestoreMask {
        mode_t mask;
        ~RestoreMask() { ::umask(mask); }
    } restoreMask{previousMask};

    const struct {
        const char *what;
        // Makes the target in its place; false when this machine cannot.
        std::function<bool(const QString &)> make;
        Kind kindAfter;
        QString reason;  // empty: written
    } targets[] = {
        {"new file", [](const QString &) { return true; }, Kind::Regular, {}},
        {"existing regular file",
         [](const QString &p) {
             QFile f(p);
             return f.open(QIODevice::WriteOnly) && f.write("old") == 3
                    && f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
         },
         Kind::Regular, {}},
        {"named pipe", [](const QString &p) { return ::mkfifo(QFile::encodeName(p).constData(), 0644) == 0; }, Kind::Fifo,
         "it is a named pipe (FIFO), not a regular file"},
        {"device node",
         [](const QString &p) { return ::mknod(QFile::encodeName(p).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0; },
         Kind::Device, "it is a device, not a regular file"},
        {"folder", [](const QString &p) { return QDir().mkdir(p); }, Kind::Folder, "it is a folder, not a regular file"},
        {"dangling symbolic link", [](const QString &p) { return QFile::link(p + QStringLiteral(".nowhere"), p); },
         Kind::Link, "it is a symbolic link, not a regular file"},
        {"symbolic link to a regular file",
         [](const QString &p) {
             QFile f(p + QStringLiteral(".real"));
             return f.open(QIODevice::WriteOnly) && f.write("real") == 4 && f.link(p);
         },
         Kind::Link, "it is a symbolic link, not a regular file"},
    };
    const struct {
        const char *name;
        std::function<QStringList(const QString &)> args;
        QByteArray starts;
    } commands[] = {
        {"export", [](const QString &p) { return QStringList{"export", p}; }, "{"},
        {"pdf", [](const QString &p) { return QStringList{"pdf", "--statement", "1", "-o", p}; }, "%PDF-"},
    };
    int n = 0;
    for (const auto &command : commands) {
        for (const auto &t : targets) {
            SCOPED_TRACE(std::string(command.name) + " to a " + t.what);
            const QString folder = file(QStringLiteral("out%1").arg(++n));
            ASSERT_TRUE(QDir().mkdir(folder));
            const QString target = QDir(folder).filePath(QStringLiteral("target"));
            if (!t.make(target)) {
                std::cout << "[ SKIPPED  ] " << command.name << " to a " << t.what << ": cannot be made here\n";
                continue;
            }
            const QStringList before = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            const QByteArray contentBefore = contentOf(target + QStringLiteral(".real"));

            const CliRun r = cli(command.args(target));
            if (t.reason.isEmpty()) {
                EXPECT_EQ(r.status, 0) << r.err.toStdString();
                EXPECT_TRUE(contentOf(target).startsWith(command.starts));
                EXPECT_EQ(permissionsOf(target), 0600);
            } else {
                expectRefused(r, 1, QStringLiteral("cannot write \"%1\": %2").arg(target, t.reason));
                EXPECT_EQ(contentOf(target + QStringLiteral(".real")), contentBefore);
            }
            EXPECT_EQ(kindOf(target), t.kindAfter);
            // Nothing written aside is left behind.
            QStringList after = before;
            if (!after.contains(QStringLiteral("target")))
                after << QStringLiteral("target");
            after.sort();
            EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                             QDir::Name),
                      after);
        }
    }
    // Standard output stays "-".
    const CliRun toStdout = cli({QStringLiteral("export"), QStringLiteral("-")});
    EXPECT_EQ(toStdout.status, 0);
    EXPECT_TRUE(toStdout.out.startsWith(QLatin1Char('{')));
}

TEST_F(CliTest, AFullDiskLeavesTheDataAndTheFilesAsTheyWere)
{
    // The data and the output files on file systems of their own.
    SmallDisk dataDisk(file(QStringLiteral("data")));
    SmallDisk outDisk(file(QStringLiteral("out")));
    if (!dataDisk.mounted() || !outDisk.mounted())
        GTEST_SKIP() << "no file system can be mounted here; the import's message is covered in-process";
    const QString data = file(QStringLiteral("data"));
    const QString out = file(QStringLiteral("out"));
    const auto onDisk = [&](QStringList args, const QByteArray &input = QByteArray()) {
        return cli(QStringList{QStringLiteral("--data-dir"), data} + args, input, false);
    };
    ASSERT_EQ(onDisk({QStringLiteral("import"), QStringLiteral("-")}, kRoundTripDoc).status, 0);
    const QString old = QDir(out).filePath(QStringLiteral("old.json"));
    const QString pdf = QDir(out).filePath(QStringLiteral("old.pdf"));
    ASSERT_EQ(onDisk({QStringLiteral("export"), old}).status, 0);
    ASSERT_EQ(onDisk({QStringLiteral("pdf"), QStringLiteral("--statement"), QStringLiteral("1"), QStringLiteral("-o"), pdf})
                  .status,
              0);
    const QByteArray oldJson = contentOf(old), oldPdf = contentOf(pdf);
    const CliRun listed = onDisk({QStringLiteral("list")});
    ASSERT_EQ(listed.status, 0);

    // Far more than the room left.
    QJsonArray notes;
    for (int i = 0; i < 400; ++i)
        notes.append(QJsonObject{{"Description", QString::number(i)}, {"Details", QString(2000, QLatin1Char('n'))}});
    const QJsonObject big{
        {"format", "nettora"},
        {"version", 1},
        {"clients", QJsonArray{QJsonObject{
                        {"fields", QJsonObject{{"FirstName", "Pat"}, {"LastName", "Big"}}},
                        {"statements", QJsonArray{QJsonObject{{"schedules", QJsonObject{{"Notes", notes}}}}}}}}}};
    ASSERT_TRUE(dataDisk.leaveRoom(64 * 1024));
    expectRefused(onDisk({QStringLiteral("import"), QStringLiteral("-")}, QJsonDocument(big).toJson()), 1,
                  "the data could not be written: the disk is full (database or disk is full); nothing was imported");
    ASSERT_TRUE(dataDisk.resize(16 * 1024 * 1024));
    EXPECT_EQ(onDisk({QStringLiteral("list")}).out, listed.out);

    // The output disk holds the old files and nothing else can go on it.
    {
        QFile filler(QDir(out).filePath(QStringLiteral("filler")));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    const struct {
        QStringList args;
        QString target;
    } writes[] = {
        {{"export", old}, old},
        {{"pdf", "--statement", "1", "-o", pdf}, pdf},
    };
    for (const auto &w : writes) {
        SCOPED_TRACE(w.args.join(' ').toStdString());
        expectRefused(onDisk(w.args), 1,
                      QStringLiteral("cannot write \"%1\": the disk is full (No space left on device)").arg(w.target));
    }
    EXPECT_EQ(contentOf(old), oldJson);
    EXPECT_EQ(contentOf(pdf), oldPdf);
    EXPECT_EQ(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name),
              (QStringList{"filler", "old.json", "old.pdf"}));
}

TEST_F(CliTest, ADataFileThatCannotGrowImportsNothing)
{
    Open open(dataDir());
    Statement pages = dm1->db().prepare(QStringLiteral("PRAGMA page_count"));
    ASSERT_TRUE(pages.step());
    // Room for a few more pages only: the engine answers as on a full disk.
    dm1->db().exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pages.columnInt(0) + 4));
    QByteArray doc = R"({"format": "nettora", "version": 1, "clients": [)";
    for (int i = 0; i < 300; ++i)
        doc += (i ? "," : "") + QStringLiteral(R"({"fields": {"FirstName": "Pat", "LastName": "L%1", "Address": "%2"}})")
                                    .arg(i)
                                    .arg(QString(60, QLatin1Char('a')))
                                    .toUtf8();
    doc += "]}";
    try {
        cli::importDocument(doc);
        ADD_FAILURE() << "the import went through";
    } catch (const cli::CliError &e) {
        EXPECT_EQ(e.text(), QStringLiteral("the data could not be written: the disk is full (database or disk is "
                                           "full); nothing was imported"));
    }
    Statement count = dm1->db().prepare(QStringLiteral("SELECT count(*) FROM Client"));
    ASSERT_TRUE(count.step());
    EXPECT_EQ(count.columnInt(0), 0);
}

TEST_F(CliTest, InfoTellsTheDataFileAndWhatItHolds)
{
    const auto info = [this](int clients, int statements) {
        return QStringLiteral("Data directory: %1\nData version: %2\nFile size: %3 bytes\nClients: %4\n"
                              "Statements: %5\n")
            .arg(dataDir())
            .arg(dataVersion())
            .arg(QFileInfo(file(QStringLiteral("nettora.db"))).size())
            .arg(clients)
            .arg(statements);
    };
    const CliRun empty = cli({QStringLiteral("info")});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.err, QString());
    EXPECT_EQ(empty.out, info(0, 0));

    const CliRun imported = cli({QStringLiteral("import"), QStringLiteral("-")}, kRoundTripDoc);
    ASSERT_EQ(imported.status, 0) << imported.err.toStdString();
    const CliRun full = cli({QStringLiteral("info")});
    EXPECT_EQ(full.status, 0);
    EXPECT_EQ(full.out, info(int(imported.out.count(QStringLiteral("client\t"))),
                             int(imported.out.count(QStringLiteral("statement\t")))));
    EXPECT_NE(full.out, info(0, 0));

    expectRefused(cli({QStringLiteral("info"), QStringLiteral("x")}), 2,
                  QStringLiteral("the command info takes no file (see nettora-cli --help)"));
}

TEST_F(CliTest, InfoOnAnOlderOrNewerDataFile)
{
    ASSERT_EQ(cli({QStringLiteral("info")}).status, 0);
    const QString db = file(QStringLiteral("nettora.db"));
    const struct {
        int version;
        int status;
        QString out, err;
    } cases[] = {
        {0, 0, QStringLiteral("Data version: %1").arg(dataVersion()), QString()},
        {dataVersion() + 1, 1, QString(),
         QStringLiteral("nettora-cli: The data file \"%1\" was written by a newer version of Nettora (data version %2; "
                        "this program knows up to %3). Install the newer version to open it. Nothing was changed.\n")
             .arg(db)
             .arg(dataVersion() + 1)
             .arg(dataVersion())},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.version);
        {
            Database d;
            d.open(db, engineKeyText(unwrapWithPassword(keyFilePath(dataDir()), test::testPassword())));
            d.exec(QStringLiteral("PRAGMA user_version = %1").arg(c.version));
        }
        QFile before(db);
        ASSERT_TRUE(before.open(QIODevice::ReadOnly));
        const QByteArray bytes = before.readAll();
        const CliRun r = cli({QStringLiteral("info")});
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out.split(QLatin1Char('\n')).value(1), c.out);
        // Brought up with a copy kept first, or refused and left untouched.
        QFile after(db);
        ASSERT_TRUE(after.open(QIODevice::ReadOnly));
        EXPECT_EQ(after.readAll() == bytes, c.status != 0);
        EXPECT_EQ(QDir(file(QStringLiteral("Replaced"))).entryList({QStringLiteral("*version0.db")}, QDir::Files).size(),
                  1);
    }
}
