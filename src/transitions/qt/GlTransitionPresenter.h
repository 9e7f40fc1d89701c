#pragma once
// The transitions drawn with OpenGL over the desktop. Shader playback puts one panel exactly
// over each window, draws its picture there, lets the caller rearrange the real windows under
// the cover of the panels, then animates the pictures away, driven by a frame timer at 120 Hz
// with a safety end one second after the animation should have ended. The card shuffle draws
// its scene in one panel over the scene's area with a depth buffer, a frame about every 7 ms.
// The GPU record is made for the first transition, kept while transitions follow each other
// and released 4 s after the last one, the memory the driver freed then given back to the system
// (the driver's screen, threads and code stay with the display connection). All time goes
// through the clock. Main thread only.

#include "base/Clock.h"
#include "transitions/TransitionPresenter.h"

#include <functional>
#include <memory>

namespace fw {

class PanelStacking;
class TransitionGpu;

class GlTransitionPresenter final : public TransitionPresenter {
public:
    static constexpr Duration frameInterval = std::chrono::microseconds(8333);   // 1/120 s
    static constexpr Duration coverPause = std::chrono::milliseconds(30);
    static constexpr Duration exposeWait = std::chrono::milliseconds(150);
    static constexpr Duration safetyMargin = std::chrono::seconds(1);
    // The card shuffle's pause between frames, and how long its last frame stays.
    static constexpr Duration cardFrame = std::chrono::milliseconds(7);
    static constexpr Duration cardHold = std::chrono::milliseconds(16);
    static constexpr Duration gpuReleaseDelay = std::chrono::seconds(4);

    // `stacking` answers whether a compositing manager runs; by default the one the overlay
    // panels use. Without any (as under the offscreen platform) panels count as translucent.
    explicit GlTransitionPresenter(Clock& clock, PanelStacking* stacking = nullptr);
    ~GlTransitionPresenter() override;

    bool gpuAvailable() override;
    bool translucentPanels() override;
    Task<void> playShader(std::uint32_t effect, std::vector<TransitionLayer> layers, Duration duration,
                          RevealAction reveal) override;
    Task<void> presentCards(std::shared_ptr<const CardShuffle> shuffle, std::function<void()> begin,
                            Duration duration) override;

    // The shared record: cancels a pending release and makes the record when there is none;
    // nothing when that fails (the next call tries again).
    std::shared_ptr<TransitionGpu> gpu();
    // Drops the shared record 4 s from now unless a transition takes it first.
    void scheduleGpuRelease();
    bool holdsGpu() const { return bool(gpu_); }

private:
    struct ShaderRun;
    // Draws the frame of progress p (0…1) on every shown surface; true when the run should end
    // (progress reached 1, or the context is lost).
    bool renderShaderFrame(ShaderRun& run, double p);
    void endRun(const std::shared_ptr<ShaderRun>& run);
    Task<void> animate(std::shared_ptr<ShaderRun> run);
    void tearDown(ShaderRun& run);
    // Draws the first frame for the cover pause, again every frame interval: a compositing
    // manager still setting up a new panel would miss a single frame, and the windows beneath
    // would show when the caller moves them.
    Task<void> cover(std::function<void()> drawFirstFrame);
    // Waits, bounded, until the window system shows every surface.
    Task<void> waitExposed(std::function<bool()> exposed);

    Clock& clock_;
    PanelStacking* stacking_;
    std::shared_ptr<TransitionGpu> gpu_;
    TimerId releaseTimer_ = 0;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace fw
