#include "mail/email_sequence.h"

#include "data/mail_address.h"
#include "mail/smtp_engine.h"

#include "data/datamodule.h"
#include "data/engine.h"
#include "data/preparer.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <stdexcept>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace nettora::mail {

namespace {

const QString kPasswordEcho = QStringLiteral("SMTP Password: *********");
const QString kClosing = QStringLiteral("Click on \"OK\" to exit this screen.");

// The first row of the user table as the file holds it: a send reads the
// saved settings and leaves every cursor, and any edit in progress, alone.
QStringList readUserFields(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &f : fields)
        quoted << QLatin1Char('"') + f + QLatin1Char('"');
    Statement st = dm1->db().prepare(
        QStringLiteral("SELECT %1 FROM \"User\" ORDER BY rowid LIMIT 1").arg(quoted.join(QStringLiteral(", "))));
    QStringList values;
    const bool found = st.step();
    for (int i = 0; i < fields.size(); ++i)
        values << (found ? st.columnText(i) : QString());
    return values;
}

struct SequenceTexts {
    QString failureClosing;
    QStringList successClosing;
};

// Steps 3 to 7 shared by the statement and the test message: each step
// runs even after an earlier one failed; a failing step writes its code's
// line (and the sentence that explains it) and closes the engine.
bool runEngine(const EmailSettings &settings, const QString &recipient, const QString &subject,
               const QString &message, const QString &attachment, const SequenceTexts &texts,
               const StatusSink &status)
{
    SmtpEngine engine;
    bool failed = false;
    // The engine takes the sender's name and address as one text, in which
    // a second address smuggled into the address ("pat@x>, <e@y") would
    // pass for part of the name; here the two are still apart.
    const QString senderAddress = settings.emailAddress.trimmed();
    const bool senderRefused = !senderAddress.isEmpty() && !IsOneEmailAddress(senderAddress);
    QString refusal;
    const auto step = [&](int rc, const QString &success) {
        if (rc >= 0) {
            status(success);
            return;
        }
        failed = true;
        status(engineErrorText(rc));
        const QString detail = refusal.isEmpty() ? engine.lastFailureDetail() : refusal;
        if (!detail.isEmpty())
            status(detail);
        engine.seeClose(0);
        engine.seeRelease();
    };
    // A step the sequence refuses itself, with the engine's code for it.
    const auto refuseSender = [&] {
        refusal = NotOneEmailAddressText(senderAddress);
        return int(BadCharacterCode);
    };
    step(engine.seeAttach(1), QStringLiteral("Email engine successfully started..."));
    engine.seeIntegerParam(0, ParamAuthenticate, 1);
    engine.seeStringParam(0, ParamUserName, settings.smtpUserName);
    engine.seeStringParam(0, ParamPassword, settings.smtpPassword);
    const QString sender = settings.emailName + QLatin1Char('<') + settings.emailAddress + QLatin1Char('>');
    step(senderRefused ? refuseSender() : engine.seeSmtpConnect(0, settings.smtpServer, sender, QString()),
         QStringLiteral("Connection to email sever successful..."));
    step(senderRefused ? refuseSender()
                       : engine.seeSendEmail(0, recipient, QString(), QString(), subject, message, attachment),
         QStringLiteral("Email sent successfully..."));
    if (failed) {
        status(texts.failureClosing);
        status(kClosing);
        return false;
    }
    engine.seeClose(0);
    engine.seeRelease();
    for (const QString &line : texts.successClosing)
        status(line);
    status(kClosing);
    return true;
}

void echoSettings(const QString &recipient, const EmailSettings &settings, const StatusSink &status)
{
    status(QStringLiteral("To: ") + recipient);
    status(QStringLiteral("From: ") + settings.emailName);
    status(QStringLiteral("SMTP Server: ") + settings.smtpServer);
    status(QStringLiteral("SMTP Username: ") + settings.smtpUserName);
    // The same nine stars whatever the password, so not even its length shows.
    status(kPasswordEcho);
}

// The folder of the send under way, for a signal handler to remove: a fixed
// buffer, written before it is marked in use.
char g_liveFolder[4096];
volatile std::sig_atomic_t g_liveFolderSet = 0;

// Async-signal-safe: the folder's files, then the folder. Removing entries
// while the folder is read may skip some, so it is read again until empty.
void removeFolderFromHandler(const char *path)
{
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        alignas(dirent64) char buffer[4096];
        for (int pass = 0; pass < 4; ++pass) {
            bool removed = false;
            ::lseek(fd, 0, SEEK_SET);
            for (ssize_t n; (n = ::getdents64(fd, buffer, sizeof buffer)) > 0;) {
                for (ssize_t at = 0; at < n;) {
                    const auto *entry = reinterpret_cast<const dirent64 *>(buffer + at);
                    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                        removed = ::unlinkat(fd, entry->d_name, 0) == 0 || removed;
                    at += entry->d_reclen;
                }
            }
            if (!removed)
                break;
        }
        ::close(fd);
    }
    ::rmdir(path);
}

extern "C" void endOnSignal(int signalNumber)
{
    if (g_liveFolderSet)
        removeFolderFromHandler(g_liveFolder);
    ::_exit(128 + signalNumber);
}

// While it lives, SIGINT, SIGTERM and SIGHUP remove the folder and end the
// program with 128 + the signal's number, as the default action would have
// ended it, only not leaving the statement behind. A signal the program
// ignores (nohup) stays ignored.
class RemovedOnSignal {
public:
    explicit RemovedOnSignal(const QString &folder)
    {
        const QByteArray path = QFile::encodeName(folder);
        if (path.size() >= qsizetype(sizeof g_liveFolder))
            return;  // not expected under a temporary folder; the next send's sweep takes it
        std::memcpy(g_liveFolder, path.constData(), size_t(path.size()) + 1);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        g_liveFolderSet = 1;
        struct sigaction action = {};
        action.sa_handler = endOnSignal;
        sigemptyset(&action.sa_mask);
        for (const int s : kSignals)
            sigaddset(&action.sa_mask, s);
        for (size_t i = 0; i < std::size(kSignals); ++i) {
            struct sigaction old = {};
            m_installed[i] = ::sigaction(kSignals[i], nullptr, &old) == 0 && old.sa_handler != SIG_IGN &&
                             ::sigaction(kSignals[i], &action, &m_previous[i]) == 0;
        }
    }
    ~RemovedOnSignal()
    {
        for (size_t i = 0; i < std::size(kSignals); ++i)
            if (m_installed[i])
                ::sigaction(kSignals[i], &m_previous[i], nullptr);
        g_liveFolderSet = 0;
    }
    RemovedOnSignal(const RemovedOnSignal &) = delete;
    RemovedOnSignal &operator=(const RemovedOnSignal &) = delete;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction m_previous[std::size(kSignals)] = {};
    bool m_installed[std::size(kSignals)] = {};
};

}  // namespace

EmailSettings ReadEmailSettings()
{
    const QStringList v = readUserFields({QStringLiteral("EmailName"), QStringLiteral("EmailAddress"),
                                          QStringLiteral("SMTPServer"), QStringLiteral("SMTPUserName"),
                                          QStringLiteral("SMTPPassword")});
    return {v[0], v[1], v[2], v[3], v[4]};
}

Signature ReadSignature()
{
    const QStringList v = readUserFields({QStringLiteral("FirstName"), QStringLiteral("MiddleInitial"),
                                          QStringLiteral("LastName"), QStringLiteral("Company"),
                                          QStringLiteral("Phone"), QStringLiteral("Fax")});
    return {v[0], v[1], v[2], v[3], v[4], v[5]};
}

QString GeneratedEmailSubject(const QString &clientFullName2, const QString &statementDescription)
{
    return QStringLiteral("RE: ") + clientFullName2 + QStringLiteral(" - ") + statementDescription;
}

QString GeneratedEmailText(const QString &clientFullName2, const Signature &signature)
{
    QString name = composedName(signature.firstName, signature.middleInitial, signature.lastName);
    if (!signature.company.isEmpty())
        name += QLatin1Char('\n') + signature.company;
    const QStringList lines = {
        QStringLiteral("Attached is the financial statement for ") + clientFullName2 + QLatin1Char('.'),
        QString(),
        QStringLiteral("If you have any questions, please contact me."),
        QString(),
        QStringLiteral("Sincerely,"),
        QString(),
        QString(),
        name,
        signature.phone,
        signature.fax,
    };
    return lines.join(QLatin1Char('\n'));
}

bool EmailPDF(const EmailSettings &settings, const OutgoingEmail &email, const StatusSink &status)
{
    status(QStringLiteral("Preparing to Email File."));
    const QString recipient = QLatin1Char('<') + email.to + QLatin1Char('>');
    echoSettings(recipient, settings, status);
    return runEngine(settings, recipient, email.subject, email.message, email.attachment,
                     {QStringLiteral("Errors: Please verify that the email information is correct."), {}}, status);
}

bool SendTestEmail(const EmailSettings &settings, const StatusSink &status)
{
    const QString a = QLatin1Char('<') + settings.emailAddress + QLatin1Char('>');
    const QString f = settings.emailName + a;
    const QString s = QStringLiteral("Personal Financial Statement Email Test ");
    echoSettings(a, settings, status);
    const QString body = QStringLiteral("To: ") + a + QStringLiteral("\n\r") + QStringLiteral("Fm: ") + f +
                         QStringLiteral("\n\r") + QStringLiteral("Re: ") + s + QStringLiteral("\n\r") +
                         QStringLiteral("\n\r") + QStringLiteral("Email test was successful!!!");
    return runEngine(settings, a, s, body, QString(),
                     {QStringLiteral("Errors: Please check the email information that has been entered."),
                      {QStringLiteral("Email setup was successful..."),
                       QStringLiteral("Please check your inbox for the test message.")}},
                     status);
}

bool RunOffWindowThread(const std::function<bool(const StatusSink &)> &work, const StatusSink &status)
{
    if (!QCoreApplication::instance())
        return work(status);

    // Lines and the end are posted to one receiver on this thread, so they
    // arrive in the order the work wrote them, the end last.
    QObject receiver;
    QEventLoop loop;
    bool result = false;
    std::exception_ptr error;
    const StatusSink post = [&receiver, &status](const QString &line) {
        QMetaObject::invokeMethod(&receiver, [&status, line] { status(line); }, Qt::QueuedConnection);
    };
    std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            result = work(post);
        } catch (...) {
            error = std::current_exception();
        }
        QMetaObject::invokeMethod(&receiver, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    }));
    worker->start();
    loop.exec();
    worker->wait();
    if (error)
        std::rethrow_exception(error);
    return result;
}

QString PlainFileName(const QString &name)
{
    QString s = name;
    for (QChar &c : s)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control ||
            c.category() == QChar::Other_Format)
            c = QLatin1Char('_');
    s = s.trimmed();
    if (s.isEmpty() || s == QLatin1String(".") || s == QLatin1String(".."))
        s = QStringLiteral("Statement");
    return s;
}

QString PdfFileNameFor(const QString &clientFullName2)
{
    return PlainFileName(clientFullName2) + QStringLiteral(".pdf");
}

void RemoveAbandonedWorkFolders()
{
    static const QRegularExpression name(QStringLiteral("^nettora-mail-([0-9]+)-"));
    const QDir temp(QDir::tempPath());
    const QFileInfoList entries = temp.entryInfoList({QStringLiteral("nettora-mail-*")},
                                                     QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QFileInfo &entry : entries) {
        const QRegularExpressionMatch m = name.match(entry.fileName());
        bool ok = false;
        const qint64 pid = m.hasMatch() ? m.captured(1).toLongLong(&ok) : 0;
        if (!ok || pid <= 0 || pid > std::numeric_limits<pid_t>::max() || entry.isSymLink() ||
            entry.ownerId() != ::getuid())
            continue;
        // Only a process that no longer exists: EPERM means it lives under
        // another user.
        if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            continue;
        QDir(entry.filePath()).removeRecursively();
    }
}

bool SendPdfByEmail(const EmailSettings &settings, OutgoingEmail email, const QString &fileName,
                    const std::function<void(const QString &folder, const QString &fileName,
                                             const StatusSink &status)> &makePdf,
                    const StatusSink &status)
{
    // A run that was killed outright left its statement behind; this is the
    // first chance to take it away.
    RemoveAbandonedWorkFolders();
    // A folder of our own for each send: nobody else can read the statement
    // while it waits, and removing the folder leaves nothing behind. Its
    // name carries our process id, so that a later send can tell when it
    // was abandoned.
    QTemporaryDir folder(QDir(QDir::tempPath())
                             .filePath(QStringLiteral("nettora-mail-%1-XXXXXX").arg(qint64(::getpid()))));
    if (!folder.isValid())
        throw std::runtime_error(
            QStringLiteral("Cannot create a working folder for the e-mail: %1").arg(folder.errorString()).toStdString());
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString name = PlainFileName(fileName);
    email.attachment = QDir(folder.path()).filePath(name);
    // Ended by a signal meanwhile, the program takes the folder with it.
    const RemovedOnSignal guard(folder.path());
    try {
        makePdf(folder.path(), name, status);
        const bool sent = RunOffWindowThread(
            [&settings, &email](const StatusSink &sink) { return EmailPDF(settings, email, sink); }, status);
        folder.remove();
        return sent;
    } catch (...) {
        folder.remove();
        throw;
    }
}

}  // namespace nettora::mail
