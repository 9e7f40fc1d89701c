#pragma once
// What a drag hands to the work of other families, as plain values: a window released over no
// target, the insertion into a region that a split or a seam corner makes, a step of a native
// resize, and a region drop that the release carries out. The drag handler (SnapDragHandler.h)
// passes them straight to the release, split-offer, resize-preview and drop-execution runs.

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
    bool pointerMoved = false; // the pointer went past the start distance with the button held

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

} // namespace fw
