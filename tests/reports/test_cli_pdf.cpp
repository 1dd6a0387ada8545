// nettora-cli pdf: the real program writing a statement to a PDF file.
#include "cli/cli_process.h"
#include "pdf_tools.h"
#include "statement_fixture.h"

#include "data/datamodule.h"
#include "data/engine.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>

using namespace nettora;
using namespace nettora::test;

namespace {


class CliPdfTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        makeTestData(m_data);
    }

    QString path(const QString &name) const { return QDir(m_dir.path()).filePath(name); }

    CliRun cli(const QStringList &args, const QByteArray &input = QByteArray())
    {
        QProcessEnvironment env = cliEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        return runProcess(QStringLiteral(NETTORA_CLI_PATH), QStringList{QStringLiteral("--data-dir"), m_data} + args,
                          env, input);
    }

    // Imports one client with its statement; returns the statement id.
    QString import(const StatementOptions &options) { return importClient(statementClient(options)); }
    QString importClient(const QJsonObject &client)
    {
        const QJsonObject doc{{QStringLiteral("format"), QStringLiteral("nettora")},
                              {QStringLiteral("version"), 1},
                              {QStringLiteral("clients"), QJsonArray{client}}};
        const CliRun r = cli({QStringLiteral("import"), QStringLiteral("-")}, QJsonDocument(doc).toJson());
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        const QStringList lines = r.out.split(QLatin1Char('\n'));
        for (const QString &l : lines)
            if (l.startsWith(QStringLiteral("statement\t")))
                return l.section(QLatin1Char('\t'), 1);
        return QString();
    }

    // Sets the print options and preparer particulars of the user row, as
    // the options windows store them, with the data directory closed again
    // before the command-line companion opens it.
    void setUser(std::initializer_list<std::pair<const char *, const char *>> fields)
    {
        Tdm1 dm;
        dm1 = &dm;
        dm.ConnectDb(m_data, test::testPassword());
        Table *u = dm.tblUser;
        u->first();
        u->edit();
        for (const auto &[k, v] : fields)
            u->setAsString(QString::fromLatin1(k), QString::fromLatin1(v));
        u->post();
        dm1 = nullptr;
    }

    QStringList pdfOf(const QString &statement, const QString &style)
    {
        const QString file = path(style + QStringLiteral(".pdf"));
        const CliRun r = cli({QStringLiteral("pdf"), QStringLiteral("--statement"), statement, QStringLiteral("--style"),
                              style, QStringLiteral("-o"), file});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        return r.status == 0 ? pdfPages(file) : QStringList();
    }

    QTemporaryDir m_dir;
    QString m_data = m_dir.path();
};

// What a page is, by a text only it has.
QString pageMark(const QString &text)
{
    const std::pair<const char *, const char *> marks[] = {
        {"Compilation Report", "compilation"},         {"Preparer's Information", "preparer"},
        {"PERSONAL FINANCIAL STATEMENT", "summary"},   {"Section 4 - Legal Information", "legal"},
        {"Section 2 - Assets", "assets"},              {"Section 2 - Liabilities", "liabilities"},
        {"Section 3 - Annual Income and Expenditures", "income"},
    };
    for (const auto &[needle, mark] : marks)
        if (text.contains(QString::fromLatin1(needle)))
            return QString::fromLatin1(mark);
    return QString();
}

QStringList marks(const QStringList &pages)
{
    QStringList out;
    for (const QString &p : pages)
        if (const QString m = pageMark(p); !m.isEmpty())
            out << m;
    return out;
}

}  // namespace

TEST_F(CliPdfTest, WritesTheStandardStatementBySingleOrJoint)
{
    const QString joint = import({.joint = true});
    const QString single = import({.joint = false, .firstName = "Jim"});
    ASSERT_FALSE(joint.isEmpty());
    ASSERT_FALSE(single.isEmpty());

    const QString file = path(QStringLiteral("joint.pdf"));
    const CliRun r = cli({QStringLiteral("pdf"), QStringLiteral("--statement"), joint, QStringLiteral("--style"),
                          QStringLiteral("standard"), QStringLiteral("-o"), file});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QString());
    EXPECT_EQ(r.err, QString());
    const QStringList pages = pdfPages(file);
    ASSERT_EQ(pages.size(), 6);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("PERSONAL FINANCIAL STATEMENT")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Section 1b - Spouse Information")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Contacts (Spouse)")));
    EXPECT_TRUE(pages[2].contains(QStringLiteral("Section 2 - Assets")));
    EXPECT_TRUE(pages[4].contains(QStringLiteral("Section 2 - Liabilities")));
    EXPECT_TRUE(pages[5].contains(QStringLiteral("Section 3 - Annual Income and Expenditures")));
    EXPECT_EQ(runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), file}).status, 0);

    // Standard output, and the style left to its default.
    {
        const CliRun s = cli({QStringLiteral("pdf"), QStringLiteral("--statement"), single, QStringLiteral("-o"),
                              QStringLiteral("-")});
        ASSERT_EQ(s.status, 0) << s.err.toStdString();
        EXPECT_TRUE(s.rawOut.startsWith("%PDF-"));
        QFile f(path(QStringLiteral("single.pdf")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(s.rawOut);
        f.close();
        const QString first = pdfText(f.fileName(), 1);
        EXPECT_FALSE(first.contains(QStringLiteral("Spouse Information")));
        EXPECT_TRUE(first.contains(QStringLiteral("Jim Q. Smith")));
        EXPECT_TRUE(pdfText(f.fileName(), 2).contains(QStringLiteral("Contacts")));
    }
}

TEST_F(CliPdfTest, WarnsOfAFieldNoInstalledFontCanDrawAndStillWritesTheFile)
{
    const struct {
        QString employer;
        QString err;
    } cases[] = {
        {QStringLiteral("Acme Industries"), QString()},
        {QStringLiteral("देवनागरी 中文银行 مرحبا"), QString()},
        {QStringLiteral("Acme \uE000 Works"),
         QStringLiteral("nettora-cli: warning: Some characters of the field Employer (Net Worth Summary) cannot be "
                        "printed: no installed font has U+E000.\n")},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.employer.toStdString());
        QJsonObject client = statementClient({.joint = false});
        QJsonObject fields = client.value(QStringLiteral("fields")).toObject();
        fields.insert(QStringLiteral("FirstName"), QStringLiteral("Case%1").arg(++n));
        fields.insert(QStringLiteral("Employer"), c.employer);
        client.insert(QStringLiteral("fields"), fields);
        const QString file = path(QStringLiteral("case%1.pdf").arg(n));
        const CliRun r = cli({QStringLiteral("pdf"), QStringLiteral("--statement"), importClient(client),
                              QStringLiteral("-o"), file});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, QString());
        EXPECT_EQ(r.err, c.err);
        EXPECT_TRUE(pdfText(file, 1).contains(QStringLiteral("Case%1 Q. Smith").arg(n)));
    }
}

TEST_F(CliPdfTest, RefusesWithOneLine)
{
    const QString id = import({});
    const QString out = path(QStringLiteral("x.pdf"));
    const struct {
        QStringList args;
        int status;
        QString message;
    } cases[] = {
        {{"pdf", "-o", out}, 2, "pdf needs --statement ID (see nettora-cli --help)"},
        {{"pdf", "--statement", id}, 2, "pdf needs -o FILE (see nettora-cli --help)"},
        {{"pdf", "--statement", id, "--style", "fancy", "-o", out}, 2,
         "--style must be standard, contemporary or professional (see nettora-cli --help)"},
        {{"pdf", "--statement", id, "--style", "Standard", "-o", out}, 2,
         "--style must be standard, contemporary or professional (see nettora-cli --help)"},
        {{"pdf", "--statement", id, "-o"}, 2, "the option -o needs a value (see nettora-cli --help)"},
        {{"pdf", "--statement", id, "--search", "x", "-o", out}, 2,
         "the command pdf has no option --search (see nettora-cli --help)"},
        {{"pdf", "--statement", "99", "-o", out}, 1, "there is no statement with the id 99"},
        {{"pdf", "--statement", id, "-o", path("missing/x.pdf")}, 1, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, QString());
        if (c.message.isEmpty())
            EXPECT_TRUE(r.err.startsWith(QStringLiteral("nettora-cli: cannot write")) && r.err.count(QLatin1Char('\n')) == 1)
                << r.err.toStdString();
        else
            EXPECT_EQ(r.err, QStringLiteral("nettora-cli: ") + c.message + QLatin1Char('\n'));
        EXPECT_FALSE(QFile::exists(out));
    }
}

TEST_F(CliPdfTest, HonoursTheUserTableAndPutsThePreparerPageFirst)
{
    const QString id = import({.joint = false, .firstName = "Jim"});
    ASSERT_FALSE(id.isEmpty());
    const QStringList statement{"summary", "legal", "assets", "liabilities", "income"};
    const struct {
        const char *compilation, *preparer, *monthly;
        QStringList front;
    } cases[] = {
        {"N", "N", "N", {}},
        {"Y", "N", "Y", {"compilation"}},
        {"N", "Y", "N", {"preparer"}},
        {"Y", "Y", "Y", {"preparer", "compilation"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.front.join(QLatin1Char(' ')).toStdString() + " monthly " + c.monthly);
        setUser({{"Compilation", c.compilation}, {"Preparer", c.preparer}, {"PrintMonthlyIncome", c.monthly},
                 {"Company", "Kelmor Accounting"}, {"FirstName", "Pat"}, {"LastName", "Kelmor"}});
        const QStringList pages = pdfOf(id, QStringLiteral("standard"));
        EXPECT_EQ(marks(pages), c.front + statement);
        const QString all = pages.join(QLatin1Char(' ')).simplified();
        EXPECT_EQ(all.contains(QStringLiteral("Monthly (Average)")), QLatin1String(c.monthly) != QLatin1String("Y"));
        EXPECT_EQ(all.contains(QStringLiteral("schedules for Jim Q. Smith as of 12/31/2025")),
                  QLatin1String(c.compilation) == QLatin1String("Y"));
    }

    // The other styles: their own document, never the Standard document
    // under another name.
    const QStringList standard = pdfOf(id, QStringLiteral("standard"));
    for (const char *style : {"contemporary", "professional"}) {
        SCOPED_TRACE(style);
        const QString file = path(QString::fromLatin1(style) + QStringLiteral(".pdf"));
        const CliRun r = cli({QStringLiteral("pdf"), QStringLiteral("--statement"), id, QStringLiteral("--style"),
                              QString::fromLatin1(style), QStringLiteral("-o"), file});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        const QStringList pages = pdfPages(file);
        EXPECT_TRUE(pages.value(0).contains(QStringLiteral("Preparer's Information")));
        EXPECT_TRUE(pages.value(1).contains(QStringLiteral("Compilation Report")));
        EXPECT_NE(pages.mid(2), standard.mid(2));
    }
}

// The review page set by "options PrintReview=Y" ends the file, after the
// schedules; "N" takes it out again.
TEST_F(CliPdfTest, HonoursPrintReview)
{
    const QString id = import({.joint = false, .firstName = "Jim"});
    ASSERT_FALSE(id.isEmpty());
    for (const bool on : {true, false}) {
        SCOPED_TRACE(on);
        const CliRun set = cli({QStringLiteral("options"), on ? QStringLiteral("PrintReview=Y") : QStringLiteral("PrintReview=N")});
        ASSERT_EQ(set.status, 0) << set.err.toStdString();
        for (const char *style : {"standard", "professional"}) {
            const QStringList pages = pdfOf(id, QString::fromLatin1(style));
            ASSERT_FALSE(pages.isEmpty());
            const QString last = pages.last().simplified();
            EXPECT_EQ(last.startsWith(QStringLiteral("Review")) || last.contains(QStringLiteral(" Review ")), on);
            EXPECT_EQ(last.contains(QStringLiteral("Liquid assets")), on);
            EXPECT_EQ(last.contains(QStringLiteral("Fix before signing")) || last.contains(QStringLiteral("Worth a look"))
                          || last.contains(QStringLiteral("Nothing a lender would send back was found.")),
                      on);
            EXPECT_TRUE(last.contains(QStringLiteral("Jim Q. Smith")));
        }
    }
}

// A blank form reads no table: an empty data directory stays empty, and a
// missing one is not made.
TEST_F(CliPdfTest, ABlankFormTouchesNoDataDirectory)
{
    for (const char *style : {"standard", "professional"}) {
        SCOPED_TRACE(style);
        m_data = path(QStringLiteral("data-") + QLatin1String(style));
        const bool exists = QLatin1String(style) == QLatin1String("standard");
        if (exists) {
            ASSERT_TRUE(QDir().mkpath(m_data));
        }
        const QString file = path(QStringLiteral("blank-") + QLatin1String(style) + QStringLiteral(".pdf"));
        const CliRun r = cli({QStringLiteral("pdf"), QStringLiteral("--blank"), QLatin1String(style), QStringLiteral("-o"), file});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_FALSE(pdfPages(file).isEmpty());
        EXPECT_EQ(QDir(m_data).exists(), exists);
        if (exists) {
            EXPECT_TRUE(QDir(m_data).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
        }
    }
}
