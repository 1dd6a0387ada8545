#pragma once
// Making file changes last: a file's content synced before it is renamed
// into place and its folder synced after, so that a crash leaves either the
// old or the new file whole under its name; and the engine's sidecar files
// (-wal, -shm, -journal) beside a database file cleared away.
//
// Failures come back as errno values: each caller words its own message.

#include <QString>

namespace nettora {

// An open descriptor that closes itself.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd &&o) noexcept : m_fd(o.m_fd) { o.m_fd = -1; }
    UniqueFd &operator=(UniqueFd &&o) noexcept
    {
        if (this != &o) {
            reset();
            m_fd = o.m_fd;
            o.m_fd = -1;
        }
        return *this;
    }
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    void reset();
    // Closes and reports a failure of the close itself (a late write error).
    int closeChecked();

private:
    int m_fd = -1;
};

// Syncs the file at path, as far as it can be opened; nothing is reported.
void syncFile(const QString &path);
// Syncs a folder's entries, so that a name made or renamed in it lasts. Some
// file systems cannot sync a folder; the files themselves are synced, so
// nothing is reported.
void syncFolder(const QString &folder);
void syncFolderAt(int dirFd);

// Syncs an open file and closes it, also when the sync fails; 0, or the
// errno of the first failure (a late write error shows in the close).
int syncAndClose(int fd);
int syncAndClose(UniqueFd &fd);

// Renames from to to, replacing what stands there in one step; 0 or errno.
int renameReplacing(const QString &from, const QString &to);
// The same for names in folders held open (errno stays set for the caller).
int renameReplacingAt(int fromDir, const QString &from, int toDir, const QString &to);
// Replaces target by source in one step: source synced before the rename,
// target's folder after; 0, or the errno of a failed rename.
int replaceFile(const QString &source, const QString &target);

// Removes the engine's sidecar files beside a database file.
void removeSidecars(const QString &dbFile);
// The same for a file named in a folder held open.
void removeSidecarsAt(int dirFd, const QString &name);

}  // namespace nettora
