#pragma once
// The open descriptors of a process as /proc shows them: each number with what it links to
// ("/dev/null", "socket:[123]", "pipe:[456]", …).

#include <QDir>
#include <QFile>
#include <QString>

#include <map>
#include <string>
#include <sys/types.h>
#include <unistd.h>

namespace fw::test {

// The calling process's own for pid 0.
inline std::map<int, std::string> processDescriptors(pid_t pid)
{
    const QString folder = pid > 0 ? u"/proc/%1/fd"_qs.arg(pid) : u"/proc/self/fd"_qs;
    std::map<int, std::string> out;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
        char target[4096];
        const ssize_t n = ::readlink(QFile::encodeName(folder + u'/' + name).constData(), target, sizeof target);
        if (n > 0)
            out.emplace(name.toInt(), std::string(target, std::size_t(n)));
    }
    return out;
}

// The process's descriptors past its standard three that stay open across an exec (no
// close-on-exec flag in /proc/<pid>/fdinfo), each with what it links to.
inline std::map<int, std::string> descriptorsKeptOnExec(pid_t pid)
{
    std::map<int, std::string> kept;
    for (const auto& [number, target] : processDescriptors(pid)) {
        QFile info(u"/proc/%1/fdinfo/%2"_qs.arg(pid).arg(number));
        if (number <= 2 || !info.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : info.readAll().split('\n')) {
            // "flags:" in octal; O_CLOEXEC is 02000000.
            if (line.startsWith("flags:") && !(line.mid(6).trimmed().toULongLong(nullptr, 8) & 02000000))
                kept.emplace(number, target);
        }
    }
    return kept;
}

} // namespace fw::test
