#pragma once
// What window stacks call of the transitions: the switch animations and the window pictures
// they are drawn from. Main thread only; the asynchronous calls are cooperative tasks.
//
//   if (services.gpuAvailable()) {
//       auto capture = co_await services.capture(window, frame);
//       ...
//       auto transition = services.makeShaderTransition(ShaderTransition::stackMoveDuration);
//       ShaderTransition::RevealAction raise = [&]() -> Task<void> { ...raise the window...; co_return; };
//       co_await transition->play(StackTransition::genie, layers, std::move(raise));
//   }
//   auto shuffle = co_await services.captureCardShuffle({{target, out}}, leaving, slot);
//   if (shuffle)
//       co_await services.present(shuffle, target);

#include "base/Clock.h"
#include "base/Geometry.h"
#include "base/Task.h"
#include "transitions/CardShuffle.h"
#include "transitions/ShaderTransition.h"
#include "windows/ManagedWindow.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace fw {

// A window coming to the front in a card shuffle, with the rectangle it slides out to.
struct CardShuffleIncoming {
    ManagedWindow window;
    Rect out;
};

class TransitionServices {
public:
    virtual ~TransitionServices() = default;

    // Whether shader transitions and the card shuffle can be shown: the GPU works (decided once
    // per run) and a compositing manager shows translucent panels over the desktop (asked each
    // time, since one can start or stop). When false, switch without these animations.
    virtual bool gpuAvailable() = 0;

    // A shader transition of the given duration (half a second for stack moves).
    virtual std::unique_ptr<ShaderTransition> makeShaderTransition(Duration duration) = 0;

    // The window's picture, the whole picture as its region: at most 1600 pixels on the longer
    // side of `frame` (its frame, global device pixels), never enlarged. Nothing without the window
    // previews permission or when the window cannot be captured (gone, minimized).
    virtual Task<std::optional<ShaderTransition::Capture>> capture(ManagedWindow window, Rect frame) = 0;

    // Prepares a card shuffle in the slot `area`: pictures of every window that takes part
    // and of the desktop behind the slot. Nothing unless window previews are granted, the GPU
    // is available, both lists have windows, no other application keeps the display awake, a
    // screen lies at the slot's centre and every picture could be taken.
    virtual Task<std::shared_ptr<CardShuffle>> captureCardShuffle(std::vector<CardShuffleIncoming> incoming,
                                                                   std::vector<ManagedWindow> leaving, Rect area) = 0;

    // Plays the prepared shuffle (0.55 s) and brings `window` forward (its application is
    // activated first unless frontmost) when the cards cover the slot. Returns when done.
    virtual Task<void> present(std::shared_ptr<CardShuffle> shuffle, ManagedWindow window) = 0;
    // The same, but `begin` runs when the cards cover the slot (the caller raises windows there).
    virtual Task<void> presentBack(std::shared_ptr<CardShuffle> shuffle, std::function<void()> begin) = 0;
};

} // namespace fw
