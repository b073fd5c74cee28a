#include "platform/linux/proc/ProcFs.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace stirwell::procfs {

void forEachPid(int procFd, const std::function<void(qint64 pid, const char *name)> &visit)
{
    forEachPidEntry(procFd, [&](qint64 pid, const char *name, quint64) { visit(pid, name); });
}

void forEachPidEntry(int procFd, const std::function<void(qint64 pid, const char *name, quint64 inode)> &visit)
{
    const int fd = ::openat(procFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (*name < '0' || *name > '9')
            continue;
        qint64 pid = 0;
        bool numeric = true;
        for (const char *c = name; *c; ++c) {
            if (*c < '0' || *c > '9') {
                numeric = false;
                break;
            }
            pid = pid * 10 + (*c - '0');
        }
        if (numeric)
            visit(pid, name, entry->d_ino);
    }
    ::closedir(dir);
}

QByteArray readSmallFile(int dirFd, const char *relativePath, qsizetype limit)
{
    const int fd = ::openat(dirFd, relativePath, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray bytes(limit, Qt::Uninitialized);
    qsizetype used = 0;
    while (used < limit) {
        const ssize_t n = ::read(fd, bytes.data() + used, static_cast<size_t>(limit - used));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        used += n;
    }
    ::close(fd);
    bytes.truncate(used);
    return bytes;
}

QByteArray readLink(int dirFd, const char *relativePath)
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlinkat(dirFd, relativePath, buffer, sizeof buffer);
    if (n <= 0)
        return {};
    return QByteArray(buffer, n);
}

} // namespace stirwell::procfs
