#pragma once
// What every part of the coordinator works with: the ports and services the application
// shell hands it, the coordinator's task scope and sinks, and the coordinator itself as the
// owner of interaction stamps. A run takes the context and the state objects it changes.

#include "base/Clock.h"
#include "base/TaskScope.h"
#include "platform/Screens.h"
#include "snap/SnapFeedback.h"
#include "snap/SnapSinks.h"
#include "snap/ThumbnailCapture.h"
#include "snap/WindowStackController.h"
#include "windows/CoordinatorHost.h"

#include <memory>
#include <vector>

namespace fw {

class LayoutStore;
class Processes;
class UserDefaults;
class WindowAccess;
class WindowPlacement;

// Made by the application shell; each must outlive the coordinator.
struct SnapServices {
    WindowAccess& access;
    WindowPlacement& placement;
    Screens& screens;
    Processes& processes;
    Clock& clock;
    UserDefaults& defaults;
    LayoutStore& store;
    SnapFeedback& feedback;
    WindowStackController& stacks;
    ThumbnailCapture& capture;
    // The program runs with "--diagnostics": the diagnostic state files are written.
    bool diagnostics = false;
};

struct SnapContext : SnapServices {
    TaskScope& tasks;
    SnapSinks& sinks;
    std::weak_ptr<const CoordinatorHost> host;

    // The current interaction, for an action that runs later.
    InteractionStamp stamp() const { return InteractionStamp(host); }
    // The displays, primary first.
    std::vector<ScreenInfo> screenList() const { return screens.screens(); }
};

} // namespace fw
