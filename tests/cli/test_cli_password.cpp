// nettora-cli and the login password: each way of giving it, which way
// counts, refusals without one or with a wrong one, passwd, and new data made
// by the program with its recovery key.
#include "cli_process.h"

#include "cli/cli_commands.h"
#include "data/data_key.h"
#include "data/datamodule.h"
#include "support/testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <optional>

using namespace nettora;
using namespace nettora::test;

namespace {

const char *const kDocument =
    R"({"format": "nettora", "version": 1, "clients": [{"fields": {"FirstName": "Ann", "LastName": "Lee"}}]})";

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class CliPassword : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir().mkpath(dataDir()));
    }

    QString path(const QString &name) const { return QDir(m_dir.path()).filePath(name); }
    // The data lies in a folder of its own, the password files beside it.
    QString dataDir() const { return path(QStringLiteral("data")); }
    QString keyFile() const { return keyFilePath(dataDir()); }
    QString wrongMessage() const
    {
        return QStringLiteral("nettora-cli: the password does not open the data in %1\n").arg(dataDir());
    }

    QString writeFile(const QString &name, const QByteArray &text,
                      QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner)
    {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
        f.close();
        EXPECT_TRUE(f.setPermissions(permissions));
        return f.fileName();
    }

    // The program on the data directory, NETTORA_PASSWORD set to environment
    // or left out.
    CliRun cli(const QStringList &args, const QByteArray &input = {},
               const std::optional<QString> &environment = QString::fromLatin1(TestPassword))
    {
        QProcessEnvironment env = cliEnvironment();
        env.remove(QStringLiteral("NETTORA_PASSWORD"));
        if (environment)
            env.insert(QStringLiteral("NETTORA_PASSWORD"), *environment);
        env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("home")));
        return runProcess(QStringLiteral(NETTORA_CLI_PATH), QStringList{QStringLiteral("--data-dir"), dataDir()} + args,
                          env, input);
    }

    QTemporaryDir m_dir;
};

}  // namespace

TEST_F(CliPassword, EachWayOpensTheDataAndTheFirstOneGivenCounts)
{
    makeTestData(dataDir());
    const QString right = writeFile(QStringLiteral("right"), "test password\nnot it\n");
    const QString crlf = writeFile(QStringLiteral("crlf"), "test password\r\n");
    const QString wrong = writeFile(QStringLiteral("wrong"), "not it\ntest password\n");
    const std::optional<QString> none;
    const struct {
        const char *what;
        QStringList args;
        QByteArray input;
        std::optional<QString> environment;
        bool opens;
    } cases[] = {
        {"file", {"--password-file", right}, {}, none, true},
        {"file with CRLF", {"--password-file=" + crlf}, {}, none, true},
        {"standard input", {"--password-stdin"}, "test password\n", none, true},
        {"standard input without line end", {"--password-stdin"}, "test password", none, true},
        {"environment", {}, {}, QStringLiteral("test password"), true},
        {"environment, wrong", {}, {}, QStringLiteral("not it"), false},
        {"file before standard input", {"--password-stdin", "--password-file", right}, "not it\n", none, true},
        {"file before standard input, wrong", {"--password-file", wrong, "--password-stdin"}, "test password\n", none,
         false},
        {"file before environment", {"--password-file", right}, {}, QStringLiteral("not it"), true},
        {"file before environment, wrong", {"--password-file", wrong}, {}, QStringLiteral("test password"), false},
        {"standard input before environment", {"--password-stdin"}, "test password\n", QStringLiteral("not it"), true},
        {"standard input before environment, wrong", {"--password-stdin"}, "not it\n", QStringLiteral("test password"),
         false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const CliRun r = cli(c.args + QStringList{QStringLiteral("list")}, c.input, c.environment);
        EXPECT_EQ(r.status, c.opens ? 0 : 1);
        EXPECT_EQ(r.out, QString());
        EXPECT_EQ(r.err, c.opens ? QString() : wrongMessage());
    }
}

TEST_F(CliPassword, WithoutAPasswordOnlyWhatNeedsNoDataRuns)
{
    makeTestData(dataDir());
    const QByteArray key = contentOf(keyFile());
    const QString empty = writeFile(QStringLiteral("empty"), "\ntest password\n");
    const QString hint = QStringLiteral(" (see nettora-cli --help)");
    const QString together = QStringLiteral("--password-stdin cannot be used with a command that reads standard "
                                            "input itself (import -, options --stdin): give the password another way");
    const struct {
        QStringList args;
        QByteArray input;
        QString message;
    } refusals[] = {
        {{"list"}, {}, "the data needs the login password: type it at a terminal, or give it with --password-file FILE, "
                       "--password-stdin or NETTORA_PASSWORD"},
        {{"--password-stdin", "list"}, {}, "--password-stdin: standard input holds no password"},
        {{"--password-stdin", "list"}, "\ntest password\n", "--password-stdin: standard input holds no password"},
        {{"--password-file", empty, "list"}, {},
         QStringLiteral("the password file \"%1\" holds no password on its first line").arg(empty)},
        {{"--password-stdin", "import", "-"}, "test password\n", together + hint},
        {{"--password-stdin", "options", "--stdin", "Phone"}, "test password\n", together + hint},
        {{"--password-file", "", "list"}, {}, "--password-file needs a file name" + hint},
    };
    for (const auto &r : refusals) {
        SCOPED_TRACE(r.args.join(' ').toStdString());
        const CliRun run = cli(r.args, r.input, std::nullopt);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, QString());
        EXPECT_EQ(run.err, QStringLiteral("nettora-cli: ") + r.message + QLatin1Char('\n'));
    }
    EXPECT_EQ(contentOf(keyFile()), key);

    const QString pdf = path(QStringLiteral("blank.pdf"));
    const QStringList needNoData[] = {{"--help"}, {"--version"}, {"pdf", "--blank", "standard", "-o", pdf}};
    for (const QStringList &args : needNoData) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliRun run = cli(args, {}, std::nullopt);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, QString());
    }
    EXPECT_TRUE(QFile::exists(pdf));
}

TEST_F(CliPassword, AWrongPasswordChangesNothing)
{
    makeTestData(dataDir());
    const QString db = QDir(dataDir()).filePath(QString::fromLatin1(Connection::DatabaseFileName));
    const QByteArray data = contentOf(db), key = contentOf(keyFile());
    const QString newPassword = writeFile(QStringLiteral("new"), "new secret\n");
    const QStringList attempts[] = {{"import", "-"}, {"passwd", "--new-password-file", newPassword},
                                    {"options", "Phone=555-0100"}};
    for (const QStringList &args : attempts) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliRun r = cli(args, kDocument, QStringLiteral("not it"));
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, QString());
        EXPECT_EQ(r.err, wrongMessage());
    }
    EXPECT_EQ(contentOf(db), data);
    EXPECT_EQ(contentOf(keyFile()), key);
}

TEST_F(CliPassword, PasswdSealsTheSameDataKeyUnderTheNewPassword)
{
    makeTestData(dataDir());
    const SecretBytes dataKey = unwrapWithPassword(keyFile(), testPassword());
    ASSERT_EQ(cli({QStringLiteral("import"), QStringLiteral("-")}, kDocument).status, 0);

    // Refused before anything is changed.
    const QByteArray key = contentOf(keyFile());
    const QString empty = writeFile(QStringLiteral("empty"), "\n");
    const CliRun noNew = cli({QStringLiteral("passwd")});
    EXPECT_EQ(noNew.status, 2);
    EXPECT_EQ(noNew.err, QStringLiteral("nettora-cli: passwd needs the new password: give it with "
                                        "--new-password-file FILE or type it at a terminal\n"));
    const CliRun emptyNew = cli({QStringLiteral("passwd"), QStringLiteral("--new-password-file"), empty});
    EXPECT_EQ(emptyNew.status, 1);
    EXPECT_EQ(emptyNew.err, QStringLiteral("nettora-cli: the new password is empty; the password is unchanged\n"));
    EXPECT_EQ(contentOf(keyFile()), key);

    const QString newPassword = writeFile(QStringLiteral("new"), "new secret\n");
    const CliRun changed = cli({QStringLiteral("passwd"), QStringLiteral("--new-password-file"), newPassword});
    EXPECT_EQ(changed.status, 0);
    EXPECT_EQ(changed.out, QStringLiteral("Password changed.\n"));
    EXPECT_EQ(changed.err, QString());

    const CliRun old = cli({QStringLiteral("list")});
    EXPECT_EQ(old.status, 1);
    EXPECT_EQ(old.err, wrongMessage());
    const CliRun opened = cli({QStringLiteral("--password-file"), newPassword, QStringLiteral("list")}, {}, std::nullopt);
    EXPECT_EQ(opened.status, 0);
    EXPECT_TRUE(opened.out.contains(QStringLiteral("Lee"))) << opened.out.toStdString();
    // Only the key's seal changed: the data file is under the same key.
    EXPECT_TRUE(unwrapWithPassword(keyFile(), SecretBytes::fromText(QStringLiteral("new secret"))) == dataKey);
}

TEST_F(CliPassword, WarnsOfAPasswordFileOthersCanRead)
{
    makeTestData(dataDir());
    const QString open = writeFile(QStringLiteral("open"), "test password\n",
                                   QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    const CliRun r = cli({QStringLiteral("--password-file"), open, QStringLiteral("list")}, {}, std::nullopt);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, QStringLiteral("nettora-cli: warning: the password file \"%1\" can be read by others; make it "
                                    "yours alone (chmod 600)\n")
                         .arg(open));
}

// The one test that pays the full key derivation: the program makes the data.
TEST_F(CliPassword, NewDataIsMadeUnderThePasswordAndItsRecoveryKeyShownOnce)
{
    const CliRun made = cli({QStringLiteral("--user"), QStringLiteral("ann"), QStringLiteral("list")});
    EXPECT_EQ(made.status, 0);
    EXPECT_EQ(made.out, QString());
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^nettora-cli: New data made in %1\\. Recovery key \\(keep it safe; it is "
                                          "shown only now\\): ([0-9A-Z]{5}(-[0-9A-Z]{5}){4})\\n$")
                               .arg(QRegularExpression::escape(dataDir())))
            .match(made.err);
    ASSERT_TRUE(m.hasMatch()) << made.err.toStdString();
    EXPECT_TRUE(unwrapWithRecoveryCode(keyFile(), m.captured(1)) == unwrapWithPassword(keyFile(), testPassword()));

    const CliRun again = cli({QStringLiteral("options")});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.err, QString());
    EXPECT_TRUE(again.out.startsWith(QStringLiteral("User\tann\n"))) << again.out.toStdString();
}

TEST(CliPasswordInProcess, TheEnvironmentLosesThePasswordWhateverTheCommand)
{
    for (const QStringList &args : {QStringList{QStringLiteral("--help")}, QStringList{QStringLiteral("frobnicate")}}) {
        qputenv("NETTORA_PASSWORD", TestPassword);
        QBuffer in, out, err;
        in.open(QIODevice::ReadOnly);
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        cli::runCli(args, in, out, err);
        EXPECT_FALSE(qEnvironmentVariableIsSet("NETTORA_PASSWORD")) << args.join(' ').toStdString();
    }
}

namespace {

// Runs argv on a pseudo-terminal of its own (its controlling terminal), waits
// for each prompt and types its answer, or ends the program with SIGTERM for
// a null answer. Prints what it saw as JSON: the status (a negative signal
// number for an end by signal), whether the echo was off at each prompt, and
// whether it was on again after the end.
const char *const kTerminalScript = R"(
import fcntl, json, os, select, signal, subprocess, sys, termios
plan = json.loads(sys.argv[1])
master, slave = os.openpty()
p = subprocess.Popen(plan["argv"], stdin=slave, stdout=slave, stderr=slave, start_new_session=True,
                     preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))
seen = b""
def more(wait):
    global seen
    if not select.select([master], [], [], wait)[0]:
        return False
    try:
        chunk = os.read(master, 4096)
    except OSError:
        return False
    seen += chunk
    return bool(chunk)
quiet = []
for prompt, answer in plan["dialog"]:
    while not seen.endswith(prompt.encode()) and more(120):
        pass
    quiet.append(not termios.tcgetattr(slave)[3] & termios.ECHO)
    if answer is None:
        p.send_signal(signal.SIGTERM)
    else:
        os.write(master, answer.encode() + b"\n")
status = p.wait()
while more(0):
    pass
print(json.dumps({"status": status, "quiet": quiet, "echo": bool(termios.tcgetattr(slave)[3] & termios.ECHO),
                  "transcript": seen.decode(errors="replace")}))
)";

struct TerminalRun {
    int status = -1000;
    QList<bool> quiet;
    bool echo = false;
    QString transcript;
};

}  // namespace

class CliPasswordPrompt : public CliPassword {
protected:
    // The program on the data directory at a terminal, without
    // NETTORA_PASSWORD; dialog holds the prompts and the answers typed.
    using Dialog = std::vector<std::pair<QString, QJsonValue>>;
    TerminalRun atTerminal(const QStringList &args, const Dialog &steps)
    {
        QJsonArray argv{QStringLiteral(NETTORA_CLI_PATH), QStringLiteral("--data-dir"), dataDir()};
        for (const QString &a : args)
            argv.append(a);
        QJsonArray dialog;
        for (const auto &[prompt, answer] : steps)
            dialog.append(QJsonArray{prompt, answer});
        const QByteArray plan =
            QJsonDocument(QJsonObject{{QStringLiteral("argv"), argv}, {QStringLiteral("dialog"), dialog}})
                .toJson(QJsonDocument::Compact);
        QProcessEnvironment env = cliEnvironment();
        env.remove(QStringLiteral("NETTORA_PASSWORD"));
        const CliRun r = runProcess(QStringLiteral("python3"),
                                    {QStringLiteral("-c"), QString::fromLatin1(kTerminalScript), QString::fromUtf8(plan)},
                                    env);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        const QJsonObject o = QJsonDocument::fromJson(r.rawOut).object();
        TerminalRun t;
        t.status = o.value(QStringLiteral("status")).toInt(-1000);
        for (const QJsonValue &q : o.value(QStringLiteral("quiet")).toArray())
            t.quiet << q.toBool();
        t.echo = o.value(QStringLiteral("echo")).toBool();
        t.transcript = o.value(QStringLiteral("transcript")).toString();
        return t;
    }

    void SetUp() override
    {
        CliPassword::SetUp();
        if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
            GTEST_SKIP() << "python3 is needed for a pseudo-terminal";
        makeTestData(dataDir());
    }
};

TEST_F(CliPasswordPrompt, AsksWithoutEchoAndTurnsTheEchoBackOnEveryWayOut)
{
    const struct {
        const char *what;
        QStringList args;
        Dialog dialog;
        int status;
        const char *shows;  // in the transcript, after the prompts
    } cases[] = {
        {"right password", {"list"}, {{"Password: ", "test password"}}, 0, ""},
        {"wrong password", {"list"}, {{"Password: ", "not it"}}, 1, "does not open the data"},
        {"ended by a signal", {"list"}, {{"Password: ", QJsonValue()}}, -SIGTERM, ""},
        {"new passwords differ",
         {"passwd"},
         {{"Password: ", "test password"}, {"New password: ", "pty secret"},
          {"Repeat the new password: ", "pty secreT"}},
         1,
         "the new passwords typed differ; the password is unchanged"},
        {"passwd",
         {"passwd"},
         {{"Password: ", "test password"}, {"New password: ", "pty secret"},
          {"Repeat the new password: ", "pty secret"}},
         0,
         "Password changed."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const TerminalRun t = atTerminal(c.args, c.dialog);
        EXPECT_EQ(t.status, c.status) << t.transcript.toStdString();
        EXPECT_EQ(t.quiet, QList<bool>(qsizetype(c.dialog.size()), true));
        EXPECT_TRUE(t.echo);
        EXPECT_TRUE(t.transcript.contains(QLatin1String(c.shows))) << t.transcript.toStdString();
        // Nothing typed shows.
        EXPECT_FALSE(t.transcript.contains(QStringLiteral("test password"))) << t.transcript.toStdString();
        EXPECT_FALSE(t.transcript.contains(QStringLiteral("pty secre"))) << t.transcript.toStdString();
    }
    EXPECT_EQ(cli({QStringLiteral("list")}, {}, QStringLiteral("pty secret")).status, 0);
}

TEST_F(CliPasswordPrompt, NewDataAsksTwiceAndIsNotMadeWhenTheAnswersDiffer)
{
    const QString fresh = path(QStringLiteral("fresh"));
    ASSERT_TRUE(QDir().mkpath(fresh));
    const TerminalRun t = atTerminal({QStringLiteral("--data-dir"), fresh, QStringLiteral("list")},
                                     {{"Password: ", "first try"}, {"Repeat the password: ", "first trY"}});
    EXPECT_EQ(t.status, 1) << t.transcript.toStdString();
    EXPECT_EQ(t.quiet, QList<bool>({true, true}));
    EXPECT_TRUE(t.echo);
    EXPECT_TRUE(t.transcript.contains(QStringLiteral("nettora-cli: the passwords typed differ; no data was made")))
        << t.transcript.toStdString();
    EXPECT_FALSE(QFile::exists(QDir(fresh).filePath(QString::fromLatin1(Connection::DatabaseFileName))));
    EXPECT_FALSE(QFile::exists(keyFilePath(fresh)));
}
