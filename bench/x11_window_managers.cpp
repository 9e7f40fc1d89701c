// The X11 adapters under each window manager (openbox, xfwm4, icewm, fluxbox, metacity, pekwm, evilwm;
// or the one FRAMEWELL_TEST_WM names), each in its own session, on an xterm: the window manager's
// raw floor for a move and resize (a _NET_MOVERESIZE_WINDOW message and a configure request on
// the client, each sent and waited for until the client's ConfigureNotify), the adapter's frame
// write by each of the two, whether both land the same frame; side by side, sample by sample, on
// a window of the bench's own and on the xterm: a client's own configure round trip (until its
// notice, and until its frame has followed too) against one adapter write (moves) and a verified
// write (moves and resizes), and a plain client's resize of the xterm beside a verified resize
// of the same sizes, in a desktop of the xterm's own; an animated move (designed 0.24 s), a
// raise and an activation, whether a maximized xterm is manageable, and whether a raise raises
// without focusing. Medians (and 95th percentiles) of 200 samples for writes, 20 for the rest;
// one table of all window managers at the end.
#include "BenchSupport.h"
#include "ClientRoundTrip.h"
#include "base/Log.h"
#include "platform/x11/X11Connection.h"
#include "x11/AccessRig.h"
#include "x11/XSession.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QScopeGuard>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace fw;
using Clock = std::chrono::steady_clock;

constexpr int kSamples = 20;
// Writes take a millisecond or two and wander with the machine's load between one block of
// samples and the next: their medians are taken over more.
constexpr int kWriteSamples = 200;
// The pause before each side-by-side sample, as a plain client's requests 20 ms apart.
constexpr int kRestMs = 20;

// What one window manager gave; negative times were not measured.
struct Figures {
    std::map<std::string, double> medianMs, p95Ms;
    int sameLanding = -1;   // 1: the message and the configure request land the same frame
    int maximizedListed = -1;   // 1 yes, 0 no
    int raised = -1, focusMoved = -1;   // raises out of kSamples
    int dropped = 0;   // a client's own requests that went unanswered (side by side)
    std::string error;
};

struct Session {
    std::unique_ptr<test::XSession> x;
    test::XSession::Client term, back, maximized;
};

Session* current = nullptr;
Figures* figures = nullptr;

bool startSession(const QString& wm, Session& session, std::string& error, bool alone = false);

// Window access over the session, and the xterm as a managed window (nothing when it is not).
struct Rig {
    explicit Rig(const QByteArray& display) : ws(display) {}
    X11WindowSystem ws;
    test::OneScreen screens;
    QtClock clock;
    X11Permissions permissions;
    WindowAccess access{ws, screens, clock, permissions};
    std::optional<ManagedWindow> term() { return ManagedWindow::make(ws, current->term.window); }
};

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

// Keeps the median and 95th percentile of samples under `name`.
void record(const char* name, std::vector<double> samples)
{
    figures->medianMs[name] = median(samples);
    std::sort(samples.begin(), samples.end());
    figures->p95Ms[name] = samples.empty() ? -1 : samples[std::min(samples.size() - 1, samples.size() * 95 / 100)];
}

// Times `step(i)` once an iteration; reports the median under `name`.
void timeSamples(benchmark::State& state, const char* name, const std::function<bool(int)>& step)
{
    std::vector<double> samples;
    bool ok = true;
    int i = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        ok = step(i++) && ok;
        const double ms = msSince(start);
        samples.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
    }
    bench::setPercentiles(state, samples, "median_ms", "p95_ms");
    record(name, std::move(samples));
    if (!ok)
        state.SkipWithError("a step failed");
}

// Two frames on the xterm's cell grid, so that a verified write can succeed.
std::pair<Rect, Rect> gridFrames(X11WindowSystem& ws, WindowId id)
{
    const SizeHints h = ws.sizeHints(id).value_or(SizeHints{});
    const double iw = std::max(1.0, h.increment.width), ih = std::max(1.0, h.increment.height);
    const Size base = h.base != Size{} ? h.base : ws.frame(id).value_or(Rect(0, 0, 400, 300)).size;
    return {Rect(100, 100, base.width + 60 * iw, base.height + 20 * ih),
            Rect(160, 140, base.width + 64 * iw, base.height + 22 * ih)};
}

// Whether the window manager lists _NET_MOVERESIZE_WINDOW (pekwm does not, and ignores it).
bool messageListed()
{
    test::XSession& s = *current->x;
    return s.atomNames(s.root(), "_NET_SUPPORTED").contains(QStringLiteral("_NET_MOVERESIZE_WINDOW"));
}

// One move and resize of the same frames by the adapter, written and waited for once,
// unchecked, by the message or by the configure request.
void adapterFrameWrite(benchmark::State& state, X11WindowSystem::WritePath path, const char* name)
{
    if (path == X11WindowSystem::WritePath::Message && !messageListed())
        return state.SkipWithError("_NET_MOVERESIZE_WINDOW is not in _NET_SUPPORTED");
    X11WindowSystem ws(current->x->display());
    ws.setWritePath(path);
    const WindowId id = current->term.window;
    const auto [a, b] = gridFrames(ws, id);
    timeSamples(state, name, [&](int i) { return ws.setFrame(id, i % 2 ? a : b); });
}

void BM_FrameWriteByMessage(benchmark::State& state)
{
    adapterFrameWrite(state, X11WindowSystem::WritePath::Message, "frameWriteMessage");
}

void BM_FrameWriteByRequest(benchmark::State& state)
{
    adapterFrameWrite(state, X11WindowSystem::WritePath::ConfigureRequest, "frameWriteRequest");
}

// A connection of the bench's own to the session (the session's waits take the events of the
// session's); nothing, the benchmark skipped, when it cannot connect.
xcb_connection_t* ownConnection(benchmark::State& state)
{
    xcb_connection_t* c = xcb_connect(current->x->display().constData(), nullptr);
    if (!xcb_connection_has_error(c))
        return c;
    xcb_disconnect(c);
    state.SkipWithError("no connection");
    return nullptr;
}

// Waits for a ConfigureNotify of the window (with that width, when given); false after 1 s
// (a window manager that drops a request sends nothing).
bool awaitConfigureNotify(xcb_connection_t* c, xcb_window_t w, std::optional<std::uint32_t> width)
{
    const std::int64_t deadline = x11::nowMs() + 1000;
    for (;;) {
        xcb_generic_event_t* e = xcb_poll_for_event(c);
        if (!e) {
            if (xcb_connection_has_error(c) || !x11::waitReadable(c, deadline))
                return false;
            continue;
        }
        const auto* n = reinterpret_cast<const xcb_configure_notify_event_t*>(e);
        const bool seen = (e->response_type & 0x7f) == XCB_CONFIGURE_NOTIFY && n->window == w &&
            (!width || n->width == *width);
        free(e);
        if (seen)
            return true;
    }
}

// The window manager's own floor: the client moved and resized between the same two frames by
// a bare message or configure request, each waited for until the client's ConfigureNotify with
// the new size (or 1 s).
void rawFloor(benchmark::State& state, bool message, const char* name)
{
    if (message && !messageListed())
        return state.SkipWithError("_NET_MOVERESIZE_WINDOW is not in _NET_SUPPORTED");
    X11WindowSystem ws(current->x->display());
    test::XSession& s = *current->x;
    xcb_connection_t* c = ownConnection(state);
    if (!c)
        return;
    const xcb_window_t w = current->term.window;
    const auto [a, b] = gridFrames(ws, w);
    const auto ext = s.frameExtents(w).value_or(test::XSession::Extents{});
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t moveResize = [&] {
        auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 22, "_NET_MOVERESIZE_WINDOW"), nullptr);
        const xcb_atom_t atom = r ? r->atom : XCB_NONE;
        free(r);
        return atom;
    }();
    timeSamples(state, name, [&](int i) {
        const Rect& f = i % 2 ? a : b;
        const std::uint32_t width = std::uint32_t(f.width()) - ext.left - ext.right;
        const std::uint32_t height = std::uint32_t(f.height()) - ext.top - ext.bottom;
        if (message) {
            xcb_client_message_event_t ev{};
            ev.response_type = XCB_CLIENT_MESSAGE;
            ev.format = 32;
            ev.window = w;
            ev.type = moveResize;
            const std::uint32_t data[5] = {1u | (15u << 8) | (2u << 12), std::uint32_t(f.x()), std::uint32_t(f.y()), width, height};
            std::copy(std::begin(data), std::end(data), ev.data.data32);
            xcb_send_event(c, 0, s.root(), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                           reinterpret_cast<const char*>(&ev));
        } else {
            const std::uint32_t values[4] = {std::uint32_t(f.x()), std::uint32_t(f.y()), width, height};
            xcb_configure_window(c, w, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                 XCB_CONFIG_WINDOW_HEIGHT, values);
        }
        xcb_flush(c);
        return awaitConfigureNotify(c, w, width);
    });
    xcb_disconnect(c);
}

void BM_RawMessage(benchmark::State& state) { rawFloor(state, true, "rawMessage"); }

void BM_RawRequest(benchmark::State& state) { rawFloor(state, false, "rawRequest"); }

// Whether the two ways land the same frames (checked once, untimed).
void BM_SameLanding(benchmark::State& state)
{
    if (!messageListed())
        return state.SkipWithError("_NET_MOVERESIZE_WINDOW is not in _NET_SUPPORTED");
    X11WindowSystem byMessage(current->x->display()), byRequest(current->x->display());
    byMessage.setWritePath(X11WindowSystem::WritePath::Message);
    byRequest.setWritePath(X11WindowSystem::WritePath::ConfigureRequest);
    const WindowId id = current->term.window;
    const auto [a, b] = gridFrames(byMessage, id);
    bool same = true;
    for (auto _ : state)
        for (const Rect& f : {a, b}) {
            byMessage.setFrame(id, Rect(0, 0, 500, 400));
            byMessage.setFrame(id, f);
            const auto landed = current->x->wmFrame(id);
            byRequest.setFrame(id, Rect(0, 0, 500, 400));
            byRequest.setFrame(id, f);
            same = same && landed && landed == current->x->wmFrame(id);
        }
    figures->sameLanding = same ? 1 : 0;
    state.counters["same"] = same ? 1 : 0;
}

// Side by side, sample by sample in an order shuffled each round, so that the machine's load
// weighs on each alike, every sample starting once the window manager has handled everything
// before it and the desktop is at rest, after a warm-up (a window manager's first answers
// teach the adapter its habits): on a window of the bench's own and on the xterm, a client's
// own configure round trip, timed until its notice and until its frame has followed too, and
// the adapter's write. Moves and resizes go between the xterm's two frames, by verified
// writes; moves alone between two corners, by one adapter write each.
void rest()
{
    QEventLoop loop;
    QTimer::singleShot(kRestMs, &loop, &QEventLoop::quit);
    loop.exec();
}

void sideBySide(benchmark::State& state, bool resize)
{
    // In a desktop of its own, the xterm and the bench's window alone under the manager, as a
    // client timed in a session of its own finds it: the shared desktop's xterms behind would
    // redraw what each sample uncovers, on the same cores.
    Session alone;
    std::string error;
    if (!startSession(current->x->windowManager(), alone, error, true))
        return state.SkipWithError(error.c_str());
    Session* const shared = std::exchange(current, &alone);
    const auto back = qScopeGuard([&] { current = shared; });
    Rig rig(current->x->display());
    test::XSession& s = *current->x;
    const auto term = rig.term();
    bench::ClientRoundTrip own(s), termTrip(s, current->term.window);
    if (!own.ok() || !termTrip.ok() || !term)
        return state.SkipWithError("the bench's own window or the xterm is not managed");
    const ManagedWindow mine{own.window(), ownPid(), QStringLiteral("own round"), {}};
    const auto [a, b] = gridFrames(rig.ws, term->element);
    const Rect frames[2] = {resize ? a : Rect(Point{120, 90}, a.size), resize ? b : Rect(Point{80, 110}, a.size)};
    for (const Rect& f : frames)
        if (!own.learn(s, f, resize) || !termTrip.learn(s, f, resize))
            return state.SkipWithError("a window did not settle");
    // Each window goes between its two frames, turn by turn; each kind keeps its samples under
    // the name of its figure (a move the window manager answers without a notice to the client
    // has none until it).
    int ownTurn = 0, termTurn = 0;
    std::map<std::string, std::vector<double>> samples;
    double last = 0;   // the sample just taken, in ms
    // A request the window manager dropped is counted, not timed: the client would ask again.
    auto trip = [&](bench::ClientRoundTrip& t, int& turn, const std::string& key) {
        const auto answer = t.configure(s, frames[turn++ % 2], resize);
        last = answer ? answer->frameMs : 1000;
        if (!answer) {
            ++figures->dropped;
            return true;
        }
        if (answer->noticeMs)
            samples[key].push_back(*answer->noticeMs);
        samples[key + "Framed"].push_back(last);
        return true;
    };
    auto write = [&](const ManagedWindow& w, int& turn, const char* key) {
        const Rect& f = frames[turn++ % 2];
        const auto start = Clock::now();
        const bool ok = resize ? test::runOnQtLoop(rig.access.setFrame(w, f, 1.0)).value_or(false)
                               : rig.ws.setPosition(w.element, f.origin);
        samples[key].push_back(last = msSince(start));
        return ok;
    };
    const std::string kind = resize ? "RoundTrip" : "Move";
    // A plain client's resize of the xterm (its size alone), timed as a client of its own
    // times it: what a client's own trip costs without the bench's learnt frames.
    auto plain = [&] {
        const auto ms = termTrip.resizeAlone();
        last = ms.value_or(1000);
        if (ms)
            samples["termPlainResize"].push_back(*ms);
        else
            ++figures->dropped;
        return true;
    };
    std::vector<std::function<bool()>> kinds = {
        [&] { return trip(own, ownTurn, "own" + kind); },
        [&] { return trip(termTrip, termTurn, "term" + kind); },
        [&] { return write(mine, ownTurn, resize ? "verifiedOwn" : "writeOwn"); },
        [&] { return write(*term, termTurn, resize ? "verified" : "write"); },
    };
    // The verified write of the plain client's resize: the same client sizes by the same rule,
    // as the frames they make where the xterm stands, as the notices the program follows tell
    // it. Both kinds take the same turns, each from the size the other left: an ordering that
    // left one of them the shrinking turns would time for it alone the redrawing of what a
    // shrink uncovers. Off its cell grid, the write is judged by the cells the window has now. No kind
    // asks the server anything just before its timed request: a question answered moments
    // before shortens the next trip (under evilwm by about 0.02 ms for the plain client and
    // 0.07 ms for the verified write).
    const auto clientNow = s.clientSize(current->term.window);
    const auto frameNow = rig.ws.frame(term->element);
    if (!clientNow || !frameNow)
        return state.SkipWithError("the xterm could not be read");
    const Size around{frameNow->width() - clientNow->width, frameNow->height() - clientNow->height};
    auto resizeAlone = [&] {
        const auto now = rig.ws.frameAndStates(term->element);
        const Point origin = now ? now->frame.origin : a.origin;
        const bool larger = !now || now->frame.width() - around.width < 510;
        const Rect f(origin, Size{(larger ? 520 : 500) + around.width, (larger ? 420 : 400) + around.height});
        const auto start = Clock::now();
        const bool ok = test::runOnQtLoop(rig.access.setFrame(*term, f, 1.0)).value_or(false);
        samples["verifiedResize"].push_back(last = msSince(start));
        return ok;
    };
    if (resize) {
        kinds.push_back(plain);
        kinds.push_back(resizeAlone);
    }
    std::mt19937 shuffled(7);
    constexpr int kWarmUpRounds = 10;
    for (int round = 0; round < kWarmUpRounds; ++round)
        for (const auto& k : kinds)
            k();
    samples.clear();
    bool ok = true;
    std::size_t i = 0;
    for (auto _ : state) {
        const std::size_t k = i++ % kinds.size();
        if (k == 0)
            std::shuffle(kinds.begin(), kinds.end(), shuffled);
        s.syncWithWindowManager();
        // At rest, as a user's gestures find the desktop and the program (its event loop
        // running): the xterm and the window manager redraw after each sample, and a sample
        // taken meanwhile would time their redrawing.
        rest();
        ok = kinds[k]() && ok;
        state.SetIterationTime(last / 1000.0);
    }
    for (auto& [key, values] : samples) {
        record(key.c_str(), values);
        state.counters[key + "_median_ms"] = figures->medianMs[key];
    }
    if (!ok)
        state.SkipWithError("a step failed");
}

void BM_MovesSideBySide(benchmark::State& state) { sideBySide(state, false); }

void BM_WritesSideBySide(benchmark::State& state) { sideBySide(state, true); }

void BM_AnimatedMove(benchmark::State& state)
{
    Rig rig(current->x->display());
    const auto window = rig.term();
    if (!window)
        return state.SkipWithError("the xterm is not manageable");
    const Rect a = gridFrames(rig.ws, window->element).first;
    const Rect b(a.x() + 900, a.y() + 300, a.width(), a.height());
    test::runOnQtLoop(rig.access.setFrame(*window, a, 1.0));
    timeSamples(state, "animated", [&](int i) {
        return test::runOnQtLoop(rig.access.animateMove(*window, {}, i % 2 ? a : b, 1.0)).value_or(false);
    });
}

// Each sample: the xterm in front and focused (untimed), then a timed raise of the one behind.
void BM_Raise(benchmark::State& state)
{
    X11WindowSystem ws(current->x->display());
    test::XSession& s = *current->x;
    int raised = 0, focusMoved = 0;
    std::vector<double> samples;
    for (auto _ : state) {
        state.PauseTiming();
        ws.activate(current->term.window);
        const xcb_window_t focus = s.inputFocus();
        state.ResumeTiming();
        const auto start = Clock::now();
        ws.raise(current->back.window);
        samples.push_back(msSince(start));
        state.SetIterationTime(samples.back() / 1000.0);
        raised += s.topmostMapped() == s.topLevelOf(current->back.window);
        focusMoved += s.inputFocus() != focus;
    }
    bench::setPercentiles(state, samples, "median_ms", "p95_ms");
    figures->medianMs["raise"] = median(samples);
    figures->raised = raised;
    figures->focusMoved = focusMoved;
}

void BM_Activate(benchmark::State& state)
{
    X11WindowSystem ws(current->x->display());
    timeSamples(state, "activate", [&](int i) {
        return ws.activate(i % 2 ? current->term.window : current->back.window);
    });
}

void BM_MaximizedListed(benchmark::State& state)
{
    X11WindowSystem ws(current->x->display());
    bool listed = false;
    for (auto _ : state)
        listed = ManagedWindow::make(ws, current->maximized.window).has_value();
    figures->maximizedListed = listed ? 1 : 0;
    state.counters["listed"] = listed ? 1 : 0;
}

// The xterms every benchmark finds: a maximized one, one behind and the one written; `alone`,
// the one written only.
bool startSession(const QString& wm, Session& session, std::string& error, bool alone)
{
    test::XSessionOptions options;
    options.windowManagerName = wm;
    session.x = std::make_unique<test::XSession>(options);
    test::XSession& s = *session.x;
    if (s.ok() && !alone)
        session.maximized = s.startXterm(QStringLiteral("maximized"), {QStringLiteral("-maximized")});
    // Maximized once its frame spans most of the screen.
    if (s.ok() && !alone && !s.waitFor([&] {
            auto f = s.wmFrame(session.maximized.window);
            return f && f->width() > 1500;
        }))
        error = "the xterm did not maximize";
    if (s.ok() && !alone)
        session.back = s.startXterm(QStringLiteral("behind"), {QStringLiteral("-geometry"), QStringLiteral("80x24+300+300")});
    if (s.ok())
        session.term = s.startXterm(QStringLiteral("written"), {QStringLiteral("-geometry"), QStringLiteral("80x24+80+110")});
    if (!s.ok())
        error = s.error();
    return error.empty();
}

std::string cell(double ms)
{
    if (ms < 0)
        return "–";
    char buf[32];
    std::snprintf(buf, sizeof buf, ms < 10 ? "%.1f ms" : "%.0f ms", ms);
    return buf;
}

void printTable(const std::vector<std::pair<QString, Figures>>& all)
{
    auto row = [&](const char* label, const std::function<std::string(const Figures&)>& value) {
        std::string line = std::string("| ") + label + " |";
        for (const auto& [wm, f] : all)
            line += " " + (f.error.empty() ? value(f) : std::string("–")) + " |";
        std::printf("%s\n", line.c_str());
    };
    std::string head = "| |", rule = "|---|";
    for (const auto& [wm, f] : all) {
        head += " " + wm.toStdString() + " |";
        rule += "---|";
    }
    std::printf("\n%s\n%s\n", head.c_str(), rule.c_str());
    const auto both = [](const Figures& f, const char* key) { return cell(f.medianMs.at(key)) + " / " + cell(f.p95Ms.at(key)); };
    const auto ratio = [](const Figures& f, const char* key, const char* floorKey) {
        const double floor = f.medianMs.at(floorKey), ms = f.medianMs.at(key);
        if (floor <= 0 || ms < 0)
            return std::string("–");
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.2f×", ms / floor);
        return std::string(buf);
    };
    row("raw floor, _NET_MOVERESIZE_WINDOW (median / p95)", [&](const Figures& f) { return both(f, "rawMessage"); });
    row("raw floor, configure request (median / p95)", [&](const Figures& f) { return both(f, "rawRequest"); });
    row("adapter frame write by message (median / p95)", [&](const Figures& f) { return both(f, "frameWriteMessage"); });
    row("adapter frame write by request (median / p95)", [&](const Figures& f) { return both(f, "frameWriteRequest"); });
    row("message and request land the same frame", [](const Figures& f) {
        return std::string(f.sameLanding == 1 ? "yes" : f.sameLanding == 0 ? "no" : "–");
    });
    row("verified ÷ faster raw floor", [&](const Figures& f) {
        const double message = f.medianMs.at("rawMessage"), request = f.medianMs.at("rawRequest");
        return ratio(f, "verified", message > 0 && (request <= 0 || message < request) ? "rawMessage" : "rawRequest");
    });
    // Side by side, sample by sample: on the bench's own window and on the xterm, a client's
    // own round trip (until its notice; until its frame has followed too) and the adapter's.
    for (const auto& [window, own, suffix] : {std::tuple{"own window", "own", "Own"}, std::tuple{"xterm", "term", ""}}) {
        const std::string move = std::string(own) + "Move", trip = std::string(own) + "RoundTrip";
        const std::string write = std::string("write") + suffix, verified = std::string("verified") + suffix;
        const std::string at = std::string(window) + ": ";
        const auto figure = [&](const char* label, const std::string& key) {
            row((at + label + " (median / p95)").c_str(), [&](const Figures& f) { return both(f, key.c_str()); });
        };
        const auto ratioRow = [&](const char* label, const std::string& key, const std::string& floorKey) {
            row((at + label).c_str(), [&](const Figures& f) { return ratio(f, key.c_str(), floorKey.c_str()); });
        };
        figure("a client's own move", move);
        figure("a client's own move, frame followed", move + "Framed");
        figure("one adapter write (a move)", write);
        figure("a client's own move and resize", trip);
        figure("a client's own move and resize, frame followed", trip + "Framed");
        figure("verified write", verified);
        ratioRow("one adapter write ÷ a client's own move", write, move);
        ratioRow("one adapter write ÷ a client's own move, frame followed", write, move + "Framed");
        ratioRow("verified ÷ a client's own move and resize", verified, trip);
        ratioRow("verified ÷ a client's own move and resize, frame followed", verified, trip + "Framed");
    }
    row("xterm: a plain client's resize, frame followed (median / p95)",
        [&](const Figures& f) { return both(f, "termPlainResize"); });
    row("xterm: verified ÷ a plain client's resize", [&](const Figures& f) { return ratio(f, "verified", "termPlainResize"); });
    row("xterm: verified resize alone (median / p95)", [&](const Figures& f) { return both(f, "verifiedResize"); });
    row("xterm: verified resize alone ÷ a plain client's resize",
        [&](const Figures& f) { return ratio(f, "verifiedResize", "termPlainResize"); });
    row("a client's own requests dropped (no answer in 1 s)", [](const Figures& f) { return std::to_string(f.dropped); });
    row("animated move (designed 0.24 s)", [](const Figures& f) { return cell(f.medianMs.at("animated")); });
    row("raise", [](const Figures& f) { return cell(f.medianMs.at("raise")); });
    row("activation", [](const Figures& f) { return cell(f.medianMs.at("activate")); });
    row("maximized xterm listed", [](const Figures& f) { return std::string(f.maximizedListed == 1 ? "yes" : "no"); });
    row("raise without activation", [](const Figures& f) {
        if (f.raised < kSamples)
            return std::string("does not raise");
        return std::string(f.focusMoved > 0 ? "also focuses" : "ok");
    });
    for (const auto& [wm, f] : all)
        if (!f.error.empty())
            std::printf("%s: %s\n", wm.toLocal8Bit().constData(), f.error.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    int qargc = 1;
    char name[] = "bench_x11_window_managers";
    char* qargv[] = {name, nullptr};
    QCoreApplication app(qargc, qargv);
    log::Capture quiet;   // rejected writes and moves would drown the table

    QStringList wms{"openbox", "xfwm4", "icewm", "fluxbox", "metacity", "pekwm", "evilwm"};
    if (!qEnvironmentVariableIsEmpty("FRAMEWELL_TEST_WM"))
        wms = {test::XSession::testWindowManager()};
    // Benchmarks run in the order they are registered: each window manager's session starts
    // with its first benchmark and ends when the next one's starts.
    std::vector<std::pair<QString, Figures>> all;
    for (const QString& wm : wms)
        all.emplace_back(wm, Figures{});
    Session session;
    int running = -1;
    using Body = void (*)(benchmark::State&);
    const std::pair<const char*, Body> benches[] = {
        {"RawMessage", BM_RawMessage}, {"RawRequest", BM_RawRequest},
        {"FrameWriteByMessage", BM_FrameWriteByMessage}, {"FrameWriteByRequest", BM_FrameWriteByRequest},
        {"SameLanding", BM_SameLanding}, {"MovesSideBySide", BM_MovesSideBySide},
        {"WritesSideBySide", BM_WritesSideBySide}, {"AnimatedMove", BM_AnimatedMove},
        {"Raise", BM_Raise},               {"Activate", BM_Activate},           {"MaximizedListed", BM_MaximizedListed}};
    for (int k = 0; k < int(all.size()); ++k) {
        for (const auto& [title, body] : benches) {
            auto run = [k, body = body, &all, &session, &running](benchmark::State& state) {
                figures = &all[k].second;
                if (running != k) {
                    session = Session{};
                    running = k;
                    if (!startSession(all[k].first, session, figures->error))
                        std::fprintf(stderr, "%s: %s\n", all[k].first.toLocal8Bit().constData(), figures->error.c_str());
                }
                current = &session;
                if (!figures->error.empty()) {
                    state.SkipWithError(figures->error.c_str());
                    return;
                }
                body(state);
            };
            auto* b = benchmark::RegisterBenchmark((std::string(title) + "/" + all[k].first.toStdString()).c_str(), run);
            const bool once = body == BM_MaximizedListed || body == BM_SameLanding;
            const bool write = body == BM_RawMessage || body == BM_RawRequest || body == BM_FrameWriteByMessage ||
                body == BM_FrameWriteByRequest;
            const bool sideBySide = body == BM_MovesSideBySide || body == BM_WritesSideBySide;
            // The side-by-side ones take their kinds of sample in turn (the writes' six).
            const int kinds = body == BM_WritesSideBySide ? 6 : 4;
            b->Unit(benchmark::kMillisecond)
                ->Iterations(once ? 1 : sideBySide ? kinds * kWriteSamples : write ? kWriteSamples : kSamples);
            if (!once)
                b->UseManualTime();
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    session = Session{};
    // Benchmarks left out by a filter have no figures: show them as not measured.
    for (auto& [wm, f] : all)
        for (const char* key : {"write", "writeOwn", "rawMessage", "rawRequest", "ownMove", "ownMoveFramed",
                                "ownRoundTrip", "ownRoundTripFramed", "termMove", "termMoveFramed", "termRoundTrip",
                                "termRoundTripFramed", "frameWriteMessage", "frameWriteRequest",
                                "verified", "verifiedOwn", "termPlainResize", "verifiedResize",
                                "animated", "raise", "activate"}) {
            f.medianMs.try_emplace(key, -1);
            f.p95Ms.try_emplace(key, -1);
        }
    printTable(all);
    benchmark::Shutdown();
    return 0;
}
