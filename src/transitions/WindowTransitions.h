#pragma once
// The transitions over the desktop's ports: pictures come from the window capture port, frames
// and the window list from window access, and the presenter draws. Deciding code: it chooses
// sizes, preconditions and the card-shuffle scene; the presenter only shows them.

#include "platform/Permissions.h"
#include "platform/Screens.h"
#include "platform/WindowCapture.h"
#include "transitions/TransitionPresenter.h"
#include "transitions/TransitionServices.h"
#include "windows/WindowAccess.h"

namespace fw {

class WindowTransitions final : public TransitionServices {
public:
    WindowTransitions(WindowAccess& access, Screens& screens, Permissions& permissions, WindowCapture& capture,
                      TransitionPresenter& presenter);

    bool gpuAvailable() override;
    std::unique_ptr<ShaderTransition> makeShaderTransition(Duration duration) override;
    Task<std::optional<ShaderTransition::Capture>> capture(ManagedWindow window, Rect frame) override;
    Task<std::shared_ptr<CardShuffle>> captureCardShuffle(std::vector<CardShuffleIncoming> incoming,
                                                           std::vector<ManagedWindow> leaving, Rect area) override;
    Task<void> present(std::shared_ptr<CardShuffle> shuffle, ManagedWindow window) override;
    Task<void> presentBack(std::shared_ptr<CardShuffle> shuffle, std::function<void()> begin) override;

    // The card shuffle's prepared scene, without pictures: nothing when a precondition fails
    // or a frame cannot be read. Public for tests of the scene's geometry.
    struct Plan {
        CardShuffleScene scene;
        std::vector<WindowId> windows;            // incoming, then leaving
        std::vector<WindowId> backdropBottomToTop;
        Rect display;
    };
    std::optional<Plan> planCardShuffle(const std::vector<CardShuffleIncoming>& incoming,
                                        const std::vector<ManagedWindow>& leaving, const Rect& slot);

private:
    std::shared_ptr<CardShuffle> takePictures(const Plan& plan);

    WindowAccess& access_;
    Screens& screens_;
    Permissions& permissions_;
    WindowCapture& capture_;
    TransitionPresenter& presenter_;
};

// The presentation panel's region: the slot and every out rectangle, grown on every side by
// 0.08 of the slot's longer side, cut to the display, rounded outward to whole pixels.
Rect cardShuffleArea(const Rect& slot, const std::vector<Rect>& outs, const Rect& display);

} // namespace fw
