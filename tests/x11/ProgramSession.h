#pragma once
// Our program as another process on a real server: its windows found from outside (our panels
// unmanaged, our managed windows however deep the window manager nests them), its tray icon
// embedded by the tray host, and what it wrote to its log. For the x11 tests and benchmarks
// that start the framewell executable.

#include "onboarding/ProductInfo.h"
#include "x11/XSession.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// The program's executable (the build names it; else found on PATH).
#ifndef FW_FRAMEWELL_PATH
#define FW_FRAMEWELL_PATH "framewell"
#endif

namespace fw::test {

inline QByteArray wmClass(XSession& s, xcb_window_t w)
{
    auto* r = xcb_get_property_reply(s.connection(),
                                     xcb_get_property(s.connection(), 0, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64),
                                     nullptr);
    QByteArray value = r ? QByteArray(static_cast<const char*>(xcb_get_property_value(r)),
                                      xcb_get_property_value_length(r))
                         : QByteArray();
    free(r);
    return value.replace('\0', ' ');
}

inline std::vector<xcb_window_t> children(XSession& s, xcb_window_t w)
{
    std::vector<xcb_window_t> out;
    if (auto* r = xcb_query_tree_reply(s.connection(), xcb_query_tree(s.connection(), w), nullptr)) {
        const xcb_window_t* c = xcb_query_tree_children(r);
        out.assign(c, c + xcb_query_tree_children_length(r));
        free(r);
    }
    return out;
}

// A window of ours inside another client's window: the tray icon that the tray host embedded;
// XCB_NONE when there is none.
inline xcb_window_t trayIconWindow(XSession& s)
{
    for (xcb_window_t top : children(s, s.root())) {
        std::vector<xcb_window_t> level = children(s, top);
        for (int depth = 0; depth < 8 && !level.empty(); ++depth) {
            std::vector<xcb_window_t> next;
            for (xcb_window_t w : level) {
                if (wmClass(s, w).contains("framewell") && !wmClass(s, top).contains("framewell"))
                    return w;
                const auto more = children(s, w);
                next.insert(next.end(), more.begin(), more.end());
            }
            level = std::move(next);
        }
    }
    return XCB_NONE;
}

inline bool trayIconEmbedded(XSession& s) { return trayIconWindow(s) != XCB_NONE; }

inline bool trayHostRunning(XSession& s)
{
    static const char name[] = "_NET_SYSTEM_TRAY_S0";
    auto* atom = xcb_intern_atom_reply(s.connection(), xcb_intern_atom(s.connection(), 0, sizeof name - 1, name), nullptr);
    if (!atom)
        return false;
    auto* owner = xcb_get_selection_owner_reply(s.connection(), xcb_get_selection_owner(s.connection(), atom->atom),
                                                nullptr);
    const bool owned = owner && owner->owner != XCB_NONE;
    free(owner);
    free(atom);
    return owned;
}

// Starts trayer at the top right as the session's tray host; true once it holds the tray.
inline bool startTrayHost(XSession& s)
{
    return s.spawn({u"trayer"_qs, u"--edge"_qs, u"top"_qs, u"--align"_qs, u"right"_qs, u"--widthtype"_qs, u"request"_qs,
                    u"--height"_qs, u"24"_qs, u"--SetDockType"_qs, u"true"_qs})
        && s.waitFor([&] { return trayHostRunning(s); });
}

// Our windows on screen: our override-redirect panels, and our managed ones inside the
// window manager's frames.
inline std::vector<xcb_window_t> programWindows(XSession& s)
{
    std::vector<xcb_window_t> out;
    std::vector<xcb_window_t> level = children(s, s.root());
    for (int depth = 0; depth < 4 && !level.empty(); ++depth) {
        std::vector<xcb_window_t> next;
        for (xcb_window_t w : level) {
            if (wmClass(s, w).contains("framewell")) {
                out.push_back(w);
            } else if (depth < 3) {
                const auto more = children(s, w);
                next.insert(next.end(), more.begin(), more.end());
            }
        }
        level = std::move(next);
    }
    std::erase_if(out, [&](xcb_window_t w) { return !s.isViewable(w); });
    return out;
}

// Where a window's own content is, whatever the window manager draws around it.
inline std::optional<Rect> contentRect(XSession& s, xcb_window_t w)
{
    const auto at = s.rootPosition(w);
    const auto size = s.clientSize(w);
    return at && size ? std::optional<Rect>(Rect(*at, *size)) : std::nullopt;
}

// The tray icon's place on the screen once it shows and holds still there: the tray host maps
// it only once it has embedded it, grows by it and aligns itself again, and a window manager may
// place the host later still (evilwm shows it first past the screen's edge). Nothing when it
// does not within 10 s.
inline std::optional<Rect> settledTrayIcon(XSession& s)
{
    const auto screen = s.clientSize(s.root());
    std::optional<Rect> at;
    const bool settled = s.waitFor([&] {
        const xcb_window_t icon = trayIconWindow(s);
        const auto before = icon ? contentRect(s, icon) : std::nullopt;
        s.waitFor([] { return false; }, 200);
        at = icon && s.isViewable(icon) ? contentRect(s, icon) : std::nullopt;
        return screen && at && at == before && at->minX() >= 0 && at->minY() >= 0 && at->maxX() <= screen->width
               && at->maxY() <= screen->height;
    }, 10000);
    return settled ? at : std::nullopt;
}

// A window of ours shown at the frame (a panel of the overlay). With `anyHeight`, the bottom
// may differ: window managers with a panel of their own keep a different work area.
inline bool programPanelAt(XSession& s, const Rect& frame, bool anyHeight = false)
{
    for (xcb_window_t w : programWindows(s)) {
        const auto content = contentRect(s, w);
        if (content == frame
            || (anyHeight && content && content->origin == frame.origin && content->width() == frame.width()))
            return true;
    }
    return false;
}

// For failure messages.
inline std::string programPanels(XSession& s)
{
    std::string out;
    for (xcb_window_t w : programWindows(s))
        out += toString(contentRect(s, w).value_or(Rect())).toStdString() + " ";
    return out.empty() ? "none" : out;
}

// A window of ours with this title.
inline bool programWindowShown(XSession& s, const QString& title)
{
    for (xcb_window_t w : programWindows(s)) {
        if (s.windowTitle(w) == title)
            return true;
    }
    return false;
}

// The defaults of a user who has opened the program before: no welcome window at start; and
// any more the test gives.
inline bool openedBefore(const XSession& s, const QJsonObject& more = {})
{
    const QString config = s.directory() + u"/config/framewell"_qs;
    QFile defaults(config + u"/defaults.json"_qs);
    QJsonObject values{{u"hasOpened"_qs, true}, {u"welcomeVideoShown"_qs, true}, {u"lastSeenVersion"_qs, productVersion()}};
    for (auto it = more.begin(); it != more.end(); ++it)
        values.insert(it.key(), it.value());
    return QDir().mkpath(config) && defaults.open(QIODevice::WriteOnly)
        && defaults.write(QJsonDocument(values).toJson()) > 0;
}

// What the programs started under this name (the first argument's file name) wrote.
inline QString programLog(const XSession& s, const QString& program = QStringLiteral("framewell"))
{
    QString text;
    for (const QString& name : QDir(s.directory() + u"/logs"_qs).entryList({program + u"-*.log"_qs})) {
        QFile f(s.directory() + u"/logs/"_qs + name);
        if (f.open(QIODevice::ReadOnly))
            text += QString::fromUtf8(f.readAll());
    }
    return text;
}

// Processor time (user and system, all threads) a process has taken so far, in clock ticks;
// -1 when it cannot be read.
inline long long cpuTicks(pid_t pid)
{
    QFile f(u"/proc/%1/stat"_qs.arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = f.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields[11].toLongLong() + fields[12].toLongLong() : -1;
}

// How long the program may take to say it started: on two busy cores, beside other tests'
// servers and managers, a start took more than 10 s.
constexpr int kProgramStartMs = 20000;

// A process's state letter and name as the kernel shows them ("R (running)"), for failure
// messages; empty once it has gone.
inline std::string processState(pid_t pid)
{
    QFile f(u"/proc/%1/status"_qs.arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("State:"))
            return line.mid(6).trimmed().toStdString();
    }
    return {};
}

// Starts the program as a user who has opened it before, with these arguments: its pid once its
// log says it started, else 0 (the session's error and the program's log say why; where it did
// not start in time, the error channel says what its process was doing).
inline pid_t startProgram(XSession& s, const QJsonObject& defaults = {}, const QStringList& arguments = {})
{
    if (!openedBefore(s, defaults))
        return 0;
    const pid_t program = s.spawn(QStringList{QStringLiteral(FW_FRAMEWELL_PATH)} + arguments);
    const bool started = program && s.waitFor([&] { return programLog(s).contains(u"Framewell started"_qs); }, kProgramStartMs);
    if (program && !started) {
        const std::string state = processState(program);
        std::fprintf(stderr, "the program did not say it started within %d s: state %s, cpu ticks %lld\n",
                     kProgramStartMs / 1000, state.empty() ? "gone" : state.c_str(), cpuTicks(program));
    }
    return started ? program : 0;
}
} // namespace fw::test
