#include "cli/cli_password.h"

#include "cli/cli_commands.h"

#include <QFile>
#include <QIODevice>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace nettora::cli {

namespace {

// Reads bytes from next (a byte, or -1 at the end) up to the line end into
// guarded memory, never into a buffer that would keep a copy.
template<typename Next>
SecretBytes readSecretLine(Next next, const QString &source)
{
    SecretBytes line(MaxPasswordBytes);
    size_t n = 0;
    for (int c = next(); c >= 0 && c != '\n'; c = next()) {
        if (n == line.size())
            throw CliError(QStringLiteral("the password in %1 is longer than %2 bytes").arg(source).arg(MaxPasswordBytes));
        line.data()[n++] = static_cast<unsigned char>(c);
    }
    if (n > 0 && line.data()[n - 1] == '\r')
        --n;
    SecretBytes exact(n);
    if (n > 0)
        memcpy(exact.data(), line.data(), n);
    return exact;
}

int readByte(int fd)
{
    unsigned char c = 0;
    for (;;) {
        const ssize_t got = ::read(fd, &c, 1);
        if (got == 1)
            return c;
        if (got < 0 && errno == EINTR)
            continue;
        return -1;
    }
}

// The terminal whose echo is off, for the signal handler to turn it on again.
volatile sig_atomic_t g_quietTerminal = -1;
struct termios g_terminalModes {};
constexpr std::array<int, 4> EndingSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void restoreEchoAndEnd(int signal)
{
    if (g_quietTerminal >= 0)
        ::tcsetattr(g_quietTerminal, TCSAFLUSH, &g_terminalModes);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Echo off for as long as it lives, the terminal's modes and the signals'
// handlers as they were afterwards.
class QuietTerminal {
public:
    explicit QuietTerminal(int fd) : m_fd(fd)
    {
        if (::tcgetattr(fd, &m_modes) != 0)
            throw CliError(QStringLiteral("cannot ask for the password: the terminal cannot be set up (%1)")
                               .arg(QString::fromLocal8Bit(strerror(errno))));
        g_terminalModes = m_modes;
        g_quietTerminal = fd;
        struct sigaction restore {};
        restore.sa_handler = restoreEchoAndEnd;
        sigemptyset(&restore.sa_mask);
        for (size_t i = 0; i < EndingSignals.size(); ++i)
            ::sigaction(EndingSignals[i], &restore, &m_previous[i]);
        struct termios quiet = m_modes;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;  // the Enter still moves to the next line
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    ~QuietTerminal()
    {
        ::tcsetattr(m_fd, TCSAFLUSH, &m_modes);
        g_quietTerminal = -1;
        for (size_t i = 0; i < EndingSignals.size(); ++i)
            ::sigaction(EndingSignals[i], &m_previous[i], nullptr);
    }
    QuietTerminal(const QuietTerminal &) = delete;
    QuietTerminal &operator=(const QuietTerminal &) = delete;

private:
    int m_fd;
    struct termios m_modes {};
    std::array<struct sigaction, EndingSignals.size()> m_previous{};
};

}  // namespace

SecretBytes takeEnvironmentPassword()
{
    QByteArray value = qgetenv("NETTORA_PASSWORD");
    qunsetenv("NETTORA_PASSWORD");
    SecretBytes password(size_t(value.size()));
    if (!value.isEmpty())
        memcpy(password.data(), value.constData(), size_t(value.size()));
    wipe(value);
    return password;
}

SecretBytes readPasswordFile(const QString &path, const std::function<void(const QString &)> &warn)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw CliError(QStringLiteral("cannot read the password file \"%1\": %2")
                           .arg(path, QString::fromLocal8Bit(strerror(errno))));
    struct Close {
        int fd;
        ~Close() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    const bool known = ::fstat(fd, &st) == 0;
    if (known && S_ISDIR(st.st_mode))
        throw CliError(QStringLiteral("cannot read the password file \"%1\": it is a folder").arg(path));
    if (known && S_ISREG(st.st_mode) && (st.st_mode & (S_IRGRP | S_IROTH)))
        warn(QStringLiteral("the password file \"%1\" can be read by others; make it yours alone (chmod 600)").arg(path));
    return readSecretLine([fd] { return readByte(fd); }, QStringLiteral("\"%1\"").arg(path));
}

SecretBytes readPasswordLine(QIODevice &in)
{
    return readSecretLine(
        [&in] {
            char c = 0;
            return in.getChar(&c) ? int(static_cast<unsigned char>(c)) : -1;
        },
        QStringLiteral("standard input"));
}

bool canPrompt(const QIODevice &in)
{
    const auto *file = qobject_cast<const QFile *>(&in);
    return file && file->handle() == STDIN_FILENO && ::isatty(STDIN_FILENO);
}

SecretBytes promptPassword(const char *prompt)
{
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw CliError(QStringLiteral("cannot ask for the password: the terminal cannot be opened (%1)")
                           .arg(QString::fromLocal8Bit(strerror(errno))));
    struct Close {
        int fd;
        ~Close() { ::close(fd); }
    } closer{fd};
    QuietTerminal quiet(fd);
    const size_t length = strlen(prompt);
    if (::write(fd, prompt, length) != ssize_t(length))
        throw CliError(QStringLiteral("cannot ask for the password: the terminal takes no text"));
    return readSecretLine([fd] { return readByte(fd); }, QStringLiteral("the answer"));
}

}  // namespace nettora::cli
