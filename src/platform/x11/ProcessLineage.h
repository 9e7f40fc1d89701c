#pragma once
// What the kernel tells of a local process through /proc: its parent and when it started (a
// process id is only one process together with its start time), the names of its program, and
// variables of the environment it was started with, the latter for this user's own processes only. Every read
// is bounded in size.

#include "platform/WindowSystem.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QStringList>
#include <map>
#include <optional>

namespace fw {

struct ProcessStat {
    Pid parent = 0;
    quint64 startTime = 0; // clock ticks after boot
};

// The parent and start time of a running process; nothing when it is gone (also when it has
// ended and waits to be reaped) or unreadable.
std::optional<ProcessStat> processStat(Pid pid);

// The values of the named variables in the environment the process was started with (the
// first of each name counts); empty for another user's process or one that cannot be read.
// At most the first 256 KiB of the environment are read.
std::map<QByteArray, QByteArray> processEnvironment(Pid pid, const QByteArrayList& names);

// The file names the process's program goes by: its executable's (/proc/<pid>/exe, of this
// user's processes) and its first argument's, each once; empty for a process that is gone.
QStringList processProgramNames(Pid pid);

// A numbered field of /proc/<pid>/stat's text, counted as proc(5) does (4 is the parent, 22 the
// start time), found after the command's closing parenthesis. Nothing when it is not a number.
std::optional<quint64> statField(const QByteArray& stat, int field);

} // namespace fw
