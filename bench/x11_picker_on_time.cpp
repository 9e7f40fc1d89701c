// The layout picker on time, as a user sees it: the program itself on a real server (Xvfb, the
// test window manager, two monitors, twenty windows), title-bar drags of an xterm made with
// XTest at a hand's pace toward the right monitor's top centre, and a probe of its own that
// watches the server. Timed: from the motion that brings the pointer into the picker's zone to
// the picker window's first paint (its first Damage once mapped), with the map alone beside it.
// Median and 95th percentile over 40 drags; the run's first showing apart; the drags painted
// more than two frames (33 ms) late counted. FRAMEWELL_BENCH_PROGRAM names another build of
// the program to time (one before a change, say), side by side with this one's.
#include "ProgramBench.h"
#include "x11/DragSteps.h"
#include "x11/ProgramSession.h"
#include "x11/XSession.h"

#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>
#include <xcb/damage.h>

#include <chrono>
#include <map>
#include <poll.h>

namespace {

using namespace fw;
using test::XSession;
using SteadyClock = std::chrono::steady_clock;

XSession* gSession = nullptr;
XSession::Client gTerm;

const Rect kRight(1920, 0, 1280, 1024);
constexpr int kDrags = 41; // the first is the run's first showing

// Our own connection to the server: every top-level window created gets a Damage object at
// once, so that its first paint is seen however soon after the map it comes.
class PaintProbe {
public:
    explicit PaintProbe(const QByteArray& display) : c_(xcb_connect(display.constData(), nullptr))
    {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        auto* version = xcb_damage_query_version_reply(c_, xcb_damage_query_version(c_, 1, 1), nullptr);
        const auto* ext = xcb_get_extension_data(c_, &xcb_damage_id);
        ok_ = version && ext && ext->present;
        free(version);
        damageEvent_ = ext ? ext->first_event + XCB_DAMAGE_NOTIFY : 0;
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_, screen->root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c_);
    }
    ~PaintProbe() { xcb_disconnect(c_); }
    PaintProbe(const PaintProbe&) = delete;
    PaintProbe& operator=(const PaintProbe&) = delete;

    bool ok() const { return ok_ && !xcb_connection_has_error(c_); }

    // Forgets what was mapped and painted so far.
    void clear()
    {
        pump(0);
        mapped_ = XCB_NONE;
        mappedAt_.reset();
        paintedAt_.reset();
    }

    // Waits until a window mapped whose frame `wanted` accepts has painted, at most limitMs.
    // The times of its map and first paint, read where the events arrive.
    bool waitForPaint(const std::function<bool(const Rect&)>& wanted, int limitMs)
    {
        wanted_ = wanted;
        const auto deadline = SteadyClock::now() + std::chrono::milliseconds(limitMs);
        while (!paintedAt_) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
            if (left.count() <= 0 || !ok())
                return false;
            pump(int(left.count()));
        }
        return true;
    }
    SteadyClock::time_point mappedAt() const { return *mappedAt_; }
    SteadyClock::time_point paintedAt() const { return *paintedAt_; }

private:
    // Reads what has arrived, waiting up to timeoutMs for the first event.
    void pump(int timeoutMs)
    {
        pollfd fd{xcb_get_file_descriptor(c_), POLLIN, 0};
        xcb_generic_event_t* e = xcb_poll_for_event(c_);
        if (!e && ::poll(&fd, 1, timeoutMs) > 0)
            e = xcb_poll_for_event(c_);
        for (; e; e = xcb_poll_for_event(c_)) {
            take(e, SteadyClock::now());
            free(e);
        }
    }

    void take(const xcb_generic_event_t* e, SteadyClock::time_point at)
    {
        const std::uint8_t type = e->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const auto* n = reinterpret_cast<const xcb_create_notify_event_t*>(e);
            xcb_damage_create(c_, xcb_generate_id(c_), n->window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
            xcb_flush(c_);
            frames_[n->window] = Rect(n->x, n->y, n->width, n->height);
        } else if (type == XCB_CONFIGURE_NOTIFY) {
            const auto* n = reinterpret_cast<const xcb_configure_notify_event_t*>(e);
            frames_[n->window] = Rect(n->x, n->y, n->width, n->height);
        } else if (type == XCB_DESTROY_NOTIFY) {
            frames_.erase(reinterpret_cast<const xcb_destroy_notify_event_t*>(e)->window);
        } else if (type == XCB_MAP_NOTIFY) {
            const auto* n = reinterpret_cast<const xcb_map_notify_event_t*>(e);
            const auto frame = frames_.find(n->window);
            if (!mapped_ && wanted_ && frame != frames_.end() && wanted_(frame->second)) {
                mapped_ = n->window;
                mappedAt_ = at;
            }
        } else if (type == damageEvent_) {
            const auto* n = reinterpret_cast<const xcb_damage_notify_event_t*>(e);
            if (mapped_ && n->drawable == mapped_ && !paintedAt_)
                paintedAt_ = at;
            // A damage reports again only once its region was emptied: the picker window is
            // the same on every drag, and its next showing paints it anew.
            xcb_damage_subtract(c_, n->damage, XCB_NONE, XCB_NONE);
            xcb_flush(c_);
        }
    }

    xcb_connection_t* c_;
    bool ok_ = false;
    std::uint8_t damageEvent_ = 0;
    std::map<xcb_window_t, Rect> frames_;
    std::function<bool(const Rect&)> wanted_;
    xcb_window_t mapped_ = XCB_NONE;
    std::optional<SteadyClock::time_point> mappedAt_;
    std::optional<SteadyClock::time_point> paintedAt_;
};

// The right monitor's frame less what the work area takes from its top.
Rect visibleRight()
{
    const auto area = gSession->workArea();
    const double top = area ? std::max(kRight.minY(), area->minY()) : kRight.minY();
    return Rect(kRight.minX(), top, kRight.width(), kRight.maxY() - top);
}

struct DragTimes {
    double mapMs = 0;
    double paintMs = 0;
};

// One drag: the xterm's title bar pressed and moved at a hand's pace to just below the zone,
// one step into it, and the pointer rests there until the picker has painted; then back down
// and released away from the picker, so nothing is placed.
std::optional<DragTimes> dragIntoZone(PaintProbe& probe)
{
    const Rect visible = visibleRight();
    const auto frame = gSession->wmFrame(gTerm.window);
    if (!frame || frame->minY() < visible.minY() + 200 || !test::pressTitleBar(*gSession, gTerm.window))
        return std::nullopt;
    test::glide(*gSession, 0, 12, 3);
    test::glideTo(*gSession, {visible.midX(), visible.minY() + 60}, 12);
    probe.clear();
    const auto entered = SteadyClock::now();
    gSession->moveRelative(0, -52);
    const bool painted = probe.waitForPaint([&](const Rect& f) {
        return std::abs(f.midX() - visible.midX()) <= 1 && f.minY() >= visible.minY() && f.minY() < visible.minY() + 40;
    }, 2000);
    test::glideTo(*gSession, {visible.midX(), visible.minY() + 400}, 10);
    gSession->releaseButton(1);
    // The release is handed over and the picker goes away before the next press.
    gSession->waitFor([] { return false; }, 400);
    if (!painted)
        return std::nullopt;
    using Ms = std::chrono::duration<double, std::milli>;
    return DragTimes{Ms(probe.mappedAt() - entered).count(), Ms(probe.paintedAt() - entered).count()};
}

void BM_X11ProgramZoneEntryToPickerPainted(benchmark::State& state)
{
    const QString program = qEnvironmentVariable("FRAMEWELL_BENCH_PROGRAM", QStringLiteral(FW_FRAMEWELL_PATH));
    const pid_t pid = gSession->spawn({program});
    if (!pid || !gSession->waitFor([] { return test::programLog(*gSession).contains(u"Framewell started"_qs); }, 20000)) {
        state.SkipWithError("the program did not start");
        return;
    }
    PaintProbe probe(gSession->display());
    if (!probe.ok()) {
        state.SkipWithError("no Damage extension");
        return;
    }
    for (auto _ : state) {
        std::vector<double> maps, paints;
        std::optional<DragTimes> first;
        int missed = 0;
        for (int i = 0; i < kDrags; ++i) {
            const auto times = dragIntoZone(probe);
            if (!times)
                ++missed;
            else if (i == 0)
                first = times;
            else {
                maps.push_back(times->mapMs);
                paints.push_back(times->paintMs);
            }
        }
        bench::setPercentiles(state, maps, "map_median_ms", "map_p95_ms");
        bench::setPercentiles(state, paints, "paint_median_ms", "paint_p95_ms");
        state.counters["paint_late_drags"] = double(std::count_if(paints.begin(), paints.end(), [](double ms) { return ms > 33.3; }));
        state.counters["first_paint_ms"] = first ? first->paintMs : -1;
        state.counters["drags_timed"] = double(paints.size());
        state.counters["drags_missed"] = missed;
    }
    gSession->terminate(pid);
}
BENCHMARK(BM_X11ProgramZoneEntryToPickerPainted)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    return bench::runOnSession({3200, 1080, true, false}, bench::Monitors::two, gSession, [](XSession& session) {
        gTerm = bench::startProgramDesk(session, "80x24+2100+400");
        return gTerm.window != XCB_NONE;
    }, [&](XSession&) { return bench::runBenchmarks(argc, argv); });
}
