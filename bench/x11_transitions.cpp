// Transition figures on Mesa's llvmpipe under Xvfb: frames per second of every shader effect
// and of the card shuffle drawn offscreen at 800×600 and 1920×1080 (each frame waited for with
// glFinish), one frame drawn into a panel and shown (swap included), and the capture time of one
// window through Composite and shared memory. llvmpipe's thread count follows LP_NUM_THREADS
// (default: the machine's cores), so run the program once per setting.
#include "BenchSupport.h"
#include "platform/x11/X11WindowCapture.h"
#include "platform/x11/X11WindowSystem.h"
#include "transitions/CardShuffle.h"
#include "transitions/ShaderPlayback.h"
#include "transitions/StackTransition.h"
#include "transitions/qt/TransitionGpu.h"
#include "transitions/qt/TransitionPanel.h"
#include "x11/XSession.h"

#include <QApplication>
#include <QWindow>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>

namespace {

fw::test::XSession* session = nullptr;
fw::test::XSession::Client term, painted;
std::unique_ptr<fw::TransitionGpu> gpu;

// CPU time of the whole process (every llvmpipe thread) in milliseconds: on a busy machine the
// wall time says little, the work per frame stays.
double processCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void setFrameCounters(benchmark::State& state, double cpuStart)
{
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["cpu_ms_per_frame"] = (processCpuMs() - cpuStart) / double(std::max<benchmark::IterationCount>(1, state.iterations()));
}

fw::PixelImage picture(fw::PixelSize size)
{
    fw::PixelImage p(size.width, size.height, fw::argb(255, 240, 240, 230));
    for (int y = 0; y < size.height; y += 16)
        p.fill({0, y, size.width, 2}, fw::argb(255, 30, 30, 30));
    return p;
}

// One window of the size, its picture capped as captures are, drawn at the window's size.
void BM_Effect(benchmark::State& state)
{
    const std::uint32_t effect = std::uint32_t(state.range(0));
    const fw::Size window{double(state.range(1)), double(state.range(2))};
    const fw::PixelSize drawable{int(window.width), int(window.height)};
    gpu->makeCurrent();
    fw::OffscreenTarget target(*gpu, drawable);
    const unsigned texture = gpu->makeTexture(fw::TransitionCapture::whole(picture(fw::pictureSize(window))));
    const auto plan = fw::planSurface(fw::Rect({0, 0}, window), std::nullopt, std::nullopt);
    int frame = 0;
    const double cpu = processCpuMs();
    for (auto _ : state) {
        const float progress = float(fw::easeInOutCubic((frame++ % 60) / 60.0));
        target.bind();
        gpu->beginFrame(drawable, false);
        gpu->drawEffect(fw::effectDraw(effect, *plan, progress), texture);
        gpu->finish();
    }
    setFrameCounters(state, cpu);
    gpu->deleteTexture(texture);
}

void effects(benchmark::internal::Benchmark* b)
{
    for (auto size : {std::pair{800, 600}, std::pair{1920, 1080}})
        for (int effect : {1, 2, 4, 3, 0})
            b->Args({effect, size.first, size.second});
    b->ArgNames({"effect", "w", "h"});
}
BENCHMARK(BM_Effect)->Apply(effects)->UseRealTime()->Unit(benchmark::kMillisecond);

// The card shuffle over an area of the size: backdrop, one leaving and one incoming card.
void BM_Cards(benchmark::State& state)
{
    const fw::PixelSize size{int(state.range(0)), int(state.range(1))};
    fw::CardShuffle shuffle;
    const fw::Rect slot(size.width * 0.1, size.height * 0.1, size.width * 0.6, size.height * 0.8);
    shuffle.scene = {fw::Rect(0, 0, size.width, size.height), slot, {slot}, {{slot, slot.offsetBy(size.width * 0.25, 0)}},
                     {{slot, slot}}};
    gpu->makeCurrent();
    fw::OffscreenTarget target(*gpu, size);
    const fw::PixelSize card = fw::pictureSize(slot.size);
    std::vector<unsigned> textures;
    for (int i = 0; i < 3; ++i)
        textures.push_back(gpu->makeTexture(fw::TransitionCapture::whole(picture(card))));
    int frame = 0;
    const double cpu = processCpuMs();
    for (auto _ : state) {
        target.bind();
        gpu->beginFrame(size, true);
        gpu->drawCards(shuffle.drawList((frame++ % 60) / 60.0), textures);
        gpu->finish();
    }
    setFrameCounters(state, cpu);
    for (unsigned t : textures)
        gpu->deleteTexture(t);
}
BENCHMARK(BM_Cards)->Args({800, 600})->Args({1920, 1080})->UseRealTime()->Unit(benchmark::kMillisecond);

// One genie frame drawn into a panel on the screen and swapped (what playback does per panel).
void BM_PanelFrame(benchmark::State& state)
{
    const fw::PixelSize size{int(state.range(0)), int(state.range(1))};
    fw::TransitionPanel panel(fw::Rect(0, 0, size.width, size.height), 2);
    panel.orderFront();
    session->waitFor([&] { return panel.exposed(); });
    gpu->makeCurrent();
    const unsigned texture = gpu->makeTexture(fw::TransitionCapture::whole(picture(size)));
    const auto plan = fw::planSurface(fw::Rect(0, 0, size.width, size.height), std::nullopt, std::nullopt);
    int frame = 0;
    const double cpu = processCpuMs();
    for (auto _ : state) {
        gpu->beginWindowFrame(panel.surface(), panel.drawableSize(), false);
        gpu->drawEffect(fw::effectDraw(1, *plan, float((frame++ % 60) / 60.0)), texture);
        gpu->present(panel.surface());
        gpu->finish();
    }
    setFrameCounters(state, cpu);
    gpu->makeCurrent();
    gpu->deleteTexture(texture);
}
BENCHMARK(BM_PanelFrame)->Args({800, 600})->Args({1920, 1080})->UseRealTime()->Unit(benchmark::kMillisecond);

// One window's picture at its own size: the xterm (about 500 × 340) and an 800 × 600 client.
void BM_CaptureWindow(benchmark::State& state)
{
    const xcb_window_t window = state.range(0) ? painted.window : term.window;
    fw::X11WindowSystem ws(session->display());
    fw::X11WindowCapture capture(session->display());
    const auto frame = ws.frame(window);
    if (!frame) {
        state.SkipWithError("no frame");
        return;
    }
    const fw::PixelSize size{int(frame->width()), int(frame->height())};
    // Without a compositing manager the first capture only redirects the window, whose picture
    // holds its background until the client has painted again: timed from its first picture.
    if (!session->waitFor([&] { return capture.captureWindow(window, *frame, size).has_value(); })) {
        state.SkipWithError("no picture of the window");
        return;
    }
    bool ok = true;
    for (auto _ : state) {
        auto image = capture.captureWindow(window, *frame, size);
        ok = ok && image.has_value();
        benchmark::DoNotOptimize(image);
    }
    state.counters["w"] = size.width;
    state.counters["h"] = size.height;
    state.counters["shm"] = capture.sharedMemory();
    if (!ok)
        state.SkipWithError("a capture failed");
}
BENCHMARK(BM_CaptureWindow)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    auto owned = std::make_unique<fw::test::XSession>();
    session = owned.get();
    if (!session->ok()) {
        std::fprintf(stderr, "x11 transitions bench: %s\n", session->error().c_str());
        return 1;
    }
    term = session->startXterm(QStringLiteral("shell"), {"-geometry", "80x24+10+10"});
    painted = session->startTestClient(QStringLiteral("painted"),
                                       {"--colors", "ff0000,00ff00", "--size", "800x600", "--position", "600,100"});
    if (!term.window || !painted.window) {
        std::fprintf(stderr, "x11 transitions bench: %s\n", session->error().c_str());
        return 1;
    }
    fw::test::SessionApp app(*session);
    gpu = fw::TransitionGpu::make();
    if (!gpu) {
        std::fprintf(stderr, "x11 transitions bench: no OpenGL 3.3 context\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    gpu.reset();
    benchmark::Shutdown();
    return 0;
}
