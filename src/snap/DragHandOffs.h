#pragma once
// Where a drag's decisions hand over to work of other families: the feedback of a region drop
// target, preparing the insertion at a seam corner, carrying out a region drop, a window
// released over no target, and the preview of a native resize. Each slot stays empty until its
// family exists; the coordinator then shows nothing for that step and starts no drop, and a
// window released over no target only ends its press (nothing moves).

#include "base/Clock.h"
#include "base/Geometry.h"
#include "base/Task.h"
#include "layout/SnapLayout.h"
#include "platform/Screens.h"
#include "snap/DropGeometry.h"
#include "snap/DropSession.h"
#include "snap/WindowMemory.h"
#include "windows/CoordinatorHost.h"
#include "windows/ManagedWindow.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace fw {

// A drag released over no target, as the drag monitor hands it over.
struct WindowRelease {
    ManagedWindow window;
    Rect before;               // the window's frame at the press
    std::uint64_t generation;  // the interaction when the hand-off was scheduled
    EdgeSet grabbedEdges;      // for a native resize and a press without a drag; empty for a move
    bool span = false;         // a native resize released with Super held
    Point pointer;

    friend bool operator==(const WindowRelease&, const WindowRelease&) = default;
};

// The insertion of the dragged window into a region that a split or a seam corner makes.
struct SplitDropRequest {
    ManagedWindow window;
    ScreenInfo screen;
    SnapLayout layout;      // the layout after the split
    RegionNumber region = 0; // the dragged window's region in it
    bool newAbove = false;  // the new window goes above the one already there
    bool showFeedback = false;
    Rect startFrame;

    friend bool operator==(const SplitDropRequest&, const SplitDropRequest&) = default;
};

// One step of a native resize of the pressed window.
struct SpanPreviewRequest {
    ManagedWindow window;
    EdgeSet grabbedEdges;
    bool span = false; // Super held
    Rect before;
    Rect current;
    Point pointer;
};

// A region drop that the release carries out.
struct RegionDropRun {
    RegionDropTarget target;
    ManagedWindow window;
    Rect startFrame;
    std::optional<ReturnSnapTarget> home;
    Duration releaseTime{};
    InteractionStamp stamp;
};

struct DragHandOffs {
    std::function<void(const RegionDropTarget&, const ManagedWindow&, const std::optional<ReturnSnapTarget>&,
                       bool armed)>
        showRegionDrop;
    std::function<void(const SplitDropRequest&)> performSplitDrop;
    std::function<Task<void>(RegionDropRun)> executeRegionDrop;
    std::function<Task<void>(WindowRelease)> windowReleased;
    std::function<void(const SpanPreviewRequest&)> updateSpanPreview;
};

} // namespace fw
