// Real-server figures under openbox: the window-list snapshot of 50 windows, pipelined (every
// request sent before the first reply is read) against one request at a time, next to one X
// round trip; the snapshot naming its windows from the installed entries; and the latency from a
// frame write to its read-back.
#include "BenchSupport.h"
#include "platform/x11/X11WindowSystem.h"
#include "platform/x11/XdgApplications.h"
#include "x11/XSession.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/time.h>

namespace {

fw::test::XSession* session = nullptr;
fw::test::XSession::Client many, writable;
constexpr int windowCount = 50;

xcb_atom_t intern(xcb_connection_t* c, const char* name)
{
    auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t a = r ? r->atom : XCB_NONE;
    free(r);
    return a;
}

void BM_RoundTrip(benchmark::State& state)
{
    xcb_connection_t* c = xcb_connect(session->display().constData(), nullptr);
    for (auto _ : state)
        free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    xcb_disconnect(c);
}
BENCHMARK(BM_RoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_SnapshotPipelined(benchmark::State& state)
{
    fw::X11WindowSystem ws(session->display());
    size_t n = 0;
    for (auto _ : state) {
        auto list = ws.snapshot();
        n = list.size();
        benchmark::DoNotOptimize(list);
    }
    state.counters["windows"] = double(n);
    // Seconds per window: the time per snapshot divided by the windows in it.
    state.counters["s_per_window"] =
        benchmark::Counter(double(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SnapshotPipelined)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The snapshot naming its windows from a desktop's worth of entries (300, in folders of the
// bench's own): the entries are listed once, not at every snapshot.
void BM_SnapshotNamed(benchmark::State& state)
{
    QTemporaryDir dir;
    for (int i = 0; i < 300; ++i) {
        QFile entry(dir.filePath(QStringLiteral("app%1.desktop").arg(i)));
        if (!entry.open(QIODevice::WriteOnly))
            return state.SkipWithError("cannot write the entries");
        entry.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=App %1\nName[de]=Anwendung %1\nExec=app%1\n"
                                   "StartupWMClass=App%1\nIcon=app%1\n")
                        .arg(i)
                        .toUtf8());
    }
    // Installed a while ago, as a desktop's entries are.
    const timeval past[2] = {{::time(nullptr) - 60, 0}, {::time(nullptr) - 60, 0}};
    ::utimes(QFile::encodeName(dir.path()).constData(), past);
    fw::XdgApplications apps({dir.path()}, QStringLiteral("de_DE.UTF-8"));
    fw::X11WindowSystem ws(session->display());
    ws.setApplications(&apps);
    for (auto _ : state)
        benchmark::DoNotOptimize(ws.snapshot());
    ws.setApplications(nullptr);
}
BENCHMARK(BM_SnapshotNamed)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The same requests as the snapshot, each reply read before the next request goes out.
void BM_SnapshotOneAtATime(benchmark::State& state)
{
    xcb_connection_t* c = xcb_connect(session->display().constData(), nullptr);
    const xcb_window_t root = session->root();
    const char* props[] = {"_NET_FRAME_EXTENTS", "_GTK_FRAME_EXTENTS", "_NET_WM_PID", "_NET_WM_NAME", "WM_NAME",
                           "WM_CLASS", "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE", "WM_STATE", "WM_TRANSIENT_FOR",
                           "_NET_WM_ALLOWED_ACTIONS", "WM_NORMAL_HINTS"};
    std::vector<xcb_atom_t> atoms;
    for (const char* p : props)
        atoms.push_back(intern(c, p));
    const xcb_atom_t stacking = intern(c, "_NET_CLIENT_LIST_STACKING");
    size_t n = 0;
    for (auto _ : state) {
        auto* list = xcb_get_property_reply(c, xcb_get_property(c, 0, root, stacking, XCB_ATOM_WINDOW, 0, 4096), nullptr);
        free(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr));
        auto* ids = static_cast<xcb_window_t*>(xcb_get_property_value(list));
        n = size_t(xcb_get_property_value_length(list) / 4);
        for (size_t i = 0; i < n; ++i) {
            const xcb_window_t w = ids[i];
            free(xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr));
            free(xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, w, root, 0, 0), nullptr));
            auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
            if (tree && tree->parent != root)
                free(xcb_query_tree_reply(c, xcb_query_tree(c, tree->parent), nullptr));
            free(tree);
            free(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr));
            for (xcb_atom_t a : atoms)
                free(xcb_get_property_reply(c, xcb_get_property(c, 0, w, a, XCB_ATOM_ANY, 0, 256), nullptr));
        }
        free(list);
    }
    state.counters["windows"] = double(n);
    // Seconds per window: the time per snapshot divided by the windows in it.
    state.counters["s_per_window"] =
        benchmark::Counter(double(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    xcb_disconnect(c);
}
BENCHMARK(BM_SnapshotOneAtATime)->UseRealTime()->Unit(benchmark::kMicrosecond);

// From sending a frame write to its read-back, alternating between two frames.
void BM_FrameWriteToReadBack(benchmark::State& state)
{
    fw::X11WindowSystem ws(session->display());
    const fw::Rect a(100, 100, 640, 480), b(160, 140, 700, 520);
    std::vector<double> samples;
    bool flip = false;
    bool ok = true;
    for (auto _ : state) {
        const fw::Rect& target = flip ? a : b;
        flip = !flip;
        const auto start = std::chrono::steady_clock::now();
        ws.setFrame(writable.window, target);
        const auto back = ws.frame(writable.window);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        ok = ok && back == target;
        samples.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
    }
    fw::bench::setPercentiles(state, samples, "median_ms", "p95_ms");
    if (!ok)
        state.SkipWithError("a frame did not read back as written");
}
BENCHMARK(BM_FrameWriteToReadBack)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    auto owned = std::make_unique<fw::test::XSession>();
    session = owned.get();
    if (!fw::bench::startBenchWindows(*session, windowCount, many, writable, "x11 bench"))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
