// The drag monitor's reading of what the window manager does to the pressed window's frame
// (DragMonitor.h): a move or a resize, the size given back to a window pulled out of a held
// state, the window put back, and what a release hands over when neither was seen.
#include "snap/DragMonitor.h"

#include <algorithm>
#include <cmath>

namespace fw {

namespace {

// Moved with its size from the press kept, in its frame and in the window manager's own window
// around it where both reads have one (within 2 pixels with an edge grabbed).
bool movedKeepingSize(const WindowSystem::FrameAndManagerBox& read, const DragInProgress& drag)
{
    return movedWithoutResize(read.frame, drag.pressFrame, drag.grabbedEdges) &&
           (!read.managerBox || !drag.pressBox || movedWithoutResize(*read.managerBox, *drag.pressBox, drag.grabbedEdges));
}

} // namespace

bool DragMonitor::startsOrResizes(const Point& p, Modifiers modifiers)
{
    DragInProgress& drag = *inProgress_;
    const auto read = handler_.frameAndManagerBox(drag.window);
    if (!read)
        return false;
    const Rect& current = read->frame;
    if (drag.onTitleBar) {
        if (!titleBarMoveStarts(current, p)) {
            trace(QStringLiteral("awaiting window movement"), p);
            return false;
        }
    } else if (drag.resizing || frameChanged(current, drag.pressFrame)) {
        if (!drag.resizing) {
            handler_.resizeStarted();
            // As for a move: the window manager holds the keyboard, and on Escape it may put the
            // window back (the ticks notice that, and a lost release).
            drag.resizeGrid = handler_.grid(drag.window);
            watchEscape();
            startHoverTimer();
        }
        drag.resizing = true;
        const bool span = modifiers & ModSuper;
        trace(span ? u"native resize span=true"_qs : u"native resize span=false"_qs, p);
        handler_.resizeMoved({drag.window, drag.grabbedEdges, span, drag.pressFrame, current, p});
        return false;
    } else if (!movesAtPressSize(*read)) {
        trace(QStringLiteral("awaiting window movement"), p);
        return false;
    }
    drag.dragging = true;
    drag.dragStartedAt = clock_.now();
    watchEscape();
    const bool home = handler_.dragStarted(drag.window, drag.original);
    trace(home ? QStringLiteral("drag with home") : QStringLiteral("drag without home"), p);
    return true;
}

bool DragMonitor::movesAtPressSize(const WindowSystem::FrameAndManagerBox& read)
{
    DragInProgress& drag = *inProgress_;
    if (!movedKeepingSize(read, drag)) {
        drag.movingSince.reset();
        return false;
    }
    if (drag.grabbedEdges.empty())
        return true;
    // A manager may show a resize of the edge as a move first (metacity, where its own window is
    // not read with the frame): the move holds once the frames have shown it for a while.
    const Duration now = clock_.now();
    if (!drag.movingSince)
        drag.movingSince = now;
    return now - *drag.movingSince >= kEdgeMoveSettle;
}

bool DragMonitor::titleBarMoveStarts(const Rect& current, const Point& p)
{
    DragInProgress& drag = *inProgress_;
    if (movedWithoutResize(current, drag.pressFrame))
        return true;
    if (!frameChanged(current, drag.pressFrame))
        return false;
    // The size given back: a move from there once the frame holds the pointer on its title bar
    // (mutter and muffin first give it a step away from the pointer), or once it moves on at
    // that size (jwm first gives it back at its old place).
    const std::optional<Rect> before = std::exchange(drag.sizeGivenBack, current);
    if (!holdsTitleBar(current, p) && !(before && movedWithoutResize(current, *before)))
        return false;
    drag.original = current;
    trace(QStringLiteral("restored as the move starts"), p);
    return true;
}

void DragMonitor::followSizeGivenBack(const Point& p)
{
    // Pressed maximized and moved at its size from the press, the window may have its size
    // given back only then (metacity moves its frame and resizes the window inside later, a
    // busy one much later): the move goes on from that size. Once given back, a return to the
    // press frame is the manager's own (maximized again at the top), no put-back. A change of
    // size long into the move, or of a window pressed in no such state, is the manager's own
    // too (a tile on the way): the move goes on from the press frame.
    DragInProgress& drag = *inProgress_;
    if (!drag.onTitleBar || !drag.pressedMaximized || drag.original != drag.pressFrame || !drag.dragStartedAt ||
        clock_.now() - *drag.dragStartedAt > kSizeGivenBackWithin)
        return;
    const auto current = handler_.frame(drag.window);
    if (current && frameChanged(*current, drag.pressFrame) && holdsTitleBar(*current, p)) {
        drag.original = *current;
        trace(QStringLiteral("restored as the window moves"), p);
    }
}

bool DragMonitor::holdsTitleBar(const Rect& frame, const Point& p) const
{
    // Where the height cannot be read, a title bar of a usual theme; the frame read may lag the
    // pointer by a little.
    constexpr double kUsualTitleBar = 40, kLag = 8;
    const double below = p.y - frame.minY();
    const double bar = handler_.titleBarHeight(inProgress_->window).value_or(kUsualTitleBar);
    return p.x >= frame.minX() && p.x <= frame.maxX() && below >= -kLag && below <= bar + kLag;
}

std::pair<EdgeSet, bool> DragMonitor::releasedEdges(Modifiers modifiers) const
{
    if (!inProgress_)
        return {};
    const DragInProgress& drag = *inProgress_;
    const bool super = modifiers & ModSuper;
    if (drag.resizing)
        return {drag.grabbedEdges, super};
    if (drag.dragging)
        return {};
    // Neither seen yet: a window moved keeping its size by now is a move; on an edge, a window
    // manager that resizes an outline changes the frame only at the release, and the hand-off
    // spans only when it did.
    const auto now = handler_.frameAndManagerBox(drag.window);
    if (now && movedKeepingSize(*now, drag))
        return {};
    return {drag.grabbedEdges, super && !drag.grabbedEdges.empty()};
}

bool DragMonitor::windowPutBack(const Point& p)
{
    DragInProgress& drag = *inProgress_;
    const auto frame = handler_.frame(drag.window);
    const Point& start = drag.startPoint;
    const bool away = drag.resizing ? resizedAway(p) : std::hypot(p.x - start.x, p.y - start.y) > kStartDistance;
    // A window given its size back as it moved may be maximized again near the top of the
    // display with the button still held, and stay so while the pointer stays near (metacity,
    // mutter); one moved at its maximized size is kept within the display by some managers
    // (icewm), so that its frame is the press frame again whenever the pointer is back at the
    // top, where the user rests for the picker. Neither is a put-back; Escape is watched all
    // the same.
    const bool restored = drag.original != drag.pressFrame;
    const bool back = frame && *frame == drag.pressFrame && away && !restored && !drag.pressedMaximized;
    const Duration now = clock_.now();
    if (!back)
        drag.putBackSince.reset();
    else if (!drag.putBackSince)
        drag.putBackSince = now;
    return back && now - *drag.putBackSince >= kPutBackSettle;
}

bool DragMonitor::resizedAway(const Point& p) const
{
    // Only the way that grows the window counts: shrinking stops at the window's minimum size.
    // A window on a cell grid follows the pointer a whole cell at a time.
    const DragInProgress& drag = *inProgress_;
    const double dx = p.x - drag.startPoint.x, dy = p.y - drag.startPoint.y;
    const double reachX = std::max(kStartDistance, drag.resizeGrid.width);
    const double reachY = std::max(kStartDistance, drag.resizeGrid.height);
    const auto grabbed = [&](RegionEdge e) { return drag.grabbedEdges.count(e) > 0; };
    if (drag.grabbedEdges.empty())
        return std::abs(dx) > reachX || std::abs(dy) > reachY;
    return (grabbed(RegionEdge::right) && dx > reachX) || (grabbed(RegionEdge::left) && -dx > reachX) ||
           (grabbed(RegionEdge::bottom) && dy > reachY) || (grabbed(RegionEdge::top) && -dy > reachY);
}

} // namespace fw
