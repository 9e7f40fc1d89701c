// Presents transitions with OpenGL: panels over the windows for shader effects, one depth-buffered
// panel for the card shuffle, a frame timer and a safety end for each run.
#include "transitions/qt/GlTransitionPresenter.h"

#include "overlay/OverlayWindow.h"
#include "platform/PanelStacking.h"
#include "transitions/CardShuffle.h"
#include "transitions/ShaderPlayback.h"
#include "transitions/qt/TransitionGpu.h"
#include "transitions/qt/TransitionPanel.h"

#include <QWindow>

#include <algorithm>
#include <coroutine>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace fw {

namespace {
// Shader panels sit above ordinary windows and below the other panels; cards above everything.
constexpr int kShaderLevel = 2;
constexpr Duration kExposePoll = std::chrono::milliseconds(5);

// The C library keeps what the driver freed (textures, compiled shaders, its threads' arenas)
// for later allocations: an idle program gives it back to the system.
void giveBackFreedMemory()
{
#ifdef __GLIBC__
    ::malloc_trim(0);
#endif
}
} // namespace

struct GlTransitionPresenter::ShaderRun {
    struct Surface {
        std::unique_ptr<TransitionPanel> panel;
        unsigned texture = 0;
        ShaderSurfacePlan plan;
    };
    std::shared_ptr<TransitionGpu> gpu;
    std::vector<Surface> surfaces;
    std::uint32_t effect = 0;
    Duration duration{0};
    Duration started{0};
    bool ended = false;
    std::coroutine_handle<> waiter;

    // Suspends the playing task until the run has ended.
    struct Ended {
        ShaderRun& run;
        bool await_ready() const noexcept { return run.ended; }
        void await_suspend(std::coroutine_handle<> h) noexcept { run.waiter = h; }
        void await_resume() const noexcept {}
        ~Ended() { run.waiter = {}; }
    };
};

GlTransitionPresenter::GlTransitionPresenter(Clock& clock, PanelStacking* stacking) : clock_(clock), stacking_(stacking)
{
}

GlTransitionPresenter::~GlTransitionPresenter()
{
    clock_.cancel(releaseTimer_);
}

bool GlTransitionPresenter::gpuAvailable() { return TransitionGpu::available(); }

bool GlTransitionPresenter::translucentPanels()
{
    PanelStacking* stacking = stacking_ ? stacking_ : OverlayWindow::stacking();
    return !stacking || stacking->compositing();
}

std::shared_ptr<TransitionGpu> GlTransitionPresenter::gpu()
{
    clock_.cancel(releaseTimer_);
    releaseTimer_ = 0;
    if (!gpu_)
        gpu_ = TransitionGpu::make();
    return gpu_;
}

void GlTransitionPresenter::scheduleGpuRelease()
{
    clock_.cancel(releaseTimer_);
    releaseTimer_ = clock_.callAfter<int>(gpuReleaseDelay, alive_, [this] {
        releaseTimer_ = 0;
        gpu_.reset();
        giveBackFreedMemory();
    });
}

Task<void> GlTransitionPresenter::waitExposed(std::function<bool()> exposed)
{
    const Duration until = clock_.now() + exposeWait;
    while (!exposed() && clock_.now() < until) {
        const bool slept = co_await clock_.sleep(kExposePoll);
        (void)slept;
    }
}

Task<void> GlTransitionPresenter::cover(std::function<void()> drawFirstFrame)
{
    const Duration until = clock_.now() + coverPause;
    do {
        drawFirstFrame();
        const bool slept = co_await clock_.sleep(frameInterval);
        (void)slept;
    } while (clock_.now() < until);
}

void GlTransitionPresenter::endRun(const std::shared_ptr<ShaderRun>& run)
{
    if (run->ended)
        return;
    run->ended = true;
    // Resumed on the next turn of the loop, never from inside the frame timer being stopped.
    clock_.schedule(Duration::zero(), [weak = std::weak_ptr<ShaderRun>(run)] {
        auto r = weak.lock();
        if (r && r->waiter)
            std::exchange(r->waiter, {}).resume();
    });
}

bool GlTransitionPresenter::renderShaderFrame(ShaderRun& run, double p)
{
    const float eased = float(easeInOutCubic(p));
    for (auto& s : run.surfaces) {
        // A surface the window system does not show yet is skipped for this frame.
        if (!s.panel->exposed())
            continue;
        // A context that cannot be used any more ends the run at once.
        if (!run.gpu->beginWindowFrame(s.panel->surface(), s.panel->drawableSize(), false))
            return true;
        run.gpu->drawEffect(effectDraw(run.effect, s.plan, eased), s.texture);
        run.gpu->present(s.panel->surface());
    }
    return p >= 1;
}

void GlTransitionPresenter::tearDown(ShaderRun& run)
{
    if (run.gpu->makeCurrent())
        for (auto& s : run.surfaces)
            run.gpu->deleteTexture(s.texture);
    for (auto& s : run.surfaces)
        s.panel->orderOut();
    run.surfaces.clear();
    run.gpu.reset();
    scheduleGpuRelease();
}

Task<void> GlTransitionPresenter::animate(std::shared_ptr<ShaderRun> run)
{
    run->started = clock_.now();
    const std::weak_ptr<ShaderRun> weak = run;
    auto tick = [this, weak] {
        auto r = weak.lock();
        if (r && !r->ended && renderShaderFrame(*r, linearProgress(clock_.now() - r->started, r->duration)))
            endRun(r);
    };
    RepeatingTimer frames(clock_, frameInterval, tick);
    frames.start();
    // Frames that stop arriving cannot hold the caller.
    const TimerId safety = clock_.schedule(run->duration + safetyMargin, [this, weak] {
        if (auto r = weak.lock())
            endRun(r);
    });
    co_await ShaderRun::Ended{*run};
    frames.stop();
    clock_.cancel(safety);
}

Task<void> GlTransitionPresenter::playShader(std::uint32_t effect, std::vector<TransitionLayer> layers,
                                             Duration duration, RevealAction reveal)
{
    auto gpu = this->gpu();
    if (!gpu || layers.empty()) {
        co_await reveal();
        co_return;
    }
    auto run = std::make_shared<ShaderRun>();
    run->gpu = gpu;
    run->effect = effect;
    run->duration = duration;
    if (gpu->makeCurrent()) {
        for (const TransitionLayer& piece : layers) {
            auto plan = planSurface(piece.frame, piece.funnel, piece.seams);
            const unsigned texture = plan ? gpu->makeTexture(piece.image) : 0;
            if (texture)
                run->surfaces.push_back({std::make_unique<TransitionPanel>(plan->frame, kShaderLevel), texture, *plan});
        }
    }
    if (run->surfaces.empty()) {
        run->gpu.reset();
        co_await reveal();
        scheduleGpuRelease();
        co_return;
    }
    for (auto& s : run->surfaces)
        s.panel->orderFront();
    std::function<bool()> allExposed = [run] {
        return std::all_of(run->surfaces.begin(), run->surfaces.end(), [](auto& s) { return s.panel->exposed(); });
    };
    co_await waitExposed(std::move(allExposed));
    // The untouched pictures cover the windows before the caller moves them.
    std::function<void()> first = [this, run] { renderShaderFrame(*run, 0); };
    co_await cover(std::move(first));
    co_await reveal();
    co_await animate(run);
    tearDown(*run);
}

Task<void> GlTransitionPresenter::presentCards(std::shared_ptr<const CardShuffle> shuffle, std::function<void()> begin,
                                               Duration duration)
{
    auto gpu = this->gpu();
    const Rect area = shuffle ? shuffle->scene.area : Rect();
    if (!gpu || !shuffle || !area.isFinite() || area.isEmpty() || !gpu->makeCurrent()) {
        begin();
        co_return;
    }
    std::vector<unsigned> textures;
    for (const auto& capture : shuffle->captures) {
        textures.push_back(gpu->makeTexture(capture));
        if (!textures.back()) {
            for (unsigned t : textures)
                gpu->deleteTexture(t);
            begin();
            scheduleGpuRelease();
            co_return;
        }
    }
    TransitionPanel panel(area, OverlayWindow::aboveEverythingLevel);
    auto draw = [&](double p) {
        if (panel.exposed() && gpu->beginWindowFrame(panel.surface(), panel.drawableSize(), true)) {
            gpu->drawCards(shuffle->drawList(p), textures);
            gpu->present(panel.surface());
        }
    };
    panel.orderFront();
    std::function<bool()> exposed = [&panel] { return panel.exposed(); };
    co_await waitExposed(std::move(exposed));
    draw(0);
    const bool paused = co_await clock_.sleep(coverPause);
    (void)paused;
    begin();
    const Duration start = clock_.now();
    for (;;) {
        const double p = linearProgress(clock_.now() - start, duration);
        draw(p);
        if (p >= 1) {
            const bool held = co_await clock_.sleep(cardHold);
            (void)held;
            break;
        }
        const bool slept = co_await clock_.sleep(cardFrame);
        (void)slept;
    }
    if (gpu->makeCurrent())
        for (unsigned t : textures)
            gpu->deleteTexture(t);
    panel.orderOut();
    scheduleGpuRelease();
}

} // namespace fw
