#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace stirwell::procfs {

// Small helpers over a /proc tree given by an open directory descriptor, so
// that a test can point them at a tree of its own.

// Calls `visit(pid, name)` for every numeric entry of the directory `dirFd`.
void forEachPid(int procFd, const std::function<void(qint64 pid, const char *name)> &visit);
// The same with each entry's inode number: in /proc a process directory gets
// a new one when its pid is reused by another process.
void forEachPidEntry(int procFd, const std::function<void(qint64 pid, const char *name, quint64 inode)> &visit);
// The whole (small) file `relativePath` under `dirFd`; empty when unreadable.
[[nodiscard]] QByteArray readSmallFile(int dirFd, const char *relativePath, qsizetype limit = 4096);
// The target of the symbolic link `relativePath` under `dirFd`; empty when
// it cannot be read.
[[nodiscard]] QByteArray readLink(int dirFd, const char *relativePath);

} // namespace stirwell::procfs
