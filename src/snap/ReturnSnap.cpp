// Return snap: finds a dragged window's previous region, arms when it comes back to that slot, shows
// the preview and moves it back after the release.
#include "snap/ReturnSnap.h"

#include "layout/ScreenGeometry.h"
#include "snap/DropGeometry.h"
#include "snap/LayoutPicker.h"
#include "snap/PlaceWindow.h"
#include "snap/Reconcile.h"
#include "snap/SnapContext.h"
#include "windows/FrameMatch.h"
#include "windows/WindowAccess.h"

#include <algorithm>
#include <cmath>

namespace fw {

namespace {

constexpr double kDeparture = 60;   // the window has been taken away
constexpr double kLeaveMargin = 12; // the pointer has been taken away
constexpr double kNearMargin = 8;   // the pointer is near the slot (grown) or deep in it (shrunk)
constexpr double kAligned = 16;
constexpr double kArming = 32;
constexpr Duration kReturnDelay = 80ms;

} // namespace

bool ReturnSnapGesture::update(const Rect& frame, const Point& pointer, bool active)
{
    if (isChoosingLayout) {
        isArmed = isAligned = false;
        return false;
    }
    const double d = std::max(std::abs(frame.minX() - slot.minX()), std::abs(frame.minY() - slot.minY()));
    const auto wide = [&](double margin) { return slot.insetBy(-margin, -margin).contains(pointer); };
    const bool inner = slot.insetBy(kNearMargin, kNearMargin).contains(pointer);

    const bool departedBefore = hasDeparted;
    hasDeparted = hasDeparted || d > kDeparture;
    const bool leftBefore = hasLeftSlot;
    const bool leftNow = !leftBefore && !wide(kLeaveMargin);
    hasLeftSlot = leftBefore || leftNow;
    if (!active) {
        isArmed = isAligned = false;
        return false;
    }
    const bool near = d <= kArming && wide(kNearMargin);
    isAligned = departedBefore && d <= kAligned && wide(kNearMargin);
    if (leftBefore)
        isArmed = departedBefore ? inner || near : inner;
    else if (leftNow)
        isArmed = false;
    else
        isArmed = hasDeparted && near;
    return isArmed;
}

void ReturnSnapGesture::markChoosing()
{
    isChoosingLayout = true;
    isArmed = isAligned = false;
}

bool isCurrent(const ReturnSnapTarget& target, const LayoutGroup* group, const Rect& visibleFrame)
{
    return group && group->layout == target.layout && visibleFrame == target.displayBounds;
}

std::optional<ReturnSnapTarget> returnTarget(SnapContext& ctx, const Interaction& interaction, AppliedLayouts& layouts,
                                             WindowMemory& memory, RecoveryStateFile& recovery,
                                             const ManagedWindow& window, const Rect& from)
{
    if (interaction.mutating)
        return std::nullopt;
    const auto screens = ctx.screenList();
    std::vector<Rect> frames;
    for (const ScreenInfo& s : screens)
        frames.push_back(s.frame);
    const auto index = bestOverlapIndex(from, frames);
    if (!index)
        return std::nullopt;
    const ScreenInfo& screen = screens[*index];
    const QString key = displayKey(screen);
    reconcile(ctx, layouts, memory, recovery, ctx.access.managedWindows({}, key), key);

    const Rect visible = topLeftVisibleFrame(screen);
    if (const LayoutGroup* group = layouts.group(key)) {
        const Size grid = ctx.access.grid(window);
        for (const auto& [region, frame] : group->layout.tree.frames(visible, kLayoutGap)) {
            if (sitsIn(from, frame, grid, kSitsInRegionTolerance)) {
                ReturnSnapTarget target{key, visible, group->layout, region, frame};
                memory.returnHomes[window] = target;
                return target;
            }
        }
    }
    const auto home = memory.returnHomes.find(window);
    if (home == memory.returnHomes.end())
        return std::nullopt;
    const auto homeScreen = screenWithKey(screens, home->second.display);
    if (!homeScreen || !isCurrent(home->second, layouts.group(home->second.display), topLeftVisibleFrame(*homeScreen)))
        return std::nullopt;
    return home->second;
}

void showReturnPreview(SnapContext& ctx, const Interaction& interaction, const AppliedLayouts& layouts,
                       const PickerSession& picker, const ReturnSnapTarget& target, bool armed,
                       const ManagedWindow& window)
{
    const auto screen = interaction.mutating ? std::nullopt : screenWithKey(ctx.screenList(), target.display);
    if (screen && isCurrent(target, layouts.group(target.display), topLeftVisibleFrame(*screen))) {
        ctx.feedback.showReturnPreview(armed, window, target.frame);
        ctx.sinks.sendPresentationChanged(true);
        return;
    }
    hideDropPanels(ctx, picker);
}

void returnToPreviousPosition(SnapContext& ctx, ChoiceState state, const ManagedWindow& window,
                              const ReturnSnapTarget& target, const Rect& startFrame)
{
    if (state.interaction.mutating)
        return;
    ctx.requests.endInteraction(false);
    ctx.tasks.spawn(returnWindow(ctx, state, window, target, startFrame, ctx.stamp()));
}

Task<void> returnWindow(SnapContext& ctx, ChoiceState state, ManagedWindow window, ReturnSnapTarget target,
                        Rect startFrame, InteractionStamp stamp)
{
    // A withdrawn wait goes on as a full one; the checks below decide.
    co_await ctx.clock.sleep(kReturnDelay);
    if (!stamp.current() || state.interaction.mutating)
        co_return;
    const auto screen = screenWithKey(ctx.screenList(), target.display);
    if (!screen || !isCurrent(target, state.layouts.group(target.display), topLeftVisibleFrame(*screen)))
        co_return;
    if (!ctx.access.isUsable(window, ctx.access.onScreenBoundsByPid()))
        co_return;
    auto guard = MutationGuard::take(state.interaction, ctx.stacks);
    const PlacementResult result = co_await placeInRegion(ctx, state.layouts, state.memory, window, target.region,
                                                          target.layout, *screen, startFrame, true);
    if (result.notice)
        ctx.sinks.sendReport(*result.notice);
}

} // namespace fw
