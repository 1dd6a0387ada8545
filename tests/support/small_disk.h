#pragma once
// A small file system of its own (tmpfs, which needs the right to mount),
// for a disk that fills up; unmounted when the object goes. Tests skip
// where mounted() is false.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <sys/mount.h>
#include <sys/statvfs.h>

namespace nettora::test {

class SmallDisk {
public:
    explicit SmallDisk(const QString &path) : m_path(path)
    {
        QDir().mkpath(path);
        m_mounted = ::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", 0, "size=4m,mode=0700") == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;
    bool mounted() const { return m_mounted; }
    QString path() const { return m_path; }

    // Shrinks the disk to what it holds plus the given room.
    bool leaveRoom(qint64 bytes)
    {
        struct statvfs st {};
        if (::statvfs(QFile::encodeName(m_path).constData(), &st) != 0)
            return false;
        const qint64 used = qint64(st.f_blocks - st.f_bfree) * qint64(st.f_frsize);
        return resize(used + bytes);
    }
    bool resize(qint64 bytes)
    {
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0700";
        return ::mount("tmpfs", QFile::encodeName(m_path).constData(), "tmpfs", MS_REMOUNT, options.constData()) == 0;
    }

private:
    QString m_path;
    bool m_mounted = false;
};

}  // namespace nettora::test
