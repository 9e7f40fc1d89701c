#pragma once
// What every run of the stack engine works with: the services the application shell hands it,
// the engine's task scope and the coordinator's callback slots. A run takes the context and the
// state objects it changes (the stacks, the refresh pass, the engine's flags), so its signature
// says what it touches; the engine owns them and passes them.

#include "base/Clock.h"
#include "base/TaskScope.h"
#include "platform/ApplicationActivations.h"
#include "platform/Permissions.h"
#include "platform/Screens.h"
#include "snap/WindowStackController.h"
#include "stacks/StackPresentation.h"
#include "stacks/StackSet.h"
#include "transitions/TransitionServices.h"
#include "windows/WindowAccess.h"

namespace fw {

class UserDefaults;
class StackSurfaces;
class MouseMonitor;

namespace stacks {

// What the engine works with; each must outlive it.
struct StackServices {
    WindowAccess& access;
    Screens& screens;
    Permissions& permissions;
    Clock& clock;
    UserDefaults& defaults;
    TransitionServices& transitions;
    ApplicationActivations& activations;
    // The badges, anchors and switcher; none: nothing is shown.
    StackPresentation* presentation = nullptr;
    // The program runs with "--diagnostics": the stack-state file is written.
    bool diagnostics = false;
    // This program's process; 0: the running one.
    Pid ownPid = 0;
    // The badge and anchor panels. Given (and no `presentation`), the engine presents its
    // stacks itself: anchors, badges and hover.
    StackSurfaces* surfaces = nullptr;
    // Where the pointer is, for hover; none: where it was last reported.
    MouseMonitor* mouse = nullptr;
};

// The engine's switches: started, its menu open, monitoring on, a move animating.
struct StackFlags {
    bool running = false;
    bool menuOpen = false;
    bool monitoring = true;
    bool shuffling = false;
};

// The raise task a transition starts at its reveal point, for the task that waits for it.
struct RaiseHandle {
    bool started = false;
    CancelToken done;   // cancelled once every window is raised
};

// The services with the engine's task scope and the coordinator's slots. `presentation` is
// never null here.
struct StackContext : StackServices {
    TaskScope& tasks;
    WindowStackCallbacks& callbacks;

    double uptime() const { return toSeconds(clock.now()); }
    bool trusted() const { return permissions.windowControlGranted(false); }
    // The coordinator lets the stacks act (it is idle).
    bool mayRefresh() const { return callbacks.canRefresh && callbacks.canRefresh(); }
    // It waits only for a held press to end.
    bool onlyPressHeld() const { return callbacks.onlyPressHeld && callbacks.onlyPressHeld(); }
};

// Monitoring and grouping on, trusted, the coordinator idle, no move animating.
inline bool mayMove(const StackContext& ctx, const StackFlags& flags, const StackSet& set)
{
    return flags.monitoring && set.enabled() && !flags.shuffling && ctx.trusted() && ctx.mayRefresh();
}

} // namespace stacks
} // namespace fw
