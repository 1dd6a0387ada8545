// nettora-cli: the real program on a temporary data directory, with the data
// read back in-process between runs.
#include "cli/cli_commands.h"
#include "data/datamodule.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

using namespace nettora;

namespace {

struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

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
    }

    QString dataDir() const { return m_dir->path(); }
    QString file(const QString &name) const { return QDir(dataDir()).filePath(name); }

    // Runs the program on this test's data directory (unless told otherwise).
    CliRun cli(QStringList args, const QByteArray &input = QByteArray(), bool onDataDir = true)
    {
        if (onDataDir)
            args = QStringList{QStringLiteral("--data-dir"), dataDir()} + args;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("NETTORA_DATA_DIR"));
        // No display of any kind: the program picks its platform itself.
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(NETTORA_CLI_PATH), args);
        CliRun r;
        if (!p.waitForStarted()) {
            ADD_FAILURE() << "nettora-cli did not start";
            return r;
        }
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit) {
            ADD_FAILURE() << "nettora-cli did not end normally";
            return r;
        }
        r.status = p.exitCode();
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
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
            module.ConnectDb(dir);
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
              QJsonValue(QStringLiteral("06/30/27")));
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
         doc(R"({"fields": {"LastName": "Lee"}, "statements": [{}, {"schedules": {"Cash": [{}, {"Balance": 1},
              {"Balance": "12.50"}]}}]})"),
         "clients[0].statements[1].schedules.Cash[2].Balance: a number is expected"},
        {"boolean for a float", doc(R"({"statements": [{"schedules": {"Investments": [{"Shares": true}]}}]})"),
         "clients[0].statements[0].schedules.Investments[0].Shares: a number is expected"},
        {"number for a text", doc(R"({"fields": {"LastName": 12}})"), "clients[0].fields.LastName: a string is expected"},
        {"row not an object", doc(R"({"statements": [{"schedules": {"Bank": ["x"]}}]})"),
         "clients[0].statements[0].schedules.Bank[0]: an object is expected"},
        {"text longer than the field", doc(good + R"(, {"fields": {"LastName": "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDE"}})"),
         "clients[1].fields.LastName: the text is longer than 30 characters"},
        {"one-letter field", doc(R"({"fields": {"MiddleInitial": "QR"}})"),
         "clients[0].fields.MiddleInitial: the text is longer than 1 character"},
        {"invalid date", doc(R"({"statements": [{"schedules": {"Contingent": [{"Maturity": "02/30/25"}]}}]})"),
         R"(clients[0].statements[0].schedules.Contingent[0].Maturity: "02/30/25" is not a valid date (MM/dd/yy is expected))"},
        {"amount out of range", doc(R"({"statements": [{"schedules": {"Cash": [{"Balance": 1e300}]}}]})"),
         "clients[0].statements[0].schedules.Cash[0].Balance: the number is out of range"},
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
        {"field given twice", doc(R"({"fields": {"LastName": "Lee", "lastname": "Lea"}})"),
         "clients[0].fields.lastname: the field LastName is given twice"},
        {"same client twice in the document",
         doc(good + R"(, {"fields": {"FirstName": "Bo"}}, {"fields": {"FirstName": "Ann", "LastName": "Lee"}})"),
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
        {"fields": {"FirstName": "Cy", "LastName": "Dee", "SFullName": "kept", "ClientDescription": "kept too"}}]})");
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
        {"YearsEmployed2", "Employed for 5 years.", ""},  // "05" leaves it as it was
        {"ECityStateZip", "  ", ""},                      // the employment page was filled in
        {"ClientDescription", "Ann Lee - Second.", "kept too"},
        {"SFullName", "Lee, Bo. K", "kept"},  // no spouse named: the spouse page was never saved
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
                  R"({"format": "nettora", "version": 1, "clients": [{"fields": {"LastName": "Lee"}, "statements": [
                      {"fields": {"Date": "1"}, "schedules": {"Cash": [{"Balance": 100}]}},
                      {"fields": {"Date": "2"}, "schedules": {"Cash": [{"Balance": 40}]}}]}]})")
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
    EXPECT_EQ(cli({QStringLiteral("list")}).out, QStringLiteral("1\tLee \t1\t\t100.00\n2\tLee \t2\t\t40.00\n"));

    const CliRun r = cli({QStringLiteral("recalc"), QStringLiteral("--statement"), QStringLiteral("1")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out + r.err, QString());
    EXPECT_EQ(cli({QStringLiteral("list")}).out, QStringLiteral("1\tLee \t1\t\t300.00\n2\tLee \t2\t\t40.00\n"));

    const QByteArray before = snapshot();
    expectRefused(cli({QStringLiteral("recalc"), QStringLiteral("--statement"), QStringLiteral("99")}), 1,
                  "there is no statement with the id 99");
    EXPECT_EQ(snapshot(), before);
}

TEST_F(CliTest, ExitStatusAndMessages)
{
    const QString db = file(QString::fromLatin1(Connection::DatabaseFileName));
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
    };
    for (const auto &u : usage) {
        SCOPED_TRACE(u.args.join(' ').toStdString());
        expectRefused(cli(u.args), 2, u.message + hint);
    }
    // A mistyped command never takes or sets up the data directory.
    EXPECT_FALSE(QFile::exists(db));

    const CliRun help = cli({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: nettora-cli [--data-dir DIR] COMMAND"))) << help.out.toStdString();

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
