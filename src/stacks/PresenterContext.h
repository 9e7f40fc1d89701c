#pragma once
// What every run of the stack presenter works with: the services the engine hands it, the
// engine's answers (StackQueries) and requests (StackRequests), and references to the three
// state objects (badges with their title-bar readings, anchors with their panels and the
// explicit switcher, hover with its pacing). The presenter owns them all; a callback reaches
// the context only while it lives (`self`).

#include "base/Clock.h"
#include "base/Geometry.h"
#include "base/TaskScope.h"
#include "platform/DesktopSettings.h"
#include "platform/MouseMonitor.h"
#include "platform/Screens.h"
#include "stacks/AnchorState.h"
#include "stacks/BadgeSettings.h"
#include "stacks/BadgeState.h"
#include "stacks/ChromeReads.h"
#include "stacks/HoverState.h"
#include "stacks/StackQueries.h"
#include "stacks/StackSurfaces.h"
#include "windows/WindowAccess.h"

#include <optional>
#include <vector>

namespace fw::stacks {

struct PresenterServices {
    WindowAccess& access;
    Screens& screens;
    Clock& clock;
    StackSurfaces& surfaces;
    ChromeReads& chromeReads;
    // The coordinator's slots (layouts offered, tips, stretching) and the badge settings.
    const WindowStackCallbacks& callbacks;
    BadgeSettings& badgeSettings;
    MouseMonitor* mouse = nullptr;   // where the pointer is; none: where it was last seen
    DesktopSettings* desktop = nullptr;   // the title-bar buttons' side; none: the right
};

struct PresenterContext : PresenterServices {
    PresenterContext(const PresenterServices& services, const StackQueries& queries, StackRequests requests,
                     BadgeState& badges, AnchorState& anchors, HoverState& hover)
        : PresenterServices(services), queries(queries), requests(std::move(requests)), badges(badges),
          anchors(anchors), hover(hover)
    {
    }
    ~PresenterContext() { self.cut(); }
    PresenterContext(const PresenterContext&) = delete;
    PresenterContext& operator=(const PresenterContext&) = delete;

    const StackQueries& queries;
    StackRequests requests;
    BadgeState& badges;
    AnchorState& anchors;
    HoverState& hover;
    Lifeline<PresenterContext> self{this};

    double uptime() const { return toSeconds(clock.now()); }
    // The screens, read once per pass (reading them asks the server several things).
    const std::vector<ScreenInfo>& passScreens() const;
    void endPassScreens() { screensOfPass_.reset(); }
    // Where the pointer is; where it was last reported when it cannot be read.
    Point pointer() const;
    // Switchers closed, anchors' panels and badges hidden, hover paused: until the next pass.
    void hideAll();

private:
    mutable std::optional<std::vector<ScreenInfo>> screensOfPass_;
};

} // namespace fw::stacks
