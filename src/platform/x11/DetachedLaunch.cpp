// Starts programs detached as a desktop launcher does (own session, home folder, no startup id
// or activation token, no shell), and finds a program by name on PATH.
#include "platform/x11/DetachedLaunch.h"

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

// This process's environment without what would ask the window manager to focus the program.
std::vector<QByteArray> launchEnvironment()
{
    std::vector<QByteArray> env;
    for (char** e = environ; e && *e; ++e) {
        const QByteArray entry(*e);
        if (!entry.startsWith("DESKTOP_STARTUP_ID=") && !entry.startsWith("XDG_ACTIVATION_TOKEN="))
            env.push_back(entry);
    }
    return env;
}

// In the forked child: only async-signal-safe calls from here on. A second fork leaves the
// program to init, so nothing waits for it here; its exec failure is written to `report`.
[[noreturn]] void becomeProgram(const char* path, char* const* argv, char* const* envp, const char* home, int input,
                                int report)
{
    ::setsid();
    const pid_t program = ::fork();
    if (program != 0)
        ::_exit(program < 0 ? 1 : 0);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &standard, nullptr);
    if (input >= 0)
        ::dup2(input, 0);
    [[maybe_unused]] const int moved = ::chdir(home);
    ::execve(path, argv, envp);
    const int error = errno;
    [[maybe_unused]] const auto written = ::write(report, &error, sizeof error);
    ::_exit(127);
}

} // namespace

bool startDetached(const QString& program, const QStringList& arguments)
{
    if (!QDir::isAbsolutePath(program) || arguments.isEmpty())
        return false;
    const QByteArray path = QFile::encodeName(program);
    const QByteArray home = QFile::encodeName(homeFolder());
    std::vector<QByteArray> args;
    for (const QString& a : arguments)
        args.push_back(a.toLocal8Bit());
    std::vector<QByteArray> env = launchEnvironment();
    const std::vector<char*> argv = pointers(args);
    const std::vector<char*> envp = pointers(env);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return false;
    const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t child = ::fork();
    if (child == 0)
        becomeProgram(path.constData(), argv.data(), envp.data(), home.constData(), input, report[1]);
    ::close(report[1]);
    if (input >= 0)
        ::close(input);
    int status = 0;
    while (child > 0 && ::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got = 0;
    do
        got = ::read(report[0], &error, sizeof error);
    while (got < 0 && errno == EINTR);
    ::close(report[0]);
    return child > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
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
