#pragma once
// What every run of the stack presenter works with: the services the engine hands it, the
// engine's answers (StackQueries) and the actions a user's gesture asks for (StackActions).
// A run takes the context and the state objects it changes (badges with the title bars of
// the pass, anchors with their panels and the explicit switcher, hover with its pacing, the
// engine's badge settings), so its signature says what it touches; the presenter owns the
// state (the badge settings are the engine's, handed to it) and passes it. A callback reaches
// the context, and the state beside it, only while the context lives (`self`).

#include "base/Clock.h"
#include "base/Geometry.h"
#include "base/TaskScope.h"
#include "platform/MouseMonitor.h"
#include "platform/Screens.h"
#include "snap/WindowStackController.h"
#include "stacks/StackActions.h"
#include "stacks/StackQueries.h"
#include "stacks/StackSurfaces.h"
#include "windows/WindowAccess.h"

#include <memory>
#include <optional>
#include <vector>

namespace fw::stacks {

struct PresenterServices {
    WindowAccess& access;
    Screens& screens;
    Clock& clock;
    StackSurfaces& surfaces;
    // The coordinator's slots (layouts offered, tips, stretching).
    const WindowStackCallbacks& callbacks;
    MouseMonitor* mouse = nullptr;   // where the pointer is; none: where it was last seen
};

struct PresenterContext : PresenterServices {
    PresenterContext(const PresenterServices& services, const StackQueries& queries,
                     std::weak_ptr<StackActions> actions)
        : PresenterServices(services), queries(queries), actions_(std::move(actions))
    {
    }
    ~PresenterContext() { self.cut(); }
    PresenterContext(const PresenterContext&) = delete;
    PresenterContext& operator=(const PresenterContext&) = delete;

    const StackQueries& queries;
    Lifeline<PresenterContext> self{this};

    // What a gesture asks of the stacks; null once whoever answers is gone.
    StackActions* actions() const { return actions_.lock().get(); }

    double uptime() const { return toSeconds(clock.now()); }
    // The screens, read once per pass (reading them asks the server several things).
    const std::vector<ScreenInfo>& passScreens() const;
    void endPassScreens() { screensOfPass_.reset(); }
    // Where the pointer is; `lastReported` when it cannot be read.
    Point pointer(Point lastReported) const;

private:
    std::weak_ptr<StackActions> actions_;
    mutable std::optional<std::vector<ScreenInfo>> screensOfPass_;
};

} // namespace fw::stacks
