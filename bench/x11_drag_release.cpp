// The drag on a real server (Xvfb + openbox, two monitors, an xterm and eight other windows on
// the right monitor), the coordinator and the drag monitor over the real adapters and overlay:
//   - one drag event handled by the monitor (the window's frame read and the hover update);
//   - the release over a region of the picker to the first frame write of the xterm (the
//     request to the window manager); the choice waits 0.1 s after the release by design, so
//     the counters "beyondDelay_*" are what the release costs past that wait (median, p95).
#include "CoordinatorBench.h"
#include "layout/ScreenGeometry.h"
#include "snap/PickerGeometry.h"
#include "x11/CoordinatorRig.h"
#include "x11/DragSteps.h"
#include "x11/XSession.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace {

using namespace fw;

test::XSession* gSession = nullptr;
test::CoordinatorRig* gRig = nullptr;
test::XSession::Client gTerm;

const Rect kStart(2000, 300, 500, 400);

Rect visibleRight() { return topLeftVisibleFrame(gRig->screenOf(Rect(1920, 0, 1280, 1024)).value_or(ScreenInfo{})); }

// The frame writes the program sends to the window manager, seen on a connection of its own
// that receives the client messages sent to the root window.
class WriteWatch {
public:
    explicit WriteWatch(const QByteArray& display) : c_(xcb_connect(display.constData(), nullptr))
    {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_, screen->root, XCB_CW_EVENT_MASK, &mask);
        const char name[] = "_NET_MOVERESIZE_WINDOW";
        auto* atom = xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, sizeof name - 1, name), nullptr);
        atom_ = atom ? atom->atom : XCB_NONE;
        free(atom);
        xcb_flush(c_);
    }
    ~WriteWatch() { xcb_disconnect(c_); }
    WriteWatch(const WriteWatch&) = delete;
    WriteWatch& operator=(const WriteWatch&) = delete;

    int fd() const { return xcb_get_file_descriptor(c_); }

    // Whether a frame write for the window arrived since the last call.
    bool written(xcb_window_t window)
    {
        bool seen = false;
        while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
            const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(e);
            seen = seen || ((e->response_type & 0x7f) == XCB_CLIENT_MESSAGE && m->type == atom_ && m->window == window);
            free(e);
        }
        return seen;
    }

private:
    xcb_connection_t* c_;
    xcb_atom_t atom_ = XCB_NONE;
};

// Waits for a frame write of the window in the program's own event loop, so that its timers fire
// on time as they do in the product (the session's wait lets them run only between its polls).
bool waitForWrite(WriteWatch& writes, xcb_window_t window, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    QEventLoop loop;
    QSocketNotifier readable(writes.fd(), QSocketNotifier::Read);
    QObject::connect(&readable, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    while (!writes.written(window)) {
        if (waited.elapsed() >= timeoutMs)
            return false;
        QTimer::singleShot(5, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Waits at a hand's pace: the throttle lets at most 60 drag steps a second through.
void pace()
{
    QElapsedTimer t;
    t.start();
    gSession->waitFor([&] { return t.elapsed() >= 17; }, 100);
}

void BM_X11DragEventWithHover(benchmark::State& state)
{
    DragMonitor& monitor = *gRig->monitor;
    gRig->ws.setFrame(gTerm.window, kStart);
    gSession->syncWithWindowManager();
    // The button held in the xterm's text (the window manager moves nothing), the moves of the
    // window made by the benchmark: each step is one drag event handed to the monitor.
    const Point grab{kStart.midX(), kStart.minY() + 120};
    gSession->warpPointer(int(grab.x), int(grab.y));
    gSession->pressButton(1);
    if (!gSession->waitFor([&] { return monitor.candidate().has_value(); }, 2000)) {
        state.SkipWithError("the press was not followed");
        return;
    }
    int step = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const double dx = 40 + 3 * (step++ % 60);
        gRig->ws.setFrame(gTerm.window, kStart.offsetBy(dx, 20));
        gSession->syncWithWindowManager();
        pace();
        state.ResumeTiming();
        monitor.handle({MouseEvent::Type::LeftDrag, Point{grab.x + dx, grab.y + 20}, 0});
    }
    if (!monitor.dragging())
        state.SkipWithError("the xterm never started to move");
    gSession->releaseButton(1);
    gSession->waitFor([&] { return !monitor.candidate(); }, 2000);
}
BENCHMARK(BM_X11DragEventWithHover)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(60);

void BM_X11ReleaseToFirstFrameWrite(benchmark::State& state)
{
    const Rect visible = visibleRight();
    WriteWatch writes(gSession->display());
    std::vector<double> beyond;
    int region = 0;
    for (auto _ : state) {
        state.PauseTiming();
        gRig->ws.setFrame(gTerm.window, kStart);
        gSession->syncWithWindowManager();
        if (!test::pressTitleBar(*gSession, gTerm.window) ||
            !gSession->waitFor([&] { return gRig->monitor->candidate().has_value(); }, 2000)) {
            state.SkipWithError("the press was not followed");
            return;
        }
        test::glideTo(*gSession, {visible.midX(), visible.minY() + 6}, 16);
        if (!gSession->waitFor([&] { return gRig->overlay.pickerView != nullptr; }, 2000)) {
            state.SkipWithError("no picker");
            return;
        }
        const PickerGeometry& geometry = gRig->overlay.pickerView->geometry();
        const Rect panel = pickerFrame(visible, geometry.width, geometry.height);
        const Rect button = geometry.cards.front().regions.at(region);
        test::glideTo(*gSession, {panel.minX() + button.midX(), panel.minY() + button.midY()}, 6);
        const SnapSelection wanted{0, region};
        gSession->waitFor([&] { return gRig->overlay.pickerView && gRig->state.picker.selection == wanted; }, 2000);
        const auto before = gSession->wmFrame(gTerm.window).value_or(Rect());
        writes.written(gTerm.window);
        QElapsedTimer released;
        state.ResumeTiming();
        released.start();
        gSession->releaseButton(1);
        const bool written = waitForWrite(writes, gTerm.window, 2000);
        const double ms = double(released.nsecsElapsed()) / 1e6;
        state.PauseTiming();
        const auto moved = gSession->waitForFrameChange(gTerm.window, before, 2000);
        if (!written || !moved) {
            state.SkipWithError("the xterm was not moved");
            return;
        }
        beyond.push_back(ms - 100);
        region = 1 - region;
        gSession->waitFor([&] { return !gRig->state.interaction.mutating; }, 5000);
        gRig->coordinator->endInteraction(false);
        state.ResumeTiming();
    }
    bench::setPercentiles(state, beyond, "beyondDelay_median_ms", "beyondDelay_p95_ms");
}
BENCHMARK(BM_X11ReleaseToFirstFrameWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(30);

} // namespace

int main(int argc, char** argv)
{
    const bench::CoordinatorDesk desk{{3200, 1080, true, false}, bench::Monitors::two, bench::DragMonitorUse::installed};
    return bench::runOnCoordinatorDesk(argc, argv, desk, gSession, gRig, [](test::XSession& session) {
        gTerm = bench::startXtermAmongOthers(session, "80x24+2000+300");
        return gTerm.window != XCB_NONE;
    });
}
