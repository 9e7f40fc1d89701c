#pragma once
// What every part of the coordinator works with: the ports and services the application
// shell hands it, the coordinator's task scope and sinks, the coordinator itself as the owner
// of interaction stamps, the hub's end of an interaction, and the two hand-offs a picker choice
// makes to runs of other families. A run (the drag handler too) takes the context and the
// state objects it changes, and calls the runs of other families directly.

#include "base/Clock.h"
#include "base/TaskScope.h"
#include "layout/SnapLayout.h"
#include "platform/Screens.h"
#include "snap/SnapFeedback.h"
#include "snap/SnapSinks.h"
#include "snap/ThumbnailCapture.h"
#include "snap/WindowStackController.h"
#include "windows/CoordinatorHost.h"
#include "windows/PlacementRecord.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace fw {

class Applications;
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
    // The current key binding of a bindable command, by the command's fixed number, as the
    // shortcut subsystem labels it ("Ctrl+Alt+P"). Unset: the default bindings' labels.
    std::function<QString(std::uint32_t command)> shortcutLabel;
    // The installed applications: the apps of a layout are found, named and launched through
    // them. None: no application is installed.
    std::shared_ptr<const Applications> applications;
};

// Where a picker choice hands over to runs of other families: applying a whole layout with
// its apps, and inserting the window at a seam corner. Each is empty until the hub fills it;
// a pending corner insertion is then carried out as a plain placement.
struct ChoiceHandOffs {
    std::function<Task<void>(SnapLayout, ScreenInfo, InteractionStamp)> applyComposition;
    std::function<Task<bool>(CornerInsertion<ManagedWindow>, ManagedWindow, RegionNumber, SnapLayout, ScreenInfo,
                             std::optional<Rect>, InteractionStamp)>
        insertAtCorner;
};

struct SnapContext : SnapServices {
    TaskScope& tasks;
    SnapSinks& sinks;
    std::weak_ptr<const CoordinatorHost> host;
    // The hub's end of the interaction under way (raises the generation).
    std::function<void(bool resumeStacks)> endInteraction;
    ChoiceHandOffs handOffs;

    // The current interaction, for an action that runs later.
    InteractionStamp stamp() const { return InteractionStamp(host); }
    // The displays, primary first.
    std::vector<ScreenInfo> screenList() const { return screens.screens(); }
};

} // namespace fw
