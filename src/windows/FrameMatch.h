#pragma once
// How a window's frame is compared with the frame it should have: the one place that says
// when a window is where it should be. Every read-back, the frame writes' own checks
// included, answers with arrivedAt (or sitsIn where only the slot counts), the rule that
// honours size increments: a terminal asked for a frame off its cell grid lands up to one
// cell short on each side. The two plain comparisons below are for frames without that
// question (has a window moved since it was seen; are two slots the same). The tolerances
// those comparisons take are named here, once.

#include "base/Geometry.h"
#include "platform/WindowSystem.h"

namespace fw {

// The same frame within 5 device pixels: a window still sits in the region, slot or frame it
// was given (or a side took the size it was asked), a move has settled, two slots or recorded
// frames are one.
inline constexpr double kSameFrameTolerance = 5.0;
// Exact placement within 1 device pixel: "already in place" in a composition, the swap's and the
// composition's moves; a press released where it left the window moved nothing.
inline constexpr double kPlacementTolerance = 1.0;
// A window's bounds in the layer list within 3 device pixels of the frame read from the window:
// the two are read at different moments and rounded apart, yet name one window.
inline constexpr double kListedBoundsTolerance = 3.0;
// A window captured for a picture still has the frame it had before within 3 device pixels: one
// that moved, resized or closed meanwhile gets no picture.
inline constexpr double kCaptureStillTolerance = 3.0;
// A window that appeared late has stopped moving while its frame stays within 2 device pixels of
// the one seen at the last look.
inline constexpr double kSightingTolerance = 2.0;
// A dragged window's frame against the one it had when the drag began: a side more than 4
// device pixels longer or shorter makes the drag a resize (and an edge moved more than 4 by a
// resize moves its divider), an origin more than 3 away a move.
// Pressed on an edge, a move keeps each side within 2: a left, top or corner resize moves the
// origin too, and changes a side by more.
inline constexpr double kDragResizeTolerance = 4.0;
inline constexpr double kDragMoveTolerance = 3.0;
inline constexpr double kDragEdgeSizeKept = 2.0;
// A placed window still sits in its region (to be sent home, or to show a shared edge's hint)
// while each side is within 6 device pixels of the region's, size steps allowed for.
inline constexpr double kSitsInRegionTolerance = 6.0;

// minX, minY, width and height each differ by at most the tolerance (empty rectangles
// included): a frame is still the one seen before.
bool sameFrame(const Rect& a, const Rect& b, double tolerance);
// All four edges within the tolerance of each other (equal to the tolerance passes); false
// when either rectangle has a non-finite component or a width or height not above 0.
bool edgesMatch(const Rect& a, const Rect& b, double tolerance);
// Whether a window's frame needs no write for a target: its edges match within the tolerance
// and its origin lies within half a device pixel of the target's, where a write rounds it. A
// frame a pixel off is written again: a window manager answering a move between two writes,
// or the last step of an animation, leaves one there.
bool inPlace(const Rect& frame, const Rect& target, double tolerance);

// The cells of a grid that count against a target: an increment above 1 device pixel and
// below half the target's side on its axis (a larger one would let a window leave most of the
// target empty); zero on every other axis.
Size gridCells(const Size& grid, const Rect& target);
// Whether a window's frame sits in a target frame (a region, a slot, the place it was given):
// minX, minY, width and height each within the tolerance, except that a window on a cell grid
// may also fall short of the target by up to one more cell on each side; never longer than
// the target plus the tolerance. False, as for edgesMatch, when either is not a usable frame.
bool sitsIn(const Rect& frame, const Rect& target, const Size& grid, double tolerance);
// Whether a window moved to a target has arrived: each of its edges within the tolerance of
// the target's, or, for a window whose grid counts against the target, sitting in it as above.
bool arrivedAt(const Rect& frame, const Rect& target, const Size& grid, double tolerance);
// The frame a window on a cell grid takes for a target as the window manager counts the grid:
// the target's origin, each side cut to the base size (the minimum size where none is given)
// plus whole cells, so by less than one cell. The target itself on an axis without a counting
// cell, or where the target is not above the base.
Rect gridFrame(const Rect& target, const SizeHints& hints);

} // namespace fw
