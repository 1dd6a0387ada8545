// nettora-cli entry: an application object without a display, then the
// commands of cli_commands.h on the standard streams.
#include "cli/cli_commands.h"

#include <QApplication>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A standard stream the caller closed (nettora-cli >&-) would hand its
// number to the next file opened, and output meant for the terminal would
// land in it. A placeholder opened read-only takes the number instead, so
// that writing to the closed stream fails and is reported.
void holdClosedStandardStreams()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int placeholder = ::open("/dev/null", O_RDONLY);
        if (placeholder >= 0 && placeholder != fd) {
            ::dup2(placeholder, fd);
            ::close(placeholder);
        }
    }
}

}  // namespace

int main(int argc, char *argv[])
{
    holdClosedStandardStreams();
    // A reader that went away is a failed write like any other, reported
    // with a message and status 1 rather than a silent end by signal.
    std::signal(SIGPIPE, SIG_IGN);
    // No window is ever shown, but printing to PDF needs a platform; the
    // offscreen one works on a machine without a display.
    // Taken before Qt sees them: it would consume words such as -style
    // even where they are a search text.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    // Standard error carries only the program's own one-line messages, not
    // Qt's notes about the environment (such as a missing runtime folder).
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "nettora-cli: %s\n", text.toLocal8Bit().constData());
    });
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nettora"));
    QApplication::setApplicationVersion(QStringLiteral(NETTORA_VERSION));

    QFile in, out, err;
    // Read straight from the descriptor: a password given on standard input
    // must not linger in a buffer of the C library or of Qt.
    in.open(STDIN_FILENO, QIODevice::ReadOnly | QIODevice::Unbuffered);
    out.open(stdout, QIODevice::WriteOnly);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    const int status = nettora::cli::runCli(arguments, in, out, err);
    out.flush();
    return status;
}
