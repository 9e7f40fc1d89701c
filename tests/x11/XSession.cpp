#include "x11/XSession.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <xcb/composite.h>
#include <xcb/randr.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <condition_variable>
#include <mutex>
#include <poll.h>
#include <random>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fw::test {

namespace {

// How long a client started here may take to be mapped: generous, as on a busy machine a
// window manager maps late (afterstep decorates a window first).
constexpr int lateMapMs = 20000;

std::int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

xcb_atom_t intern(xcb_connection_t* c, const char* name)
{
    auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t a = r ? r->atom : XCB_NONE;
    free(r);
    return a;
}

std::vector<std::uint32_t> property32(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop, xcb_atom_t type)
{
    auto* r = xcb_get_property_reply(c, xcb_get_property(c, 0, w, prop, type, 0, 4096), nullptr);
    std::vector<std::uint32_t> v;
    if (r && r->format == 32) {
        auto* p = static_cast<std::uint32_t*>(xcb_get_property_value(r));
        v.assign(p, p + xcb_get_property_value_length(r) / 4);
    }
    free(r);
    return v;
}

// Waits for a child to end; true when it ended (and was reaped) within the time.
bool waitExit(pid_t pid, int timeoutMs, int* status = nullptr)
{
    const std::int64_t deadline = nowMs() + timeoutMs;
    const int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
    for (;;) {
        int st = 0;
        const pid_t r = ::waitpid(pid, &st, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD)) {
            if (pidfd >= 0)
                ::close(pidfd);
            if (status)
                *status = st;
            return true;
        }
        const std::int64_t left = deadline - nowMs();
        if (left <= 0)
            break;
        if (pidfd >= 0) {
            pollfd p{pidfd, POLLIN, 0};
            ::poll(&p, 1, int(left));
        } else {
            pollfd none{};
            ::poll(&none, 0, int(std::min<std::int64_t>(left, 2)));
        }
    }
    if (pidfd >= 0)
        ::close(pidfd);
    return false;
}

// Reads the connection's events until one is a hit or the time is up; the others are dropped.
bool waitForEvent(xcb_connection_t* c, int timeoutMs, const std::function<bool(const xcb_generic_event_t*)>& hit)
{
    const std::int64_t deadline = nowMs() + timeoutMs;
    while (!xcb_connection_has_error(c)) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            const bool found = hit(e);
            free(e);
            if (found)
                return true;
        }
        const std::int64_t left = deadline - nowMs();
        if (left <= 0)
            return false;
        pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
        ::poll(&p, 1, int(left));
    }
    return false;
}

// The strings as exec takes them: their data, then a null pointer (valid while they live).
std::vector<char*> execList(std::vector<QByteArray>& strings)
{
    std::vector<char*> list;
    for (auto& s : strings)
        list.push_back(s.data());
    list.push_back(nullptr);
    return list;
}

// In a forked child: sends standard output and error to the log (when open), then runs the
// program; never returns.
[[noreturn]] void execLogged(std::vector<char*>& argv, std::vector<char*>& envp, int logFd)
{
    // Blocked signals stay blocked across exec: a program that does not clear the mask itself
    // (fluxbox) would never see its SIGTERM.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (logFd >= 0) {
        ::dup2(logFd, 1);
        ::dup2(logFd, 2);
    }
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
}

// pekwm's stock key bindings less the chains that take Ctrl+Alt+A, P and S (our default keys);
// all of them with `stock`.
QByteArray pekwmKeys(bool stock)
{
    QFile file(QStringLiteral("/etc/pekwm/keys"));
    const QByteArray in = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("Global {\n}\n");
    if (stock)
        return in;
    QByteArray out;
    int depth = 0, skipBelow = -1;
    for (const QByteArray& line : in.split('\n')) {
        const QByteArray t = line.simplified();
        if (skipBelow < 0 && t.startsWith("Chain = ") &&
            (t.contains("\"Ctrl Mod1 A\"") || t.contains("\"Ctrl Mod1 P\"") || t.contains("\"Ctrl Mod1 S\"")))
            skipBelow = depth;
        depth += int(line.count('{')) - int(line.count('}'));
        if (skipBelow >= 0) {
            if (depth <= skipBelow)
                skipBelow = -1;
            continue;
        }
        out += line + '\n';
    }
    return out;
}

// evilwm's arguments: the core font built into the server, and its Ctrl+Alt bindings of our
// default keys unbound (A, B, the digits of the layout keys, and Y, where a German layout puts
// our Z).
QStringList evilwmArguments()
{
    QStringList arguments{QStringLiteral("--fn"), QStringLiteral("fixed")};
    for (const char* key : {"a", "b", "y", "1", "2", "3", "4", "5", "6", "7", "8"})
        arguments << QStringLiteral("--bind") << QStringLiteral("mask1+%1=").arg(QLatin1String(key));
    return arguments;
}

// pekwm's stock configuration with resizing shown live (its outline resize grabs the server
// while the button is held), the keys above, and focus on a click (its stock alternative to
// focus following the pointer, which the tests' pointer moves would keep changing), as the
// other window managers have it.
QByteArray pekwmConfig(const QString& home)
{
    return "INCLUDE = \"$_PEKWM_ETC_PATH/config_system\"\n"
           "Files {\n"
           "    Keys = \"" + (home + QStringLiteral("/.pekwm/keys")).toLocal8Bit() + "\"\n"
           "    Mouse = \"" + (home + QStringLiteral("/.pekwm/mouse")).toLocal8Bit() + "\"\n"
           "    Menu = \"$_PEKWM_ETC_PATH/menu\"\n"
           "    AutoProps = \"$_PEKWM_ETC_PATH/autoproperties\"\n"
           "    Theme = \"$_PEKWM_THEME_PATH/default\"\n"
           "}\n"
           "MoveResize {\n"
           "    OpaqueMove = \"True\"\n"
           "    OpaqueResize = \"True\"\n"
           "}\n";
}

// Sets the window manager's focus to follow the pointer as its user does (files under HOME):
// the arguments to add, or nothing where it offers no such setting.
std::optional<QStringList> followTheMouse(const QString& name, const QString& home)
{
    auto write = [](const QString& path, const QByteArray& text) {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
    };
    if (name == QLatin1String("openbox")) {
        QFile stock(QStringLiteral("/etc/xdg/openbox/rc.xml"));
        QByteArray rc = stock.open(QIODevice::ReadOnly) ? stock.readAll() : QByteArray();
        const QString path = home + QStringLiteral("/.config/openbox/follow-mouse.xml");
        const QByteArray off = "<followMouse>no</followMouse>";
        if (!rc.contains(off) || !write(path, rc.replace(off, "<followMouse>yes</followMouse>")))
            return std::nullopt;
        return QStringList{QStringLiteral("--config-file"), path};
    }
    if (name == QLatin1String("pekwm")
        && write(home + QStringLiteral("/.pekwm/mouse"), "INCLUDE = \"$_PEKWM_ETC_PATH/mouse\"\n"))
        return QStringList{};
    if (name == QLatin1String("fluxbox")
        && write(home + QStringLiteral("/.fluxbox/init"), "session.screen0.focusModel: MouseFocus\n"))
        return QStringList{};
    if (name == QLatin1String("evilwm"))
        return QStringList{};
    return std::nullopt;
}

QString findProgram(const QString& name)
{
    if (name.contains('/'))
        return name;
    return QStandardPaths::findExecutable(name);
}

// Whether some client redirects the root window's substructure: a window manager runs.
bool redirected(xcb_connection_t* c, xcb_window_t root)
{
    auto* r = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, root), nullptr);
    const bool taken = r && (r->all_event_masks & XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT);
    free(r);
    return taken;
}

} // namespace

// Stops a process for up to `pause` ms at random moments, about once every `every` ms, and
// lets it run on for good when it ends.
class WindowManagerStalls {
public:
    WindowManagerStalls(pid_t pid, int pause, int every) : thread_([=, this] { run(pid, pause, every); }) {}
    ~WindowManagerStalls()
    {
        {
            std::lock_guard lock(mutex_);
            ending_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }

private:
    void run(pid_t pid, int pause, int every)
    {
        std::minstd_rand random(std::random_device{}());
        std::unique_lock lock(mutex_);
        while (!ending_) {
            wake_.wait_for(lock, std::chrono::milliseconds(random() % (2 * every + 1)), [&] { return ending_; });
            if (ending_)
                break;
            ::kill(pid, SIGSTOP);
            wake_.wait_for(lock, std::chrono::milliseconds(random() % (pause + 1)), [&] { return ending_; });
            ::kill(pid, SIGCONT);
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    bool ending_ = false;
    std::thread thread_;
};

XSession::XSession(const XSessionOptions& options)
{
    if (!start(options)) {
        // Leave nothing running behind a failed start.
        for (auto it = started_.rbegin(); it != started_.rend(); ++it)
            stop(*it);
        started_.clear();
    }
}

namespace {

// Every thread of a process onto the cores; false when one refused.
bool pinThreads(pid_t pid, const cpu_set_t& cores)
{
    bool all = true;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        all = ::sched_setaffinity(pid_t(task.toInt()), sizeof cores, &cores) == 0 && all;
    return all;
}

// Whether a process's cores are two or fewer: a slow machine as it is.
bool heldToTwoCores(const cpu_set_t& cores) { return CPU_COUNT(&cores) <= 2; }

} // namespace

bool XSession::crowdOntoTwoCores(int loops)
{
    cpu_set_t own;
    CPU_ZERO(&own);
    if (::sched_getaffinity(0, sizeof own, &own) != 0)
        return false;
    // The first two cores this process may use.
    cpu_set_t two;
    CPU_ZERO(&two);
    for (int cpu = 0, taken = 0; cpu < CPU_SETSIZE && taken < 2; ++cpu) {
        if (CPU_ISSET(cpu, &own)) {
            CPU_SET(cpu, &two);
            ++taken;
        }
    }
    if (!ownCores_)
        ownCores_ = own;
    // A run held to two cores already is the slow machine: its other tests are the busy
    // neighbours, and loops of ours would starve them past what any user's machine does.
    if (heldToTwoCores(own))
        return true;
    // One crowded session at a time among the tests of a run (they share its temporary
    // directory): a second one beside it would crowd the two cores past any machine's. Waited
    // for within the bound of a test, then crowded all the same.
    if (coresLock_ < 0) {
        const QByteArray lock = (QDir::tempPath() + QStringLiteral("/framewell-two-cores.lock")).toLocal8Bit();
        coresLock_ = ::open(lock.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        const std::int64_t until = nowMs() + 60000;
        while (coresLock_ >= 0 && ::flock(coresLock_, LOCK_EX | LOCK_NB) != 0 && nowMs() < until)
            ::usleep(50000);
    }
    bool pinned = pinThreads(::getpid(), two);
    for (const pid_t pid : started_)
        pinned = pinThreads(pid, two) && pinned;
    // Started from a pinned thread, the loops run on the two cores from their first instruction.
    for (int i = 0; i < loops; ++i)
        pinned = spawn({QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("while :; do :; done")}) && pinned;
    return pinned;
}

std::optional<std::string> XSession::freeCoresSkip()
{
    cpu_set_t own;
    CPU_ZERO(&own);
    if (::sched_getaffinity(0, sizeof own, &own) != 0 || !heldToTwoCores(own))
        return std::nullopt;
    return "this run is held to two cores, where the same case on two busy cores runs these steps under this load";
}

XSession::~XSession()
{
    if (ownCores_)
        pinThreads(::getpid(), *ownCores_);
    stalls_.reset();
    if (c_)
        xcb_disconnect(c_);
    // The server first: its clients then end on their own. fluxbox's SIGTERM handler talks to
    // the server and can deadlock when the signal lands inside one of its requests.
    stop(serverPid_);
    while (!started_.empty())
        stop(started_.back());
    if (!dir_.isEmpty() && qEnvironmentVariableIsEmpty("FW_KEEP_XSESSION"))
        QDir(dir_).removeRecursively();
    if (coresLock_ >= 0)
        ::close(coresLock_); // after the busy loops ended
}

void XSession::fail(const QString& why)
{
    if (error_.isEmpty())
        error_ = why;
}

QString XSession::logTail(const QString& name) const
{
    QFile f(dir_ + "/logs/" + name + ".log");
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    return QString::fromLocal8Bit(all.right(600)).trimmed();
}

QString XSession::processReport(pid_t pid, const QString& logName)
{
    int status = 0;
    QString state = QStringLiteral("still running");
    if (pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid) {
        std::erase(started_, pid);
        state = WIFSIGNALED(status) ? QStringLiteral("ended by signal %1").arg(WTERMSIG(status))
                                    : QStringLiteral("ended with status %1").arg(WEXITSTATUS(status));
    }
    const QString log = logTail(logName);
    return log.isEmpty() ? state : state + QStringLiteral(", its log: ") + log;
}

QString XSession::describeWindows(const QString& title)
{
    QStringList out;
    const auto clients = property32(c_, root_, intern(c_, "_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
    const std::function<void(xcb_window_t, int)> visit = [&](xcb_window_t w, int depth) {
        auto* t = xcb_query_tree_reply(c_, xcb_query_tree(c_, w), nullptr);
        if (!t)
            return;
        const xcb_window_t parent = t->parent;
        const auto* kids = xcb_query_tree_children(t);
        const std::vector<xcb_window_t> children(kids, kids + xcb_query_tree_children_length(t));
        free(t);
        if (w != root_ && windowTitle(w) == title) {
            auto* a = xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, w), nullptr);
            const int mapState = a ? a->map_state : -1;
            free(a);
            out << QStringLiteral("window 0x%1 in 0x%2, map state %3%4%5")
                       .arg(w, 0, 16)
                       .arg(parent, 0, 16)
                       .arg(mapState)
                       .arg(withWmState(w, 0).empty() ? QString() : QStringLiteral(", WM_STATE"))
                       .arg(std::find(clients.begin(), clients.end(), w) != clients.end() ? QStringLiteral(", listed")
                                                                                          : QString());
        }
        if (depth > 0)
            for (xcb_window_t k : children)
                visit(k, depth - 1);
    };
    visit(root_, 3);
    return out.isEmpty() ? QStringLiteral("no window of that title") : out.join(QStringLiteral("; "));
}

bool XSession::start(const XSessionOptions& o)
{
    QByteArray tmpl = QDir::tempPath().toLocal8Bit() + "/fw-xsession-XXXXXX";
    if (!::mkdtemp(tmpl.data())) {
        fail(QStringLiteral("cannot create a temporary directory: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    dir_ = QString::fromLocal8Bit(tmpl);
    for (const char* sub : {"home", "config", "cache", "data", "runtime", "logs"})
        QDir().mkpath(dir_ + "/" + sub);
    QFile::setPermissions(dir_ + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // Environment: ours, with the session's display, home and XDG directories.
    const QByteArray d = dir_.toLocal8Bit();
    for (char** e = environ; *e; ++e) {
        const QByteArray kv(*e);
        if (kv.startsWith("DISPLAY=") || kv.startsWith("HOME=") || kv.startsWith("XDG_") ||
            kv.startsWith("WAYLAND_DISPLAY=") || kv.startsWith("DBUS_SESSION_BUS_ADDRESS=") ||
            kv.startsWith("SHELL=") || kv.startsWith("QT_QPA_PLATFORM="))
            continue;
        env_.push_back(kv);
    }
    env_.push_back("HOME=" + d + "/home");
    env_.push_back("XDG_CONFIG_HOME=" + d + "/config");
    env_.push_back("XDG_CACHE_HOME=" + d + "/cache");
    env_.push_back("XDG_DATA_HOME=" + d + "/data");
    env_.push_back("XDG_RUNTIME_DIR=" + d + "/runtime");
    env_.push_back("SHELL=/bin/sh");
    // GTK programs (xfwm4, metacity) would start an accessibility bus of their own.
    env_.push_back("NO_AT_BRIDGE=1");
    // GStreamer's list of its plugins, as a desktop keeps it once made: shared by the sessions of
    // a run (its temporary folder). Made afresh in every session's cache, it took each welcome
    // video 1.6 s of processor time more, and on a crowded run longer than the test waits.
    if (qEnvironmentVariableIsEmpty("GST_REGISTRY"))
        env_.push_back("GST_REGISTRY=" + QDir::tempPath().toLocal8Bit() + "/framewell-gst-registry.bin");

    // The server picks a free display and writes its number to fd 3 once it accepts clients.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        fail(QStringLiteral("cannot create a pipe"));
        return false;
    }
    const QString xvfb = findProgram(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) {
        ::close(fds[0]);
        ::close(fds[1]);
        fail(QStringLiteral("Xvfb is not installed (run scripts/deps)"));
        return false;
    }
    {
        const QStringList args = QStringList{xvfb, "-displayfd", "3", "-screen", "0",
                                             QStringLiteral("%1x%2x24").arg(o.width).arg(o.height), "-noreset", "-nolisten",
                                             "tcp"}
            + o.serverArguments;
        std::vector<QByteArray> a;
        for (const QString& s : args)
            a.push_back(s.toLocal8Bit());
        std::vector<char*> argv = execList(a), envp = execList(env_);
        const QByteArray log = (dir_ + "/logs/Xvfb.log").toLocal8Bit();
        const int logFd = ::open(log.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            ::dup2(fds[1], 3);
            execLogged(argv, envp, logFd);
        }
        if (logFd >= 0)
            ::close(logFd);
        ::close(fds[1]);
        if (pid < 0) {
            ::close(fds[0]);
            fail(QStringLiteral("cannot start Xvfb"));
            return false;
        }
        serverPid_ = pid;
        started_.push_back(pid);
    }
    QByteArray number;
    // A bound, not a wait: on two cores crowded by other tests' servers, Xvfb is
    // known to need more than ten seconds to start.
    const std::int64_t deadline = nowMs() + 30000;
    while (!number.endsWith('\n')) {
        const std::int64_t left = deadline - nowMs();
        pollfd p{fds[0], POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, int(left)) <= 0)
            break;
        char buf[32];
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        number.append(buf, n);
    }
    ::close(fds[0]);
    number = number.trimmed();
    if (number.isEmpty()) {
        fail(QStringLiteral("Xvfb did not start: %1").arg(logTail("Xvfb")));
        return false;
    }
    display_ = ":" + number;
    env_.push_back("DISPLAY=" + display_);

    c_ = xcb_connect(display_.constData(), nullptr);
    if (!c_ || xcb_connection_has_error(c_)) {
        fail(QStringLiteral("cannot connect to Xvfb on %1").arg(QString::fromLatin1(display_)));
        return false;
    }
    root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c_);

    if (o.twoMonitors && !splitIntoTwoMonitors())
        return false;
    followsMouse_ = o.focusFollowsMouse;
    if (o.windowManager
        && !startWindowManager(o.windowManagerName.isEmpty() ? testWindowManager() : o.windowManagerName, o.bareDesktop,
                               o.stockKeys))
        return false;
    if (o.compositor && !startCompositor())
        return false;
    return true;
}

bool XSession::installed(const QString& program)
{
    return !findProgram(program).isEmpty();
}

std::optional<std::string> XSession::outsideMatrixSkip(const QString& manager)
{
    if (testWindowManager() != QLatin1String("openbox"))
        return "runs once, in the default run";
    if (!installed(manager))
        return manager.toStdString() + " is not installed";
    return std::nullopt;
}

std::optional<std::string> XSession::defaultRunOnlySkip(const std::string& why)
{
    const QString manager = testWindowManager();
    if (manager == QLatin1String("openbox"))
        return std::nullopt;
    return why + "; runs in the default run, under openbox, not again under " + manager.toStdString();
}

bool XSession::runKwinScript(const QByteArray& script)
{
    static int scripts = 0;
    const QString path = dir_ + QStringLiteral("/kwin-script-%1.js").arg(++scripts);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(script) != script.size())
        return false;
    file.close();
    const QStringList send{QStringLiteral("dbus-send"), QStringLiteral("--session"), QStringLiteral("--print-reply"),
                           QStringLiteral("--dest=org.kde.KWin"), QStringLiteral("/Scripting")};
    return run(send + QStringList{QStringLiteral("org.kde.kwin.Scripting.loadScript"), QStringLiteral("string:") + path,
                                  QStringLiteral("string:") + QFileInfo(path).baseName()}) == 0 &&
           run(send + QStringList{QStringLiteral("org.kde.kwin.Scripting.start")}) == 0;
}

QString XSession::testWindowManager()
{
    const QString name = qEnvironmentVariable("FRAMEWELL_TEST_WM").trimmed();
    return name.isEmpty() ? QStringLiteral("openbox") : name;
}

std::optional<bool> XSession::shotsCompositor()
{
    const QString value = qEnvironmentVariable("FRAMEWELL_SHOTS_COMPOSITOR").trimmed();
    if (value == QLatin1String("on"))
        return true;
    if (value == QLatin1String("off"))
        return false;
    return std::nullopt;
}

QString XSession::sessionBus()
{
    const QByteArray key = "DBUS_SESSION_BUS_ADDRESS=";
    for (int round = 0; round < 2; ++round) {
        for (const QByteArray& assignment : env_) {
            if (assignment.startsWith(key))
                return QString::fromLocal8Bit(assignment.mid(key.size()));
        }
        if (round == 0 && !startSessionBus())
            return {};
    }
    return {};
}

bool XSession::startSessionBus()
{
    // A private bus for this session alone: what the WM starts on it (xfconfd) ends with it.
    const QString address = QStringLiteral("unix:path=%1/runtime/bus").arg(dir_);
    if (!spawn({QStringLiteral("dbus-daemon"), QStringLiteral("--session"), QStringLiteral("--nofork"),
                QStringLiteral("--nopidfile"), QStringLiteral("--print-address"), QStringLiteral("--address=") + address}))
        return false;
    // It prints its address once it listens.
    const QString log = dir_ + QStringLiteral("/logs/dbus-daemon-%1.log").arg(spawned_);
    const bool listening = waitFor([&] {
        QFile f(log);
        return f.open(QIODevice::ReadOnly) && f.readAll().contains("unix:");
    }, 10000);
    if (!listening) {
        fail(QStringLiteral("dbus-daemon did not start: %1").arg(logTail(QStringLiteral("dbus-daemon-%1").arg(spawned_))));
        return false;
    }
    env_.push_back("DBUS_SESSION_BUS_ADDRESS=" + address.toLocal8Bit());
    return true;
}

bool XSession::startWindowManager(const QString& name, bool bare, bool stockKeys)
{
    // xfwm4's compositor stays off: the tests that want one start xcompmgr. metacity keeps its
    // own unless the desktop is to be bare: it takes its compositor setting from GSettings,
    // which keeps what its command line says only with a backend that can store it.
    struct Command {
        const char* name;
        QStringList arguments;
        bool sessionBus;
        std::vector<std::pair<QString, QByteArray>> homeFiles;   // written under HOME first
        const char* program = nullptr;                            // when not the name
        std::vector<QByteArray> environment = {};
        bool checkWindow = true;   // names itself on a check window (twm has none)
        QStringList readyWhen = {};  // a command that succeeds once its start-up script has run
    };
    const QString home = dir_ + QStringLiteral("/home");
    const Command commands[] = {
        {"openbox", {QStringLiteral("--sm-disable")}, false, {}},
        {"xfwm4", {QStringLiteral("--compositor=off"), QStringLiteral("--sm-client-disable")}, true, {}},
        // icewm's own folder holds its key bindings: none. Its stock ones bind programs that
        // happen to be installed (xdg-open's Ctrl+Alt+B and S, taken from our default keys).
        {"icewm", {}, false, {{QStringLiteral(".icewm/keys"), "# No programs bound to keys.\n"}}, nullptr,
         {"ICEWM_PRIVCFG=" + (home + QStringLiteral("/.icewm")).toLocal8Bit()}},
        // fluxbox's style sets a wallpaper through fbsetbg, which fails here and pops up an
        // xmessage that takes the focus at some random moment.
        {"fluxbox", {}, false, {{QStringLiteral(".fluxbox/overlay"), "background: none\n"}}},
        {"metacity", {QStringLiteral("--sm-disable")}, false, {}},
        {"pekwm", {QStringLiteral("--config"), home + QStringLiteral("/.pekwm/config")}, false,
         {{QStringLiteral(".pekwm/config"), pekwmConfig(home)}, {QStringLiteral(".pekwm/keys"), pekwmKeys(stockKeys)},
          {QStringLiteral(".pekwm/mouse"), "$CLIENT_CLICK = \"Focus\"\n"
                                           "INCLUDE = \"$_PEKWM_ETC_PATH/mouse_system\"\n"
                                           "INCLUDE = \"$_PEKWM_ETC_PATH/mouse_click\"\n"}}},
        // No title bars: Alt+drag anywhere in a window moves it (so does a press on its 1-px
        // border). Its window texts need a core font ("fixed" is built into the server).
        {"evilwm", evilwmArguments(), false, {}},
        // Outside the matrix: Plasma's KWin with stock Breeze (without it KWin draws no title
        // bars), not compositing. Its settings live under XDG_CONFIG_HOME, the session's own.
        {"kwin", {}, true, {}, "kwin_x11", {"KWIN_COMPOSE=N"}},
        // GNOME's mutter and Cinnamon's muffin on X11 (compositing, through the server's GL;
        // muffin reads the schemas of Cinnamon's settings daemon), and jwm, as they come:
        // outside the matrix, started by the tests of their habits.
        {"mutter", {QStringLiteral("--x11"), QStringLiteral("--sm-disable")}, true, {}},
        {"muffin", {QStringLiteral("--x11"), QStringLiteral("--sm-disable")}, true, {}},
        {"jwm", {}, false, {}},
        // MATE's marco as it comes (compositing through XRender; it reads the schemas of MATE's
        // settings daemon), outside the matrix, started by the tests of its habits.
        {"marco", {QStringLiteral("--sm-disable")}, true, {}},
        // Outside the matrix, started by the tests of their habits where installed: i3 with
        // every window floating and no key bindings, lwm, dwm and twm as they come; afterstep
        // decorates a new window for several hundred milliseconds before it maps it; herbstluftwm
        // tiles, and its stock autostart floats utility windows and frames and places them its
        // own way.
        {"i3", {QStringLiteral("-c"), home + QStringLiteral("/.i3/config")}, false,
         {{QStringLiteral(".i3/config"), "# i3 config file (v4)\nfont fixed\nfocus_follows_mouse no\n"
                                         "for_window [class=\".*\"] floating enable\n"}}},
        {"lwm", {}, false, {}},
        {"dwm", {}, false, {}},
        // awesome with its stock rc.lua, as its users meet it: floating windows with title bars,
        // the focus following the pointer, a bar along the top; on a bus of the session's own,
        // where awesome-client reaches it.
        {"awesome", {}, true, {}},
        {"twm", {}, false, {}, nullptr, {}, false},
        // afterstep without the modules its stock start runs (a window list, docks, a pager, a
        // banner, and tabs that swallow terminals), which map windows of their own for seconds
        // after it starts.
        {"afterstep", {}, false, {{QStringLiteral(".afterstep/autoexec"), "Function \"InitFunction\"\nEndFunction\n"
                                                                         "Function \"RestartFunction\"\nEndFunction\n"}}},
        // herbstluftwm runs its stock autostart (some hundred commands, its rules last) beside
        // managing windows: started locked, it is ready once the script's last command unlocked it.
        {"herbstluftwm", {QStringLiteral("--locked")}, false, {}, nullptr, {}, true,
         {QStringLiteral("herbstclient"), QStringLiteral("compare"), QStringLiteral("settings.monitors_locked"),
          QStringLiteral("="), QStringLiteral("0")}},
    };
    const auto* command = std::find_if(std::begin(commands), std::end(commands),
                                       [&](const Command& c) { return name == QLatin1String(c.name); });
    if (command == std::end(commands)) {
        fail(QStringLiteral("unknown window manager \"%1\" in FRAMEWELL_TEST_WM (openbox, xfwm4, icewm, fluxbox, "
                            "metacity, pekwm, evilwm, kwin, mutter, muffin, marco, jwm, i3, lwm, dwm, awesome, twm, afterstep or herbstluftwm)").arg(name));
        return false;
    }
    const QString program = command->program ? QString::fromLatin1(command->program) : name;
    if (findProgram(program).isEmpty()) {
        fail(QStringLiteral("%1 is not installed (run scripts/deps)").arg(program));
        return false;
    }
    if (command->sessionBus && !startSessionBus())
        return false;
    for (const auto& [file, text] : command->homeFiles) {
        const QString path = home + QLatin1Char('/') + file;
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(text) < 0) {
            fail(QStringLiteral("cannot write %1").arg(path));
            return false;
        }
    }
    env_.insert(env_.end(), command->environment.begin(), command->environment.end());
    QStringList arguments = command->arguments;
    const auto following = followsMouse_ ? followTheMouse(name, home) : std::nullopt;
    followsMouse_ = following || name == QLatin1String("evilwm") || name == QLatin1String("awesome");
    arguments += following.value_or(QStringList{});
    if (bare && name == QLatin1String("metacity")) {
        env_.push_back("GSETTINGS_BACKEND=memory");
        arguments << QStringLiteral("--compositor=none");
    }
    wmPid_ = spawn(QStringList{program} + arguments);
    if (!wmPid_)
        return false;
    const QString log = QStringLiteral("%1-%2").arg(program).arg(spawned_);
    bool exited = false;
    const bool running = windowManagerReady(command->checkWindow, command->readyWhen, &exited);
    if (!running) {
        if (exited)
            std::erase(started_, wmPid_);
        fail(QStringLiteral("%1 did not start: %2").arg(name, logTail(log)));
        return false;
    }
    wmName_ = name;
    const QStringList stalls = qEnvironmentVariable("FRAMEWELL_TEST_WM_STALLS").split(u'/');
    if (stalls.size() == 2 && stalls[0].toInt() > 0 && stalls[1].toInt() > 0)
        stalls_ = std::make_unique<WindowManagerStalls>(wmPid_, stalls[0].toInt(), stalls[1].toInt());
    // icewm publishes its work area in steps while its taskbar finds its size, and keeps windows
    // above the taskbar it has at that moment: tests that lay windows into the work area wait
    // until the taskbar's strut is in it and has held still for a moment.
    if (name == QLatin1String("icewm")) {
        const double screenHeight = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->height_in_pixels;
        std::optional<Rect> last;
        std::int64_t since = nowMs();
        waitFor([&] {
            const auto area = workArea();
            if (area != last) {
                last = area;
                since = nowMs();
            }
            return area && area->height() < screenHeight && nowMs() - since >= 250;
        }, 5000);
    }
    return true;
}

bool XSession::windowManagerReady(bool checkWindow, const QStringList& readyWhen, bool* exited)
{
    // Up once its check window names it, it answers, and it manages a client. The frame-extents
    // answer cannot tell: fluxbox never gives one. The bounds are generous: on a busy machine
    // afterstep takes several seconds to map its first client.
    const xcb_atom_t check = intern(c_, "_NET_SUPPORTING_WM_CHECK");
    const xcb_atom_t wmName = intern(c_, "_NET_WM_NAME");
    const bool named = waitFor([&] {
        if (::waitpid(wmPid_, nullptr, WNOHANG) == wmPid_)
            return *exited = true;
        if (!checkWindow)
            return redirected(c_, root_);
        auto v = property32(c_, root_, check, XCB_ATOM_WINDOW);
        if (v.empty() || v[0] == 0)
            return false;
        auto* r = xcb_get_property_reply(c_, xcb_get_property(c_, 0, v[0], wmName, XCB_ATOM_ANY, 0, 64), nullptr);
        const bool hasName = r && xcb_get_property_value_length(r) > 0;
        free(r);
        return hasName;
    }, 60000);
    // openbox names itself before its event loop runs and drops windows mapped in that gap:
    // also wait until it answers.
    bool running = false;
    const std::int64_t until = nowMs() + 30000;
    while (named && !*exited && !running && nowMs() < until)
        running = syncWithWindowManager(50);
    if (!running || !managesProbeClient(60000))
        return false;
    if (readyWhen.isEmpty())
        return true;
    // Asked again at most every 50 ms: each answer is a program run.
    std::int64_t asked = 0;
    return waitFor([&] {
        if (nowMs() - asked < 50)
            return false;
        asked = nowMs();
        return run(readyWhen) == 0;
    }, 60000);
}

bool XSession::managesProbeClient(int timeoutMs)
{
    // A small client at a position of its own choosing (twm would ask where to put it), mapped
    // until the window manager states it normal and shows it, then destroyed.
    const xcb_window_t probe = xcb_generate_id(c_);
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, probe, root_, 0, 0, 64, 64, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    constexpr std::uint32_t userPosition = 1, userSize = 2;
    std::uint32_t hints[18] = {userPosition | userSize};
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, probe, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
    const char title[] = "XSession probe";
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, probe, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, sizeof title - 1, title);
    xcb_map_window(c_, probe);
    xcb_flush(c_);
    const xcb_atom_t wmState = intern(c_, "WM_STATE");
    constexpr std::uint32_t normalState = 1;
    std::int64_t askedAt = nowMs();
    const bool managed = waitFor([&] {
        nudgeWindowManager(askedAt);
        const auto state = property32(c_, probe, wmState, wmState);
        return !state.empty() && state[0] == normalState && isViewable(probe);
    }, timeoutMs);
    xcb_destroy_window(c_, probe);
    xcb_flush(c_);
    // Gone from the window manager's frames too before a test maps its own windows.
    return managed && syncWithWindowManager(timeoutMs);
}

pid_t XSession::spawn(const QStringList& args)
{
    if (args.isEmpty())
        return 0;
    const QString program = findProgram(args.front());
    if (program.isEmpty()) {
        fail(QStringLiteral("%1 is not installed (run scripts/deps)").arg(args.front()));
        return 0;
    }
    std::vector<QByteArray> a{program.toLocal8Bit()};
    for (int i = 1; i < args.size(); ++i)
        a.push_back(args[i].toLocal8Bit());
    std::vector<char*> argv = execList(a), envp = execList(env_);
    const QString name = QStringLiteral("%1-%2").arg(QFileInfo(program).fileName()).arg(++spawned_);
    const QByteArray log = (dir_ + "/logs/" + name + ".log").toLocal8Bit();
    const int logFd = ::open(log.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int nullFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (nullFd >= 0)
            ::dup2(nullFd, 0);
        execLogged(argv, envp, logFd);
    }
    if (logFd >= 0)
        ::close(logFd);
    if (nullFd >= 0)
        ::close(nullFd);
    if (pid < 0) {
        fail(QStringLiteral("cannot start %1").arg(args.front()));
        return 0;
    }
    started_.push_back(pid);
    return pid;
}

int XSession::run(const QStringList& argv, int timeoutMs)
{
    const pid_t pid = spawn(argv);
    if (!pid)
        return -1;
    int status = 0;
    if (!waitExit(pid, timeoutMs, &status)) {
        stop(pid);
        return -1;
    }
    std::erase(started_, pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool XSession::stop(pid_t pid)
{
    if (pid <= 0 || std::find(started_.begin(), started_.end(), pid) == started_.end())
        return false;
    ::kill(pid, SIGCONT);
    ::kill(pid, SIGTERM);
    bool ended = waitExit(pid, 2000);
    if (!ended) {
        ::kill(pid, SIGKILL);
        ended = waitExit(pid, 2000);
    }
    std::erase(started_, pid);
    return ended;
}

std::optional<int> XSession::waitForExit(pid_t pid, int timeoutMs)
{
    if (pid <= 0 || std::find(started_.begin(), started_.end(), pid) == started_.end())
        return std::nullopt;
    int status = 0;
    if (!waitExit(pid, timeoutMs, &status))
        return std::nullopt;
    std::erase(started_, pid);
    return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
}

std::optional<int> XSession::terminate(pid_t pid, int timeoutMs)
{
    if (pid <= 0 || std::find(started_.begin(), started_.end(), pid) == started_.end())
        return std::nullopt;
    ::kill(pid, SIGTERM);
    const auto status = waitForExit(pid, timeoutMs);
    if (!status)
        stop(pid);
    return status;
}

bool XSession::pause(pid_t pid)
{
    return std::find(started_.begin(), started_.end(), pid) != started_.end() && ::kill(pid, SIGSTOP) == 0;
}

bool XSession::resume(pid_t pid)
{
    return std::find(started_.begin(), started_.end(), pid) != started_.end() && ::kill(pid, SIGCONT) == 0;
}

QString XSession::testClientPath()
{
    return QStringLiteral(FW_TEST_CLIENT_PATH);
}

XSession::Client XSession::startXterm(const QString& title, const QStringList& extra)
{
    Client client;
    // An outline font from fontconfig: the core "fixed" fonts may not be installed.
    QStringList args{QStringLiteral("xterm"), QStringLiteral("-fa"), QStringLiteral("Monospace"), QStringLiteral("-fs"),
                     QStringLiteral("10"), QStringLiteral("-T"), title, QStringLiteral("-n"), title};
    args += extra;
    client.pid = spawn(args);
    if (!client.pid)
        return client;
    client.window = waitForWindow(title, client.pid, lateMapMs);
    if (!client.window)
        fail(QStringLiteral("xterm \"%1\" did not appear: %2").arg(title, logTail(QStringLiteral("xterm-%1").arg(spawned_))));
    return client;
}

XSession::Client XSession::startTestClient(const QString& title, const QStringList& flags)
{
    Client client;
    QStringList args{testClientPath(), QStringLiteral("--title"), title};
    args += flags;
    client.pid = spawn(args);
    if (!client.pid)
        return client;
    const QString log = QStringLiteral("%1-%2").arg(QFileInfo(testClientPath()).fileName()).arg(spawned_);
    const bool many = flags.contains(QStringLiteral("--count"));
    client.window = waitForWindow(many ? title + " 0" : title, client.pid, lateMapMs);
    if (!client.window)
        fail(QStringLiteral("the test client \"%1\" did not appear (%2): %3")
                 .arg(title, describeWindows(many ? title + " 0" : title), processReport(client.pid, log)));
    return client;
}

void XSession::sync()
{
    free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
}

bool XSession::waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    const std::int64_t start = nowMs(), deadline = start + timeoutMs;
    for (;;) {
        if (condition())
            return true;
        const std::int64_t now = nowMs(), left = deadline - now;
        if (left <= 0)
            return false;
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // Wake on the next event of the root window, or after 5 ms at first and up to 25 ms in
        // a long wait: each look costs round trips of the server, and on two cores the looks of
        // the tests running beside each other took a large share of the processors.
        const std::int64_t step = std::min<std::int64_t>({left, 25, 5 + (now - start) / 20});
        if (c_ && !xcb_connection_has_error(c_)) {
            while (xcb_generic_event_t* e = xcb_poll_for_event(c_))
                free(e);
            pollfd p{xcb_get_file_descriptor(c_), POLLIN, 0};
            ::poll(&p, 1, int(step));
            while (xcb_generic_event_t* e = xcb_poll_for_event(c_))
                free(e);
        } else {
            pollfd none{};
            ::poll(&none, 0, int(step));
        }
    }
}

xcb_window_t XSession::waitForWindow(const QString& title, pid_t pid, int timeoutMs)
{
    const xcb_atom_t clientList = intern(c_, "_NET_CLIENT_LIST");
    const xcb_atom_t extents = intern(c_, "_NET_FRAME_EXTENTS");
    const xcb_atom_t pidAtom = intern(c_, "_NET_WM_PID");
    const xcb_atom_t type = intern(c_, "_NET_WM_WINDOW_TYPE");
    const xcb_atom_t dock = intern(c_, "_NET_WM_WINDOW_TYPE_DOCK");
    // A window manager that states no frame extents (pekwm) has managed the window once it lists
    // it and has reparented it.
    const bool extentsStated = !wmPid_ || atomNames(root_, "_NET_SUPPORTED").contains(u"_NET_FRAME_EXTENTS"_qs);
    xcb_window_t found = XCB_NONE;
    std::int64_t askedAt = nowMs();
    waitFor([&] {
        nudgeWindowManager(askedAt);
        std::vector<std::uint32_t> candidates, listed;
        if (wmPid_) {
            candidates = listed = property32(c_, root_, clientList, XCB_ATOM_WINDOW);
            // pekwm lists the client it managed last only once it manages another: any client
            // in a frame (with WM_STATE) counts.
            for (xcb_window_t frame : rootChildren())
                for (xcb_window_t w : withWmState(frame, 3))
                    if (std::find(candidates.begin(), candidates.end(), w) == candidates.end())
                        candidates.push_back(w);
        } else
            for (xcb_window_t w : rootChildren())
                candidates.push_back(w);
        for (std::uint32_t w : candidates) {
            if (windowTitle(w) != title)
                continue;
            auto p = property32(c_, w, pidAtom, XCB_ATOM_CARDINAL);
            if (pid && !p.empty() && pid_t(p[0]) != pid)
                continue;
            auto* attr = xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, w), nullptr);
            const bool viewable = attr && attr->map_state == XCB_MAP_STATE_VIEWABLE;
            free(attr);
            if (!viewable)
                continue;
            // Managed once the WM states its frame extents (docks get none from metacity).
            if (wmPid_ && extentsStated && property32(c_, w, extents, XCB_ATOM_CARDINAL).size() < 4 &&
                property32(c_, w, type, XCB_ATOM_ATOM) != std::vector<std::uint32_t>{dock})
                continue;
            // Or a window it lists with WM_STATE where it does not reparent (dwm).
            if (wmPid_ && !extentsStated && topLevelOf(w) == w &&
                (withWmState(w, 0).empty() || std::find(listed.begin(), listed.end(), w) == listed.end()))
                continue;
            found = w;
            return true;
        }
        return false;
    }, timeoutMs);
    return found;
}

void XSession::askWindowManager()
{
    if (!probe_) {
        // Unmapped and not override-redirect: its configure requests go to the WM. Input-output:
        // lwm passes them on with the border width, which the server refuses an input-only one.
        probe_ = xcb_generate_id(c_);
        const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, probe_, root_, -100, -100, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    }
    // A width never asked for before: only a change is reported, and an answer to an earlier
    // request that timed out cannot pass for a later one.
    probeWidth_ = probeWidth_ >= 30000 ? 2 : probeWidth_ + 1;
    xcb_configure_window(c_, probe_, XCB_CONFIG_WINDOW_WIDTH, &probeWidth_);
    xcb_flush(c_);
}

void XSession::nudgeWindowManager(std::int64_t& askedAt)
{
    // pekwm can sleep on a map request it has read: something new reaching it every 250 ms
    // wakes it (not while it keeps silent through a held button).
    if (wmPid_ && nowMs() - askedAt >= 250 && !(buttonsHeld_ > 0 && silentWhileHeld_)) {
        askWindowManager();
        askedAt = nowMs();
    }
}

bool XSession::syncWithWindowManager(int timeoutMs)
{
    if (!wmPid_ || !c_)
        return false;
    // pekwm answers nothing while it moves a window by its title bar: once it has not answered
    // while a button is held, it is not asked again until the release.
    if (buttonsHeld_ > 0 && silentWhileHeld_)
        return false;
    while (xcb_generic_event_t* e = xcb_poll_for_event(c_))
        free(e);
    // pekwm can go to sleep on requests it has already read until more reaches it: unanswered,
    // the probe asks again every 250 ms.
    const std::uint32_t first = probeWidth_ >= 30000 ? 2 : probeWidth_ + 1;
    const std::int64_t deadline = nowMs() + timeoutMs;
    bool answered = false;
    for (std::int64_t left = timeoutMs; !answered && left > 0; left = deadline - nowMs()) {
        askWindowManager();
        answered = waitForEvent(c_, int(std::min<std::int64_t>(left, 250)), [&](const xcb_generic_event_t* e) {
            const auto* n = reinterpret_cast<const xcb_configure_notify_event_t*>(e);
            return (e->response_type & 0x7f) == XCB_CONFIGURE_NOTIFY && n->window == probe_ &&
                   (first <= probeWidth_ ? n->width >= first && n->width <= probeWidth_
                                         : n->width >= first || n->width <= probeWidth_);
        });
    }
    silentWhileHeld_ = !answered && buttonsHeld_ > 0;
    return answered;
}

void XSession::sendRootMessage(xcb_window_t client, const char* type, std::initializer_list<std::uint32_t> data)
{
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = client;
    ev.type = intern(c_, type);
    std::copy(data.begin(), data.end(), ev.data.data32);
    xcb_send_event(c_, 0, root_, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
    xcb_flush(c_);
}

bool XSession::activate(xcb_window_t client, int timeoutMs)
{
    // Asked always (an active window is raised too), and again each second while it is not
    // focused: a manager whose focus follows the pointer gives it to a window that maps under
    // the pointer after the first ask (a tray host starting).
    sendRootMessage(client, "_NET_ACTIVE_WINDOW", {2});   // from a pager
    QElapsedTimer asked;
    asked.start();
    return waitFor([&] {
        const xcb_window_t focus = inputFocus();
        if (activeWindow() == client && (focus == client || topLevelOf(focus) == topLevelOf(client)))
            return true;
        if (asked.elapsed() >= 1000) {
            sendRootMessage(client, "_NET_ACTIVE_WINDOW", {2});
            asked.start();
        }
        return false;
    }, timeoutMs);
}

bool XSession::keepAbove(xcb_window_t client, int timeoutMs)
{
    // Add the state, from a pager.
    sendRootMessage(client, "_NET_WM_STATE", {1, intern(c_, "_NET_WM_STATE_ABOVE"), 0, 2});
    return waitFor([&] { return atomNames(client, "_NET_WM_STATE").contains(u"_NET_WM_STATE_ABOVE"_qs); }, timeoutMs);
}

bool XSession::waitForRootMessage(const char* type, xcb_window_t window, int timeoutMs)
{
    const xcb_atom_t atom = intern(c_, type);
    return waitForEvent(c_, timeoutMs, [&](const xcb_generic_event_t* e) {
        const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(e);
        return (e->response_type & 0x7f) == XCB_CLIENT_MESSAGE && m->type == atom && m->window == window;
    });
}

std::optional<Rect> XSession::waitForFrameChange(xcb_window_t client, const Rect& from, int timeoutMs)
{
    std::optional<Rect> now;
    waitFor([&] {
        now = wmFrame(client);
        return !now || *now != from;
    }, timeoutMs);
    if (now && *now == from)
        return std::nullopt;
    return now;
}

std::vector<xcb_window_t> XSession::withWmState(xcb_window_t w, int depth)
{
    const xcb_atom_t wmState = intern(c_, "WM_STATE");
    auto* r = xcb_get_property_reply(c_, xcb_get_property(c_, 0, w, wmState, wmState, 0, 2), nullptr);
    const bool has = r && r->type != XCB_NONE;
    free(r);
    if (has)
        return {w};
    std::vector<xcb_window_t> found;
    auto* t = depth > 0 ? xcb_query_tree_reply(c_, xcb_query_tree(c_, w), nullptr) : nullptr;
    if (t) {
        const auto* kids = xcb_query_tree_children(t);
        for (int i = 0; i < xcb_query_tree_children_length(t); ++i)
            for (xcb_window_t k : withWmState(kids[i], depth - 1))
                found.push_back(k);
    }
    free(t);
    return found;
}

xcb_window_t XSession::topLevelOf(xcb_window_t w)
{
    for (int depth = 0; depth < 16; ++depth) {
        auto* t = xcb_query_tree_reply(c_, xcb_query_tree(c_, w), nullptr);
        if (!t)
            return XCB_NONE;
        const xcb_window_t parent = t->parent;
        free(t);
        if (parent == root_ || parent == XCB_NONE)
            return w;
        w = parent;
    }
    return XCB_NONE;
}

std::optional<Rect> XSession::wmFrame(xcb_window_t client)
{
    const xcb_window_t top = topLevelOf(client);
    if (!top)
        return std::nullopt;
    auto* g = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, top), nullptr);
    if (!g)
        return std::nullopt;
    const Rect outer(g->x, g->y, g->width + 2 * g->border_width, g->height + 2 * g->border_width);
    free(g);
    const auto ext = frameExtents(client);
    const auto at = rootPosition(client);
    auto* cg = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, client), nullptr);
    if (!ext || !at || !cg || top == client) {
        free(cg);
        return outer;
    }
    const Rect visible(at->x - cg->border_width - ext->left, at->y - cg->border_width - ext->top,
                       cg->width + 2 * cg->border_width + ext->left + ext->right,
                       cg->height + 2 * cg->border_width + ext->top + ext->bottom);
    free(cg);
    // Extents that reach outside the WM's own window are not its frame: trust the window.
    return outer.contains(visible) ? visible : outer;
}

std::optional<XSession::Extents> XSession::frameExtents(xcb_window_t client)
{
    const auto v = property32(c_, client, intern(c_, "_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL);
    if (v.size() >= 4)
        return Extents{int(v[0]), int(v[1]), int(v[2]), int(v[3])};
    // A window manager that states none (pekwm): how far its frame reaches past the client.
    if (!wmPid_ || atomNames(root_, "_NET_SUPPORTED").contains(u"_NET_FRAME_EXTENTS"_qs))
        return std::nullopt;
    const xcb_window_t top = topLevelOf(client);
    auto* t = top && top != client ? xcb_get_geometry_reply(c_, xcb_get_geometry(c_, top), nullptr) : nullptr;
    auto* g = t ? xcb_get_geometry_reply(c_, xcb_get_geometry(c_, client), nullptr) : nullptr;
    const auto at = rootPosition(client);
    std::optional<Extents> e;
    if (t && g && at) {
        const int left = int(at->x) - g->border_width - t->x, top = int(at->y) - g->border_width - t->y;
        e = Extents{left, t->width + 2 * t->border_width - left - g->width - 2 * g->border_width, top,
                    t->height + 2 * t->border_width - top - g->height - 2 * g->border_width};
    }
    free(t);
    free(g);
    return e;
}

std::optional<Rect> XSession::workArea()
{
    const auto v = property32(c_, root_, intern(c_, "_NET_WORKAREA"), XCB_ATOM_CARDINAL);
    if (v.size() < 4)
        return std::nullopt;
    return Rect(std::int32_t(v[0]), std::int32_t(v[1]), v[2], v[3]);
}

std::optional<Size> XSession::clientSize(xcb_window_t w)
{
    auto* g = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, w), nullptr);
    if (!g)
        return std::nullopt;
    const Size s{double(g->width), double(g->height)};
    free(g);
    return s;
}

std::optional<XSession::SizeSteps> XSession::sizeSteps(xcb_window_t w)
{
    // WM_SIZE_HINTS: flags, 4 unused, min, max, increments, 2 aspects, base size, gravity.
    const auto v = property32(c_, w, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS);
    constexpr std::uint32_t minGiven = 1 << 4, stepsGiven = 1 << 6, baseGiven = 1 << 8;
    if (v.size() < 17 || !(v[0] & stepsGiven))
        return std::nullopt;
    const auto size = [&](std::size_t at) { return Size{double(std::int32_t(v[at])), double(std::int32_t(v[at + 1]))}; };
    SizeSteps steps{size(9), {}};
    if (v[0] & baseGiven)
        steps.base = size(15);
    else if (v[0] & minGiven)
        steps.base = size(5);
    return steps;
}

std::vector<xcb_window_t> XSession::rootChildren()
{
    auto* t = xcb_query_tree_reply(c_, xcb_query_tree(c_, root_), nullptr);
    std::vector<xcb_window_t> v;
    if (t) {
        auto* ch = xcb_query_tree_children(t);
        v.assign(ch, ch + xcb_query_tree_children_length(t));
    }
    free(t);
    return v;
}

xcb_window_t XSession::topmostMapped()
{
    std::vector<xcb_window_t> frames;
    for (std::uint32_t w : property32(c_, root_, intern(c_, "_NET_CLIENT_LIST"), XCB_ATOM_WINDOW))
        frames.push_back(topLevelOf(w));
    auto children = rootChildren();
    // The client pekwm manages but does not list yet (the last one) counts too.
    if (!frames.empty() && wmName_ == QLatin1String("pekwm"))
        for (xcb_window_t top : children)
            if (!withWmState(top, 3).empty())
                frames.push_back(top);
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (frames.empty()) {
            // No WM lists clients: the highest viewable window that is not override-redirect.
            auto* a = xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, *it), nullptr);
            const bool candidate = a && a->map_state == XCB_MAP_STATE_VIEWABLE && !a->override_redirect;
            free(a);
            if (candidate)
                return *it;
        } else if (std::find(frames.begin(), frames.end(), *it) != frames.end() && isViewable(*it)) {
            return *it;
        }
    }
    return XCB_NONE;
}

xcb_window_t XSession::inputFocus()
{
    auto* f = xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr);
    const xcb_window_t w = f ? f->focus : XCB_NONE;
    free(f);
    return w;
}

xcb_window_t XSession::activeWindow()
{
    auto v = property32(c_, root_, intern(c_, "_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
    return v.empty() ? XCB_NONE : v[0];
}

QString XSession::windowTitle(xcb_window_t w)
{
    // WM_NAME where it is plain text; a title beyond Latin-1 is stated there in another encoding
    // (COMPOUND_TEXT), and then _NET_WM_NAME, in UTF-8, is the one window managers show.
    const auto read = [&](xcb_atom_t name, xcb_atom_t* type) {
        auto* r = xcb_get_property_reply(c_, xcb_get_property(c_, 0, w, name, XCB_ATOM_ANY, 0, 256), nullptr);
        QString t;
        if (r && r->format == 8)
            t = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
        *type = r ? r->type : XCB_NONE;
        free(r);
        return t;
    };
    xcb_atom_t type = XCB_NONE;
    const QString plain = read(XCB_ATOM_WM_NAME, &type);
    if (type == XCB_ATOM_STRING || type == intern(c_, "UTF8_STRING"))
        return plain;
    const QString wide = read(intern(c_, "_NET_WM_NAME"), &type);
    return wide.isEmpty() ? plain : wide;
}

QStringList XSession::atomNames(xcb_window_t w, const char* property)
{
    QStringList names;
    for (std::uint32_t a : property32(c_, w, intern(c_, property), XCB_ATOM_ATOM)) {
        auto* r = xcb_get_atom_name_reply(c_, xcb_get_atom_name(c_, a), nullptr);
        if (r)
            names << QString::fromLatin1(xcb_get_atom_name_name(r), xcb_get_atom_name_name_length(r));
        free(r);
    }
    return names;
}

bool XSession::exists(xcb_window_t w)
{
    auto* g = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, w), nullptr);
    free(g);
    return g != nullptr;
}

bool XSession::isViewable(xcb_window_t w)
{
    auto* r = xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, w), nullptr);
    const bool viewable = r && r->map_state == XCB_MAP_STATE_VIEWABLE;
    free(r);
    return viewable;
}

bool XSession::hasKeyboard(xcb_window_t w)
{
    return isViewable(w) && topLevelOf(inputFocus()) == topLevelOf(w);
}

std::optional<Point> XSession::rootPosition(xcb_window_t w)
{
    auto* r = xcb_translate_coordinates_reply(c_, xcb_translate_coordinates(c_, w, root_, 0, 0), nullptr);
    if (!r)
        return std::nullopt;
    const Point p{double(r->dst_x), double(r->dst_y)};
    free(r);
    return p;
}

void XSession::warpPointer(int x, int y)
{
    // A warp, not an XTest motion: it moves the pointer without any raw motion event.
    xcb_warp_pointer(c_, XCB_NONE, root_, 0, 0, 0, 0, std::int16_t(x), std::int16_t(y));
    sync();
}

void XSession::moveRelative(int dx, int dy)
{
    xcb_test_fake_input(c_, XCB_MOTION_NOTIFY, 1, XCB_CURRENT_TIME, XCB_NONE, dx, dy, 0);
    sync();
}

void XSession::pressButton(int button)
{
    xcb_test_fake_input(c_, XCB_BUTTON_PRESS, std::uint8_t(button), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    sync();
    ++buttonsHeld_;
}

void XSession::releaseButton(int button)
{
    xcb_test_fake_input(c_, XCB_BUTTON_RELEASE, std::uint8_t(button), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    sync();
    buttonsHeld_ = std::max(0, buttonsHeld_ - 1);
    if (buttonsHeld_ == 0)
        silentWhileHeld_ = false;
}

std::optional<Point> XSession::pointer()
{
    auto* p = xcb_query_pointer_reply(c_, xcb_query_pointer(c_, root_), nullptr);
    if (!p)
        return std::nullopt;
    const Point pt{double(p->root_x), double(p->root_y)};
    free(p);
    return pt;
}

xcb_window_t XSession::topLevelUnderPointer()
{
    auto* p = xcb_query_pointer_reply(c_, xcb_query_pointer(c_, root_), nullptr);
    const xcb_window_t w = p ? p->child : XCB_NONE;
    free(p);
    return w;
}

std::vector<Rect> XSession::dragTitleBar(xcb_window_t client, int dx, int dy, int steps,
                                         const std::function<void(int)>& afterStep)
{
    std::vector<Rect> frames;
    auto frame = wmFrame(client);
    const auto ext = frameExtents(client);
    if (!frame || !ext || steps <= 0)
        return frames;
    // Middle of the title bar: the top extent holds the border and the title bar.
    warpPointer(int(frame->midX()), int(frame->y() + std::max(ext->top, 2) / 2));
    pressButton(1);
    if (afterStep)
        afterStep(-1);
    Rect last = *frame;
    for (int i = 0; i < steps; ++i) {
        const int sx = dx * (i + 1) / steps - dx * i / steps;
        const int sy = dy * (i + 1) / steps - dy * i / steps;
        moveRelative(sx, sy);
        // Once openbox has answered a request sent after the motion, it has handled the motion.
        // pekwm answers nothing while it moves the window: then the frame's move tells.
        if (syncWithWindowManager()) {
            if (auto now = wmFrame(client))
                last = *now;
        } else if (auto moved = waitForFrameChange(client, last, 500)) {
            last = *moved;
        }
        frames.push_back(last);
        if (afterStep)
            afterStep(i);
    }
    releaseButton(1);
    return frames;
}

bool XSession::splitIntoTwoMonitors()
{
    if (run({QStringLiteral("xrandr"), QStringLiteral("--setmonitor"), QStringLiteral("LEFT"),
             QStringLiteral("1920/508x1080/286+0+0"), QStringLiteral("screen")}) != 0 ||
        run({QStringLiteral("xrandr"), QStringLiteral("--setmonitor"), QStringLiteral("RIGHT"),
             QStringLiteral("1280/339x1024/271+1920+0"), QStringLiteral("none")}) != 0) {
        fail(QStringLiteral("xrandr --setmonitor failed"));
        return false;
    }
    auto* m = xcb_randr_get_monitors_reply(c_, xcb_randr_get_monitors(c_, root_, 1), nullptr);
    const int n = m ? int(m->nMonitors) : 0;
    free(m);
    if (n != 2) {
        fail(QStringLiteral("expected two monitors after xrandr --setmonitor, found %1").arg(n));
        return false;
    }
    return true;
}

bool XSession::mergeResources(const QByteArray& lines)
{
    QFile file(dir_ + QStringLiteral("/resources"));
    if (!file.open(QIODevice::WriteOnly) || file.write(lines) != lines.size())
        return false;
    file.close();
    return run({QStringLiteral("xrdb"), QStringLiteral("-merge"), file.fileName()}) == 0;
}

bool XSession::compositing()
{
    const xcb_atom_t cm = intern(c_, "_NET_WM_CM_S0");
    auto* r = xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, cm), nullptr);
    const bool owned = r && r->owner != XCB_NONE;
    free(r);
    return owned;
}

bool XSession::compositorPaints()
{
    // Only one client may redirect a window to paint it: ours is refused when a compositing
    // manager redirects every new top-level. Within a grab, so its own redirect never meets ours.
    const xcb_window_t probe = xcb_generate_id(c_);
    const std::uint32_t overrideRedirect = 1;
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, probe, root_, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT, &overrideRedirect);
    xcb_grab_server(c_);
    const auto cookie = xcb_composite_redirect_window_checked(c_, probe, XCB_COMPOSITE_REDIRECT_MANUAL);
    xcb_destroy_window(c_, probe);
    xcb_ungrab_server(c_);
    xcb_generic_error_t* error = xcb_request_check(c_, cookie);
    const bool refused = error && error->error_code == XCB_ACCESS;
    free(error);
    return refused;
}

bool XSession::startCompositor()
{
    // A window manager that composites itself (metacity) already holds the selection.
    if (!compositing() && !spawn({QStringLiteral("xcompmgr")}))
        return false;
    const bool up = waitFor([&] { return compositing() && compositorPaints(); });
    if (!up)
        fail(QStringLiteral("no compositing manager took over the screen"));
    return up;
}

SessionApp::SessionApp(const XSession& session)
{
    hadRuntime_ = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    oldRuntime_ = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", (session.directory() + "/runtime").toLocal8Bit());
    hadDisplay_ = qEnvironmentVariableIsSet("DISPLAY");
    oldDisplay_ = qgetenv("DISPLAY");
    hadPlatform_ = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    oldPlatform_ = qgetenv("QT_QPA_PLATFORM");
    qputenv("DISPLAY", session.display());
    qputenv("QT_QPA_PLATFORM", "xcb");
    storage_ = {QByteArray("framewell-x11-test")};
    for (auto& s : storage_)
        argv_.push_back(s.data());
    argv_.push_back(nullptr);
    argc_ = int(storage_.size());
    app_ = std::make_unique<QApplication>(argc_, argv_.data());
}

SessionApp::~SessionApp()
{
    // Objects queued with deleteLater are freed while the application still exists; without
    // an event loop after them they would outlive it and show up as leaks.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    app_.reset();
    if (hadDisplay_)
        qputenv("DISPLAY", oldDisplay_);
    else
        qunsetenv("DISPLAY");
    if (hadPlatform_)
        qputenv("QT_QPA_PLATFORM", oldPlatform_);
    else
        qunsetenv("QT_QPA_PLATFORM");
    if (hadRuntime_)
        qputenv("XDG_RUNTIME_DIR", oldRuntime_);
    else
        qunsetenv("XDG_RUNTIME_DIR");
}

} // namespace fw::test
