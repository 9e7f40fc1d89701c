#pragma once
// One window-switch transition with a shader effect (genie, tornado, melt, disintegrate): the
// captured pictures of the windows are shown over the desktop, the real windows are rearranged
// underneath, and the pictures are animated away over the transition's duration. Made with a
// duration (half a second for stack moves); progress is elapsed time over that duration.

#include "base/Clock.h"
#include "base/Task.h"
#include "transitions/StackTransition.h"
#include "transitions/TransitionPictures.h"
#include "transitions/TransitionPresenter.h"

#include <vector>

namespace fw {

class ShaderTransition {
public:
    using Capture = TransitionCapture;
    using Layer = TransitionLayer;
    using RevealAction = TransitionPresenter::RevealAction;
    static constexpr Duration stackMoveDuration = std::chrono::milliseconds(500);

    ShaderTransition(TransitionPresenter& presenter, Duration duration);

    Duration duration() const { return duration_; }

    // Shows the layers, awaits `revealBeneath` once the panels cover the windows (the caller
    // raises the real windows there), animates the chosen effect and returns when it has
    // finished. Without layers, without the GPU or without translucent panels it awaits
    // `revealBeneath` at once and shows nothing. `revealBeneath` is awaited exactly once.
    // The shuffle handed here draws the pictures unchanged for the duration.
    Task<void> play(StackTransition transition, std::vector<Layer> layers, RevealAction revealBeneath);

private:
    TransitionPresenter& presenter_;
    Duration duration_;
};

} // namespace fw
