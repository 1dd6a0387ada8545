#include "cli/cli_commands.h"
#include "cli/cli_pdf.h"
#include "cli/cli_text.h"

#include "kit/dialogs.h"
#include "data/datamodule.h"
#include "data/failure_cause.h"
#include "data/output_file.h"

#include <QFile>
#include <QFileDevice>
#include <QIODevice>

namespace nettora::cli {

namespace {

const char *const kUsage =
    "Usage: nettora-cli [--data-dir DIR] COMMAND\n"
    "\n"
    "Commands:\n"
    "  import FILE                  add the clients and statements of a document (FILE or - for standard input)\n"
    "  export [--client ID] FILE    write every client, or one, as a document (FILE or - for standard output)\n"
    "  list [--search TEXT]         one line per statement: id, client, date, description, net worth\n"
    "  info                         the data directory, the data file's version and size, the numbers of\n"
    "                               clients and statements\n"
    "  recalc --statement ID        run every recalculation of one statement\n"
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
    "\n"
    "The data directory is DIR, else NETTORA_DATA_DIR, else the program's own.\n";

enum Exit { Ok = 0, Failed = 1, Usage = 2 };

// No password was given where the data needs one.
struct NoPassword {
    QString text;
};

// The login password that opens the data.
SecretBytes cliPassword()
{
    QByteArray env = qgetenv("NETTORA_PASSWORD");
    // Read once and gone from the environment, so nothing started later inherits it.
    qunsetenv("NETTORA_PASSWORD");
    if (env.isEmpty())
        throw NoPassword{QStringLiteral("the data needs the login password: give it with --password-file FILE, "
                                        "--password-stdin or NETTORA_PASSWORD")};
    SecretBytes password(size_t(env.size()));
    memcpy(password.data(), env.constData(), size_t(env.size()));
    wipe(env);
    return password;
}

// The user name a new data directory gets: the system's name for this user.
QString cliNewUser()
{
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
    bool help = false;
};

Command parse(const QStringList &args)
{
    static const QStringList valued = {QStringLiteral("data-dir"), QStringLiteral("client"), QStringLiteral("search"),
                                       QStringLiteral("statement"), QStringLiteral("style"), QStringLiteral("output"),
                                       QStringLiteral("blank"), QStringLiteral("to"), QStringLiteral("stdin")};
    static const QStringList flags = {QStringLiteral("replace")};
    Command c;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            c.help = true;
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

int execute(const Command &c, QIODevice &in, QIODevice &out, QIODevice &err)
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
        if (c.options.contains(QStringLiteral("stdin"))) {
            const QString field = c.options.value(QStringLiteral("stdin"));
            if (field.isEmpty())
                throw UsageError{QStringLiteral("--stdin needs a field name")};
            // Checked as if it had been typed FIELD=VALUE, with the others.
            assignments = parseUserAssignments(c.positional + QStringList{field + QLatin1Char('=') +
                                                                          readValueLine(in, field)});
        }
    } else if (c.name.isEmpty()) {
        throw UsageError{QStringLiteral("no command given")};
    } else {
        throw UsageError{QStringLiteral("unknown command \"%1\"").arg(shortened(c.name))};
    }
    if (c.name == QLatin1String("import"))
        input = readInput(c.positional.value(0), in);

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

    Tdm1 module;
    Tdm1 *const previous = dm1;
    dm1 = &module;
    struct Restore {
        Tdm1 *previous;
        ~Restore() { dm1 = previous; }
    } restore{previous};
    // Kept for a restore, which tries it on a backup's own key file.
    const SecretBytes password = cliPassword();
    try {
        module.ConnectDb(resolveDataDirectory(c.dataDir.value_or(QString())), password, cliNewUser());
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
    try {
        const Command c = parse(arguments);
        int status = Ok;
        if (c.help)
            writeStandardOutput(out, kUsage);
        else
            status = execute(c, in, out, err);
        flushStandardOutput(out);
        return status;
    } catch (const UsageError &e) {
        return fail(e.text + QStringLiteral(" (see nettora-cli --help)"), Usage);
    } catch (const NoPassword &e) {
        return fail(e.text, Usage);
    } catch (const StandardOutputError &e) {
        return fail(QStringLiteral("cannot write to standard output: ") + e.reason, Failed);
    } catch (const OutputFileError &e) {
        return fail(QStringLiteral("cannot write \"%1\": %2").arg(e.path(), e.reason()), Failed);
    } catch (const Error &e) {
        return fail(e.text(), Failed);
    } catch (const std::exception &e) {
        return fail(QString::fromLocal8Bit(e.what()), Failed);
    }
}

}  // namespace nettora::cli
