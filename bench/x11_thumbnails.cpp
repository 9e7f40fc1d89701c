// Thumbnail figures under Xvfb + openbox: one call for 8 windows of 800×600 as snap assist makes
// it (longest side 520) and as the stack switcher does (360): the time from the call to the last
// image, and memory: the bytes the thumbnails hold, and the peak the process reaches during the
// call above what it held before (the full-size pictures read from the server are transient).
// For comparison, one window's capture at the thumbnail size through the capture port alone.
#include "BenchSupport.h"
#include "platform/x11/X11WindowCapture.h"
#include "transitions/WindowThumbnails.h"
#include "x11/AccessRig.h"
#include "x11/XSession.h"

#include <QImage>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <malloc.h>
#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr int windowCount = 8;

std::unique_ptr<fw::test::AccessRig> rig;
std::unique_ptr<fw::X11WindowCapture> capture;
std::vector<fw::ManagedWindow> windows;

// Restarts the peak resident size from the current one.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

void BM_EightThumbnails(benchmark::State& state)
{
    const double side = double(state.range(0));
    fw::WindowThumbnails thumbnails(rig->access, rig->permissions, *capture);
    std::vector<fw::Thumbnail> kept;
    long peakAboveKb = 0;
    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        kept.clear();
        malloc_trim(0);   // freed pictures go back to the system, so the peak below is this call's
        const long before = fw::bench::statusKb("VmRSS");
        resetPeak();
        state.ResumeTiming();
        fw::ThumbnailDelivery deliver = [&](const fw::ManagedWindow&, fw::Thumbnail image) { kept.push_back(image); };
        ok = ok && fw::test::runOnQtLoop(thumbnails.captureWindowThumbnails(windows, side, deliver));
        state.PauseTiming();
        peakAboveKb = std::max(peakAboveKb, fw::bench::statusKb("VmHWM") - before);
        state.ResumeTiming();
    }
    long bytes = 0;
    for (const auto& image : kept)
        bytes += long(image->pixels.size() * sizeof(std::uint32_t));
    state.counters["thumbnails"] = double(kept.size());
    state.counters["w"] = kept.empty() ? 0 : kept.front()->width;
    state.counters["h"] = kept.empty() ? 0 : kept.front()->height;
    state.counters["held_kB"] = double(bytes) / 1024;
    state.counters["peak_above_kB"] = double(peakAboveKb);
    if (!ok || kept.size() != windows.size())
        state.SkipWithError("not every window gave a thumbnail");
}
BENCHMARK(BM_EightThumbnails)->Arg(520)->Arg(360)->ArgName("side")->UseRealTime()->Unit(benchmark::kMillisecond);

// One window's picture at the thumbnail size, through the capture port alone: what each window
// of the call above costs without the frame reads and the turn of the loop.
void BM_OneCaptureScaled(benchmark::State& state)
{
    const fw::WindowId id = windows.front().element;
    const auto frame = rig->access.frame(windows.front());
    if (!frame) {
        state.SkipWithError("no frame");
        return;
    }
    const fw::PixelSize size = fw::thumbnailSize(frame->size, double(state.range(0)));
    bool ok = true;
    for (auto _ : state) {
        auto picture = capture->captureWindow(id, *frame, size);
        ok = ok && picture.has_value();
        benchmark::DoNotOptimize(picture);
    }
    state.counters["w"] = size.width;
    state.counters["h"] = size.height;
    if (!ok)
        state.SkipWithError("a capture failed");
}
BENCHMARK(BM_OneCaptureScaled)->Arg(520)->Arg(1280)->ArgName("side")->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    fw::test::XSession session;
    if (!session.ok()) {
        std::fprintf(stderr, "x11 thumbnails bench: %s\n", session.error().c_str());
        return 1;
    }
    auto client = session.startTestClient(QStringLiteral("thumb"), {"--count", QString::number(windowCount), "--size",
                                                                     "800x600", "--colors", "ff0000,0000ff"});
    const bool all = session.waitFor([&] {
        return session.waitForWindow(QStringLiteral("thumb %1").arg(windowCount - 1), 0, 10) != XCB_NONE;
    }, 10000);
    if (!client.window || !all) {
        std::fprintf(stderr, "x11 thumbnails bench: %s\n", session.error().c_str());
        return 1;
    }
    rig = std::make_unique<fw::test::AccessRig>(session);
    capture = std::make_unique<fw::X11WindowCapture>(session.display());
    capture->keepPictures();   // as the program does from its start
    for (const auto& found : rig->access.managedWindows())
        windows.push_back(found.window);
    if (windows.size() != std::size_t(windowCount) || !capture->available()) {
        std::fprintf(stderr, "x11 thumbnails bench: %zu windows, capture %s\n", windows.size(),
                     capture->available() ? "available" : "unavailable");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    capture.reset();
    rig.reset();
    benchmark::Shutdown();
    return 0;
}
