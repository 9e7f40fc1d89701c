#pragma once
// What the transitions need of the screen: the GPU, translucent panels over the desktop, and
// the two presentations (shader playback over captured windows and the 3D card shuffle). The
// OpenGL presenter draws them; tests use a recording one.

#include "base/Clock.h"
#include "base/Task.h"
#include "transitions/TransitionPictures.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace fw {

struct CardShuffle;

class TransitionPresenter {
public:
    using RevealAction = std::function<Task<void>()>;
    virtual ~TransitionPresenter() = default;

    // Whether the GPU can draw transitions at all; decided once per run.
    virtual bool gpuAvailable() = 0;
    // Whether panels over the desktop show translucent pixels translucent now (a compositing
    // manager runs). Without it a transition would paint black where its pictures are clear.
    virtual bool translucentPanels() = 0;

    // Covers each piece with a panel showing its picture, awaits `reveal` (the caller
    // rearranges the real windows underneath), animates the effect over `duration` and returns
    // once the panels are gone. `reveal` is awaited exactly once on every path.
    virtual Task<void> playShader(std::uint32_t effect, std::vector<TransitionLayer> layers, Duration duration,
                                  RevealAction reveal) = 0;
    // Plays the card shuffle over its area for `duration`; `begin` runs exactly once, when the
    // cards cover the windows (at once when nothing can be shown).
    virtual Task<void> presentCards(std::shared_ptr<const CardShuffle> shuffle, std::function<void()> begin,
                                    Duration duration) = 0;
};

} // namespace fw
