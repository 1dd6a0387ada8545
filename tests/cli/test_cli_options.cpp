// nettora-cli options: the user settings listed and set, on a real data
// directory; the test's own connection is closed while the program runs.
#include "cli/cli_commands.h"
#include "data/schema.h"
#include "support/testsupport.h"

#include <QBuffer>

using namespace nettora;
using namespace nettora::test;

namespace {

struct CliResult {
    int status = -1;
    QString out, err;
};

}  // namespace

class CliOptions : public DataDirTest {
protected:
    CliResult cli(const QStringList &args, const QByteArray &input = {})
    {
        m_dm.reset();  // one program at a time holds the data directory
        dm1 = nullptr;
        QBuffer in, out, err;
        in.setData(input);
        in.open(QIODevice::ReadOnly);
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        // Each run takes the password out of the environment, as the program does.
        qputenv("NETTORA_PASSWORD", TestPassword);
        CliResult r;
        r.status = cli::runCli(QStringList{QStringLiteral("--data-dir"), dataDir(), QStringLiteral("options")} + args,
                               in, out, err);
        r.out = QString::fromUtf8(out.data());
        r.err = QString::fromUtf8(err.data());
        restart();
        return r;
    }
    // Every field of the user row as the file holds it.
    QStringList storedRow()
    {
        Statement st = dm1->db().prepare(QStringLiteral("SELECT * FROM \"User\""));
        QStringList row;
        if (st.step())
            for (int i = 0; i < st.columnCount(); ++i)
                row << st.columnText(i);
        return row;
    }
    QString storedUser(const char *field)
    {
        Statement st = dm1->db().prepare(QStringLiteral("SELECT \"%1\" FROM \"User\"").arg(QLatin1String(field)));
        return st.step() ? st.columnText(0) : QStringLiteral("<no row>");
    }
    void seed()
    {
        setUser({{"User", "ann"}, {"Password", "stored-hash"}, {"FirstName", "Ann"}, {"MiddleInitial", ""},
                 {"LastName", "Lee"}, {"Address", "1 Main St"}, {"Address2", "Suite 5"}, {"City", "Dallas"}, {"State", "TX"},
                 {"Zip", "75001"}, {"Fax", "555-0199"}, {"FullName", "stale"}, {"Address3", "stale"},
                 {"CityStateZip", "stale"}, {"FaxNumber", "stale"}, {"SMTPPassword", "smtp-secret"},
                 {"EmailName", ""}, {"Compilation", "N"}, {"Preparer", ""}, {"PrintMonthlyIncome", ""},
                 {"PrintReview", "Y"}});
    }
};

TEST_F(CliOptions, ListsEveryFieldOnceWithThePasswordsHidden)
{
    // New data: every field empty but the review option, which starts off;
    // the login password (kept in the key file) shows only that it is set.
    CliResult r = cli({});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    QStringList expected;
    for (const FieldDef &f : findTable(QStringLiteral("User"))->fields)
        expected << f.name + QLatin1Char('\t')
                        + (f.name == QLatin1String("Password")      ? QStringLiteral("set")
                           : f.name == QLatin1String("PrintReview") ? QStringLiteral("N")
                                                                    : QString());
    EXPECT_EQ(r.out, expected.join(QLatin1Char('\n')) + QLatin1Char('\n'));

    seed();
    setUser({{"Company", QStringLiteral("Lee\tand\x1b[31m Co\\")}, {"EmailContent", "line one\nline two"}});
    r = cli({});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, QString());
    const QStringList lines = r.out.split(QLatin1Char('\n'));
    EXPECT_EQ(lines.size(), expected.size() + 1);
    for (const char *line : {"User\tann", "Password\tset", "SMTPPassword\tset", "FirstName\tAnn", "Compilation\tN",
                             "Preparer\t", "PrintReview\tY", "Company\tLee\\x09and\\x1b[31m Co\\\\",
                             "EmailContent\tline one\\x0aline two"})
        EXPECT_TRUE(lines.contains(QString::fromLatin1(line))) << line << "\n" << r.out.toStdString();
    EXPECT_FALSE(r.out.contains(QStringLiteral("stored-hash")));
    EXPECT_FALSE(r.out.contains(QStringLiteral("smtp-secret")));

    // An empty mail password is shown as empty, never as "set"; the login
    // password is set while the key file holds it, whatever the field says.
    setUser({{"SMTPPassword", ""}, {"Password", ""}});
    r = cli({});
    EXPECT_TRUE(r.out.split(QLatin1Char('\n')).contains(QStringLiteral("SMTPPassword\t")));
    EXPECT_TRUE(r.out.split(QLatin1Char('\n')).contains(QStringLiteral("Password\tset")));
}

TEST_F(CliOptions, AcceptedAssignmentsAreStoredWithTheLetterheadLinesComposed)
{
    const struct {
        QStringList args;
        std::vector<std::pair<const char *, const char *>> stored;
    } cases[] = {
        {{"FirstName=Bob", "MiddleInitial=q", "LastName=Ray", "Address=9 Elm", "Address2=Apt 2", "City=Waco",
          "state=tx", "Zip=76701", "Fax=555-1"},
         {{"FirstName", "Bob"}, {"MiddleInitial", "Q"}, {"State", "TX"}, {"FullName", "Bob Q. Ray"},
          {"Address3", "9 Elm , Apt 2"}, {"CityStateZip", "Waco TX. 76701"}, {"FaxNumber", "Fax:  555-1"}}},
        {{"Address2=", "Fax="},
         {{"FullName", "Ann Lee"}, {"Address3", "1 Main St"}, {"CityStateZip", "Dallas TX. 75001"}, {"FaxNumber", ""}}},
        {{"City=", "State=", "Zip="}, {{"CityStateZip", " . "}, {"Address3", "1 Main St , Suite 5"}}},
        // Nothing of the preparer changed: the letterhead lines stay as they are.
        {{"EmailName=Ann", "SMTPPassword=new secret"},
         {{"EmailName", "Ann"}, {"SMTPPassword", "new secret"}, {"FullName", "stale"}, {"Address3", "stale"},
          {"CityStateZip", "stale"}, {"FaxNumber", "stale"}}},
        {{"Compilation=Y", "Preparer=N", "PrintMonthlyIncome=Y", "PrintReview=N"},
         {{"Compilation", "Y"}, {"Preparer", "N"}, {"PrintMonthlyIncome", "Y"}, {"PrintReview", "N"}}},
        {{"Compilation=N"}, {{"Compilation", "N"}}},
        {{"EmailAddress= ann@lee.example "}, {{"EmailAddress", "ann@lee.example"}}},
        {{"EmailAddress=\"ann lee\"@[192.0.2.1]"}, {{"EmailAddress", "\"ann lee\"@[192.0.2.1]"}}},
        {{"EmailAddress="}, {{"EmailAddress", ""}}},
    };
    for (const auto &c : cases) {
        seed();
        const CliResult r = cli(c.args);
        EXPECT_EQ(r.status, 0) << c.args.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_EQ(r.out, QString());
        for (const auto &[field, value] : c.stored)
            EXPECT_EQ(storedUser(field), QString::fromLatin1(value)) << c.args.join(' ').toStdString() << ": " << field;
        EXPECT_EQ(storedUser("Password"), "stored-hash");
    }
}

TEST_F(CliOptions, ARefusedAssignmentWritesNothing)
{
    const struct {
        QStringList args;
        const char *message;
    } cases[] = {
        {{"Company=New", "Bogus=1"}, "the user table has no field \"Bogus\""},
        {{"Company=New", "Compilation=y"}, "Compilation must be Y or N, not \"y\""},
        {{"Preparer="}, "Preparer must be Y or N, not \"\""},
        {{"PrintMonthlyIncome=Yes"}, "PrintMonthlyIncome must be Y or N, not \"Yes\""},
        {{"Company=New", "PrintReview=n"}, "PrintReview must be Y or N, not \"n\""},
        {{"PrintReview="}, "PrintReview must be Y or N, not \"\""},
        {{"FirstName=Bob", "Zip=12345678901"},
         "The text for the field Zip of the table User is 11 characters long; the field holds at most 10."},
        {{"MiddleInitial=AB"},
         "The text for the field MiddleInitial of the table User is 2 characters long; the field holds at most 1."},
        {{"FullName=Someone"}, "FullName is composed from FirstName, MiddleInitial and LastName and is not set by itself"},
        {{"FaxNumber=1"}, "FaxNumber is composed from Fax and is not set by itself"},
        {{"Password=plain"}, "Password belongs to the login, which only the program's security window sets"},
        {{"Company"}, "\"Company\" is not FIELD=VALUE"},
        {{"=x"}, "\"=x\" is not FIELD=VALUE"},
        {{"Company=a", "company=b"}, "Company is given more than once"},
        {{"Company=New", "EmailAddress=pat@x>, <e@y"}, "\"pat@x>, <e@y\" is not one e-mail address."},
        {{"EmailAddress=Ann Lee <ann@lee.example>"}, "\"Ann Lee <ann@lee.example>\" is not one e-mail address."},
        {{"EmailAddress=ann@lee.example, bob@lee.example"},
         "\"ann@lee.example, bob@lee.example\" is not one e-mail address."},
        {{"emailaddress=ann@@lee.example"}, "\"ann@@lee.example\" is not one e-mail address."},
    };
    for (const auto &c : cases) {
        seed();
        const QStringList before = storedRow();
        ASSERT_FALSE(before.isEmpty());
        const CliResult r = cli(c.args);
        EXPECT_EQ(r.status, 1) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.out, QString());
        EXPECT_EQ(r.err, QStringLiteral("nettora-cli: ") + QString::fromLatin1(c.message) + QLatin1Char('\n'));
        EXPECT_EQ(storedRow(), before) << c.args.join(' ').toStdString();
    }
}

TEST_F(CliOptions, TheCompilationLetterTakesLineBreaksAndShowsThemEscaped)
{
    CliResult r = cli({QStringLiteral("CompilationText=[Today]\\n\\nWe compiled [Names]\\\\ as of [Statement Date]\\x")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(storedUser("CompilationText"), "[Today]\n\nWe compiled [Names]\\ as of [Statement Date]\\x");
    r = cli({});
    EXPECT_TRUE(r.out.contains("CompilationText\t[Today]\\x0a\\x0aWe compiled [Names]\\\\ as of [Statement Date]\\\\x\n"))
        << r.out.toStdString();
    // Empty: the standard wording again.
    r = cli({QStringLiteral("CompilationText=")});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(storedUser("CompilationText"), QString());
}

TEST_F(CliOptions, StdinGivesOneFieldItsValueWhichIsNeverShown)
{
    const struct {
        QStringList args;
        QByteArray input;
        std::vector<std::pair<const char *, const char *>> stored;
    } cases[] = {
        {{"--stdin", "SMTPPassword"}, "new s3cret=x\n", {{"SMTPPassword", "new s3cret=x"}}},
        {{"--stdin", "smtppassword"}, "no-line-break", {{"SMTPPassword", "no-line-break"}}},
        {{"--stdin", "SMTPPassword"}, "from-windows\r\n", {{"SMTPPassword", "from-windows"}}},
        {{"--stdin", "SMTPPassword"}, "\n", {{"SMTPPassword", ""}}},
        // The other arguments are what they always are.
        {{"EmailName=Ann", "--stdin", "SMTPPassword", "City=Waco"},
         "p\xc3\xa4ss\n",
         {{"SMTPPassword", "p\xc3\xa4ss"}, {"EmailName", "Ann"}, {"CityStateZip", "Waco TX. 75001"}}},
        {{"--stdin=CompilationText"}, "[Today]\\nWe compiled\n", {{"CompilationText", "[Today]\nWe compiled"}}},
    };
    for (const auto &c : cases) {
        seed();
        const CliResult r = cli(c.args, c.input);
        const std::string what = c.args.join(' ').toStdString();
        EXPECT_EQ(r.status, 0) << what << ": " << r.err.toStdString();
        EXPECT_EQ(r.out, QString()) << what;
        EXPECT_EQ(r.err, QString()) << what;
        for (const auto &[field, value] : c.stored)
            EXPECT_EQ(storedUser(field), QString::fromUtf8(value)) << what << ": " << field;
    }
    // Listed afterwards, the password is still only "set".
    const CliResult list = cli({});
    EXPECT_TRUE(list.out.contains(QStringLiteral("SMTPPassword\tset\n")));
    EXPECT_FALSE(list.out.contains(QStringLiteral("p\u00e4ss")));

    const struct {
        QStringList args;
        QByteArray input;
        int status;
        const char *message;
    } refused[] = {
        {{"--stdin", "SMTPPassword"}, "", 1, "--stdin SMTPPassword: standard input holds no line"},
        {{"--stdin", "SMTPPassword"}, "first-secret\nsecond\n", 1,
         "--stdin SMTPPassword: standard input holds more than one line"},
        {{"--stdin", "SMTPPassword", "SMTPPassword=x"}, "secret-typed\n", 1, "SMTPPassword is given more than once"},
        {{"--stdin", "SMTPPasword"}, "secret-typed\n", 1, "the user table has no field \"SMTPPasword\""},
        {{"--stdin", "Password"}, "secret-typed\n", 1,
         "Password belongs to the login, which only the program's security window sets"},
        {{"--stdin", "EmailAddress"}, "pat@x>, <e@y\n", 1, "\"pat@x>, <e@y\" is not one e-mail address."},
        {{"--stdin"}, "secret-typed\n", 2, "the option --stdin needs a value (see nettora-cli --help)"},
        {{"--stdin="}, "secret-typed\n", 2, "--stdin needs a field name (see nettora-cli --help)"},
    };
    for (const auto &c : refused) {
        seed();
        const QStringList before = storedRow();
        const CliResult r = cli(c.args, c.input);
        const std::string what = c.args.join(' ').toStdString();
        EXPECT_EQ(r.status, c.status) << what;
        EXPECT_EQ(r.out, QString()) << what;
        EXPECT_EQ(r.err, QStringLiteral("nettora-cli: ") + QString::fromLatin1(c.message) + QLatin1Char('\n')) << what;
        EXPECT_FALSE(r.err.contains(QStringLiteral("secret"))) << what;
        EXPECT_EQ(storedRow(), before) << what;
    }
}
