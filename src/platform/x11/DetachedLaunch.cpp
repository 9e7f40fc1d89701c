// Starts programs detached as a desktop launcher does (own session, home folder, no startup id
// or activation token, no shell), and finds a program by name on PATH.
#include "platform/x11/DetachedLaunch.h"

#include "base/ChildDescriptors.h"
#include "base/XdgDirs.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fw {

namespace {

// NUL-terminated pointers into the byte arrays, which must outlive them.
std::vector<char*> pointers(std::vector<QByteArray>& strings)
{
    std::vector<char*> out;
    out.reserve(strings.size() + 1);
    for (QByteArray& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

constexpr char kDesktopFileVariable[] = "GIO_LAUNCHED_DESKTOP_FILE=";
constexpr char kDesktopFilePidVariable[] = "GIO_LAUNCHED_DESKTOP_FILE_PID=";
constexpr int kPidDigits = 20;

// This process's environment without what would ask the window manager to focus the program
// and without the marks of the entry that started this process; with a desktop file, its marks
// for the program, the process id left blank for the program to fill in (the last entry).
std::vector<QByteArray> launchEnvironment(const QString& desktopFile)
{
    std::vector<QByteArray> env;
    for (char** e = environ; e && *e; ++e) {
        const QByteArray entry(*e);
        if (!entry.startsWith("DESKTOP_STARTUP_ID=") && !entry.startsWith("XDG_ACTIVATION_TOKEN=")
            && !entry.startsWith(kDesktopFileVariable) && !entry.startsWith(kDesktopFilePidVariable))
            env.push_back(entry);
    }
    if (!desktopFile.isEmpty()) {
        env.push_back(kDesktopFileVariable + QFile::encodeName(desktopFile));
        env.push_back(QByteArray(kDesktopFilePidVariable) + QByteArray(kPidDigits, '\0'));
    }
    return env;
}

// Writes the number into `out` (room for kPidDigits) with async-signal-safe code only.
void writeDigits(long value, char* out)
{
    char reversed[kPidDigits];
    int n = 0;
    do {
        reversed[n++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0 && n < kPidDigits - 1);
    for (int i = 0; i < n; ++i)
        out[i] = reversed[n - 1 - i];
    out[n] = '\0';
}

// What the forked processes tell the caller through the report pipe.
struct Report {
    enum Kind : int { started, failed } kind;
    int value; // the program's process id, or the errno of its exec
};

// In the forked child: only async-signal-safe calls from here on. A second fork leaves the
// program to init, so nothing waits for it here; its process id, or its exec failure, is
// written to `report`. `pidSlot`, when set, receives the program's process id.
[[noreturn]] void becomeProgram(const char* path, char* const* argv, char* const* envp, char* pidSlot,
                                const char* home, int nullDevice, int report)
{
    ::setsid();
    const pid_t program = ::fork();
    if (program != 0) {
        const Report started{Report::started, int(program)};
        [[maybe_unused]] const auto written = ::write(report, &started, sizeof started);
        ::_exit(program < 0 ? 1 : 0);
    }
    if (pidSlot)
        writeDigits(long(::getpid()), pidSlot);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &standard, nullptr);
    // /dev/null for its standard input and output, and none of this process's descriptors.
    for (int stream = 0; stream <= 2 && nullDevice >= 0; ++stream)
        ::dup2(nullDevice, stream);
    closeDescriptorsOnExec();
    [[maybe_unused]] const int moved = ::chdir(home);
    ::execve(path, argv, envp);
    const Report failed{Report::failed, errno};
    [[maybe_unused]] const auto written = ::write(report, &failed, sizeof failed);
    ::_exit(127);
}

// The program's process id from the reports read until every writer is gone; nothing when its
// exec failed or no id came.
std::optional<Pid> readReports(int fd)
{
    std::optional<Pid> program;
    bool failed = false;
    for (;;) {
        Report report{};
        const ssize_t got = ::read(fd, &report, sizeof report);
        if (got < 0 && errno == EINTR)
            continue;
        if (got != ssize_t(sizeof report))
            break;
        if (report.kind == Report::failed)
            failed = true;
        else if (report.value > 0)
            program = Pid(report.value);
    }
    return failed ? std::nullopt : program;
}

} // namespace

std::optional<Pid> startDetached(const QString& program, const QStringList& arguments, const QString& desktopFile)
{
    if (!QDir::isAbsolutePath(program) || arguments.isEmpty())
        return std::nullopt;
    const QByteArray path = QFile::encodeName(program);
    const QByteArray home = QFile::encodeName(homeFolder());
    std::vector<QByteArray> args;
    for (const QString& a : arguments)
        args.push_back(a.toLocal8Bit());
    std::vector<QByteArray> env = launchEnvironment(desktopFile);
    const std::vector<char*> argv = pointers(args);
    const std::vector<char*> envp = pointers(env);
    char* pidSlot = desktopFile.isEmpty() ? nullptr : envp[env.size() - 1] + sizeof kDesktopFilePidVariable - 1;
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return std::nullopt;
    const int nullDevice = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t child = ::fork();
    if (child == 0)
        becomeProgram(path.constData(), argv.data(), envp.data(), pidSlot, home.constData(), nullDevice, report[1]);
    ::close(report[1]);
    if (nullDevice >= 0)
        ::close(nullDevice);
    int status = 0;
    while (child > 0 && ::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const std::optional<Pid> started = readReports(report[0]);
    ::close(report[0]);
    if (child <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return started;
}

QString executablePath(const QString& name)
{
    if (name.isEmpty())
        return {};
    if (QDir::isAbsolutePath(name)) {
        const QFileInfo file(name);
        return file.isFile() && file.isExecutable() ? name : QString();
    }
    if (name.contains(u'/'))
        return {};
    return QStandardPaths::findExecutable(name);
}

} // namespace fw
