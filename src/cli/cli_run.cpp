#include "cli/cli_commands.h"
#include "data/dates.h"
#include "cli/cli_password.h"
#include "cli/cli_pdf.h"
#include "cli/cli_text.h"

#include "kit/dialogs.h"
#include "data/data_key.h"
#include "data/datamodule.h"
#include "data/failure_cause.h"
#include "data/output_file.h"

#include <QFile>
#include <QFileDevice>
#include <QIODevice>

#include <pwd.h>
#include <unistd.h>

namespace nettora::cli {

namespace {

const char *const kUsage =
    "Usage: nettora-cli [--data-dir DIR] [--password-file FILE | --password-stdin] [--user NAME] COMMAND\n"
    "       nettora-cli --help | --version\n"
    "\n"
    "Commands:\n"
    "  import FILE                  add the clients and statements of a document (FILE or - for standard input)\n"
    "  export [--client ID] FILE    write every client, or one, as a document (FILE or - for standard output)\n"
    "  list [--search TEXT]         one line per statement: id, client, date, description, net worth\n"
    "  info                         the data directory, the data file's version and size, the numbers of\n"
    "                               clients and statements\n"
    "  recalc --statement ID        run every recalculation of one statement\n"
    "  review --statement ID [--json] [--today MM/DD/YYYY]\n"
    "                               what a lender would send back (\"Fix before signing\", \"Worth a look\")\n"
    "                               and the ratios a lender computes; the age of the statement is counted\n"
    "                               to --today (default: today); status 0 with nothing to fix, 1 with\n"
    "                               something to fix, 2 for a usage error or when no review was made\n"
    "  pdf --statement ID [--style standard|contemporary|professional] -o FILE\n"
    "  pdf --blank standard|contemporary|professional -o FILE\n"
    "                               write the statement as a PDF document (FILE or - for standard output)\n"
    "  options [FIELD=VALUE ...]    show the user settings, one FIELD<TAB>VALUE line each, or set some of them\n"
    "  options --stdin FIELD [FIELD=VALUE ...]\n"
    "                               the same, FIELD's value read as one line from standard input\n"
    "                               (so that a password never shows on the command line)\n"
    "  mail --statement ID [--style standard|contemporary|professional] --to ADDRESS\n"
    "  mail --blank standard|contemporary|professional --to ADDRESS\n"
    "                               send the statement as a PDF by e-mail with the saved mail settings,\n"
    "                               printing each step's status line; status 1 when a step failed\n"
    "  backup [--replace] FOLDER    copy the data file into FOLDER as nettora.db, checked before it counts;\n"
    "                               a backup already in FOLDER is replaced only with --replace\n"
    "  restore FOLDER|FILE          put the backup in FOLDER (or the data file FILE) in place of the data file,\n"
    "                               also one that does not open; the replaced file is kept in the data\n"
    "                               directory's Replaced folder\n"
    "  passwd [--new-password-file FILE]\n"
    "                               change the login password: the new one is read from the first line of\n"
    "                               FILE, or asked twice at the terminal; the data file is not encrypted again\n"
    "\n"
    "The data directory is DIR, else NETTORA_DATA_DIR, else the program's own.\n"
    "\n"
    "The data opens only with the login password. Typed at the terminal, it is asked for (\"Password: \")\n"
    "and does not show. Otherwise it is read from, in this order:\n"
    "  --password-file FILE         the first line of FILE (a file only you can read: chmod 600)\n"
    "  --password-stdin             one line of standard input (not with import - or options --stdin)\n"
    "  NETTORA_PASSWORD             the environment variable, meant for scripts and tests; it is taken\n"
    "                               out of the environment once read\n"
    "Commands that need no data (pdf --blank, --help, --version) ask for none. On an empty data directory\n"
    "the first command makes the data under the password, for the user NAME (else the system's user name),\n"
    "and prints its recovery key once on standard error: keep it, it opens the data when the password is\n"
    "lost.\n";

enum Exit { Ok = 0, Failed = 1, Usage = 2 };

// No password was given where the data needs one.
struct NoPassword {
    QString text;
};

// The user name a new data directory gets: the system's name for this user.
QString systemUserName()
{
    if (const passwd *pw = ::getpwuid(::geteuid()); pw && pw->pw_name && *pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? QStringLiteral("user") : user;
}

struct UsageError {
    QString text;
};

// Standard output took not all of what was written to it.
struct StandardOutputError {
    QString reason;
};

// One line, and nothing in it that a terminal would take as a command.
QString oneLine(const QString &text)
{
    QString s = text.trimmed();
    for (QChar &c : s)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    return printable(s);
}

// Messages the shared routines would show in a box go to the error stream;
// a question is answered No (or Cancel), the answer that changes nothing.
class StreamDialogs : public DialogService {
public:
    explicit StreamDialogs(QIODevice &err) : m_err(err) { setDialogService(this); }
    ~StreamDialogs() override { setDialogService(nullptr); }
    void error(const QString &text) override { say(text); }
    bool warning(const QString &text) override
    {
        say(text + QStringLiteral(" (answered No)"));
        return false;
    }
    void confirmation(const QString &text) override { say(text); }
    void information(const QString &text) override { say(text); }
    SaveChoice saveChanges(const QString &text) override
    {
        say(text + QStringLiteral(" (answered Cancel)"));
        return SaveChoice::Cancel;
    }

private:
    void say(const QString &text) { m_err.write((QStringLiteral("nettora-cli: ") + oneLine(text) + QLatin1Char('\n')).toUtf8()); }

    QIODevice &m_err;
};

struct Command {
    std::optional<QString> dataDir;
    QString name;
    QStringList positional;
    QHash<QString, QString> options;  // without the leading "--"; a flag's value is empty
    std::optional<QString> passwordFile;
    bool passwordStdin = false;
    std::optional<QString> user;  // for data made by this command
    bool help = false;
    bool version = false;
};

Command parse(const QStringList &args)
{
    static const QStringList valued = {QStringLiteral("data-dir"), QStringLiteral("client"), QStringLiteral("search"),
                                       QStringLiteral("statement"), QStringLiteral("style"), QStringLiteral("output"),
                                       QStringLiteral("blank"), QStringLiteral("to"), QStringLiteral("stdin"),
                                       QStringLiteral("password-file"), QStringLiteral("new-password-file"),
                                       QStringLiteral("user"), QStringLiteral("today")};
    static const QStringList flags = {QStringLiteral("replace"), QStringLiteral("password-stdin"),
                                      QStringLiteral("json")};
    Command c;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            c.help = true;
        } else if (a == QLatin1String("--version")) {
            c.version = true;
        } else if (a == QLatin1String("-o")) {
            if (i + 1 >= args.size())
                throw UsageError{QStringLiteral("the option -o needs a value")};
            c.options.insert(QStringLiteral("output"), args[++i]);
        } else if (a.startsWith(QLatin1String("--"))) {
            QString name = a.mid(2), value;
            const qsizetype eq = name.indexOf(QLatin1Char('='));
            if (eq >= 0) {
                value = name.mid(eq + 1);
                name.truncate(eq);
            } else if (valued.contains(name)) {
                if (i + 1 >= args.size())
                    throw UsageError{QStringLiteral("the option --%1 needs a value").arg(name)};
                value = args[++i];
            }
            if (!valued.contains(name) && !flags.contains(name))
                throw UsageError{QStringLiteral("unknown option %1").arg(shortened(a))};
            if (flags.contains(name) && eq >= 0)
                throw UsageError{QStringLiteral("the option --%1 takes no value").arg(name)};
            if (name == QLatin1String("data-dir")) {
                // An empty name would quietly mean the default directory.
                if (value.isEmpty())
                    throw UsageError{QStringLiteral("--data-dir needs a folder name")};
                c.dataDir = value;
            } else if (name == QLatin1String("password-file")) {
                if (value.isEmpty())
                    throw UsageError{QStringLiteral("--password-file needs a file name")};
                c.passwordFile = value;
            } else if (name == QLatin1String("password-stdin")) {
                c.passwordStdin = true;
            } else if (name == QLatin1String("user")) {
                if (value.trimmed().isEmpty())
                    throw UsageError{QStringLiteral("--user needs a name")};
                c.user = value;
            } else {
                c.options.insert(name, value);
            }
        } else if (c.name.isEmpty()) {
            c.name = a;
        } else {
            c.positional << a;
        }
    }
    return c;
}

void allowOptions(const Command &c, std::initializer_list<const char *> options)
{
    for (auto it = c.options.cbegin(); it != c.options.cend(); ++it) {
        bool ok = false;
        for (const char *o : options)
            ok = ok || it.key() == QLatin1String(o);
        if (!ok)
            throw UsageError{QStringLiteral("the command %1 has no option --%2").arg(c.name, it.key())};
    }
}

void allowOnly(const Command &c, std::initializer_list<const char *> options, int positional)
{
    allowOptions(c, options);
    if (c.positional.size() != positional || c.positional.contains(QString()))
        throw UsageError{positional == 0 ? QStringLiteral("the command %1 takes no file").arg(c.name)
                                         : QStringLiteral("the command %1 needs one FILE (or -)").arg(c.name)};
}

qint64 idOption(const Command &c, const QString &name)
{
    bool ok = false;
    const qint64 id = c.options.value(name).toLongLong(&ok);
    if (!ok || id <= 0)
        throw UsageError{QStringLiteral("--%1 needs a positive whole number").arg(name)};
    return id;
}

// The day a review counts the statement's age to: --today, else today.
QDate reviewDay(const Command &c)
{
    if (!c.options.contains(QStringLiteral("today")))
        return QDate::currentDate();
    const QString full = fullDateText(c.options.value(QStringLiteral("today")));
    return full.isEmpty() ? QDate() : QDate::fromString(full, QStringLiteral("MM/dd/yyyy"));
}

// What a pdf or mail command is about: --statement ID in a --style, or with
// --blank STYLE the style's blank set (no id then).
std::optional<qint64> documentOption(const Command &c, const QString &needsStatement)
{
    if (c.options.contains(QStringLiteral("blank"))) {
        if (c.options.contains(QStringLiteral("statement")) || c.options.contains(QStringLiteral("style")))
            throw UsageError{QStringLiteral("--blank takes no --statement or --style")};
        if (!isPdfStyle(c.options.value(QStringLiteral("blank"))))
            throw UsageError{QStringLiteral("--blank must be standard, contemporary or professional")};
        return std::nullopt;
    }
    if (!c.options.contains(QStringLiteral("statement")))
        throw UsageError{needsStatement};
    const qint64 id = idOption(c, QStringLiteral("statement"));
    if (!isPdfStyle(c.options.value(QStringLiteral("style"), QStringLiteral("standard"))))
        throw UsageError{QStringLiteral("--style must be standard, contemporary or professional")};
    return id;
}

QByteArray readInput(const QString &file, QIODevice &in)
{
    if (file == QLatin1String("-"))
        return in.readAll();
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw CliError(QStringLiteral("cannot read \"%1\": %2").arg(file, f.errorString()));
    return f.readAll();
}

// Why standard output took not all it was given, a full disk in plain words.
QString outputFailure(const QIODevice &out)
{
    const auto *file = qobject_cast<const QFileDevice *>(&out);
    return file ? deviceCause(*file) : out.errorString();
}

// One line of standard input: its line break (LF or CRLF) taken off, nothing
// more allowed after it.
QString readValueLine(QIODevice &in, const QString &field)
{
    QByteArray line = in.readAll();
    if (line.isEmpty())
        throw CliError(QStringLiteral("--stdin %1: standard input holds no line").arg(shortened(field)));
    if (line.endsWith('\n'))
        line.chop(line.endsWith("\r\n") ? 2 : 1);
    if (line.contains('\n'))
        throw CliError(QStringLiteral("--stdin %1: standard input holds more than one line").arg(shortened(field)));
    return QString::fromUtf8(line);
}

void writeStandardOutput(QIODevice &out, const QByteArray &data)
{
    if (out.write(data) != data.size())
        throw StandardOutputError{outputFailure(out)};
}

// Each line with its line break, in one write.
void writeLines(QIODevice &out, const QStringList &lines)
{
    QByteArray text;
    for (const QString &line : lines)
        text += line.toUtf8() + '\n';
    writeStandardOutput(out, text);
}

// Written data may still wait in buffers: a full disk or a closed stream
// shows only when they are flushed.
void flushStandardOutput(QIODevice &out)
{
    auto *file = qobject_cast<QFileDevice *>(&out);
    if (file && (!file->flush() || file->error() != QFileDevice::NoError))
        throw StandardOutputError{outputFailure(*file)};
}

// FILE, or standard output for "-". The target is checked before the data is
// made, so that a refused target costs no work.
template<typename MakeData>
void writeOutput(const QString &file, QIODevice &out, MakeData make)
{
    if (file == QLatin1String("-")) {
        writeStandardOutput(out, make());
        return;
    }
    OutputFile target(file);
    target.write(make());
    target.commit();
}

// The message that tells the recovery key, the one time it exists in clear.
void tellRecoveryKey(QIODevice &err, const QString &what, const QString &code)
{
    err.write((QStringLiteral("nettora-cli: ") + what +
               QStringLiteral(" Recovery key (keep it safe; it is shown only now): ") + code + QLatin1Char('\n'))
                  .toUtf8());
}

int execute(const Command &c, QIODevice &in, QIODevice &out, QIODevice &err, SecretBytes &environmentPassword)
{
    // Everything about the arguments is checked before the data directory
    // is taken, so a mistyped command never touches it.
    QByteArray input;
    std::optional<qint64> id;
    std::vector<UserAssignment> assignments;
    if (c.name == QLatin1String("import")) {
        allowOnly(c, {}, 1);
    } else if (c.name == QLatin1String("export")) {
        allowOnly(c, {"client"}, 1);
        if (c.options.contains(QStringLiteral("client")))
            id = idOption(c, QStringLiteral("client"));
    } else if (c.name == QLatin1String("list")) {
        allowOnly(c, {"search"}, 0);
    } else if (c.name == QLatin1String("info")) {
        allowOnly(c, {}, 0);
    } else if (c.name == QLatin1String("recalc")) {
        allowOnly(c, {"statement"}, 0);
        if (!c.options.contains(QStringLiteral("statement")))
            throw UsageError{QStringLiteral("recalc needs --statement ID")};
        id = idOption(c, QStringLiteral("statement"));
    } else if (c.name == QLatin1String("review")) {
        allowOnly(c, {"statement", "json", "today"}, 0);
        if (!c.options.contains(QStringLiteral("statement")))
            throw UsageError{QStringLiteral("review needs --statement ID")};
        id = idOption(c, QStringLiteral("statement"));
        if (c.options.contains(QStringLiteral("today")) && !reviewDay(c).isValid())
            throw UsageError{QStringLiteral("--today needs a date as MM/DD/YYYY, not \"%1\"")
                                 .arg(shortened(c.options.value(QStringLiteral("today"))))};
    } else if (c.name == QLatin1String("pdf")) {
        allowOnly(c, {"statement", "style", "output", "blank"}, 0);
        id = documentOption(c, QStringLiteral("pdf needs --statement ID"));
        if (c.options.value(QStringLiteral("output")).isEmpty())
            throw UsageError{QStringLiteral("pdf needs -o FILE")};
    } else if (c.name == QLatin1String("mail")) {
        allowOnly(c, {"statement", "style", "blank", "to"}, 0);
        id = documentOption(c, QStringLiteral("mail needs --statement ID or --blank STYLE"));
        if (c.options.value(QStringLiteral("to")).trimmed().isEmpty())
            throw UsageError{QStringLiteral("mail needs --to ADDRESS")};
    } else if (c.name == QLatin1String("backup") || c.name == QLatin1String("restore")) {
        if (c.name == QLatin1String("backup"))
            allowOptions(c, {"replace"});
        else
            allowOptions(c, {});
        if (c.positional.size() != 1 || c.positional[0].isEmpty())
            throw UsageError{QStringLiteral("the command %1 needs one FOLDER").arg(c.name)};
    } else if (c.name == QLatin1String("options")) {
        allowOptions(c, {"stdin"});
        assignments = parseUserAssignments(c.positional);
        if (c.options.contains(QStringLiteral("stdin")) && c.options.value(QStringLiteral("stdin")).isEmpty())
            throw UsageError{QStringLiteral("--stdin needs a field name")};
    } else if (c.name == QLatin1String("passwd")) {
        allowOnly(c, {"new-password-file"}, 0);
        if (c.options.contains(QStringLiteral("new-password-file")) &&
            c.options.value(QStringLiteral("new-password-file")).isEmpty())
            throw UsageError{QStringLiteral("--new-password-file needs a file name")};
    } else if (c.name.isEmpty()) {
        throw UsageError{QStringLiteral("no command given")};
    } else {
        throw UsageError{QStringLiteral("unknown command \"%1\"").arg(shortened(c.name))};
    }
    // Standard input holds one thing: the password or what the command reads.
    const bool readsInput = (c.name == QLatin1String("import") && c.positional.value(0) == QLatin1String("-")) ||
                            (c.name == QLatin1String("options") && c.options.contains(QStringLiteral("stdin")));
    if (c.passwordStdin && readsInput)
        throw UsageError{QStringLiteral("--password-stdin cannot be used with a command that reads standard input "
                                        "itself (import -, options --stdin): give the password another way")};
    if (c.name == QLatin1String("options") && c.options.contains(QStringLiteral("stdin"))) {
        const QString field = c.options.value(QStringLiteral("stdin"));
        // Checked as if it had been typed FIELD=VALUE, with the others.
        assignments =
            parseUserAssignments(c.positional + QStringList{field + QLatin1Char('=') + readValueLine(in, field)});
    }

    StreamDialogs dialogs(err);
    // The document is still made: the text is only told, on the error stream.
    const Warning warn = [&err](const QString &text) {
        err.write((QStringLiteral("nettora-cli: warning: ") + oneLine(text) + QLatin1Char('\n')).toUtf8());
    };
    // A blank form reads no table: it touches no data directory, so one is
    // neither made nor locked for it.
    if (c.name == QLatin1String("pdf") && c.options.contains(QStringLiteral("blank"))) {
        writeOutput(c.options.value(QStringLiteral("output")), out,
                    [&] { return blankPdf(c.options.value(QStringLiteral("blank")), warn); });
        return Ok;
    }

    // The password: from the first of the ways given, else asked at the
    // terminal once it is known whether it makes new data.
    SecretBytes password;
    bool ask = false;
    if (c.passwordFile) {
        password = readPasswordFile(*c.passwordFile, warn);
        if (password.empty())
            throw NoPassword{QStringLiteral("the password file \"%1\" holds no password on its first line")
                                 .arg(*c.passwordFile)};
    } else if (c.passwordStdin) {
        password = readPasswordLine(in);
        if (password.empty())
            throw NoPassword{QStringLiteral("--password-stdin: standard input holds no password")};
    } else if (!environmentPassword.empty()) {
        password = std::move(environmentPassword);
    } else if (canPrompt(in)) {
        ask = true;
    } else {
        throw NoPassword{QStringLiteral("the data needs the login password: type it at a terminal, or give it with "
                                        "--password-file FILE, --password-stdin or NETTORA_PASSWORD")};
    }
    const bool changesPassword = c.name == QLatin1String("passwd");
    SecretBytes newPassword;
    if (changesPassword && c.options.contains(QStringLiteral("new-password-file"))) {
        newPassword = readPasswordFile(c.options.value(QStringLiteral("new-password-file")), warn);
        if (newPassword.empty())
            throw CliError(QStringLiteral("the new password is empty; the password is unchanged"));
    } else if (changesPassword && !canPrompt(in)) {
        throw NoPassword{QStringLiteral("passwd needs the new password: give it with --new-password-file FILE "
                                        "or type it at a terminal")};
    }
    if (c.name == QLatin1String("import"))
        input = readInput(c.positional.value(0), in);

    Tdm1 module;
    Tdm1 *const previous = dm1;
    dm1 = &module;
    struct Restore {
        Tdm1 *previous;
        ~Restore() { dm1 = previous; }
    } restore{previous};
    const QString dir = resolveDataDirectory(c.dataDir.value_or(QString()));
    try {
        Tdm1::Connected opened;
        try {
            opened = module.ConnectDb(
                dir,
                [&](DataDirState state) {
                    if (ask) {
                        password = promptPassword("Password: ");
                        // A typing slip in the password of new data would lock it away.
                        if (state == DataDirState::New && !password.empty()
                            && !(promptPassword("Repeat the password: ") == password))
                            throw CliError(QStringLiteral("the passwords typed differ; no data was made"));
                    }
                    if (password.empty())
                        throw NoPassword{QStringLiteral("no password was typed")};
                    return password.clone();
                },
                c.user.value_or(systemUserName()));
        } catch (const WrongPassword &) {
            throw CliError(QStringLiteral("the password does not open the data in %1").arg(dir));
        }
        if (opened.state == DataDirState::New)
            tellRecoveryKey(err, QStringLiteral("New data made in %1.").arg(dir), opened.recoveryCode);
        else if (!opened.recoveryCode.isEmpty())
            tellRecoveryKey(err, QStringLiteral("The data in %1 is now under a key of its own.").arg(dir),
                            opened.recoveryCode);
    } catch (const DataFileUnopenable &) {
        // A restore is the way out of a data file that does not open.
        if (c.name != QLatin1String("restore"))
            throw;
    }

    if (c.name == QLatin1String("import")) {
        QByteArray report;
        for (const ImportedClient &client : importDocument(input)) {
            report += "client\t" + QByteArray::number(client.clientId) + '\n';
            for (qint64 s : client.statementIds)
                report += "statement\t" + QByteArray::number(s) + '\n';
        }
        try {
            writeStandardOutput(out, report);
            flushStandardOutput(out);
        } catch (const StandardOutputError &e) {
            throw StandardOutputError{e.reason + QStringLiteral(" (the document was imported)")};
        }
    } else if (c.name == QLatin1String("export")) {
        writeOutput(c.positional.value(0), out, [&] { return exportDocument(id); });
    } else if (c.name == QLatin1String("list")) {
        writeLines(out, listStatements(c.options.value(QStringLiteral("search"))));
    } else if (c.name == QLatin1String("info")) {
        writeLines(out, dataInformation());
    } else if (c.name == QLatin1String("options")) {
        if (assignments.empty())
            writeLines(out, userOptions());
        else
            setUserOptions(assignments);
    } else if (c.name == QLatin1String("backup") || c.name == QLatin1String("restore")) {
        const QString folder = c.positional[0];
        const QString line = c.name == QLatin1String("backup")
                                 ? backupToFolder(folder, c.options.contains(QStringLiteral("replace")))
                                 : restoreFromFolder(folder, password);
        writeLines(out, {printable(line)});
    } else if (changesPassword) {
        if (newPassword.empty()) {
            newPassword = promptPassword("New password: ");
            if (newPassword.empty())
                throw CliError(QStringLiteral("the new password is empty; the password is unchanged"));
            if (!(promptPassword("Repeat the new password: ") == newPassword))
                throw CliError(QStringLiteral("the new passwords typed differ; the password is unchanged"));
        }
        module.ChangePassword(newPassword);
        writeLines(out, {QStringLiteral("Password changed.")});
    } else if (c.name == QLatin1String("pdf")) {
        const QString style = c.options.value(QStringLiteral("style"), QStringLiteral("standard"));
        writeOutput(c.options.value(QStringLiteral("output")), out, [&] { return statementPdf(*id, style, warn); });
    } else if (c.name == QLatin1String("mail")) {
        const bool blank = c.options.contains(QStringLiteral("blank"));
        const QString style = blank ? c.options.value(QStringLiteral("blank"))
                                    : c.options.value(QStringLiteral("style"), QStringLiteral("standard"));
        // Each line as it happens, so that a slow server shows where it
        // waits. The lines arrive inside an event loop, which no exception
        // may cross: a failed write is kept and reported after the send.
        std::optional<StandardOutputError> outputError;
        const bool sent = mailStatement(blank ? std::nullopt : id, style, c.options.value(QStringLiteral("to")),
                                        [&out, &outputError](const QString &line) {
                                            if (outputError)
                                                return;
                                            try {
                                                writeStandardOutput(out, (printable(line) + QLatin1Char('\n')).toUtf8());
                                                flushStandardOutput(out);
                                            } catch (const StandardOutputError &e) {
                                                outputError = e;
                                            }
                                        },
                                        warn);
        if (outputError)
            throw StandardOutputError{outputError->reason + (sent ? QStringLiteral(" (the mail was sent)")
                                                                  : QStringLiteral(" (the mail was not sent)"))};
        return sent ? Ok : Failed;
    } else if (c.name == QLatin1String("review")) {
        const ReviewOutput review = reviewReport(*id, reviewDay(c), c.options.contains(QStringLiteral("json")));
        writeStandardOutput(out, review.text);
        return review.hasFix ? Failed : Ok;
    } else {
        recalcStatement(*id);
    }
    return Ok;
}

}  // namespace

int runCli(const QStringList &arguments, QIODevice &in, QIODevice &out, QIODevice &err)
{
    const auto fail = [&err](const QString &text, int status) {
        err.write((QStringLiteral("nettora-cli: ") + oneLine(text) + QLatin1Char('\n')).toUtf8());
        return status;
    };
    // Taken out of the environment whatever the command, so that nothing
    // this program starts (a mail server's connection, a PDF printer) sees it.
    SecretBytes environmentPassword = takeEnvironmentPassword();
    // A review's status 1 says that something must be fixed: a review that
    // could not be made says so with 2, never with 1.
    int failed = Failed;
    try {
        const Command c = parse(arguments);
        if (c.name == QLatin1String("review"))
            failed = Usage;
        int status = Ok;
        if (c.help)
            writeStandardOutput(out, kUsage);
        else if (c.version)
            writeStandardOutput(out, QByteArrayLiteral("nettora-cli " NETTORA_VERSION "\n"));
        else
            status = execute(c, in, out, err, environmentPassword);
        flushStandardOutput(out);
        return status;
    } catch (const UsageError &e) {
        return fail(e.text + QStringLiteral(" (see nettora-cli --help)"), Usage);
    } catch (const NoPassword &e) {
        return fail(e.text, Usage);
    } catch (const StandardOutputError &e) {
        return fail(QStringLiteral("cannot write to standard output: ") + e.reason, failed);
    } catch (const OutputFileError &e) {
        return fail(QStringLiteral("cannot write \"%1\": %2").arg(e.path(), e.reason()), failed);
    } catch (const Error &e) {
        return fail(e.text(), failed);
    } catch (const std::exception &e) {
        return fail(QString::fromLocal8Bit(e.what()), failed);
    }
}

}  // namespace nettora::cli
