#include "data/output_file.h"

#include "data/durable_file.h"
#include "data/failure_cause.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nettora {

namespace {

QString errnoText(int code)
{
    return systemCause(code);
}

}  // namespace

QString outputFileRefusal(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT ? QString() : errnoText(errno);
    if (S_ISREG(st.st_mode))
        return QString();
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("it is a folder, not a regular file");
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("it is a symbolic link, not a regular file");
    if (S_ISFIFO(st.st_mode))
        return QStringLiteral("it is a named pipe (FIFO), not a regular file");
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return QStringLiteral("it is a device, not a regular file");
    if (S_ISSOCK(st.st_mode))
        return QStringLiteral("it is a socket, not a regular file");
    return QStringLiteral("it is not a regular file");
}

OutputFile::OutputFile(const QString &path) : m_path(path)
{
    if (path.isEmpty())
        fail(QStringLiteral("no file name is given"));
    if (const QString why = outputFileRefusal(path); !why.isEmpty())
        fail(why);

    // Beside the target, so that the rename stays within one file system.
    QByteArray name = QFile::encodeName(QDir(QFileInfo(path).path()).filePath(QStringLiteral(".nettora-XXXXXX")));
    m_fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (m_fd < 0)
        fail(errnoText(errno));
    m_temporaryPath = QFile::decodeName(name);
    // mkostemp creates 0600 already; said again so that no umask or
    // platform default decides who may read client data.
    if (::fchmod(m_fd, S_IRUSR | S_IWUSR) != 0)
        fail(errnoText(errno));
    m_file = std::make_unique<QFile>();
    if (!m_file->open(m_fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        fail(deviceCause(*m_file));
}

OutputFile::~OutputFile()
{
    discard();
}

QIODevice &OutputFile::device()
{
    return *m_file;
}

void OutputFile::commit()
{
    if (!m_file || m_fd < 0)
        fail(QStringLiteral("the file is already closed"));
    if (!m_file->flush() || m_file->error() != QFileDevice::NoError)
        fail(deviceCause(*m_file));
    m_file->close();
    const int fd = m_fd;
    m_fd = -1;
    if (const int error = syncAndClose(fd))
        fail(errnoText(error));
    // Something may have taken the target's place while the file was written.
    if (const QString why = outputFileRefusal(m_path); !why.isEmpty())
        fail(why);
    if (const int error = renameReplacing(m_temporaryPath, m_path))
        fail(errnoText(error));
    m_committed = true;
    // The rename is only as durable as the folder's entry.
    syncFolder(QFileInfo(m_path).path());
}

void OutputFile::fail(const QString &reason)
{
    discard();
    throw OutputFileError(m_path, reason);
}

void OutputFile::discard() noexcept
{
    if (m_file)
        m_file->close();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_committed && !m_temporaryPath.isEmpty()) {
        ::unlink(QFile::encodeName(m_temporaryPath).constData());
        m_temporaryPath.clear();
    }
}

void OutputFile::write(const QByteArray &data)
{
    if (!m_file)
        fail(QStringLiteral("the file is already closed"));
    // A disk that fills up takes part of a write without a word; only the
    // next write tells why it stopped.
    for (qint64 done = 0; done < data.size();) {
        const qint64 n = m_file->write(data.constData() + done, data.size() - done);
        if (n <= 0)
            fail(deviceCause(*m_file));
        done += n;
    }
}

void writeOutputFile(const QString &path, const QByteArray &data)
{
    OutputFile file(path);
    file.write(data);
    file.commit();
}

}  // namespace nettora
