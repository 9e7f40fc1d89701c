// Stack transitions over the desktop's ports: takes the window pictures, sizes them, plans the shader
// or card-shuffle scene and hands it to the presenter.
#include "transitions/WindowTransitions.h"

#include "transitions/ShaderPlayback.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace fw {

namespace {

// Global coordinates are the X root's device pixels.
constexpr double kScale = 1.0;

PixelSize scaledSize(const Rect& r, double scale)
{
    return {std::max(int(std::lround(scale * r.width())), 1), std::max(int(std::lround(scale * r.height())), 1)};
}

Rect roundedOutward(const Rect& r)
{
    const double x0 = std::floor(r.minX()), y0 = std::floor(r.minY());
    return Rect(x0, y0, std::ceil(r.maxX()) - x0, std::ceil(r.maxY()) - y0);
}

} // namespace

Rect cardShuffleArea(const Rect& slot, const std::vector<Rect>& outs, const Rect& display)
{
    Rect area = slot;
    for (const Rect& out : outs)
        area = area.united(out);
    const double grow = 0.08 * std::max(slot.width(), slot.height());
    area = area.insetBy(-grow, -grow).intersection(display);
    return area.isNull() ? area : roundedOutward(area);
}

WindowTransitions::WindowTransitions(WindowAccess& access, Screens& screens, Permissions& permissions,
                                     WindowCapture& capture, TransitionPresenter& presenter)
    : access_(access), screens_(screens), permissions_(permissions), capture_(capture), presenter_(presenter)
{
}

// Panels that cannot be translucent are asked about first: without them no transition draws, and
// asking the driver opens it for the rest of the session (its threads and tens of megabytes).
bool WindowTransitions::gpuAvailable() { return presenter_.translucentPanels() && presenter_.gpuAvailable(); }

std::unique_ptr<ShaderTransition> WindowTransitions::makeShaderTransition(Duration duration)
{
    return std::make_unique<ShaderTransition>(presenter_, duration);
}

Task<std::optional<ShaderTransition::Capture>> WindowTransitions::capture(ManagedWindow window, Rect frame)
{
    if (!permissions_.windowPreviewsGranted() || !capturableFrame(frame))
        co_return std::nullopt;
    auto image = capture_.captureWindow(window.element, frame, pictureSize(frame.size));
    if (!image || image->isNull())
        co_return std::nullopt;
    co_return ShaderTransition::Capture::whole(std::move(*image));
}

std::optional<WindowTransitions::Plan> WindowTransitions::planCardShuffle(const std::vector<CardShuffleIncoming>& incoming,
                                                                          const std::vector<ManagedWindow>& leaving,
                                                                          const Rect& slot)
{
    if (!permissions_.windowPreviewsGranted() || !gpuAvailable() || leaving.empty() || incoming.empty()
        || access_.otherAppKeepsDisplayAwake() || !capturableFrame(slot))
        return std::nullopt;
    const Point centre{slot.midX(), slot.midY()};
    std::optional<Rect> display;
    for (const ScreenInfo& s : screens_.screens())
        if (!display && s.frame.contains(centre))
            display = s.frame;
    if (!display)
        return std::nullopt;

    Plan plan;
    plan.display = *display;
    plan.scene.slot = slot;
    plan.scene.beneath = {slot};
    std::vector<Rect> outs;
    for (const auto& in : incoming) {
        const auto frame = access_.frame(in.window);
        if (!frame || !capturableFrame(*frame))
            return std::nullopt;
        plan.scene.incoming.push_back({*frame, in.out});
        plan.windows.push_back(in.window.element);
        outs.push_back(in.out);
    }
    for (const auto& w : leaving) {
        const auto frame = access_.frame(w);
        if (!frame || !capturableFrame(*frame))
            return std::nullopt;
        plan.scene.leaving.push_back({*frame, frame->intersection(slot)});
        plan.windows.push_back(w.element);
    }
    plan.scene.area = cardShuffleArea(slot, outs, *display);

    // The desktop behind the slot: every other window on it, our own never (the window list
    // leaves them out), bottom to top.
    const std::unordered_set<WindowId> taking(plan.windows.begin(), plan.windows.end());
    const auto list = access_.windowSystem().snapshot();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (it->onScreen && it->layer < 1 && !taking.count(it->id) && it->frame.intersects(slot))
            plan.backdropBottomToTop.push_back(it->id);
    }
    return plan;
}

std::shared_ptr<CardShuffle> WindowTransitions::takePictures(const Plan& plan)
{
    if (!capture_.available())
        return nullptr;
    auto shuffle = std::make_shared<CardShuffle>();
    shuffle->scene = plan.scene;
    shuffle->scale = kScale;
    auto backdrop = capture_.captureDesktop(plan.scene.slot, plan.backdropBottomToTop, scaledSize(plan.scene.slot, kScale));
    if (!backdrop || backdrop->isNull())
        return nullptr;
    shuffle->captures.push_back(ShaderTransition::Capture::whole(std::move(*backdrop)));
    std::vector<Rect> frames;
    for (const auto& in : plan.scene.incoming)
        frames.push_back(in.frame);
    for (const auto& out : plan.scene.leaving)
        frames.push_back(out.frame);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        auto image = capture_.captureWindow(plan.windows[i], frames[i], scaledSize(frames[i], kScale));
        if (!image || image->isNull())
            return nullptr;
        shuffle->captures.push_back(ShaderTransition::Capture::whole(std::move(*image)));
    }
    return shuffle;
}

Task<std::shared_ptr<CardShuffle>> WindowTransitions::captureCardShuffle(std::vector<CardShuffleIncoming> incoming,
                                                                          std::vector<ManagedWindow> leaving, Rect area)
{
    const auto plan = planCardShuffle(incoming, leaving, area);
    if (!plan)
        co_return nullptr;
    co_return takePictures(*plan);
}

Task<void> WindowTransitions::present(std::shared_ptr<CardShuffle> shuffle, ManagedWindow window)
{
    // Bound first: GCC 12 destroys a lambda written inside a co_await expression twice.
    std::function<void()> raise = [this, window] { access_.raise(window); };
    co_await presentBack(std::move(shuffle), std::move(raise));
}

Task<void> WindowTransitions::presentBack(std::shared_ptr<CardShuffle> shuffle, std::function<void()> begin)
{
    if (!shuffle || !gpuAvailable()) {
        begin();
        co_return;
    }
    co_await presenter_.presentCards(std::move(shuffle), std::move(begin), CardShuffle::duration);
}

} // namespace fw
