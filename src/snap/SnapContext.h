#pragma once
// What every part of the coordinator works with: the ports and services the application
// shell hands it, the coordinator's task scope and sinks, the coordinator itself as the owner
// of interaction stamps, and the hub as what a run asks of it (SnapRequests). A run (the drag
// handler too) takes the context and the state objects it changes, and calls the runs of
// other families directly.

#include "base/Clock.h"
#include "base/TaskScope.h"
#include "layout/SnapLayout.h"
#include "platform/Screens.h"
#include "snap/SnapFeedback.h"
#include "snap/SnapRequests.h"
#include "snap/SnapSinks.h"
#include "snap/ThumbnailCapture.h"
#include "snap/WindowStackController.h"
#include "windows/CoordinatorHost.h"
#include "windows/PlacementRecord.h"

#include <memory>
#include <vector>

namespace fw {

class Applications;
class CommandShortcuts;
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
    // The current key bindings, as the notices name them (ShortcutLabels.h). None: the
    // default bindings' labels.
    const CommandShortcuts* shortcuts = nullptr;
    // The installed applications: the apps of a layout are found, named and launched through
    // them. None: no application is installed.
    std::shared_ptr<const Applications> applications;
};

struct SnapContext : SnapServices {
    TaskScope& tasks;
    SnapSinks& sinks;
    std::weak_ptr<const CoordinatorHost> host;
    // The hub: the end of an interaction and the hand-offs of a picker choice.
    SnapRequests& requests;

    // The current interaction, for an action that runs later.
    InteractionStamp stamp() const { return InteractionStamp(host); }
    // The displays, primary first.
    std::vector<ScreenInfo> screenList() const { return screens.screens(); }
};

} // namespace fw
