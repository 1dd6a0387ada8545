#include "data/durable_file.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace nettora {

namespace {

constexpr const char *SidecarSuffixes[] = {"-wal", "-shm", "-journal"};

}  // namespace

void UniqueFd::reset()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

int UniqueFd::closeChecked()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd >= 0 ? ::close(fd) : 0;
}

void syncFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    syncFolderAt(fd);
    ::close(fd);
}

void syncFolderAt(int dirFd)
{
    ::fsync(dirFd);
}

int syncAndClose(int fd)
{
    const int synced = ::fsync(fd) == 0 ? 0 : errno;
    const int closed = ::close(fd) == 0 ? 0 : errno;
    return synced ? synced : closed;
}

int syncAndClose(UniqueFd &fd)
{
    if (::fsync(fd.get()) != 0)
        return errno;
    return fd.closeChecked() == 0 ? 0 : errno;
}

int renameReplacing(const QString &from, const QString &to)
{
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0 ? 0 : errno;
}

int renameReplacingAt(int fromDir, const QString &from, int toDir, const QString &to)
{
    return ::renameat(fromDir, QFile::encodeName(from).constData(), toDir, QFile::encodeName(to).constData()) == 0
               ? 0
               : errno;
}

int replaceFile(const QString &source, const QString &target)
{
    syncFile(source);
    if (const int error = renameReplacing(source, target))
        return error;
    syncFolder(QFileInfo(target).absolutePath());
    return 0;
}

void removeSidecars(const QString &dbFile)
{
    for (const char *suffix : SidecarSuffixes)
        QFile::remove(dbFile + QLatin1String(suffix));
}

void removeSidecarsAt(int dirFd, const QString &name)
{
    for (const char *suffix : SidecarSuffixes)
        ::unlinkat(dirFd, QFile::encodeName(name + QLatin1String(suffix)).constData(), 0);
}

}  // namespace nettora
