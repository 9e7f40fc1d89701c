// One step of a window drag: the display it is routed to and what the pointer is over there.
#include "snap/SnapDragHandler.h"

#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "snap/DropLayouts.h"
#include "snap/DropLogText.h"
#include "snap/DropTargets.h"
#include "snap/LayoutPicker.h"
#include "snap/PlaceWindow.h"
#include "snap/ReleaseHandOffs.h"
#include "snap/SnapContext.h"
#include "windows/WindowAccess.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace fw {

namespace {

constexpr double kZoneShare = 0.2;
constexpr double kZoneHalfWidth = 180;
constexpr double kZoneDepth = 22;
constexpr double kZoneClimb = 10;

std::vector<Rect> framesOf(const std::vector<ScreenInfo>& screens)
{
    std::vector<Rect> frames;
    for (const ScreenInfo& s : screens)
        frames.push_back(s.frame);
    return frames;
}

} // namespace

// What the drop decision reads besides the applied layouts: the guard, the tile menu on
// screen, the stacks and the remembered side-by-side splits.
DropTargetState dropTargetState(SnapContext& ctx, const DragStates& states, const QString& display)
{
    const auto& shown = states.drop.shownMenu;
    DropTargetState state;
    state.mutating = states.interaction.mutating;
    state.shownMenu = shown ? &*shown : nullptr;
    WindowStackController& stacks = ctx.stacks;
    state.stackFront = [&stacks](const ManagedWindow& w) { return stacks.stack(w); };
    state.allowsRejoin = [&states, display](const ColumnFill& fill) {
        return states.sideSplits.isSideSplitFill(fill, display, states.layouts.group(display));
    };
    return state;
}

QString snapCornerName(SnapCorner corner)
{
    switch (corner) {
    case SnapCorner::topLeft:
        return QStringLiteral("topLeft");
    case SnapCorner::bottomLeft:
        return QStringLiteral("bottomLeft");
    case SnapCorner::topRight:
        return QStringLiteral("topRight");
    case SnapCorner::bottomRight:
        return QStringLiteral("bottomRight");
    }
    return {};
}

bool inPickerZone(const Point& point, const Rect& frame, const Rect& visibleFrame)
{
    return frame.contains(point) && std::abs(point.x - frame.midX()) < std::min(kZoneShare * frame.width(), kZoneHalfWidth)
        && point.y <= visibleFrame.minY() + kZoneDepth;
}

bool inPickerZone(const Point& point, const Point& start, const Rect& frame, const Rect& visibleFrame)
{
    if (!inPickerZone(point, frame, visibleFrame))
        return false;
    return !inPickerZone(start, frame, visibleFrame) || point.y <= start.y - kZoneClimb;
}

bool SnapDragHandler::dragStarted(const ManagedWindow& window, const Rect& original)
{
    if (findings_.refused)
        return false;
    ctx_.stacks.suspend();
    DragFindings& f = findings_;
    f.windowGrid = ctx_.access.grid(window);
    f.returnTarget = fw::returnTarget(ctx_, states_.interaction, states_.layouts, states_.memory, states_.recovery,
                                      window, original);
    f.returnGesture.reset();
    if (f.returnTarget)
        f.returnGesture.emplace(f.returnTarget->frame);
    return f.returnTarget.has_value();
}

void SnapDragHandler::withdrawOffers()
{
    ctx_.requests.endInteraction(false);
    findings_.cornerTarget.reset();
    clearDropAndReturn();
    findings_.cornerHover = {};
}

void SnapDragHandler::reset(bool endInteraction)
{
    findings_ = {};
    hideDropPanels();
    if (endInteraction) {
        states_.interaction.windowInteraction = false;
        ctx_.stacks.scheduleRefresh();
    }
}

void SnapDragHandler::note(const QString& state, Duration now, const Point& at)
{
    trace_.add(state, now, at, findings_.dragDisplay);
}

void SnapDragHandler::markChoosing()
{
    if (findings_.returnGesture)
        findings_.returnGesture->markChoosing();
}

void SnapDragHandler::clearDropAndReturn()
{
    findings_.activeDrop.reset();
    findings_.dropHover = {};
    findings_.returnHover = {};
    findings_.returnPreviewArmed = false;
}

void SnapDragHandler::endCornerOffer()
{
    ctx_.requests.endInteraction(false);
    findings_.cornerTarget.reset();
}

bool SnapDragHandler::reachesPickerZone(const Point& pointer, const std::optional<Point>& start,
                                        const ScreenInfo& screen) const
{
    const Rect visible = topLeftVisibleFrame(screen);
    const Point q = clampedInto(pointer, visible);
    const Point climbStart = start ? Point{start->x, std::max(start->y, findings_.lowestY.value_or(start->y))} : q;
    return inPickerZone(q, climbStart, screen.frame, visible);
}

void SnapDragHandler::dragMoved(const DragStep& step)
{
    findings_.lowestY = std::max(findings_.lowestY.value_or(step.pointer.y), step.pointer.y);
    if (step.modifiers & ModAlt) {
        withdrawOffers();
        return;
    }
    if (findings_.refused) {
        refusedStep(step);
        return;
    }
    const auto screens = ctx_.screenList();
    // An offer (a corner's, on the display the drag was routed to; the picker's, where the
    // session shows it) keeps the drag on its display and ends when the drag leaves it.
    const auto offeredOn = findings_.cornerTarget ? findings_.dragDisplay : states_.picker.dragPickerDisplay();
    std::optional<std::size_t> preferred;
    if ((findings_.activeDrop || offeredOn) && findings_.dragDisplay) {
        const auto same = std::find_if(screens.begin(), screens.end(),
                                       [&](const ScreenInfo& s) { return displayKey(s) == *findings_.dragDisplay; });
        if (same != screens.end())
            preferred = std::size_t(same - screens.begin());
    }
    const auto routed = rectIndex(step.pointer, framesOf(screens), preferred);
    if (!routed) {
        outsideDisplays(step);
        return;
    }
    const ScreenInfo& screen = screens[*routed];
    const QString key = displayKey(screen);
    findings_.dragDisplay = key;
    const Point q = clampedInto(step.pointer, topLeftVisibleFrame(screen));

    const auto under = containing(screens, step.pointer);
    const auto& home = findings_.returnTarget;
    const bool onReturnDisplay = under && home && home->display == displayKey(*under);
    if (findings_.returnGesture) {
        if (const auto frame = ctx_.access.frame(step.window))
            findings_.returnGesture->update(*frame, step.pointer, onReturnDisplay);
    }
    if (offeredOn && *offeredOn != key) {
        ctx_.requests.endInteraction(false);
        findings_.cornerTarget.reset();
    }
    if (cornerStep(step, screen, q) || pickerStep(step, screen, q) || dropStep(step, screen, q) ||
        returnStep(step, key, onReturnDisplay))
        return;
    note(u"no region target on "_qs + key, step.now, step.pointer);
    findings_.returnPreviewArmed = false;
    findings_.returnHover = {};
    hideDropPanels();
}

void SnapDragHandler::outsideDisplays(const DragStep& step)
{
    findings_.dragDisplay.reset();
    note(u"outside displays"_qs, step.now, step.pointer);
    ctx_.requests.endInteraction(false);
    clearDropAndReturn();
    findings_.cornerTarget.reset();
}

bool SnapDragHandler::cornerStep(const DragStep& step, const ScreenInfo& screen, const Point& q)
{
    const Rect visible = topLeftVisibleFrame(screen);
    const auto corner = snapCornerAt(q, screen.frame, visible);
    if (!corner) {
        findings_.cornerHover = {};
        if (findings_.cornerTarget)
            endCornerOffer();
        return false;
    }
    clearDropAndReturn();
    leaveRegionDrop(ctx_, states_.drop);
    hideDropPanels();

    const QString key = displayKey(screen);
    std::vector<Rect> others;
    for (const ScreenInfo& s : ctx_.screenList()) {
        if (!(s == screen))
            others.push_back(s.frame);
    }
    const bool seam = isNearOtherRect(q, others, screen.frame);
    const bool held =
        findings_.cornerHover.isHeld(key + u'-' + snapCornerName(*corner), step.now, kSeamCornerDwell);
    if (seam && !held) {
        note(u"hold seam corner"_qs, step.now, step.pointer);
        if (findings_.cornerTarget)
            endCornerOffer();
        return true;
    }
    note(u"corner "_qs + snapCornerName(*corner) + u" on "_qs + key, step.now, step.pointer);
    if (findings_.cornerTarget == corner)
        return true;

    ctx_.requests.endInteraction(false);
    ctx_.feedback.setDraggedWindow(step.window);
    states_.layouts.ensureGroup(screen, step.window, step.original, ctx_.access, ctx_.store, states_.memory);
    states_.layouts.pruneVanishedWindows(ctx_.access, states_.memory);
    const LayoutGroup* group = states_.layouts.group(key);
    const LayoutChoice choice = cornerLayout(*corner, group ? std::optional(group->layout) : std::nullopt,
                                             ctx_.store.layouts(key));
    const bool newAbove = *corner == SnapCorner::topLeft || *corner == SnapCorner::topRight;
    performSplitDrop({step.window, screen, choice.layout, choice.region, newAbove, true, step.original});
    findings_.cornerTarget = corner;
    return true;
}

bool SnapDragHandler::pickerStep(const DragStep& step, const ScreenInfo& screen, const Point& q)
{
    const QString key = displayKey(screen);
    if (reachesPickerZone(step.pointer, step.startPoint, screen)) {
        markChoosing();
        if (!states_.picker.dragPickerDisplay())
            showLayoutPicker(ctx_, states_.choiceState(), PickerRequest{step.window, screen, true, step.original, false});
    }
    if (!states_.picker.dragPickerDisplay())
        return false;
    note(u"layout chooser on "_qs + key, step.now, step.pointer);
    clearDropAndReturn();
    markChoosing();
    hideDropPanels();
    hoverPicker(ctx_, states_.picker, q);
    return true;
}

bool SnapDragHandler::dropStep(const DragStep& step, const ScreenInfo& screen, const Point& q)
{
    const QString key = displayKey(screen);
    const DragFindings& f = findings_;
    DropTargetQuery query{step.window,
                          f.returnTarget ? &*f.returnTarget : nullptr,
                          key,
                          topLeftVisibleFrame(screen),
                          f.returnGesture && (f.returnGesture->hasDeparted || f.returnGesture->hasLeftSlot),
                          step.original,
                          f.windowGrid,
                          q,
                          screen.scale};
    const auto target = regionDropTarget(query, states_.layouts.groups(), dropTargetState(ctx_, states_, key));
    if (!target) {
        findings_.activeDrop.reset();
        findings_.dropHover = {};
        leaveRegionDrop(ctx_, states_.drop);
        return false;
    }
    findings_.activeDrop = target;
    findings_.returnPreviewArmed = false;
    findings_.returnHover = {};
    const bool held = findings_.dropHover.isHeld(target, step.now, kDropDwell);
    note((held ? u"ready "_qs : u"hold "_qs) + dropIntentText(target->intent) + u" on "_qs + key, step.now,
         step.pointer);
    showRegionDrop(*target, step.window, held);
    return true;
}

void SnapDragHandler::refusedStep(const DragStep& step)
{
    // Where the picker or a region drop target would be offered, the reason why none is.
    const auto screen = containing(ctx_.screenList(), step.pointer);
    if (!screen) {
        outsideDisplays(step);
        return;
    }
    const QString key = displayKey(*screen);
    findings_.dragDisplay = key;
    const Rect visible = topLeftVisibleFrame(*screen);
    const Point q = clampedInto(step.pointer, visible);
    const DropTargetQuery query{step.window, nullptr, key, visible, false, step.original, {}, q, screen->scale};
    if (!reachesPickerZone(step.pointer, step.startPoint, *screen)
        && !regionDropTarget(query, states_.layouts.groups(), dropTargetState(ctx_, states_, key))) {
        note(u"no region target on "_qs + key, step.now, step.pointer);
        return;
    }
    const QString notice = refusalNotice(*findings_.refused);
    note(u"refused on "_qs + key + u": "_qs + notice, step.now, step.pointer);
    if (!std::exchange(findings_.refusalTold, true))
        ctx_.sinks.sendReport(notice);
}

bool SnapDragHandler::returnStep(const DragStep& step, const QString& key, bool onReturnDisplay)
{
    DragFindings& f = findings_;
    if (!f.returnTarget || f.returnTarget->display != key || !onReturnDisplay ||
        (f.returnGesture && f.returnGesture->isChoosingLayout))
        return false;
    if (!f.returnGesture || !f.returnGesture->isArmed) {
        f.returnHover = {};
        f.returnPreviewArmed = false;
    } else if (!f.returnGesture->isAligned) {
        f.returnPreviewArmed = f.returnHover.isHeld(key, step.now, kReturnDwell);
    } else {
        f.returnPreviewArmed = true;
        f.returnHover = {};
    }
    note(f.returnPreviewArmed ? u"ready return"_qs : u"previous position"_qs, step.now, step.pointer);
    showReturnPreview(ctx_, states_.interaction, states_.layouts, states_.picker, *f.returnTarget,
                      f.returnPreviewArmed, step.window);
    return true;
}

} // namespace fw
