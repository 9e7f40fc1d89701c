#pragma once
// The snap coordinator over the real X11 adapters and the real overlay, in the test process
// (there is no program shell to start yet), for x11 tests and benchmarks. Needs the session's
// Qt application (SessionApp) to exist first. Thumbnails are not captured; the stack controller
// is the real one with the real transitions and title-bar readings, started when a test asks
// for it; notices are collected. The drag monitor, fed by the real mouse monitor, is there once a test starts it.
// The stacks show their badges and anchors (switchers without thumbnails).
//
//   test::SessionApp app(session);
//   test::CoordinatorRig rig(session);
//   rig.placeFocusedWindow();
//   rig.startDragMonitor();   // then drag windows with XTest

#include "base/QtClock.h"
#include "base/UserDefaults.h"
#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "layout/SnapLayout.h"
#include "overlay/OverlayController.h"
#include "overlay/OverlayFeedback.h"
#include "overlay/OverlayWindow.h"
#include "platform/x11/GnomeDesktopSettings.h"
#include "platform/x11/LocalProcesses.h"
#include "platform/x11/X11ApplicationActivations.h"
#include "platform/x11/X11MouseMonitor.h"
#include "platform/x11/X11Permissions.h"
#include "platform/x11/X11Screens.h"
#include "platform/x11/X11Stacking.h"
#include "platform/x11/X11WindowCapture.h"
#include "platform/x11/X11WindowSystem.h"
#include "snap/DragMonitor.h"
#include "snap/SnapDragHandler.h"
#include "snap/SnapCoordinator.h"
#include "stacks/WindowStackAnchor.h"
#include "stacks/StackEngine.h"
#include "stacks/qt/QtStackSurfaces.h"
#include "transitions/WindowTransitions.h"
#include "transitions/qt/GlTransitionPresenter.h"
#include "windows/TitleBar.h"
#include "windows/WindowAccess.h"
#include "windows/WindowPlacement.h"
#include "x11/XSession.h"

#include <QStringList>
#include <memory>
#include <optional>

namespace fw::test {

// How a placement the test asked for ended: nothing while it runs.
using PlacementDone = std::shared_ptr<std::optional<bool>>;

inline Task<void> placeThroughCoordinator(SnapCoordinator& c, ManagedWindow window, RegionNumber region,
                                          SnapLayout layout, ScreenInfo screen, PlacementDone done)
{
    const bool placed =
        co_await c.placeInRegion(std::move(window), region, std::move(layout), std::move(screen), std::nullopt, false);
    *done = placed;
}

struct CoordinatorRig {
    explicit CoordinatorRig(const XSession& session)
        : ws(session.display()), windowCapture(session.display()), activations(session.display()),
          mouse(session.display())
    {
        OverlayWindow::setStacking(&stacking);
        setTitleBarLayout([this] { return desktop.titleBarButtons(); });
        coordinator = std::make_unique<SnapCoordinator>(
            SnapServices{access, placement, screens, processes, clock, defaults, store, feedback, stacks, capture}, state);
        coordinator->sinks().report = [this](const QString& text) { notices << text; };
    }
    ~CoordinatorRig()
    {
        monitor.reset();
        coordinator.reset();
        OverlayWindow::setStacking(nullptr);
        setTitleBarLayout({});
    }
    CoordinatorRig(const CoordinatorRig&) = delete;
    CoordinatorRig& operator=(const CoordinatorRig&) = delete;

    // The display that holds the largest part of the frame (the first on a tie).
    std::optional<ScreenInfo> screenOf(const Rect& frame) const
    {
        std::optional<ScreenInfo> best;
        double most = 0;
        for (const ScreenInfo& s : screens.screens()) {
            const Rect common = s.frame.intersection(frame);
            const double area = common.isNull() ? 0 : common.width() * common.height();
            if (area > most) {
                most = area;
                best = s;
            }
        }
        return best;
    }

    // The left region of "Halves" on the first display.
    Rect leftHalf() const
    {
        return SnapLayout::builtIns().front().tree.frames(topLeftVisibleFrame(screens.screens().front()), 8).at(0);
    }
    // Both windows in the left half of the first display, `front` activated over `back`: one
    // stack. False when the window manager would not.
    bool stackInLeftHalf(XSession& session, xcb_window_t back, xcb_window_t front)
    {
        const Rect left = leftHalf();
        return ws.setFrame(back, left) && ws.setFrame(front, left) && session.activate(front);
    }
    // Which of two windows the server stacks higher (0: neither is listed).
    WindowId frontOf(WindowId a, WindowId b)
    {
        for (const WindowLayer& l : ws.layers()) {
            if (l.id == a || l.id == b)
                return l.id;
        }
        return 0;
    }

    // The drag monitor over the real mouse monitor, as the program installs it. False when the
    // server has no XInput 2.2.
    bool startDragMonitor()
    {
        dragHandler = std::make_unique<SnapDragHandler>(coordinator->context(), coordinator->dragStates());
        monitor = std::make_unique<DragMonitor>(*dragHandler, mouse, coordinator->context().clock);
        monitor->moveModifier = [this] { return desktop.moveModifier(); };
        return monitor->install();
    }

    // What the "place the focused window" command does: the picker, not for a drag, on the
    // focused window's display. False without a focused window.
    bool placeFocusedWindow()
    {
        const auto window = access.focusedWindow();
        const auto frame = window ? access.frame(*window) : std::nullopt;
        const auto screen = frame ? screenOf(*frame) : std::nullopt;
        if (!screen)
            return false;
        coordinator->showLayoutPicker(window, *screen, false, std::nullopt, false);
        return true;
    }

    // Puts the window into the region as a placement does (its frame from before and its
    // return position recorded); the caller waits for the outcome.
    PlacementDone placeWindow(WindowId window, RegionNumber region, const SnapLayout& layout, const ScreenInfo& screen)
    {
        auto done = std::make_shared<std::optional<bool>>();
        if (const auto w = ManagedWindow::make(ws, window))
            coordinator->context().tasks.spawn(placeThroughCoordinator(*coordinator, *w, region, layout, screen, done));
        else
            *done = false;
        return done;
    }

    X11WindowSystem ws;
    X11Screens screens;
    QtClock clock;
    X11Permissions permissions;
    WindowAccess access{ws, screens, clock, permissions};
    WindowPlacement placement{access};
    LocalProcesses processes;
    MemoryDefaults defaults;
    LayoutStore store{defaults};
    X11Stacking stacking;
    OverlayController overlay{&clock, {}, [this] { return screens.screens(); }};
    OverlayFeedback feedback{overlay};
    X11WindowCapture windowCapture;
    GlTransitionPresenter presenter{clock, &stacking};
    WindowTransitions transitions{access, screens, permissions, windowCapture, presenter};
    X11ApplicationActivations activations;
    NoThumbnailCapture switcherThumbnails;
    NoScrollSteps scroll;
    QtStackSurfaces surfaces{AnchorServices{clock, switcherThumbnails, permissions, screens, scroll}};
    // The desktop's settings as the program reads them, under the running window manager.
    GnomeDesktopSettings desktop{[this] { return ws.windowManagerName(); }};
    fw::stacks::StackEngine stacks{{access, screens, permissions, clock, defaults, transitions, activations,
                                              nullptr, false, 0, &surfaces, &mouse}};
    NoThumbnailCapture capture;
    QStringList notices;
    X11MouseMonitor mouse;
    SnapState state{defaults}; // the coordinator's, outliving it
    std::unique_ptr<SnapCoordinator> coordinator;
    std::unique_ptr<SnapDragHandler> dragHandler;
    std::unique_ptr<DragMonitor> monitor;
};

} // namespace fw::test
