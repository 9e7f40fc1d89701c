#pragma once
// Shared by the benchmarks that start the program itself on a real server (header only): the
// desk it starts on, and its resident size.

#include "BenchSupport.h"
#include "x11/ProgramSession.h"
#include "x11/XSession.h"

#include <QFile>

#include <cstdio>

namespace fw::bench {

// The number a field of a process's status starts with (VmRSS in kB, Threads); -1 when unknown.
inline double processStatus(pid_t pid, const QByteArray& field)
{
    QFile f(u"/proc/%1/status"_qs.arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').front().toDouble();
    }
    return -1;
}

// A process's resident size in megabytes; -1 when unknown.
inline double residentMegabytes(pid_t pid)
{
    const double kb = processStatus(pid, "VmRSS");
    return kb < 0 ? -1 : kb / 1024.0;
}

// Twenty windows, the xterm that is dragged ("dragged", at `geometry`) and nineteen others on
// the left monitor, and the defaults of a user who has seen this version's notes (no welcome
// and no What's New at start). The xterm; none when it did not start (said on stderr).
inline test::XSession::Client startProgramDesk(test::XSession& session, const char* geometry)
{
    session.startTestClient(u"other"_qs, {"--count", "19", "--size", "400x300", "--position", "100,100"});
    auto term = session.startXterm(u"dragged"_qs, {"-geometry", geometry});
    if (!term.window || !test::openedBefore(session)) {
        std::fprintf(stderr, "no xterm: %s\n", session.error().c_str());
        return {};
    }
    return term;
}

} // namespace fw::bench
